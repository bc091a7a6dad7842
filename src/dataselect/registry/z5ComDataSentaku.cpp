#include "dataselect/registry/z5ComDataSentaku.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5DateVersion.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace kb {

// ---- small helpers ---------------------------------------------------------------------------

bool IsAreaName(const std::string& name) { return name.empty() || name == kFreeAreaName || name == kNewAreaName; }

std::string GetDataStatusName(int status)
{
    static const char* const names[] = {"－", "－", "使用中", "データロック中", "保存中", "復元中",
                                        "コピー中", "貼り付け中", "削除中", "新規作成中", "破損"};
    if (status < 0 || status > 10) return "状態不明";
    return names[status];
}

bool IsZeroDate(const Date& d) { return d.IsNull() || d.Serial() == 0; }

std::string MakeKikanText(const Date& kishu, const Date& kimatu)
{
    if (IsZeroDate(kishu) || IsZeroDate(kimatu)) return {};
    return KikanToStr(kishu, kimatu, false);
}

int OperatorCodeOf(int opNumber, int groupId)
{
    if (groupId == 0) return opNumber;
    return opNumber % (groupId * 10000);
}

std::string NormalizeDataPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string LastFolderName(const std::string& path)
{
    const std::string p = NormalizeDataPath(path);
    const auto pos = p.rfind('/');
    return pos == std::string::npos ? p : p.substr(pos + 1);
}

bool SameListColumns(const TDataListRec& a, const TDataListRec& b)
{
    auto date = [](const Date& d) { return IsZeroDate(d) ? Date{} : d; };
    return a.REC == b.REC && a.PASNAME == b.PASNAME && a.ENTTEXT == b.ENTTEXT && a.SHOUGOU == b.SHOUGOU &&
           a.NETDRIVE == b.NETDRIVE && a.DATATYPE == b.DATATYPE && a.CODETYPE == b.CODETYPE && a.NENDO == b.NENDO &&
           date(a.KISHU) == date(b.KISHU) && date(a.KIMATU) == date(b.KIMATU) && a.DATALOCK == b.DATALOCK &&
           a.KYOYULOCK == b.KYOYULOCK && a.TANTOU == b.TANTOU && a.VER_MAJOR == b.VER_MAJOR &&
           a.VER_MINOR1 == b.VER_MINOR1 && a.VER_MINOR2 == b.VER_MINOR2 && a.VER_TEXT == b.VER_TEXT &&
           a.UPDATE_LOCK == b.UPDATE_LOCK && a.GASSAN == b.GASSAN && a.DATACODE == b.DATACODE &&
           a.DATA_STATUS == b.DATA_STATUS && a.YOBI1 == b.YOBI1 && a.YOBI2 == b.YOBI2 && a.YOBI3 == b.YOBI3 &&
           a.CLOUD == b.CLOUD && a.READ_ONLY == b.READ_ONLY;
}

namespace {
struct TKeptSource {
    std::uint8_t ConnectMode = 0;
    std::string HostName, SysDir, DataDir;
    int AllSisetuSwitch = 0;
    int SysDbMajor = 0, SysDbMinor1 = 0, SysDbMinor2 = 0;
};
TKeptSource& Kept()
{
    static TKeptSource k;
    return k;
}
} // namespace

void SwitchDataSource(const std::string& step)
{
    TKeptSource& k = Kept();
    if (step == "backup") {
        k = {ConnectMode, SystemDef.HostName, SystemDef.SysDir, SystemDef.DataDir, SystemDef.AllSisetuSwitch,
             SystemDef.SysDbMajor, SystemDef.SysDbMinor1, SystemDef.SysDbMinor2};
    } else if (step == "local") {
        ConnectMode = 0;
        SystemDef.HostName.clear();
        SystemDef.SysDir = NormalizeDataPath(SystemDef.AppDataDir) + "/data";
        SystemDef.AllSisetuSwitch = 1;
    } else if (step == "server") {
        ConnectMode = k.ConnectMode;
        SystemDef.HostName = k.HostName;
        SystemDef.SysDir = k.SysDir;
        SystemDef.DataDir = k.DataDir;
        SystemDef.AllSisetuSwitch = k.AllSisetuSwitch;
        SystemDef.SysDbMajor = k.SysDbMajor;
        SystemDef.SysDbMinor1 = k.SysDbMinor1;
        SystemDef.SysDbMinor2 = k.SysDbMinor2;
    } else {
        throw std::invalid_argument("SwitchDataSource: " + step);
    }
}

std::string DriveLetterOf(const std::string& path) { return path.empty() ? std::string(" ") : path.substr(0, 1); }

