#include "accounting/z5ComMyNumber.h"

#include "accounting/BackupRestoreThread.h"
#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5EasyEncode.h"
#include "core/z5ServerFile.h"
#include "fb/FbError.h"
#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kb {
namespace {

IMyNumberUi* g_ui = nullptr;

const char* const kMsgAdd = "管理ログリストの追加に失敗しました。";
const char* const kMsgRead = "管理ログリストの取得に失敗しました。";
const char* const kMsgMerge = "管理ログリストのマージに失敗しました。";
const char* const kMsgDelete = "管理ログリストの削除に失敗しました。";
const char* const kMsgSetting = "マイナンバー情報の取得に失敗しました。";
const char* const kMsgSettingWrite = "マイナンバー情報の書込みに失敗しました。";

std::string NowText()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto tenths = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000 / 100;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%04d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(tenths));
    return buf;
}

std::string HostOf(const std::string& host) { return host.empty() ? SystemDef.HostName : host; }

std::string FolderOfPath(const std::string& path)
{
    std::string f = fs::path(path).parent_path().string();
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return f;
}

// ACCREG text of a key as stored (raw bytes), without inserting a default.
bool ReadStoredText(fb::Connection& db, fb::Transaction& tr, const char* code, std::string& bytes)
{
    fb::Statement q(db, &tr);
    q.SetSQL("SELECT ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE");
    q.ParamByName("AGROUP").SetString(kMyNumberGroup);
    q.ParamByName("ACODE").SetString(code);
    q.ExecQuery();
    const bool found = !q.Eof();
    bytes = found ? q.FieldByName("ATEXT").AsBytes() : std::string();
    q.Close();
    return found;
}

