// TDataSentakuBox: saving a data set as a backup file (F6), restoring one over a line (F7), and the
// take-out and bring-back of client/server mode (F3), whose nested selection runs the same two.

#include "dataselect/z5DataSentaku.h"

#include "accounting/BackupRestoreThread.h"
#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/DataModuleSysDef.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ServerFile.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/z5ComCloudShare.h"
#include "dataselect/z5FileOperation.h"
#include "dataselect/z5WhichDataSet.h"
#include "platform/ShellFolders.h"
#include "platform/TempFiles.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QTableView>

#include <filesystem>

namespace kb {

namespace {

constexpr std::uint32_t kRed = 0x0000FF;
const char* const kRefusedWorkFolder = "このフォルダは選択出来ません。他の場所を選んで下さい。";
const char* const kInUseRestore = "このデータは他のオペレータが使用中のため復元処理は行えません。";

int Info(const std::string& text) { return ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }
bool Ask(const std::string& text) { return ShowMessage2(3, text, Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) == mrYes; }
void Warn(const std::string& text) { ShowMessage2(0, text, Btn(TMsgDlgBtn::mbOK)); }

// The work folder is refused as a location by its canonical path, so another spelling of it
// ("a/../temp", a trailing "/", a link) is refused too.
bool IsWorkFolder(const std::string& folder)
{
    if (SystemDef.WorkDir.empty() || folder.empty()) return false;
    std::error_code e1, e2;
    const auto a = std::filesystem::weakly_canonical(folder, e1);
    const auto b = std::filesystem::weakly_canonical(SystemDef.WorkDir, e2);
    if (e1 || e2) return NormalizeDataPath(folder) == NormalizeDataPath(SystemDef.WorkDir);
    return NormalizeDataPath(a.string()) == NormalizeDataPath(b.string());
}

std::string LocationHintSave()
{
    return "ﾃﾞｰﾀを保存する場所を選択します。変更する場合は［参照］を押してください。|ﾃﾞｰﾀを保存する場所を選択します。\r\n"
           "前回保存又は復元を行った場所を初期値として表示しています。それ以前の場所もリストから選択できます。その他の場所を指定する場合は［参照］を押してください。\r\n"
           "［OK］を押すと処理を実行します。";
}

std::string LocationHintRestore()
{
    return "ﾃﾞｰﾀが保存されている場所を選択します。変更する場合は［参照］を押してください。|ﾃﾞｰﾀが保存されている場所を選択します。\r\n"
           "前回保存又は復元を行った場所を初期値として表示しています。それ以前の場所もリストから選択できます。その他の場所を指定する場合は［参照］を押してください。\r\n"
           "［OK］を押すと処理を実行します。";
}

// The common set-up of both location dialogs.
void SetUpLocationBox(TFileOperationBox& b, int kind, const std::string& caption, const std::string& message,
                      const std::string& hint)
{
    b.Kind = kind;
    b.UseHistory = 1;
    b.HistoryFolder = SystemDef.IniDir;
    b.HistoryFileName = "history.ini";
    b.HistorySection = "DataBackFolder";
    b.CaptionText = caption;
    b.Message = message;
    b.MessageColor = kRed;
    b.LocationLabel = "保存先の場所:";
    b.DefaultFolder = SystemDef.DocumentsDir;
    b.FileName.clear();
    b.LocationHint = hint;
    b.FileNameHint.clear();
    b.DefaultExt.clear();
    b.FilterName.clear();
}

void ShowProgress(TxAnimeProgressDialog& p, QWidget* owner, const std::string& caption, const std::string& label)
{
    p.SetCaption(caption);
    p.SetInfoLabel(label);
    p.SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
    p.CancelBtnShow = false;
    p.OnShow = nullptr;
    p.Execute(owner);
}

// The job's trailer values from a data set's facts.
void SetTrailer(TBackupRestoreThread& job, const TDataInfomationRec& f)
{
    job.ClearZoneInfo();
    job.SHOUGOU = f.SHOUGOU;
    job.KISHU = f.KISHU;
    job.KIMATU = f.KIMATU;
    job.SIWAKE = f.SIWAKE;
    job.TOTALSIWAKE = f.TOTALSIWAKE;
    job.DATAVARSION = std::to_string(f.MAJOR) + "." + std::to_string(f.MINOR1) + "." + std::to_string(f.MINOR2);
    job.GASSAN = f.GASSANKBN;
    job.USEMYNUMBER = f.USEMYNUMBER;
}

// The incoming facts as the destination check compares them, from the job's trailer values.
TDataFolderInfoRec FactsOfTrailer(const TBackupRestoreThread& job)
{
    TDataFolderInfoRec r;
    r.SHOUGOU = job.SHOUGOU;
    r.KISHU = job.KISHU;
    r.KIMATU = job.KIMATU;
    r.SIWAKE = job.SIWAKE;
    r.TOTALSIWAKE = job.TOTALSIWAKE;
    r.VERSION2 = job.DATAVARSION;
    r.GASSANKBN = job.GASSAN;
    return r;
}

TIncomingDataRec IncomingOf(const TDataInfomationRec& f)
{
    TIncomingDataRec r;
    r.SHOUGOU = f.SHOUGOU;
    r.KISHU = Date::Parse(f.KISHU).value_or(Date{});
    r.KIMATU = Date::Parse(f.KIMATU).value_or(Date{});
    r.VER_TEXT = f.VERSION2;
    r.GASSAN = f.GASSANKBN;
    return r;
}

} // namespace

// ---- saving ----------------------------------------------------------------------------------

int TDataSentakuBox::SaveData(const std::string& target)
{
    const int line = CurrentLine();
    if (line < 0 || line == kNoLine || !RowRecord(line) || !DM) return 0;
    if (!FetchSharedBeforeSave()) return 0;
    TDataListRec& r = *RowRecord(line);
    const std::string folder = RowFolder(line);
    TDM& dm = *DM;

    if (IsCloudShareMode() && r.CLOUD == 1) {
        IDataTusinLink* link = GetDataTusinLink();
        int c = link ? link->CloudShareReceive(folder, 0) : 1;
        if (link && AppKind == 0 && c == 0) c = link->ReleaseCloudShare(folder);
        if (c >= 1 && c <= 9) {
            DataListRefresh(line);
            return 0;
        }
    }
    if (TDM::CheckDataDamage(SystemDef.HostName, folder, false, 0) == 0) {
        r.DATA_STATUS = 1;
        DataListRefresh(line);
        return 0;
    }
    const int s = CheckDataStatus(folder, true, true);
    if (s != 1) {
        if (ConnectMode == 0 || s != 2) return 0;
        if (!Ask("このデータは他のオペレータが使用中です。保存しますか？")) return 0;
    }
    TDataInfomation di(dm);
    di.Mode = ConnectMode;
    if (!di.IsDataSiyouKengen(folder)) {
        DataListRefresh(line);
        return 0;
    }

    std::string location;
    while (true) {
        if (!target.empty()) {
            location = NormalizeDataPath(target);
            const std::string old = JoinPath(location, BackupFileName);
            if (FExist(dm, old, 0)) FDel(dm, old, 0, false);
        } else {
            if (!FileOperationBox) FileOperationBox = new TFileOperationBox(this);
            SetUpLocationBox(*FileOperationBox, 3, "データの保存", "選択中のデータを保存します。", LocationHintSave());
            FileOperationBox->InitDisplay(1);
            if (FileOperationBox->exec() != mrOk) return 0;
            location = NormalizeDataPath(FileOperationBox->Result);
        }
        if (!IsWorkFolder(location)) break;
        Info(kRefusedWorkFolder);
        if (!target.empty()) return 0; // a given target would be refused at every turn
    }
    std::error_code made;
    std::filesystem::create_directories(location, made);
    if (made || !std::filesystem::is_directory(location)) {
        Info("バックアップフォルダの作成に失敗しました。");
        return 0;
    }
    const std::string backup = JoinPath(location, BackupFileName);
    if (target.empty() && FExist(dm, backup, 0) &&
        !Ask("この場所には、同じ名前のバックアップファイルが既に存在します。\r上書きしますか？"))
        return 0;

    SetDataStatus(folder, 4);
    ShowProgress(*xAnimeProgressDialog1, this, "保存中", "保存中、しばらくお待ちください…");
    int result = -1;
    try {
        DataListRefresh(line);
        TDataInfomationRec facts;
        TDataInfomation::ClearDataInfoRec(facts);
        di.ReadDataInfoFromFolder(folder, facts);
        TBackupRestoreThread job(dm);
        job.ProcessName = "データ選択";
        job.Mode = 0;
        job.Route = ConnectMode == 0 ? 0 : 1;
        job.HostName = SystemDef.HostName;
        job.DatabaseFile = JoinPath(folder, DataFileName);
        job.BackupFile = backup;
        SetTrailer(job, facts);
        job.WriteZone = 1;
        job.AskMyNumber = 1;
        job.IncludeMyNumber = 1;
        if (RunBackupRestoreJob(job, "TDataSentakuBox.SaveData")) {
            result = 1;
        } else {
            xAnimeProgressDialog1->Close();
            Warn(JobErrorText(job));
        }
    } catch (...) {
        raise();
        xAnimeProgressDialog1->Close();
        SetDataStatus(folder, 1);
        throw;
    }
    // The desktop shows new files by itself here: nothing to post.
    raise();
    xAnimeProgressDialog1->Close();
    SetDataStatus(folder, 1);
    show();
    if (line < LineCount()) Model->LineChanged(line);
    return result;
}

// ---- restoring -------------------------------------------------------------------------------

int TDataSentakuBox::RestoreData(const std::string& source, int /*cloud*/)
{
    const int line = CurrentLine();
    if (line < 0 || line == kNoLine || !RowRecord(line) || !DM) return 0;
    TDM& dm = *DM;
    TDataListRec* r = RowRecord(line);
    const std::string D = RowFolder(line);
    const int rowIndex = Line(line).RowIndex;
    const int loadedKind = r->GASSAN;
    const int loadedChildren =
        rowIndex >= 0 && rowIndex < static_cast<int>(Rows.size()) ? Rows[static_cast<std::size_t>(rowIndex)].ChildCount : 0;
    const bool serverMode = ConnectMode == 1 || ConnectMode == 2;

    bool damaged = false;
    if (r->DATA_STATUS == 1) {
        dm.fnAccDatDisConnected(D, false, false);
        damaged = true;
    } else if ((!IsZeroDate(r->KISHU) || !IsZeroDate(r->KIMATU)) &&
               TDM::CheckDataDamage(SystemDef.HostName, D, false, 0) == 0) {
        r->DATA_STATUS = 1;
        DataListRefresh(line);
        damaged = true;
    } else {
        if (IsCloudShareMode() && r->CLOUD == 1) {
            Info("クラウドシェアデータのため復元処理は行えません。");
            return 0;
        }
        const int s = CheckDataStatus(D, false, true);
        if (s != 1) {
            if (serverMode && s == 2) Info(kInUseRestore);
            return 0;
        }
        TDataInfomation di(dm);
        di.Mode = ConnectMode;
        if (!di.IsDataSiyouKengen(D)) return 0;
    }

    std::string location;
    int routeKind = 0;
    while (true) {
        if (!source.empty()) {
            location = NormalizeDataPath(source);
            routeKind = 0;
            break;
        }
        if (!FileOperationBoxEx1) FileOperationBoxEx1 = new TFileOperationBoxEx1(this);
        TFileOperationBoxEx1& b = *FileOperationBoxEx1;
        SetUpLocationBox(b, 2, "データの復元",
                         "指定された保存先の場所にバックアップファイルがある場合は、商号、会計期間および仕訳数をチェックし、条件が満たされれば復元されます。",
                         LocationHintRestore());
        b.SetSelect1Caption("保存先の場所を選択して復元する");
        b.SetSelect2Caption("プログラムの既定の保存先の場所より復元する");
        b.SetSelectKind(1);
        b.InitDisplay(1);
        if (b.exec() != mrOk) return 0;
        if (b.Choice == 2) {
            location = D;
            routeKind = ConnectMode;
            break;
        }
        location = NormalizeDataPath(b.Result);
        routeKind = 0;
        if (!IsWorkFolder(location)) break;
        Info(kRefusedWorkFolder);
    }
    {
        const int s = CheckDataStatus(D, false, true);
        if (s != 1 && s != 10) {
            if (serverMode && s == 2) Info(kInUseRestore);
            return 0;
        }
    }
    std::string B = JoinPath(location, BackupFileName);
    if (!FExist(dm, B, routeKind)) {
        Info("この場所には、バックアップファイル(" + BackupFileName + ")がありませんでした。");
        return 0;
    }

    ShowProgress(*xAnimeProgressDialog1, this, "復元中", "復元中、しばらくお待ちください…");
    std::string serverWork; // the per-operator work folder of a server-side restore
    // Every exit from here: the lock, the status and the dialog come back.
    struct Cleanup {
        TDataSentakuBox& box;
        TDM& dm;
        int line;
        std::string D, *serverWork;
        bool serverMode;
        ~Cleanup()
        {
            try {
                if (!serverWork->empty() && DExist(dm, *serverWork, ConnectMode)) RmDir(dm, *serverWork, ConnectMode, false);
                if (serverMode && line < box.LineCount()) {
                    if (TDataListRec* r = box.RowRecord(line)) {
                        r->DATALOCK = 0;
                        box.SaveDataListRow(*r);
                    }
                    box.DataListRefresh(line);
                }
                box.raise();
                box.xAnimeProgressDialog1->Close();
                if (DExist(dm, D, ConnectMode)) box.SetDataStatus(D, 1);
                box.show();
            } catch (const std::exception& e) {
                LogJobError("TDataSentakuBox.RestoreData", "", "clean-up", e.what());
            }
        }
    } cleanup{*this, dm, line, D, &serverWork, serverMode};
    if (serverMode) {
        r->DATALOCK = SystemDef.OpCode;
        SaveDataListRow(*r);
    }

    std::string W = NormalizeDataPath(SystemDef.WorkDir);
    for (const std::string& name : {BackupFileName, DataFileName, DataIniFileName}) {
        const std::string f = JoinPath(W, name);
        if (FExist(dm, f, 0)) FDel(dm, f, 0, false);
    }
    TBackupRestoreThread job(dm);
    job.ProcessName = "データ選択";
    bool trailerFound = false;
    if (routeKind != 0) {
        std::string dir = ServerTempDirName;
        while (!dir.empty() && dir.front() == '/') dir.erase(0, 1);
        serverWork = "/" + NormalizeDataPath(dir) + "/" + std::to_string(SystemDef.OpNo);
        if (!DExist(dm, serverWork, ConnectMode)) MkDir(dm, serverWork, ConnectMode);
        W = serverWork;
    } else {
        // Only read from the chosen folder: a plain copy into the work folder (the safe roots
        // guard what may be replaced or deleted, not what may be read).
        std::error_code copied;
        std::filesystem::copy_file(B, JoinPath(W, BackupFileName), std::filesystem::copy_options::overwrite_existing, copied);
        if (copied) {
            Info("ワーク領域にファイルをコピー出来なかったため、復元処理は失敗しました。");
            return 0;
        }
        B = JoinPath(W, BackupFileName);
        trailerFound = job.ReadZoneInfo(B, true);
    }

    bool ok = true;
    bool compared = false;
    if (!damaged) {
        if (FExist(dm, JoinPath(D, DataFileName), ConnectMode)) {
            xAnimeProgressDialog1->SetInfoLabel("照合チェック中、しばらくお待ちください…");
            TDataFolderInfoRec incoming;
            if (trailerFound) {
                incoming = FactsOfTrailer(job);
                ok = CheckDestination("復元", incoming, D);
            } else {
                // The backup's facts come from a trial restore into the work folder.
                TBackupRestoreThread trial(dm);
                trial.ProcessName = "データ選択";
                trial.Mode = 1;
                trial.Route = ConnectMode == 0 ? 0 : 1;
                trial.HostName = routeKind != 0 ? SystemDef.HostName : "127.0.0.1";
                if (routeKind != 0) trial.Route = 0;
                trial.DatabaseFile = JoinPath(W, DataFileName);
                trial.BackupFile = B;
                trial.CheckMyNumberFlag = 0;
                trial.IncludeMyNumber = 0;
                if (!RunBackupRestoreJob(trial, "TDataSentakuBox.RestoreData")) {
                    xAnimeProgressDialog1->Close();
                    Warn(JobErrorText(trial));
                    ok = false;
                } else {
                    TDataInfomation di(dm);
                    di.Mode = ConnectMode;
                    TDataInfomationRec facts;
                    TDataInfomation::ClearDataInfoRec(facts);
                    di.ReadDataInfoFromFolder(W, facts);
                    incoming = FolderInfoFrom(facts);
                    ok = CheckDestination("復元", incoming, D);
                    SetTrailer(job, facts);
                    trailerFound = true;
                }
            }
            compared = ok;
        }
    } else {
        xAnimeProgressDialog1->Close();
        ok = Ask("このデータは破損データのため、データ間の照合チェックは行わずに復元を行います。\rよろしいですか？");
    }
    if (!ok) return -1;

    // ---- the restore itself
    if (!xAnimeProgressDialog1->Running) ShowProgress(*xAnimeProgressDialog1, this, "復元中", "復元中、しばらくお待ちください…");
    xAnimeProgressDialog1->SetInfoLabel("復元中、しばらくお待ちください…");
    if (!DExist(dm, D, ConnectMode)) MkDir(dm, D, ConnectMode);
    SetDataStatus(D, 5);
    job.Mode = 1;
    job.Route = ConnectMode == 0 ? 0 : 1;
    if (routeKind != 0) job.Route = 0;
    job.HostName = SystemDef.HostName;
    job.DatabaseFile = JoinPath(D, DataFileName);
    job.BackupFile = B;
    job.CheckMyNumberFlag = 1;
    job.IncludeMyNumber = 1;
    if (!trailerFound) job.ClearZoneInfo();
    const std::string oldShougou = r->SHOUGOU;
    if (!RunBackupRestoreJob(job, "TDataSentakuBox.RestoreData")) {
        // A failed job ends the restore: D keeps what it held (the job restores into a new file),
        // and nothing more is written into it.
        xAnimeProgressDialog1->Close();
        Warn(JobErrorText(job));
        DataListRefresh(line);
        return -1;
    }
    TDataInfomation di(dm);
    di.Mode = ConnectMode;
    TDataInfomationRec facts;
    TDataInfomation::ClearDataInfoRec(facts);
    di.ReadDataInfoFromFolder(D, facts);
    // Distributed members of consolidated data of another company go only once the restore held.
    if (ConnectMode == 0 && (loadedKind == 1 || loadedKind == 2) && oldShougou != facts.SHOUGOU)
        Refresher->ClearChildRows(line, true);
    if (!compared) Incoming = IncomingOf(facts);
    r = RowRecord(line);
    ApplyGassanSetting(line, Incoming.GASSAN, loadedKind, loadedChildren);
    TCloudShareIO().ClearSetting(SystemDef.HostName, D);

    TDataInfomation::ClearDataInfoRec(facts);
    di.ReadDataInfoFromFolder(D, facts);
    di.UpdateDataInfomation(SystemDef.HostName, D, facts);
    if (r) {
        r->DATACODE = facts.CODE;
        r->ENTTEXT = r->DISPNAME = facts.DATALISTNAME;
        r->UPDATE_LOCK = facts.UPDATE_LOCK;
        r->GASSAN = facts.GASSANKBN;
        r->CLOUD = facts.CLOUD_SHARE;
        r->READ_ONLY = facts.READ_ONLY;
        r->DATA_STATUS = 0;
        SaveDataListRow(*r);
    }
    DataListRefresh(line);
    if (line < LineCount()) SetCurrentLine(line, 0);
    r = line < LineCount() ? RowRecord(line) : nullptr;
    if (r && IsCloudShareMode() && r->CLOUD == 1) {
        IDataTusinLink* link = GetDataTusinLink();
        pnlBottom->setEnabled(false);
        const int c = link ? link->CloudShareSend(D, 0) : 1;
        pnlBottom->setEnabled(true);
        if (c >= 1 && c <= 9) return 1;
    }
    if (r && Line(line).ShareState == 2) {
        if (KyoyuDataUpRun(1) > 0) SetShareHeld(1, Line(line).RowIndex);
        DataListRefresh(line);
        if (line < LineCount()) SetCurrentLine(line, 0);
    }
    return 1;
}

// ---- take-out and bring-back -----------------------------------------------------------------

void TDataSentakuBox::SetTakeOutMark(int marked, int code)
{
    const int line = CurrentLine();
    TDataListRec* r = line >= 0 && line != kNoLine ? RowRecord(line) : nullptr;
    if (!r) return;
    r->DATALOCK = marked == 0 ? 0 : (code != 0 ? code : SystemDef.OpCode);
    SaveDataListRow(*r);
    TGridLine& g = Model->Lines()[static_cast<std::size_t>(line)];
    g.LockPicture = marked == 0 ? 0 : 1;
    g.State.DataLock = r->DATALOCK;
    Model->LineChanged(line);
}

namespace {

// The stand-alone context of this computer, or the error of a data folder that cannot be had.
void SwitchToLocal()
{
    if (NormalizeDataPath(SystemDef.AppDataDir).empty() || ShellFolders::AppDataDir(true).empty())
        throw std::runtime_error("アプリケーションの初期化に失敗しました。\r" + SystemDef.AppTitle +
                                 "を終了します。\rデータフォルダの取得に失敗しました。");
    SwitchDataSource("local");
}

bool Reconnect()
{
    if (!DM) return false;
    DM->IBDatabaseDEF.Close();
    const bool ok = DM->fnAccDefConnected(SystemDef.HostName, false);
    if (ok && ConnectMode == 0) GetMaxVersion(*DM);
    return ok && DM->IBDatabaseDEF.Connected();
}

// The TEMP folder the data set travels through: the private per-user temporary folder (0700),
// never a shared one, since the backup file has a fixed name.
std::string TravelFolder() { return TempFiles::PrivateTempDir().string(); }

} // namespace

int TDataSentakuBox::TakeOutBringBack()
{
    if (ConnectMode == 2) return 1;
    const int line = CurrentLine();
    TDataListRec* r = line >= 0 && line != kNoLine ? RowRecord(line) : nullptr;
    if (!r) return 0;
    if (IsCloudShareMode() && r->CLOUD == 1) {
        Info("クラウドシェアデータのため持ち出し処理は行えません。");
        return 0;
    }
    SwitchDataSource("backup");
    const int takenBefore = r->DATALOCK;
    int taken = takenBefore != 0 ? 1 : 0;
    const std::string temp = TravelFolder();
    std::uint8_t bringBack = 0;
    {
        TWhichDataSetBox which(this);
        which.BringBack = 0;
        which.TakenOut = taken;
        which.InitDisplay(1);
        if (which.exec() != mrOk) return 0;
        bringBack = which.BringBack;
    }
    const std::string lines = std::string("SyoriType=5\r") + (bringBack == 0 ? "OnlySA_Syori=Restore" : "OnlySA_Syori=Backup") +
                              "\rOnlySA_BackupPath=" + temp;
    try {
        if (bringBack == 0) {
            if (SaveData(temp) != 1) return 0;
            Info("続いて、このコンピュータのデータリストを表示します。\r持ち出し先を選んで下さい。");
            SwitchToLocal();
            Reconnect();
            const int t = OpenRegisteredFormHook ? OpenRegisteredFormHook("SzDataSenkaku", 1, lines) : -1;
            if (t == 1) taken = 1;
            SwitchDataSource("server");
            if (Reconnect()) SetTakeOutMark(taken, takenBefore);
            return 1;
        }
        TDataInfomation di(*DM);
        di.Mode = ConnectMode;
        if (!di.IsDataSiyouKengen(RowFolder(line))) {
            SwitchDataSource("server");
            Reconnect();
            return 0;
        }
        Info("このコンピュータのデータリストを表示します。\r持ち帰ったデータを選んで下さい。");
        SwitchToLocal();
        Reconnect();
        const int t = OpenRegisteredFormHook ? OpenRegisteredFormHook("SzDataSenkaku", 1, lines) : -1;
        SwitchDataSource("server");
        if (t != 1) {
            Reconnect();
            return 0;
        }
        if (!Reconnect()) return 1;
        const int v = takenBefore;
        if (v != 0) SetTakeOutMark(0, 0);
        const int w = RestoreData(temp, 0);
        // Anything but a restore that held puts the line back to its mark and code.
        if (w != 1) SetTakeOutMark(v != 0 ? 1 : 0, v);
        return 1;
    } catch (...) {
        SwitchDataSource("server");
        Reconnect();
        throw;
    }
}

} // namespace kb
