#include "accounting/SitenList.h"

#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

namespace kb {
namespace {

const char* const kMsgList = "支店リストの取得に失敗しました。";

const char* const kPermitSql =
    "SELECT\n"
    "CASE WHEN MIN(CASE WHEN S.SCODE IN (SELECT SCODE FROM OPLICENSE WHERE OPCODE=:OPCODE) THEN 1\n"
    "ELSE 0\n"
    "END)=1 THEN 1\n"
    "       ELSE 0 END AS PERMIT\n"
    "FROM SISETUMST S\n"
    "WHERE S.SCODE <> ''";

struct Division {
    std::int32_t bit;
    const char* name;
};
constexpr Division kDivisions[] = {{8, "病院・診療所"}, {4, "老人保健施設"}, {2, "指定訪問看護"}, {1, "その他の事業"}};

std::string Quoted(std::string s)
{
    std::replace(s.begin(), s.end(), '"', '\'');
    return "\"" + s + "\"";
}

bool Blank(const std::string& s) { return TrimZen(s).empty(); }

} // namespace


TSitenList::TSitenList(TDM& dm) : Query(dm.IBDatabaseDAT, &dm.IBTransactionDAT), dm_(dm) {}

void TSitenList::Clear()
{
    Lines.clear();
    Entries.clear();
    Count = 0;
    OpCode = 0;
}

void TSitenList::SetTransaction(fb::Transaction& transaction) { Query.SetTransaction(&transaction); }

std::string TSitenList::GetCode(int i) const
{
    if (i < 0 || i >= Count || i >= static_cast<int>(Entries.size())) return {};
    return Entries[static_cast<std::size_t>(i)].Code;
}

std::string TSitenList::Title() const
{
    if (AccInf.SITEN == 0) return AccInf.SHOUGOU;
    if (AccInf.DATATYPE >= 1 && AccInf.DATATYPE <= 3) return WholeUnitNames[static_cast<std::size_t>(AccInf.DATATYPE - 1)];
    return AccInf.SHOUGOU;
}

void TSitenList::Add(const TSitenListRec& rec, const std::string& plain, const std::string& f1, const std::string& f2,
                     const std::string& f3)
{
    Entries.push_back(rec);
    Lines.push_back(QuotedLines == 1 ? Quoted(f1) + "\t" + Quoted(f2) + "\t" + Quoted(f3) : plain);
}

void TSitenList::AddTotal(std::int32_t jigyou, std::int32_t bumex)
{
    TSitenListRec rec;
    rec.Code = " ";
    rec.Name = Title();
    rec.Kind = 0;
    rec.Jigyou = jigyou;
    rec.BUMEX = bumex;
    Add(rec, rec.Name, rec.Name, "", "");
}

bool TSitenList::TotalPermitted()
{
    Query.SetSQL(kPermitSql);
    Query.ParamByName("OPCODE").SetInteger(OpCode);
    Query.ExecQuery();
    const bool permit = !Query.Eof() && Query.FieldByName("PERMIT").AsInteger() == 1;
    Query.Close();
    return permit;
}

void TSitenList::AddGroups(std::int32_t kind, std::int32_t jigyou)
{
    if (Restricted()) {
        Query.SetSQL("SELECT G.GCODE,G.GNAME,\n"
                     "CASE WHEN MIN(CASE WHEN S.SCODE IN (SELECT SCODE FROM OPLICENSE WHERE OPCODE=:OPCODE) THEN 1\n"
                     "ELSE 0\nEND)=1 THEN 1\n       ELSE 0 END AS PERMIT\n"
                     "FROM SISETUGROUPLIST S\nINNER JOIN SISETUGROUP G ON (S.GCODE=G.GCODE)\nWHERE S.SCODE <> ''\n"
                     "GROUP BY G.GCODE,G.GNAME\nORDER BY G.GCODE");
        Query.ParamByName("OPCODE").SetInteger(OpCode);
    } else {
        Query.SetSQL("SELECT G.GCODE,G.GNAME, 1 AS PERMIT\n"
                     "FROM SISETUGROUPLIST S\nINNER JOIN SISETUGROUP G ON (S.GCODE=G.GCODE)\nWHERE S.SCODE <> ''\n"
                     "GROUP BY G.GCODE,G.GNAME\nORDER BY G.GCODE");
    }
    for (Query.ExecQuery(); !Query.Eof(); Query.Next()) {
        if (Query.FieldByName("PERMIT").AsInteger() != 1) continue;
        TSitenListRec rec;
        rec.Code = Query.FieldByName("GCODE").AsString();
        rec.Name = Query.FieldByName("GNAME").AsString();
        rec.Kind = kind;
        rec.Jigyou = jigyou;
        Add(rec, "(" + rec.Code + "):" + rec.Name, "(" + rec.Code + ")", rec.Code, rec.Name);
    }
    Query.Close();
}

void TSitenList::AddBranches(bool ownDepartments, bool medical)
{
    std::string sql = "SELECT S.SCODE,S.SNAME,";
    if (medical) sql += "S.MB_JIGYOU,";
    sql += ownDepartments ? "S.XSTR FROM SISETUMST S" : "S.BUMEX,S.XSTR FROM SISETUMST S";
    const std::string own = ownDepartments ? " AND (S.BUMEX=1)" : "";
    if (Restricted())
        sql += "\nINNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)\nWHERE (S.SCODE<>'')" + own + " AND (O.OPCODE=:OPCODE)";
    else
        sql += "\nWHERE (S.SCODE<>'')" + own;
    const bool filter = medical && JigyouFilter > 0;
    if (filter) sql += "\nAND (S.MB_JIGYOU=:MB_JIGYOU)";
    sql += "\nORDER BY S.SCODE";
    Query.SetSQL(sql);
    if (Restricted()) Query.ParamByName("OPCODE").SetInteger(OpCode);
    if (filter) Query.ParamByName("MB_JIGYOU").SetInteger(JigyouFilter);
    for (Query.ExecQuery(); !Query.Eof(); Query.Next()) {
        TSitenListRec rec;
        rec.Code = Query.FieldByName("SCODE").AsString();
        if (Blank(rec.Code)) continue;
        if (medical && IncludeCode00 == 0 && rec.Code == "00") continue;
        rec.Name = Query.FieldByName("SNAME").AsString();
        rec.Kind = ownDepartments ? 3 : 2;
        rec.Jigyou = medical ? Query.FieldByName("MB_JIGYOU").AsInteger() : 1;
        rec.BUMEX = ownDepartments ? 1 : Query.FieldByName("BUMEX").AsInteger();
        TRegValue color;
        GetSstrValue(Query.FieldByName("XSTR").AsString(), "COLOR", color);
        rec.Color = RegAsInteger(color);
        Add(rec, rec.Code + ":" + rec.Name, rec.Code, "", rec.Name);
    }
    Query.Close();
}

void TSitenList::Execute(int opCode)
{
    Clear();
    OpCode = IsAllSisetuAllowed() ? -1 : opCode;
    // A failed read still commits what it started (nothing to undo) before the error goes on.
    std::optional<fb::TransactionGuard> guard;
    if (fb::Transaction* tr = Query.GetTransaction()) guard.emplace(*tr, fb::TransactionGuard::Unfinished::Commit);
    try {
        if (AccInf.IryouHoujin)
            ExecuteSisetu();
        else
            ExecuteSiten();
        Count = static_cast<std::int32_t>(Lines.size());
        if (guard) guard->Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TSitenList.Execute", kMsgList);
        if (guard) guard->EndUnfinished();
        Count = static_cast<std::int32_t>(Lines.size());
        throw;
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgList, e.what());
        if (guard) guard->EndUnfinished();
        Count = static_cast<std::int32_t>(Lines.size());
        throw;
    }
}

