#include "accounting/DataInfomation.h"

#include "accounting/DataListTable.h"
#include "accounting/SitenList.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModuleAccReg.h"
#include "core/DataModulePassword.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5DateVersion.h"
#include "core/z5ServerFile.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <stdexcept>

namespace kb {
namespace {

const char* const kMsgGetInfo = "基本情報の取得に失敗しました。\r(iniファイル)";
const char* const kMsgLockInfo = "ロック情報の取得に失敗しました。";
const char* const kMsgUpdate = "データ情報の更新に失敗しました。";
const char* const kMsgKengen = "データ使用権限の問い合わせに失敗しました。";
const char* const kMsgPassword = "データのパスワード認証に失敗しました。";
const char* const kMsgNoKengen =
    "このデータを扱う権限がありません、他のデータを選択して下さい。\r"
    "権限を付与するには管理者でログインし、「オペレータ登録」より[選択中のデータを処理します]にチェックを入れて下さい。";
const char* const kMsgBadPassword = "このデータに設定されている「パスワード」と一致しませんでした。\r他のデータを選択して下さい。";
const char* const kMsgShareGone =
    "共有サーバー上のデータ領域が削除された可能性があります。\r現在の領域設定情報でデータ領域を作成します。";
const char* const kMsgShareBroken =
    "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\rデータのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
const char* const kMsgShareMissing =
    "共有サーバーが起動していない、接続が切断されている \rまたは 共有サーバー上のデータ領域が削除された可能性があります。\r処理を中止します。";

TDM& RequireDM()
{
    if (!DM) throw std::logic_error("the data module is not created");
    return *DM;
}

int ToIntOr0(const std::string& s)
{
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return (r.ec == std::errc() && r.ptr == s.data() + s.size()) ? v : 0;
}

std::string VersionText(int a, int b, int c) { return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c); }

// Valid journal entries of all branches: the trigger-kept counts of the branch master.
int YukouSiwakeCount(TDM& dm)
{
    if (AppKind > 2) throw std::logic_error("the cash book's journal count is not available");
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
    q.SetSQL("SELECT SUM(SIWAKECOUNT) AS SWKCNT FROM SISETUMST");
    q.ExecQuery();
    return q.Eof() ? 0 : q.FieldAt(0).AsInteger();
}

std::atomic<std::int64_t> g_siwakeScans{0};

// Entries updated or deleted (one line per entry).
int UpDelSiwakeCount(TDM& dm)
{
    ++g_siwakeScans;
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
    q.SetSQL("SELECT COUNT(REC) AS SWKCNT FROM SIWAKE\nWHERE (DELFLG IN (1,2) AND TAISHAKU=1)");
    q.ExecQuery();
    return q.Eof() ? 0 : q.FieldAt(0).AsInteger();
}

// The journal's record generator: every new journal line takes its number from it.
std::int64_t SiwakeGenerator(TDM& dm)
{
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
    q.SetSQL("SELECT GEN_ID(SIWAKE_REC_GEN, 0) AS GEN FROM RDB$DATABASE");
    q.ExecQuery();
    return q.Eof() ? 0 : q.FieldAt(0).AsInt64();
}

// Live plus updated and deleted entries; the scan of the journal only when the cache does not hold.
int TotalSiwakeCount(TDM& dm, int valid, TSiwakeCountCache* cache)
{
    if (!cache) return valid + UpDelSiwakeCount(dm);
    const std::string& database = dm.IBDatabaseDAT.DatabaseName();
    std::int64_t generator = 0;
    try {
        generator = SiwakeGenerator(dm);
    } catch (const FbError&) {
        // a data set without the generator has no stamp: count, and keep nothing
        *cache = {};
        return valid + UpDelSiwakeCount(dm);
    }
    if (cache->Database == database && cache->Generator == generator && cache->Valid == valid) return cache->Total;
    const int total = valid + UpDelSiwakeCount(dm);
    *cache = {database, generator, valid, total};
    return total;
}

// An integer setting of ACCREG (inserted with its default when missing, as every reader does).
int AccRegInteger(TDM& dm, const std::string& group, const std::string& code)
{
    return RegAsInteger(GetAccReg(dm, group, code, kRegInteger, "0"));
}

// These readers end a failure with a commit of what they started: a read has nothing to undo.
using Unfinished = fb::TransactionGuard::Unfinished;

void ShowInformation(const std::string& text) { ShowErrorDetail(text, "", TMsgDlgType::mtInformation); }

} // namespace