namespace {

std::string Format4(int n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4d", n);
    return buf;
}

std::string SysFolder() { return NormalizeDataPath(SystemDef.SysDir); }

int ToIntDef(const std::string& s, int def)
{
    try {
        std::size_t used = 0;
        const int v = std::stoi(s, &used);
        return used == s.size() ? v : def;
    } catch (const std::exception&) {
        return def;
    }
}

fb::Transaction& SysTr()
{
    if (!DM) throw std::runtime_error("データモジュールがありません。");
    return DM->IBTransactionDEF;
}

// Every registry operation joins the caller's transaction or starts one (fb::TransactionGuard):
// a reader's failure ends what it started with a commit, a writer commit-retains the caller's.
using Unfinished = fb::TransactionGuard::Unfinished;

enum class Kind { Reader, Writer };

// Runs body inside a frame; a failure is reported (report) or passed on.
template <class F>
bool Guarded(bool report, const std::string& op, const std::string& msg, Kind kind, F&& body)
{
    std::optional<fb::TransactionGuard> t;
    try {
        t.emplace(SysTr(), kind == Kind::Reader ? Unfinished::Commit : Unfinished::Rollback);
        body();
        if (kind == Kind::Writer) t->CommitOrRetain();
        else t->Commit();
        return true;
    } catch (const FbError& e) {
        if (t) t->EndUnfinished();
        if (!report) throw;
        ShowIBError(e, "TDataSentakuListCtl." + op, msg);
    } catch (const std::exception& e) {
        if (t) t->EndUnfinished();
        if (!report) throw;
        ShowErrorDetail(msg, e.what());
    }
    return false;
}

std::unique_ptr<fb::Statement> NewQuery()
{
    if (!DM) throw std::runtime_error("データモジュールがありません。");
    return std::make_unique<fb::Statement>(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
}

void BindInt(fb::Statement& q, const char* name, int v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetInteger(v);
}
void BindStr(fb::Statement& q, const char* name, const std::string& v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetString(v);
}
void BindDate(fb::Statement& q, const char* name, const Date& d)
{
    if (!q.HasParam(name)) return;
    if (IsZeroDate(d)) q.ParamByName(name).SetNull();
    else q.ParamByName(name).SetDate(d);
}

// Every field of the record whose parameter the statement names.
void BindRecord(fb::Statement& q, const TDataListRec& r)
{
    BindInt(q, "REC", r.REC);
    BindInt(q, "ROWNO", r.ROWNO);
    BindInt(q, "GROUPID", r.GROUPID);
    BindStr(q, "ENTTEXT", r.ENTTEXT);
    BindStr(q, "SHOUGOU", r.SHOUGOU);
    BindStr(q, "PASNAME", r.PASNAME);
    BindInt(q, "NETDRIVE", r.NETDRIVE);
    BindInt(q, "DATATYPE", r.DATATYPE);
    BindInt(q, "CODETYPE", r.CODETYPE);
    BindInt(q, "NENDO", r.NENDO);
    BindDate(q, "KISHU", r.KISHU);
    BindDate(q, "KIMATU", r.KIMATU);
    BindInt(q, "DATALOCK", r.DATALOCK);
    BindInt(q, "KYOYULOCK", r.KYOYULOCK);
    BindInt(q, "TANTOU", r.TANTOU);
    BindInt(q, "VER_MAJOR", r.VER_MAJOR);
    BindInt(q, "VER_MINOR1", r.VER_MINOR1);
    BindInt(q, "VER_MINOR2", r.VER_MINOR2);
    BindStr(q, "VER_TEXT", r.VER_TEXT);
    BindInt(q, "UPDATE_LOCK", r.UPDATE_LOCK);
    BindInt(q, "GASSAN", r.GASSAN);
    BindStr(q, "DATACODE", r.DATACODE);
    BindInt(q, "DATA_STATUS", r.DATA_STATUS);
    BindStr(q, "YOBI1", r.YOBI1);
    BindStr(q, "YOBI2", r.YOBI2);
    BindStr(q, "YOBI3", r.YOBI3);
    BindInt(q, "CLOUD", r.CLOUD);
    BindInt(q, "READ_ONLY", r.READ_ONLY);
}

int FieldInt(const fb::Statement& q, const char* name) { return q.HasField(name) ? q.FieldByName(name).AsInteger() : 0; }
std::string FieldStr(const fb::Statement& q, const char* name)
{
    return q.HasField(name) ? q.FieldByName(name).AsString() : std::string();
}
Date FieldDate(const fb::Statement& q, const char* name)
{
    if (!q.HasField(name)) return {};
    const Date d = q.FieldByName(name).AsDate();
    return IsZeroDate(d) ? Date{} : d;
}

// Every selected column into the field of the same name.
void ReadColumns(const fb::Statement& q, TDataListRec& r)
{
    r.REC = FieldInt(q, "REC");
    r.ROWNO = FieldInt(q, "ROWNO");
    r.GROUPID = SystemDef.GroupId;
    r.DATACODE = FieldStr(q, "DATACODE");
    r.ENTTEXT = FieldStr(q, "ENTTEXT");
    r.SHOUGOU = FieldStr(q, "SHOUGOU");
    r.NENDO = FieldInt(q, "NENDO");
    r.KISHU = FieldDate(q, "KISHU");
    r.KIMATU = FieldDate(q, "KIMATU");
    r.KIKANTEXT = MakeKikanText(r.KISHU, r.KIMATU);
    r.NETDRIVE = FieldInt(q, "NETDRIVE");
    r.PASNAME = FieldStr(q, "PASNAME");
    r.DATATYPE = FieldInt(q, "DATATYPE");
    r.CODETYPE = FieldInt(q, "CODETYPE");
    r.DATALOCK = FieldInt(q, "DATALOCK");
    r.KYOYULOCK = FieldInt(q, "KYOYULOCK");
    r.TANTOU = FieldInt(q, "TANTOU");
    r.VER_MAJOR = FieldInt(q, "VER_MAJOR");
    r.VER_MINOR1 = FieldInt(q, "VER_MINOR1");
    r.VER_MINOR2 = FieldInt(q, "VER_MINOR2");
    r.VER_TEXT = FieldStr(q, "VER_TEXT");
    r.UPDATE_LOCK = FieldInt(q, "UPDATE_LOCK");
    r.GASSAN = static_cast<std::uint8_t>(FieldInt(q, "GASSAN"));
    r.DATA_STATUS = static_cast<std::uint8_t>(FieldInt(q, "DATA_STATUS"));
    r.YOBI1 = FieldStr(q, "YOBI1");
    r.YOBI2 = FieldStr(q, "YOBI2");
    r.YOBI3 = FieldStr(q, "YOBI3");
    r.YOBIINT = 0;
    r.YOBISTR.clear();
    r.CLOUD = static_cast<std::uint8_t>(FieldInt(q, "CLOUD"));
    r.READ_ONLY = FieldInt(q, "READ_ONLY");
    r.DISPNAME = r.ENTTEXT;
}

const char* kSecondColumns =
    "VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3";
const char* kSetLines = " SET PASNAME=:PASNAME,ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU,NETDRIVE=:NETDRIVE,"
                        "DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,"
                        "DATALOCK=:DATALOCK,KYOYULOCK=:KYOYULOCK,TANTOU=:TANTOU,"
                        "VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,"
                        "UPDATE_LOCK=:UPDATE_LOCK,GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,"
                        "YOBI1=:YOBI1,YOBI2=:YOBI2,YOBI3=:YOBI3";

bool IsBlank(const std::string& s) { return TrimZen(s).empty(); }

} // namespace

// ---- the controller --------------------------------------------------------------------------

TDataSentakuListCtl::TDataSentakuListCtl()
{
    ClearRows();
    SetDataPlaceRec(0);
    char v[64];
    std::snprintf(v, sizeof v, "%d.%d.%d", SystemDef.SysDbMajor, SystemDef.SysDbMinor1, SystemDef.SysDbMinor2);
    HasCloudColumn = IsVersionAtLeast(v, "11.0.1") ? 1 : 0;
    HasReadOnlyColumn = IsVersionAtLeast(v, "12.0.0") ? 1 : 0;
}

std::string TDataSentakuListCtl::VersionColumns() const
{
    return std::string(HasCloudColumn ? ",CLOUD" : ",0 AS CLOUD") + (HasReadOnlyColumn ? ",READ_ONLY" : ",0 AS READ_ONLY");
}
std::string TDataSentakuListCtl::VersionSetLines() const
{
    return std::string(HasCloudColumn ? ",CLOUD=:CLOUD" : "") + (HasReadOnlyColumn ? ",READ_ONLY=:READ_ONLY" : "");
}
std::string TDataSentakuListCtl::VersionInsertColumns() const
{
    return std::string(HasCloudColumn ? ",CLOUD" : "") + (HasReadOnlyColumn ? ",READ_ONLY" : "");
}
std::string TDataSentakuListCtl::VersionInsertValues() const
{
    return std::string(HasCloudColumn ? ",:CLOUD" : "") + (HasReadOnlyColumn ? ",:READ_ONLY" : "");
}
std::string TDataSentakuListCtl::RowColumns() const
{
    return std::string("REC,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,KYOYULOCK,"
                       "TANTOU,") +
           kSecondColumns + VersionColumns();
}
std::string TDataSentakuListCtl::PlaceClause(bool) const
{
    // Bound in both forms: the number never becomes SQL text.
    return DataPlaceRec > 0 ? " AND (DATAPLACEREC=:DATAPLACEREC)" : "";
}

void TDataSentakuListCtl::SetDataPlaceRec(int place)
{
    DataPlaceRec = (Mode == 0 || Mode > 2) ? 0 : place;
    TableName = DataPlaceRec > 0 ? "DATALIST_EX" : "DATALIST";
}

void TDataSentakuListCtl::ClearRows()
{
    RowCount = 0;
    ChildRowCount = 0;
    Rows.clear();
    ChildRows.clear();
}

std::string TDataSentakuListCtl::MakeLocalDataFolder(TDataListRec& rec)
{
    std::string r = NormalizeDataPath(rec.PASNAME);
    if (rec.NETDRIVE == 1 && !rec.PASNAME.empty()) {
        r = SysFolder() + "/" + Format4(rec.REC);
        if (rec.GASSAN > 2) r += "/" + LastFolderName(rec.PASNAME);
    }
    rec.LOCALPATH = r;
    return r;
}

void TDataSentakuListCtl::InitDataListRec(TDataListRec& rec, const std::string& path)
{
    rec = TDataListRec{};
    rec.NENDO = 1;
    rec.GROUPID = SystemDef.GroupId;
    rec.PASNAME = path;
    MakeLocalDataFolder(rec);
}

void TDataSentakuListCtl::SetDataListRecFromInfo(const TDataFolderInfoRec& info, TDataListRec& rec)
{
    if (rec.ROWNO > 0) rec.GASSAN = 10;
    rec.DATACODE = info.CODE;
    rec.ENTTEXT = info.DATALISTNAME;
    rec.SHOUGOU = info.SHOUGOU;
    rec.NENDO = info.NENDO;
    rec.KISHU = Date::Parse(info.KISHU).value_or(Date{});
    rec.KIMATU = Date::Parse(info.KIMATU).value_or(Date{});
    rec.KIKANTEXT = MakeKikanText(rec.KISHU, rec.KIMATU);
    rec.DATATYPE = info.DATAKBN;
    rec.CODETYPE = info.CODEKBN;
    rec.TANTOU = info.TANTO;
    const TVersionRec v = StrToVersionRec(info.VERSION1);
    rec.VER_MAJOR = v.Major;
    rec.VER_MINOR1 = v.Minor1;
    rec.VER_MINOR2 = v.Minor2;
    rec.VER_TEXT = info.VERSION2;
    rec.UPDATE_LOCK = info.UPDATE_LOCK;
    rec.CLOUD = static_cast<std::uint8_t>(info.CLOUD_SHARE);
    rec.READ_ONLY = info.READ_ONLY;
    rec.DATALOCK = 0;
    if (info.STATUS == 3 && info.OPCODE != 0) rec.DATALOCK = OperatorCodeOf(info.OPCODE, SystemDef.GroupId);
    if (info.SHARE_STATUS == 2 && info.SHARE_OPCODE == SystemDef.OpCode) rec.KYOYULOCK = 1;
    if (rec.NETDRIVE != 0 ? IsAreaName(rec.ENTTEXT) : rec.ENTTEXT.empty()) rec.ENTTEXT = info.SHOUGOU;
    rec.DISPNAME = rec.ENTTEXT;
    MakeLocalDataFolder(rec);
}

std::pair<std::string, std::string> TDataSentakuListCtl::SplitDataPath(const std::string& path)
{
    const std::string p = NormalizeDataPath(path);
    std::vector<std::string> parts;
    std::string cur;
    for (char c : p) {
        if (c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string u = AsciiUpper(parts[i]);
        if (u == "DATA" || u == "CB_DATA") {
            return {i + 1 < parts.size() ? parts[i + 1] : std::string(), i + 2 < parts.size() ? parts[i + 2] : std::string()};
        }
    }
    return {};
}

int TDataSentakuListCtl::GetDataRecNo(const std::string& path)
{
    if (IsBlank(path)) return 0;
    if (Mode == 0) return ToIntDef(SplitDataPath(path).first, 0);
    TDataListRec rec;
    InitDataListRec(rec, path);
    GetDataListRecord(1, rec, true);
    return rec.REC;
}

bool TDataSentakuListCtl::ConvLocalPathToSharePath(const std::string& local, std::string& share, int& kyoyuLock,
                                                   int& netDrive)
{
    if (ServerList == 1) return true;
    share = local;
    kyoyuLock = 0;
    netDrive = 0;
    if (IsBlank(local)) return false;
    if (Mode != 0) return true;
    // No network drives here: the UNC form of a path is the path itself.
    return Guarded(true, "ConvLocalPathToSharePath", "", Kind::Reader, [&] {
        auto q = NewQuery();
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM DATALIST WHERE (GROUPID=:GROUPID1) AND (UPPER(PASNAME)=:PASNAME1) "
                  "UNION ALL "
                  "SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST WHERE (GROUPID=:GROUPID2) AND (UPPER(PASNAME)=:PASNAME2)");
        BindInt(*q, "GROUPID1", SystemDef.GroupId);
        BindInt(*q, "GROUPID2", SystemDef.GroupId);
        BindStr(*q, "PASNAME1", AsciiUpper(local));
        BindStr(*q, "PASNAME2", AsciiUpper(local));
        int sum = 0;
        for (q->ExecQuery(); !q->Eof(); q->Next()) sum += q->FieldByName("RECCNT").AsInteger();
        q->Close();
        if (sum != 0) return;
        const auto [number, child] = SplitDataPath(local);
        q->SetSQL("SELECT REC,PASNAME,NETDRIVE,KYOYULOCK FROM DATALIST WHERE REC=:REC");
        BindInt(*q, "REC", ToIntDef(number, 0));
        for (q->ExecQuery(); !q->Eof(); q->Next()) {
            share = NormalizeDataPath(q->FieldByName("PASNAME").AsString());
            if (!child.empty()) share += "/" + child;
            netDrive = q->FieldByName("NETDRIVE").AsInteger();
            kyoyuLock = q->FieldByName("KYOYULOCK").AsInteger();
        }
    });
}

bool TDataSentakuListCtl::GetLocalPathToData(const std::string& path, TDataListRec& rec)
{
    if (ServerList == 1) return true;
    rec.PASNAME = path;
    if (IsBlank(path)) return false;
    if (Mode != 0) return true;
    return Guarded(true, "GetLocalPathToData", "", Kind::Reader, [&] {
        const bool child = rec.GASSAN == 10;
        auto q = NewQuery();
        q->SetSQL(std::string("SELECT COUNT(REC) AS RECCNT FROM ") + (child ? "CHILD_DATALIST" : "DATALIST") +
                  " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindStr(*q, "PASNAME", AsciiUpper(path));
        q->ExecQuery();
        const int count = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
        q->Close();
        if (count != 0) return;
        const std::string p = NormalizeDataPath(path);
        const std::string last = LastFolderName(p);
        if (!child) {
            q->SetSQL("SELECT PASNAME FROM DATALIST WHERE (REC=:REC)");
            BindInt(*q, "REC", ToIntDef(last, 0));
            for (q->ExecQuery(); !q->Eof(); q->Next()) {
                rec.PASNAME = NormalizeDataPath(q->FieldByName("PASNAME").AsString());
                rec.LOCALPATH = p;
            }
        } else {
            const auto cut = p.rfind('/');
            const std::string parent = cut == std::string::npos ? std::string() : p.substr(0, cut);
            const int recNo = parent.empty() ? 0 : ToIntDef(LastFolderName(parent), 0);
            q->SetSQL("SELECT PASNAME FROM CHILD_DATALIST WHERE (REC=:REC)");
            BindInt(*q, "REC", recNo);
            for (q->ExecQuery(); !q->Eof(); q->Next()) {
                const std::string stored = NormalizeDataPath(q->FieldByName("PASNAME").AsString());
                if (LastFolderName(stored) != last) continue;
                rec.PASNAME = stored;
                rec.LOCALPATH = p;
            }
        }
    });
}

void TDataSentakuListCtl::GetDataListRecord(std::uint8_t by, TDataListRec& rec, bool report)
{
    if (ServerList == 1) return;
    const std::string callerPath = rec.PASNAME;
    if (by == 1) {
        if (!GetLocalPathToData(callerPath, rec)) {
            InitDataListRec(rec, "");
            return;
        }
    } else if (by != 0) {
        InitDataListRec(rec, "");
        return;
    }
    Guarded(report, "GetDataListRecord", TListCtlMessages::GetRecord, Kind::Reader, [&] {
        const bool child = rec.GASSAN == 10;
        const std::string cols = std::string(child ? "REC,ROWNO," : "REC,0 AS ROWNO,") +
                                 "ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
                                 "KYOYULOCK,TANTOU," +
                                 kSecondColumns + VersionColumns();
        auto q = NewQuery();
        if (by == 0) {
            if (child)
                q->SetSQL("SELECT " + cols +
                          " FROM CHILD_DATALIST WHERE (REC=:REC) AND (ROWNO=:ROWNO) AND (GROUPID=:GROUPID)");
            else
                q->SetSQL("SELECT " + cols + " FROM " + TableName + " WHERE (REC=:REC) AND (GROUPID=:GROUPID)" +
                          PlaceClause(false));
            BindInt(*q, "REC", rec.REC);
            BindInt(*q, "ROWNO", rec.ROWNO);
        } else {
            q->SetSQL("SELECT " + cols + " FROM " + (child ? std::string("CHILD_DATALIST") : TableName) +
                      " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)" + (child ? "" : PlaceClause(false)));
            BindStr(*q, "PASNAME", AsciiUpper(rec.PASNAME));
        }
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        for (q->ExecQuery(); !q->Eof(); q->Next()) {
            ReadColumns(*q, rec);
            MakeLocalDataFolder(rec);
            if (rec.LOCALPATH == NormalizeDataPath(callerPath)) break;
        }
    });
}

int TDataSentakuListCtl::GetDataListRecordByPath(const std::string& local, TDataSentakuRec& rec)
{
    rec = TDataSentakuRec{};
    InitDataListRec(rec.DataRec, "");
    rec.DataRec.LOCALPATH = local;
    ConvLocalPathToSharePath(local, rec.DataRec.PASNAME, rec.DataRec.KYOYULOCK, rec.DataRec.NETDRIVE);
    int recNo = Mode == 0 ? ToIntDef(SplitDataPath(local).first, 0) : GetRecByPath(local);
    if (recNo == 0) recNo = GetRecByPath(local);
    if (recNo <= 0) {
        InitDataListRec(rec.DataRec, "");
        return 0;
    }
    rec.DataRec.REC = recNo;
    GetDataListRecord(0, rec.DataRec, false);
    GetDataListChildRecord(rec, false);
    return 1;
}

int TDataSentakuListCtl::GetRecByPath(const std::string& path)
{
    int result = 0;
    try {
        Guarded(false, "GetRecByPath", "", Kind::Reader, [&] {
            auto q = NewQuery();
            q->SetSQL("SELECT REC FROM " + TableName + " WHERE (PASNAME=:PASNAME)" + PlaceClause(true));
            BindStr(*q, "PASNAME", path);
            BindInt(*q, "DATAPLACEREC", DataPlaceRec);
            q->ExecQuery();
            if (!q->Eof()) result = q->FieldByName("REC").AsInteger();
        });
    } catch (const std::exception&) {
        return 0;
    }
    return result;
}

bool TDataSentakuListCtl::InsertDataListRecord(TDataListRec& rec, bool report)
{
    if (ServerList == 1) return true;
    if (IsBlank(rec.PASNAME)) return false;
    if (Mode == 0) return true; // the stand-alone list consists of its slots
    return Guarded(report, "InsertDataListRecord", TListCtlMessages::Insert, Kind::Writer, [&] {
        rec.REC = GetDataFolderName(1);
        rec.GROUPID = SystemDef.GroupId;
        const std::string second =
            "VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3,UPDATE_LOCK";
        const std::string secondValues =
            ":KYOYULOCK,:TANTOU,:VER_MAJOR,:VER_MINOR1,:VER_MINOR2,:VER_TEXT,:GASSAN,:DATACODE,:DATA_STATUS,:YOBI1,"
            ":YOBI2,:YOBI3,:UPDATE_LOCK";
        auto q = NewQuery();
        if (DataPlaceRec > 0)
            q->SetSQL("INSERT INTO " + TableName +
                      "(DATAPLACEREC,REC,GROUPID,PASNAME,ENTTEXT,SHOUGOU,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,"
                      "DATALOCK,KYOYULOCK,TANTOU," +
                      second + VersionInsertColumns() +
                      ") VALUES(:DATAPLACEREC,:REC,:GROUPID,:PASNAME,:ENTTEXT,:SHOUGOU,:NETDRIVE,:DATATYPE,:CODETYPE,"
                      ":NENDO,:KISHU,:KIMATU,:DATALOCK," +
                      secondValues + VersionInsertValues() + ")");
        else
            q->SetSQL("INSERT INTO DATALIST(REC,GROUPID,PASNAME,ENTTEXT,SHOUGOU,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,"
                      "KIMATU,DATALOCK,KYOYULOCK,TANTOU," +
                      second + VersionInsertColumns() +
                      ") VALUES(:REC,:GROUPID,:PASNAME,:ENTTEXT,:SHOUGOU,:NETDRIVE,:DATATYPE,:CODETYPE,:NENDO,:KISHU,"
                      ":KIMATU,:DATALOCK," +
                      secondValues + VersionInsertValues() + ")");
        BindRecord(*q, rec);
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        q->ExecQuery();
    });
}

bool TDataSentakuListCtl::UpdateDataListRecord(TDataListRec& rec, int withNames, bool report)
{
    if (ServerList == 1) return true;
    if (rec.REC == 0 || IsBlank(rec.PASNAME)) return false;
    if (rec.GASSAN == 10) return UpdateDataListChildRecord(rec, withNames, report);
    return Guarded(report, "UpdateDataListRecord", TListCtlMessages::Update, Kind::Writer, [&] {
        auto q = NewQuery();
        if (Mode == 1 || Mode == 2) {
            q->SetSQL("SELECT PASNAME FROM " + TableName + " WHERE (REC=:REC)" + PlaceClause(false));
            BindInt(*q, "REC", rec.REC);
            BindInt(*q, "DATAPLACEREC", DataPlaceRec);
            std::string stored;
            bool found = false;
            for (q->ExecQuery(); !q->Eof(); q->Next()) {
                stored = q->FieldByName("PASNAME").AsString();
                found = true;
            }
            q->Close();
            // The row was renumbered or taken over meanwhile: leave it alone.
            if (!found || AsciiUpper(NormalizeDataPath(stored)) != AsciiUpper(NormalizeDataPath(rec.PASNAME))) return;
        }
        q->SetSQL("UPDATE " + TableName + kSetLines + VersionSetLines() + " WHERE (REC=:REC)" + PlaceClause(false));
        BindRecord(*q, rec);
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        q->ExecQuery();
        if (rec.SHOUGOU.empty() && IsZeroDate(rec.KISHU) && IsZeroDate(rec.KIMATU)) {
            q->SetSQL("DELETE FROM CHILD_DATALIST WHERE REC=:REC AND GROUPID=:GROUPID");
            BindInt(*q, "REC", rec.REC);
            BindInt(*q, "GROUPID", SystemDef.GroupId);
            q->ExecQuery();
        }
        if (rec.NETDRIVE == 1) {
            // The shared-server write leaves that list's own number in the record it is given;
            // the caller's row keeps its registry number.
            TDataListRec server = rec;
            UpdateServerDataListRecord(server, withNames, false);
        }
    });
}

bool TDataSentakuListCtl::DeleteDataListRecord(TDataListRec& rec, bool report)
{
    if (ServerList == 1) return true;
    if (IsBlank(rec.PASNAME)) return false;
    if (Mode == 0 && rec.GASSAN == 10) return DeleteDataListChildRecord(rec, report);
    return Guarded(report, "DeleteDataListRecord", TListCtlMessages::Delete, Kind::Writer, [&] {
        auto q = NewQuery();
        q->SetSQL("DELETE FROM " + TableName + " WHERE (PASNAME=:PASNAME) AND (REC>:REC)" + PlaceClause(false));
        BindStr(*q, "PASNAME", rec.PASNAME);
        BindInt(*q, "REC", DataListSlotMax);
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        q->ExecQuery();
        DeleteDataListChildRecord(rec, false);
    });
}

void TDataSentakuListCtl::PackDataListRec()
{
    if (ServerList == 1 || Mode == 0) return;
    fb::TransactionGuard t(SysTr());
    {
        // The numbers are read first, then renumbered in their old order, so no update can
        // move a row the walk has still to see.
        auto q2 = NewQuery();
        q2->SetSQL("SELECT REC FROM " + TableName + " WHERE (REC>:REC)" + PlaceClause(true) + " ORDER BY REC");
        BindInt(*q2, "REC", DataListSlotMax);
        BindInt(*q2, "DATAPLACEREC", DataPlaceRec);
        std::vector<int> recs;
        for (q2->ExecQuery(); !q2->Eof(); q2->Next()) recs.push_back(q2->FieldByName("REC").AsInteger());
        q2->Close();
        auto q = NewQuery();
        q->SetSQL("UPDATE " + TableName + " SET REC=:NEWREC WHERE (REC=:OLDREC)" + PlaceClause(true));
        int next = DataListSlotMax + 1;
        for (int old : recs) {
            if (old != next) {
                BindInt(*q, "NEWREC", next);
                BindInt(*q, "OLDREC", old);
                BindInt(*q, "DATAPLACEREC", DataPlaceRec);
                q->ExecQuery();
            }
            ++next;
        }
        t.Commit();
    }
}

void TDataSentakuListCtl::GetDataListChildRecord(TDataSentakuRec& rec, bool report)
{
    if (Mode != 0 || ServerList == 1) return;
    if (rec.DataRec.GASSAN != 1 && rec.DataRec.GASSAN != 2) {
        rec.ChildCount = 0;
        rec.ChildList.clear();
        return;
    }
    Guarded(report, "GetDataListChildRecord", TListCtlMessages::ChildGet, Kind::Reader, [&] {
        auto q = NewQuery();
        q->SetSQL("SELECT REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
                  "KYOYULOCK,TANTOU," +
                  std::string(kSecondColumns) + VersionColumns() +
                  " FROM CHILD_DATALIST WHERE (REC=:REC) AND (GROUPID=:GROUPID) ORDER BY PASNAME");
        BindInt(*q, "REC", rec.DataRec.REC);
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        rec.ChildList.clear();
        for (q->ExecQuery(); !q->Eof(); q->Next()) {
            TDataListRec c;
            ReadColumns(*q, c);
            MakeLocalDataFolder(c);
            rec.ChildList.push_back(std::move(c));
        }
        rec.ChildCount = static_cast<int>(rec.ChildList.size());
    });
}

bool TDataSentakuListCtl::UpdateDataListChildRecord(TDataListRec& rec, int, bool report)
{
    if (Mode == 1 || Mode == 2 || ServerList == 1) return true;
    if (IsBlank(rec.PASNAME)) return false;
    return Guarded(report, "UpdateDataListChildRecord", TListCtlMessages::ChildUpdate, Kind::Writer, [&] {
        auto q = NewQuery();
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID");
        BindInt(*q, "REC", rec.REC);
        BindInt(*q, "ROWNO", rec.ROWNO);
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        q->ExecQuery();
        const bool found = !q->Eof() && q->FieldByName("RECCNT").AsInteger() > 0;
        q->Close();
        if (found)
            q->SetSQL("UPDATE CHILD_DATALIST" + std::string(kSetLines) + VersionSetLines() +
                      " WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID");
        else
            q->SetSQL("INSERT INTO CHILD_DATALIST(REC,ROWNO,GROUPID,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,"
                      "KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,KYOYULOCK,UPDATE_LOCK,GASSAN,"
                      "DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3" +
                      VersionInsertColumns() +
                      ") VALUES(:REC,:ROWNO,:GROUPID,:ENTTEXT,:SHOUGOU,:PASNAME,:NETDRIVE,:DATATYPE,:CODETYPE,:NENDO,"
                      ":KISHU,:KIMATU,:DATALOCK,:TANTOU,:VER_MAJOR,:VER_MINOR1,:VER_MINOR2,:VER_TEXT,:KYOYULOCK,"
                      ":UPDATE_LOCK,:GASSAN,:DATACODE,:DATA_STATUS,:YOBI1,:YOBI2,:YOBI3" +
                      VersionInsertValues() + ")");
        TDataListRec r = rec;
        r.GROUPID = SystemDef.GroupId;
        BindRecord(*q, r);
        q->ExecQuery();
        if (rec.NETDRIVE == 1) UpdateServerDataListChildRecord(rec, 1, false);
    });
}

bool TDataSentakuListCtl::DeleteDataListChildRecord(const TDataListRec& rec, bool report)
{
    if (Mode == 1 || Mode == 2 || ServerList == 1) return true;
    if (IsBlank(rec.PASNAME)) return false;
    return Guarded(report, "DeleteDataListChildRecord", TListCtlMessages::ChildDelete, Kind::Writer, [&] {
        const bool child = rec.GASSAN == 10;
        auto q = NewQuery();
        q->SetSQL(child ? "DELETE FROM CHILD_DATALIST WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID"
                        : "DELETE FROM CHILD_DATALIST WHERE REC=:REC AND GROUPID=:GROUPID");
        BindInt(*q, "REC", rec.REC);
        BindInt(*q, "ROWNO", rec.ROWNO);
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        q->ExecQuery();
        if (rec.NETDRIVE != 1) return;
        if (child) {
            q->SetSQL("DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND "
                      "PASNAME=:PASNAME");
            BindStr(*q, "PASNAME", rec.PASNAME);
        } else {
            // Every child row under the parent's share folder: a bound prefix, so that quotes in
            // the path cannot break the statement and "_" or "%" in it match only themselves.
            q->SetSQL("DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND "
                      "PASNAME STARTING WITH :PASNAME");
            BindStr(*q, "PASNAME", NormalizeDataPath(rec.PASNAME) + "/");
        }
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindStr(*q, "DRIVELETTER", DriveLetterOf(rec.PASNAME));
        q->ExecQuery();
    });
}

int TDataSentakuListCtl::GetDataFolderName(int offset)
{
    if (ServerList == 1) return 0;
    int result = 0;
    fb::TransactionGuard t(SysTr(), Unfinished::Commit);
    try {
        auto q = NewQuery();
        q->SetSQL("SELECT MAX(REC) AS RECMAX FROM " + TableName + " WHERE (GROUPID=:GROUPID)" + PlaceClause(true));
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        q->ExecQuery();
        result = (q->Eof() ? 0 : q->FieldByName("RECMAX").AsInteger()) + offset;
        q->Close();
        t.Commit();
    } catch (const FbError& e) {
        t.EndUnfinished();
        ShowIBError(e, "TDataSentakuListCtl.GetDataFolderName", TListCtlMessages::FolderName);
        return 0;
    }
    return result;
}

bool TDataSentakuListCtl::IsDataPathToroku(const std::string& path)
{
    if (ServerList == 1) return true;
    bool result = false;
    fb::TransactionGuard t(SysTr(), Unfinished::Commit);
    try {
        auto q = NewQuery();
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM " + TableName + " WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)" +
                  PlaceClause(true));
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindStr(*q, "PASNAME", AsciiUpper(path));
        BindInt(*q, "DATAPLACEREC", DataPlaceRec);
        q->ExecQuery();
        result = !q->Eof() && q->FieldByName("RECCNT").AsInteger() > 0;
        q->Close();
        t.Commit();
    } catch (const FbError& e) {
        t.EndUnfinished();
        ShowIBError(e, "TDataSentakuListCtl.IsDataPathToroku", TListCtlMessages::Toroku);
        return false;
    }
    return result;
}

