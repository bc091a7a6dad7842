#include "core/DataModule.h"

#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "platform/Text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace kb {
namespace {

IDataSetUseRecorder* g_recorder = nullptr;

const char* const kMsgDefConnect = "システムデータベースの接続処理に失敗しました。";
const char* const kMsgDatConnect =
    "ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または 使用中の可能性がありますので接続パスを確認して下さい。";
const char* const kMsgInConnection = "データベースの使用情報の取得に失敗しました。";
const char* const kMsgDrop = "ユーザーデータベースの削除処理に失敗しました。\r接続パスを確認して下さい。";

// The form in which two database file names are compared: lower case, "." and ".." resolved.
std::string ComparableName(std::string path)
{
    // A server may report "host:path"; only the path part names the file.
    if (const auto colon = path.find(':'); colon != std::string::npos && path.find('/') > colon) path = path.substr(colon + 1);
    path = std::filesystem::path(path).lexically_normal().string();
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
    return path;
}

// Whether a process other than this one has the file open (compared by device and inode). The
// embedded engine keeps the database file open for as long as a process is attached to it, so this
// catches an attachment the monitoring tables have not shown; processes of other users cannot be
// looked at and do not count here.
bool OtherProcessHoldsFile(const std::string& file)
{
    struct stat target {};
    if (::stat(file.c_str(), &target) != 0) return false;
    const std::string self = std::to_string(::getpid());
    std::error_code ec;
    for (std::filesystem::directory_iterator p("/proc", ec), end; !ec && p != end; p.increment(ec)) {
        const std::string pid = p->path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](unsigned char c) { return std::isdigit(c); }) || pid == self)
            continue;
        std::error_code fdEc;
        for (std::filesystem::directory_iterator fd(p->path() / "fd", fdEc), fdEnd; !fdEc && fd != fdEnd; fd.increment(fdEc)) {
            struct stat st {};
            if (::stat(fd->path().c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino) return true;
        }
    }
    return false;
}

IDataSetUseRecorder& Recorder()
{
    if (!g_recorder) throw std::logic_error("data-set use recording is not available");
    return *g_recorder;
}

} // namespace

void SetDataSetUseRecorder(IDataSetUseRecorder* recorder) { g_recorder = recorder; }
IDataSetUseRecorder* GetDataSetUseRecorder() { return g_recorder; }

void CreateDM()
{
    if (!DM) DM = new TDM();
}

void FreeDM()
{
    delete DM;
    DM = nullptr;
}

TDM::TDM()
    : IBTransactionDEF(&IBDatabaseDEF, fb::Transaction::ReadCommitted())
    , IBTransactionDAT(&IBDatabaseDAT, fb::Transaction::ReadCommitted())
    , IBTransactionDATSS(&IBDatabaseDAT, fb::Transaction::Snapshot())
    , IBTransactionDATStable(&IBDatabaseDAT, fb::Transaction::Stable())
    , IBTransFileMan(&IBFileMan, fb::Transaction::ReadCommitted())
    , IBQSysDefGet(IBDatabaseDEF, &IBTransactionDEF)
    , IBQSysDefPut(IBDatabaseDEF, &IBTransactionDEF)
    , QueryDef(IBDatabaseDEF, &IBTransactionDEF)
    , IBSQLDEF(IBDatabaseDEF, &IBTransactionDEF)
    , IBQACC1(IBDatabaseDAT, &IBTransactionDAT)
    , IBQACC2(IBDatabaseDAT, &IBTransactionDAT)
    , IBQACC3(IBDatabaseDAT, &IBTransactionDAT)
    , IBQueryFileMan(IBFileMan, &IBTransFileMan)
    , IBSQLFileMan(IBFileMan, &IBTransFileMan)
{
    IBDatabaseDEF.SetDefaultTransaction(&IBTransactionDEF);
    IBFileMan.SetDefaultTransaction(&IBTransFileMan);
    // The data connection has no default transaction of its own: its users name one.
}

TDM::~TDM() = default;

bool TDM::UsesTcp(const std::string& host) { return ConnectMode != 0 && !host.empty() && host != "127.0.0.1"; }

std::string TDM::ServerPath(const std::string& host, const std::string& folder, const std::string& file)
{
    const std::string path = JoinPath(folder, file);
    return UsesTcp(host) ? host + ":" + path : path;
}

