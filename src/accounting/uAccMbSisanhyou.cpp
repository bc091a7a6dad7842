#include "accounting/uAccMbSisanhyou.h"

#include "accounting/uAccSisanhyoDirect.h"
#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace kb {

namespace {

constexpr const char* kNameContext = "合計名称読込";

bool WholeCorporation(int division) { return division == 0 || division == 255; }

bool KnownDivision(int division)
{
    switch (division) {
    case 0: case 1: case 2: case 4: case 8: case 16: case 255: return true;
    default: return false;
    }
}

// Format "%s%2.2d".
std::string GroupKey(const std::string& group, int sub)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", sub);
    return group + buf;
}

// The code that classifies a line: GROUPR1 for divisions 2 and 4, else GROUPM1.
const std::string& CompareCode(const TBALANCE& b, bool byR) { return byR ? b.KAMOKU.GROUPR1 : b.KAMOKU.GROUPM1; }

int NumericCode(const std::string& code)
{
    if (code.empty() || code.size() > 9) return 0;
    for (char c : code)
        if (c < '0' || c > '9') return 0;
    return std::stoi(code);
}

// The base row of a line's composition ratio by its numeric code; 0 none.
int RatioBase(int code)
{
    if (code >= 1000 && code <= 1900) return 11;
    if (code >= 2000 && code <= 3900) return 24;
    if (code >= 4000 && code <= 9500) return 32;
    return 0;
}

// One summary formula: row x from signed rows; a difference line takes its opening and closing by
// the formula and shows the change as its credit.
struct TFormula {
    int x;
    std::vector<std::pair<int, int>> terms; // (row, sign)
    bool difference;
};

const std::vector<TFormula>& Formulas()
{
    static const std::vector<TFormula> f = {
        {2, {{2, 1}, {1, 1}}, false},
        {5, {{2, 1}, {3, 1}, {4, 1}}, false},
        {9, {{6, 1}, {7, 1}, {8, 1}}, false},
        {11, {{5, 1}, {9, 1}, {10, 1}}, false},
        {14, {{12, 1}, {13, 1}}, false},
        {19, {{11, 1}, {14, -1}, {15, -1}, {16, -1}, {17, -1}, {18, -1}, {22, -1}}, true},
        {21, {{17, 1}, {18, 1}, {19, 1}}, false},
        {23, {{15, 1}, {16, 1}, {21, 1}, {22, 1}}, false},
        {24, {{14, 1}, {23, 1}}, false},
        {26, {{25, 1}, {26, 1}}, false},
        {28, {{27, 1}, {28, 1}}, false},
        {30, {{29, 1}, {30, 1}}, false},
        {32, {{26, 1}, {28, 1}, {30, 1}, {31, 1}}, false},
        {41, {{33, 1}, {34, 1}, {35, 1}, {36, 1}, {37, 1}, {38, 1}, {39, 1}, {40, 1}}, false},
        {42, {{32, 1}, {41, -1}}, true},
        {45, {{42, 1}, {43, 1}, {44, -1}}, true},
        {48, {{45, 1}, {46, 1}, {47, -1}}, true},
        {49, {{48, 1}, {49, -1}}, true},
        {50, {{49, 1}, {50, 1}}, true},
        {53, {{50, 1}, {51, 1}, {52, -1}}, true},
    };
    return f;
}

class TRows {
public:
    TRows(std::vector<TBALANCE>& recs, int lastRec, const char* who) : recs_(recs), who_(who)
    {
        last_ = std::min<int>(lastRec, static_cast<int>(recs.size()) - 1);
        if (last_ < kAccMbSummaryRows)
            throw std::out_of_range(std::string(who) + ": the array does not hold the summary rows");
    }
    TBALANCE& operator[](int row)
    {
        if (row < 0 || row > last_) throw std::out_of_range(std::string(who_) + ": row " + std::to_string(row));
        return recs_[static_cast<std::size_t>(row)];
    }
    int Last() const { return last_; }

private:
    std::vector<TBALANCE>& recs_;
    const char* who_;
    int last_ = 0;
};