void TDataSentakuListCtl::SetChildDisplayNames(TDataSentakuRec& rec)
{
    char buf[16];
    for (std::size_t i = 0; i < rec.ChildList.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%.2d ", static_cast<int>(i + 1));
        rec.ChildList[i].DISPNAME = buf + rec.ChildList[i].ENTTEXT;
    }
}

void TDataSentakuListCtl::DeleteChildItem(TDataSentakuRec& rec, int index)
{
    if (index >= 0 && index < static_cast<int>(rec.ChildList.size())) rec.ChildList.erase(rec.ChildList.begin() + index);
    rec.ChildCount = static_cast<int>(rec.ChildList.size());
}

namespace {
void SubFolderPaths(const std::string& folder, std::vector<std::string>& list)
{
    list.clear();
    std::error_code ec;
    const std::string base = NormalizeDataPath(folder);
    if (base.empty()) return;
    for (const auto& e : std::filesystem::directory_iterator(base, ec)) {
        if (e.is_directory(ec)) list.push_back(base + "/" + e.path().filename().string());
    }
}
} // namespace

void TDataSentakuListCtl::GetShareSubFolders(const TDataListRec& rec, std::vector<std::string>& list)
{
    SubFolderPaths(rec.PASNAME, list);
}

void TDataSentakuListCtl::GetLocalSubFolders(const TDataListRec& rec, std::vector<std::string>& list)
{
    SubFolderPaths(rec.LOCALPATH, list);
}

