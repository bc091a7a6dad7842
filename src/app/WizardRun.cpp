// TForm1: the wizard's pages 2 to 5, the data-selection loop with its checks, the options, the
// output file, the summary and Finish. The decisions themselves are in WizardPages; the shared-data
// steps in RendoSharedData->

#include "app/MainForm.h"
#include "app/AppDataTusinLink.h"
#include "app/RendoSharedData.h"
#include "app/WizardPages.h"

#include "accounting/DataInfomation.h"
#include "accounting/DataSetUseRecorder.h"
#include "accounting/SitenList.h"
#include "accounting/z5ComMyNumber.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModulePassword.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5DateVersion.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/z5DataSentaku.h"
#include "dbupdate/z5DbUpdateList.h"
#include "linkage/EDataExportError.h"
#include "linkage/XMLSaveDoc.h"
#include "ui/DataPasswordPrompt.h"
#include "ui/MyNumberUi.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/xWizard.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace kb {
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Warn(const std::string& text) { ShowMessage2(0, text, Btn(TMsgDlgBtn::mbOK)); }

// A question of the data-selection loop: the reason lines, then the offer to choose again.
bool AskReselect(const std::vector<std::string>& reasons)
{
    TMessage2InfoRec m;
    InitMessage2Info(3, m);
    std::size_t i = 0;
    for (const std::string& r : reasons)
        if (i + 1 < m.Lines.size()) m.Lines[i++].Text = r;
    m.Lines[i].Text = kReselect;
    return MessageDlg2(m) == mrOk;
}

// What the program installs once for the shared code it calls: the registered data selection,
// the facts loader and the data password prompt (unless a driver installed its own).
void InstallSharedServices()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterDataSelectForms();
    // The cloud-share calls of the selection and the wizard go to the data communication.
    if (!GetDataTusinLink()) {
        static TAppDataTusinLink link;
        SetDataTusinLink(&link);
    }
    SetCloudShareModeSource([] { return IsCloudShareMode(0); });
    // The data selection greys data sets older than the newest accounting update step.
    SetDataVersionCheck(AccountingDataNeedsUpdate);
    if (!GetDataPasswordPrompt()) {
        static TDataPasswordPrompt prompt;
        SetDataPasswordPrompt(&prompt);
    }
    if (!GetMyNumberUi()) {
        static TMyNumberUi myNumberUi;
        SetMyNumberUi(&myNumberUi);
    }
    // Settings a stopped backup left cleared are put back when their data set is next connected.
    if (!DataConnectedHook) DataConnectedHook = RepairMyNumberSetting;
    SetMessageLinesHook([](const std::string& text, TMessageLinesKind kind) {
        ShowMessage2(kind == TMessageLinesKind::Error ? 1 : kind == TMessageLinesKind::Warning ? 0 : 2, text,
                     Btn(TMsgDlgBtn::mbOK));
    });
}

// The folders whose contents the file operations (share copies) may replace: the data root of the
// settings just read. Shared folders join as they are used.
void InstallSafeRoots()
{
    std::vector<fs::path> roots = SafeRoots();
    for (const std::string& d : {SystemDef.SysDir, SystemDef.AppDataDir, SystemDef.TempDir}) {
        if (d.empty() || !fs::path(d).is_absolute()) continue;
        if (std::find(roots.begin(), roots.end(), fs::path(d)) == roots.end()) roots.emplace_back(d);
    }
    SetSafeRoots(std::move(roots));
}

// The use recorder works on the one data module, which the initialisation creates.
void InstallUseRecorder()
{
    static TDM* boundTo = nullptr;
    static std::unique_ptr<TDataSetUseRecorder> recorder;
    if (!DM || boundTo == DM) return;
    recorder = std::make_unique<TDataSetUseRecorder>(*DM);
    SetDataSetUseRecorder(recorder.get());
    boundTo = DM;
}

