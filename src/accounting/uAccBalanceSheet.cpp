#include "accounting/uAccBalanceSheet.h"

#include "accounting/uAccSisanhyou.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "core/z5ComFunc.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>

namespace kb {

Currency AccZanClampRatio(Currency ratio)
{
    const Currency hi = Currency::FromYen(9999), lo = Currency::FromYen(-999);
    return ratio > hi ? hi : ratio < lo ? lo : ratio;
}

Currency AccZanSharePercent(Currency part, Currency whole)
{
    // exact on the currency values: no rounding through floating point
    // HasuSyori(1, part / whole x 1000) x 0.1: tenths of a percent, exact
    const std::int64_t tenths = DivRound(static_cast<__int128>(part.Raw()) * 1000, whole.Raw(), RoundMode::HalfAwayFromZero);
    const __int128 raw = static_cast<__int128>(tenths) * (Currency::kScale / 10);
    if (raw > Currency::FromYen(9999).Raw()) return Currency::FromYen(9999);
    if (raw < Currency::FromYen(-999).Raw()) return Currency::FromYen(-999);
    return Currency::FromRaw(static_cast<std::int64_t>(raw));
}

namespace {

bool DebitSide(int taishaku) { return taishaku == 1 || taishaku == 4; }

Currency Net(int taishaku, Currency debit, Currency credit) { return DebitSide(taishaku) ? debit - credit : credit - debit; }

} // namespace

void AccZanRangeOfSelector(int Selector, int& FirstPeriod, int& LastPeriod)
{
    if (FirstPeriod < 1 && Selector == 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "期間番号は「1～16」です。 [%d-%d]", FirstPeriod, LastPeriod);
        MessageDlgLines(buf, TMessageLinesKind::Error);
    }
    if (Selector >= 1 && Selector <= 4) {
        FirstPeriod = 4 * Selector - 3;
        LastPeriod = 4 * Selector;
    } else if (Selector == 5) {
        FirstPeriod = 1;
        LastPeriod = 8;
    } else if (Selector == 6) {
        FirstPeriod = 9;
        LastPeriod = 16;
    }
}

void AccZanCheckRange(const char* who, int FirstPeriod, int LastPeriod)
{
    if (FirstPeriod < -31 || FirstPeriod > 20 || LastPeriod < -16 || LastPeriod > 19)
        throw std::out_of_range(std::string(who) + ": periods " + std::to_string(FirstPeriod) + ".." + std::to_string(LastPeriod));
}

void AccZanClearRange(TBALANCE& b)
{
    b.ZENZAN = b.KARIKATA = b.KASIKATA = b.TOUZAN = b.KOUSEIHI = b.ZENNEN = {};
    for (auto& h : b.HOJUTIWAKE) h.ZENZAN = h.KARIKATA = h.KASIKATA = h.TOUZAN = {};
}

void AccZanAccountRange(TBALANCE& b, int OpeningZero, int FirstPeriod, int LastPeriod)
{
    const int side = b.KAMOKU.TAISHAKU;
    if (OpeningZero != 1) {
        b.ZENZAN = b.KAISIZAN;
        for (int p = 1; p <= FirstPeriod - 1; ++p) b.ZENZAN += Net(side, b.KARI[32 + p], b.KASI[32 + p]);
        for (auto& h : b.HOJUTIWAKE) {
            h.ZENZAN = h.KAISIZAN;
            for (int p = 1; p <= FirstPeriod - 1; ++p) h.ZENZAN += Net(side, h.KARI[p], h.KASI[p]);
        }
    }
    for (int p = FirstPeriod; p <= LastPeriod; ++p) {
        b.KARIKATA += b.KARI[32 + p];
        b.KASIKATA += b.KASI[32 + p];
        if (p >= 1)
            for (auto& h : b.HOJUTIWAKE) {
                h.KARIKATA += h.KARI[p];
                h.KASIKATA += h.KASI[p];
            }
    }
}

void AccZanAccountClosing(TBALANCE& b)
{
    const int side = b.KAMOKU.TAISHAKU;
    b.TOUZAN = b.ZENZAN + Net(side, b.KARIKATA, b.KASIKATA);
    for (auto& h : b.HOJUTIWAKE) {
        h.TOUZAN = h.ZENZAN + Net(side, h.KARIKATA, h.KASIKATA);
        h.KOUSEIHI = b.TOUZAN.IsZero() ? Currency() : AccZanSharePercent(h.TOUZAN, b.TOUZAN);
    }
}