std::string TDataSentakuListCtl::ConvSharePathToLocalPath(const std::string& share, std::uint8_t kind)
{
    if (IsBlank(share)) return {};
    try {
        std::string lookup = NormalizeDataPath(share);
        if (kind == 10) {
            // Registered share paths carry no trailing separator: the parent is looked up
            // without one.
            const auto cut = lookup.rfind('/');
            lookup = cut == std::string::npos ? std::string() : lookup.substr(0, cut);
        }
        int recNo = 0;
        Guarded(false, "ConvSharePathToLocalPath", "", Kind::Reader, [&] {
            auto q = NewQuery();
            q->SetSQL("SELECT REC FROM " + TableName + " WHERE (PASNAME=:PASNAME) ORDER BY REC");
            BindStr(*q, "PASNAME", lookup);
            q->ExecQuery();
            if (!q->Eof()) recNo = q->FieldByName("REC").AsInteger();
        });
        if (recNo == 0) return {};
        TDataListRec r;
        r.REC = recNo;
        r.NETDRIVE = 1;
        r.PASNAME = share;
        r.GASSAN = kind;
        return MakeLocalDataFolder(r);
    } catch (...) {
        return {}; // unknown share path or a registry failure: no local folder, as the callers expect
    }
}

bool TDataSentakuListCtl::IsDataListEmpty()
{
    try {
        bool empty = false;
        Guarded(false, "IsDataListEmpty", "", Kind::Reader, [&] {
            auto q = NewQuery();
            q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM " + TableName + " WHERE (ENTTEXT<>'') AND (SHOUGOU<>'')");
            q->ExecQuery();
            empty = q->Eof() || q->FieldByName("RECCNT").AsInteger() == 0;
        });
        return empty;
    } catch (...) {
        return false; // unreadable registry: not "empty", so nothing offers to start afresh
    }
}

