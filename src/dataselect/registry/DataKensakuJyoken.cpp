#include "dataselect/registry/DataKensakuJyoken.h"

#include "core/ErrorReporter.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <stdexcept>

namespace kb {
namespace {
const char* kMsgSelect = "検索条件レコードの参照に失敗しました。";
const char* kMsgUpdate = "検索条件レコードの更新に失敗しました。";
} // namespace

int SortColFromStored(int stored)
{
    switch (stored) {
    case 1: return 3;
    case 2: return 4;
    case 3: return 5;
    case 4: return 6;
    case 5: return 7;
    case 6: return 1;
    default: return 0;
    }
}

int SortColToStored(int column)
{
    switch (column) {
    case 3: return 1;
    case 4: return 2;
    case 5: return 3;
    case 6: return 4;
    case 7: return 5;
    case 1: return 6;
    default: return 0;
    }
}

const std::vector<TKindChoice>& KindChoices()
{
    static const std::vector<TKindChoice> choices = {
        {"選択なし", 0, 0},      {"法人", 1, 1},     {"個人(一般)", 2, 1},      {"個人(不動産)", 2, 2},
        {"医療法人", 3, 1},      {"個人(クリニック)", 2, 3}, {"個人(農業)", 2, 4}};
    return choices;
}

int GetKindIndex(int dataType, int codeType)
{
    if (dataType == 1) return 1;
    if (dataType == 3) return 4;
    if (dataType == 2) {
        switch (codeType) {
        case 1: return 2;
        case 2: return 3;
        case 3: return 5;
        case 4: return 6;
        default: return 0;
        }
    }
    return 0;
}

bool TDataKensakuIO::SelectRecord(TDataKensakuRec& rec)
{
    const bool started = !tr_.InTransaction();
    try {
        fb::TransactionGuard guard(tr_);
        fb::Statement q(*tr_.DefaultDatabase(), &tr_);
        q.SetSQL("SELECT JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,TANTO,DATAVER,SEIHINNAME,SORTCOL,SORTTYPE FROM "
                 "KENSAKUJYOKEN WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)");
        q.ParamByName("OPCODE").SetInteger(rec.OPCODE);
        q.ParamByName("LISTTYPE").SetInteger(rec.LISTTYPE);
        q.ExecQuery();
        if (!q.Eof()) {
            rec.JYOKENUSE = q.FieldByName("JYOKENUSE").AsInteger();
            rec.DATATYPE = q.FieldByName("DATATYPE").AsInteger();
            rec.CODETYPE = q.FieldByName("CODETYPE").AsInteger();
            rec.DATACODE = q.FieldByName("DATACODE").AsString();
            rec.DATANAME = q.FieldByName("DATANAME").AsString();
            rec.TANTO = q.FieldByName("TANTO").AsInteger();
            rec.DATAVER = q.FieldByName("DATAVER").AsString();
            rec.SEIHINNAME = q.FieldByName("SEIHINNAME").AsString();
            rec.SORTCOL = SortColFromStored(q.FieldByName("SORTCOL").AsInteger());
            rec.SORTTYPE = q.FieldByName("SORTTYPE").AsInteger();
            q.Close();
        } else {
            q.Close();
            q.SetSQL("INSERT INTO KENSAKUJYOKEN(OPCODE,LISTTYPE,JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,TANTO,DATAVER,"
                     "SEIHINNAME,SORTCOL,SORTTYPE) VALUES(:OPCODE,:LISTTYPE,:JYOKENUSE,:DATATYPE,:CODETYPE,:DATACODE,"
                     ":DATANAME,:TANTO,:DATAVER,:SEIHINNAME,:SORTCOL,:SORTTYPE)");
            q.ParamByName("OPCODE").SetInteger(rec.OPCODE);
            q.ParamByName("LISTTYPE").SetInteger(rec.LISTTYPE);
            for (const char* n : {"JYOKENUSE", "DATATYPE", "CODETYPE", "TANTO", "SORTCOL", "SORTTYPE"})
                q.ParamByName(n).SetInteger(0);
            for (const char* n : {"DATACODE", "DATANAME", "DATAVER", "SEIHINNAME"}) q.ParamByName(n).SetString("");
            q.ExecQuery();
        }
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        if (!started) return false;
        ShowIBError(e, "TDataListKensakuBox.SelectRecord", kMsgSelect);
    } catch (const std::exception& e) {
        if (!started) return false;
        ShowErrorDetail(kMsgSelect, e.what());
    }
    return false;
}

bool TDataKensakuIO::RunWrite(const std::string& sql, const TDataKensakuRec& rec, const char* label)
{
    const bool started = !tr_.InTransaction();
    try {
        fb::TransactionGuard guard(tr_);
        fb::Statement q(*tr_.DefaultDatabase(), &tr_);
        q.SetSQL(sql);
        auto setI = [&](const char* n, int v) {
            if (q.HasParam(n)) q.ParamByName(n).SetInteger(v);
        };
        auto setS = [&](const char* n, const std::string& v) {
            if (q.HasParam(n)) q.ParamByName(n).SetString(v);
        };
        setI("OPCODE", rec.OPCODE);
        setI("LISTTYPE", rec.LISTTYPE);
        setI("JYOKENUSE", rec.JYOKENUSE);
        setI("DATATYPE", rec.DATATYPE);
        setI("CODETYPE", rec.CODETYPE);
        setS("DATACODE", rec.DATACODE);
        setS("DATANAME", rec.DATANAME);
        setI("TANTO", rec.TANTO);
        setS("DATAVER", rec.DATAVER);
        setS("SEIHINNAME", rec.SEIHINNAME);
        setI("SORTCOL", SortColToStored(rec.SORTCOL));
        setI("SORTTYPE", rec.SORTTYPE);
        q.ExecQuery();
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        if (!started) return false;
        ShowIBError(e, label, kMsgUpdate);
    } catch (const std::exception& e) {
        if (!started) return false;
        ShowErrorDetail(kMsgUpdate, e.what());
    }
    return false;
}

bool TDataKensakuIO::UpdateRecord(const TDataKensakuRec& rec)
{
    return RunWrite("UPDATE KENSAKUJYOKEN SET JYOKENUSE=:JYOKENUSE,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,DATACODE=:DATACODE,"
                    "DATANAME=:DATANAME,TANTO=:TANTO,DATAVER=:DATAVER,SEIHINNAME=:SEIHINNAME,SORTCOL=:SORTCOL,"
                    "SORTTYPE=:SORTTYPE WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)",
                    rec, "TDataListKensakuBox.UpdateRecord");
}

bool TDataKensakuIO::UpdateRecordSortField(const TDataKensakuRec& rec)
{
    return RunWrite("UPDATE KENSAKUJYOKEN SET SORTCOL=:SORTCOL,SORTTYPE=:SORTTYPE WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)",
                    rec, "TDataListKensakuBox.UpdateRecordSortField");
}

} // namespace kb
