#include "accounting/uAccSisanhyou.h"

#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccSisanhyoKessan.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <algorithm>
#include <cstdio>

namespace kb {

// ---- row sources -----------------------------------------------------------------------------

bool TStatementRowSource::Eof() const { return q_.Eof(); }
void TStatementRowSource::Next() { q_.Next(); }
bool TStatementRowSource::HasColumn(std::string_view name) const { return q_.HasField(name); }
std::string TStatementRowSource::Text(std::string_view name) const
{
    return q_.HasField(name) ? q_.FieldByName(name).AsString() : std::string();
}
int TStatementRowSource::Integer(std::string_view name) const
{
    return q_.HasField(name) ? q_.FieldByName(name).AsInteger() : 0;
}
Currency TStatementRowSource::Amount(std::string_view name) const
{
    return q_.HasField(name) ? q_.FieldByName(name).AsCurrency() : Currency();
}

const std::string* TTableRowSource::Find(std::string_view name) const
{
    if (Eof()) return nullptr;
    for (const auto& [k, v] : rows_[pos_])
        if (k == name) return &v;
    return nullptr;
}
bool TTableRowSource::HasColumn(std::string_view name) const { return Find(name) != nullptr; }
std::string TTableRowSource::Text(std::string_view name) const
{
    const auto* v = Find(name);
    return v ? *v : std::string();
}
int TTableRowSource::Integer(std::string_view name) const
{
    const auto* v = Find(name);
    return v && !v->empty() ? std::stoi(*v) : 0;
}
Currency TTableRowSource::Amount(std::string_view name) const
{
    const auto* v = Find(name);
    if (!v || v->empty()) return {};
    const auto c = Currency::Parse(*v);
    if (!c) throw std::invalid_argument("TTableRowSource: not an amount: " + *v);
    return *c;
}

// ---- helpers ---------------------------------------------------------------------------------

namespace {

std::string Col(const char* prefix, int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%02d", prefix, n);
    return buf;
}

// Format "%s%2.2d".
std::string GroupKey(const std::string& group, int sub)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", sub);
    return group + buf;
}

bool DebitSide(int taishaku) { return taishaku == 1 || taishaku == 4; }

void Recompute(TBALANCE& b)
{
    b.ZOUGEN[32] = b.RUIZAN[32] = b.KAISIZAN;
    for (int p = 1; p <= 16; ++p) {
        const int i = 32 + p;
        b.ZOUGEN[i] = DebitSide(b.KAMOKU.TAISHAKU) ? b.KARI[i] - b.KASI[i] : b.KASI[i] - b.KARI[i];
        b.RUIZAN[i] = b.RUIZAN[i - 1] + b.ZOUGEN[i];
    }
}

} // namespace

int AccZanRow(int r)
{
    if (r >= 46 && r <= 49) return r;
    int e = -1;
    if (r >= 1 && r <= 22) e = 2 * r - 1;
    else if (r >= 23 && r <= 27) e = 2 * r + 2;
    else if (r >= 28 && r <= 38) e = 2 * r + 9;
    else if (r >= 39 && r <= 44) e = 2 * r + 18;
    else if (r == 45) e = 109;
    if (e < 0) return r;
    return AccZanLineRows[static_cast<std::size_t>(e)];
}

