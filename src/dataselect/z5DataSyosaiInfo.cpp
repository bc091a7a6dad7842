#include "dataselect/z5DataSyosaiInfo.h"

#include "accounting/BackupRestoreThread.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5ServerFile.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Date.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/xEdit.h"
#include "ui/z5MessageDlg2.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The rebuild as the backup worker runs it: backup of the source and restore onto it (into a new
// file first, so a broken restore leaves the source), direct route, indexes kept active. The dialog's
// animation keeps running while the worker's steps come through the event loop.
bool WorkerRebuild(const std::string& source, const std::string& backup, std::string& error)
{
    if (!DM) {
        error = "no data module";
        return false;
    }
    TBackupRestoreThread job(*DM);
    job.Mode = 3;
    job.Route = 0;
    job.HostName = SystemDef.HostName;
    job.DatabaseFile = source;
    job.BackupFile = backup;
    job.ActivateIndexes = 1;
    if (RunBackupRestoreJob(job, "TDataSyosaiInfoBox.RebuildData")) return true;
    error = JobErrorText(job);
    return false;
}

TRebuildJob& Job()
{
    static TRebuildJob job = WorkerRebuild;
    return job;
}

int Info(const std::vector<std::string>& lines, int kind = 2)
{
    TMessage2InfoRec m;
    InitMessage2Info(kind, m);
    for (std::size_t i = 0; i < lines.size() && i < m.Lines.size(); ++i) m.Lines[i].Text = lines[i];
    return MessageDlg2(m);
}

std::string Product() { return AppInfo.ZaimuAppTitle.empty() ? "パヴォナ財務" : AppInfo.ZaimuAppTitle; }

std::string OrNone(const std::string& s) { return s.empty() ? "設定なし" : s; }

std::string WithExtension(const std::string& file, const char* ext)
{
    return std::filesystem::path(file).replace_extension(ext).string();
}

} // namespace

void SetRebuildJob(TRebuildJob job) { Job() = std::move(job); }
TRebuildJob GetRebuildJob() { return Job(); }

TDataSyosaiInfoBox::TDataSyosaiInfoBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("DataSyosaiInfoBox");
    setWindowTitle("データの詳細情報");
    HostMenuNotify = false;
    UseFormSize = false;
    resize(520, 560);
    auto label = [this](const char* text, int x, int y, int w = 110) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setGeometry(x, y, w, 20);
        return l;
    };
    auto value = [this, &label](const char* name, int y) {
        QLabel* l = label("", 130, y, 370);
        l->setObjectName(name);
        return l;
    };
    label("管理情報", 12, 8);
    label("データの状態:", 20, 32);
    lblStatus = value("lblStatus", 32);
    label("データフォルダ:", 20, 56);
    txtDataPath = new QPlainTextEdit(this);
    txtDataPath->setObjectName("txtDataPath");
    txtDataPath->setReadOnly(true);
    txtDataPath->setGeometry(130, 56, 370, 40);
    cboxStatusClear = new QCheckBox("データの状態を回復する", this);
    cboxStatusClear->setObjectName("cboxStatusClear");
    cboxStatusClear->setStyleSheet("QCheckBox { color: red; }");
    cboxStatusClear->setGeometry(130, 100, 300, 20);
    Label14 = label("データの更新:", 20, 124);
    cboxDataUpdateLock = new QCheckBox("禁止する", this);
    cboxDataUpdateLock->setObjectName("cboxDataUpdateLock");
    cboxDataUpdateLock->setGeometry(130, 124, 120, 20);
    Label15 = label("仕訳の入力:", 20, 148);
    cboxDataReadOnly = new QCheckBox("禁止する", this);
    cboxDataReadOnly->setObjectName("cboxDataReadOnly");
    cboxDataReadOnly->setGeometry(130, 148, 120, 20);
    Image1 = label("ⓘ", 20, 172, 20);
    lblDataSeigenMessage = label("現在、オペレータ毎のデータ選択は制限されていません。", 44, 172, 450);
    lblDataSeigenMessage->setStyleSheet("QLabel { color: blue; font-weight: bold; }");
    label("基本情報", 12, 200);
    const char* captions[] = {"コード:", "データ区分:", "会社名:", "フリガナ:", "データリスト名:", "会計年度:",
                              "会計期間:", "担当者コード:", "部門管理:", "本支店管理:", "仕訳件数:"};
    for (int i = 0; i < 11; ++i) label(captions[i], 20, 224 + i * 24);
    lblCode = value("lblCode", 224);
    lblDataKbn = value("lblDataKbn", 248);
    lblName = value("lblName", 272);
    lblKana = value("lblKana", 296);
    txtListName = new TxEdit(this);
    txtListName->setObjectName("txtListName");
    txtListName->setGeometry(130, 320, 370, 22);
    txtListName->setMaxLength(40);
    txtListName->SetImeMode(TImeMode::imHira);
    lblNendo = value("lblNendo", 344);
    lblKikan = value("lblKikan", 368);
    lblTanto = value("lblTanto", 392);
    lblBumonKanri = value("lblBumonKanri", 416);
    lblSitenKanri = value("lblSitenKanri", 440);
    lblSiwakeKensu = value("lblSiwakeKensu", 464);

    auto* hint = new QPlainTextEdit(this);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(12, 492, 300, 56);
    HintMemo = hint;
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(330, 500, 80, 28);
    btnCancel = new QPushButton("キャンセル", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(420, 500, 80, 28);
    F12Button = btnOK;
    for (int i = 0; i < 8; ++i) {
        auto* b = new QPushButton(QString("F%1:").arg(i + 1), this);
        b->setObjectName(QString("F%1").arg(i + 1));
        b->setGeometry(12 + i * 62, 532, 60, 24);
        b->setFocusPolicy(Qt::NoFocus);
        F[static_cast<std::size_t>(i)] = b;
    }
    xAnimeProgressDialog1 = new TxAnimeProgressDialog(this);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(F[6], &QPushButton::clicked, this, [this] { F7Click(); });
    Initialized = true;
}

