#include "accounting/uAccSisanhyoKessan.h"

#include "fb/Database.h"
#include "fb/Statement.h"

#include <charconv>
#include <cstdio>
#include <unordered_map>

namespace kb {

namespace {

// One account of a layout line.
struct TLineAccount {
    std::string KCODE, USERCODE, KNAME, BPFLG;
    int DAC = 0;
};

// The grouped figures of one account.
struct TAccountFigures {
    bool hasBalanceRow = false;            // a KAMOKU_SZ row exists
    Currency komi, nuki, kakozan, kaisizan;
    std::array<Currency, 17> kar{}, kas{}; // 1..16
    // KAMOKU_PZ by period -15..15 (index + 15): NUKIZAN alone and NUKIZAN + ZEIGAKU
    std::array<Currency, 31> pzNuki{}, pzKomi{};
};

// The KAMOKU_TAX sums of one class and period. A row whose sum is NULL turns the account's whole
// period amount NULL in the procedure, which then counts as 0.
struct TTaxSum {
    bool present = false;
    bool karNull = false, kasNull = false;
    Currency kar, kas;
};

Currency WithTax(Currency amount, const TTaxSum& t, bool credit)
{
    if (!t.present) return amount;
    if (credit ? t.kasNull : t.karNull) return {};
    return amount + (credit ? t.kas : t.kar);
}

// Firebird compares texts with trailing blanks ignored.
std::string_view SqlKey(std::string_view a)
{
    while (!a.empty() && a.back() == ' ') a.remove_suffix(1);
    return a;
}

bool SqlEqual(std::string_view a, std::string_view b) { return SqlKey(a) == SqlKey(b); }

void AddNonNull(Currency& sum, const fb::Field& v)
{
    if (!v.IsNull()) sum += v.AsCurrency();
}

bool OtherSide(int dac, int lineSide)
{
    const bool debitAccount = dac == 1 || dac == 4;
    const bool creditAccount = dac == 2 || dac == 3;
    const bool debitLine = lineSide == 1 || lineSide == 4;
    const bool creditLine = lineSide == 2 || lineSide == 3;
    return (debitAccount && creditLine) || (creditAccount && debitLine);
}


// "KAR07" -> 7 when the name is prefix + two digits within [lo, hi], else -1.
int Numbered(std::string_view name, std::string_view prefix, int lo, int hi)
{
    if (name.size() != prefix.size() + 2 || name.substr(0, prefix.size()) != prefix) return -1;
    int n = -1;
    const auto* first = name.data() + prefix.size();
    const auto r = std::from_chars(first, first + 2, n);
    if (r.ec != std::errc() || r.ptr != first + 2 || n < lo || n > hi) return -1;
    return n;
}


using TTaxSums = std::array<std::array<TTaxSum, 17>, 3>;

// Adds the count-th account of a line with its figures; the first names the line.
void AddAccount(TKessanRow& row, int count, const TLineAccount& a, const TAccountFigures& f, bool excluded, int kaisino,
                int taxClass, const TTaxSums& taxSums)
{
    if (count == 1) {
        row.TAISHAKU = a.DAC;
        row.BSPL = a.BPFLG;
        row.USERCODE = a.USERCODE;
        row.KCODE = a.KCODE;
        row.KNAME = a.KNAME;
    }
    const int sign = OtherSide(a.DAC, row.TAISHAKU) ? -1 : 1;
    row.KAISIZAN += sign * (excluded ? f.nuki : f.komi);
    for (std::size_t m = 1; m <= 16; ++m) {
        Currency kar = f.kar[m], kas = f.kas[m];
        if (excluded && taxClass != 0) {
            const TTaxSum& t = taxSums[static_cast<std::size_t>(taxClass)][m];
            kar = WithTax(kar, t, false);
            kas = WithTax(kas, t, true);
        }
        row.KAR[m] += kar;
        row.KAS[m] += kas;
    }
    row.KISHU1 += sign * f.kakozan;
    if (kaisino > 1) row.KISHU0 += sign * f.kaisizan;
    const auto& pz = (excluded && taxClass == 0) ? f.pzNuki : f.pzKomi;
    for (int k = 0; k <= 15; ++k) row.ZANM[static_cast<std::size_t>(k)] += sign * pz[static_cast<std::size_t>(15 - k)];
    for (int p = 1; p <= 15; ++p) row.ZANP[static_cast<std::size_t>(p)] += sign * pz[static_cast<std::size_t>(15 + p)];
}

} // namespace

std::vector<TKessanRow> AccSisanhyoKessanRows(fb::Connection& db, fb::Transaction& tr, int Tax)
{
    const bool excluded = Tax == 1;
    fb::Statement q(db, &tr);

    // One statement for all figures (each statement costs a prepare and a round of its own):
    // -1 and 0 the provisional-tax accounts and the start month, as the procedure looks them up;
    // then the balance tables row by row, summed here by account: 1 the openings and past balances,
    // 2 the period sums (the procedure's expression, fixed text chosen by the mode), 3 the past-year
    // and before-start movements; tax-excluded, 4 the tax sums by class (A3) and period. Grouping in
    // the database sorts every row first, which costs more than the scan itself. A NULL amount is
    // left out of a sum, as SUM does, so rows whose amounts are all zero or NULL are not fetched.
    const char* const periodAmounts = excluded ? "KAR_NUK - KAR_IKKATSU, KAS_NUK - KAS_IKKATSU"
                                               : "KAR_NUK + KAR_TAX, KAS_NUK + KAS_TAX";
    const char* const periodNonZero = excluded ? "KAR_NUK - KAR_IKKATSU <> 0 OR KAS_NUK - KAS_IKKATSU <> 0"
                                               : "KAR_NUK + KAR_TAX <> 0 OR KAS_NUK + KAS_TAX <> 0";
    std::string sql = std::string(
        "SELECT -1, (SELECT FIRST 1 KCODE FROM ACCDEF2 WHERE KNAME = :KARIBARAI), NULL, NULL, NULL, NULL, NULL\n"
        "FROM RDB$DATABASE\nUNION ALL\n"
        "SELECT 0, (SELECT FIRST 1 KCODE FROM ACCDEF2 WHERE KNAME = :KARIUKE),\n"
        "(SELECT FIRST 1 KAISINO FROM ACCDEF1 WHERE REC = 1), NULL, NULL, NULL, NULL FROM RDB$DATABASE\nUNION ALL\n"
        "SELECT 1, KCODE, 0, KISHU_KOMI, KISHU_NUKI, KAKOZAN, KAISIZAN FROM KAMOKU_SZ\nUNION ALL\n"
        "SELECT 2, KCODE, MNUM, ") + periodAmounts + ", NULL, NULL FROM KAMOKU_MS\n"
        "WHERE MNUM BETWEEN 1 AND 16 AND (" + periodNonZero + ")\nUNION ALL\n"
        "SELECT 3, KCODE, MNUM, NUKIZAN, NUKIZAN + ZEIGAKU, NULL, NULL FROM KAMOKU_PZ\n"
        "WHERE MNUM BETWEEN -15 AND 15 AND (NUKIZAN <> 0 OR NUKIZAN + ZEIGAKU <> 0)";
    if (excluded)
        sql += "\nUNION ALL\nSELECT 4, NULL, MNUM, KAR, KAS, KKUBUN, NULL FROM KAMOKU_TAX\n"
               "WHERE KKUBUN IN (1, 2) AND MNUM BETWEEN 1 AND 16";
    q.SetSQL(sql);
    q.ParamByName("KARIUKE").SetString("仮受消費税");
    q.ParamByName("KARIBARAI").SetString("仮払消費税");

    std::string kariuke = "-", karibarai = "-";
    int kaisino = 1;
    std::unordered_map<std::string, TAccountFigures> figures;
    TTaxSums taxSums{}; // class 1 received, 2 paid; period 1..16
    std::string code;
    for (q.ExecQuery(); !q.Eof(); q.Next()) {
        // by position: the loop runs once per balance row
        const int src = q.FieldAt(0).AsInteger();
        const fb::Field kcode = q.FieldAt(1), mnum = q.FieldAt(2), a1 = q.FieldAt(3), a2 = q.FieldAt(4);
        const int m = mnum.AsInteger();
        if (src == -1) {
            if (!kcode.IsNull()) karibarai = kcode.AsString();
            continue;
        }
        if (src == 0) {
            if (!kcode.IsNull()) kariuke = kcode.AsString();
            if (!mnum.IsNull()) kaisino = m;
            continue;
        }
        if (src == 4) {
            TTaxSum& t = taxSums[static_cast<std::size_t>(q.FieldAt(5).AsInteger())][static_cast<std::size_t>(m)];
            if (!t.present) t = {true, true, true, {}, {}};
            if (!a1.IsNull()) t.karNull = false;
            if (!a2.IsNull()) t.kasNull = false;
            AddNonNull(t.kar, a1);
            AddNonNull(t.kas, a2);
            continue;
        }
        code = kcode.AsString();
        TAccountFigures& f = figures[std::string(SqlKey(code))];
        switch (src) {
        case 1:
            f.hasBalanceRow = true;
            AddNonNull(f.komi, a1);
            AddNonNull(f.nuki, a2);
            AddNonNull(f.kakozan, q.FieldAt(5));
            AddNonNull(f.kaisizan, q.FieldAt(6));
            break;
        case 2:
            AddNonNull(f.kar[static_cast<std::size_t>(m)], a1);
            AddNonNull(f.kas[static_cast<std::size_t>(m)], a2);
            break;
        default:
            AddNonNull(f.pzNuki[static_cast<std::size_t>(m + 15)], a1);
            AddNonNull(f.pzKomi[static_cast<std::size_t>(m + 15)], a2);
            break;
        }
    }
    q.Close();

    // the layout lines with their accounts in use, in the procedure's order
    std::vector<TKessanRow> rows;
    q.SetSQL("SELECT KS.REC, KS.KGROUP, KS.SUBREC, TRIM(KS.KNAME1) AS KNAME1,\n"
             "KM.KCODE, KM.USERCODE, KM.KNAME, KM.BPFLG, KM.DAC\n"
             "FROM EXTERKS KS INNER JOIN KAMOKUMST KM ON (KM.EXT1_KS = KS.REC)\n"
             "WHERE KM.USE > 0 ORDER BY KS.KGROUP, KS.SUBREC, KS.REC, KM.USERCODE, KM.KCODE");
    q.ExecQuery();
    while (!q.Eof()) {
        const int rec = q.FieldByName("REC").AsInteger();
        TKessanRow row;
        row.GROUPM1 = row.GROUPM2 = q.FieldByName("KGROUP").AsString();
        row.MSTREC = rec;
        row.SUBREC = q.FieldByName("SUBREC").AsInteger();
        const std::string caption = q.FieldByName("KNAME1").AsString();
        int count = 0;
        for (; !q.Eof() && q.FieldByName("REC").AsInteger() == rec; q.Next()) {
            const TLineAccount a{q.FieldByName("KCODE").AsString(), q.FieldByName("USERCODE").AsString(),
                                 q.FieldByName("KNAME").AsString(), q.FieldByName("BPFLG").AsString(),
                                 q.FieldByName("DAC").AsInteger()};
            const auto fit = figures.find(std::string(SqlKey(a.KCODE)));
            if (fit == figures.end() || !fit->second.hasBalanceRow) continue;
            AddAccount(row, ++count, a, fit->second, excluded, kaisino,
                       SqlEqual(a.KCODE, kariuke) ? 1 : SqlEqual(a.KCODE, karibarai) ? 2 : 0, taxSums);
        }
        if (count == 0) continue;
        if (count > 1 || (!caption.empty() && !SqlEqual(caption, row.KNAME))) row.USERCODE = row.KCODE = "-";
        if (!caption.empty()) row.KNAME = caption;
        rows.push_back(std::move(row));
    }
    q.Close();
    return rows;
}

const std::vector<std::string>& AccSisanhyoKessanColumns()
{
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> c = {"GROUPM1", "GROUPM2", "USERCODE", "KCODE", "KNAME", "BSPL",
                                      "TAISHAKU", "MSTREC", "SUBREC", "KAISIZAN"};
        char buf[8];
        for (const char* prefix : {"KAR", "KAS"})
            for (int p = 1; p <= 16; ++p) {
                std::snprintf(buf, sizeof buf, "%s%02d", prefix, p);
                c.emplace_back(buf);
            }
        c.emplace_back("KISHU0");
        c.emplace_back("KISHU1");
        for (int k = 0; k <= 15; ++k) {
            std::snprintf(buf, sizeof buf, "ZANM%02d", k);
            c.emplace_back(buf);
        }
        for (int p = 1; p <= 15; ++p) {
            std::snprintf(buf, sizeof buf, "ZANP%02d", p);
            c.emplace_back(buf);
        }
        return c;
    }();
    return columns;
}