int PeriodsBeforeStartMonth(int Month)
{
    static const int before[13] = {0, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    return Month >= 1 && Month <= 12 ? before[Month] : 0;
}

void AccZanAddRowAmounts(ISisanhyoRowSource& Rows, TBALANCE& b)
{
    b.KAISIZAN += Rows.Amount("KAISIZAN");
    b.KaisizanCopy.fill(b.KAISIZAN);
    for (int p = 1; p <= 16; ++p) {
        b.KARI[32 + p] += Rows.Amount(Col("KAR", p));
        b.KASI[32 + p] += Rows.Amount(Col("KAS", p));
    }
    Recompute(b);
}

void AccZanReadSubAccountRows(ISisanhyoRowSource& Rows, TBALANCE& b, int hojCount)
{
    const TKMKREC& k = b.KAMOKU;
    // the rows after an account row are its sub-accounts
    Rows.Next();
    if (b.HOJUTIWAKE.empty()) {
        if (!Rows.Eof() && Rows.Text("KCODE") == k.KCODE && TrimZen(Rows.Text("HCODE")).empty()) ++hojCount;
        b.HOJCNT = hojCount;
        b.HOJUTIWAKE.assign(static_cast<std::size_t>(hojCount), THOJOUTIWAKE{});
    }
    for (int j = 0; j < b.HOJCNT; ++j) {
        if (Rows.Eof() || Rows.Text("KCODE") != k.KCODE) {
            // fewer sub-account rows than announced: keep those that came
            b.HOJCNT = j;
            b.HOJUTIWAKE.resize(static_cast<std::size_t>(j));
            break;
        }
        THOJOUTIWAKE& h = b.HOJUTIWAKE[static_cast<std::size_t>(j)];
        h.HCODE = Rows.Text("HCODE");
        h.HNAME = Rows.Text("HNAME");
        h.KAISIZAN += Rows.Amount("KAISIZAN");
        h.KaisizanCopy.fill(h.KAISIZAN);
        h.ZOUGEN[0] = h.RUIZAN[0] = h.KAISIZAN;
        for (int p = 1; p <= 16; ++p) {
            h.KARI[p] += Rows.Amount(Col("KAR", p));
            h.KASI[p] += Rows.Amount(Col("KAS", p));
            h.ZOUGEN[p] = DebitSide(k.TAISHAKU) ? h.KARI[p] - h.KASI[p] : h.KASI[p] - h.KARI[p];
            h.RUIZAN[p] = h.RUIZAN[p - 1] + h.ZOUGEN[p];
        }
        Rows.Next();
    }
}

// ---- placement -------------------------------------------------------------------------------

TSisanhyoPlacer::TSisanhyoPlacer(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                                 const TSisanhyoReadArgs& Args)
    : recs_(Recs), sorts_(Sorts), args_(Args)
{
    lastRec_ = std::min<int>(LastRec, static_cast<int>(Recs.size()) - 1);
    lastSort_ = std::min<int>(LastSort, static_cast<int>(Sorts.size()) - 1);
    if (lastRec_ < kAccZanSummaryRows || lastSort_ < kAccZanSummaryRows)
        throw std::out_of_range("TSisanhyoPlacer: the arrays do not hold the summary rows");
}

TBALANCE& TSisanhyoPlacer::Rec(int row) { return AccZanAt(recs_, row, lastRec_, "TSisanhyoPlacer: row "); }
TQSORT& TSisanhyoPlacer::Sort(int row) { return AccZanAt(sorts_, row, lastSort_, "TSisanhyoPlacer: sort entry "); }

void TSisanhyoPlacer::SetKey(int row, const std::string& key)
{
    Sort(row).QKEY = key;
    Sort(row).QINDEX = row;
}

void TSisanhyoPlacer::Hide(int row, bool clearName)
{
    Sort(row).QKEY = kAccZanEmptyKey;
    Rec(row).KAMOKU.GROUPM1.clear();
    Rec(row).KAMOKU.GROUPM2.clear();
    if (clearName) Rec(row).KAMOKU.KNAME.clear();
}

void TSisanhyoPlacer::SetTotalLines(ISisanhyoRowSource& Names, bool DepartmentView, const std::function<int()>& departmentBumon)
{
    const bool closingNames = args_.Selection == 10 || args_.Selection == 30;
    for (; !Names.Eof(); Names.Next()) {
        const int a = Names.Integer("ARRAYNUM");
        if (a < 1 || a > kAccZanSummaryRows) continue; // not a summary row of this array
        TBALANCE& b = Rec(a);
        const std::string code = Names.Text("KGROUP");
        b.KAMOKU.GROUPM1 = b.KAMOKU.GROUPM2 = code;
        b.KAMOKU.KCODE.clear();
        b.KAMOKU.KNAME = Names.Text("PLUSNAME");
        if (closingNames && Names.Integer("KESSAN_USE") == 1) {
            const std::string text = Names.Text("KESSAN_TEXT");
            switch (a) {
            case 5: case 9: case 10: case 12: case 13: case 14: case 23: case 24: case 25: case 28:
            case 30: case 31: case 32: case 33: case 37: case 39: case 40: case 42: case 43: case 46:
                b.KAMOKU.KNAME = "【" + text + "】";
                break;
            case 6: case 7: case 8: b.KAMOKU.KNAME = "（" + text + "）"; break;
            case 19: case 22: b.KAMOKU.KNAME = text; break;
            default: break;
            }
        }
        const int kubun = Names.Integer("KESKUBUN");
        if (kubun == 0 || kubun == args_.StatementKind) {
            b.KAMOKU.BSPL = code < "4000" ? "B" : "P";
            SetKey(a, code);
        }
    }
    Name(AccZanRow(29)) = Name(AccZanRow(35));
    if (args_.StatementKind == 1) {
        for (int r : {3, 4, 2}) Hide(AccZanRow(r), false);
    } else {
        Hide(47, false);
    }
    if (DepartmentView && departmentBumon && departmentBumon() == 1) {
        // a department shows no balance sheet and no final profit lines
        for (int r = AccZanRow(1); r <= AccZanRow(27); ++r) Hide(r, true);
        for (int r = AccZanRow(42); r <= AccZanRow(45); ++r) Hide(r, true);
    }
}

void TSisanhyoPlacer::SetPlainKeys(int genkaUse)
{
    SetKey(AccZanRow(29), kAccZanEmptyKey);
    SetKey(AccZanRow(30), "5882");
    if (genkaUse == 0) SetKey(AccZanRow(35), kAccZanEmptyKey);
}

int TSisanhyoPlacer::AccSisanhyoSetRows(ISisanhyoRowSource& Rows, bool Closing, bool NoteMergeAsked,
                                        const TLayoutLineLookup& layoutLine)
{
    const bool corporate = AccInf.DATATYPE == 1;
    int notes[3] = {0, 0, 0}; // receivable, discounted, endorsed
    int r = FirstAccountRow - 1;
    const int capacity = std::min(lastRec_, lastSort_);
    bool advance = true;
    while (!Rows.Eof()) {
        advance = true;
        if (Rows.Text("GROUPM1") == "9900") {
            Rows.Next();
            continue;
        }
        if (r + 1 > capacity)
            throw ESisanhyoCapacity("勘定科目の行数が上限（" + std::to_string(capacity - FirstAccountRow + 1) + "行）を超えました。");
        ++r;
        TBALANCE& b = Rec(r);
        TKMKREC& k = b.KAMOKU;
        k.GROUPM1 = Rows.Text("GROUPM1");
        k.GROUPM2 = Rows.Text("GROUPM2");
        k.USERCODE = Rows.Text("USERCODE");
        k.KCODE = Rows.Text("KCODE");
        k.KNAME = Rows.Text("KNAME");
        k.BSPL = Rows.Text("BSPL");
        k.TAISHAKU = Rows.Integer("TAISHAKU");
        int hojCount = 0;
        if (args_.Layout != 0) {
            b.MSTREC = Rows.Integer("MSTREC");
            b.SUBREC = Rows.Integer("SUBREC");
            if (corporate)
                for (int n = 0; n < 3; ++n)
                    if (!AccInf.TegataKcode[n].empty() && k.KCODE == AccInf.TegataKcode[n]) notes[n] = r;
        } else {
            hojCount = Rows.Integer("HOJCNT");
        }
        AccZanAddRowAmounts(Rows, b);
        if (Closing) {
            if (args_.Selection == 30) {
                const Currency kishu1 = Rows.Amount("KISHU1");
                for (int kk = 15; kk >= 0; --kk) {
                    const int i = 32 - kk;
                    const Currency v = Rows.Amount(Col("ZANM", kk));
                    b.ZOUGEN[i] = v;
                    b.RUIZAN[i] = v + (kk == 15 ? kishu1 : b.RUIZAN[i - 1]);
                }
            }
            if (AccInf.KAISINO > 1) {
                const int n = PeriodsBeforeStartMonth(AccInf.KAISINO);
                b.KISHU0 = Rows.Amount("KISHU0");
                for (int p = 1; p <= n; ++p) {
                    const Currency v = Rows.Amount(Col("ZANP", p));
                    b.ZOUGEN[32 + p] = v;
                    b.RUIZAN[32 + p] = v + (p == 1 ? b.KISHU0 : b.RUIZAN[31 + p]);
                }
            }
        }
        std::string key;
        if (Closing) {
            if (AccInf.DATATYPE == 2) k.GROUPM1 = AccSisanhyoIndividualGroup(k.GROUPM1, AccInf.CODETYPE, b.MSTREC);
            key = GroupKey(k.GROUPM1, b.SUBREC);
        } else if (args_.Layout == 1 || args_.Layout == 2) {
            key = GroupKey(k.GROUPM2, b.SUBREC);
        } else {
            key = (k.GROUPM1 == "5300" ? std::string("5881") : k.GROUPM2) + FixLeft(k.USERCODE, 4);
        }
        SetKey(r, key);

        if (args_.Layout == 0 && hojCount >= 1) {
            AccZanReadSubAccountRows(Rows, b, hojCount);
            advance = false;
        }
        if (advance) Rows.Next();
    }
    lastPlaced_ = r;

    if ((Closing || NoteMergeAsked) && corporate && SystemDef.KessanTegataSousai == 1) {
        for (int n = 0; n < 3; ++n)
            if (notes[n] == 0 && !AccInf.TegataKcode[n].empty())
                notes[n] = FindAccountRow(AccInf.TegataKcode[n], NoteMergeAsked, layoutLine);
        if (notes[1] != 0 && notes[1] == notes[2]) notes[2] = 0;
        if (notes[0] != 0) {
            if (notes[1] != 0) MoveNoteLine(notes[0], notes[1], 48);
            if (notes[2] != 0) MoveNoteLine(notes[0], notes[2], 49);
        }
    }
    return r;
}

int TSisanhyoPlacer::FindAccountRow(const std::string& code, bool NoteMergeAsked, const TLayoutLineLookup& layoutLine) const
{
    if (NoteMergeAsked) {
        for (int r = FirstAccountRow; r <= lastPlaced_; ++r)
            if (recs_[static_cast<std::size_t>(r)].KAMOKU.KCODE == code) return r;
        return 0;
    }
    const int line = layoutLine ? layoutLine(code) : 0;
    if (line <= 0) return 0; // an account on no layout line has no row (cleared rows carry MSTREC 0)
    for (int r = FirstAccountRow; r <= lastPlaced_; ++r)
        if (recs_[static_cast<std::size_t>(r)].MSTREC == line) return r;
    return 0;
}

void TSisanhyoPlacer::MoveNoteLine(int T, int F, int P)
{
    TBALANCE& t = Rec(T);
    TBALANCE& f = Rec(F);
    TBALANCE& p = Rec(P);
    p.KAMOKU.GROUPM1 = f.KAMOKU.GROUPM1;
    p.KAMOKU.GROUPM2 = f.KAMOKU.GROUPM2;
    p.KAMOKU.USERCODE = f.KAMOKU.USERCODE;
    p.KAMOKU.KCODE = f.KAMOKU.KCODE;
    p.KAMOKU.KNAME = f.KAMOKU.KNAME;
    p.KAMOKU.BSPL = f.KAMOKU.BSPL;
    p.KAMOKU.TAISHAKU = f.KAMOKU.TAISHAKU;
    p.KAISIZAN = f.KAISIZAN;
    if (f.KAMOKU.TAISHAKU == 3) t.KAISIZAN -= f.KAISIZAN;
    else t.KAISIZAN += f.KAISIZAN;
    for (int q = 1; q <= 16; ++q) {
        const int i = 32 + q;
        t.KARI[i] += f.KARI[i];
        t.KASI[i] += f.KASI[i];
        p.KARI[i] = f.KARI[i];
        p.KASI[i] = f.KASI[i];
        p.ZOUGEN[i] = f.ZOUGEN[i];
        p.RUIZAN[i] = f.RUIZAN[i];
    }
    Recompute(t);
    for (int i = 17; i <= 32; ++i) {
        if (DebitSide(t.KAMOKU.TAISHAKU)) {
            t.ZOUGEN[i] -= f.ZOUGEN[i];
            t.RUIZAN[i] -= f.RUIZAN[i];
        } else {
            t.ZOUGEN[i] += f.ZOUGEN[i];
            t.RUIZAN[i] += f.RUIZAN[i];
        }
    }
    f.KAISIZAN = {};
    f.KaisizanCopy.fill({});
    f.KARI.fill({});
    f.KASI.fill({});
    f.ZOUGEN.fill({});
    f.RUIZAN.fill({});
    Sort(F).QKEY = kAccZanEmptyKey;
}

void TSisanhyoPlacer::SetClosingLines()
{
    auto key = [&](int r, const char* k) { SetKey(AccZanRow(r), k); };
    auto group = [&](int r, const char* code) {
        TKMKREC& k = Rec(AccZanRow(r)).KAMOKU;
        k.GROUPM1 = k.GROUPM2 = code;
        k.BSPL = "B";
    };
    if (args_.Selection == 10 || args_.Selection == 30) {
        key(5, "110/"); key(9, "140-"); key(6, "140/"); key(7, "160/"); key(8, "170/"); key(10, "180/");
        key(12, "210/"); key(13, "220/"); key(14, "230/"); key(23, "310/"); key(19, "320/"); key(18, "322/");
        Name(AccZanRow(18)) = "その他" + Name(AccZanRow(19));
        key(22, "330/"); key(21, "332/");
        Name(AccZanRow(21)) = "その他" + Name(AccZanRow(22));
        key(24, "350/"); key(25, "360/"); key(28, "410/"); key(30, "510/"); key(37, "610/"); key(39, "710/");
        key(40, "720/"); key(42, "810/"); key(43, "820/");
        Name(AccZanRow(31)) = "【" + AccInf.GENKA_HWORD[2] + "】";
        key(31, "551/");
        Name(AccZanRow(32)) = "【" + AccInf.GENKA_HWORD[3] + "】";
        key(32, "560/");
        Name(46) = "【" + AccInf.GENKA_HWORD6 + "】";
        key(46, "565/");
        Name(AccZanRow(33)) = "【" + AccInf.GENKA_HWORD[4] + "】";
        key(33, "570/");
        group(18, "3270");
        group(21, "3330");
        group(25, "3680");
    } else if (args_.Selection == 20) {
        // the cost headings by their summary-line names (PlusName2, 3, 6 and 4: 5580, 5680, 5688, 5780)
        Name(AccZanRow(31)) = AccInf.PlusName[1];
        Name(AccZanRow(32)) = AccInf.PlusName[2];
        Name(46) = AccInf.PlusName6;
        Name(AccZanRow(33)) = AccInf.PlusName[3];
        key(25, "3680");
        group(25, "3680");
    }
}

void TSisanhyoPlacer::SortEntries(int lastRow)
{
    SortNameRecs(sorts_, 0, std::min(lastRow, lastSort_), [](const TQSORT& s) -> const std::string& { return s.QKEY; });
}

// ---- the read on the data set ----------------------------------------------------------------

namespace {

constexpr const char* kReadContext = "試算表読込";

// Runs the statement and places its rows.
int PlaceQuery(TSisanhyoPlacer& placer, fb::Statement& q, bool closing, bool noteMerge,
               const TSisanhyoPlacer::TLayoutLineLookup& lookup)
{
    q.ExecQuery();
    TStatementRowSource rows(q);
    const int r = placer.AccSisanhyoSetRows(rows, closing, noteMerge, lookup);
    q.Close();
    return r;
}

std::string PlainSql(int selection, bool bumonTotal)
{
    switch (selection) {
    case 0:
        return bumonTotal ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE ) " : "SELECT * From SP_SISANHYO( :TAX, '' ,'' ) ";
    case 1: return "SELECT * From SP_SISANHYO( :TAX, '' , :SITENGROUP ) ";
    case 2: return "SELECT * From SP_SISANHYO( :TAX, :SCODE ,''  ) ";
    case 3: return "SELECT * From SP_SISANHYO_BUMON(  :TAX, :HAIBUN,  :SCODE, :BCODE ) ";
    case 4: return "SELECT * FROM SP_SISANHYO_BUMON( :TAX, :HAIBUN,  :SCODE, :BCODE) ";
    default: return {};
    }
}

std::string A4A3Sql(int layout, int selection, bool bumonTotal)
{
    const bool a4 = layout == 1;
    switch (selection) {
    case 0:
        if (bumonTotal)
            return a4 ? "SELECT * From SP_Sisanhyo_BumonGokei_A4( :TAX, :BCODE ) " : "SELECT * From SP_Sisanhyo_BumonGokei_A3( :TAX, :BCODE ) ";
        return a4 ? "SELECT * From SP_SISANHYO_A4( :TAX, '' , '' ) " : "SELECT * From SP_SISANHYO_A3(:TAX, '', '' ) ";
    case 1: return a4 ? "SELECT * From SP_SISANHYO_A4( :TAX, '' ,:SITENGROUP ) " : "SELECT * From SP_SISANHYO_A3(:TAX, '', :SITENGROUP) ";
    case 2: return a4 ? "SELECT * From SP_SISANHYO_A4( :TAX, :SCODE , '' ) " : "SELECT * From SP_SISANHYO_A3(:TAX, :SCODE , '' ) ";
    case 3: return a4 ? "SELECT * From SP_SISANHYO_BUMON_A4( :TAX, :HAIBUN, :SCODE, :BCODE ) " : "SELECT * From SP_SISANHYO_BUMON_A3( :TAX, :HAIBUN, :SCODE, :BCODE ) ";
    case 4: return a4 ? "SELECT * From SP_SISANHYO_BUMON_A4( :TAX, :HAIBUN,  :SCODE, :BCODE) " : "SELECT * From SP_SISANHYO_BUMON_A3( :TAX, :HAIBUN, :SCODE, :BCODE ) ";
    default: return {};
    }
}

// A layout line shared by several accounts, or holding one account, drops a caption that only
// repeats an account's name, so the line shows the account's own name.
void ClearRepeatedCaptions(fb::Connection& db, fb::Transaction& tr, int layout)
{
    const std::string t = layout == 1 ? "EXTERA4" : "EXTERA3";
    const std::string c = layout == 1 ? "EXT1_A4" : "EXT1_A3";
    const std::string count1 = layout == 1 ? "COUNT( * )" : "COUNT(*)";
    fb::Statement q(db, &tr);
    q.SetSQL("UPDATE \"" + t + "\" SET KNAME1='' \n"
             "WHERE REC IN ( SELECT " + c + " FROM \"KAMOKUMST\" WHERE USE=1 AND " + c + " IN ( SELECT " + c +
             " FROM \"KAMOKUMST\" GROUP BY " + c + " HAVING  " + count1 + " > 1 )  GROUP BY " + c +
             "  HAVING  COUNT( * ) = 1) AND\n"
             "KNAME1 IN (SELECT KNAME FROM \"KAMOKUMST\" WHERE USE=1 AND " + c + " IN ( SELECT " + c +
             " FROM \"KAMOKUMST\" GROUP BY " + c + " HAVING  COUNT( * )>1 ))");
    q.ExecQuery();
    q.SetSQL("UPDATE \"" + t + "\" SET KNAME1='' \n"
             "WHERE ( REC  IN (SELECT " + c + " FROM \"KAMOKUMST\" WHERE USE=1 AND " + c + " IN (SELECT " + c +
             " FROM \"KAMOKUMST\" GROUP BY " + c + " HAVING  COUNT( * ) = 1 )) )\n"
             " AND (KNAME1 IN (SELECT KNAME   FROM \"KAMOKUMST\" WHERE USE=1 AND " + c + " IN (SELECT " + c +
             " FROM \"KAMOKUMST\" GROUP BY " + c + " HAVING  COUNT( * ) = 1 )) )");
    q.ExecQuery();
}

void BindIfPresent(fb::Statement& q, const char* name, const std::string& v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetString(v);
}
void BindIfPresent(fb::Statement& q, const char* name, int v)
{
    if (q.HasParam(name)) q.ParamByName(name).SetInteger(v);
}

} // namespace