TDataSyosaiInfoBox::~TDataSyosaiInfoBox() = default;

void TDataSyosaiInfoBox::InitDisplay(std::uint8_t displayMode)
{
    DisplayMode = displayMode;
    ShowData();
    PositionPending = false;
}

void TDataSyosaiInfoBox::ShowData()
{
    TDataInfomation::ClearDataInfoRec(InfoRec);
    TDataInfomation di;
    di.Mode = ConnectMode;
    if (DM && FExist(*DM, JoinPath(DataFolder, DataFileName), ConnectMode)) di.ReadDataIni(DataFolder, InfoRec);

    TSyosaiInput in;
    in.ListType = ListType;
    in.HasCompany = !Row.SHOUGOU.empty();
    in.NETDRIVE = Row.NETDRIVE;
    in.KYOYULOCK = Row.KYOYULOCK;
    in.Editable = Editable;
    in.Info = InfoRec;
    in.ConnectMode = ConnectMode;
    in.AllSisetuAllowed = IsAllSisetuAllowed();
    in.OpCode = SystemDef.OpCode;
    in.GroupId = SystemDef.GroupId;
    const TSyosaiState s = SyosaiStateOf(in);
    Editable = static_cast<std::uint8_t>(s.Editable);
    StatusClearAllowed = static_cast<std::uint8_t>(s.StatusClearAllowed);
    RebuildAllowed = static_cast<std::uint8_t>(s.RebuildAllowed);
    StatusCleared = 0;
    Rebuilt = 0;

    lblStatus->setText(Q(GetDataStatusName(InfoRec.STATUS)));
    txtDataPath->setPlainText(Q(SyosaiDisplayPath(DataFolder, SystemDef.AppDataDir, Product())));
    cboxStatusClear->setChecked(false);
    cboxStatusClear->setVisible(s.StatusClearVisible);
    cboxDataUpdateLock->setChecked(UpdateLock == 1);
    cboxDataReadOnly->setChecked(ReadOnlyFlag == 1);
    lblDataSeigenMessage->setVisible(SystemDef.DataSelectFree == 1);
    Image1->setVisible(SystemDef.DataSelectFree == 1);

    const TDataInfomationRec& r = InfoRec;
    lblCode->setText(Q(OrNone(r.CODE)));
    lblDataKbn->setText(Q(DataKbnText(r.DATAKBN, r.CODEKBN)));
    lblName->setText(Q(OrNone(r.SHOUGOU)));
    lblKana->setText(Q(OrNone(r.KANA)));
    txtListName->setText(Q(ListName.empty() ? r.SHOUGOU : ListName));
    lblNendo->setText(Q(r.NENDO > 0 ? std::to_string(r.NENDO) + "期" : "設定なし"));
    const auto kishu = Date::Parse(r.KISHU), kimatu = Date::Parse(r.KIMATU);
    lblKikan->setText(Q(kishu && kimatu ? MakeKikanText(*kishu, *kimatu) : "設定なし"));
    lblTanto->setText(Q(r.TANTO != 0 ? std::to_string(r.TANTO) : "設定なし"));
    if (r.BUMON == 1) lblBumonKanri->setText(Q("損益のみに" + std::to_string(r.BUMONCNT) + "部門設定"));
    else if (r.BUMON == 2) lblBumonKanri->setText(Q("全科目に" + std::to_string(r.BUMONCNT) + "部門設定"));
    else lblBumonKanri->setText("設定なし");
    lblSitenKanri->setText(Q(r.SITEN == 1 ? std::to_string(r.SITENCNT) + "支店設定" : "設定なし"));
    lblSiwakeKensu->setText(Q(std::to_string(r.SIWAKE) + "件"));
    if (r.STATUS == 3) {
        lblKana->setText("-");
        lblBumonKanri->setText("-");
        lblSitenKanri->setText("-");
        lblSiwakeKensu->setText("-件");
    }

    const bool editable = Editable == 1;
    cboxDataUpdateLock->setEnabled(editable);
    Label14->setEnabled(editable);
    cboxDataReadOnly->setEnabled(s.ReadOnlyEnabled);
    Label15->setEnabled(s.ReadOnlyEnabled);
    txtListName->setReadOnly(!editable);
    txtListName->setFrame(editable);
    txtListName->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    btnOK->setVisible(s.OkVisible);
    LoadHints();
    UpdateFunctionKeys();
    if (editable) txtListName->setFocus();
    else btnCancel->setFocus();
}

