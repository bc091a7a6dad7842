#include "core/DataModuleBackup.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5FileFunc.h"
#include "core/z5ServerFile.h"
#include "platform/ChildProcess.h"
#include "platform/TempFiles.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace kb {
namespace {

TDbJobProgress g_progress;

const char* const kMsgBackup = "データベースのバックアップに失敗しました。";
const char* const kMsgRestore = "データベースのリストアに失敗しました。";
const char* const kMsgMove = "データベースバックアップファイルのMoveに失敗しました。";
const char* const kMsgStopped = "処理が中断されました。";

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

std::string FolderOf(const std::string& path) { return ExcludeSlash(fs::path(path).parent_path().string()); }

std::string ServiceHost(std::uint8_t protocol, const std::string& host) { return protocol == kProtocolLocal ? std::string() : host; }

// Feeds the service's lines to the progress hook; remembers a request to stop.
struct LineFeed {
    bool stopped = false;
    fb::Service::LineFn Fn()
    {
        return [this](const std::string& line) {
            if (g_progress && !g_progress(line)) {
                stopped = true;
                return false;
            }
            return true;
        };
    }
};

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string UniqueName()
{
    std::random_device rd;
    return std::to_string(::getpid()) + "-" + std::to_string(rd()) + std::to_string(rd());
}

// One run of gbak: credentials in the environment, its log in our private temporary folder under
// a name of its own, the user interface kept alive while it runs. Raises EDbToolError on every
// sign of failure; the log goes with the message.
void RunGbak(const std::vector<std::string>& args, const std::string& startFailure, const std::string& failure)
{
    const fs::path log = TempFiles::UniqueTempPath("gbak-", ".log");
    const fs::path out = TempFiles::UniqueTempPath("gbak-", ".out");
    struct Cleanup {
        fs::path a, b;
        ~Cleanup()
        {
            std::error_code ec;
            fs::remove(a, ec);
            fs::remove(b, ec);
        }
    } cleanup{log, out};

    std::vector<std::string> argv{GbakPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-y", log.string()});
    // gbak reads the switches anywhere on its line; the two files go last as it expects.
    std::rotate(argv.end() - 4, argv.end() - 2, argv.end());
    ChildProcess gbak(argv);
    gbak.SetEnv("ISC_USER", SystemDef.DbUser);
    gbak.SetEnv("ISC_PASSWORD", SystemDef.DbPassword);
    gbak.SetOutputFile(out);
    try {
        gbak.Start();
    } catch (const ChildProcessError&) {
        throw EDbToolError(startFailure);
    }
    const bool ended = gbak.WaitPolling([] { return g_progress && !g_progress(std::string()); });
    if (!ended) throw EDbToolError(failure + kMsgStopped);

    std::error_code ec;
    const bool haveLog = fs::exists(log, ec);
    const std::string logText = haveLog ? ReadText(log) : std::string();
    if (gbak.ExitCode() != 0 || !haveLog || logText.find("ERROR") != std::string::npos) {
        std::string detail = logText;
        if (!haveLog || Blank(detail)) detail += ReadText(out);
        if (gbak.ExitCode() != 0) detail += (detail.empty() || detail.back() == '\n' ? "" : "\n") + std::string("gbak exit ") +
                                            std::to_string(gbak.ExitCode());
        throw EDbToolError(failure + detail);
    }
}

std::string DatabaseArgument(const std::string& host, const std::string& dbPath)
{
    return host.empty() ? dbPath : host + ":" + dbPath;
}

// After a restore of a data set: connect it once and empty its operators-in-use rows.
bool ClearRestoredDataSet(TDM& dm, const std::string& host, const std::string& folder)
{
    if (!dm.fnAccDatConnected(host, folder, false)) return false;
    DeleteOpInf(dm);
    return true;
}

} // namespace

bool ClearRestoredOpInf(TDM& dm, const std::string& host, const std::string& folder)
{
    bool result = false;
    try {
        result = ClearRestoredDataSet(dm, host, folder);
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.RestoreFDB", kMsgRestore);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgRestore, e.what());
    }
    dm.fnAccDatDisConnected(folder, false, false);
    return result;
}

void SetDbJobProgress(TDbJobProgress progress) { g_progress = std::move(progress); }

std::string GbakPath()
{
    if (!SystemDef.ExeDir.empty()) {
        const fs::path own = fs::path(SystemDef.ExeDir) / "gbak";
        if (::access(own.c_str(), X_OK) == 0) return own.string();
    }
    return "gbak";
}

bool BackupFDB(TDM& dm, std::uint8_t protocol, const std::string& host, bool direct, const std::string& backupFile,
               const std::string& dbPath)
{
    std::string target = backupFile;
    if (!direct) target = FolderOf(dbPath) + "/" + fs::path(BackupFileName).replace_extension(".fb_").string();
    try {
        LineFeed feed;
        {
            fb::Service svc(ServiceHost(protocol, host), SystemDef.DbUser, SystemDef.DbPassword);
            svc.Backup(dbPath, target, fb::Service::BackupOptions{}, feed.Fn());
        }
        if (feed.stopped) throw EDbToolError(kMsgStopped);
        // The old backup stays until the new one has replaced it. Names compare exactly: letter
        // case makes another file here.
        if (!direct && fs::path(target).lexically_normal() != fs::path(backupFile).lexically_normal() &&
            !FMove(dm, target, backupFile, ConnectMode))
            throw EDbToolError(kMsgMove);
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.BackupFDB", kMsgBackup);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgBackup, e.what());
    }
    return false;
}

bool RestoreFDB(TDM& dm, std::uint8_t protocol, const std::string& host, bool keepIndexes, const std::string& backupFile,
                const std::string& dbPath)
{
    const std::string folder = FolderOf(dbPath);
    bool started = false;
    bool result = false;
    try {
        LineFeed feed;
        {
            fb::Service svc(ServiceHost(protocol, host), SystemDef.DbUser, SystemDef.DbPassword);
            fb::Service::RestoreOptions o;
            o.deactivateIndexes = !keepIndexes;
            started = true;
            svc.Restore(backupFile, dbPath, o, feed.Fn());
        }
        if (feed.stopped) throw EDbToolError(kMsgStopped);
        result = true;
        if (dbPath.find(DataFileName) != std::string::npos) {
            std::string h = host;
            if ((ConnectMode == 1 || ConnectMode == 2) && protocol == kProtocolLocal && h.empty()) h = "127.0.0.1";
            result = ClearRestoredDataSet(dm, h, folder);
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.RestoreFDB", kMsgRestore);
        result = false;
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgRestore, e.what());
        result = false;
    }
    if (started) dm.fnAccDatDisConnected(dbPath, false, false);
    return result;
}

bool BackupFDBByGbak(TDM& dm, const std::string& host, bool direct, const std::string& backupFile, const std::string& dbPath)
{
    if (host == "127.0.0.1") return BackupFDB(dm, kProtocolLocal, host, direct, backupFile, dbPath);
    // gbak writes on this computer: into a name of its own beside the target, renamed over the
    // old backup only when it is complete.
    const fs::path to(backupFile);
    const fs::path part = to.parent_path() / ("." + to.filename().string() + "." + UniqueName() + ".part");
    try {
        RunGbak({"-b", "-g", DatabaseArgument(host, dbPath), part.string()},
                "バックアップツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。", "バックアップ中にエラーが発生しました。\r");
        std::error_code ec;
        if (!fs::is_regular_file(part, ec) || fs::file_size(part, ec) == 0)
            throw EDbToolError("バックアップ中にエラーが発生しました。\r" + backupFile);
        if (::rename(part.c_str(), backupFile.c_str()) != 0) throw EDbToolError(kMsgMove);
        return true;
    } catch (...) {
        std::error_code ec;
        fs::remove(part, ec);
        throw;
    }
}

bool RestoreFDBByGbak(TDM& dm, const std::string& host, bool keepIndexes, const std::string& backupFile,
                      const std::string& dbPath)
{
    if (host == "127.0.0.1") return RestoreFDB(dm, kProtocolLocal, host, keepIndexes, backupFile, dbPath);
    const std::string folder = FolderOf(dbPath);
    std::error_code ec;
    if (!fs::is_regular_file(backupFile, ec)) return false;
    bool result = false;
    try {
        // "-rep": replace an existing database, as the restore service does ("-r" alone now
        // refuses an existing file).
        RunGbak({"-rep", "-bu", "4096", "-p", "16384", backupFile, DatabaseArgument(host, dbPath)},
                "リストアツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。", "リストア中にエラーが発生しました。\r");
        result = true;
        if (dbPath.find(DataFileName) != std::string::npos) result = ClearRestoredDataSet(dm, host, folder);
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.RestoreFDB", kMsgRestore);
        result = false;
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgRestore, e.what());
        result = false;
    }
    dm.fnAccDatDisConnected(dbPath, false, false);
    return result;
}