std::int64_t SiwakeScanCount() { return g_siwakeScans.load(); }

std::string DataStatusName(int status)
{
    if (status < 0 || status > 10) return "状態不明";
    return DataStatusNames[static_cast<std::size_t>(status)];
}

TDataInfomation::TDataInfomation(TDM& dm) : dm_(dm)
{
    ClearDataInfoRec(Rec);
    VersionList.ReadVersionList(0);
}

TDataInfomation::TDataInfomation() : TDataInfomation(RequireDM()) {}

std::string TDataInfomation::IniFileName(const std::string& folder)
{
    return JoinPath(folder, std::filesystem::path(DataFileName).replace_extension(".ini").string());
}

void TDataInfomation::ClearDataInfoRec(TDataInfomationRec& rec) { rec = TDataInfomationRec{}; }

bool TDataInfomation::DataFileExists(const std::string& folder) const
{
    // The server modes ask the server for its files.
    if (Mode == 1 || Mode == 2) return FExist(dm_, JoinPath(folder, DataFileName), Mode);
    return std::filesystem::exists(JoinPath(folder, DataFileName));
}

std::string TDataInfomation::GetVersionLabel(int major, int minor) const
{
    const std::string text = std::to_string(major) + "." + std::to_string(minor);
    for (int i = 0; i < VersionList.Count; ++i)
        if (VersionList.GetVersionText(i) == text) return VersionList.GetTypeName(i);
    return text;
}

bool TDataInfomation::GetDataInfoRec(TDataInfomationRec& rec)
{
    ClearDataInfoRec(rec);
    fb::Connection& db = dm_.IBDatabaseDAT;
    fb::Transaction& tr = dm_.IBTransactionDAT;
    const bool wasConnected = db.Connected();
    try {
        if (!wasConnected) db.Open();
        fb::TransactionGuard guard(tr, Unfinished::Commit);
        fb::Statement q(db, &tr);
        q.SetSQL("SELECT ENTTEXT,DATATYPE,CODETYPE,SCODE1,SKANA,SHOUGOU,TANTOU,NENDO,KISHU,KIMATU,SITEN,BUMON,DATALOCK\n"
                 "FROM ACCDEF1\nWHERE REC=1");
        q.ExecQuery();
        if (!q.Eof()) {
            rec.DATALISTNAME = q.FieldByName("ENTTEXT").AsString();
            rec.CODE = q.FieldByName("SCODE1").AsString();
            rec.DATAKBN = q.FieldByName("DATATYPE").AsInteger();
            rec.CODEKBN = q.FieldByName("CODETYPE").AsInteger();
            rec.SHOUGOU = q.FieldByName("SHOUGOU").AsString();
            rec.KANA = q.FieldByName("SKANA").AsString();
            rec.NENDO = q.FieldByName("NENDO").AsInteger();
            rec.KISHU = q.FieldByName("KISHU").AsDate().ToString();
            rec.KIMATU = q.FieldByName("KIMATU").AsDate().ToString();
            rec.TANTO = q.FieldByName("TANTOU").AsInteger();
            rec.SITEN = q.FieldByName("SITEN").AsInteger();
            rec.BUMON = q.FieldByName("BUMON").AsInteger();
            rec.UPDATE_LOCK = q.FieldByName("DATALOCK").AsInteger();
        }
        q.Close();

        rec.GASSANKBN = static_cast<std::uint8_t>(AccRegInteger(dm_, "基本設定", "合算データ区分"));

        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION\nWHERE REC=1\nORDER BY MAJOR,MINOR1,MINOR2");
        q.ExecQuery();
        if (!q.Eof()) {
            rec.MAJOR = q.FieldByName("MAJOR").AsInteger();
            rec.MINOR1 = q.FieldByName("MINOR1").AsInteger();
            rec.MINOR2 = q.FieldByName("MINOR2").AsInteger();
            rec.VERSION2 = GetVersionLabel(rec.MAJOR, rec.MINOR1);
        }
        q.Close();

        if (rec.SITEN > 0) {
            q.SetSQL("SELECT COUNT(SCODE) AS RECCNT FROM SISETUMST\nWHERE SCODE <> ''");
            q.ExecQuery();
            rec.SITENCNT = q.FieldByName("RECCNT").AsInteger();
            q.Close();
        }
        if (rec.BUMON > 0) {
            q.SetSQL("SELECT COUNT(BCODE) AS RECCNT FROM BUMONMST\nWHERE BCODE <> ''");
            q.ExecQuery();
            rec.BUMONCNT = q.FieldByName("RECCNT").AsInteger();
            q.Close();
        }

        const int valid = YukouSiwakeCount(dm_);
        rec.SIWAKE = valid;
        rec.TOTALSIWAKE = TotalSiwakeCount(dm_, valid, SiwakeCounts);

        rec.USEMYNUMBER = AccRegInteger(dm_, "基本設定", "＃USE");

        const std::string version = VersionText(rec.MAJOR, rec.MINOR1, rec.MINOR2);
        if (IsCloudShareMode(0) && IsVersionNewer(version, "11.0.0")) {
            q.SetSQL("SELECT CLOUD_LINE\nFROM ACCDEF1\nWHERE REC=1");
            q.ExecQuery();
            rec.CLOUD_SHARE = (!q.Eof() && q.FieldByName("CLOUD_LINE").AsInteger() > 0) ? 1 : 0;
            q.Close();
        }
        if (IsVersionAtLeast(version, "12.0.0")) {
            q.SetSQL("SELECT READ_ONLY\nFROM ACCDEF1\nWHERE REC=1");
            q.ExecQuery();
            rec.READ_ONLY = q.Eof() ? 0 : q.FieldByName("READ_ONLY").AsInteger();
            q.Close();
        }
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        if (e.IBErrorCode() == isc::dsql_error) throw;
        ShowIBError(e, "TDataInfomation.GetDataInfoRec", kMsgGetInfo);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgGetInfo, e.what());
    }
    if (!wasConnected && db.Connected()) db.Close();
    return false;
}