namespace {

struct TFigures {
    Currency ZENZAN, KARIKATA, KASIKATA, TOUZAN, ZENNEN;
};

TFigures Get(const TBALANCE& b) { return {b.ZENZAN, b.KARIKATA, b.KASIKATA, b.TOUZAN, b.ZENNEN}; }
void Put(TBALANCE& b, const TFigures& f)
{
    b.ZENZAN = f.ZENZAN;
    b.KARIKATA = f.KARIKATA;
    b.KASIKATA = f.KASIKATA;
    b.TOUZAN = f.TOUZAN;
    b.ZENNEN = f.ZENNEN;
}
TFigures operator+(TFigures a, const TFigures& b)
{
    a.ZENZAN += b.ZENZAN;
    a.KARIKATA += b.KARIKATA;
    a.KASIKATA += b.KASIKATA;
    a.TOUZAN += b.TOUZAN;
    a.ZENNEN += b.ZENNEN;
    return a;
}

class TCalcu {
public:
    TCalcu(std::vector<TBALANCE>& recs, int lastRec) : recs_(recs), last_(std::min<int>(lastRec, static_cast<int>(recs.size()) - 1)) {}

    TBALANCE& R(int generalRow) { return At(AccZanRow(generalRow)); }
    TBALANCE& At(int row)
    {
        if (row < 0 || row > last_) throw std::out_of_range("pcBalanceSheet_Calcu: row " + std::to_string(row));
        return recs_[static_cast<std::size_t>(row)];
    }
    int Last() const { return last_; }

