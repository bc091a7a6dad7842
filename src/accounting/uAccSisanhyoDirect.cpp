#include "accounting/uAccSisanhyoDirect.h"

#include "accounting/uAccSisanhyou.h"
#include "core/DataModule.h"
#include "core/uAccDateCmp.h"
#include "core/uAccTaxCmp.h"
#include "core/z5ComFunc.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <array>
#include <cstdio>
#include <map>

namespace kb {

namespace {

using TPeriodAmounts = std::array<Currency, 17>; // index 1..16

std::string Col(const char* prefix, int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%02d", prefix, n);
    return buf;
}

std::string GroupKey(const std::string& group, int sub)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", sub);
    return group + buf;
}

bool DebitSide(int taishaku) { return taishaku == 1 || taishaku == 4; }

// value x percent / 100, truncated toward zero to whole yen (HasuSyori mode 0). The ratios stay
// exact: HAIBUNnn is a NUMERIC percent with four decimals.
Currency Allocate(Currency value, Currency percent)
{
    return HasuSyori(0, value.MulDiv(percent.Raw(), 100 * Currency::kScale, RoundMode::TowardZero));
}

// "(col=:P0)" for one code, "(col IN (:P0,:P1,...))" for several, empty for none.
TCodeCondition MakeCondition(const std::string& column, const std::string& prefix, const std::vector<std::string>& codes,
                             bool single)
{
    TCodeCondition c;
    if (codes.empty()) return c;
    if (single) {
        c.Text = "(" + column + "=:" + prefix + "0)";
        c.Params.emplace_back(prefix + "0", codes.front());
        return c;
    }
    std::string list;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::string name = prefix + std::to_string(i);
        if (i) list += ",";
        list += ":" + name;
        c.Params.emplace_back(name, codes[i]);
    }
    c.Text = "(" + column + " IN (" + list + "))";
    return c;
}

TCodeCondition Join(const TCodeCondition& a, const TCodeCondition& b)
{
    if (a.Text.empty()) return b;
    if (b.Text.empty()) return a;
    TCodeCondition c = a;
    c.Text = a.Text + " AND " + b.Text;
    c.Params.insert(c.Params.end(), b.Params.begin(), b.Params.end());
    return c;
}

std::string And(const TCodeCondition& c) { return c.Text.empty() ? std::string() : "\nAND " + c.Text; }

void Bind(fb::Statement& q, const TCodeCondition& c)
{
    for (const auto& [name, value] : c.Params) q.ParamByName(name).SetString(value);
}

// The members of a group, or the one code.
std::vector<std::string> ConditionCodes(fb::Connection& db, fb::Transaction& tr, bool scode,
                                        const TCalcSisanhyoSettingRec& s)
{
    const bool single = scode ? s.SisetuSingle != 0 : s.BumonSingle != 0;
    const std::string& code = scode ? s.SisetuCode : s.BumonCode;
    if (single) {
        if (TrimZen(code).empty()) return {};
        return {code};
    }
    fb::Statement q(db, &tr);
    const bool division = scode && AccInf.IryouHoujin && s.Selection == 1 &&
                          (s.Jigyou == 1 || s.Jigyou == 2 || s.Jigyou == 4 || s.Jigyou == 8);
    if (division) {
        q.SetSQL("SELECT SCODE FROM SISETUMST\nWHERE (MB_JIGYOU=:MB_JIGYOU) AND (SCODE<>'')");
        q.ParamByName("MB_JIGYOU").SetInteger(s.Jigyou);
    } else if (scode) {
        q.SetSQL("SELECT SCODE FROM SISETUGROUPLIST\nWHERE (GCODE=:GCODE) AND (SCODE<>'')");
        q.ParamByName("GCODE").SetString(code);
    } else {
        q.SetSQL("SELECT BCODE FROM GROUPLIST\nWHERE (GCODE=:GCODE) AND (BCODE<>'')");
        q.ParamByName("GCODE").SetString(code);
    }
    std::vector<std::string> codes;
    for (q.ExecQuery(); !q.Eof(); q.Next()) codes.push_back(q.FieldAt(0).AsString());
    return codes;
}

constexpr const char* kMovesColumns =
    "SUM(KAR_NUK) AS SUM_KARI_NUKI,SUM(KAR_TAX) AS SUM_KARI_TAX,SUM(KAS_NUK) AS SUM_KASI_NUKI,SUM(KAS_TAX) AS SUM_KASI_TAX,\n"
    "SUM(KAR_IKKATSU) AS SUM_KARI_IKKATSU,SUM(KAS_IKKATSU) AS SUM_KASI_IKKATSU";