bool TDataInfomation::ReadDataInfoFromFolder(const std::string& folder, TDataInfomationRec& rec)
{
    if (!DataFileExists(folder)) return false;
    bool result = false;
    if (dm_.fnAccDatConnected(SystemDef.HostName, folder, false)) result = GetDataInfoRec(rec);
    dm_.fnAccDatDisConnected(folder, false, false);
    return result;
}

void TDataInfomation::ReadIniSections(const std::string& folder, TDataInfomationRec& rec)
{
    const IniFile ini(IniFileName(folder));
    const char* s = kSectionDataSts;
    rec.STATUS = static_cast<std::uint8_t>(ini.ReadInteger(s, "STATUS", 1));
    rec.OPCODE = ini.ReadInteger(s, "OPCODE", 0);
    rec.OPERATOR = ini.ReadString(s, "OPERATOR", "");
    rec.SHARE_STATUS = static_cast<std::uint8_t>(ini.ReadInteger(s, "SHARE_STATUS", 1));
    rec.SHARE_OPCODE = ini.ReadInteger(s, "SHARE_OPCODE", 0);
    rec.SHARE_OPERATOR = ini.ReadString(s, "SHARE_OPERATOR", "");
    rec.UPDATE_LOCK = ini.ReadInteger(s, "UPDATE_LOCK", 0);
    rec.READ_ONLY = ini.ReadInteger(s, "READ_ONLY", 0);

    s = kSectionDataInfo;
    rec.DATALISTNAME = ini.ReadString(s, "DATALISTNAME", "");
    rec.CODE = ini.ReadString(s, "CODE", "");
    rec.DATAKBN = ini.ReadInteger(s, "DATAKBN", 0);
    rec.CODEKBN = ini.ReadInteger(s, "CODEKBN", 0);
    rec.SHOUGOU = ini.ReadString(s, "SHOUGOU", "");
    rec.KANA = ini.ReadString(s, "KANA", "");
    rec.NENDO = ini.ReadInteger(s, "NENDO", 0);
    rec.KISHU = ini.ReadString(s, "KISHU", "");
    rec.KIMATU = ini.ReadString(s, "KIMATU", "");
    rec.TANTO = ini.ReadInteger(s, "TANTO", 0);
    rec.SITEN = ini.ReadInteger(s, "SITEN", 0);
    rec.SITENCNT = ini.ReadInteger(s, "SITENCNT", 0);
    rec.BUMON = ini.ReadInteger(s, "BUMON", 0);
    rec.BUMONCNT = ini.ReadInteger(s, "BUMONCNT", 0);
    rec.SIWAKE = ini.ReadInteger(s, "SIWAKE", 0);
    rec.TOTALSIWAKE = ini.ReadInteger(s, "TOTALSIWAKE", 0);
    std::vector<std::string> parts;
    const std::string v1 = ini.ReadString(s, "VERSION1", "");
    for (std::size_t pos = 0; pos <= v1.size();) {
        const auto dot = v1.find('.', pos);
        parts.push_back(v1.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos));
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    parts.resize(std::max<std::size_t>(parts.size(), 3));
    rec.MAJOR = ToIntOr0(parts[0]);
    rec.MINOR1 = ToIntOr0(parts[1]);
    rec.MINOR2 = ToIntOr0(parts[2]);
    rec.VERSION2 = ini.ReadString(s, "VERSION2", "");
    rec.GASSANKBN = static_cast<std::uint8_t>(ini.ReadInteger(s, "GASSANKBN", 0));
    rec.USEMYNUMBER = ini.ReadInteger(s, "USEMYNUMBER", 0);
    rec.CLOUD_SHARE = static_cast<std::uint8_t>(ini.ReadInteger(s, "CLOUD_SHARE", 0));
    if (rec.DATALISTNAME.empty()) rec.DATALISTNAME = rec.SHOUGOU;
}