// Adds the account lines into the summary rows 1..53 by consecutive codes. add(summary, account,
// sign) adds the account's values with sign +1 (side 1, 3), -1 (side 2, 4) or 0 (other sides).
template <class Add>
void AccumulateByCodes(TRows& rows, bool byR, Add add)
{
    std::string lower = "1000";
    for (int s = 1; s <= 53; ++s) {
        TBALANCE& sum = rows[s];
        if (sum.KAMOKU.GROUPM1.empty()) continue;
        const std::string& own = CompareCode(sum, byR);
        for (int r = kAccMbFirstAccountRow; r <= rows.Last(); ++r) {
            const TBALANCE& a = rows[r];
            const std::string& code = CompareCode(a, byR);
            if (!(code > lower && code < own)) continue;
            const int side = a.KAMOKU.TAISHAKU;
            sum.KAMOKU.TAISHAKU = side;
            add(sum, a, side == 1 || side == 3 ? 1 : side == 2 || side == 4 ? -1 : 0);
        }
        lower = sum.KAMOKU.GROUPM1;
    }
}

} // namespace

bool AccMbIsProfitLineCode(const std::string& code)
{
    static const char* codes[] = {"3480", "6950", "7300", "8300", "9280", "9380", "9600"};
    return std::any_of(std::begin(codes), std::end(codes), [&](const char* c) { return code == c; });
}

bool AccMbByGroupR(int Division) { return Division == 2 || Division == 4; }

std::string GetMbTotalLineName(const std::string& Code, const std::string& DefaultName, Currency Amount, int Division,
                               const TMbTotalLineNameLookup& names)
{
    if (!AccMbIsProfitLineCode(Code) || !names) return DefaultName;
    const auto n = names(Code, Division);
    if (!n) return DefaultName;
    if (n->MODIFY != 1) return n->PLUSNAME;
    const std::string name = Amount >= Currency() ? n->PLUSNAME : n->MINUSNAME;
    return WholeCorporation(Division) ? ReplaceAll(name, "医業", "事業") : name;
}

// ---- placement -------------------------------------------------------------------------------

TMbSisanhyoPlacer::TMbSisanhyoPlacer(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                                     int Layout, int Division, bool zaidan, bool kikin)
    : recs_(Recs), sorts_(Sorts), layout_(Layout), division_(Division), zaidan_(zaidan), kikin_(kikin)
{
    lastRec_ = std::min<int>(LastRec, static_cast<int>(Recs.size()) - 1);
    lastSort_ = std::min<int>(LastSort, static_cast<int>(Sorts.size()) - 1);
    if (lastRec_ < kAccMbSummaryRows || lastSort_ < kAccMbSummaryRows)
        throw std::out_of_range("TMbSisanhyoPlacer: the arrays do not hold the summary rows");
}

TBALANCE& TMbSisanhyoPlacer::Rec(int row) { return AccZanAt(recs_, row, lastRec_, "TMbSisanhyoPlacer: row "); }
TQSORT& TMbSisanhyoPlacer::Sort(int row) { return AccZanAt(sorts_, row, lastSort_, "TMbSisanhyoPlacer: sort entry "); }

void TMbSisanhyoPlacer::HideEntry(int entry) { Sort(entry).QKEY = kAccZanEmptyKey; }

void TMbSisanhyoPlacer::SetTotalLines(ISisanhyoRowSource& Names, bool HideLowRows, int Kind, int Division)
{
    for (; !Names.Eof(); Names.Next()) {
        const int a = Names.Integer("ARRAYNUM");
        if (a < 1 || a > kAccMbSummaryRows) continue; // not a summary row of this array
        TKMKREC& k = Rec(a).KAMOKU;
        const std::string code = Names.Text("KGROUP");
        k.GROUPM1 = k.GROUPM2 = k.GROUPR1 = k.GROUPR2 = code;
        k.KCODE.clear();
        k.KNAME = Names.Text("PLUSNAME");
        const int kubun = Names.Integer("KESKUBUN");
        if (kubun == 0 || kubun == Kind) {
            k.BSPL = code < "4000" ? "B" : "P";
            Sort(a).QINDEX = a;
            Sort(a).QKEY = code;
            if (WholeCorporation(Division) && code != "4180") {
                k.KNAME = ReplaceAll(ReplaceAll(k.KNAME, "医業", "事業"), "臨時", "特別");
                if (code == "4480") k.KNAME = "その他事業収益合計";
            }
        }
        if (code == "3180") k.KNAME = zaidan_ || !kikin_ ? "出資金合計" : "基金合計";
        else if (code == "3800") k.KNAME = "純資産の部合計";
        else if (code == "3900") k.KNAME = "負債純資産の部合計";
        else if (code == "1108") k.KNAME = "現金及び預金";
    }
    if (Kind == 2) HideEntry(1);
    Rec(18).KAMOKU.GROUPM1 = Rec(18).KAMOKU.GROUPR1 = "3460";
    Rec(32).KAMOKU.GROUPM1 = Rec(32).KAMOKU.GROUPR1 = "4800";
    Rec(39).KAMOKU.GROUPM1 = "6780";
    if (HideLowRows)
        for (int r = 46; r <= 53; ++r) {
            HideEntry(r);
            Rec(r).KAMOKU.GROUPM1.clear();
            Rec(r).KAMOKU.GROUPM2.clear();
            Rec(r).KAMOKU.KNAME.clear();
        }
}