bool TKessanRowSource::HasColumn(std::string_view name) const
{
    for (const auto& c : AccSisanhyoKessanColumns())
        if (c == name) return true;
    return false;
}

std::string TKessanRowSource::Text(std::string_view name) const
{
    if (Eof()) return {};
    const TKessanRow& r = rows_[pos_];
    if (name == "GROUPM1") return r.GROUPM1;
    if (name == "GROUPM2") return r.GROUPM2;
    if (name == "USERCODE") return r.USERCODE;
    if (name == "KCODE") return r.KCODE;
    if (name == "KNAME") return r.KNAME;
    if (name == "BSPL") return r.BSPL;
    return {};
}

int TKessanRowSource::Integer(std::string_view name) const
{
    if (Eof()) return 0;
    const TKessanRow& r = rows_[pos_];
    if (name == "TAISHAKU") return r.TAISHAKU;
    if (name == "MSTREC") return r.MSTREC;
    if (name == "SUBREC") return r.SUBREC;
    return 0;
}

Currency TKessanRowSource::Amount(std::string_view name) const
{
    if (Eof()) return {};
    const TKessanRow& r = rows_[pos_];
    if (name == "KAISIZAN") return r.KAISIZAN;
    if (name == "KISHU0") return r.KISHU0;
    if (name == "KISHU1") return r.KISHU1;
    if (const int p = Numbered(name, "KAR", 1, 16); p >= 0) return r.KAR[static_cast<std::size_t>(p)];
    if (const int p = Numbered(name, "KAS", 1, 16); p >= 0) return r.KAS[static_cast<std::size_t>(p)];
    if (const int k = Numbered(name, "ZANM", 0, 15); k >= 0) return r.ZANM[static_cast<std::size_t>(k)];
    if (const int p = Numbered(name, "ZANP", 1, 15); p >= 0) return r.ZANP[static_cast<std::size_t>(p)];
    return {};
}

} // namespace kb