bool TDataInfomation::ReadIniFile(const std::string& host, const std::string& folder, TDataInfomationRec& rec)
{
    ClearDataInfoRec(rec);
    if (folder.empty()) return true;
    if (Mode == 0) {
        const bool dbExists = std::filesystem::exists(JoinPath(folder, DataFileName));
        const bool iniExists = std::filesystem::exists(IniFileName(folder));
        if (!dbExists && !iniExists) return false;
        // No mapped network drives here: every folder counts as local.
        if (dbExists && !iniExists) {
            // Connecting with use recording writes the file; disconnecting marks it free again.
            if (!dm_.fnAccDatConnected(host, folder, true)) {
                rec.STATUS = dsCannotOpen;
                return true;
            }
            dm_.fnAccDatDisConnected(folder, true, false);
        }
        ReadIniSections(folder, rec);
        return true;
    }
    if (Mode == 1 || Mode == 2) return ReadIniFileServer(host, folder, rec);
    return true;
}

bool TDataInfomation::ReadIniFileServer(const std::string& host, const std::string& folder, TDataInfomationRec& rec)
{
    const std::string upperFolder = AsciiUpper(folder);
    fb::Connection& sys = dm_.IBDatabaseDEF;
    fb::Transaction& str = dm_.IBTransactionDEF;
    const bool sysWasConnected = sys.Connected();
    try {
        if (!sysWasConnected) dm_.fnAccDefConnected(host, false);
        fb::TransactionGuard guard(str, Unfinished::Commit);
        const std::string table = DataListTableOf(sys, str, folder);
        fb::Statement q(sys, &str);
        // The table name is one of two fixed names, never data.
        q.SetSQL(std::string("SELECT D.DATALOCK,O.OPCODE,O.OPNAME,\n"
                             "D.ENTTEXT,D.DATACODE,D.DATATYPE,D.CODETYPE,D.SHOUGOU,D.NENDO,D.KISHU,D.KIMATU,D.TANTOU,"
                             "D.UPDATE_LOCK,D.VER_TEXT\n,D.VER_MAJOR,D.VER_MINOR1,D.VER_MINOR2\n,D.CLOUD\n,D.READ_ONLY\n"
                             "FROM ") +
                 table +
                 " D\nLEFT JOIN OPERATOR O ON(D.GROUPID=O.GROUPID AND D.DATALOCK=O.OPCODE)\n"
                 "WHERE (D.DATALOCK<>0)AND(UPPER(D.PASNAME)=:PASNAME)AND(D.GROUPID=:GROUPID)");
        q.ParamByName("PASNAME").SetString(upperFolder);
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            rec.STATUS = dsLocked;
            rec.OPCODE = q.FieldByName("OPCODE").AsInteger() + SystemDef.GroupId * 10000;
            rec.OPERATOR = q.FieldByName("OPNAME").AsString();
            rec.DATALISTNAME = q.FieldByName("ENTTEXT").AsString();
            rec.CODE = q.FieldByName("DATACODE").AsString();
            rec.DATAKBN = q.FieldByName("DATATYPE").AsInteger();
            rec.CODEKBN = q.FieldByName("CODETYPE").AsInteger();
            rec.SHOUGOU = q.FieldByName("SHOUGOU").AsString();
            rec.NENDO = q.FieldByName("NENDO").AsInteger();
            rec.KISHU = q.FieldByName("KISHU").AsDate().ToString();
            rec.KIMATU = q.FieldByName("KIMATU").AsDate().ToString();
            rec.TANTO = q.FieldByName("TANTOU").AsInteger();
            rec.UPDATE_LOCK = q.FieldByName("UPDATE_LOCK").AsInteger();
            rec.MAJOR = q.FieldByName("VER_MAJOR").AsInteger();
            rec.MINOR1 = q.FieldByName("VER_MINOR1").AsInteger();
            rec.MINOR2 = q.FieldByName("VER_MINOR2").AsInteger();
            rec.VERSION2 = q.FieldByName("VER_TEXT").AsString();
            rec.CLOUD_SHARE = static_cast<std::uint8_t>(q.FieldByName("CLOUD").AsInteger());
            rec.READ_ONLY = q.FieldByName("READ_ONLY").AsInteger();
        }
        q.Close();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TDataInfomation.ReadIniFile", kMsgLockInfo);
        rec.STATUS = dsFree;  // after an error the data set counts as not locked
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgLockInfo, e.what());
        rec.STATUS = dsFree;
    }

    bool result = true;
    if (rec.STATUS == dsLocked) {
        result = false;
    } else if (dm_.fnAccDatConnected(host, folder, false)) {
        GetDataInfoRec(rec);
        dm_.fnAccDatDisConnected(folder, false, false);
        rec.STATUS = dm_.AccDatInConnection(1, host, false, folder) ? dsInUse : dsFree;
    } else {
        rec.STATUS = dsCannotOpen;
    }
    if (!sysWasConnected && sys.Connected()) sys.Close();
    return result;
}

