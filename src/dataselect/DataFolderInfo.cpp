#include "dataselect/DataFolderInfo.h"

#include "core/uAccRecord.h"
#include "platform/IniFile.h"

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

} // namespace kb