TValidateResult ValidateDatabaseResult(TDM& dm, std::uint8_t protocol, const std::string& host, const std::string& dbPath)
{
    const bool wasConnected = dm.IBDatabaseDAT.Connected();
    TValidateResult result = TValidateResult::NotChecked;
    try {
        if (wasConnected) dm.IBDatabaseDAT.Close();
        fb::Service svc(ServiceHost(protocol, host), SystemDef.DbUser, SystemDef.DbPassword);
        fb::Service::ValidateOptions o;
        o.ignoreChecksum = true;
        o.full = true;
        const auto lines = svc.Validate(dbPath, o);
        result = std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return !Blank(l); }) ? TValidateResult::Damaged
                                                                                                         : TValidateResult::Intact;
    } catch (const FbError& e) {
        result = isc::IsCorruption(e.IBErrorCode()) ? TValidateResult::Damaged : TValidateResult::NotChecked;
    } catch (const std::exception&) {
        result = TValidateResult::NotChecked;
    }
    if (wasConnected && !dm.IBDatabaseDAT.Connected()) {
        try {
            dm.IBDatabaseDAT.Open();
        } catch (const std::exception&) {
            // The caller finds the data set closed, as after a failed connection.
        }
    }
    return result;
}

bool ValidateDatabase(TDM& dm, std::uint8_t protocol, const std::string& host, const std::string& dbPath)
{
    return ValidateDatabaseResult(dm, protocol, host, dbPath) != TValidateResult::Damaged;
}