void TMbSisanhyoPlacer::HideDivisionLines(const std::function<int(int division)>& facilities)
{
    static const std::pair<int, int> lines[] = {{26, 8}, {28, 4}, {30, 2}, {31, 1}};
    int shown = 0;
    for (const auto& [entry, division] : lines) {
        if (facilities(division) == 0) HideEntry(entry);
        if (Sort(entry).QKEY != kAccZanEmptyKey) ++shown;
    }
    if (shown < 2) HideEntry(32);
}

int TMbSisanhyoPlacer::SetRows(ISisanhyoRowSource& Rows)
{
    const int capacity = std::min(lastRec_, lastSort_) - 1; // up to the row before the last element
    const bool comparison = layout_ == 3 || layout_ == 4;
    int r = kAccMbFirstAccountRow - 1;
    while (!Rows.Eof()) {
        if (r + 1 > capacity)
            throw ESisanhyoCapacity("勘定科目の行数が上限（" + std::to_string(capacity - kAccMbFirstAccountRow + 1) + "行）を超えました。");
        ++r;
        TBALANCE& b = Rec(r);
        TKMKREC& k = b.KAMOKU;
        if (comparison) {
            k.GROUPM1 = k.GROUPM2 = k.GROUPR1 = k.GROUPR2 = Rows.Text("GROUPM3");
        } else if (AccMbByGroupR(division_)) {
            k.GROUPM1 = k.GROUPR1 = Rows.Text("GROUPR1");
            k.GROUPM2 = k.GROUPR2 = Rows.Text("GROUPR2");
        } else if (KnownDivision(division_)) {
            k.GROUPM1 = k.GROUPR1 = Rows.Text("GROUPM1");
            k.GROUPM2 = k.GROUPR2 = Rows.Text("GROUPM2");
        } else {
            k.GROUPM1.clear();
            k.GROUPM2.clear();
            k.GROUPR1.clear();
            k.GROUPR2.clear();
        }
        k.USERCODE = Rows.Text("USERCODE");
        k.KCODE = Rows.Text("KCODE");
        k.KNAME = Rows.Text("KNAME");
        k.BSPL = Rows.Text("BSPL");
        k.TAISHAKU = Rows.Integer("TAISHAKU");
        if (k.GROUPM1 == "3110" && !zaidan_ && k.KNAME == "資本金") k.KNAME = kikin_ ? "基金" : "出資金";
        int hojCount = 0;
        if (layout_ != 0) {
            b.MSTREC = Rows.Integer("MSTREC");
            b.SUBREC = Rows.Integer("SUBREC");
        } else {
            hojCount = Rows.Integer("HOJCNT");
        }
        AccZanAddRowAmounts(Rows, b);
        TQSORT& q = Sort(r);
        q.QINDEX = r;
        q.QKEY = layout_ != 0 ? GroupKey(k.GROUPM2, b.SUBREC) : k.GROUPM1 + FixLeft(k.USERCODE, 4);
        if (layout_ == 0 && hojCount >= 1) AccZanReadSubAccountRows(Rows, b, hojCount);
        else Rows.Next();
    }
    return r;
}

void TMbSisanhyoPlacer::SortEntries(int lastRow)
{
    SortNameRecs(sorts_, 1, std::min(lastRow, lastSort_), [](const TQSORT& s) -> const std::string& { return s.QKEY; });
}

// ---- the read on the data set ----------------------------------------------------------------