    // row X := the sum of the rows (general numbers)
    void Sum(int x, std::initializer_list<int> rows)
    {
        TFigures f{};
        for (int r : rows) f = f + Get(R(r));
        Put(R(x), f);
    }
    // Difference line: ZENZAN, TOUZAN and ZENNEN by the formula, KARIKATA 0, KASIKATA the change.
    void Difference(int x, int a, int b, int sign, int c = 0)
    {
        TFigures f = Get(R(a));
        const TFigures fb = Get(R(b));
        f.ZENZAN += sign * fb.ZENZAN;
        f.TOUZAN += sign * fb.TOUZAN;
        f.ZENNEN += sign * fb.ZENNEN;
        if (c) {
            const TFigures fc = Get(R(c));
            f.ZENZAN -= fc.ZENZAN;
            f.TOUZAN -= fc.TOUZAN;
            f.ZENNEN -= fc.ZENNEN;
        }
        TBALANCE& t = R(x);
        t.ZENZAN = f.ZENZAN;
        t.TOUZAN = f.TOUZAN;
        t.ZENNEN = f.ZENNEN;
        t.KARIKATA = {};
        t.KASIKATA = t.TOUZAN - t.ZENZAN;
    }

private:
    std::vector<TBALANCE>& recs_;
    int last_;
};

// The summary row of an account line's group (bounds exclusive; the first match counts).
int SummaryRowOf(const std::string& code)
{
    struct B { const char* lo; const char* hi; int row; };
    static const B table[] = {
        {"1000", "1120", 1}, {"1120", "1180", 2}, {"1180", "1280", 3}, {"1280", "1380", 4}, {"1380", "1390", 5},
        {"1390", "1580", 6}, {"1580", "1680", 7}, {"1680", "1780", 8}, {"1780", "1790", 9}, {"1790", "1880", 10},
        {"1880", "1900", 11}, {"1900", "2180", 12}, {"2180", "2280", 13}, {"2280", "2380", 14}, {"2380", "2800", 15},
        {"2800", "3180", 16}, {"3180", "3210", 17}, {"3210", "3270", 18}, {"3270", "3280", 19}, {"3280", "3310", 20},
        {"3310", "3330", 21}, {"3380", "3480", 23}, {"3480", "3580", 24}, {"3580", "3680", 25}, {"3680", "3800", 26},
        {"3800", "3900", 27}, {"3900", "4800", 28}, {"4800", "5250", 29}, {"5250", "5400", 30}, {"5400", "5580", 31},
        {"5580", "5680", 32}, {"5680", "5688", 32}, {"5688", "5780", 33}, {"5790", "5830", 34}, {"5800", "5900", 36},
        {"5900", "6180", 37}, {"6180", "6200", 38}, {"6200", "7180", 39}, {"7180", "7280", 40}, {"7280", "7300", 41},
        {"7300", "8180", 42}, {"8180", "8280", 43}, {"8280", "8290", 44}, {"8290", "8400", 45},
    };
    for (const auto& b : table)
        if (code > b.lo && code < b.hi) return b.row;
    return 0;
}

// The balance-sheet row of the start-month adjustment (bounds exclusive; none: row 0).
int OpeningRowOf(const std::string& code)
{
    struct B { const char* lo; const char* hi; int row; };
    static const B table[] = {
        {"1000", "1900", 11}, {"1900", "2800", 15}, {"2800", "3180", 16}, {"3180", "3210", 17}, {"3210", "3270", 18},
        {"3270", "3280", 19}, {"3280", "3310", 20}, {"3310", "3330", 21}, {"3380", "3480", 23}, {"3480", "3580", 24},
        {"3580", "3680", 25}, {"3680", "3800", 26},
    };
    for (const auto& b : table)
        if (code > b.lo && code < b.hi) return b.row;
    return 0;
}

void Calculate(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod, int LastPeriod,
               const TTotalLineNameLookup& names)
{
    AccZanRangeOfSelector(Selector, FirstPeriod, LastPeriod);
    AccZanCheckRange("pcBalanceSheet_Calcu", FirstPeriod, LastPeriod);

    TCalcu c(Recs, LastRec);
    const int last = c.Last();
    if (last < kAccZanSummaryRows) throw std::out_of_range("pcBalanceSheet_Calcu: the array holds no summary rows");

    // 3. clear the range figures
    for (int i = 0; i <= last; ++i) AccZanClearRange(c.At(i));

    // 4. account lines over the range
    for (int r = FirstAccountRow; r <= last; ++r) {
        TBALANCE& b = c.At(r);
        AccZanAccountRange(b, OpeningZero, FirstPeriod, LastPeriod);
        if (Selector == -1 || Selector == 0 || Selector == 1 || Selector == 5 || b.KAMOKU.BSPL != "P") {
            b.ZENNEN = b.RUIZAN[16 + LastPeriod];
        } else {
            for (int p = std::max(FirstPeriod, -16); p <= LastPeriod; ++p) b.ZENNEN += b.ZOUGEN[16 + p];
        }
    }

    // 5. profit-and-loss lines of a later range start from zero
    const int kaisino = AccInf.KAISINO;
    const bool plFromZero = Selector == 2 || Selector == 3 || Selector == 4 || Selector == 6 ||
                            (Selector == 7 && ((kaisino == 1 && FirstPeriod > 1) || (kaisino != 1 && kaisino < FirstPeriod)));
    if (plFromZero)
        for (int r = FirstAccountRow; r <= last; ++r)
            if (c.At(r).KAMOKU.BSPL == "P") c.At(r).ZENZAN = {};

    // 6. closing balances and the sub-accounts' shares
    for (int r = FirstAccountRow; r <= last; ++r) AccZanAccountClosing(c.At(r));

    // 7. the corporate balancing line (retained earnings carried forward)
    int rowB = 0;
    for (int r = FirstAccountRow; r <= last; ++r) {
        TBALANCE& b = c.At(r);
        if (b.KAMOKU.GROUPM2 == "3340") {
            b.ZENZAN = b.TOUZAN = b.ZENNEN = {};
            rowB = r;
        }
    }

    // 8. account lines into their summary lines
    for (int r = FirstAccountRow; r <= last; ++r) {
        const int s = SummaryRowOf(c.At(r).KAMOKU.GROUPM2);
        if (s) AddToTotalLine(c.R(s), c.At(r));
    }

    // 9. parked note lines
    if (SystemDef.KessanTegataSousai == 1 && 32 + LastPeriod >= 0)
        for (int p : {48, 49}) c.At(p).TOUZAN = c.At(p).RUIZAN[32 + LastPeriod];

    // 10. section totals, balancing and profit lines
    c.Sum(2, {2, 1});
    c.Sum(5, {2, 3, 4});
    c.Sum(9, {6, 7, 8});
    c.Sum(11, {5, 9, 10});
    c.Sum(15, {12, 13, 14});
    c.Sum(19, {17, 18});
    if (AccInf.DATATYPE == 1) {
        TBALANCE& B = c.At(rowB);
        auto rest = [&](Currency TBALANCE::*f) {
            Currency v = c.R(11).*f;
            for (int r : {15, 16, 19, 20, 21, 23, 24, 25}) v -= c.R(r).*f;
            return v;
        };
        B.ZENZAN = rest(&TBALANCE::ZENZAN);
        B.TOUZAN = rest(&TBALANCE::TOUZAN);
        B.ZENNEN = rest(&TBALANCE::ZENNEN);
        B.KASIKATA = B.TOUZAN - B.ZENZAN + B.KARIKATA;
        Put(c.R(21), Get(c.R(21)) + Get(B));
        c.Sum(22, {20, 21});
        c.Sum(23, {23, 16, 19, 22});
        c.Sum(26, {23, 24, 25});
    } else {
        c.Sum(22, {20, 21});
        TBALANCE& t = c.R(23);
        auto rest = [&](Currency TBALANCE::*f) {
            Currency v = c.R(11).*f;
            for (int r : {15, 16, 19, 22}) v -= c.R(r).*f;
            return v;
        };
        t.ZENZAN = rest(&TBALANCE::ZENZAN);
        t.TOUZAN = rest(&TBALANCE::TOUZAN);
        t.ZENNEN = rest(&TBALANCE::ZENNEN);
        t.KARIKATA = {};
        t.KASIKATA = t.TOUZAN - t.ZENZAN;
        c.Sum(26, {16, 19, 22, 23});
    }
    c.Sum(27, {15, 26});
    c.Sum(47, {31, 32, 46, 33});
    c.Sum(35, {31, 32, 46, 33, 34});
    c.Sum(30, {29, 35, 30});
    Put(c.R(29), Get(c.R(35)));
    c.Difference(36, 28, 30, -1);
    c.Difference(38, 36, 37, -1);
    c.Difference(41, 38, 39, +1, 40);
    c.Difference(44, 41, 42, +1, 43);
    c.Difference(45, 44, 45, -1);

    // 11. names of the profit lines by their sign
    for (int r : {36, 38, 41, 44, 45}) {
        TBALANCE& b = c.R(r);
        b.KAMOKU.KNAME = GetTotalLineName(b.KAMOKU.GROUPM2, b.KAMOKU.KNAME, b.TOUZAN, names);
    }

    // 12. composition ratios
    const int base11 = AccZanRow(11), base27 = AccZanRow(27), base28 = AccZanRow(28);
    for (int i = 0; i <= last; ++i) {
        TBALANCE& b = c.At(i);
        const std::string& code = b.KAMOKU.GROUPM2;
        int base = 0;
        if (code > "1000" && code < "1900") base = base11;
        else if (code > "2000" && code < "3900") base = base27;
        else if (code > "4000" && code <= "8400") base = base28;
        if (!base) continue;
        const Currency whole = c.At(base).TOUZAN;
        if (whole.IsZero()) continue;
        b.KOUSEIHI = AccZanClampRatio(AccZanRatioPercent(b.TOUZAN.ToDouble() / whole.ToDouble()));
    }
    for (int r : {base11, base27, base28}) c.At(r).KOUSEIHI = Currency::FromYen(100);

    // 13. the balance sheet opens at the fiscal-year start when bookkeeping began later
    if (kaisino > 1 && (Selector == -1 || Selector == 7)) {
        for (int r : {11, 15, 16, 17, 18, 19, 20, 21, 23, 24, 25, 26, 27}) c.R(r).ZENZAN = {};
        const bool individual = AccInf.DATATYPE == 2;
        int drawings = 0, borrowings = 0, capital = 0;
        for (int r = FirstAccountRow; r <= last; ++r) {
            TBALANCE& b = c.At(r);
            const std::string& code = b.KAMOKU.GROUPM2;
            if (!(code > "1000" && code < "3800")) continue;
            b.ZENZAN = b.KISHU0;
            if (individual) {
                if (b.KAMOKU.GROUPM1 == "1100" && b.SUBREC == 24) drawings = r;
                if (b.KAMOKU.GROUPM1 == "2100" && b.SUBREC == 22) borrowings = r;
                if (b.KAMOKU.GROUPM1 == "2100" && b.SUBREC == 23) capital = r;
            }
            const int target = OpeningRowOf(code);
            TBALANCE& t = target ? c.R(target) : c.At(0);
            const int side = b.KAMOKU.TAISHAKU;
            if (side == 1 || side == 3) t.ZENZAN += b.KISHU0;
            else if (side == 2 || side == 4) t.ZENZAN -= b.KISHU0;
        }
        if (individual) {
            const Currency x = c.R(11).ZENZAN - (c.R(15).ZENZAN + c.R(16).ZENZAN);
            TBALANCE& cap = c.At(capital);
            cap.ZENZAN = c.At(borrowings).ZENZAN - c.At(drawings).ZENZAN + cap.ZENZAN + x;
            c.At(drawings).ZENZAN = {};
            c.At(borrowings).ZENZAN = {};
        } else if (AccInf.DATATYPE == 1) {
            c.R(19).ZENZAN = c.R(17).ZENZAN + c.R(18).ZENZAN;
            TBALANCE& B = c.At(rowB);
            Currency v = c.R(11).ZENZAN;
            for (int r : {15, 16, 19, 20, 21, 23, 24, 25}) v -= c.R(r).ZENZAN;
            B.ZENZAN = v;
            c.R(21).ZENZAN += B.ZENZAN;
            c.R(22).ZENZAN = c.R(20).ZENZAN + c.R(21).ZENZAN;
            c.R(23).ZENZAN = c.R(23).ZENZAN + c.R(16).ZENZAN + c.R(19).ZENZAN + c.R(22).ZENZAN;
            c.R(26).ZENZAN = c.R(23).ZENZAN + c.R(24).ZENZAN + c.R(25).ZENZAN;
            c.R(45).KASIKATA = B.TOUZAN - B.ZENZAN;
        }
    }
}

} // namespace

