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

bool ReadDataIni(const std::string& folder, TDataFolderInfoRec& rec)
{
    ClearDataInfoRec(rec);
    const std::string ini = DataIniPath(folder);
    const bool hasData = std::filesystem::exists(Join(folder, DataFileName));
    const bool hasIni = std::filesystem::exists(ini);
    if (!hasIni) return hasData;
    const IniFile f(ini);
    rec.STATUS = f.ReadInteger("DATASTS", "STATUS", 1);
    rec.OPCODE = f.ReadInteger("DATASTS", "OPCODE", 0);
    rec.OPERATOR = f.ReadString("DATASTS", "OPERATOR");
    rec.SHARE_STATUS = f.ReadInteger("DATASTS", "SHARE_STATUS", 1);
    rec.SHARE_OPCODE = f.ReadInteger("DATASTS", "SHARE_OPCODE", 0);
    rec.SHARE_OPERATOR = f.ReadString("DATASTS", "SHARE_OPERATOR");
    rec.UPDATE_LOCK = f.ReadInteger("DATASTS", "UPDATE_LOCK", 0);
    rec.READ_ONLY = f.ReadInteger("DATASTS", "READ_ONLY", 0);
    rec.DATALISTNAME = f.ReadString("DATAINFO", "DATALISTNAME");
    rec.CODE = f.ReadString("DATAINFO", "CODE");
    rec.DATAKBN = f.ReadInteger("DATAINFO", "DATAKBN", 0);
    rec.CODEKBN = f.ReadInteger("DATAINFO", "CODEKBN", 0);
    rec.SHOUGOU = f.ReadString("DATAINFO", "SHOUGOU");
    rec.KANA = f.ReadString("DATAINFO", "KANA");
    rec.NENDO = f.ReadInteger("DATAINFO", "NENDO", 0);
    rec.KISHU = f.ReadString("DATAINFO", "KISHU");
    rec.KIMATU = f.ReadString("DATAINFO", "KIMATU");
    rec.TANTO = f.ReadInteger("DATAINFO", "TANTO", 0);
    rec.SIWAKE = f.ReadInteger("DATAINFO", "SIWAKE", 0);
    rec.TOTALSIWAKE = f.ReadInteger("DATAINFO", "TOTALSIWAKE", 0);
    rec.VERSION1 = f.ReadString("DATAINFO", "VERSION1");
    rec.VERSION2 = f.ReadString("DATAINFO", "VERSION2");
    rec.GASSANKBN = f.ReadInteger("DATAINFO", "GASSANKBN", 0);
    rec.CLOUD_SHARE = f.ReadInteger("DATAINFO", "CLOUD_SHARE", 0);
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
        fb::Transaction tr(&db, fb::Transaction::ReadCommitted());
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL("SELECT ENTTEXT,SHOUGOU,SKANA,NENDO,KISHU,KIMATU,DATATYPE,CODETYPE,TANTOU,READ_ONLY,CLOUD_LINE "
                 "FROM ACCDEF1 WHERE REC=1");
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
        q.Close();
        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        q.ExecQuery();
        char v[64] = "0.0.0";
        if (!q.Eof())
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

void WriteIniValue(const std::string& folder, const std::string& section, const std::string& key, int value)
{
    if (ConnectMode != 0) return;
    IniFile(DataIniPath(folder)).WriteInteger(section, key, value);
}

void WriteDataInfoSection(const std::string& folder, const TDataFolderInfoRec& rec)
{
    if (ConnectMode != 0) return;
    IniFile f(DataIniPath(folder));
    f.WriteString("DATAINFO", "DATALISTNAME", rec.DATALISTNAME);
    f.WriteString("DATAINFO", "CODE", rec.CODE);
    f.WriteInteger("DATAINFO", "DATAKBN", rec.DATAKBN);
    f.WriteInteger("DATAINFO", "CODEKBN", rec.CODEKBN);
    f.WriteString("DATAINFO", "SHOUGOU", rec.SHOUGOU);
    f.WriteString("DATAINFO", "KANA", rec.KANA);
    f.WriteInteger("DATAINFO", "NENDO", rec.NENDO);
    f.WriteString("DATAINFO", "KISHU", rec.KISHU);
    f.WriteString("DATAINFO", "KIMATU", rec.KIMATU);
    f.WriteInteger("DATAINFO", "TANTO", rec.TANTO);
    f.WriteInteger("DATAINFO", "SIWAKE", rec.SIWAKE);
    f.WriteInteger("DATAINFO", "TOTALSIWAKE", rec.TOTALSIWAKE);
    f.WriteString("DATAINFO", "VERSION1", rec.VERSION1);
    f.WriteString("DATAINFO", "VERSION2", rec.VERSION2);
    f.WriteInteger("DATAINFO", "GASSANKBN", rec.GASSANKBN);
    f.WriteInteger("DATAINFO", "CLOUD_SHARE", rec.CLOUD_SHARE);
}

} // namespace kb