// Writes a stored text back exactly as it was read.
void WriteStoredText(fb::Connection& db, fb::Transaction& tr, const char* code, const std::string& bytes)
{
    DeleteAccReg(db, tr, kMyNumberGroup, code);
    fb::Statement w(db, &tr);
    w.SetSQL("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
    w.ParamByName("AGROUP").SetString(kMyNumberGroup);
    w.ParamByName("ACODE").SetString(code);
    w.ParamByName("ATYPE").SetString(kRegText);
    w.ParamByName("ATEXT").SetBytes(bytes);
    w.ExecQuery();
}

std::string Shougou(fb::Connection& db, fb::Transaction& tr)
{
    fb::Statement q(db, &tr);
    q.SetSQL("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1");
    q.ExecQuery();
    const std::string s = q.Eof() ? std::string() : q.FieldByName("SHOUGOU").AsString();
    q.Close();
    return s;
}

void ReportFailure(const std::exception& e, const char* context, const char* message)
{
    if (const auto* fe = dynamic_cast<const FbError*>(&e)) ShowIBError(*fe, context, message);
    else ShowErrorDetail(message, e.what());
}

void DeleteLogRow(fb::Connection& db, fb::Transaction& tr, const TMyNumberLogRec& rec)
{
    fb::Statement q(db, &tr);
    // FHOST belongs to the key: without it another computer's row of the same moment would go.
    q.SetSQL("DELETE FROM MYNUMBER_LOG WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND (FOPCODE=:FOPCODE) AND (FHOST=:FHOST)");
    q.ParamByName("FHIZUKE").SetString(rec.FHIZUKE);
    q.ParamByName("FSERIAL").SetString(rec.FSERIAL);
    q.ParamByName("FOPCODE").SetString(rec.FOPCODE);
    q.ParamByName("FHOST").SetString(rec.FHOST);
    q.ExecQuery();
}

// ---- safety copy: "key=hex" lines, so the stored bytes come back exactly.
std::string Hex(const std::string& bytes)
{
    static const char* d = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += d[c >> 4];
        out += d[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

struct TSafetyCopy {
    std::string host, path, key, value;
    int use = 0;
    TMyNumberLogRec log;
};

std::map<std::string, std::string> ReadKeyValues(const fs::path& file)
{
    std::map<std::string, std::string> kv;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return kv;
}

void WriteSafetyCopy(const TSafetyCopy& c)
{
    const fs::path file = MyNumberSafetyCopyPath(c.host, c.path);
    fs::create_directories(file.parent_path());
    ::chmod(file.parent_path().c_str(), 0700);
    std::ostringstream s;
    s << "HOST=" << Hex(c.host) << "\nPATH=" << Hex(c.path) << "\nUSE=" << c.use << "\nKEY=" << Hex(c.key)
      << "\nVALUE=" << Hex(c.value) << "\nFHIZUKE=" << Hex(c.log.FHIZUKE) << "\nFSERIAL=" << Hex(c.log.FSERIAL)
      << "\nFOPCODE=" << Hex(c.log.FOPCODE) << "\nFHOST=" << Hex(c.log.FHOST) << "\n";
    WriteFileAtomically(file, s.str(), FileAccess::Private);
}

bool ReadSafetyCopy(const std::string& host, const std::string& path, TSafetyCopy& c)
{
    const fs::path file = MyNumberSafetyCopyPath(host, path);
    std::error_code ec;
    if (!fs::exists(file, ec)) return false;
    auto kv = ReadKeyValues(file);
    c.host = Unhex(kv["HOST"]);
    c.path = Unhex(kv["PATH"]);
    if (c.host != host || c.path != path) return false; // another data set with the same hash
    c.use = std::atoi(kv["USE"].c_str());
    c.key = Unhex(kv["KEY"]);
    c.value = Unhex(kv["VALUE"]);
    c.log.FHIZUKE = Unhex(kv["FHIZUKE"]);
    c.log.FSERIAL = Unhex(kv["FSERIAL"]);
    c.log.FOPCODE = Unhex(kv["FOPCODE"]);
    c.log.FHOST = Unhex(kv["FHOST"]);
    return true;
}

// Puts kept settings back into a data set and removes the clearing's log row.
void PutBack(fb::Connection& db, fb::Transaction& tr, int use, const std::string& key, const std::string& value,
             const TMyNumberLogRec& log)
{
    PutAccReg(db, tr, kMyNumberGroup, kMyNumberUse, kRegInteger, TRegValue(std::int32_t(use)));
    if (!key.empty()) WriteStoredText(db, tr, kMyNumberKey, key);
    if (!value.empty()) WriteStoredText(db, tr, kMyNumberValue, value);
    if (!log.FHIZUKE.empty()) DeleteLogRow(db, tr, log);
}

} // namespace

void SetMyNumberUi(IMyNumberUi* ui) { g_ui = ui; }
IMyNumberUi* GetMyNumberUi() { return g_ui; }

std::function<std::string()> TMyNumberIO::Clock = NowText;

TDataPasswordAsk MyNumberPasswordAsk(int attempt)
{
    TDataPasswordAsk a;
    a.Attempt = attempt;
    a.Caption = "マイナンバー管理パスワードの確認";
    a.Prompt = attempt == 1 ? "マイナンバー管理パスワードを入力して下さい。" : "正しいパスワードを入力して下さい。";
    a.PromptRed = attempt > 1;
    a.Hint = "パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。3回続けて失敗すると呼出し元の画面に戻ります。";
    return a;
}

bool MyNumberPasswordCheck(const std::string& password)
{
    if (!SystemDef.MyNumberAdmin) return true;
    if (password.empty()) return false;
    if (!g_ui) throw std::logic_error("MyNumberPasswordCheck: no individual-number ui installed");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        std::string entry;
        if (!g_ui->AskPassword(MyNumberPasswordAsk(attempt), entry)) return false;
        if (TrimZen(entry) == password) return true;
    }
    return false;
}

std::string MyNumberLogComment(int code, const std::string& processName)
{
    const bool sending = processName.find("送信") != std::string::npos;
    const bool receiving = processName.find("受信") != std::string::npos;
    if (code == 6 && sending) return "マイナンバー情報を含むデータが送信されました。";
    if (code == 7 && receiving) return "マイナンバー情報を含むデータが受信されました。";
    if (code == 8 && sending) return "マイナンバー情報を含めずにデータが送信されました。";
    if (code == 9) return "マイナンバー管理パスワードを既定値に設定しました。";
    if (code == 10) return "マイナンバー管理パスワードを変更しました。";
    static const char* const phrases[] = {"**", "が登録", "が変更", "が削除", "が参照", "が印刷",
                                          "を含むデータが保存", "を含むデータが復元", "を含めずにデータが保存"};
    const std::string phrase = code >= 0 && code <= 8 ? phrases[code] : "**";
    return "マイナンバー情報" + phrase + "されました。";
}

// The data set an operation works on: the open one, or a connection of the operation's own.
struct TMyNumberIO::Target {
    fb::Connection* db = nullptr;
    fb::Transaction* tr = nullptr;
    std::unique_ptr<fb::Connection> ownDb;
    std::unique_ptr<fb::Transaction> ownTr;
};

TMyNumberIO::TMyNumberIO(TDM& dm) : dm_(dm) {}
TMyNumberIO::~TMyNumberIO() = default;

bool TMyNumberIO::OpenTarget(const std::string& hostArg, const std::string& path, Target& t)
{
    if (!FExist(dm_, path, ConnectMode)) return false;
    const std::string host = HostOf(hostArg);
    const std::string name = TDM::ServerPath(host, FolderOfPath(path), DataFileName);
    if (dm_.IBDatabaseDAT.Connected() && dm_.IBDatabaseDAT.DatabaseName() == name) {
        t.db = &dm_.IBDatabaseDAT;
        t.tr = &dm_.IBTransactionDAT;
        return true;
    }
    try {
        t.ownDb = std::make_unique<fb::Connection>();
        t.ownDb->SetSQLDialect(3);
        t.ownDb->SetDatabaseName(name);
        TDM::SetLoginParams(*t.ownDb);
        t.ownDb->Open();
        t.ownTr = std::make_unique<fb::Transaction>(t.ownDb.get());
        t.db = t.ownDb.get();
        t.tr = t.ownTr.get();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TMyNumberIO", "データベースの接続に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail("データベースの接続に失敗しました。", e.what());
    }
    return false;
}

void TMyNumberIO::MakeLogRec(TMyNumberLogRec& rec, int code, const std::string& processName) const
{
    rec = TMyNumberLogRec{};
    rec.FSERIAL = SystemDef.SerialText;
    rec.FOPCODE = std::to_string(SystemDef.OpNo);
    rec.FOPNAME = sjis::Cut(SystemDef.OpName, 40);
    const std::string pc = SystemDef.PCName.empty() ? ShellFolders::ComputerName() : SystemDef.PCName;
    rec.FHOST = sjis::Cut(pc, 60);
    rec.FSTATE = static_cast<std::uint8_t>(code);
    rec.FPROCNAME = TrimBlanks(sjis::Cut(processName, 40));
    rec.FCOMMENT = TrimBlanks(sjis::Cut(MyNumberLogComment(code, processName), 100));
}

bool TMyNumberIO::AddLogOn(fb::Connection& db, fb::Transaction& tr, TMyNumberLogRec& rec)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        fb::TransactionGuard guard(tr);
        try {
            if (rec.FHIZUKE.empty()) rec.FHIZUKE = Clock();
            fb::Statement q(db, &tr);
            q.SetSQL("INSERT INTO MYNUMBER_LOG(FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,FSTATE,FPROCNAME,FCOMMENT) "
                     "VALUES(:FHIZUKE,:FSERIAL,:FOPCODE,:FOPNAME,:FHOST,:FSTATE,:FPROCNAME,:FCOMMENT)");
            q.ParamByName("FHIZUKE").SetString(rec.FHIZUKE);
            q.ParamByName("FSERIAL").SetString(rec.FSERIAL);
            q.ParamByName("FOPCODE").SetString(rec.FOPCODE);
            q.ParamByName("FOPNAME").SetString(rec.FOPNAME);
            q.ParamByName("FHOST").SetString(rec.FHOST);
            q.ParamByName("FSTATE").SetInteger(rec.FSTATE);
            q.ParamByName("FPROCNAME").SetString(rec.FPROCNAME);
            q.ParamByName("FCOMMENT").SetString(rec.FCOMMENT);
            q.ExecQuery();
            guard.CommitOrRetain();
            return true;
        } catch (const FbError& e) {
            guard.Rollback();
            if (e.IBErrorCode() == isc::unique_key_violation || e.IBErrorCode() == isc::no_dup) {
                // Another row of the same moment: take a new time stamp.
                rec.FHIZUKE.clear();
                continue;
            }
            ShowIBError(e, "TMyNumberIO.AddLog", kMsgAdd);
            return false;
        } catch (const std::exception& e) {
            guard.Rollback();
            ShowErrorDetail(kMsgAdd, e.what());
            return false;
        }
    }
    ShowErrorDetail(kMsgAdd, "");
    return false;
}