class TDirectCalc {
public:
    TDirectCalc(std::vector<TBALANCE>& recs, int lastRec, std::vector<TQSORT>& sorts, int lastSort, int firstPass,
                const TCalcSisanhyoSettingRec& s)
        : recs_(recs), sorts_(sorts), firstPass_(firstPass), s_(s), db_(DM->IBDatabaseDAT), tr_(DM->IBTransactionDATSS)
    {
        last_ = std::min({lastRec, lastSort, static_cast<int>(recs.size()) - 1, static_cast<int>(sorts.size()) - 1});
        first_ = AccSisanhyoDirectFirstRow();
        medical_ = AccInf.IryouHoujin;
        startPeriod_ = StartMonthPeriod(AccInf.KAISINO);
    }

    int Run()
    {
        fb::TransactionGuard guard(tr_);
        S_ = BuildCodeCondition("SCODE", s_);
        B_ = BuildCodeCondition("BCODE", s_);
        cond_ = Join(S_, B_);
        mainCond_ = Join(MakeMain("SCODE", S_), MakeMain("BCODE", B_));
        common_ = TrimZen(s_.BumonCode) == "00";
        const std::string& kariuke = AccInf.SysKcode[2];
        const std::string& karibarai = AccInf.SysKcode[1];

        Prefetch();

        fb::Statement list(db_, &tr_);
        list.SetSQL(ListSql());
        if (s_.Layout == 0) Bind(list, S_);
        int r = first_ - 1;
        std::map<int, int> accountsOnRow; // row -> accounts placed into it (layouts 1..4)
        for (list.ExecQuery(); !list.Eof(); list.Next()) {
            const std::string K = list.FieldByName("KCODE").AsString();
            if (list.FieldByName("GROUPM1").AsString() == "9900") continue;
            if (s_.Layout >= 1 && s_.Layout <= 4) {
                const auto it = sums_.find(K);
                if (it == sums_.end() || it->second.rows == 0) continue;
            }
            const int dac = list.FieldByName("DAC").AsInteger();
            const int row = PlaceRow(list, K, dac, r, accountsOnRow);
            if (row == 0) continue;
            TBALANCE& b = recs_[static_cast<std::size_t>(row)];

            // allocation ratios of the account's base row
            std::array<Currency, 17> factor{};
            if (s_.Haibun == 1) {
                std::string sql = "SELECT ";
                for (int p = 1; p <= 16; ++p) sql += (p > 1 ? "," : "") + Col("HAIBUN", p);
                Prepare(haibun_, sql + "\nFROM KAMOKU_SZ\nWHERE (KCODE=:KCODE) AND (HCODE=:HCODE)" + And(cond_), cond_);
                haibun_->ParamByName("KCODE").SetString(K);
                haibun_->ParamByName("HCODE").SetString(" ");
                haibun_->ExecQuery();
                if (!haibun_->Eof())
                    for (int p = 1; p <= 16; ++p) factor[p] = haibun_->FieldByName(Col("HAIBUN", p)).AsCurrency();
                haibun_->Close();
            }

            int sign = 1;
            if (s_.Layout == 3 || s_.Layout == 4) {
                const auto it = debitLines_.find(b.MSTREC);
                const int n = it == debitLines_.end() ? 0 : it->second;
                if ((dac == 2 || dac == 4) && n >= 1) {
                    b.KAMOKU.TAISHAKU = list.FieldByName("BLDAC").AsInteger();
                    sign = -1;
                }
            }

            // opening
            const TAccountSums& sums = Sums(K);
            Currency opening = s_.Tax == 0 ? sums.komi : sums.nuki;
            Currency common;
            const bool allocOpening =
                s_.Haibun == 1 && (AccInf.KAISINO > 1 || (AccInf.KAISINO == 1 && AccInf.BUMON == 2));
            if (allocOpening) {
                if (common_) {
                    common = opening;
                    opening = {};
                } else {
                    common = OpeningSum(opening00_, "WHERE (BCODE=:BCODE) AND (KCODE=:KCODE)" + And(S_), S_, K, "00", "");
                }
                // the common department's opening goes by the ratio of the start month's period
                opening = Allocate(common, factor[static_cast<std::size_t>(startPeriod_)]) + opening;
            }

            // movements
            TPeriodAmounts debit{}, credit{};
            debit = sums.debit;
            credit = sums.credit;
            const int taxClass = (!kariuke.empty() && K == kariuke) ? 1 : (!karibarai.empty() && K == karibarai) ? 2 : 0;
            if (s_.Haibun == 1) {
                if (common_) {
                    for (int p = 1; p <= 16; ++p) {
                        debit[p] = Allocate(debit[p], factor[p]);
                        credit[p] = Allocate(credit[p], factor[p]);
                    }
                    if (s_.Tax == 1 && taxClass) AddTaxSums(taxClass, "00", &factor, debit, credit);
                } else {
                    Moves(moves00_, "WHERE (BCODE=:BCODE) AND (KCODE=:KCODE)" + And(S_), S_, K, "00", debit, credit, &factor);
                    if (s_.Tax == 1 && taxClass) {
                        AddTaxSums(taxClass, "00", &factor, debit, credit);
                        AddTaxSums(taxClass, s_.BumonCode, nullptr, debit, credit);
                    }
                }
            } else if (s_.Tax == 1 && taxClass) {
                AddTaxSums(taxClass, s_.BumonCode, nullptr, debit, credit);
            }

            b.KAISIZAN += sign * opening;
            b.KaisizanCopy.fill(b.KAISIZAN);
            for (int p = 1; p <= 16; ++p) {
                b.KARI[32 + p] += debit[p];
                b.KASI[32 + p] += credit[p];
            }
            b.ZOUGEN[32] = b.RUIZAN[32] = b.KAISIZAN;
            for (int p = 1; p <= 16; ++p) {
                const int i = 32 + p;
                b.ZOUGEN[i] = DebitSide(b.KAMOKU.TAISHAKU) ? b.KARI[i] - b.KASI[i] : b.KASI[i] - b.KARI[i];
                b.RUIZAN[i] = b.RUIZAN[i - 1] + b.ZOUGEN[i];
            }

            SetSortKey(row, b);
            if (s_.Layout == 0) SubAccounts(b, K, sign, factor);
        }
        guard.Commit();
        return r;
    }

private:
    // The per-account figures that every line needs, read once for all accounts: the balance rows
    // under the condition (their count, the opening sums) and the monthly sums by period; and, for
    // the closing layout, the count of debit-side accounts per layout line.
    struct TAccountSums {
        int rows = 0;
        Currency komi, nuki;
        TPeriodAmounts debit{}, credit{};
    };