std::string GetTotalLineName(const std::string& Code, const std::string& DefaultName, Currency Amount,
                             const TTotalLineNameLookup& names)
{
    const auto n = names ? names(Code) : std::nullopt;
    if (!n) return DefaultName;
    if (n->MODIFY == 1) {
        const std::string suffix = SystemDef.KingakuPlus == 1 ? "金額" : "";
        return (Amount >= Currency() ? n->PLUSNAME : n->MINUSNAME) + suffix;
    }
    return n->PLUSNAME;
}

void AddToTotalLine(TBALANCE& Summary, const TBALANCE& Account)
{
    Summary.GOUKEISU += 1;
    Summary.KARIKATA += Account.KARIKATA;
    Summary.KASIKATA += Account.KASIKATA;
    Summary.KAMOKU.TAISHAKU = Account.KAMOKU.TAISHAKU;
    switch (Account.KAMOKU.TAISHAKU) {
    case 1:
    case 3:
        Summary.ZENZAN += Account.ZENZAN;
        Summary.TOUZAN += Account.TOUZAN;
        Summary.ZENNEN += Account.ZENNEN;
        break;
    case 2:
    case 4:
        Summary.ZENZAN -= Account.ZENZAN;
        Summary.TOUZAN -= Account.TOUZAN;
        Summary.ZENNEN -= Account.ZENNEN;
        break;
    default: break;
    }
}