namespace {

// The statement of one layout and selection; empty: nothing is read.
std::string MbStatement(int layout, int selection, bool bumon)
{
    switch (layout) {
    case 0:
        switch (selection) {
        case 0: return bumon ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE, 0 ) " : "SELECT * From SP_SISANHYO( '' ,:TAX,0 ) ";
        case 1:
            return bumon ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE, :JIGYOU ) " : "SELECT * From SP_SISANHYO( '' ,:TAX ,:JIGYOU ) ";
        case 2: return "SELECT * From SP_SISANHYO_SISETU( :SCODE, :TAX ) ";
        case 3:
        case 4: return "SELECT * From SP_SISANHYO_BUMON( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
        case 5: return "SELECT * FROM SP_SISANHYO_GROUP( :GCODE ,:TAX) ";
        default: return {};
        }
    case 1:
    case 2: {
        const std::string sfx = layout == 1 ? "A4" : "A3";
        switch (selection) {
        case 1:
            return bumon ? "SELECT * FROM SP_SISANHYO_JIGYOBETUBUMON_" + sfx + "( :TAX, :BCODE, :JIGYOU ) "
                         : "SELECT * From SP_SISANHYO_" + sfx + "( '' , :TAX, :JIGYOU ) ";
        case 2: return "SELECT * From SP_SISANHYO_" + sfx + "( :SCODE, :TAX ,0 ) ";
        case 3:
        case 4: return "SELECT * From SP_SISANHYO_BUMON_" + sfx + "( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
        default: return {};
        }
    }
    case 3:
        switch (selection) {
        case 0:
            return bumon ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI_KS( :TAX ,:BCODE )"
                         : "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','' ,:TAX , 0, 0)";
        case 1: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','' ,:TAX ,:JIGYOU, 0) ";
        case 2: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( :SCODE, '', :TAX ,0, 0) ";
        case 5: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :GCODE ,:TAX ,0, 0) ";
        default: return {};
        }
    case 4:
        switch (selection) {
        case 0: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','',:TAX ,0 ,0 )";
        case 1: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :SCODE,:TAX ,:JIGYOU , 1 ) ";
        case 2: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( :SCODE,'' ,:TAX ,0, 1 ) ";
        case 5: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :SCODE ,:TAX ,0, 1) ";
        default: return {};
        }
    default: return {};
    }
}

void BindIfPresent(fb::Statement& q, const char* name, const std::string& v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetString(v);
}
void BindIfPresent(fb::Statement& q, const char* name, int v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetInteger(v);
}

int IntegerOf(fb::Connection& db, fb::Transaction& tr, const std::string& sql,
              const std::function<void(fb::Statement&)>& bind)
{
    fb::Statement q(db, &tr);
    q.SetSQL(sql);
    bind(q);
    q.ExecQuery();
    const int v = q.Eof() ? 0 : q.FieldAt(0).AsInteger();
    q.Close();
    return v;
}

} // namespace

void AccMbSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                       const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                       int StatementKind, int Haibun, int Division)
{
    if (!DM) throw std::logic_error("AccMbSisanhyoRead: no data module");
    fb::Connection& db = DM->IBDatabaseDAT;
    fb::Transaction& tr = DM->IBTransactionDATSS;
    fb::TransactionGuard guard(tr);
    AccZanReadReported(guard, [&] {
        AccZanClearArrays(Recs, LastRec, Sorts, LastSort);
        const bool zaidan = GetHoujinGaiyouZaidan(*DM);
        const bool kikin = GetHoujinGaiyouKikin(*DM);
        const bool bumon = !TrimZen(BumonCode).empty();

        // the summary lines, and the division whose codes classify the lines
        int division = Division;
        bool overAll = false;   // the summary lines of the whole corporation
        bool hideLow = false;
        if (Layout == 4) {
            overAll = true;
        } else if (Layout == 3 || (Layout == 0 && (Selection == 0 || Selection == 5 || Selection == 6))) {
            overAll = true;
            hideLow = Selection == 6 || (Selection == 0 && bumon);
        } else {
            if (division == 0)
                division = IntegerOf(db, tr, "SELECT MB_JIGYOU FROM SISETUMST WHERE SCODE=:SCODE ",
                                     [&](fb::Statement& q) { q.ParamByName("SCODE").SetString(SisetuCode); });
            hideLow = Selection == 3 || Selection == 4;
        }
        const int namesDivision = overAll ? 0 : division;
        TMbSisanhyoPlacer placer(Recs, LastRec, Sorts, LastSort, Layout, division, zaidan, kikin);
        {
            const int bit = namesDivision == 1 || namesDivision == 2 || namesDivision == 4 || namesDivision == 8 ? namesDivision : 16;
            fb::Statement q(db, &tr);
            q.SetSQL("SELECT * FROM ACCTOTALNAME WHERE :BIT=BIN_AND( MB_JIGYOU, :BITS ) ORDER BY KGROUP ");
            q.ParamByName("BIT").SetInteger(bit);
            q.ParamByName("BITS").SetInteger(bit);
            q.ExecQuery();
            TStatementRowSource names(q);
            placer.SetTotalLines(names, hideLow, overAll ? 2 : StatementKind, namesDivision);
            q.Close();
        }
        if (overAll) {
            const bool group = Layout != 4 && Selection == 5;
            placer.HideDivisionLines([&](int d) {
                return IntegerOf(db, tr,
                                 group ? "SELECT COUNT(*) FROM SISETUMST WHERE MB_JIGYOU=:JIGYOU AND (SCODE IN ( SELECT G.SCODE "
                                         "FROM SISETUGROUPLIST G WHERE G.GCODE=:GCODE )) "
                                       : "SELECT COUNT(*) FROM SISETUMST WHERE MB_JIGYOU=:JIGYOU",
                                 [&](fb::Statement& q) {
                                     q.ParamByName("JIGYOU").SetInteger(d);
                                     if (group) q.ParamByName("GCODE").SetString(SisetuCode);
                                 });
            });
        }

        // the account lines
        int last = kAccMbFirstAccountRow - 1;
        fb::Statement q(db, &tr);
        auto run = [&](const std::string& sql, const std::string& bcode) {
            q.SetSQL(sql);
            BindIfPresent(q, "TAX", Tax);
            BindIfPresent(q, "SCODE", SisetuCode);
            BindIfPresent(q, "BCODE", bcode);
            BindIfPresent(q, "HAIBUN", Haibun);
            BindIfPresent(q, "JIGYOU", division);
            BindIfPresent(q, "GCODE", SisetuCode);
            q.ExecQuery();
            TStatementRowSource rows(q);
            last = std::max(last, placer.SetRows(rows));
            q.Close();
        };
        if (Selection == 6 && Layout >= 0 && Layout <= 4) {
            const TCalcSisanhyoSettingRec s =
                AccSisanhyoReadSetting(BumonCode, Selection, Tax, Haibun, Layout, StatementKind, -1);
            last = AccSisanhyoDirect(Recs, LastRec, Sorts, s, LastSort);
        } else if (Selection == 4 && Layout <= 2) {
            // the departments of the group that belong to the facility, in result order
            std::vector<std::string> departments;
            fb::Statement g(db, &tr);
            g.SetSQL("SELECT BCODE FROM GROUPLIST WHERE GCODE=:GCODE AND ( BCODE IN (SELECT BCODE FROM SISETUBUM WHERE "
                     "SCODE=:SCODE)) ");
            g.ParamByName("GCODE").SetString(BumonCode);
            g.ParamByName("SCODE").SetString(SisetuCode);
            for (g.ExecQuery(); !g.Eof(); g.Next()) departments.push_back(g.FieldByName("BCODE").AsString());
            g.Close();
            const std::string sql = MbStatement(Layout, 4, bumon);
            for (const auto& bcode : departments) run(sql, bcode);
        } else if (const std::string sql = MbStatement(Layout, Selection, bumon); !sql.empty()) {
            run(sql, BumonCode);
        }

        if (Layout == 4)
            for (int index = 0; index <= 16; ++index) AccMbSisanhyoPeriodCalc(Recs, LastRec, index, division);
        if (Layout != 1 && Layout != 2) placer.HideEntry(17);
        placer.SortEntries(last);
    });
}

// ---- the computation -------------------------------------------------------------------------

void AccMbSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                       int LastPeriod, int Division, const TMbTotalLineNameLookup& names)
{
    if (!KnownDivision(Division)) MessageDlgLines("事業区分の設定が必要です。", TMessageLinesKind::Error);
    const bool byR = AccMbByGroupR(Division);
    AccZanRangeOfSelector(Selector, FirstPeriod, LastPeriod);
    // a fiscal year shorter than twelve months ends its ranges at the settlement period
    if (Selector > 0 && MonthToKikanNo(GetMonthCount(AccInf.SIME, AccInf.KISHU, AccInf.KIMATU)) < LastPeriod) LastPeriod = 16;
    AccZanCheckRange("AccMbSisanhyoCalc", FirstPeriod, LastPeriod);

    TRows rows(Recs, LastRec, "AccMbSisanhyoCalc");
    const int last = rows.Last();

    for (int i = 0; i <= last; ++i) AccZanClearRange(rows[i]);

    // account lines over the range
    for (int r = kAccMbFirstAccountRow; r <= last; ++r) {
        TBALANCE& b = rows[r];
        AccZanAccountRange(b, OpeningZero, FirstPeriod, LastPeriod);
        if (Selector == 0 || Selector == 1 || Selector == 5 || b.KAMOKU.BSPL != "P") {
            b.ZENNEN = b.RUIZAN[16 + LastPeriod];
        } else {
            for (int p = std::max(FirstPeriod, -16); p <= LastPeriod; ++p) b.ZENNEN += b.ZOUGEN[16 + p];
        }
    }

    // a later range: the profit-and-loss lines start from zero, retained earnings take the balance
    const int kaisino = AccInf.KAISINO;
    if (Selector == 2 || Selector == 3 || Selector == 4 || Selector == 6 || Selector == 7) {
        Currency assets, liabilities;
        for (int r = kAccMbFirstAccountRow; r <= last; ++r) {
            const TBALANCE& b = rows[r];
            const std::string& g = b.KAMOKU.GROUPM1;
            const int side = b.KAMOKU.TAISHAKU;
            if (g.empty()) continue;
            if (g < "2000") assets += (side == 1 || side == 4) ? b.ZENZAN : -b.ZENZAN;
            else if (g < "4000") liabilities += (side == 2 || side == 3) ? b.ZENZAN : -b.ZENZAN;
        }
        const bool plFromZero = Selector != 7 || (kaisino == 1 && FirstPeriod > 1) || (kaisino != 1 && kaisino < FirstPeriod);
        if (plFromZero)
            for (int r = kAccMbFirstAccountRow; r <= last; ++r)
                if (rows[r].KAMOKU.BSPL == "P") rows[r].ZENZAN = {};
        const std::string& retained = AccInf.SysKcode[4];
        for (int r = kAccMbFirstAccountRow; r <= last && !retained.empty(); ++r)
            if (rows[r].KAMOKU.KCODE == retained) {
                rows[r].ZENZAN = assets - liabilities;
                break;
            }
    }

    // closing balances and the sub-accounts' shares
    for (int r = kAccMbFirstAccountRow; r <= last; ++r) AccZanAccountClosing(rows[r]);

    // account lines into the summary rows by consecutive codes
    for (int s = 1; s <= 53; ++s) rows[s].GOUKEISU = 0;
    AccumulateByCodes(rows, byR, [](TBALANCE& sum, const TBALANCE& a, int sign) {
        sum.GOUKEISU += 1;
        sum.KARIKATA += a.KARIKATA;
        sum.KASIKATA += a.KASIKATA;
        sum.ZENNEN += (a.KAMOKU.TAISHAKU == 2 || a.KAMOKU.TAISHAKU == 4) ? -a.ZENNEN : a.ZENNEN;
        sum.ZENZAN += sign * a.ZENZAN;
        sum.TOUZAN += sign * a.TOUZAN;
    });

    // the summary formulas
    for (const TFormula& f : Formulas()) {
        Currency zenzan, karikata, kasikata, touzan;
        for (const auto& [row, sign] : f.terms) {
            zenzan += sign * rows[row].ZENZAN;
            karikata += sign * rows[row].KARIKATA;
            kasikata += sign * rows[row].KASIKATA;
            touzan += sign * rows[row].TOUZAN;
        }
        TBALANCE& x = rows[f.x];
        x.ZENZAN = zenzan;
        x.TOUZAN = touzan;
        if (f.difference) {
            x.KASIKATA = x.TOUZAN - x.ZENZAN;
        } else {
            x.KARIKATA = karikata;
            x.KASIKATA = kasikata;
        }
    }
    rows[20].ZENZAN = rows[49].ZENZAN;
    rows[20].KARIKATA = rows[49].KARIKATA;
    rows[20].KASIKATA = rows[49].KASIKATA;
    rows[20].TOUZAN = rows[49].TOUZAN;
    rows[54].TOUZAN = rows[49].TOUZAN - rows[45].TOUZAN - rows[46].TOUZAN;

    // names and composition ratios
    for (int i = 0; i <= last; ++i) {
        TBALANCE& b = rows[i];
        b.KAMOKU.KNAME = GetMbTotalLineName(b.KAMOKU.GROUPM1, b.KAMOKU.KNAME, b.TOUZAN, Division, names);
        const int base = RatioBase(NumericCode(CompareCode(b, byR)));
        if (!base || rows[base].TOUZAN.IsZero()) continue;
        b.KOUSEIHI = AccZanClampRatio(AccZanRatioPercent(b.TOUZAN.ToDouble() / rows[base].TOUZAN.ToDouble()));
    }
}

void AccMbSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                       int LastPeriod, int Division)
{
    TTotalLineNameReader reader("SELECT PLUSNAME,MINUSNAME,MODIFY FROM ACCTOTALNAME WHERE (BIN_AND( MB_JIGYOU,:BITS)=:JIGYOU ) "
                                "AND (KGROUP=:KGROUP)");
    const TMbTotalLineNameLookup names = [&](const std::string& code, int division) {
        return reader.Read([&](fb::Statement& q) {
            q.ParamByName("BITS").SetInteger(division);
            q.ParamByName("JIGYOU").SetInteger(division);
            q.ParamByName("KGROUP").SetString(code);
        });
    };
    try {
        AccMbSisanhyoCalc(Recs, LastRec, OpeningZero, Selector, FirstPeriod, LastPeriod, Division, names);
        reader.End(true);
    } catch (const FbError& e) {
        reader.End(false);
        WriteFbErrorText(e, kNameContext);
        throw;
    } catch (...) {
        reader.End(false);
        throw;
    }
}

void AccMbSisanhyoPeriodCalc(std::vector<TBALANCE>& Recs, int LastRec, int Index, int Division)
{
    if (Index < 0 || Index > 16) throw std::out_of_range("AccMbSisanhyoPeriodCalc: index " + std::to_string(Index));
    const int i = 32 + Index;
    const bool yearEnd = Index == 16;
    TRows rows(Recs, LastRec, "AccMbSisanhyoPeriodCalc");
    const bool byR = AccMbByGroupR(Division);

    for (int r = 0; r <= kAccMbSummaryRows; ++r) {
        TBALANCE& b = rows[r];
        b.KaisizanCopy[0] = {};
        if (yearEnd) {
            b.KaisizanCopy[1] = {};
            b.Extra = {};
        }
        if (r <= 53) b.ZOUGEN[i] = b.RUIZAN[i] = {};
    }
    AccumulateByCodes(rows, byR, [&](TBALANCE& sum, const TBALANCE& a, int sign) {
        sum.ZOUGEN[i] += sign * a.ZOUGEN[i];
        sum.RUIZAN[i] += sign * a.RUIZAN[i];
        sum.KaisizanCopy[0] += sign * a.KaisizanCopy[0];
        if (yearEnd) {
            sum.KaisizanCopy[1] += sign * a.KaisizanCopy[1];
            sum.Extra[0] += sign * a.Extra[0];
            sum.Extra[1] += sign * a.Extra[1];
        }
    });
    for (const TFormula& f : Formulas()) {
        Currency zougen, ruizan;
        for (const auto& [row, sign] : f.terms) {
            zougen += sign * rows[row].ZOUGEN[i];
            ruizan += sign * rows[row].RUIZAN[i];
        }
        rows[f.x].ZOUGEN[i] = zougen;
        rows[f.x].RUIZAN[i] = ruizan;
    }
    rows[20].ZOUGEN[i] = rows[49].ZOUGEN[i];
    rows[20].RUIZAN[i] = rows[49].RUIZAN[i];

    const Currency hi = Currency::FromYen(9999), lo = Currency::FromYen(-999);
    for (int r = 0; r <= rows.Last(); ++r) {
        TBALANCE& b = rows[r];
        const int base = RatioBase(NumericCode(b.KAMOKU.GROUPM1));
        if (!base || rows[base].RUIZAN[i].IsZero()) continue;
        const Currency ratio = AccZanRatioPercent(b.RUIZAN[i].ToDouble() / rows[base].RUIZAN[i].ToDouble());
        b.KIKANHI[i] = ratio > hi || ratio < lo ? Currency() : ratio;
    }
}

} // namespace kb