// ---- Execute ---------------------------------------------------------------------------------

void TDataSentakuListCtl::Execute(int excludeShared, std::uint8_t sortKey, const std::string& orderBy, bool descending)
{
    ClearRows();
    if (ServerList == 1) return;
    if (Mode != 0) excludeShared = 0;
    const bool whole = sortKey == 0 || sortKey == 1 || sortKey > 7;
    std::string common;
    if (excludeShared == 1) common += " AND (KYOYULOCK<>1)";
    if (NendoFilter > 0) common += " AND (NENDO=:NENDO)";
    if (!ShougouFilter.empty()) common += " AND (SHOUGOU=:SHOUGOU)";
    common += PlaceClause(false);
    auto bindCommon = [&](fb::Statement& q) {
        BindInt(q, "GROUPID", SystemDef.GroupId);
        BindInt(q, "NENDO", NendoFilter);
        BindStr(q, "SHOUGOU", ShougouFilter);
        BindInt(q, "DATAPLACEREC", DataPlaceRec);
    };
    int read = 0;
    Guarded(true, "Execute", TListCtlMessages::Execute, Kind::Reader, [&] {
        auto q = NewQuery();
        static const char* const countWhere[] = {" WHERE (GROUPID=:GROUPID)", " WHERE (GROUPID=:GROUPID) AND (ENTTEXT<>'')",
                                                 " WHERE (GROUPID=:GROUPID) AND (ENTTEXT='')"};
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM " + TableName + countWhere[ListFilter <= 2 ? ListFilter : 0] + common);
        bindCommon(*q);
        q->ExecQuery();
        RowCount = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
        q->Close();
        Rows.resize(static_cast<std::size_t>(std::max(RowCount, 0)));

        auto readRows = [&](fb::Statement& s) {
            for (s.ExecQuery(); !s.Eof() && read < RowCount; s.Next()) {
                TDataSentakuRec& r = Rows[static_cast<std::size_t>(read)];
                ReadColumns(s, r.DataRec);
                r.DataRec.ROWNO = 0;
                r.DataRec.PASNAME = NormalizeDataPath(r.DataRec.PASNAME);
                MakeLocalDataFolder(r.DataRec);
                if (r.DataRec.PASNAME == r.DataRec.LOCALPATH) r.DataRec.NETDRIVE = 0;
                r.ChildCount = 0;
                r.ChildList.clear();
                ++read;
                if (OnRowRead) OnRowRead();
            }
            s.Close();
        };

        if (ListFilter <= 1) {
            std::string sql = "SELECT " + RowColumns() + " FROM " + TableName + " WHERE (GROUPID=:GROUPID)";
            if (ListFilter == 1 || !whole) sql += " AND (ENTTEXT<>'')";
            sql += common + " ";
            switch (sortKey) {
            case 0: sql += orderBy; break;
            case 2: sql += descending ? "ORDER BY ENTTEXT DESC,NENDO DESC,REC DESC" : "ORDER BY ENTTEXT,NENDO DESC,REC"; break;
            case 3: sql += descending ? "ORDER BY NENDO DESC,REC DESC" : "ORDER BY NENDO,REC"; break;
            case 4: sql += descending ? "ORDER BY KISHU DESC,REC DESC" : "ORDER BY KISHU,REC"; break;
            case 5: sql += descending ? "ORDER BY UPPER(PASNAME) DESC,REC DESC" : "ORDER BY UPPER(PASNAME),REC"; break;
            case 6:
                sql += descending ? "ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC"
                                  : "ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC";
                break;
            case 7: sql += descending ? "ORDER BY DATACODE DESC,NENDO DESC,REC DESC" : "ORDER BY DATACODE,NENDO DESC,REC"; break;
            default: sql += descending ? "ORDER BY REC DESC" : "ORDER BY REC"; break;
            }
            q->SetSQL(sql);
            bindCommon(*q);
            readRows(*q);
        }
        if ((ListFilter == 0 || ListFilter == 2) && !whole) {
            std::string sql = "SELECT " + RowColumns() + " FROM " + TableName + " WHERE (GROUPID=:GROUPID) AND (ENTTEXT='')" +
                              common + " ";
            if (sortKey == 5) sql += descending ? "ORDER BY PASNAME DESC,REC DESC" : "ORDER BY PASNAME,REC";
            else sql += descending ? "ORDER BY REC DESC" : "ORDER BY REC";
            q->SetSQL(sql);
            bindCommon(*q);
            readRows(*q);
        }

        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST WHERE (GROUPID=:GROUPID)");
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        q->ExecQuery();
        ChildRowCount = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
        q->Close();
        q->SetSQL("SELECT REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
                  "KYOYULOCK,TANTOU," +
                  std::string(kSecondColumns) + VersionColumns() +
                  " FROM CHILD_DATALIST WHERE (GROUPID=:GROUPID) ORDER BY REC,PASNAME");
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        int children = 0;
        for (q->ExecQuery(); !q->Eof() && children < ChildRowCount; q->Next()) {
            TDataListRec c;
            ReadColumns(*q, c);
            c.PASNAME = NormalizeDataPath(c.PASNAME);
            MakeLocalDataFolder(c);
            if (c.PASNAME == c.LOCALPATH) c.NETDRIVE = 0;
            ChildRows.push_back(c);
            for (int i = 0; i < read; ++i) {
                if (Rows[static_cast<std::size_t>(i)].DataRec.REC == c.REC) {
                    Rows[static_cast<std::size_t>(i)].ChildList.push_back(c);
                    Rows[static_cast<std::size_t>(i)].ChildCount++;
                    break;
                }
            }
            ++children;
        }
        ChildRowCount = children;
    });
    // Rows deleted between the count and the read leave no blank entries behind.
    if (read < RowCount) {
        Rows.resize(static_cast<std::size_t>(read));
        RowCount = read;
    }
}

