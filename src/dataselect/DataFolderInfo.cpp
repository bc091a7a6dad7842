#include "dataselect/DataFolderInfo.h"

#include "core/uAccRecord.h"
#include "core/DataModule.h"
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
// One section's values, read in one pass (a key is matched without regard to case).
struct SectionValues {
    std::vector<std::pair<std::string, std::string>> v;
    const std::string* Find(const std::string& key) const
    {
        for (const auto& [k, value] : v)
            if (SameText(k, key)) return &value;
        return nullptr;
    }
    std::string Str(const std::string& key) const
    {
        const std::string* s = Find(key);
        return s ? *s : std::string();
    }
    int Int(const std::string& key, int def) const
    {
        const std::string* s = Find(key);
        if (!s) return def;
        try {
            std::size_t used = 0;
            const int n = std::stoi(*s, &used);
            return used == s->size() ? n : def;
        } catch (const std::exception&) {
            return def;
        }
    }
};
} // namespace

bool ReadDataIni(const std::string& folder, TDataFolderInfoRec& rec)
{
    ClearDataInfoRec(rec);
    const std::string ini = DataIniPath(folder);
    const bool hasData = std::filesystem::exists(Join(folder, DataFileName));
    const bool hasIni = std::filesystem::exists(ini);
    if (!hasIni) return hasData;
    const IniFile f(ini);
    const SectionValues sts{f.ReadSectionValues("DATASTS")};
    const SectionValues inf{f.ReadSectionValues("DATAINFO")};
    rec.STATUS = sts.Int("STATUS", 1);
    rec.OPCODE = sts.Int("OPCODE", 0);
    rec.OPERATOR = sts.Str("OPERATOR");
    rec.SHARE_STATUS = sts.Int("SHARE_STATUS", 1);
    rec.SHARE_OPCODE = sts.Int("SHARE_OPCODE", 0);
    rec.SHARE_OPERATOR = sts.Str("SHARE_OPERATOR");
    rec.UPDATE_LOCK = sts.Int("UPDATE_LOCK", 0);
    rec.READ_ONLY = sts.Int("READ_ONLY", 0);
    rec.DATALISTNAME = inf.Str("DATALISTNAME");
    rec.CODE = inf.Str("CODE");
    rec.DATAKBN = inf.Int("DATAKBN", 0);
    rec.CODEKBN = inf.Int("CODEKBN", 0);
    rec.SHOUGOU = inf.Str("SHOUGOU");
    rec.KANA = inf.Str("KANA");
    rec.NENDO = inf.Int("NENDO", 0);
    rec.KISHU = inf.Str("KISHU");
    rec.KIMATU = inf.Str("KIMATU");
    rec.TANTO = inf.Int("TANTO", 0);
    rec.SIWAKE = inf.Int("SIWAKE", 0);
    rec.TOTALSIWAKE = inf.Int("TOTALSIWAKE", 0);
    rec.VERSION1 = inf.Str("VERSION1");
    rec.VERSION2 = inf.Str("VERSION2");
    rec.GASSANKBN = inf.Int("GASSANKBN", 0);
    rec.CLOUD_SHARE = inf.Int("CLOUD_SHARE", 0);
    return true;
}

void SetDataStatus(const std::string& folder, int status)
{
    if (ConnectMode != 0) return;
    IniFile f(DataIniPath(folder));
    f.WriteInteger("DATASTS", "STATUS", status);
    f.WriteInteger("DATASTS", "OPCODE", SystemDef.OpCode);
    f.WriteString("DATASTS", "OPERATOR", SystemDef.OpName);
}

void SetShareStatus(const std::string& folder, int status)
{
    if (ConnectMode != 0) return;
    IniFile f(DataIniPath(folder));
    f.WriteInteger("DATASTS", "SHARE_STATUS", status);
    f.WriteInteger("DATASTS", "SHARE_OPCODE", status == 2 ? SystemDef.OpCode : 0);
    f.WriteString("DATASTS", "SHARE_OPERATOR", status == 2 ? SystemDef.OpName : std::string());
}

int ReadDataInfoFromFolder(const std::string& folder, TDataFolderInfoRec& rec)
{
    try {
        fb::Connection db;
        db.SetSQLDialect(3);
        db.SetDatabaseName(TDM::ServerPath(SystemDef.HostName, folder, DataFileName));
        TDM::SetLoginParams(db);
        db.Open();
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
    IniFile f(DataIniPath(folder));
    // The file is rewritten only when the value changes: a refresh of many lines mostly finds
    // every value as it was.
    const auto now = f.Find(section, key);
    if (now && *now == std::to_string(value)) return;
    f.WriteInteger(section, key, value);
}

void WriteDataInfoSection(const std::string& folder, const TDataFolderInfoRec& rec)
{
    if (ConnectMode != 0) return;
    IniFile f(DataIniPath(folder));
    const SectionValues now{f.ReadSectionValues("DATAINFO")};
    const std::pair<const char*, std::string> values[] = {
        {"DATALISTNAME", rec.DATALISTNAME}, {"CODE", rec.CODE},
        {"DATAKBN", std::to_string(rec.DATAKBN)}, {"CODEKBN", std::to_string(rec.CODEKBN)},
        {"SHOUGOU", rec.SHOUGOU}, {"KANA", rec.KANA},
        {"NENDO", std::to_string(rec.NENDO)}, {"KISHU", rec.KISHU},
        {"KIMATU", rec.KIMATU}, {"TANTO", std::to_string(rec.TANTO)},
        {"SIWAKE", std::to_string(rec.SIWAKE)}, {"TOTALSIWAKE", std::to_string(rec.TOTALSIWAKE)},
        {"VERSION1", rec.VERSION1}, {"VERSION2", rec.VERSION2},
        {"GASSANKBN", std::to_string(rec.GASSANKBN)}, {"CLOUD_SHARE", std::to_string(rec.CLOUD_SHARE)}};
    for (const auto& [key, value] : values) {
        const std::string* cur = now.Find(key);
        if (!cur || *cur != value) f.WriteString("DATAINFO", key, value);
    }
}

} // namespace kb