bool TMyNumberIO::AddLog(TMyNumberLogRec& rec) { return AddLogOn(dm_.IBDatabaseDAT, dm_.IBTransactionDAT, rec); }

bool TMyNumberIO::AddLogToData(TMyNumberLogRec& rec, const std::string& host, const std::string& path)
{
    Target t;
    return OpenTarget(host, path, t) && AddLogOn(*t.db, *t.tr, rec);
}

bool TMyNumberIO::ReadLogListOn(fb::Connection& db, fb::Transaction& tr, int order)
{
    LogList.clear();
    LogCount = 0;
    fb::TransactionGuard guard(tr);
    try {
        LogShougou = Shougou(db, tr);
        fb::Statement q(db, &tr);
        // The time stamp as the column's own text, so that it is matched again exactly.
        q.SetSQL(std::string("SELECT CAST(FHIZUKE AS VARCHAR(24)) AS FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,FSTATE,FPROCNAME,FCOMMENT "
                             "FROM MYNUMBER_LOG ") +
                 (order == 1 ? "ORDER BY FHIZUKE DESC,FSERIAL,FOPCODE" : "ORDER BY FHIZUKE,FSERIAL,FOPCODE"));
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            TMyNumberLogRec r;
            r.FHIZUKE = q.FieldByName("FHIZUKE").AsString();
            r.FSERIAL = q.FieldByName("FSERIAL").AsString();
            r.FOPCODE = q.FieldByName("FOPCODE").AsString();
            r.FOPNAME = q.FieldByName("FOPNAME").AsString();
            r.FHOST = q.FieldByName("FHOST").AsString();
            r.FSTATE = static_cast<std::uint8_t>(q.FieldByName("FSTATE").AsInteger());
            r.FPROCNAME = q.FieldByName("FPROCNAME").AsString();
            r.FCOMMENT = q.FieldByName("FCOMMENT").AsString();
            LogList.push_back(std::move(r));
        }
        LogCount = static_cast<int>(LogList.size());
        guard.CommitOrRetain();
        return true;
    } catch (const std::exception& e) {
        guard.Rollback();
        LogList.clear();
        LogCount = 0;
        ShowErrorDetail(kMsgRead, e.what());
        return false;
    }
}