bool TDataInfomation::ReadDataIni(const std::string& folder, TDataInfomationRec& rec)
{
    return ReadIniFile(SystemDef.HostName, folder, rec);
}

void TDataInfomation::WriteIniFile(const std::string& folder, const std::string& section, const TDataInfomationRec& rec)
{
    if (folder.empty() || !Writable()) return;
    Rec = rec;
    const IniFile file(IniFileName(folder));
    // One save for the whole record: a reader or a kill never meets half a section.
    IniFile::Batch ini(file);
    if (section.empty() || SameText(section, kSectionDataSts)) {
        const char* s = kSectionDataSts;
        ini.EraseSection(s);
        ini.WriteInteger(s, "STATUS", rec.STATUS);
        if (rec.OPCODE != 0) {
            ini.WriteInteger(s, "OPCODE", rec.OPCODE);
            ini.WriteString(s, "OPERATOR", rec.OPERATOR);
        }
        ini.WriteInteger(s, "SHARE_STATUS", rec.SHARE_STATUS);
        if (rec.SHARE_OPCODE != 0) {
            ini.WriteInteger(s, "SHARE_OPCODE", rec.SHARE_OPCODE);
            ini.WriteString(s, "SHARE_OPERATOR", rec.SHARE_OPERATOR);
        }
        ini.WriteInteger(s, "UPDATE_LOCK", rec.UPDATE_LOCK);
        ini.WriteInteger(s, "READ_ONLY", rec.READ_ONLY);
    }
    if (section.empty() || SameText(section, kSectionDataInfo)) {
        const char* s = kSectionDataInfo;
        ini.EraseSection(s);
        ini.WriteString(s, "DATALISTNAME", rec.DATALISTNAME);
        ini.WriteString(s, "CODE", rec.CODE);
        ini.WriteInteger(s, "DATAKBN", rec.DATAKBN);
        ini.WriteInteger(s, "CODEKBN", rec.CODEKBN);
        ini.WriteString(s, "SHOUGOU", rec.SHOUGOU);
        ini.WriteString(s, "KANA", rec.KANA);
        ini.WriteInteger(s, "NENDO", rec.NENDO);
        ini.WriteString(s, "KISHU", rec.KISHU);
        ini.WriteString(s, "KIMATU", rec.KIMATU);
        ini.WriteInteger(s, "TANTO", rec.TANTO);
        ini.WriteInteger(s, "SITEN", rec.SITEN);
        ini.WriteInteger(s, "SITENCNT", rec.SITENCNT);
        ini.WriteInteger(s, "BUMON", rec.BUMON);
        ini.WriteInteger(s, "BUMONCNT", rec.BUMONCNT);
        ini.WriteInteger(s, "SIWAKE", rec.SIWAKE);
        ini.WriteInteger(s, "TOTALSIWAKE", rec.TOTALSIWAKE);
        ini.WriteString(s, "VERSION1", VersionText(rec.MAJOR, rec.MINOR1, rec.MINOR2));
        ini.WriteString(s, "VERSION2", rec.VERSION2);
        ini.WriteInteger(s, "GASSANKBN", rec.GASSANKBN);
        ini.WriteInteger(s, "USEMYNUMBER", rec.USEMYNUMBER);
        ini.WriteInteger(s, "CLOUD_SHARE", rec.CLOUD_SHARE);
    }
    ini.Commit();
}