    void Prefetch()
    {
        const std::string where = cond_.Text.empty() ? std::string() : "\nWHERE " + cond_.Text;
        fb::Statement q(db_, &tr_);
        q.SetSQL("SELECT KCODE,COUNT(*) AS RECCNT,SUM(KISHU_KOMI) AS SUM_KOMI,SUM(KISHU_NUKI) AS SUM_NUKI\nFROM KAMOKU_SZ" + where +
                 "\nGROUP BY KCODE");
        Bind(q, cond_);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            TAccountSums& a = sums_[q.FieldByName("KCODE").AsString()];
            a.rows = q.FieldByName("RECCNT").AsInteger();
            a.komi = q.FieldByName("SUM_KOMI").AsCurrency();
            a.nuki = q.FieldByName("SUM_NUKI").AsCurrency();
        }
        q.Close();
        q.SetSQL(std::string("SELECT KCODE,MNUM,") + kMovesColumns + "\nFROM KAMOKU_MS" + where + "\nGROUP BY KCODE,MNUM");
        Bind(q, cond_);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            const int m = q.FieldByName("MNUM").AsInteger();
            if (m < 1 || m > 16) continue;
            TAccountSums& a = sums_[q.FieldByName("KCODE").AsString()];
            ReadMoves(q, a.debit[m], a.credit[m]);
        }
        q.Close();
        if (s_.Layout == 3 || s_.Layout == 4) {
            q.SetSQL("SELECT EXT1_KS,COUNT(KCODE) AS RECCNT FROM KAMOKUMST\nWHERE (USE>0) AND (DAC=1 OR DAC=3)\nGROUP BY EXT1_KS");
            for (q.ExecQuery(); !q.Eof(); q.Next())
                debitLines_[q.FieldByName("EXT1_KS").AsInteger()] = q.FieldByName("RECCNT").AsInteger();
            q.Close();
        }
    }

    const TAccountSums& Sums(const std::string& K) const
    {
        static const TAccountSums none;
        const auto it = sums_.find(K);
        return it == sums_.end() ? none : it->second;
    }

    static TCodeCondition MakeMain(const std::string& column, const TCodeCondition& c)
    {
        TCodeCondition m = c;
        // the placeholders carry no column names, so only the column itself is qualified
        const std::string from = "(" + column;
        const auto pos = m.Text.find(from);
        if (pos != std::string::npos) m.Text.replace(pos, from.size(), "(MAIN." + column);
        return m;
    }

    void Prepare(std::unique_ptr<fb::Statement>& q, const std::string& sql, const TCodeCondition& c)
    {
        if (!q) {
            q = std::make_unique<fb::Statement>(db_, &tr_);
            q->SetSQL(sql);
            Bind(*q, c);
        }
    }

    std::string ListSql() const
    {
        const std::string groupCols = medical_ ? ",KM.GROUPR1,KM.GROUPR2,KM.GROUPM3"
                                               : ",KM.GROUPM1 AS GROUPR1,KM.GROUPM2 AS GROUPR2,KM.GROUPM1 AS GROUPM3";
        // BLDAC: the side of a line that nets credit-side accounts into a debit-side line
        const std::string accCols = ",KM.KCODE,KM.USERCODE,KM.KNAME,KM.BPFLG,KM.DAC,KM.BLDAC";
        switch (s_.Layout) {
        case 0: {
            std::string sql = "SELECT DISTINCT KM.GROUPM1,KM.GROUPM2" + groupCols + accCols +
                              "\nFROM  KAMOKU_SZ MAIN\nINNER JOIN SISETUMST SM ON(MAIN.SCODE=SM.SCODE)\n"
                              "INNER JOIN BUMONMST  BM ON(MAIN.BCODE=BM.BCODE)\nINNER JOIN KAMOKUMST KM ON(MAIN.KCODE=KM.KCODE)\n"
                              "INNER JOIN HOJOMST   HM ON(MAIN.KCODE=HM.KCODE AND MAIN.HCODE=HM.HCODE)";
            const TCodeCondition ms = MakeMain("SCODE", S_);
            if (!ms.Text.empty()) sql += "\nWHERE " + ms.Text;
            return sql + "\nORDER BY KM.GROUPM1,KM.USERCODE";
        }
        case 1:
        case 2: {
            const std::string t = s_.Layout == 1 ? "A4" : "A3";
            return "SELECT " + t + ".REC," + t + ".KGROUP," + t + ".SUBREC," + t + ".KNAME1,KM.GROUPM1,KM.GROUPM2" + groupCols +
                   accCols + "\nFROM EXTER" + t + " " + t + "\nINNER JOIN KAMOKUMST KM ON (" + t + ".REC=KM.EXT1_" + t + ")\n" +
                   "ORDER BY " + t + ".KGROUP," + t + ".SUBREC,KM.USERCODE";
        }
        case 3:
        case 4:
            return "SELECT KS.REC,KS.KGROUP,KS.SUBREC,KS.KNAME1,KM.GROUPM1,KM.GROUPM2" + groupCols + accCols +
                   "\nFROM EXTERKS KS\nINNER JOIN KAMOKUMST KM ON (KS.REC=KM.EXT1_KS)\nWHERE (KM.USE>0)\n"
                   "ORDER BY KS.KGROUP,KS.SUBREC,KM.USERCODE";
        default: throw std::invalid_argument("AccSisanhyoDirectCalc: layout " + std::to_string(s_.Layout));
        }
    }

    TBALANCE& NewRow(int& r)
    {
        if (r + 1 > last_)
            throw ESisanhyoCapacity("勘定科目の行数が上限（" + std::to_string(last_ - first_ + 1) + "行）を超えました。");
        ++r;
        return recs_[static_cast<std::size_t>(r)];
    }

    // Row placement; 0 when the account has no line (second pass) .
    int PlaceRow(fb::Statement& list, const std::string& K, int dac, int& r, std::map<int, int>& accountsOnRow)
    {
        const bool grouped = s_.Layout >= 1;
        const std::string kgroup = grouped ? list.FieldByName("KGROUP").AsString() : std::string();
        const int subrec = grouped ? list.FieldByName("SUBREC").AsInteger() : 0;
        auto findLine = [&](int upTo) {
            for (int i = first_; i <= upTo; ++i) {
                const TBALANCE& b = recs_[static_cast<std::size_t>(i)];
                if (grouped ? (b.KAMOKU.GROUPM2 == kgroup && b.SUBREC == subrec) : b.KAMOKU.KCODE == K) return i;
            }
            return 0;
        };
        if (firstPass_ == 0) {
            const int row = findLine(last_);
            if (row) r = std::max(r, row);
            return row;
        }
        int row = 0;
        if (grouped) {
            row = findLine(r);
            if (row) {
                ++accountsOnRow[row];
            } else {
                NewRow(r);
                row = r;
                accountsOnRow[row] = 1;
            }
            TBALANCE& b = recs_[static_cast<std::size_t>(row)];
            TKMKREC& k = b.KAMOKU;
            b.MSTREC = list.FieldByName("REC").AsInteger();
            b.SUBREC = subrec;
            k.GROUPM1 = k.GROUPM2 = kgroup;
            const std::string caption = TrimZen(list.FieldByName("KNAME1").AsString());
            const std::string name = list.FieldByName("KNAME").AsString();
            if (k.KCODE.empty()) {
                k.USERCODE = list.FieldByName("USERCODE").AsString();
                k.KCODE = K;
                k.KNAME = caption.empty() ? name : caption;
            }
            if ((!caption.empty() && caption != name) || accountsOnRow[row] >= 2) k.USERCODE = k.KCODE = "-";
        } else {
            NewRow(r);
            row = r;
            TKMKREC& k = recs_[static_cast<std::size_t>(row)].KAMOKU;
            const bool byDivision = medical_ && (s_.Jigyou == 2 || s_.Jigyou == 4);
            k.GROUPM1 = list.FieldByName(byDivision ? "GROUPR1" : "GROUPM1").AsString();
            k.GROUPM2 = list.FieldByName(byDivision ? "GROUPR2" : "GROUPM2").AsString();
            k.GROUPR1 = list.FieldByName(byDivision ? "GROUPR1" : "GROUPM1").AsString();
            k.GROUPR2 = list.FieldByName(byDivision ? "GROUPR2" : "GROUPM2").AsString();
            k.USERCODE = list.FieldByName("USERCODE").AsString();
            k.KCODE = K;
            k.KNAME = list.FieldByName("KNAME").AsString();
        }
        TKMKREC& k = recs_[static_cast<std::size_t>(row)].KAMOKU;
        k.BSPL = list.FieldByName("BPFLG").AsString();
        k.TAISHAKU = dac;
        return row;
    }

    void SetSortKey(int row, TBALANCE& b)
    {
        TKMKREC& k = b.KAMOKU;
        std::string key;
        switch (s_.Layout) {
        case 0:
            key = k.GROUPM1 == "5300" ? "5881" + FixLeft(k.USERCODE, 4)
                                      : (medical_ ? k.GROUPM1 : k.GROUPM2) + FixLeft(k.USERCODE, 4);
            break;
        case 1:
        case 2: key = GroupKey(k.GROUPM2, b.SUBREC); break;
        default:
            if (AccInf.DATATYPE == 2) k.GROUPM1 = AccSisanhyoIndividualGroup(k.GROUPM1, AccInf.CODETYPE, b.MSTREC);
            key = GroupKey(k.GROUPM1, b.SUBREC);
            break;
        }
        TQSORT& q = sorts_[static_cast<std::size_t>(row)];
        q.QINDEX = row;
        q.QKEY = key;
    }

    Currency OpeningSum(std::unique_ptr<fb::Statement>& q, const std::string& where, const TCodeCondition& c,
                        const std::string& K, const std::string& bcode, const std::string& hcode)
    {
        Prepare(q, "SELECT SUM(KISHU_KOMI) AS SUM_KOMI,SUM(KISHU_NUKI) AS SUM_NUKI\nFROM KAMOKU_SZ\n" + where, c);
        q->ParamByName("KCODE").SetString(K);
        if (!bcode.empty()) q->ParamByName("BCODE").SetString(bcode);
        if (!hcode.empty()) q->ParamByName("HCODE").SetString(hcode);
        q->ExecQuery();
        const Currency v = q->Eof() ? Currency() : q->FieldByName(s_.Tax == 0 ? "SUM_KOMI" : "SUM_NUKI").AsCurrency();
        q->Close();
        return v;
    }

    void ReadMoves(const fb::Statement& q, Currency& debit, Currency& credit) const
    {
        if (s_.Tax == 0) {
            debit = q.FieldByName("SUM_KARI_NUKI").AsCurrency() + q.FieldByName("SUM_KARI_TAX").AsCurrency();
            credit = q.FieldByName("SUM_KASI_NUKI").AsCurrency() + q.FieldByName("SUM_KASI_TAX").AsCurrency();
        } else {
            debit = q.FieldByName("SUM_KARI_NUKI").AsCurrency() - q.FieldByName("SUM_KARI_IKKATSU").AsCurrency();
            credit = q.FieldByName("SUM_KASI_NUKI").AsCurrency() - q.FieldByName("SUM_KASI_IKKATSU").AsCurrency();
        }
    }

    // Movements per period; with factor they are allocated and added, else they replace.
    void Moves(std::unique_ptr<fb::Statement>& q, const std::string& where, const TCodeCondition& c, const std::string& K,
               const std::string& bcode, TPeriodAmounts& debit, TPeriodAmounts& credit, const std::array<Currency, 17>* factor)
    {
        Prepare(q, std::string("SELECT MNUM,") + kMovesColumns + "\nFROM KAMOKU_MS\n" + where + "\nGROUP BY MNUM\nORDER BY MNUM", c);
        q->ParamByName("KCODE").SetString(K);
        if (!bcode.empty()) q->ParamByName("BCODE").SetString(bcode);
        for (q->ExecQuery(); !q->Eof(); q->Next()) {
            const int m = q->FieldByName("MNUM").AsInteger();
            if (m < 1 || m > 16) continue;
            Currency d, k;
            ReadMoves(*q, d, k);
            if (factor) {
                debit[m] += Allocate(d, (*factor)[m]);
                credit[m] += Allocate(k, (*factor)[m]);
            } else {
                debit[m] = d;
                credit[m] = k;
            }
        }
        q->Close();
    }

    // The tax sums of a provisional-tax account: the common department's by ratio (department "00"),
    // the computation's own departments in full.
    void AddTaxSums(int kubun, const std::string& department, const std::array<Currency, 17>* factor, TPeriodAmounts& debit,
                    TPeriodAmounts& credit)
    {
        const bool common = TrimZen(department) == "00";
        auto& q = common ? tax00_ : tax_;
        const TCodeCondition& c = common ? S_ : cond_;
        Prepare(q,
                "SELECT MNUM,SUM(KAR) AS SUM_KARI_TAX,SUM(KAS) AS SUM_KASI_TAX\nFROM KAMOKU_TAX\nWHERE (KKUBUN=:KKUBUN)" +
                    std::string(common ? " AND (BCODE=:BCODE)" : "") + And(c) + "\nGROUP BY MNUM\nORDER BY MNUM",
                c);
        q->ParamByName("KKUBUN").SetInteger(kubun);
        if (common) q->ParamByName("BCODE").SetString("00");
        for (q->ExecQuery(); !q->Eof(); q->Next()) {
            const int m = q->FieldByName("MNUM").AsInteger();
            if (m < 1 || m > 16) continue;
            const Currency d = q->FieldByName("SUM_KARI_TAX").AsCurrency();
            const Currency k = q->FieldByName("SUM_KASI_TAX").AsCurrency();
            debit[m] += factor ? Allocate(d, (*factor)[m]) : HasuSyori(0, d);
            credit[m] += factor ? Allocate(k, (*factor)[m]) : HasuSyori(0, k);
        }
        q->Close();
    }

    void SubAccounts(TBALANCE& b, const std::string& K, int sign, const std::array<Currency, 17>& factor)
    {
        Prepare(subCount_, "SELECT DISTINCT HCODE FROM KAMOKU_SZ\nWHERE (KCODE=:KCODE) AND (HCODE<>:HCODE)" + And(cond_), cond_);
        subCount_->ParamByName("KCODE").SetString(K);
        subCount_->ParamByName("HCODE").SetString(" ");
        int n = 0;
        for (subCount_->ExecQuery(); !subCount_->Eof(); subCount_->Next()) ++n;
        subCount_->Close();
        if (firstPass_ == 1) {
            b.HOJCNT = n;
            b.HOJUTIWAKE.assign(static_cast<std::size_t>(n), THOJOUTIWAKE{});
        }
        if (n < 1) return;

        std::string cols = kMovesColumns;
        for (const char* c : {"KAR_NUK", "KAR_TAX", "KAS_NUK", "KAS_TAX", "KAR_IKKATSU", "KAS_IKKATSU"}) {
            const std::string from = std::string("SUM(") + c + ")";
            const auto pos = cols.find(from);
            cols.replace(pos, from.size(), std::string("SUM(MAIN.") + c + ")");
        }
        Prepare(subMoves_,
                "SELECT MAIN.HCODE,MAIN.MNUM," + cols + "\n,HM.HNAME\nFROM KAMOKU_MS MAIN\n"
                    "INNER JOIN HOJOMST HM ON (MAIN.KCODE=HM.KCODE AND MAIN.HCODE=HM.HCODE)\nWHERE (HM.KCODE=:KCODE)" +
                    And(mainCond_) + "\nGROUP BY MAIN.HCODE,MAIN.MNUM,HM.HNAME\nORDER BY MAIN.HCODE,MAIN.MNUM",
                mainCond_);
        subMoves_->ParamByName("KCODE").SetString(K);

        int j = 0;
        std::string hcode, hname;
        TPeriodAmounts debit{}, credit{};
        bool open = false;
        auto complete = [&] {
            if (!open) return;
            Complete(b, K, sign, factor, hcode, hname, debit, credit, j);
            debit = {};
            credit = {};
            open = false;
        };
        for (subMoves_->ExecQuery(); !subMoves_->Eof(); subMoves_->Next()) {
            std::string h = subMoves_->FieldByName("HCODE").AsString();
            if (TrimZen(h).empty()) h = " ";
            if (open && h != hcode) complete();
            if (!open) {
                hcode = h;
                hname = subMoves_->FieldByName("HNAME").AsString();
                open = true;
            }
            const int m = subMoves_->FieldByName("MNUM").AsInteger();
            if (m < 1 || m > 16) continue;
            ReadMoves(*subMoves_, debit[m], credit[m]);
        }
        subMoves_->Close();
        complete(); // also a sub-account whose sums have no row for period 16
    }

    void Complete(TBALANCE& b, const std::string& K, int sign, const std::array<Currency, 17>& factor, const std::string& hcode,
                  std::string hname, TPeriodAmounts& debit, TPeriodAmounts& credit, int& j)
    {
        Currency opening = OpeningSum(subOpening_, "WHERE (KCODE=:KCODE) AND (HCODE=:HCODE)" + And(cond_), cond_, K, "", hcode);
        if (s_.Haibun == 1) {
            const Currency startFactor = factor[static_cast<std::size_t>(startPeriod_)];
            if (common_) {
                opening = Allocate(opening, startFactor);
                for (int p = 1; p <= 16; ++p) {
                    debit[p] = Allocate(debit[p], factor[p]);
                    credit[p] = Allocate(credit[p], factor[p]);
                }
            } else {
                opening += Allocate(OpeningSum(subOpening00_, "WHERE (BCODE=:BCODE) AND (KCODE=:KCODE) AND (HCODE=:HCODE)" + And(S_),
                                               S_, K, "00", hcode),
                                    startFactor);
                Prepare(subMoves00_,
                        std::string("SELECT MNUM,") + kMovesColumns +
                            "\nFROM KAMOKU_MS\nWHERE (BCODE=:BCODE) AND (KCODE=:KCODE) AND (HCODE=:HCODE)" + And(S_) +
                            "\nGROUP BY MNUM\nORDER BY MNUM",
                        S_);
                subMoves00_->ParamByName("HCODE").SetString(hcode);
                Moves(subMoves00_, "", S_, K, "00", debit, credit, &factor);
            }
        }
        auto& h = b.HOJUTIWAKE;
        if (firstPass_ == 0) {
            j = -1;
            for (std::size_t i = 0; i < h.size(); ++i)
                if (h[i].HCODE == hcode) j = static_cast<int>(i);
            if (j < 0) {
                // a sub-account that the first pass did not see gets an entry of its own
                if (hcode == " " && IsZero(opening, debit, credit)) return;
                h.emplace_back();
                b.HOJCNT = static_cast<int>(h.size());
                j = b.HOJCNT - 1;
            }
            if (hcode == " ") hname = b.KAMOKU.KNAME;
            AddSubAccountLine(b, h[static_cast<std::size_t>(j)], hcode, hname, sign, opening, debit, credit);
            return;
        }
        if (hcode == " ") {
            // the part booked without a sub-account is an entry only when it holds an amount
            if (IsZero(opening, debit, credit)) return;
            h.insert(h.begin() + std::min<std::ptrdiff_t>(j, static_cast<std::ptrdiff_t>(h.size())), THOJOUTIWAKE{});
            b.HOJCNT = static_cast<int>(h.size());
            hname = b.KAMOKU.KNAME;
        }
        if (j >= static_cast<int>(h.size())) {
            h.emplace_back();
            b.HOJCNT = static_cast<int>(h.size());
        }
        AddSubAccountLine(b, h[static_cast<std::size_t>(j)], hcode, hname, sign, opening, debit, credit);
        ++j;
    }

    static bool IsZero(Currency opening, const TPeriodAmounts& debit, const TPeriodAmounts& credit)
    {
        if (!opening.IsZero()) return false;
        for (int p = 1; p <= 16; ++p)
            if (!debit[p].IsZero() || !credit[p].IsZero()) return false;
        return true;
    }

    static void AddSubAccountLine(const TBALANCE& b, THOJOUTIWAKE& e, const std::string& hcode, const std::string& hname,
                                  int sign, Currency opening, const TPeriodAmounts& debit, const TPeriodAmounts& credit)
    {
        e.HCODE = hcode;
        e.HNAME = hname;
        e.KAISIZAN += sign * opening;
        e.KaisizanCopy.fill(e.KAISIZAN);
        for (int p = 1; p <= 16; ++p) {
            e.KARI[p] += debit[p];
            e.KASI[p] += credit[p];
        }
        e.ZOUGEN[0] = e.RUIZAN[0] = e.KAISIZAN;
        for (int p = 1; p <= 16; ++p) {
            e.ZOUGEN[p] = DebitSide(b.KAMOKU.TAISHAKU) ? e.KARI[p] - e.KASI[p] : e.KASI[p] - e.KARI[p];
            e.RUIZAN[p] = e.RUIZAN[p - 1] + e.ZOUGEN[p];
        }
    }

    std::vector<TBALANCE>& recs_;
    std::vector<TQSORT>& sorts_;
    int firstPass_;
    const TCalcSisanhyoSettingRec& s_;
    fb::Connection& db_;
    fb::Transaction& tr_;
    int last_ = 0;
    int first_ = FirstAccountRow;
    bool medical_ = false;
    int startPeriod_ = 1;
    bool common_ = false;
    TCodeCondition S_, B_, cond_, mainCond_;
    // prepared once per computation, run once per account line
    std::map<std::string, TAccountSums> sums_;
    std::map<int, int> debitLines_;
    std::unique_ptr<fb::Statement> haibun_, opening00_, moves00_, tax_, tax00_, subCount_,
        subMoves_, subOpening_, subOpening00_, subMoves00_;
};

} // namespace