bool TMyNumberIO::ReadLogList(int order) { return ReadLogListOn(dm_.IBDatabaseDAT, dm_.IBTransactionDAT, order); }

bool TMyNumberIO::ReadLogListOfData(const std::string& host, const std::string& path)
{
    Target t;
    return OpenTarget(host, path, t) && ReadLogListOn(*t.db, *t.tr, 0);
}

bool TMyNumberIO::MergeLog(const std::string& host, const std::string& path)
{
    if (LogShougou.empty()) return true;
    Target t;
    if (!OpenTarget(host, path, t)) return false;
    fb::TransactionGuard guard(*t.tr);
    try {
        if (Shougou(*t.db, *t.tr) != LogShougou) {
            guard.CommitOrRetain();
            return true;
        }
        for (TMyNumberLogRec& r : LogList) {
            fb::Statement q(*t.db, t.tr);
            q.SetSQL("SELECT COUNT(FHIZUKE) AS RECCNT FROM MYNUMBER_LOG "
                     "WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND (FOPCODE=:FOPCODE) AND (FHOST=:FHOST)");
            q.ParamByName("FHIZUKE").SetString(r.FHIZUKE);
            q.ParamByName("FSERIAL").SetString(r.FSERIAL);
            q.ParamByName("FOPCODE").SetString(r.FOPCODE);
            q.ParamByName("FHOST").SetString(r.FHOST);
            q.ExecQuery();
            const int n = q.FieldByName("RECCNT").AsInteger();
            q.Close();
            if (n == 0) {
                TMyNumberLogRec copy = r;
                if (!AddLogOn(*t.db, *t.tr, copy)) throw std::runtime_error(kMsgAdd);
            }
        }
        guard.CommitOrRetain();
        return true;
    } catch (const std::exception& e) {
        guard.Rollback();
        ShowErrorDetail(kMsgMerge, e.what());
        return false;
    }
}

bool TMyNumberIO::DeleteLog(const TMyNumberLogRec& rec)
{
    fb::TransactionGuard guard(dm_.IBTransactionDAT);
    try {
        DeleteLogRow(dm_.IBDatabaseDAT, dm_.IBTransactionDAT, rec);
        guard.CommitOrRetain();
        return true;
    } catch (const std::exception& e) {
        guard.Rollback();
        ShowErrorDetail(kMsgDelete, e.what());
        return false;
    }
}