void TDataInfomation::WriteIniValue(const std::string& folder, const std::string& section, bool remove,
                                    const std::string& value, const std::string& key)
{
    if (folder.empty() || !Writable()) return;
    IniFile ini(IniFileName(folder));
    if (remove)
        ini.EraseKey(section, key);
    else
        ini.WriteString(section, key, value);
}

void TDataInfomation::WriteIniValue(const std::string& folder, const std::string& section, bool remove,
                                    std::int32_t value, const std::string& key)
{
    WriteIniValue(folder, section, remove, std::to_string(value), key);
}

namespace {
// A status with the operator who set it (kept only while the status is held), in one save.
void WriteStatusKeys(const std::string& iniPath, int status, bool release, const char* statusKey, const char* opCodeKey,
                     const char* opNameKey)
{
    const IniFile file(iniPath);
    IniFile::Batch ini(file);
    ini.WriteInteger(kSectionDataSts, statusKey, status);
    if (release) {
        ini.EraseKey(kSectionDataSts, opCodeKey);
        ini.EraseKey(kSectionDataSts, opNameKey);
    } else {
        ini.WriteInteger(kSectionDataSts, opCodeKey, SystemDef.OpCode);
        ini.WriteString(kSectionDataSts, opNameKey, SystemDef.OpName);
    }
    ini.Commit();
}
} // namespace

void TDataInfomation::SetDataStatus(const std::string& folder, int status)
{
    if (folder.empty() || !Writable()) return;
    WriteStatusKeys(IniFileName(folder), status, status == dsFree, "STATUS", "OPCODE", "OPERATOR");
}

void TDataInfomation::SetShareStatus(const std::string& folder, int status)
{
    if (folder.empty() || !Writable()) return;
    WriteStatusKeys(IniFileName(folder), status, status == 1, "SHARE_STATUS", "SHARE_OPCODE", "SHARE_OPERATOR");
}

bool TDataInfomation::ChangeShareStatus(const std::string& folder, int status)
{
    ReadDataIni(folder, Rec);
    if ((status == 1 || status == 2) && Rec.SHARE_STATUS != status) {
        SetShareStatus(folder, status);
        return true;
    }
    return false;
}

