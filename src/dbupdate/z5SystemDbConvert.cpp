// The data conversions of system steps 7.0.0, 8.0.2 and 9.0.4.
#include "core/DataModule.h"
#include "core/DataModuleSysDef.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5MenuList.h"
#include "dbupdate/z5SystemDbUpdate.h"
#include "fb/Statement.h"

#include <stdexcept>
#include <tuple>
#include <vector>

namespace kb {

void ConvertSysIniOfficeInfo(TDM& dm)
{
    SystemDef.HoujinName.clear();
    SystemDef.HoujinAddress.clear();
    SystemDef.HoujinTel.clear();
    SystemDef.HoujinReserve.fill(0);
    TSystemIniRec rec;
    rec.REC = 10;
    if (!GetSysIni(dm, rec)) return;
    GetTextValue(rec.SSTR, "NAME", SystemDef.HoujinName);
    GetTextValue(rec.SSTR, "JYUSHO", SystemDef.HoujinAddress);
    GetTextValue(rec.SSTR, "TEL", SystemDef.HoujinTel);
    SystemDef.HoujinReserve[0] = rec.RESERVE1;
    SystemDef.HoujinReserve[1] = rec.RESERVE2;
    if (rec.RESERVE1 != 1) return;
    SystemDef.HoujinReserve[2] = 1; // converted
    rec.RESERVE3 = 1;
    rec.RESERVE4 = 0;
    rec.RESERVE5 = 0;
    rec.SSTR = "NAME=" + SystemDef.HoujinName + "\r" + "JYUSHO=" + SystemDef.HoujinAddress + "\r" + "TEL=" +
               SystemDef.HoujinTel + "\r";
    SetSysIni(dm, rec);
}

void ConvertJobControl(TDM& dm)
{
    std::vector<std::tuple<int, int, int>> rows;
    {
        fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        q.SetSQL("SELECT LEVELNO,PAGENO,MENUNO FROM JOBCONTROL\nORDER BY LEVELNO,PAGENO,MENUNO");
        for (q.ExecQuery(); !q.Eof(); q.Next())
            rows.emplace_back(q.FieldByName("LEVELNO").AsInteger(), q.FieldByName("PAGENO").AsInteger(),
                              q.FieldByName("MENUNO").AsInteger());
    }
    fb::Statement ins(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
    ins.SetSQL("INSERT INTO JOBCONTROL2(LEVELNO,PROC_ID,PROC_OPTION)\nVALUES(:LEVELNO,:PROC_ID,:PROC_OPTION)");
    for (const auto& [level, page, menu] : rows) {
        std::string procId, option, copy;
        GetProcIdFromMenuNo(level, page, menu, procId, option, copy);
        if (procId.empty()) continue;
        ins.ParamByName("LEVELNO").SetInteger(level);
        ins.ParamByName("PROC_ID").SetString(procId);
        ins.ParamByName("PROC_OPTION").SetString(option);
        ins.ExecQuery();
    }
}

namespace {

struct TInputSide {
    int Dictionary = 0, Association = 0, Auto = 0, NoInput = 0;
};

TInputSide SideFrom(int autoKind, int inputKind)
{
    TInputSide s;
    if (autoKind == 1 || autoKind == 2) {
        s.Dictionary = autoKind == 1 ? 1 : 0;
        s.Association = autoKind == 2 ? 1 : 0;
        s.Auto = 1;
    }
    s.NoInput = inputKind > 0 ? 1 : 0;
    if (s.Dictionary != 1 && s.Association != 1) s.Dictionary = 1;
    return s;
}

int GetInt(TDM& dm, const std::string& key, int opcode)
{
    TRegValue v = std::int32_t{0};
    if (!funcGetSysReg(dm, key, "整数", v, opcode, "0")) throw std::runtime_error("SYSREG " + key);
    const auto* i = std::get_if<std::int32_t>(&v);
    return i ? *i : 0;
}

void PutInt(TDM& dm, const std::string& key, int opcode, int value)
{
    if (!funcPutSysReg(dm, key, "整数", opcode, TRegValue{std::int32_t{value}})) throw std::runtime_error("SYSREG " + key);
}

} // namespace

void ConvertSysDefInputMode(TDM& dm)
{
    std::vector<std::tuple<int, int, int>> rows;
    {
        fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        q.SetSQL("SELECT OPCODE,DICTEKAUTO,DICTORAUTO FROM SYSDEF\nORDER BY OPCODE");
        for (q.ExecQuery(); !q.Eof(); q.Next())
            rows.emplace_back(q.FieldByName("OPCODE").AsInteger(), q.FieldByName("DICTEKAUTO").AsInteger(),
                              q.FieldByName("DICTORAUTO").AsInteger());
    }
    for (const auto& [opcode, tekAuto, torAuto] : rows) {
        const TInputSide tek = SideFrom(tekAuto, GetInt(dm, "摘要項目の入力区分", opcode));
        const TInputSide tor = SideFrom(torAuto, GetInt(dm, "取引先項目の入力区分", opcode));
        PutInt(dm, "摘要＿辞書開く区分", opcode, tek.Dictionary);
        PutInt(dm, "摘要＿連想開く区分", opcode, tek.Association);
        PutInt(dm, "摘要＿自動開く区分", opcode, tek.Auto);
        PutInt(dm, "摘要＿入力なし区分", opcode, tek.NoInput);
        PutInt(dm, "取引先＿辞書開く区分", opcode, tor.Dictionary);
        PutInt(dm, "取引先＿連想開く区分", opcode, tor.Association);
        PutInt(dm, "取引先＿自動開く区分", opcode, tor.Auto);
        PutInt(dm, "取引先＿入力なし区分", opcode, tor.NoInput);
    }
}

} // namespace kb