TCalcSisanhyoSettingRec AccSisanhyoReadSetting(const std::string& BumonCode, int Selection, int Tax, int Haibun, int Layout,
                                               int StatementKind, int PrevTax)
{
    TCalcSisanhyoSettingRec s;
    s.SisetuCode.clear();
    s.SisetuSingle = 0;
    s.BumonCode = BumonCode;
    s.BumonSingle = 0;
    s.Selection = Selection;
    s.Tax = Tax;
    s.Haibun = Haibun;
    s.Layout = Layout;
    s.StatementKind = StatementKind;
    s.PrevTax = PrevTax;
    s.Jigyou = 0;
    return s;
}

int AccSisanhyoDirectFirstRow() { return AccInf.IryouHoujin ? 61 : FirstAccountRow; }

int StartMonthPeriod(int kaisino)
{
    if (kaisino < 1 || kaisino > 12) return 1;
    return MonthToKikanNo(kaisino - 1);
}

std::string AccSisanhyoIndividualGroup(const std::string& groupm1, int codeType, int mstrec)
{
    int second = 0; // first layout line of the second group
    bool income = true;
    switch (codeType) {
    case 1:
    case 3: second = 98; break;
    case 2: second = 64; income = false; break;
    case 4: second = 79; break;
    default: return groupm1;
    }
    std::string g = groupm1;
    if (income && g == "4100" && mstrec >= second) g = "7100";
    if (g == "6100" && mstrec >= second) g = "7200";
    if (income && g == "7100" && mstrec < second) g = "4100";
    if (g == "7200" && mstrec < second) g = "6100";
    return g;
}

