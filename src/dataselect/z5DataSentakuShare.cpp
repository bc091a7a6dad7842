// The data selection's shared data: fetching a data set from its shared-server folder and storing
// it back ("共有取得", "共有保管", and the automatic steps around confirmation and the data
// operations), assigning a shared data set to an empty row through the communication's chooser,
// and the cloud-share settings of a data set ("ｸﾗｳﾄﾞ").

#include "dataselect/z5DataSentaku.h"

#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/DataModuleSysDef.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5DateVersion.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/z5KyoyuData.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5MessageDlg2.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <thread>

namespace kb {

namespace {

int Info(const std::vector<std::string>& lines)
{
    TMessage2InfoRec m;
    InitMessage2Info(2, m);
    for (std::size_t i = 0; i < lines.size() && i < m.Lines.size(); ++i) m.Lines[i].Text = lines[i];
    return MessageDlg2(m);
}

bool AskYesNo(const std::string& text)
{
    return ShowMessage2(3, text, Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) == mrYes;
}

bool Damaged(const std::string& folder, int quiet)
{
    return TDM::CheckDataDamage(SystemDef.HostName, folder, false, quiet) == 0;
}

// The share progress over the form for the life of one transfer.
struct ShareProgress {
    TxAnimeProgressDialog& d;
    QWidget* owner;
    ShareProgress(TxAnimeProgressDialog& dialog, QWidget* form, bool fetch) : d(dialog), owner(form)
    {
        if (d.Running) d.Close();
        d.SetCaption(fetch ? "共有データ受信中" : "共有データ送信中");
        d.SetInfoLabel(fetch ? "共有データから受信中…" : "共有データへ送信中…");
        d.SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
        d.CancelBtnShow = false;
        d.OnShow = nullptr;
        d.Execute(form);
    }
    ~ShareProgress()
    {
        if (d.Running) d.Close();
        owner->raise();
        owner->activateWindow();
    }
};

// The share operations refuse by exception when they may speak; the refusal is shown here.
template <class F>
int Guarded(F&& run)
{
    try {
        return run();
    } catch (const std::exception& e) {
        ShowMessage2(0, e.what(), Btn(TMsgDlgBtn::mbOK));
        return 0;
    }
}

} // namespace

int TDataSentakuBox::GetParentRow(int line) const
{
    if (line < 0 || line >= LineCount() || !Line(line).IsMember()) return line;
    const int index = Line(line).RowIndex;
    for (int i = 0; i < LineCount(); ++i)
        if (Line(i).RowIndex == index && Line(i).ChildIndex < 0) return i;
    return line;
}

namespace {
// The share operations work on the row with its members; their working folders are the local ones.
TDataSentakuRec& ShareRow(TDataSentakuRecArray& rows, int index)
{
    TDataSentakuRec& rec = rows[static_cast<std::size_t>(index)];
    if (rec.DataRec.LOCALPATH.empty()) rec.DataRec.LOCALPATH = DataFolderOf(rec.DataRec);
    for (TDataListRec& child : rec.ChildList)
        if (child.LOCALPATH.empty()) child.LOCALPATH = DataFolderOf(child);
    return rec;
}
} // namespace

void TDataSentakuBox::ShowShareState(int parent, int state)
{
    const int index = Line(parent).RowIndex;
    for (int i = parent; i < LineCount() && Line(i).RowIndex == index; ++i) {
        TGridLine& l = Model->Lines()[static_cast<std::size_t>(i)];
        l.State.ShareState = state;
        l.SharePicture = state == 1 ? 2 : 0;
        Model->LineChanged(i);
    }
}

int TDataSentakuBox::KyoyuDataDownRun(int automatic)
{
    if (automatic != 1 && !AskYesNo("共有データの取得を行います。よろしいですか？")) return 0;
    const int cur = CurrentLine();
    if (cur < 0 || cur == kNoLine) return 0;
    const int parent = GetParentRow(cur);
    const int index = Line(parent).RowIndex;
    if (index < 0 || index >= static_cast<int>(Rows.size())) return 0;
    const std::string folder = RowFolder(parent);
    TDataSentakuRec& rec = ShareRow(Rows, index);
    AllowShareFolder(rec.DataRec.PASNAME);
    int r;
    {
        ShareProgress progress(*xAnimeProgressDialog1, this, true);
        r = Guarded([&] { return KyoyuDataDown(*ListCtl, rec, automatic); });
    }
    if (r == 1) {
        ShowShareState(parent, 2);
        DataListRefresh(cur);
        if (cur < LineCount()) SetCurrentLine(cur, 0);
    } else {
        SetShareStatus(folder, 1);
    }
    return r;
}

int TDataSentakuBox::KyoyuDataUpRun(int automatic)
{
    const int cur = CurrentLine();
    if (cur < 0 || cur == kNoLine) return 0;
    const int parent = GetParentRow(cur);
    const int index = Line(parent).RowIndex;
    if (index < 0 || index >= static_cast<int>(Rows.size())) return 0;
    const std::string folder = RowFolder(parent);
    auto markDamaged = [this](int line, TDataListRec& row) {
        row.DATA_STATUS = 1;
        SaveDataListRow(row);
        LineDamaged(line);
    };
    if (Damaged(folder, automatic)) {
        markDamaged(parent, Rows[static_cast<std::size_t>(index)].DataRec);
        UpdateFunctionKeys();
        return 0;
    }
    TDataSentakuRec& rec = ShareRow(Rows, index);
    bool broken = false;
    if (rec.DataRec.GASSAN == 1 || rec.DataRec.GASSAN == 2) {
        if (rec.DataRec.DATA_STATUS == 1) {
            broken = true;
        } else if (Damaged(rec.DataRec.LOCALPATH, 1)) {
            markDamaged(parent, rec.DataRec);
            broken = true;
        }
        for (std::size_t k = 0; !broken && k < rec.ChildList.size(); ++k) {
            TDataListRec& child = rec.ChildList[k];
            if (child.DATA_STATUS != 1 && !Damaged(child.LOCALPATH, 1)) continue;
            broken = true;
            for (int i = parent + 1; i < LineCount() && Line(i).RowIndex == index; ++i)
                if (Line(i).ChildIndex == static_cast<int>(k)) markDamaged(i, child);
        }
    }
    // A damaged part is never stored over the shared copy, also not by the automatic store.
    if (broken) {
        if (automatic != 1)
            Info({"合算・分散データに破損したデータが存在するため、共有データの保管を中止します。",
                  "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。",
                  "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"});
        UpdateFunctionKeys();
        return 0;
    }
    if (automatic != 1 && !AskYesNo("共有データの保管を行います。よろしいですか？")) return 0;
    AllowShareFolder(rec.DataRec.PASNAME);
    int r;
    {
        ShareProgress progress(*xAnimeProgressDialog1, this, false);
        r = Guarded([&] { return KyoyuDataUp(*ListCtl, rec, automatic); });
    }
    if (r == 1) ShowShareState(parent, 1);
    return r;
}

void TDataSentakuBox::SetShareHeld(int held, int rowIndex)
{
    if (rowIndex < 0 || rowIndex >= static_cast<int>(Rows.size())) return;
    TDataSentakuRec& rec = Rows[static_cast<std::size_t>(rowIndex)];
    const int s = held == 1 ? 2 : 1;
    TDataInfomation di;
    di.Mode = ConnectMode;
    auto mark = [&](TDataListRec& row) {
        row.KYOYULOCK = held;
        SaveDataListRow(row);
        SetShareStatus(DataFolderOf(row), s);
        di.ChangeShareStatus(row.PASNAME, s);
    };
    mark(rec.DataRec);
    if (rec.DataRec.GASSAN == 1 || rec.DataRec.GASSAN == 2)
        for (TDataListRec& child : rec.ChildList) mark(child);
}

bool TDataSentakuBox::FetchSharedBeforeSave()
{
    if (ConnectMode == 1 || ConnectMode == 2) return true;
    const int cur = CurrentLine();
    const TDataListRec* row = cur == kNoLine ? nullptr : RowRecord(cur);
    if (!row || row->NETDRIVE != 1 || row->KYOYULOCK == 1) return true;
    if (KyoyuDataDownRun(1) < 1) return false;
    return KyoyuDataUpRun(1) > 0;
}

void TDataSentakuBox::btnKyoyuDataDownClick()
{
    const int cur = CurrentLine();
    if (cur < 0 || cur == kNoLine) return;
    TDataListRec* row = RowRecord(cur);
    if (!row) return;
    if (row->NETDRIVE == 1) {
        KyoyuDataDownRun(0);
    } else if (!Cell(cur, 3).empty()) {
        ShowMessage2(2, "選択したフォルダには既にデータが登録されています。\r", Btn(TMsgDlgBtn::mbYes));
        return;
    } else {
        TServerChoice choice;
        choice.SharedDrive = Trim(SystemDef.ZenkaiDrive);
        // The chooser opens over this form; hiding a form that runs modally would end its run.
        if (DataTusinLink().ChooseSharedData(this, choice) == 1) {
            const int index = Line(cur).RowIndex;
            const std::string local = RowFolder(cur);
            {
                ShareProgress progress(*xAnimeProgressDialog1, this, true);
                SystemDef.ZenkaiDrive = choice.SharedDrive;
                if (DM) fnPutSysDef(*DM);
                TDataSentakuRec& rec = Rows[static_cast<std::size_t>(index)];
                rec.DataRec.NETDRIVE = 1;
                rec.DataRec.PASNAME = NormalizeDataPath(choice.DataFolder);
                rec.DataRec.LOCALPATH = local;
                rec.DataRec.ENTTEXT = rec.DataRec.DISPNAME = choice.DataName;
                AllowShareFolder(rec.DataRec.PASNAME);
                if (Guarded([&] { return KyoyuDataDown(*ListCtl, rec, 0); }) == 0)
                    SetShareStatus(rec.DataRec.PASNAME, 1);
                ListCtl->GetDataListRecordByPath(local, rec);
                rec.DataRec.LOCALPATH = local;
                GridRowCount = GetParentRow(cur);
                FillGrid(GetDisplayIndex(cur));
                SetCurrentLine(GetParentRow(cur), 0);
            }
        }
        ReselectOnShow = 0;
        show();
    }
    raise();
    UpdateFunctionKeys();
}

void TDataSentakuBox::btnKyoyuDataUpClick()
{
    const int cur = CurrentLine();
    if (ConnectMode == 0 && SyoriType == 2) {
        if (cur < 0 || cur == kNoLine) return;
        const TDataListRec* row = RowRecord(cur);
        if (row && NormalizeDataPath(row->PASNAME) == NormalizeDataPath(SystemDef.DataShareFolder)) {
            Info({"このデータは自分で使用中の為、共有保管は行えません。"});
            return;
        }
    }
    KyoyuDataUpRun(0);
    raise();
    UpdateFunctionKeys();
}

void TDataSentakuBox::btnCloudShareClick()
{
    const int cur = CurrentLine();
    if (cur < 0 || cur == kNoLine || !IsCloudShareMode()) return;
    const int index = Line(cur).RowIndex;
    const std::string folder = RowFolder(cur);
    auto row = [this, cur]() { return RowRecord(cur); };
    auto stop = [this] { UpdateFunctionKeys(); };
    if (!row()) return stop();
    if (ConnectMode == 1 || ConnectMode == 2) {
        int a;
        try {
            a = CheckDataPath(folder);
        } catch (const std::exception&) {
            a = -1;
        }
        if (a != 1) {
            DataListRefresh(cur);
            return stop();
        }
    }
    char version[48];
    std::snprintf(version, sizeof version, "%d.%d.%d", row()->VER_MAJOR, row()->VER_MINOR1, row()->VER_MINOR2);
    if (!IsVersionNewer(version, "11.0.0")) {
        Info({"データバージョンが \"Ver11.0.1\" に達していないため、クラウドシェアはご利用できません。",
              "クラウドシェアを利用するには、データを選択しデータ更新をおこなってください。"});
        return stop();
    }
    if (row()->GASSAN == 1 || row()->GASSAN == 2 || row()->GASSAN == 10) {
        Info({"合算・分散データはクラウドシェアの設定はおこなえません。"});
        return stop();
    }
    if (row()->NETDRIVE == 1 && row()->KYOYULOCK == 0) {
        Info({"共有保管データはクラウドシェアの設定はおこなえません。", "[共有取得]ボタンを押してデータを取得してください。",
              "※[共有データの取得と保管を自動化する]にチェックがある場合は、チェックを外すと[共有取得]ボタンが有効になります。"});
        return stop();
    }
    if (!FetchSharedBeforeSave()) return stop();
    if (Damaged(folder, 0)) {
        if (TDataListRec* r = row()) {
            r->DATA_STATUS = 1;
            SaveDataListRow(*r);
        }
        LineDamaged(cur);
        return stop();
    }
    if (!DM || !SetJobControl(*DM, "SzTusinSettei", "SyoriType=1")) {
        Info({"ログインしたオペレータの処理レベルでは起動が認められていません。",
              "一度、データを選択し、「拡張機能」＞「オペレータ登録」より「処理レベル設定」を開き、",
              "当該レベルの「通信設定」メニューの起動を許可してください。"});
        return stop();
    }
    TDataInfomation di;
    di.Mode = ConnectMode;
    if (!di.IsDataPasswordAuth(folder) || !di.IsDataSiyouKengen(folder)) return stop();

    TCloudShareChoice choice;
    bool saved = false;
    for (;;) {
        // Closed without saving or failed, also after a failed send: nothing is recorded.
        saved = DataTusinLink().ExecuteCloudShare(this, folder, choice) == 0;
        if (!saved) break;
        if (choice.SelectedCloudLine <= 0) break;
        if (choice.AreaIsEmpty != 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            break;
        }
        // The chosen area is empty: this data set goes up first.
        PerfectGrid1->setEnabled(false);
        pnlBottom->setEnabled(false);
        UpdateFunctionKeys();
        const int r = DataTusinLink().CloudShareSend(folder, 0);
        PerfectGrid1->setEnabled(true);
        pnlBottom->setEnabled(true);
        if (r < 1 || r > 9) break;
        Info({"クラウドシェア送信処理でエラーが発生しました。設定画面を開きます。"});
    }
    if (saved) {
        if (TDataListRec* r = row()) {
            r->CLOUD = choice.SelectedCloudLine > 0 ? 1 : 0;
            di.WriteIniValue(folder, kSectionDataInfo, false, r->CLOUD, "CLOUD_SHARE");
            SaveDataListRow(*r);
        }
        DataListRefresh(cur);
        if (const TDataListRec* r = row(); r && r->NETDRIVE == 1 && r->KYOYULOCK == 1) {
            SetCurrentLine(cur, 0);
            if (KyoyuDataUpRun(1) > 0) SetShareHeld(1, index);
        }
    }
    DataListRefresh(cur);
    if (cur < LineCount()) SetCurrentLine(cur, 0);
    PerfectGrid1->setFocus();
    stop();
}

} // namespace kb