// ---- shared-server list ----------------------------------------------------------------------

namespace {

void ReadServerRow(const fb::Statement& q, TDataListRec& r, TDataSentakuListCtl& ctl)
{
    ReadColumns(q, r);
    r.NETDRIVE = 1;
    r.KYOYULOCK = 0;
    r.PASNAME = NormalizeDataPath(r.PASNAME);
    r.DISPNAME = r.ENTTEXT;
    ctl.MakeLocalDataFolder(r);
}

std::string ServerSecondSet()
{
    return "DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,DATALOCK=:DATALOCK,"
           "TANTOU=:TANTOU,VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,"
           "UPDATE_LOCK=:UPDATE_LOCK,GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,YOBI1=:YOBI1,"
           "YOBI2=:YOBI2,YOBI3=:YOBI3";
}

const char* kServerInsertSecond = "NENDO,KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,"
                                  "UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3";
const char* kServerValuesSecond = ":NENDO,:KISHU,:KIMATU,:DATALOCK,:TANTOU,:VER_MAJOR,:VER_MINOR1,:VER_MINOR2,"
                                  ":VER_TEXT,:UPDATE_LOCK,:GASSAN,:DATACODE,:DATA_STATUS,:YOBI1,:YOBI2,:YOBI3";

void BindAreaNames(fb::Statement& q)
{
    BindStr(q, "FREENAME", kFreeAreaName);
    BindStr(q, "NEWNAME", kNewAreaName);
}

} // namespace