void TSitenList::ExecuteSiten()
{
    const bool siten = AccInf.SITEN != 0;
    if (Options & slTotal) {
        if (!Restricted() || !siten || TotalPermitted()) AddTotal(1, 0);
    }
    if ((Options & slGroups) && siten) AddGroups(1, 1);
    if (Options & slBranches) {
        if (siten)
            AddBranches(false, false);
        else if (!(Options & slTotal))
            AddTotal(1, AccInf.BUMON);
    }
    if (Options & slOwnDepartments) {
        if (siten)
            AddBranches(true, false);
        else if (!(Options & slTotal))
            AddTotal(1, 0);
    }
}

void TSitenList::ExecuteSisetu()
{
    const bool siten = AccInf.SITEN != 0;
    if (Options & slTotal) {
        if (!(Restricted() && siten) || TotalPermitted()) AddTotal(0, 0);
    }
    if ((Options & slGroups) && siten) {
        auto countByDivision = [this](bool restricted) {
            std::string sql = "SELECT S.MB_JIGYOU,COUNT(S.SCODE) AS RECCNT FROM SISETUMST S";
            if (restricted)
                sql += "\nINNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)\nWHERE (S.SCODE NOT IN ('','00')) AND (O.OPCODE=:OPCODE)";
            else
                sql += "\nWHERE (S.SCODE NOT IN ('','00'))";
            if (JigyouFilter > 0) sql += "\nAND (S.MB_JIGYOU=:MB_JIGYOU)";
            sql += "\nGROUP BY S.MB_JIGYOU\nORDER BY S.MB_JIGYOU DESC";
            Query.SetSQL(sql);
            if (restricted) Query.ParamByName("OPCODE").SetInteger(OpCode);
            if (JigyouFilter > 0) Query.ParamByName("MB_JIGYOU").SetInteger(JigyouFilter);
            std::array<int, 9> counts{};
            for (Query.ExecQuery(); !Query.Eof(); Query.Next()) {
                const int bit = Query.FieldByName("MB_JIGYOU").AsInteger();
                if (bit == 8 || bit == 4 || bit == 2 || bit == 1) counts[static_cast<std::size_t>(bit)] = Query.FieldByName("RECCNT").AsInteger();
            }
            Query.Close();
            return counts;
        };
        const auto all = countByDivision(false);
        const auto own = Restricted() ? countByDivision(true) : all;
        for (const auto& d : kDivisions) {
            const auto i = static_cast<std::size_t>(d.bit);
            if (all[i] > 0 && all[i] == own[i]) {
                TSitenListRec rec;
                rec.Code = " ";
                rec.Name = d.name;
                rec.Kind = 1;
                rec.Jigyou = d.bit;
                Add(rec, rec.Name, rec.Name, "", "");
            }
        }
        AddGroups(5, 0);
    }
    if (Options & slBranches) {
        if (siten)
            AddBranches(false, true);
        else if (!(Options & slTotal))
            AddTotal(0, 0);
    }
    if (Options & slOwnDepartments) {
        if (siten)
            AddBranches(true, true);
        else if (!(Options & slTotal))
            AddTotal(0, 0);
    }
}

bool CheckSitenRange(TDM& dm, int opcode)
{
    if (AccInf.SITEN == 0) return true;
    try {
        TSitenList all(dm), own(dm);
        all.Options = slBranches;
        own.Options = slBranches;
        all.Execute(-1);
        own.Execute(opcode);
        return all.Count == own.Count;
    } catch (const std::exception&) {
        // Already reported by the list.
        return false;
    }
}

} // namespace kb