void pcBalanceSheet_Calcu(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                          int LastPeriod, const TTotalLineNameLookup& names)
{
    Calculate(Recs, LastRec, OpeningZero, Selector, FirstPeriod, LastPeriod, names);
}

TTotalLineNameReader::TTotalLineNameReader(std::string sql) : sql_(std::move(sql))
{
    if (!DM) throw std::logic_error("TTotalLineNameReader: no data module");
}

TTotalLineNameReader::~TTotalLineNameReader() = default;

std::optional<TTotalLineName> TTotalLineNameReader::Read(const std::function<void(fb::Statement&)>& bind)
{
    if (!guard_) guard_ = std::make_unique<fb::TransactionGuard>(DM->IBTransactionDAT);
    if (!q_) {
        q_ = std::make_unique<fb::Statement>(DM->IBDatabaseDAT, &DM->IBTransactionDAT);
        q_->SetSQL(sql_);
    }
    bind(*q_);
    q_->ExecQuery();
    std::optional<TTotalLineName> n;
    if (!q_->Eof())
        n = TTotalLineName{q_->FieldByName("PLUSNAME").AsString(), q_->FieldByName("MINUSNAME").AsString(),
                           q_->FieldByName("MODIFY").AsInteger()};
    q_->Close();
    return n;
}

void TTotalLineNameReader::End(bool commit)
{
    q_.reset();
    if (!guard_) return;
    if (commit) guard_->Commit();
    else guard_->Rollback();
}

void pcBalanceSheet_Calcu(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                          int LastPeriod)
{
    TTotalLineNameReader reader("SELECT PLUSNAME,MINUSNAME,MODIFY FROM ACCTOTALNAME WHERE (KGROUP=:KGROUP)");
    const TTotalLineNameLookup names = [&](const std::string& code) {
        return reader.Read([&](fb::Statement& q) { q.ParamByName("KGROUP").SetString(code); });
    };
    try {
        Calculate(Recs, LastRec, OpeningZero, Selector, FirstPeriod, LastPeriod, names);
        reader.End(true);
    } catch (const FbError& e) {
        ShowIBError(e, "pcBalanceSheet_Calcu", "");
        reader.End(false);
        throw;
    } catch (...) {
        reader.End(false);
        throw;
    }
}

} // namespace kb