void TDataSentakuListCtl::ListDataSubFolders(const std::string& folder, std::vector<std::string>& list)
{
    list.clear();
    std::error_code ec;
    const std::string base = NormalizeDataPath(folder);
    if (base.empty()) return;
    for (const auto& e : std::filesystem::directory_iterator(base, ec)) {
        if (!e.is_directory(ec)) continue;
        const std::string name = e.path().filename().string();
        const std::string u = AsciiUpper(name);
        // The accounting application's own backup folders are no data areas.
        if (u == "DADOZIZIDIV_BACKUP" || u == "ORVEXZAIMU_BACKUP") continue;
        list.push_back(name);
    }
    std::sort(list.begin(), list.end());
}

void TDataSentakuListCtl::ServerExecute(std::uint8_t how, const std::string& rootArg, const void*, bool descending,
                                        std::uint8_t sortKey)
{
    ClearRows();
    if (ServerList == 0) return;
    const std::string root = NormalizeDataPath(rootArg);
    const std::string drive = DriveLetterOf(root);
    Guarded(true, "ServerExecute", TListCtlMessages::ServerGet, Kind::Reader, [&] {
        auto q = NewQuery();
        if (how == 0) {
            q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM SERVERDATALIST WHERE (DRIVELETTER=:DRIVELETTER) AND (GROUPID=:GROUPID)");
            BindStr(*q, "DRIVELETTER", drive);
            BindInt(*q, "GROUPID", SystemDef.GroupId);
            q->ExecQuery();
            RowCount = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
            q->Close();
            Rows.resize(static_cast<std::size_t>(std::max(RowCount, 0)));
            int read = 0;
            auto readRows = [&](fb::Statement& s) {
                for (s.ExecQuery(); !s.Eof() && read < RowCount; s.Next()) {
                    TDataSentakuRec& r = Rows[static_cast<std::size_t>(read++)];
                    ReadServerRow(s, r.DataRec, *this);
                    r.DataRec.ROWNO = 0;
                }
                s.Close();
            };
            const std::string cols = "SELECT REC,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU," +
                                     std::string(kSecondColumns) + VersionColumns() + " FROM SERVERDATALIST";
            const std::string where = " WHERE (DRIVELETTER=:DRIVELETTER) AND (GROUPID=:GROUPID)";
            const std::string namedOnly = " AND (ENTTEXT<>'' AND ENTTEXT<>:FREENAME AND ENTTEXT<>:NEWNAME)";
            bool named = true;
            std::string order;
            switch (sortKey) {
            case 2: order = descending ? "ORDER BY ENTTEXT DESC,PASNAME DESC" : "ORDER BY ENTTEXT,PASNAME"; break;
            case 3: order = descending ? "ORDER BY NENDO DESC,PASNAME DESC" : "ORDER BY NENDO,PASNAME"; break;
            case 4: order = descending ? "ORDER BY KISHU DESC,PASNAME DESC" : "ORDER BY KISHU,PASNAME"; break;
            case 5: named = false; order = descending ? "ORDER BY PASNAME DESC" : "ORDER BY PASNAME"; break;
            case 6:
                order = descending ? "ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC"
                                   : "ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC";
                break;
            case 7: order = descending ? "ORDER BY DATACODE DESC,REC DESC" : "ORDER BY DATACODE,REC"; break;
            default: named = false; order = "ORDER BY PASNAME"; break;
            }
            if (RowCount > 0) {
                q->SetSQL(cols + where + (named ? namedOnly : std::string()) + " " + order);
                BindStr(*q, "DRIVELETTER", drive);
                BindInt(*q, "GROUPID", SystemDef.GroupId);
                BindAreaNames(*q);
                readRows(*q);
                if (named) {
                    q->SetSQL(cols + where + " AND (ENTTEXT='' OR ENTTEXT=:FREENAME OR ENTTEXT=:NEWNAME) ORDER BY PASNAME");
                    BindStr(*q, "DRIVELETTER", drive);
                    BindInt(*q, "GROUPID", SystemDef.GroupId);
                    BindAreaNames(*q);
                    readRows(*q);
                }
            }
            if (read < RowCount) {
                Rows.resize(static_cast<std::size_t>(read));
                RowCount = read;
            }
            q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM CHILD_SERVERDATALIST WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)");
            BindStr(*q, "DRIVELETTER", drive);
            BindInt(*q, "GROUPID", SystemDef.GroupId);
            q->ExecQuery();
            ChildRowCount = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
            q->Close();
            if (ChildRowCount > 0) {
                q->SetSQL("SELECT REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU," +
                          std::string(kSecondColumns) + VersionColumns() + " FROM CHILD_SERVERDATALIST" +
                          " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) ORDER BY REC,PASNAME");
                BindStr(*q, "DRIVELETTER", drive);
                BindInt(*q, "GROUPID", SystemDef.GroupId);
                int n = 0;
                for (q->ExecQuery(); !q->Eof() && n < ChildRowCount; q->Next(), ++n) {
                    TDataListRec c;
                    ReadServerRow(*q, c, *this);
                    ChildRows.push_back(c);
                    for (auto& r : Rows) {
                        if (r.DataRec.REC == c.REC) {
                            r.ChildList.push_back(c);
                            r.ChildCount++;
                            break;
                        }
                    }
                }
                ChildRowCount = n;
            }
        } else if (how == 1) {
            for (const char* table : {"SERVERDATALIST", "CHILD_SERVERDATALIST"}) {
                q->SetSQL(std::string("DELETE FROM ") + table + " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)");
                BindStr(*q, "DRIVELETTER", drive);
                BindInt(*q, "GROUPID", SystemDef.GroupId);
                q->ExecQuery();
            }
            std::vector<std::string> names;
            ListDataSubFolders(root, names);
            RowCount = static_cast<int>(names.size());
            for (const auto& name : names) {
                TDataSentakuRec r;
                InitDataListRec(r.DataRec, "");
                r.DataRec.ENTTEXT = kFreeAreaName;
                r.DataRec.NENDO = 0;
                r.DataRec.KIKANTEXT = "～";
                r.DataRec.NETDRIVE = 1;
                r.DataRec.PASNAME = root + "/" + name;
                r.DataRec.LOCALPATH.clear();
                std::vector<std::string> subs;
                ListDataSubFolders(r.DataRec.PASNAME, subs);
                int rowNo = 0;
                for (const auto& sub : subs) {
                    TDataListRec c;
                    InitDataListRec(c, "");
                    c.ROWNO = ++rowNo;
                    c.PASNAME = r.DataRec.PASNAME + "/" + sub;
                    c.LOCALPATH.clear();
                    c.ENTTEXT = kFreeAreaName;
                    c.NENDO = 0;
                    c.KIKANTEXT = "～";
                    c.NETDRIVE = 1;
                    c.GASSAN = 10;
                    ChildRows.push_back(c);
                    r.ChildList.push_back(c);
                }
                r.ChildCount = static_cast<int>(r.ChildList.size());
                Rows.push_back(std::move(r));
            }
            ChildRowCount = static_cast<int>(ChildRows.size());
        }
    });
}