void TDM::SetLoginParams(fb::Connection& c)
{
    c.Params().clear();
    c.Params().push_back("user_name=" + SystemDef.DbUser);
    c.Params().push_back("password=" + SystemDef.DbPassword);
    c.Params().push_back("lc_ctype=SJIS_0208");
}

std::unique_ptr<fb::Service> TDM::CreateService(const std::string& host)
{
    return std::make_unique<fb::Service>(UsesTcp(host) ? host : std::string(), SystemDef.DbUser, SystemDef.DbPassword);
}

bool TDM::fnAccDefConnected(const std::string& hostArg, bool report)
{
    const std::string host = hostArg.empty() ? SystemDef.HostName : hostArg;
    if (IBDatabaseDEF.Connected()) return true;
    try {
        IBDatabaseDEF.SetSQLDialect(3);
        IBDatabaseDEF.SetDatabaseName(ServerPath(host, SystemDef.SysDir, DataDefFileName));
        SetLoginParams(IBDatabaseDEF);
        IBDatabaseDEF.Open();
        return IBDatabaseDEF.Connected();
    } catch (const FbError& e) {
        if (!report) throw;
        ShowIBError(e, "TDM.fnAccDefConnected", kMsgDefConnect);
    } catch (const std::exception& e) {
        if (!report) throw;
        ShowErrorDetail(kMsgDefConnect, e.what());
    }
    return false;
}

bool TDM::fnFileManConnected(const std::string& hostArg)
{
    try {
        // In the server modes the file lies on the server; connecting is the test there.
        if (ConnectMode == 0 && !std::filesystem::exists(JoinPath(SystemDef.SysDir, "vqfileman.fdb"))) return false;
        const std::string host = hostArg.empty() ? SystemDef.HostName : hostArg;
        if (IBFileMan.Connected()) return true;
        IBFileMan.SetSQLDialect(3);
        IBFileMan.SetDatabaseName(ServerPath(host, SystemDef.SysDir, "vqfileman.fdb"));
        SetLoginParams(IBFileMan);
        IBFileMan.Open();
        return IBFileMan.Connected();
    } catch (const std::exception&) {
        return false;
    }
}

bool TDM::fnAccDatConnected(const std::string& hostArg, const std::string& folderArg, bool recordUse)
{
    const std::string host = hostArg.empty() ? SystemDef.HostName : hostArg;
    const std::string folder = folderArg.empty() ? SystemDef.DataDir : folderArg;
    try {
        // A data set is never connected twice; the one open now is closed without recording.
        IBDatabaseDAT.Close();
        IBDatabaseDAT.SetSQLDialect(3);
        IBDatabaseDAT.SetDatabaseName(ServerPath(host, folder, DataFileName));
        SetLoginParams(IBDatabaseDAT);
        IBDatabaseDAT.Open();
        if (DataConnectedHook) DataConnectedHook(*this, host, folder);
        if (recordUse) Recorder().RecordUseStart(folder);
        return IBDatabaseDAT.Connected();
    } catch (const FbError& e) {
        CloseAfterFailedConnect();
        ShowIBError(e, "TDM.fnAccDatConnected", kMsgDatConnect);
        // A file that cannot be opened at all is no sign of damage.
        if (e.IBErrorCode() != isc::io_error) CheckDataDamage(host, folder, false, 1);
    } catch (const std::exception& e) {
        CloseAfterFailedConnect();
        ShowErrorDetail(kMsgDatConnect, e.what());
    }
    return false;
}

void TDM::CloseAfterFailedConnect()
{
    // A stray attachment would make the data set look in use by another operator.
    try {
        if (IBDatabaseDAT.Connected()) IBDatabaseDAT.Close();
    } catch (const std::exception&) {
    }
}

bool TDM::fnAccDatDisConnected(const std::string& folderArg, bool recordUseEnd, bool updateList)
{
    const std::string folder = folderArg.empty() ? SystemDef.DataDir : folderArg;
    const bool listUpdate = updateList && AppKind != 1;
    if (recordUseEnd || listUpdate) Recorder().RecordUseEnd(folder, recordUseEnd, listUpdate);
    if (IBDatabaseDAT.Connected()) IBDatabaseDAT.Close();
    IBDatabaseDAT.Params().clear();
    return true;
}

