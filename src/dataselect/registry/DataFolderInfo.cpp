#include "dataselect/registry/DataFolderInfo.h"

#include "core/uAccRecord.h"
#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/z5DateVersion.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "platform/IniFile.h"

#include <cstdio>

#include <filesystem>

namespace kb {

namespace {
std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
} // namespace

std::string DataIniPath(const std::string& folder) { return Join(folder, DataIniFileName); }

void ClearDataInfoRec(TDataFolderInfoRec& rec) { rec = TDataFolderInfoRec{}; }


namespace {
// The records of the two readers; the information file itself belongs to TDataInfomation.
TDataFolderInfoRec FromInfo(const TDataInfomationRec& r)
{
    TDataFolderInfoRec o;
    o.STATUS = r.STATUS;
    o.OPCODE = r.OPCODE;
    o.OPERATOR = r.OPERATOR;
    o.SHARE_STATUS = r.SHARE_STATUS;
    o.SHARE_OPCODE = r.SHARE_OPCODE;
    o.SHARE_OPERATOR = r.SHARE_OPERATOR;
    o.UPDATE_LOCK = r.UPDATE_LOCK;
    o.READ_ONLY = r.READ_ONLY;
    o.DATALISTNAME = r.DATALISTNAME;
    o.CODE = r.CODE;
    o.DATAKBN = r.DATAKBN;
    o.CODEKBN = r.CODEKBN;
    o.SHOUGOU = r.SHOUGOU;
    o.KANA = r.KANA;
    o.NENDO = r.NENDO;
    o.KISHU = r.KISHU;
    o.KIMATU = r.KIMATU;
    o.TANTO = r.TANTO;
    o.SIWAKE = r.SIWAKE;
    o.TOTALSIWAKE = r.TOTALSIWAKE;
    char v[64];
    std::snprintf(v, sizeof v, "%d.%d.%d", r.MAJOR, r.MINOR1, r.MINOR2);
    o.VERSION1 = v;
    o.VERSION2 = r.VERSION2;
    o.GASSANKBN = r.GASSANKBN;
    o.CLOUD_SHARE = r.CLOUD_SHARE;
    return o;
}

TDataInfomationRec ToInfo(const TDataFolderInfoRec& r, TDataInfomationRec o)
{
    o.STATUS = static_cast<std::uint8_t>(r.STATUS);
    o.OPCODE = r.OPCODE;
    o.OPERATOR = r.OPERATOR;
    o.SHARE_STATUS = static_cast<std::uint8_t>(r.SHARE_STATUS);
    o.SHARE_OPCODE = r.SHARE_OPCODE;
    o.SHARE_OPERATOR = r.SHARE_OPERATOR;
    o.UPDATE_LOCK = r.UPDATE_LOCK;
    o.READ_ONLY = r.READ_ONLY;
    o.DATALISTNAME = r.DATALISTNAME;
    o.CODE = r.CODE;
    o.DATAKBN = r.DATAKBN;
    o.CODEKBN = r.CODEKBN;
    o.SHOUGOU = r.SHOUGOU;
    o.KANA = r.KANA;
    o.NENDO = r.NENDO;
    o.KISHU = r.KISHU;
    o.KIMATU = r.KIMATU;
    o.TANTO = r.TANTO;
    o.SIWAKE = r.SIWAKE;
    o.TOTALSIWAKE = r.TOTALSIWAKE;
    const TVersionRec v = StrToVersionRec(r.VERSION1);
    o.MAJOR = v.Major;
    o.MINOR1 = v.Minor1;
    o.MINOR2 = v.Minor2;
    o.VERSION2 = r.VERSION2;
    o.GASSANKBN = static_cast<std::uint8_t>(r.GASSANKBN);
    o.CLOUD_SHARE = static_cast<std::uint8_t>(r.CLOUD_SHARE);
    return o;
}

TDataInfomation Info()
{
    TDataInfomation t;
    t.Mode = ConnectMode;
    return t;
}
} // namespace

TDataFolderInfoRec FolderInfoFrom(const TDataInfomationRec& info) { return FromInfo(info); }

bool ReadDataIni(const std::string& folder, TDataFolderInfoRec& rec)
{
    ClearDataInfoRec(rec);
    TDataInfomationRec r;
    TDataInfomation::ClearDataInfoRec(r);
    const bool found = Info().ReadDataIni(folder, r);
    rec = FromInfo(r);
    return found;
}

void SetDataStatus(const std::string& folder, int status) { Info().SetDataStatus(folder, status); }

void SetShareStatus(const std::string& folder, int status) { Info().SetShareStatus(folder, status); }

void OpenDataSet(fb::Connection& db, const std::string& folder)
{
    db.SetSQLDialect(3);
    db.SetDatabaseName(TDM::ServerPath(SystemDef.HostName, folder, DataFileName));
    TDM::SetLoginParams(db);
    db.Open();
}

bool DataSetOpens(const std::string& folder)
{
    try {
        fb::Connection db;
        OpenDataSet(db, folder);
        fb::Transaction tr(&db, {"read", "read_committed", "rec_version", "nowait"});
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL("SELECT COUNT(*) FROM RDB$RELATIONS");
        q.ExecQuery();
        q.Close();
        g.Commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int ReadDataInfoFromFolder(const std::string& folder, TDataFolderInfoRec& rec)
{
    try {
        fb::Connection db;
        OpenDataSet(db, folder);
        // One read-only statement: the header row and the newest version together.
        fb::Transaction tr(&db, {"read", "read_committed", "rec_version", "nowait"});
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL("SELECT A.ENTTEXT,A.SHOUGOU,A.SKANA,A.NENDO,A.KISHU,A.KIMATU,A.DATATYPE,A.CODETYPE,A.TANTOU,"
                 "A.READ_ONLY,A.CLOUD_LINE,V.MAJOR,V.MINOR1,V.MINOR2 FROM ACCDEF1 A LEFT JOIN "
                 "(SELECT FIRST 1 MAJOR,MINOR1,MINOR2 FROM ACCVERSION ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC) V "
                 "ON 1=1 WHERE A.REC=1");
        q.ExecQuery();
        if (q.Eof()) return 0;
        rec.DATALISTNAME = q.FieldByName("ENTTEXT").AsString();
        rec.SHOUGOU = q.FieldByName("SHOUGOU").AsString();
        rec.KANA = q.FieldByName("SKANA").AsString();
        rec.NENDO = q.FieldByName("NENDO").AsInteger();
        rec.KISHU = q.FieldByName("KISHU").AsDate().ToString();
        rec.KIMATU = q.FieldByName("KIMATU").AsDate().ToString();
        rec.DATAKBN = q.FieldByName("DATATYPE").AsInteger();
        rec.CODEKBN = q.FieldByName("CODETYPE").AsInteger();
        rec.TANTO = q.FieldByName("TANTOU").AsInteger();
        rec.READ_ONLY = q.FieldByName("READ_ONLY").AsInteger();
        rec.CLOUD_SHARE = q.FieldByName("CLOUD_LINE").AsInteger() > 0 ? 1 : 0;
        char v[64];
        std::snprintf(v, sizeof v, "%d.%d.%d", q.FieldByName("MAJOR").AsInteger(), q.FieldByName("MINOR1").AsInteger(),
                      q.FieldByName("MINOR2").AsInteger());
        rec.VERSION1 = v;
        q.Close();
        g.Commit();
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

void CopyDataFacts(const TDataFolderInfoRec& from, TDataFolderInfoRec& to)
{
    to.DATALISTNAME = from.DATALISTNAME;
    to.SHOUGOU = from.SHOUGOU;
    to.KANA = from.KANA;
    to.NENDO = from.NENDO;
    to.KISHU = from.KISHU;
    to.KIMATU = from.KIMATU;
    to.DATAKBN = from.DATAKBN;
    to.CODEKBN = from.CODEKBN;
    to.TANTO = from.TANTO;
    to.READ_ONLY = from.READ_ONLY;
    to.CLOUD_SHARE = from.CLOUD_SHARE;
    to.VERSION1 = from.VERSION1;
}

void WriteIniValue(const std::string& folder, const std::string& section, const std::string& key, int value)
{
    if (ConnectMode != 0) return;
    // The file is rewritten only when the value changes: a refresh of many lines mostly finds
    // every value as it was.
    const auto now = IniFile(DataIniPath(folder)).Find(section, key);
    if (now && *now == std::to_string(value)) return;
    Info().WriteIniValue(folder, section, false, value, key);
}

void WriteDataInfoSection(const std::string& folder, const TDataFolderInfoRec& rec)
{
    if (ConnectMode != 0) return;
    TDataInfomation t = Info();
    TDataInfomationRec now;
    TDataInfomation::ClearDataInfoRec(now);
    t.ReadDataIni(folder, now);
    const TDataInfomationRec next = ToInfo(rec, now);
    if (next == now) return;
    t.WriteIniFile(folder, kSectionDataInfo, next);
}

} // namespace kb