TCodeCondition BuildCodeCondition(const std::string& column, const TCalcSisanhyoSettingRec& Setting)
{
    if (!DM) throw std::logic_error("BuildCodeCondition: no data module");
    const bool scode = column == "SCODE";
    if (!scode && column != "BCODE") throw std::invalid_argument("BuildCodeCondition: " + column);
    fb::TransactionGuard guard(DM->IBTransactionDATSS);
    const auto codes = ConditionCodes(DM->IBDatabaseDAT, DM->IBTransactionDATSS, scode, Setting);
    guard.Commit();
    return MakeCondition(column, scode ? "SCP" : "BCP", codes, scode ? Setting.SisetuSingle != 0 : Setting.BumonSingle != 0);
}

int AccSisanhyoDirectCalc(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int FirstPass,
                          const TCalcSisanhyoSettingRec& Setting, int LastSort)
{
    if (!DM) throw std::logic_error("AccSisanhyoDirectCalc: no data module");
    TDirectCalc calc(Recs, LastRec, Sorts, LastSort, FirstPass, Setting);
    return calc.Run();
}

int AccSisanhyoDirect(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts,
                      const TCalcSisanhyoSettingRec& Setting, int LastSort)
{
    const int result = AccSisanhyoDirectCalc(Recs, LastRec, Sorts, 1, Setting, LastSort);
    if (!(Setting.Haibun == 1 && Setting.Selection == 6)) return result;

    // every facility and department of the group once more, each allocating the common department
    const int last = std::min<int>(LastRec, static_cast<int>(Recs.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        TBALANCE& b = Recs[static_cast<std::size_t>(i)];
        b.KAISIZAN = {};
        b.KaisizanCopy.fill({});
        b.KARI.fill({});
        b.KASI.fill({});
        for (int p = 32; p <= 48; ++p) b.ZOUGEN[p] = b.RUIZAN[p] = {};
        for (auto& h : b.HOJUTIWAKE) {
            h.KAISIZAN = {};
            h.KaisizanCopy.fill({});
            h.KARI.fill({});
            h.KASI.fill({});
            for (int p = 0; p <= 16; ++p) h.ZOUGEN[p] = h.RUIZAN[p] = {};
        }
    }
    fb::Connection& db = DM->IBDatabaseDAT;
    fb::Transaction& tr = DM->IBTransactionDATSS;
    fb::TransactionGuard guard(tr);
    std::vector<std::string> facilities, departments;
    {
        fb::Statement q(db, &tr);
        q.SetSQL("SELECT SCODE FROM SISETUMST\nWHERE (SCODE<>'') AND (BUMEX=1)\nORDER BY SCODE");
        for (q.ExecQuery(); !q.Eof(); q.Next()) facilities.push_back(q.FieldByName("SCODE").AsString());
        q.SetSQL("SELECT BCODE FROM GROUPLIST\nWHERE (GCODE=:GCODE) AND (BCODE<>'')\nORDER BY BCODE");
        q.ParamByName("GCODE").SetString(Setting.BumonCode);
        for (q.ExecQuery(); !q.Eof(); q.Next()) departments.push_back(q.FieldByName("BCODE").AsString());
    }
    for (const auto& scode : facilities)
        for (const auto& bcode : departments) {
            TCalcSisanhyoSettingRec s = Setting;
            s.SisetuCode = scode;
            s.SisetuSingle = 1;
            s.BumonCode = bcode;
            s.BumonSingle = 1;
            AccSisanhyoDirectCalc(Recs, LastRec, Sorts, 0, s, LastSort);
        }
    guard.Commit();
    return result;
}

} // namespace kb