void DeleteOpInf(TDM& dm)
{
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        dm.IBQACC1.SetSQL("DELETE FROM OPINF");
        dm.IBQACC1.ExecQuery();
        guard.Commit();
    } catch (...) {
        dm.IBQACC1.Close();
        guard.Rollback();
        throw;
    }
}

namespace {

// The counts' transaction rule: on failure commit what this routine started, report a database
// error with the routine's name, and raise it again.
template <typename F>
int CountIn(TDM& dm, const char* context, F&& body)
{
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        const int n = body(dm.IBQACC1);
        guard.Commit();
        return n;
    } catch (const FbError& e) {
        dm.IBQACC1.Close();
        try {
            guard.Commit();
        } catch (const std::exception&) {
        }
        ShowIBError(e, context, "");
        throw;
    } catch (...) {
        dm.IBQACC1.Close();
        try {
            guard.Commit();
        } catch (const std::exception&) {
        }
        throw;
    }
}

int FirstColumn(fb::Statement& q)
{
    q.ExecQuery();
    const int n = q.Eof() ? 0 : q.FieldAt(0).AsInteger();
    q.Close();
    return n;
}

} // namespace

int GetYukouSiwakeCount(TDM& dm, const std::string& scode)
{
    return CountIn(dm, "TDM.GetYukouSiwakeCount", [&](fb::Statement& q) {
        const bool bySite = !Blank(scode);
        if (AppKind <= 2) {
            if (bySite) {
                q.SetSQL("SELECT SIWAKECOUNT AS SWKCNT FROM SISETUMST WHERE (SCODE=:SCODE)");
                q.ParamByName("SCODE").SetString(scode);
            } else {
                q.SetSQL("SELECT SUM(SIWAKECOUNT) AS SWKCNT FROM SISETUMST");
            }
            return FirstColumn(q);
        }
        if (AppKind != 3) return -1;
        // Cash book: an entry between two cash accounts is stored on both sides; count it once.
        const std::string site = bySite ? " AND (SCODE=:SCODE)" : "";
        auto count = [&](const std::string& sql, bool both) {
            q.SetSQL(sql + site);
            q.ParamByName("KCODE").SetString(AccInf.SysKcode[0]);
            if (both) q.ParamByName("R_KCODE").SetString(AccInf.SysKcode[0]);
            if (bySite) q.ParamByName("SCODE").SetString(scode);
            return FirstColumn(q);
        };
        const int a = count("SELECT COUNT(REC) AS SWKCNT FROM SIWAKE WHERE (DELFLG=0) AND (KCODE=:KCODE)", false);
        const int b = count("SELECT COUNT(REC) AS SWKCNT FROM SIWAKE WHERE (DELFLG=0) AND ((KCODE=:KCODE) AND ((R_KCODE=:R_KCODE)))", true);
        return a - static_cast<int>(RoundToInt(b / 2.0));
    });
}

int GetUpDelSiwakeCount(TDM& dm, const std::string& scode)
{
    return CountIn(dm, "TDM.GetUpDelSiwakeCount", [&](fb::Statement& q) {
        std::string sql = "SELECT COUNT(REC) AS SWKCNT FROM SIWAKE WHERE (DELFLG IN (1,2) AND TAISHAKU=1)";
        if (!Blank(scode)) sql += " AND (SCODE=:SCODE)";
        q.SetSQL(sql);
        if (!Blank(scode)) q.ParamByName("SCODE").SetString(scode);
        return FirstColumn(q);
    });
}

int GetSiwakeCount(TDM& dm, const std::string& scode, int& valid, int& changed)
{
    valid = 0;
    changed = 0;
    try {
        valid = GetYukouSiwakeCount(dm, scode);
        changed = GetUpDelSiwakeCount(dm, scode);
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.GetSiwakeCount", "");
        throw;
    }
    return valid + changed;
}

int GetSiwakeCountOf(TDM& dm, const std::string& scode)
{
    int valid = 0, changed = 0;
    return GetSiwakeCount(dm, scode, valid, changed);
}

} // namespace kb