bool TDataSentakuListCtl::UpdateServerDataListRecord(TDataListRec& rec, int withNames, bool report)
{
    if (rec.NETDRIVE == 0) return true;
    if (rec.GASSAN == 10) return UpdateServerDataListChildRecord(rec, withNames, report);
    return Guarded(report, "UpdateServerDataListRecord", TListCtlMessages::ServerUpdate, Kind::Writer, [&] {
        const std::string pasname = NormalizeDataPath(rec.PASNAME);
        const std::string drive = DriveLetterOf(pasname);
        const std::string key = " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (PASNAME=:PASNAME)";
        auto q = NewQuery();
        auto bindKey = [&](fb::Statement& s) {
            BindInt(s, "GROUPID", SystemDef.GroupId);
            BindStr(s, "DRIVELETTER", drive);
            BindStr(s, "PASNAME", pasname);
        };
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM SERVERDATALIST" + key);
        bindKey(*q);
        q->ExecQuery();
        const int count = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
        q->Close();
        rec.REC = 0;
        if (count == 1) {
            q->SetSQL("SELECT REC FROM SERVERDATALIST" + key);
            bindKey(*q);
            q->ExecQuery();
            if (!q->Eof()) rec.REC = q->FieldByName("REC").AsInteger();
            q->Close();
        } else if (count > 1) {
            // One folder registered more than once: one fresh row replaces them.
            q->SetSQL("DELETE FROM SERVERDATALIST" + key);
            bindKey(*q);
            q->ExecQuery();
        }
        std::error_code ec;
        if (std::filesystem::is_directory(pasname, ec)) {
            TDataListRec r = rec;
            r.PASNAME = pasname;
            r.GROUPID = SystemDef.GroupId;
            if (rec.REC != 0) {
                q->SetSQL("UPDATE SERVERDATALIST SET PASNAME=:PASNAME," + ServerSecondSet() +
                          (withNames == 1 ? ",ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU" : "") + VersionSetLines() +
                          " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (REC=:REC)");
            } else {
                q->SetSQL("SELECT MAX(REC) AS RECMAX FROM SERVERDATALIST WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)");
                BindInt(*q, "GROUPID", SystemDef.GroupId);
                BindStr(*q, "DRIVELETTER", drive);
                q->ExecQuery();
                rec.REC = (q->Eof() ? 0 : q->FieldByName("RECMAX").AsInteger()) + 1;
                q->Close();
                r.REC = rec.REC;
                q->SetSQL("INSERT INTO SERVERDATALIST(GROUPID,DRIVELETTER,REC,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE," +
                          std::string(kServerInsertSecond) + VersionInsertColumns() +
                          ") VALUES(:GROUPID,:DRIVELETTER,:REC,:ENTTEXT,:SHOUGOU,:PASNAME,:DATATYPE,:CODETYPE," +
                          kServerValuesSecond + VersionInsertValues() + ")");
            }
            r.REC = rec.REC;
            BindRecord(*q, r);
            BindStr(*q, "DRIVELETTER", drive);
            q->ExecQuery();
            if (!IsAreaName(rec.ENTTEXT) && IsZeroDate(rec.KISHU) && IsZeroDate(rec.KIMATU)) {
                q->SetSQL("DELETE FROM SERVERDATALIST WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (REC=:REC)");
                BindInt(*q, "GROUPID", SystemDef.GroupId);
                BindStr(*q, "DRIVELETTER", drive);
                BindInt(*q, "REC", rec.REC);
                q->ExecQuery();
            }
        }
        q->SetSQL("UPDATE DATALIST SET DATALOCK=:DATALOCK WHERE PASNAME=:PASNAME");
        BindInt(*q, "DATALOCK", rec.DATALOCK);
        BindStr(*q, "PASNAME", pasname);
        q->ExecQuery();
    });
}

bool TDataSentakuListCtl::UpdateServerDataListChildRecord(TDataListRec& rec, int withNames, bool report)
{
    if (rec.NETDRIVE == 0) return true;
    return Guarded(report, "UpdateServerDataListChildRecord", TListCtlMessages::ServerChildUpdate, Kind::Writer, [&] {
        const std::string pasname = NormalizeDataPath(rec.PASNAME);
        const std::string drive = DriveLetterOf(pasname);
        const std::string key = " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (PASNAME=:PASNAME)";
        auto q = NewQuery();
        auto bindKey = [&](fb::Statement& s, const std::string& path) {
            BindInt(s, "GROUPID", SystemDef.GroupId);
            BindStr(s, "DRIVELETTER", drive);
            BindStr(s, "PASNAME", path);
        };
        q->SetSQL("SELECT COUNT(REC) AS RECCNT FROM CHILD_SERVERDATALIST" + key);
        bindKey(*q, pasname);
        q->ExecQuery();
        const int count = q->Eof() ? 0 : q->FieldByName("RECCNT").AsInteger();
        q->Close();
        rec.REC = 0;
        if (count == 1) {
            q->SetSQL("SELECT REC FROM CHILD_SERVERDATALIST" + key);
            bindKey(*q, pasname);
            q->ExecQuery();
            if (!q->Eof()) rec.REC = q->FieldByName("REC").AsInteger();
            q->Close();
        } else if (count > 1) {
            q->SetSQL("DELETE FROM CHILD_SERVERDATALIST" + key);
            bindKey(*q, pasname);
            q->ExecQuery();
        }
        TDataListRec r = rec;
        r.PASNAME = pasname;
        r.GROUPID = SystemDef.GroupId;
        if (rec.REC != 0) {
            q->SetSQL("UPDATE CHILD_SERVERDATALIST SET PASNAME=:PASNAME," + ServerSecondSet() +
                      (withNames == 1 ? ",ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU" : "") + VersionSetLines() +
                      " WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (REC=:REC) AND (ROWNO=:ROWNO)");
        } else {
            const auto cut = pasname.rfind('/');
            const std::string parent = cut == std::string::npos ? std::string() : pasname.substr(0, cut);
            q->SetSQL("SELECT REC FROM SERVERDATALIST" + key);
            bindKey(*q, parent);
            q->ExecQuery();
            if (!q->Eof()) rec.REC = q->FieldByName("REC").AsInteger();
            q->Close();
            q->SetSQL("INSERT INTO CHILD_SERVERDATALIST(GROUPID,DRIVELETTER,REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE," +
                      std::string(kServerInsertSecond) + VersionInsertColumns() +
                      ") VALUES(:GROUPID,:DRIVELETTER,:REC,:ROWNO,:ENTTEXT,:SHOUGOU,:PASNAME,:DATATYPE,:CODETYPE," +
                      kServerValuesSecond + VersionInsertValues() + ")");
        }
        r.REC = rec.REC;
        // A child whose parent is not on the server list is not written.
        if (rec.REC > 0) {
            BindRecord(*q, r);
            BindStr(*q, "DRIVELETTER", drive);
            q->ExecQuery();
        }
        q->SetSQL("UPDATE CHILD_DATALIST SET DATALOCK=:DATALOCK WHERE PASNAME=:PASNAME");
        BindInt(*q, "DATALOCK", rec.DATALOCK);
        BindStr(*q, "PASNAME", pasname);
        q->ExecQuery();
    });
}

bool TDataSentakuListCtl::DeleteServerDataListChildRecord(const TDataListRec& rec, bool report)
{
    if (rec.NETDRIVE == 0) return true;
    if (IsBlank(rec.PASNAME)) return false;
    return Guarded(report, "DeleteServerDataListChildRecord", TListCtlMessages::ServerChildDelete, Kind::Writer, [&] {
        auto q = NewQuery();
        if (rec.GASSAN == 10)
            q->SetSQL("DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND REC=:REC "
                      "AND ROWNO=:ROWNO");
        else
            q->SetSQL("DELETE FROM CHILD_SERVERDATALIST WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND REC=:REC");
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindStr(*q, "DRIVELETTER", DriveLetterOf(NormalizeDataPath(rec.PASNAME)));
        BindInt(*q, "REC", rec.REC);
        BindInt(*q, "ROWNO", rec.ROWNO);
        q->ExecQuery();
    });
}

std::string TDataSentakuListCtl::GetNewServerFolderName(const std::string& rootArg, int offset)
{
    const std::string root = NormalizeDataPath(rootArg);
    std::optional<fb::TransactionGuard> t;
    try {
        t.emplace(SysTr(), Unfinished::Commit);
        auto q = NewQuery();
        // A bound prefix in place of a LIKE pattern: "_" and "%" in the root match only themselves.
        q->SetSQL("SELECT MAX(PASNAME) AS MAXPATH FROM SERVERDATALIST WHERE (GROUPID=:GROUPID) AND "
                  "(DRIVELETTER=:DRIVELETTER) AND (PASNAME STARTING WITH :PASNAME)");
        BindInt(*q, "GROUPID", SystemDef.GroupId);
        BindStr(*q, "DRIVELETTER", DriveLetterOf(root));
        BindStr(*q, "PASNAME", root + "/sv");
        q->ExecQuery();
        const std::string maxPath = q->Eof() ? std::string() : q->FieldByName("MAXPATH").AsString();
        q->Close();
        t->Commit();
        const int n = maxPath.size() >= 4 ? ToIntDef(maxPath.substr(maxPath.size() - 4), 0) : 0;
        char buf[32];
        std::snprintf(buf, sizeof buf, "sv%.4d", n + offset);
        return buf;
    } catch (...) {
        // The transaction started here is committed all the same (it only read).
        if (t) t->EndUnfinished();
        return "sv0001";
    }
}

} // namespace kb