void TDataSyosaiInfoBox::LoadHints()
{
    const std::string label = "[" + Product() + "のデータ]";
    SetHint(txtDataPath, DataFolder + "|データの場所です。\r\n\r\n" + label + "は、\"" + SystemDef.AppDataDir + "\"です。");
    SetHint(cboxStatusClear, "データ状態を回復します。|「データ処理中にアプリケーションが異常終了した」等でデータが「使用中」になってしまった場合に、この項目にチェックを入れて［OK］を押すと次回よりデータの選択が可能となります。");
    SetHint(cboxDataUpdateLock, "データ更新の許可／禁止を設定します。|この項目にチェックを入れると、「データ選択」画面から古いバージョンのデータ（更新が必要なデータ）の選択を不可にします。\r\n※選択不可データはグレー表示されます。");
    SetHint(cboxDataReadOnly, "仕訳入力の許可／禁止を設定します。|この項目にチェックを入れると、仕訳の入力、訂正及び削除処理を禁止にします。");
    SetHint(txtListName, Editable == 1
                             ? "ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更できます。|「データ選択」画面におけるﾃﾞｰﾀの表示名を変更できます。\r\n決算書、試算表、元帳などの社名の印字は「基本設定」の「名称・期間」ﾀﾌﾞで変更します。"
                             : "ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名です。|「データ選択」画面におけるﾃﾞｰﾀの表示名です。\r\n決算書、試算表、元帳などの社名の印字は「基本設定」の「名称・期間」ﾀﾌﾞで変更します。");
    SetHint(btnOK, "内容を登録して画面を閉じます。|内容を登録して画面を閉じます。");
    SetHint(btnCancel, "画面を閉じます。|画面を閉じます。");
}

void TDataSyosaiInfoBox::UpdateFunctionKeys()
{
    for (int i = 0; i < 8; ++i) F[static_cast<std::size_t>(i)]->setText(QString("F%1:").arg(i + 1));
    // The input method of the list name is never switched on here, so only the rebuild rule counts.
    if (RebuildAllowed == 1) F[6]->setText("F7:再構築");
}

void TDataSyosaiInfoBox::btnOKClick()
{
    if (TrimZen(txtListName->text().toStdString()).empty()) {
        if (Info({"データリスト名が入力されていません。会社名を設定しますか？"}, 3) == mrOk)
            txtListName->setText(lblName->text());
        return;
    }
    ListName = txtListName->text().toStdString();
    StatusCleared = StatusClearAllowed == 1 && cboxStatusClear->isChecked() ? 1 : 0;
    UpdateLock = cboxDataUpdateLock->isChecked() ? 1 : 0;
    ReadOnlyFlag = cboxDataReadOnly->isChecked() ? 1 : 0;
    done(mrOk);
}

void TDataSyosaiInfoBox::F7Click()
{
    if (F[6]->text() == "F7:") return;
    // Another attachment would keep the old file open while it is replaced: refused in every mode.
    if (DM && DM->AccDatInConnection(1, SystemDef.HostName, false, DataFolder)) {
        Info({"現在、他のユーザーがデータに接続中です。他のユーザーがデータに接続している間はデータの再構築は行えません。"});
        return;
    }
    std::vector<std::string> lines = {"データの再構築を行いますか？",
                                      "注意１）データサイズによりデータ再構築に時間がかかる場合があります。再構築中にコンピュータの電源は切らないで下さい。"};
    if (InfoRec.STATUS == 10) lines.push_back("注意２）破損データの場合はデータ再構築が適正に行われない場合があります。");
    if (Info(lines, 3) != mrOk) return;
    if (RebuildData() != 1) return;
    Info({"データの再構築は適正に行われました。"});
    ShowData();
    Rebuilt = 1;
}