void AccZanClearArrays(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort)
{
    const int last = std::min({LastRec, LastSort, static_cast<int>(Recs.size()) - 1, static_cast<int>(Sorts.size()) - 1});
    AccZanInitRecords(Recs, last, Sorts);
    // a new read never adds into the lines of an earlier one
    for (int i = 0; i <= last; ++i) {
        Recs[static_cast<std::size_t>(i)].HOJUTIWAKE.clear();
        Recs[static_cast<std::size_t>(i)].MSTREC = 0;
        Recs[static_cast<std::size_t>(i)].SUBREC = 0;
    }
}

void AccZanReadReported(fb::TransactionGuard& guard, const std::function<void()>& work)
{
    try {
        work();
        guard.Commit();
    } catch (const FbError& e) {
        guard.Rollback();
        WriteFbErrorText(e, kReadContext);
        throw;
    } catch (const ESisanhyoCapacity& e) {
        guard.Rollback();
        MessageDlgLines(std::string(kReadContext) + "," + e.what(), TMessageLinesKind::Error);
        throw;
    } catch (...) {
        guard.Rollback();
        throw;
    }
}

void AccSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                     const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                     int StatementKind, int Haibun, int PrevTax)
{
    if (!DM) throw std::logic_error("AccSisanhyoRead: no data module");
    fb::Connection& db = DM->IBDatabaseDAT;
    fb::Transaction& tr = DM->IBTransactionDATSS;
    fb::TransactionGuard guard(tr);
    AccZanReadReported(guard, [&] {
        const TSisanhyoReadArgs args{SisetuCode, BumonCode, Tax, Selection, Layout, StatementKind, Haibun, PrevTax};
        AccZanClearArrays(Recs, LastRec, Sorts, LastSort);
        TSisanhyoPlacer placer(Recs, LastRec, Sorts, LastSort, args);

        fb::Statement q(db, &tr);
        q.SetSQL("SELECT * FROM ACCTOTALNAME ORDER BY KGROUP ");
        q.ExecQuery();
        {
            TStatementRowSource names(q);
            placer.SetTotalLines(names, Selection == 3 || Selection == 4, [&] {
                fb::Statement b(db, &tr);
                b.SetSQL("SELECT BUMON FROM ACCDEF1 WHERE REC=1");
                b.ExecQuery();
                return b.Eof() ? 0 : b.FieldByName("BUMON").AsInteger();
            });
        }
        q.Close();

        // answers the closing-statement line of an account (note lines of corporate data)
        fb::Statement lq(db, &tr);
        const TSisanhyoPlacer::TLayoutLineLookup lookup = [&](const std::string& kcode) {
            lq.SetSQL("SELECT EXT1_KS FROM KAMOKUMST WHERE KCODE=:TOKUTEI AND USE>0 ");
            lq.ParamByName("TOKUTEI").SetString(kcode);
            lq.ExecQuery();
            const int v = lq.Eof() ? 0 : lq.FieldByName("EXT1_KS").AsInteger();
            lq.Close();
            return v;
        };

        const bool noteMerge = StatementKind == 3;
        int last = FirstAccountRow - 1;
        const bool bumonTotal = !TrimZen(BumonCode).empty();
        auto runSelection = [&](const std::string& sql, bool merge) {
            q.SetSQL(sql);
            BindIfPresent(q, "TAX", Tax);
            BindIfPresent(q, "HAIBUN", Haibun);
            BindIfPresent(q, "SCODE", SisetuCode);
            BindIfPresent(q, "SITENGROUP", SisetuCode);
            BindIfPresent(q, "BCODE", BumonCode);
            last = PlaceQuery(placer, q, false, merge, lookup);
        };
        auto runGroupDepartments = [&](const std::string& sql, bool merge) {
            // LoadGroupDepartments: the department codes of the group, bound as a parameter
            std::vector<std::string> departments;
            fb::Statement g(db, &tr);
            g.SetSQL("SELECT BCODE FROM GROUPLIST WHERE GCODE=:GCODE");
            g.ParamByName("GCODE").SetString(BumonCode);
            for (g.ExecQuery(); !g.Eof(); g.Next()) departments.push_back(g.FieldByName("BCODE").AsString());
            q.SetSQL(sql);
            for (const auto& bcode : departments) {
                q.ParamByName("TAX").SetInteger(Tax);
                q.ParamByName("HAIBUN").SetInteger(Haibun);
                q.ParamByName("SCODE").SetString(SisetuCode);
                q.ParamByName("BCODE").SetString(bcode);
                last = PlaceQuery(placer, q, false, merge, lookup);
            }
        };
        auto runDirect = [&] {
            const TCalcSisanhyoSettingRec s =
                AccSisanhyoReadSetting(BumonCode, Selection, Tax, Haibun, Layout, StatementKind, PrevTax);
            last = AccSisanhyoDirect(Recs, LastRec, Sorts, s, LastSort);
        };

        switch (Layout) {
        case 0:
            placer.SetPlainKeys(AccInf.GENKA_USE);
            if (Selection == 6) runDirect();
            else if (Selection == 4) runGroupDepartments(PlainSql(4, false), noteMerge);
            else if (Selection >= 0 && Selection <= 3)
                runSelection(PlainSql(Selection, bumonTotal), (Selection == 0 && bumonTotal) ? false : noteMerge);
            break;
        case 1:
        case 2:
            if (Selection == 6) {
                runDirect();
                break;
            }
            if (Selection < 0 || Selection > 4) break;
            ClearRepeatedCaptions(db, tr, Layout);
            if (Selection == 4) runGroupDepartments(A4A3Sql(Layout, 4, false), false);
            else runSelection(A4A3Sql(Layout, Selection, bumonTotal), false);
            break;
        case 4: {
            // the rows of SP_SISANHYO_KESSAN( :TAX , :ZENTAX ), computed from grouped reads of the
            // balance tables (the procedure sums them account by account for every line); :ZENTAX
            // changes nothing in them
            TKessanRowSource rows(AccSisanhyoKessanRows(db, tr, Tax));
            last = placer.AccSisanhyoSetRows(rows, true, false, lookup);
            placer.SetClosingLines();
            break;
        }
        default: break;
        }
        placer.SortEntries(last);
    });
}

} // namespace kb