bool ConnectAndRead()
{
    if (!DM) return false;
    try {
        if (!DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, true)) return false;
        return fnGetAccInfo(*DM);
    } catch (const std::exception& e) {
        std::cerr << "connect " << SystemDef.DataDir << ": " << e.what() << "\n";
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------- pages

void TForm1::BuildRunPages()
{
    InstallSharedServices();

    page2 = new QWidget;
    page2->setObjectName(QStringLiteral("page2"));
    lblPage2 = new QLabel(page2);
    lblPage2->setObjectName(QStringLiteral("Label2a"));
    lblPage2->setWordWrap(true);
    btnDataSelect = new QPushButton(QStringLiteral("データ選択を開く"), page2);
    btnDataSelect->setObjectName(QStringLiteral("btnDataSentaku"));
    listDataInfo = new QTreeWidget(page2);
    listDataInfo->setObjectName(QStringLiteral("listDataInfo"));
    listDataInfo->setColumnCount(2);
    listDataInfo->setHeaderHidden(true);
    listDataInfo->setRootIsDecorated(false);
    listDataInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    listDataInfo->setColumnWidth(0, 150);
    listDataInfo->setColumnWidth(1, 261);
    auto* label2c = new QLabel(QStringLiteral("対象のデータが正しく指定されているか確認し、[次へ]をクリックしてください。"), page2);
    label2c->setObjectName(QStringLiteral("Label2c"));
    label2c->setWordWrap(true);
    auto* l2 = new QVBoxLayout(page2);
    l2->addWidget(lblPage2);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(btnDataSelect);
    row2->addStretch();
    l2->addLayout(row2);
    l2->addWidget(listDataInfo, 1);
    l2->addWidget(label2c);

    page3 = new QWidget;
    page3->setObjectName(QStringLiteral("page3"));
    Label3a = new QLabel(page3);
    Label3b = new QLabel(page3);
    // The period group shows nothing this product lets the user change; it stays hidden.
    auto* groupBox3a = new QGroupBox(QStringLiteral("計算対象期間"), page3);
    groupBox3a->setObjectName(QStringLiteral("GroupBox3a"));
    groupBox3a->hide();
    GroupBox3c = new QGroupBox(QStringLiteral("所得種類（一般）"), page3);
    GroupBox3c->setObjectName(QStringLiteral("GroupBox3c"));
    RadioButton3c = new QRadioButton(QStringLiteral("営業所得用"), GroupBox3c);
    RadioButton3d = new QRadioButton(QStringLiteral("その他所得用"), GroupBox3c);
    auto* lc = new QHBoxLayout(GroupBox3c);
    lc->addWidget(RadioButton3c);
    lc->addWidget(RadioButton3d);
    lc->addStretch();
    GroupBox3c->hide();
    GroupBox3b = new QGroupBox(QStringLiteral("消費税計算区分"), page3);
    GroupBox3b->setObjectName(QStringLiteral("GroupBox3b"));
    RadioButton3a = new QRadioButton(QStringLiteral("税込み"), GroupBox3b);
    RadioButton3b = new QRadioButton(QStringLiteral("税抜き"), GroupBox3b);
    auto* lb = new QHBoxLayout(GroupBox3b);
    lb->addWidget(RadioButton3a);
    lb->addWidget(RadioButton3b);
    lb->addStretch();
    grpTaisyou = new QGroupBox(QStringLiteral("連動対象項目"), page3);
    grpTaisyou->setObjectName(QStringLiteral("GroupSyotokuRendo"));
    chkDetails = new QCheckBox(QStringLiteral("「給料賃金の内訳」を始めとした情報を含める"), grpTaisyou);
    chkDetails->setObjectName(QStringLiteral("checkSinkokuUtiwake"));
    auto* lg = new QVBoxLayout(grpTaisyou);
    lg->addWidget(chkDetails);
    grpTaisyou->setVisible(false);
    auto* l3 = new QVBoxLayout(page3);
    l3->addWidget(Label3a);
    l3->addWidget(groupBox3a);
    l3->addWidget(GroupBox3c);
    l3->addWidget(GroupBox3b);
    l3->addWidget(grpTaisyou);
    l3->addStretch();
    l3->addWidget(Label3b);

    page4 = new QWidget;
    page4->setObjectName(QStringLiteral("page4"));
    lblPage4 = new QLabel(page4);
    lblPage4->setObjectName(QStringLiteral("Label4a"));
    lblPage4->setWordWrap(true);
    auto* label4b = new QLabel(QStringLiteral("中間ファイル名が正しく指定されているか確認し、[次へ]をクリックしてください。"), page4);
    label4b->setWordWrap(true);
    auto* groupBox4a = new QGroupBox(QStringLiteral("中間ﾌｧｲﾙ"), page4);
    txtExportFile = new QLineEdit(groupBox4a);
    txtExportFile->setObjectName(QStringLiteral("Edit4a"));
    BitBtn4a = new QPushButton(QStringLiteral("参照"), groupBox4a);
    BitBtn4a->setObjectName(QStringLiteral("BitBtn4a"));
    auto* l4a = new QHBoxLayout(groupBox4a);
    l4a->addWidget(txtExportFile, 1);
    l4a->addWidget(BitBtn4a);
    auto* l4 = new QVBoxLayout(page4);
    l4->addWidget(lblPage4);
    l4->addWidget(groupBox4a);
    l4->addStretch();
    l4->addWidget(label4b);

    page5 = new QWidget;
    page5->setObjectName(QStringLiteral("page5"));
    Memo5a = new QPlainTextEdit(page5);
    Memo5a->setObjectName(QStringLiteral("Memo5a"));
    Memo5a->setReadOnly(true);
    Memo5a->setFrameShape(QFrame::NoFrame);
    Memo5a->setPlainText(QStringLiteral("以上で設定が完了しました。\n内容を確認し、よろしければ[完了]をクリックしてください。"));
    Memo5a->setMaximumHeight(Memo5a->fontMetrics().height() * 3);
    Memo5b = new QPlainTextEdit(page5);
    Memo5b->setObjectName(QStringLiteral("Memo5b"));
    Memo5b->setReadOnly(true);
    Memo5b->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo5b->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo5b->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* l5 = new QVBoxLayout(page5);
    l5->addWidget(Memo5a);
    l5->addWidget(Memo5b, 1);

    xAnimeProgressDialog1 = new TxAnimeProgressDialog(this);
    SharedData = std::make_unique<TRendoSharedData>();
    SharedData->DataConnected = &DataConnected;
    SharedData->ShowProgress = [this](const std::string& c, const std::string& t) { ShowProgress(c, t); };
    SharedData->CloseProgress = [this] { CloseProgress(); };
}

void TForm1::ShowProgress(const std::string& caption, const std::string& text)
{
    xAnimeProgressDialog1->SetCaption(caption);
    xAnimeProgressDialog1->SetInfoLabel(text);
    xAnimeProgressDialog1->SetAviFile(SystemDef.ExeDir + "/progress.avi");
    xAnimeProgressDialog1->CancelBtnShow = false;
    xAnimeProgressDialog1->Execute(this);
    QCoreApplication::processEvents();
}

void TForm1::CloseProgress()
{
    if (xAnimeProgressDialog1->Running) xAnimeProgressDialog1->Close();
}

void TForm1::DisconnectData(bool recordUseEnd)
{
    if (DM && DM->IBDatabaseDAT.Connected()) DM->fnAccDatDisConnected(SystemDef.DataDir, recordUseEnd, false);
    DataConnected = false;
}

int TForm1::AcquireData() { return SharedData->AcquireData(); }
int TForm1::ReleaseData() { return SharedData->ReleaseData(); }
int TForm1::SendSharedData() { return SharedData->SendSharedData(); }
int TForm1::DataTusinCheck(int direction) { return SharedData->DataTusinCheck(direction); }

// ---------------------------------------------------------------- data selection

bool TForm1::DataSentaku(int syoriType, bool open)
{
    (void)open; // the selection always opens here (it is the button's only use)
    InstallUseRecorder();
    InstallSafeRoots();
    const std::string params = "SyoriType=" + std::to_string(syoriType) + "\rJyokenSet=1\rDataType=2\rCodeType=0\rDataVerMajor=" +
                               (ExportObject ? ExportObject->DataVerMajor : std::string("15"));
    const std::string required = ExportObject ? ExportObject->RequiredVersion : std::string("15.0.0");
    bool chosen = false;
    bool release = true; // sub-step 1 runs (again)
    while (true) {
        // 1. let go of the data set chosen before
        if (release && DataChosen) {
            DisconnectData(true);
            ReleaseData();
        }
        release = false;
        // 2.
        const int r = OpenRegisteredFormHook ? OpenRegisteredFormHook("SzDataSenkaku", 1, params) : -1;
        // 3.
        if (r != 1) {
            if (DataChosen) {
                SystemDef.DataDir = LastDataDir;
            } else {
                LastDataDir.clear();
                SystemDef.DataDir.clear();
            }
        }
        // 4.
        if (SystemDef.DataDir.empty()) break;
        // 5.
        if (!ConnectAndRead()) {
            if (AskReselect({kConnectFailed})) continue;
            break;
        }
        // 6.
        if (AcquireData() < 1) {
            SystemDef.DataDir = LastDataDir;
            continue;
        }
        // 7.
        DataChosen = true;
        ShowProgress("接続中", "会計データに接続中です…");
        if (!ConnectAndRead()) {
            CloseProgress();
            if (AskReselect({kConnectFailed})) {
                release = true;
                continue;
            }
            break;
        }
        DataConnected = true;
        // 8.
        TDataCheckSteps steps;
        steps.DataVersion = [] {
            std::string v;
            fnGetDataBaseVer(*DM, v);
            return v;
        };
        steps.CheckDataPassword = [] { return CheckDataPassword(); };
        steps.OperatorMayUse = [] { return fnGetExistsOpeDefSisetu(*DM); };
        steps.HasAllBranchRights = [] { return CheckSitenRange(*DM, SystemDef.OpCode); };
        std::optional<std::vector<std::string>> refusal;
        try {
            refusal = RunDataChecks(steps, required);
        } catch (const std::exception& e) {
            refusal = std::vector<std::string>{e.what()};
        }
        CloseProgress();
        if (refusal) {
            const bool again = AskReselect(*refusal);
            DisconnectData(true);
            if (again) {
                release = true;
                continue;
            }
            break;
        }
        // 9.
        LastDataDir = SystemDef.DataDir;
        chosen = true;
        break;
    }
    if (!chosen && DataChosen) {
        DisconnectData(true);
        ReleaseData();
        // Released: nothing is chosen now, so a later selection does not return it a second time.
        DataChosen = false;
        LastDataDir.clear();
    }
    return chosen;
}

void TForm1::btnDataSentakuClick()
{
    const bool chosen = DataSentaku(3, true);
    listDataInfo->clear();
    if (chosen) {
        std::string kind = AccInf.DataTypeName;
        if (!AccInf.CodeTypeName.empty()) kind += "／" + AccInf.CodeTypeName;
        const std::pair<std::string, std::string> rows[] = {
            {"データ区分", kind},
            {AccInf.DATATYPE == 1 || AccInf.DATATYPE == 3 ? "会社名" : "データ名", AccInf.SHOUGOU},
            {"会計年度", std::to_string(AccInf.NENDO) + "期"},
            {"会計期間", KikanToStr(AccInf.KISHU, AccInf.KIMATU, false)},
        };
        for (const auto& [k, v] : rows) listDataInfo->addTopLevelItem(new QTreeWidgetItem({Q(k), Q(v)}));
    }
    if (!DataConnected || SystemDef.DataDir.empty()) {
        listDataInfo->clear();
        DisconnectData(true);
    }
}

// ---------------------------------------------------------------- page moves

void TForm1::Wizard1PageChanged()
{
    if (Wizard->currentWidget() == page2 && listDataInfo->topLevelItemCount() == 0) btnDataSelect->setFocus();
}

bool TForm1::CheckSelectedData()
{
    // 1.
    if (SystemDef.DataDir.empty() || listDataInfo->topLevelItemCount() == 0) {
        Warn(kNoDataChosen);
        btnDataSelect->setFocus();
        return false;
    }
    // 2. the data set's periods and tax mode
    Stno = AccInf.KaisiKikanIdx;
    LastNo = AccInf.KimatuKikanNo >= 15 ? 15 : std::max(0, AccInf.KimatuKikanNo - 1);
    Edno = LastNo;
    (AccInf.TAXDEFUH == 1 ? RadioButton3b : RadioButton3a)->setChecked(true);
    // 3.
    TSyotokuzeiDataExport& e = *ExportObject;
    e.DataFolder = SystemDef.DataDir;
    e.KomonsakiName = AccInf.SHOUGOU;
    e.Nendo = AccInf.NENDO;
    e.JigyouNendoFrom = AccInf.KISHU;
    e.JigyouNendoTo = AccInf.KIMATU;
    e.ClosingDay = AccInf.SIME;
    e.Stno = Stno;
    e.Edno = Edno;
    e.LastNo = LastNo;
    e.TaxMode = AccInf.TAXDEFUH;
    e.DataType = AccInf.DATATYPE;
    e.CodeType = AccInf.CODETYPE;
    e.SyotokuSyurui = SyotokuSyuruiOf(AccInf.DATATYPE, AccInf.CODETYPE, false);
    // 4.
    if (AccInf.DATATYPE != 2) {
        Warn(kNotIndividualData);
        return false;
    }
    // 5. the options page for the kind of income
    Label3a->setText(QStringLiteral("連動情報を指定してください。"));
    Label3b->setText(QStringLiteral("正しく指定されているか確認し、[次へ]をｸﾘｯｸしてください。"));
    GroupBox3b->setEnabled(false);
    RadioButton3c->setChecked(true);
    const TOptionsLayout layout = OptionsLayoutOf(e.SyotokuSyurui);
    GroupBox3c->setVisible(layout.IncomeGroupVisible);
    chkDetails->setText(Q(layout.DetailsCaption));
    return true;
}

void TForm1::Wizard1NextClicking(bool final, bool& allow)
{
    (void)final;
    QWidget* page = Wizard->currentWidget();
    if (page == page2) {
        allow = CheckSelectedData();
    } else if (page == page3) {
        if (!page4) MakeSummary();
    } else if (page4 && page == page4) {
        const std::string refusal = CheckExportFile(txtExportFile->text().toStdString(), DocumentsDir);
        if (!refusal.empty()) {
            Warn(refusal);
            btnNext->setText(QStringLiteral("次へ(&N) >"));
            allow = false;
            return;
        }
        MakeSummary();
    }
}

void TForm1::BitBtn4aClick()
{
    const std::string current = txtExportFile->text().toStdString();
    std::string chosen;
    if (SaveDialogHook) {
        chosen = SaveDialogHook(current);
    } else {
        QString preset = Q(DocumentsDir);
        if (!current.empty() && QFileInfo::exists(Q(current))) preset = Q(current);
        chosen = QFileDialog::getSaveFileName(this, QStringLiteral("中間ﾌｧｲﾙの指定"), preset,
                                              QStringLiteral("中間ﾌｧｲﾙ (*.xml *.XML);;すべてのﾌｧｲﾙ(*)"))
                     .toStdString();
        if (!chosen.empty() && fs::path(chosen).extension().empty()) chosen += ".xml";
    }
    if (!chosen.empty()) txtExportFile->setText(Q(chosen));
}

void TForm1::MakeSummary()
{
    TSyotokuzeiDataExport& e = *ExportObject;
    // 5. the options
    if ((e.SyotokuSyurui == 1 || e.SyotokuSyurui == 2) && GroupBox3c->isVisibleTo(page3))
        e.SyotokuSyurui = RadioButton3d->isChecked() ? 2 : 1;
    e.WithDetails = chkDetails->isChecked();
    // 6.
    e.Stno = Stno;
    e.Edno = Edno;
    e.LastNo = LastNo;
    e.TaxMode = RadioButton3a->isChecked() ? 0 : 1;
    TSummaryInput in;
    in.KomonsakiName = e.KomonsakiName;
    in.Nendo = e.Nendo;
    in.JigyouNendoFrom = e.JigyouNendoFrom;
    in.JigyouNendoTo = e.JigyouNendoTo;
    in.ClosingDay = e.ClosingDay;
    in.SyotokuSyurui = e.SyotokuSyurui;
    in.Stno = e.Stno;
    in.Edno = e.Edno;
    in.LastNo = e.LastNo;
    in.TaxMode = e.TaxMode;
    in.StartedByUser = page4 != nullptr;
    in.DocumentsDir = DocumentsDir;
    // 7.
    if (page4) {
        in.ExportFileText = txtExportFile->text().toStdString();
        e.ExportFile = in.ExportFileText;
    }
    QStringList lines;
    for (const std::string& l : kb::MakeSummary(in)) lines << Q(l);
    Memo5b->setPlainText(lines.join('\n'));
}

// ---------------------------------------------------------------- Finish

int TForm1::MakeRendoFile()
{
    int result = kRendoFailed;
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    try {
        ExportObject->SetSystemNode(doc);
        ExportObject->SetBasicNode(doc);
        ExportObject->WriteData(doc);
        doc.SaveToFile(ResolveExportFile(ExportObject->ExportFile, DocumentsDir));
        result = kRendoWritten;
    } catch (const EDataExportError& err) {
        xAnimeProgressDialog1->SetAnimeActive(false);
        ShowMessage2(1, std::string(err.what()) + "\r" + err.Location + "\r", Btn(TMsgDlgBtn::mbOK));
    }
    return result;
}

void TForm1::Wizard1NextClick(bool final)
{
    if (!final) return;
    ShowProgress("連動データの作成中", "連動データの作成中です…");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int result = kRendoFailed;
    std::string reason;
    try {
        result = MakeRendoFile();
    } catch (const std::exception& ex) {
        // Saving (folder gone, no right, disk full ...) and other failures: the run failed. The
        // user reads the reason in Japanese; the system's own text goes to the log.
        std::cerr << "MakeRendoFile: " << ex.what() << "\n";
        const std::string file = ResolveExportFile(ExportObject->ExportFile, DocumentsDir);
        const auto* sys = dynamic_cast<const std::system_error*>(&ex);
        reason = WriteFailureText(file, sys ? sys->code().value() : DiagnoseWriteFailure(file));
    }
    CloseProgress();
    QApplication::restoreOverrideCursor();
    const TFinishOutcome o = FinishOutcomeOf(result, CallerWindow == 0);
    if (o.MessageKind >= 0) ShowMessage2(o.MessageKind, o.Message, Btn(TMsgDlgBtn::mbOK));
    if (!reason.empty()) ShowMessage2(1, reason, Btn(TMsgDlgBtn::mbOK));
    if (result != kRendoWritten) {
        // A failed run leaves the linkage settings file as it was: the next start offers the file
        // and client of the last run that worked.
        ExportObject->ExportFile = iniExportFile_;
        ExportObject->KomonsakiName = iniKomonsaki_;
    }
    Outcome = o.Outcome;
    if (OnFinished) OnFinished(Outcome);
    close();
}

} // namespace kb