void TDataSyosaiInfoBox::SetDataListLock(bool set)
{
    if (!(ConnectMode == 1 || ConnectMode == 2) || Row.DATALOCK >= 1 || !DM) return;
    try {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("UPDATE DATALIST SET DATALOCK=:DATALOCK WHERE REC=:REC");
        q.ParamByName("DATALOCK").SetInteger(set ? OperatorCodeOf(SystemDef.OpCode, SystemDef.GroupId) : 0);
        q.ParamByName("REC").SetInteger(Row.REC);
        q.ExecQuery();
        g.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TDataSyosaiInfoBox.SetDataListLock", "データリストの更新に失敗しました。");
    }
}

int TDataSyosaiInfoBox::RebuildData()
{
    const TRebuildJob job = GetRebuildJob();
    if (!job || !DM) {
        ShowErrorDetail("「データ再構築」はこのプログラムでは使用できません。", "");
        return 0;
    }
    TDM& dm = *DM;
    const int mode = ConnectMode;
    xAnimeProgressDialog1->SetCaption("再構築中");
    xAnimeProgressDialog1->SetInfoLabel("再構築中、しばらくお待ちください…");
    xAnimeProgressDialog1->SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
    xAnimeProgressDialog1->CancelBtnShow = false;
    xAnimeProgressDialog1->OnShow = nullptr;
    xAnimeProgressDialog1->Execute(this);
    SetDataListLock(true);

    std::string work = SystemDef.WorkDir;
    while (work.size() > 1 && work.back() == '/') work.pop_back();
    for (const std::string& name : {BackupFileName, DataFileName, DataIniFileName}) {
        const std::string f = JoinPath(work, name);
        std::error_code ec;
        if (std::filesystem::exists(f, ec)) std::filesystem::remove(f, ec);
    }
    const bool viaWork = ListType == 1 && RebuildAllowed == 1;
    const std::string source = JoinPath(DataFolder, DataFileName);
    const std::string safety = viaWork ? JoinPath(work, DataFileName) : WithExtension(source, ".fd_");
    const std::string backup =
        WithExtension(JoinPath(mode == 1 || mode == 2 ? DataFolder : work, BackupFileName), ".fb_");
    int result = 0;
    bool keepSafety = false;
    if (!FCopy(dm, source, safety, mode)) {
        xAnimeProgressDialog1->SetAnimeActive(false);
        Info({"データ再構築の前処理（会計データのコピー）に失敗しました。"});
    } else {
        try {
            std::string error;
            if (!job(viaWork ? safety : source, backup, error)) throw std::runtime_error(error);
            if (viaWork && !FCopy(dm, safety, source, mode)) throw std::runtime_error("copy back");
            if (!DataSetOpens(DataFolder)) throw std::runtime_error("the rebuilt database does not open");
            TDataInfomation di;
            di.Mode = static_cast<std::uint8_t>(mode);
            di.SetDataStatus(DataFolder, 1);
            result = 1;
        } catch (const std::exception& e) {
            // Whatever the job left, the data set goes back to the copy taken before it. The
            // worker's own reason follows the message.
            xAnimeProgressDialog1->SetAnimeActive(false);
            std::vector<std::string> lines{"データ再構築の処理に失敗しました。"};
            for (const std::string& l : SplitLines(e.what()))
                if (!l.empty()) lines.push_back(l);
            Info(lines);
            FCopy(dm, safety, source, mode);
            keepSafety = !DataSetOpens(DataFolder);
        }
    }
    if (!keepSafety && FExist(dm, safety, mode)) FDel(dm, safety, mode, false);
    if (FExist(dm, backup, mode)) FDel(dm, backup, mode, false);
    SetDataListLock(false);
    raise();
    xAnimeProgressDialog1->Close();
    show();
    return result;
}

bool TDataSyosaiInfoBox::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return TBSDI::eventFilter(o, e);
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->window() != this || !isVisible()) return TBSDI::eventFilter(o, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F8) {
        if (key == Qt::Key_F7 && e->type() == QEvent::KeyRelease) F7Click();
        return true;
    }
    return TBSDI::eventFilter(o, e);
}

} // namespace kb