bool TDM::AccDatInConnection(std::uint8_t kind, const std::string& hostArg, bool keepOwn, const std::string& folder)
{
    const std::string host = hostArg.empty() ? SystemDef.HostName : hostArg;
    if (TrimBlanks(folder).empty()) return false;
    const std::string file = kind == 0 ? DataDefFileName : DataFileName;
    const std::string localPath = JoinPath(folder, file);
    const std::string target = ComparableName(localPath);
    fb::Connection& own = kind == 0 ? IBDatabaseDEF : IBDatabaseDAT;
    const bool wasConnected = own.Connected();
    bool found = false;
    try {
        // Our own attachment must not count: detach first, re-attach afterwards.
        if (!keepOwn && wasConnected) own.Close();
        if (UsesTcp(host)) {
            auto svc = CreateService(host);
            for (const auto& name : svc->AttachedDatabases().names)
                if (ComparableName(name) == target) found = true;
        } else if (std::filesystem::exists(localPath)) {
            // The embedded engine's service manager sees only this process; the monitoring
            // tables of the database see every process attached to the file.
            fb::Connection probe;
            probe.SetDatabaseName(localPath);
            SetLoginParams(probe);
            probe.Open();
            fb::Transaction tr(&probe);
            fb::TransactionGuard guard(tr);
            fb::Statement q(probe, &tr);
            q.SetSQL("SELECT COUNT(*) AS CNT FROM MON$ATTACHMENTS "
                     "WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0");
            q.ExecQuery();
            found = q.FieldByName("CNT").AsInteger() > 0;
            guard.Commit();
            probe.Close();
            // The monitoring answer alone must not declare the file free: another process's
            // attachment shows there only once that process has answered the monitoring request.
            if (!found) found = OtherProcessHoldsFile(localPath);
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.AccDatInConnection", kMsgInConnection);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgInConnection, e.what());
    }
    if (!keepOwn && wasConnected && !own.Connected()) {
        try {
            own.Open();
        } catch (const FbError& e) {
            ShowIBError(e, "TDM.AccDatInConnection", kMsgInConnection);
        }
    }
    return found;
}

bool TDM::AccDatDropDatabase(const std::string& hostArg, const std::string& folder)
{
    const std::string host = hostArg.empty() ? SystemDef.HostName : hostArg;
    if (folder.empty()) return false;
    try {
        fb::Connection tmp;
        tmp.SetSQLDialect(3);
        // Unlike the other connections, a drop goes to the server in every server mode, also for
        // this computer.
        const std::string path = JoinPath(folder, DataFileName);
        tmp.SetDatabaseName(ConnectMode != 0 && !host.empty() ? host + ":" + path : path);
        SetLoginParams(tmp);
        tmp.Open();
        tmp.DropDatabase();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.AccDatDropDatabase", kMsgDrop);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgDrop, e.what());
    }
    return false;
}

int TDM::CheckDataDamage(const std::string& host, const std::string& folder, bool force, int quiet)
{
    if (!force && SystemDef.DataCheckKbn != 1) return 1;
    if (DataDamageCheckHook) return DataDamageCheckHook(host, folder, quiet);
    return 1;
}

void TDM::TimerFormCloseTimer()
{
    TimerFormClose.Enabled = false;
    if (TimerFormClose.Tag != 0) {
        const std::intptr_t window = TimerFormClose.Tag;
        TimerFormClose.Tag = 0;
        if (PostCloseHook) PostCloseHook(window);
    }
}

void TDM::TimerSyoriKidouTimer()
{
    TimerSyoriKidou.Enabled = false;
    if (OpenRegisteredFormHook) OpenRegisteredFormHook(PendingFormName, PendingFormMode, PendingFormParams);
    PendingFormName.clear();
    PendingFormMode = 0;
    PendingFormParams.clear();
}

void TDM::ProcessTimers()
{
    if (TimerFormClose.Enabled) TimerFormCloseTimer();
    if (TimerSyoriKidou.Enabled) TimerSyoriKidouTimer();
}

void TDM::QueueRegisteredForm(const std::string& name, int mode, const std::string& params)
{
    PendingFormName = name;
    PendingFormMode = mode;
    PendingFormParams = params;
    TimerSyoriKidou.Enabled = true;
}

} // namespace kb
