#include "accounting/BackupRestoreThread.h"

#include "accounting/z5ComMyNumber.h"
#include "core/DataModule.h"
#include "core/DataModuleBackup.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc2.h"
#include "core/z5FileFunc.h"
#include "core/z5ServerFile.h"
#include "fb/FbError.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace kb {
namespace {

std::atomic<bool> g_jobRunning{false};

const char* const kBackupStopped = "データベースの保存処理を中止しました。";
const char* const kRestoreStopped = "データベースの復元処理を中止しました。";
const char* const kNotOurData = "指定されたファイルはパヴォナ財務用のデータではありません。";
const char* const kTransferFailed = "バックアップファイルの転送処理（vqfileman.fdb）に失敗しました。";

enum class TDbKind { None, System, Data };

TDbKind KindOf(const std::string& path)
{
    if (path.find(DataDefFileName) != std::string::npos) return TDbKind::System;
    if (path.find(DataFileName) != std::string::npos) return TDbKind::Data;
    return TDbKind::None;
}

bool IsThisComputer(const std::string& host) { return host.empty() || host == "127.0.0.1"; }

std::string FolderOf(const std::string& path)
{
    std::string f = fs::path(path).parent_path().string();
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return f;
}

std::string UniqueSuffix()
{
    std::random_device rd;
    return std::to_string(::getpid()) + "-" + std::to_string(rd());
}

std::string ReadBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("ファイルが読めません: " + file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The detail of a failed transfer: the stop text, "[詳細]", and the error.
std::string TransferDetail(const char* stopped, const std::exception& e)
{
    std::string d = std::string(stopped) + "\r[詳細]\r";
    if (const auto* fe = dynamic_cast<const FbError*>(&e)) d += "IBエラー: " + std::to_string(fe->IBErrorCode()) + "\r";
    return d + e.what();
}

struct TFileTransRow {
    TDM& dm;
    std::string key;
    void Delete()
    {
        fb::Statement q(dm.IBFileMan, &dm.IBTransFileMan);
        q.SetSQL("DELETE FROM FILETRANS WHERE CONTENT_ID=:CONTENT_ID");
        q.ParamByName("CONTENT_ID").SetString(key);
        q.ExecQuery();
    }
    // After a failure: the row was committed (retaining) before the step that failed.
    void DeleteAfterFailure() noexcept
    {
        try {
            fb::TransactionGuard guard(dm.IBTransFileMan);
            Delete();
            guard.Commit();
        } catch (const std::exception&) {
            // The next transfer of this operator deletes it first.
        }
    }
};

// A work file of the job: on this computer directly, on the server through the file operations.
void RemoveWorkFile(TDM& dm, const std::string& file)
{
    if (ConnectMode == 0) {
        std::error_code ec;
        fs::remove(file, ec);
    } else if (FExist(dm, file, ConnectMode)) {
        FDel(dm, file, ConnectMode, false);
    }
}

// The server work folder and the names of route 1.
struct TRoute1Names {
    std::string folder, serverFile, key;
};

TRoute1Names Route1Names(TDM& dm)
{
    TRoute1Names n;
    n.folder = SystemDef.ServerTempDir;
    const std::string ext = "." + std::to_string(SystemDef.OpCode);
    n.serverFile = JoinPath(n.folder, fs::path(BackupFileName).replace_extension(ext).string());
    n.key = "VQZ_" + std::to_string(SystemDef.OpCode);
    if (!DExist(dm, n.folder, ConnectMode)) MkDir(dm, n.folder, ConnectMode);
    return n;
}

// A transfer through the connected file-transfer database: at the end the server file is
// deleted and the database disconnected, whatever happened.
struct TRoute1Session {
    TDM& dm;
    TRoute1Names names;
    explicit TRoute1Session(TDM& d) : dm(d), names(Route1Names(d)) {}
    ~TRoute1Session()
    {
        RemoveWorkFile(dm, names.serverFile);
        try {
            if (dm.IBTransFileMan.InTransaction()) dm.IBTransFileMan.Rollback();
            if (dm.IBFileMan.Connected()) dm.IBFileMan.Close();
        } catch (const std::exception&) {
            // Nothing of the job depends on it any more.
        }
    }
    TRoute1Session(const TRoute1Session&) = delete;
    TRoute1Session& operator=(const TRoute1Session&) = delete;
};

} // namespace

std::function<bool()> TBackupRestoreThread::AfterMyNumberClear;

bool BackupRestoreJobRunning() { return g_jobRunning.load(); }

TBackupRestoreThread::TBackupRestoreThread(TDM& dm) : dm_(dm)
{
    ProcessName = AppInfo.ZaimuAppTitle;
}

TBackupRestoreThread::~TBackupRestoreThread() { wait(); }

bool TBackupRestoreThread::Resume()
{
    if (g_jobRunning.exchange(true)) {
        Success = 0;
        ErrInfo = TErrInfomation{};
        ErrInfo.ErrFlag = 1;
        ErrInfo.Message = "他のデータベース処理が実行中です。\r終了してから実行して下さい。";
        terminated_ = true;
        return false;
    }
    terminated_ = false;
    start();
    return true;
}

void TBackupRestoreThread::run()
{
    Execute();
    g_jobRunning = false;
    terminated_ = true;
}

void TBackupRestoreThread::Synchronize(const std::function<void()>& step)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        step();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                step();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

void TBackupRestoreThread::SetError(int code, const std::string& message, const std::string& detail)
{
    ErrInfo.ErrFlag = 1;
    ErrInfo.FuncName = code < 200 ? "BackupDatabase" : "RestoreDatabase";
    ErrInfo.ResultCode = std::to_string(code);
    ErrInfo.Message = message;
    ErrInfo.Detail = detail;
}

void TBackupRestoreThread::Execute()
{
    Success = 0;
    ErrInfo = TErrInfomation{};
    stopped_ = false;
    try {
        switch (Mode) {
        case 0:
            if (CheckMyNumberFlag == 1) {
                if (USEMYNUMBER == 0) IncludeMyNumber = 0;
                if (USEMYNUMBER == 1) {
                    Synchronize([this] { CheckMyNumber(true); });
                    if (Success == 0) return;
                }
                Success = 0;
            }
            Synchronize([this] { BackupDatabase(); });
            break;
        case 1:
            if (CheckMyNumberFlag == 1) {
                Synchronize([this] { CheckMyNumber(false); });
                if (Success == 0) return;
                Success = 0;
            }
            Synchronize([this] { RestoreDatabase(); });
            break;
        case 2: Synchronize([this] { CopyDatabase(); }); break;
        case 3: Synchronize([this] { RebuildDatabase(); }); break;
        default: return;
        }
        if (stopped_) return;
        ErrInfo.ErrFlag = Success ? 0 : 1;
    } catch (const std::exception& e) {
        Success = 0;
        ErrInfo.ErrFlag = 1;
        if (ErrInfo.Message.empty()) ErrInfo.Message = e.what();
    } catch (...) {
        Success = 0;
        ErrInfo.ErrFlag = 1;
    }
}

void TBackupRestoreThread::CheckMyNumber(bool backup)
{
    MyNumberLogOp = 0;
    Success = 1;
    TMyNumberIO io(dm_);
    if (backup) {
        if (AskMyNumber != 1) {
            MyNumberLogOp = 6;
            return;
        }
        IMyNumberUi* ui = GetMyNumberUi();
        if (!ui) throw std::logic_error("TBackupRestoreThread: no individual-number ui installed");
        if (!SystemDef.MyNumberAdmin) {
            ui->Inform("保存データにマイナンバー情報は含まれません。");
            ClearMyNumber = 1;
            return;
        }
        if (!ui->Confirm("保存データにマイナンバー情報を含めますか？")) {
            ClearMyNumber = 1;
            return;
        }
        MyNumberLogOp = 6;
        bool ok = io.ReadSetting(HostName, DatabaseFile, "", ProcessName);
        if (ok && !io.StoredKey.empty() && io.Password.empty()) {
            // Protected in a form we cannot read: the password cannot be confirmed.
            ui->Warn("保存されているマイナンバー管理パスワードを確認できません。");
            ok = false;
        } else if (ok) {
            ok = MyNumberPasswordCheck(io.Password);
        }
        if (!ok) {
            Success = 0;
            SetError(100, kBackupStopped, "");
        }
        return;
    }
    io.ReadSetting(HostName, DatabaseFile, "", ProcessName);
    if (io.Use == 1 && USEMYNUMBER == 0) {
        Success = 0;
        SetError(200, "マイナンバー情報を管理しているデータへの復元はおこなえません。", kRestoreStopped);
        return;
    }
    if (USEMYNUMBER == 1) MyNumberLogOp = 7;
}

bool TBackupRestoreThread::BackupByRoute0(const std::string& target)
{
    if (IsThisComputer(HostName)) return BackupFDB(dm_, kProtocolLocal, "", false, target, DatabaseFile);
    return BackupFDB(dm_, kProtocolTCP, HostName, true, target, DatabaseFile);
}

void TBackupRestoreThread::BackupDatabase()
{
    const TDbKind kind = KindOf(DatabaseFile);
    if (kind == TDbKind::None) {
        SetError(101, kNotOurData, kBackupStopped);
        return;
    }
    TMyNumberIO io(dm_);
    bool cleared = false;
    if (kind == TDbKind::Data) {
        if (IncludeMyNumber == 1 && MyNumberLogOp == 6) {
            TMyNumberLogRec rec;
            io.MakeLogRec(rec, 6, ProcessName);
            io.AddLogToData(rec, HostName, DatabaseFile);
        }
        if (ClearMyNumber == 1) {
            USEMYNUMBER = 0;
            if (!io.ReadSetting(HostName, DatabaseFile, kMyNumberClear, ProcessName + "＞データ保存")) {
                // The backup would carry what the operator declined.
                SetError(100, "データベースの保存に失敗しました。", kBackupStopped);
                return;
            }
            cleared = true;
            if (AfterMyNumberClear && !AfterMyNumberClear()) {
                stopped_ = true;
                Success = 0;
                ErrInfo.ErrFlag = 1;
                return;
            }
        }
    }
    try {
        if (Route == 0) {
            Success = BackupByRoute0(BackupFile) ? 1 : 0;
        } else {
            BackupRoute1();
        }
    } catch (const EDbToolError& e) {
        Success = 0;
        SetError(100, "データベースの保存に失敗しました。", e.what());
    } catch (const std::exception& e) {
        Success = 0;
        SetError(100, "データベースの保存に失敗しました。", e.what());
    }
    if (Success == 1 && WriteZone == 1) {
        try {
            WriteZoneInfo(BackupFile);
        } catch (const std::exception& e) {
            Success = 0;
            SetError(100, "データベースの保存に失敗しました。", e.what());
        }
    }
    if (Success == 0 && ErrInfo.ResultCode.empty()) SetError(100, "データベースの保存に失敗しました。", kBackupStopped);
    if (cleared) {
        // In every case, also after a failed backup.
        io.WriteSetting(HostName, DatabaseFile);
        USEMYNUMBER = io.Use;
    }
}

void TBackupRestoreThread::BackupRoute1()
{
    if (!dm_.fnFileManConnected(SystemDef.HostName)) {
        Success = BackupFDBByGbak(dm_, HostName, true, BackupFile, DatabaseFile) ? 1 : 0;
        return;
    }
    TRoute1Session session(dm_);
    const TRoute1Names& n = session.names;
    if (!BackupFDB(dm_, kProtocolTCP, HostName, true, n.serverFile, DatabaseFile)) {
        Success = 0;
        return;
    }
    fb::TransactionGuard guard(dm_.IBTransFileMan);
    TFileTransRow row{dm_, n.key};
    try {
        row.Delete();
        {
            fb::Statement q(dm_.IBFileMan, &dm_.IBTransFileMan);
            q.SetSQL("INSERT INTO FILETRANS(CONTENT_ID,CONTENT) VALUES(:CONTENT_ID,SP_FILETOBLOB(:FILEPATH))");
            q.ParamByName("CONTENT_ID").SetString(n.key);
            q.ParamByName("FILEPATH").SetString(n.serverFile);
            q.ExecQuery();
        }
        dm_.IBTransFileMan.CommitRetaining();
        std::string bytes;
        {
            fb::Statement q(dm_.IBFileMan, &dm_.IBTransFileMan);
            q.SetSQL("SELECT CONTENT_ID,CONTENT FROM FILETRANS WHERE CONTENT_ID=:CONTENT_ID");
            q.ParamByName("CONTENT_ID").SetString(n.key);
            q.ExecQuery();
            if (!q.Eof()) bytes = q.FieldByName("CONTENT").AsBytes();
            q.Close();
        }
        Success = bytes.empty() ? 0 : 1;
        if (Success) WriteFileAtomically(BackupFile, bytes);
        row.Delete();
        guard.Commit();
    } catch (const std::exception& e) {
        guard.Rollback();
        row.DeleteAfterFailure();
        Success = 0;
        SetError(102, kTransferFailed, TransferDetail(kBackupStopped, e));
    }
}

bool TBackupRestoreThread::RestoreIntoNewFile(const std::string& backup, const std::string& target, bool byGbak, bool overTcp)
{
    // The restore goes into a new file beside the target, so a damaged backup leaves the old
    // database as it was. The name must not contain the data file's name: the restore's OPINF
    // step keys on it and runs here only once the file is in place.
    const std::string folder = FolderOf(target);
    const std::string tempName = ".restore-" + UniqueSuffix() + ".fdb";
    const std::string temp = JoinPath(folder, tempName);
    if (dm_.IBDatabaseDAT.Connected() && dm_.IBDatabaseDAT.DatabaseName() == TDM::ServerPath(HostName, folder, DataFileName))
        dm_.fnAccDatDisConnected(folder, false, false);
    bool ok;
    if (byGbak) ok = RestoreFDBByGbak(dm_, HostName, ActivateIndexes == 1, backup, temp);
    else if (overTcp) ok = RestoreFDB(dm_, kProtocolTCP, HostName, ActivateIndexes == 1, backup, temp);
    else ok = RestoreFDB(dm_, kProtocolLocal, "", ActivateIndexes == 1, backup, temp);
    if (ok) {
        try {
            fb::Connection probe;
            probe.SetSQLDialect(3);
            probe.SetDatabaseName(TDM::ServerPath(HostName, folder, tempName));
            TDM::SetLoginParams(probe);
            probe.Open();
            probe.Close();
        } catch (const FbError& e) {
            ShowIBError(e, "TDM.RestoreFDB", "データベースのリストアに失敗しました。");
            ok = false;
        }
    }
    if (ok) ok = FMove(dm_, temp, target, ConnectMode);
    if (!ok) {
        RemoveWorkFile(dm_, temp);
        return false;
    }
    if (KindOf(target) == TDbKind::Data) return ClearRestoredOpInf(dm_, HostName, folder);
    return true;
}

void TBackupRestoreThread::RestoreDatabase()
{
    const TDbKind kind = KindOf(DatabaseFile);
    if (kind == TDbKind::None) {
        SetError(201, kNotOurData, kRestoreStopped);
        return;
    }
    const std::string folder = FolderOf(DatabaseFile);
    if (dm_.AccDatInConnection(kind == TDbKind::System ? 0 : 1, HostName, false, folder)) {
        SetError(202, "このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。", kRestoreStopped);
        return;
    }
    TMyNumberIO io(dm_);
    if (kind == TDbKind::Data && MyNumberLogOp == 7) io.ReadLogListOfData(HostName, DatabaseFile);
    if (Route == 0) {
        Success = RestoreIntoNewFile(BackupFile, DatabaseFile, false, !IsThisComputer(HostName)) ? 1 : 0;
    } else {
        RestoreRoute1();
    }
    if (Success == 0 && ErrInfo.ResultCode.empty()) SetError(200, "データベースの復元に失敗しました。", kRestoreStopped);
    if (kind == TDbKind::Data && Success == 1 && MyNumberLogOp == 7) {
        if (ProcessName.empty()) ProcessName = AppInfo.ZaimuAppTitle;
        if (IncludeMyNumber == 1) {
            TMyNumberLogRec rec;
            io.MakeLogRec(rec, 7, ProcessName);
            io.AddLogToData(rec, HostName, DatabaseFile);
        }
        io.MergeLog(HostName, DatabaseFile);
    }
}

void TBackupRestoreThread::RestoreRoute1()
{
    if (!dm_.fnFileManConnected(SystemDef.HostName)) {
        Success = RestoreIntoNewFile(BackupFile, DatabaseFile, true, false) ? 1 : 0;
        return;
    }
    TRoute1Session session(dm_);
    const TRoute1Names& n = session.names;
    {
        fb::TransactionGuard guard(dm_.IBTransFileMan);
        TFileTransRow row{dm_, n.key};
        try {
            row.Delete();
            {
                fb::Statement q(dm_.IBFileMan, &dm_.IBTransFileMan);
                q.SetSQL("INSERT INTO FILETRANS(CONTENT_ID,CONTENT) VALUES(:CONTENT_ID,:CONTENT)");
                q.ParamByName("CONTENT_ID").SetString(n.key);
                q.ParamByName("CONTENT").SetBytes(ReadBytes(BackupFile));
                q.ExecQuery();
            }
            dm_.IBTransFileMan.CommitRetaining();
            {
                // The server writes the blob into the server file; it answers 1 or raises.
                fb::Statement q(dm_.IBFileMan, &dm_.IBTransFileMan);
                q.SetSQL("SELECT CONTENT_ID,SP_BLOBTOFILE(:FILEPATH, CONTENT) AS WRITTEN FROM FILETRANS WHERE CONTENT_ID=:CONTENT_ID");
                q.ParamByName("FILEPATH").SetString(n.serverFile);
                q.ParamByName("CONTENT_ID").SetString(n.key);
                q.ExecQuery();
                const bool written = !q.Eof() && q.FieldByName("WRITTEN").AsInteger() == 1;
                q.Close();
                if (!written) throw std::runtime_error("SP_BLOBTOFILE: " + n.serverFile);
            }
            row.Delete();
            guard.Commit();
        } catch (const std::exception& e) {
            guard.Rollback();
            row.DeleteAfterFailure();
            Success = 0;
            SetError(203, kTransferFailed, TransferDetail(kRestoreStopped, e));
            return;
        }
    }
    Success = RestoreIntoNewFile(n.serverFile, DatabaseFile, false, true) ? 1 : 0;
}

void TBackupRestoreThread::CopyDatabase()
{
    bool ok = false;
    try {
        if (Route == 0) ok = BackupByRoute0(BackupFile);
        else ok = BackupFDBByGbak(dm_, HostName, true, BackupFile, DatabaseFile);
    } catch (const EDbToolError& e) {
        ErrInfo.Message = "データベースの保存に失敗しました。";
        ErrInfo.Detail = e.what();
        ok = false;
    }
    if (ok) ok = RestoreIntoNewFile(BackupFile, DestFile, Route == 1, !IsThisComputer(HostName));
    Success = ok ? 1 : 0;
}

void TBackupRestoreThread::RebuildDatabase()
{
    DestFile = DatabaseFile;
    CopyDatabase();
}

void TBackupRestoreThread::ClearZoneInfo()
{
    SHOUGOU.clear();
    KISHU.clear();
    KIMATU.clear();
    SIWAKE = 0;
    TOTALSIWAKE = 0;
    DATAVARSION.clear();
    GASSAN = 0;
    USEMYNUMBER = 0;
}

void TBackupRestoreThread::WriteZoneInfo(const std::string& file)
{
    if (SHOUGOU.empty()) return;
    std::string t = std::string(kZoneMarker) + "\r\n";
    t += "SHOUGOU=" + SHOUGOU + "\r\n";
    t += "KISHU=" + KISHU + "\r\n";
    t += "KIMATU=" + KIMATU + "\r\n";
    t += "SIWAKE=" + std::to_string(SIWAKE) + "\r\n";
    t += "TOTALSIWAKE=" + std::to_string(TOTALSIWAKE) + "\r\n";
    t += "DATAVARSION=" + DATAVARSION + "\r\n";
    t += "GASSAN=" + std::to_string(GASSAN) + "\r\n";
    t += "USEMYNUMBER=" + std::to_string(USEMYNUMBER) + "\r\n";
    AppendTextToFile(file, Utf8ToCp932(t));
}

bool TBackupRestoreThread::ReadZoneInfo(const std::string& file, bool strip)
{
    std::string raw;
    try {
        ReadFileTrailer(file, kZoneMarker, raw, strip);
    } catch (const std::exception&) {
        raw.clear();
    }
    ClearZoneInfo();
    bool seen[8] = {};
    auto take = [&](const std::string& line, const char* key, int slot, auto&& apply) {
        const std::string k = std::string(key) + "=";
        if (seen[slot] || line.rfind(k, 0) != 0) return;
        seen[slot] = true;
        apply(line.substr(k.size()));
    };
    auto number = [](const std::string& s) {
        try {
            return static_cast<std::int32_t>(std::stol(TrimBlanks(s)));
        } catch (const std::exception&) {
            return std::int32_t(0);
        }
    };
    for (const std::string& line : SplitLines(Cp932ToUtf8(raw))) {
        take(line, "SHOUGOU", 0, [&](const std::string& v) { SHOUGOU = v; });
        take(line, "KISHU", 1, [&](const std::string& v) { KISHU = v; });
        take(line, "KIMATU", 2, [&](const std::string& v) { KIMATU = v; });
        take(line, "SIWAKE", 3, [&](const std::string& v) { SIWAKE = number(v); });
        take(line, "TOTALSIWAKE", 4, [&](const std::string& v) { TOTALSIWAKE = number(v); });
        take(line, "DATAVARSION", 5, [&](const std::string& v) { DATAVARSION = v; });
        take(line, "GASSAN", 6, [&](const std::string& v) { GASSAN = number(v); });
        take(line, "USEMYNUMBER", 7, [&](const std::string& v) { USEMYNUMBER = number(v); });
    }
    return !SHOUGOU.empty();
}

bool RunBackupRestoreJob(TBackupRestoreThread& job, const std::string& context)
{
    job.Resume();
    while (!job.GetTerminated()) WaitMSec(300);
    job.wait();
    if (job.Success == 1) return true;
    LogJobError(context, job.ErrInfo.ResultCode, job.ErrInfo.Message, job.ErrInfo.Detail);
    return false;
}

std::string JobErrorText(const TBackupRestoreThread& job) { return job.ErrInfo.Message + "\r" + job.ErrInfo.Detail; }

} // namespace kb