bool TMyNumberIO::ReadSetting(const std::string& host, const std::string& path, const std::string& command,
                              const std::string& processName)
{
    Use = 0;
    Password.clear();
    SecondText.clear();
    StoredKey.clear();
    StoredValue.clear();
    WorkRec = TMyNumberLogRec{};
    Target t;
    if (!OpenTarget(host, path, t)) return false;
    fb::TransactionGuard guard(*t.tr);
    try {
        Use = RegAsInteger(GetAccReg(*t.db, *t.tr, kMyNumberGroup, kMyNumberUse, kRegInteger, "0"));
        ReadStoredText(*t.db, *t.tr, kMyNumberKey, StoredKey);
        ReadStoredText(*t.db, *t.tr, kMyNumberValue, StoredValue);
        Password = StoredKey.empty() ? std::string() : DecodeProtectText(StoredKey);
        SecondText = StoredValue.empty() ? std::string() : DecodeProtectText(StoredValue);
        if (AsciiUpper(command) == "MYNUMBER_CLEAR") {
            MakeLogRec(WorkRec, 3, processName.empty() ? "アプリケーション" : processName);
            WorkRec.FHIZUKE = Clock();
            // Kept outside the data set first: a job that stops before the write-back leaves
            // the settings here for the next connection to put back.
            WriteSafetyCopy({HostOf(host), path, StoredKey, StoredValue, Use, WorkRec});
            PutAccReg(*t.db, *t.tr, kMyNumberGroup, kMyNumberUse, kRegInteger, TRegValue(std::int32_t(0)));
            DeleteAccReg(*t.db, *t.tr, kMyNumberGroup, kMyNumberKey);
            DeleteAccReg(*t.db, *t.tr, kMyNumberGroup, kMyNumberValue);
            if (!AddLogOn(*t.db, *t.tr, WorkRec)) throw std::runtime_error(kMsgAdd);
        }
        guard.CommitOrRetain();
        return true;
    } catch (const std::exception& e) {
        guard.Rollback();
        std::error_code ec;
        if (AsciiUpper(command) == "MYNUMBER_CLEAR") fs::remove(MyNumberSafetyCopyPath(HostOf(host), path), ec);
        ShowErrorDetail(kMsgSetting, e.what());
        return false;
    }
}

bool TMyNumberIO::WriteSetting(const std::string& host, const std::string& path)
{
    if (Use != 1) return true;
    Target t;
    if (!OpenTarget(host, path, t)) return false;
    fb::TransactionGuard guard(*t.tr);
    try {
        PutBack(*t.db, *t.tr, Use, StoredKey, StoredValue, WorkRec);
        guard.CommitOrRetain();
        std::error_code ec;
        fs::remove(MyNumberSafetyCopyPath(HostOf(host), path), ec);
        return true;
    } catch (const std::exception& e) {
        guard.Rollback();
        ShowErrorDetail(kMsgSettingWrite, e.what());
        return false;
    }
}

std::string MyNumberSafetyCopyPath(const std::string& host, const std::string& path)
{
    // FNV-1a of host and path: a short file name; the file itself names both.
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : host + "\n" + path) h = (h ^ c) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "mynumber-%016llx.keep", static_cast<unsigned long long>(h));
    return (ShellFolders::AppDataDir(false) / "kenbo-rendo" / "mynumber" / name).string();
}

void RepairMyNumberSetting(TDM& dm, const std::string& hostArg, const std::string& folder)
{
    if (BackupRestoreJobRunning()) return;
    const std::string host = HostOf(hostArg);
    const std::string path = JoinPath(folder, DataFileName);
    TSafetyCopy c;
    if (!ReadSafetyCopy(host, path, c)) return;
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        if (c.use == 1) PutBack(dm.IBDatabaseDAT, dm.IBTransactionDAT, c.use, c.key, c.value, c.log);
        guard.CommitOrRetain();
        std::error_code ec;
        fs::remove(MyNumberSafetyCopyPath(host, path), ec);
    } catch (const std::exception& e) {
        guard.Rollback();
        ReportFailure(e, "TMyNumberIO.Repair", kMsgSettingWrite);
    }
}

} // namespace kb