void TDataInfomation::UpdateIniFile(const std::string& folder, const std::string& section)
{
    if (folder.empty() || !Writable()) return;
    if (!section.empty()) {
        ClearDataInfoRec(Rec);
        if (SameText(section, kSectionDataInfo)) {
            TDataInfomationRec rec;
            const bool connected = dm_.fnAccDatConnected(SystemDef.HostName, folder, false);
            const bool read = connected && GetDataInfoRec(rec);
            dm_.fnAccDatDisConnected(folder, false, false);
            // A data set that could not be read keeps the facts the file has.
            if (!read) return;
            Rec = rec;
        }
        WriteIniFile(folder, section, Rec);
        return;
    }
    // No mapped network drives here: the data module rewrites the whole file.
    if (dm_.fnAccDatConnected(SystemDef.HostName, folder, true)) dm_.fnAccDatDisConnected(folder, true, false);
}

void TDataInfomation::UpdateDataInfomation(const std::string& host, const std::string& folder, const TDataInfomationRec& rec)
{
    fb::Transaction& tr = dm_.IBTransactionDAT;
    try {
        if (dm_.fnAccDatConnected(host, folder, false)) {
            // A failed write is a single statement that did nothing: the reads before it are committed.
            fb::TransactionGuard guard(tr, Unfinished::Commit);
            fb::Statement q(dm_.IBDatabaseDAT, &tr);
            std::string name = rec.DATALISTNAME;
            if (TrimZen(name).empty()) {
                q.SetSQL("SELECT ENTTEXT FROM ACCDEF1\nWHERE REC=1");
                q.ExecQuery();
                if (!q.Eof()) name = q.FieldByName("ENTTEXT").AsString();
                q.Close();
            }
            name = TrimZen(FixLeft(name, 40));
            q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION\nWHERE REC=1");
            q.ExecQuery();
            std::string version = "0.0.0";
            if (!q.Eof())
                version = VersionText(q.FieldByName("MAJOR").AsInteger(), q.FieldByName("MINOR1").AsInteger(),
                                      q.FieldByName("MINOR2").AsInteger());
            q.Close();
            const bool readOnlyColumn = IsVersionAtLeast(version, "12.0.0");
            q.SetSQL(std::string("UPDATE ACCDEF1 SET ENTTEXT=:ENTTEXT,DATALOCK=:DATALOCK") +
                     (readOnlyColumn ? ",READ_ONLY=:READ_ONLY" : "") + "\nWHERE REC=1");
            q.ParamByName("ENTTEXT").SetString(name);
            q.ParamByName("DATALOCK").SetInteger(rec.UPDATE_LOCK);
            if (readOnlyColumn) q.ParamByName("READ_ONLY").SetInteger(rec.READ_ONLY);
            q.ExecQuery();
            guard.Commit();
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.UpdateDataInfomation", kMsgUpdate);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgUpdate, e.what());
    }
    dm_.fnAccDatDisConnected(folder, false, false);
}

int TDataInfomation::PutShareData(const std::string& shareFolder, const std::string& localFolder, int quiet)
{
    if (shareFolder.empty() || localFolder.empty()) return 0;
    ChangeShareStatus(shareFolder, 1);
    SetShareStatus(localFolder, 1);
    try {
        SetDataStatus(shareFolder, dsPasting);
    } catch (const std::exception&) {
        // The server folder is gone; the copy below makes it again.
        if (quiet != 1) ShowInformation(kMsgShareGone);
    }
    const std::string stem = std::filesystem::path(DataFileName).stem().string();
    std::error_code ec;
    std::filesystem::create_directories(shareFolder, ec);
    const bool copied = CopyMoveDirectory(JoinPath(localFolder, stem + ".*"), shareFolder, 2);
    SetDataStatus(localFolder, dsFree);
    SetDataStatus(shareFolder, dsFree);
    if (copied) return 1;
    SetShareStatus(localFolder, 2);
    ChangeShareStatus(shareFolder, 2);
    return 0;
}

int TDataInfomation::GetShareData(const std::string& shareFolder, const std::string& localFolder, int quiet)
{
    if (shareFolder.empty() || localFolder.empty()) return 0;
    const bool loud = quiet != 1;
    std::error_code ec;
    std::filesystem::create_directories(localFolder, ec);
    if (ec || !std::filesystem::is_directory(localFolder)) {
        if (loud) {
            std::string text = "\"%s\"の作成に失敗しました。";
            text.replace(text.find("%s"), 2, localFolder);
            ShowErrorDetail(text, "", TMsgDlgType::mtWarning);
        }
        return 0;
    }
    ReadDataIni(shareFolder, Rec);
    if (Rec.STATUS == dsBroken) {
        if (loud) throw std::runtime_error(kMsgShareBroken);
        return -1;
    }
    const std::string stem = std::filesystem::path(DataFileName).stem().string();
    const bool shareExists = std::filesystem::is_directory(shareFolder);
    if (Rec.SHARE_STATUS == 2) {
        // Taken out already. A working folder that holds data keeps it: the copy on the share may
        // be older than the work there.
        if (shareExists) {
            if (!std::filesystem::exists(JoinPath(localFolder, DataFileName)))
                CopyMoveDirectory(JoinPath(shareFolder, stem + ".*"), localFolder, 2);
        } else if (loud) {
            throw std::runtime_error(kMsgShareMissing);
        }
        return -1;
    }
    if (!shareExists) {
        if (loud) throw std::runtime_error(kMsgShareMissing);
        return 0;
    }
    SetDataStatus(shareFolder, dsPasting);
    const bool copied = CopyMoveDirectory(JoinPath(shareFolder, stem + ".*"), localFolder, 2);
    WaitMSec(300);
    SetDataStatus(localFolder, dsFree);
    SetDataStatus(shareFolder, dsFree);
    // Only a copy that arrived marks the shared data as taken out by this operator.
    if (!copied) return 0;
    SetShareStatus(localFolder, 2);
    ChangeShareStatus(shareFolder, 2);
    return 1;
}

bool TDataInfomation::IsDataSiyouKengen(const std::string& folder)
{
    if (folder.empty()) return false;
    fb::Transaction& tr = dm_.IBTransactionDAT;
    bool result = false;
    const bool wasActive = tr.InTransaction();
    try {
        if (!DataFileExists(folder) || IsAllSisetuAllowed()) return true;
        if (dm_.fnAccDatConnected(SystemDef.HostName, folder, false)) {
            fb::TransactionGuard guard(tr, Unfinished::Commit);
            if (fnGetExistsOpeDefSisetu(dm_) && fnGetAccInfo(dm_)) {
                // the lists read in the active transaction, or in one of their own when it ended
                fb::TransactionGuard lists(tr, Unfinished::Commit);
                TSitenList all(dm_), own(dm_);
                all.SetTransaction(tr);
                own.SetTransaction(tr);
                all.Options = 4;
                own.Options = 4;
                all.Execute(-1);
                own.Execute(SystemDef.OpCode);
                result = all.Count == own.Count;
                lists.Commit();
            }
            guard.Commit();
        }
        if (!result) ShowInformation(kMsgNoKengen);
    } catch (const FbError& e) {
        if (!wasActive) ShowIBError(e, "TDataInfomation.IsDataSiyouKengen", kMsgKengen);
        result = false;
    } catch (const std::exception& e) {
        if (!wasActive) ShowErrorDetail(kMsgKengen, e.what());
        result = false;
    }
    dm_.fnAccDatDisConnected(folder, false, false);
    return result;
}

bool TDataInfomation::IsDataPasswordAuth(const std::string& folder)
{
    if (folder.empty()) return false;
    fb::Transaction& tr = dm_.IBTransactionDAT;
    bool result = false;
    const bool wasActive = tr.InTransaction();
    try {
        if (!DataFileExists(folder)) return true;
        if (dm_.fnAccDatConnected(SystemDef.HostName, folder, false)) {
            fb::TransactionGuard guard(tr, Unfinished::Commit);
            if (fnGetAccInfo(dm_)) {
                result = CheckDataPassword();
                if (!result) ShowInformation(kMsgBadPassword);
            }
            guard.Commit();
        }
    } catch (const FbError& e) {
        if (!wasActive) ShowIBError(e, "TDataInfomation.IsDataPasswordAuth", kMsgPassword);
        result = false;
    } catch (const std::exception& e) {
        if (!wasActive) ShowErrorDetail(kMsgPassword, e.what());
        result = false;
    }
    dm_.fnAccDatDisConnected(folder, false, false);
    return result;
}

} // namespace kb
