// The medical corporation's trial balance on the medical fixture (tests/fixtures/README.md, "0006"):
// the whole corporation and two divisions against the hand totals, the procedures against the direct
// computation of the same scope, the division lines, the per-period summary and the failures.

#include "uAccZanSisanhyoTestDb.h"

#include "accounting/uAccMbSisanhyou.h"
#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccZanSisanhyo.h"
#include "core/z5ComFunc.h"

#include <gtest/gtest.h>

#include <map>

using namespace kb;
using kbtest::ledger::LedgerDb;

namespace {

Currency Yen(std::int64_t y) { return Currency::FromYen(y); }

class MedicalLedger : public LedgerDb {
protected:
    static void SetUpTestSuite() { BuildSuite(kbtest::ledger::DataSetKind::Medical); }
    static void TearDownTestSuite() { FreeSuite(); }

    // A read and the year's figures through the entry points.
    void Read(int selection, int layout, int division, const std::string& sisetu = "", const std::string& bumon = "")
    {
        last = AccZanPrepareArrays(recs, sorts);
        AccZanSisanhyoRead(recs, last, sorts, last, sisetu, bumon, 0, selection, layout, 0, 0, division, 0);
    }
    bool Shown(int row) const
    {
        for (const auto& s : sorts)
            if (s.QINDEX == row) return s.QKEY != kAccZanEmptyKey;
        return false;
    }
    int RowOf(const std::string& kcode) const
    {
        for (int r = kAccMbFirstAccountRow; r <= last; ++r)
            if (recs[r].KAMOKU.KCODE == kcode) return r;
        return 0;
    }

    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
};

TEST_F(MedicalLedger, WholeCorporationGivesTheHandTotalsAndTheCorporationsWording)
{
    last = AccZanPrepareArrays(recs, sorts);
    ASSERT_EQ(last, 699);
    AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0);
    AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
    const std::map<int, std::int64_t> hand = {
        {1, 5334000},  {2, 5334000},  {5, 5334000},  {6, 4750000},  {9, 4750000},  {11, 10084000}, {12, 200000},
        {13, 2700000}, {14, 2900000}, {15, 2500000}, {18, 1200000}, {19, 3484000}, {20, 3484000},  {21, 4684000},
        {23, 7184000}, {24, 10084000}, {27, 600000}, {28, 600000},  {29, 800000},  {30, 800000},   {31, 5000000},
        {32, 6400000}, {33, 400000},  {34, 2050000}, {35, 0},       {38, 107000},  {41, 2557000},  {42, 3843000},
        {43, 1000},    {44, 60000},   {45, 3784000}, {46, 150000},  {47, 250000},  {48, 3684000},  {49, 3484000},
        {50, 3484000}, {53, 3484000}, {54, -450000},
    };
    for (const auto& [row, yen] : hand) EXPECT_EQ(recs[row].TOUZAN, Yen(yen)) << "row " << row;
    EXPECT_EQ(recs[11].ZENZAN, Yen(6700000));
    EXPECT_EQ(recs[19].ZENZAN, Yen(0));
    EXPECT_EQ(recs[42].KOUSEIHI, Currency::FromRaw(600000)); // 3,843,000 / 6,400,000 = 60.0 %

    const std::map<int, std::string> names = {
        {1, "現金及び預金"}, {15, "基金合計"},   {23, "純資産の部合計"}, {24, "負債純資産の部合計"}, {31, "医業収益"},
        {41, "事業費用合計"}, {42, "事業利益"},  {46, "特別収益"},       {47, "特別費用"},           {49, "当期純利益"},
    };
    for (const auto& [row, name] : names) EXPECT_EQ(recs[row].KAMOKU.KNAME, name) << "row " << row;
    const int capital = RowOf("K411");
    ASSERT_NE(capital, 0);
    EXPECT_EQ(recs[capital].KAMOKU.KNAME, "基金");
    // the closing-statement line shared by the two cash accounts
    const int cash = RowOf("-");
    ASSERT_NE(cash, 0);
    EXPECT_EQ(recs[cash].KAMOKU.KNAME, "現金及び預金");
    EXPECT_EQ(recs[cash].TOUZAN, Yen(5334000));
    // no facility of division 8; rows 1 and 17 are not shown on this layout
    EXPECT_FALSE(Shown(26));
    EXPECT_TRUE(Shown(28) && Shown(30) && Shown(31) && Shown(32));
    EXPECT_FALSE(Shown(1));
    EXPECT_FALSE(Shown(17));
    EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction());
    EXPECT_FALSE(DM->IBTransactionDAT.InTransaction());
}

TEST_F(MedicalLedger, DivisionsSumTheirFacilitiesByTheirOwnCodes)
{
    struct Case {
        int division;
        std::map<int, std::int64_t> touzan;
        std::map<int, std::string> names;
    };
    const Case cases[] = {
        {1,
         {{1, 3783000}, {11, 8533000}, {14, 2900000}, {15, 2000000}, {18, 1000000}, {19, 2633000}, {20, 2633000},
          {24, 8533000}, {31, 5000000}, {32, 5000000}, {34, 1500000}, {41, 2007000}, {42, 2993000}, {45, 2933000},
          {48, 2833000}, {49, 2633000}, {53, 2633000}, {54, -450000}},
         {{41, "医業費用合計"}, {42, "医業利益"}, {46, "臨時収益"}, {31, "医業収益"}}},
        // by GROUPR1: the health checks on the division's total line, the salaries with the contracted costs
        {2,
         {{1, 1001000}, {11, 1001000}, {15, 500000}, {19, 501000}, {23, 1001000}, {24, 1001000}, {29, 0}, {30, 800000},
          {32, 800000}, {34, 0}, {35, 300000}, {41, 300000}, {42, 500000}, {43, 1000}, {45, 501000}, {49, 501000},
          {54, 0}},
         {{42, "医業利益"}, {30, "保健事業収益合計"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("division " + std::to_string(c.division));
        Read(1, 0, c.division);
        AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, c.division);
        for (const auto& [row, yen] : c.touzan) EXPECT_EQ(recs[row].TOUZAN, Yen(yen)) << "row " << row;
        for (const auto& [row, name] : c.names) EXPECT_EQ(recs[row].KAMOKU.KNAME, name) << "row " << row;
        // the other divisions' revenue lines are not lines of this division
        for (int row : {25, 26, 27, 28}) EXPECT_TRUE(recs[row].KAMOKU.GROUPM1.empty()) << "row " << row;
    }
}

TEST_F(MedicalLedger, ProceduresEqualTheDirectComputationOfTheSameScope)
{
    auto setting = [](const std::string& s, int sSingle, const std::string& b, int bSingle, int selection, int jigyou) {
        TCalcSisanhyoSettingRec r;
        r.SisetuCode = s;
        r.SisetuSingle = sSingle;
        r.BumonCode = b;
        r.BumonSingle = bSingle;
        r.Selection = selection;
        r.Jigyou = jigyou;
        return r;
    };
    struct Case {
        const char* what;
        int selection, division;
        std::string sisetu, bumon;
        std::vector<TCalcSisanhyoSettingRec> direct; // passes: the first creates the lines, the others add
    };
    const Case cases[] = {
        {"all", 0, 0, "", "", {setting("", 0, "", 0, 0, 0)}},
        {"division 1", 1, 1, "", "", {setting("", 0, "", 0, 1, 1)}},
        {"division 2", 1, 2, "", "", {setting("", 0, "", 0, 1, 2)}},
        // a facility is read by the codes of its division (the health-check centre's: GROUPR1)
        {"facility", 2, 0, "S2", "", {setting("S2", 1, "", 0, 2, 2)}},
        {"department", 3, 0, "S1", "01", {setting("S1", 1, "01", 1, 3, 0)}},
        {"group's departments", 4, 0, "S1", "GB", {setting("S1", 1, "01", 1, 4, 0), setting("S1", 1, "02", 1, 4, 0)}},
        {"facility group", 5, 0, "G1", "", {setting("G1", 0, "", 0, 5, 0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Read(c.selection, 0, c.division, c.sisetu, c.bumon);
        std::vector<TBALANCE> direct;
        std::vector<TQSORT> ds;
        AccZanPrepareArrays(direct, ds);
        int lastDirect = 0;
        for (std::size_t n = 0; n < c.direct.size(); ++n)
            lastDirect = std::max(lastDirect, AccSisanhyoDirectCalc(direct, last, ds, n == 0 ? 1 : 0, c.direct[n], last));
        int lastRead = kAccMbFirstAccountRow - 1;
        for (int r = kAccMbFirstAccountRow; r <= last; ++r)
            if (!recs[r].KAMOKU.KCODE.empty()) lastRead = r;
        ASSERT_EQ(lastRead, lastDirect);
        ASSERT_GT(lastRead, kAccMbFirstAccountRow);
        std::map<int, std::string> keys; // the read sorted its entries: its key of each row
        for (const auto& s : sorts) keys[s.QINDEX] = s.QKEY;
        for (int r = kAccMbFirstAccountRow; r <= lastRead; ++r) {
            const TBALANCE& x = recs[r];
            const TBALANCE& y = direct[r];
            SCOPED_TRACE(y.KAMOKU.KNAME);
            EXPECT_EQ(x.KAMOKU.KCODE, y.KAMOKU.KCODE);
            EXPECT_EQ(x.KAMOKU.KNAME, y.KAMOKU.KNAME == "資本金" ? "基金" : y.KAMOKU.KNAME);
            EXPECT_EQ(x.KAMOKU.GROUPM1, y.KAMOKU.GROUPM1);
            EXPECT_EQ(x.KAMOKU.GROUPM2, y.KAMOKU.GROUPM2);
            EXPECT_EQ(x.KAMOKU.GROUPR1, y.KAMOKU.GROUPR1);
            EXPECT_EQ(x.KAMOKU.TAISHAKU, y.KAMOKU.TAISHAKU);
            EXPECT_EQ(x.KAMOKU.BSPL, y.KAMOKU.BSPL);
            EXPECT_EQ(x.KAISIZAN, y.KAISIZAN);
            EXPECT_EQ(x.KARI, y.KARI);
            EXPECT_EQ(x.KASI, y.KASI);
            EXPECT_EQ(x.RUIZAN, y.RUIZAN);
            EXPECT_EQ(keys[r], ds[r].QKEY);
            ASSERT_EQ(x.HOJCNT, y.HOJCNT);
            for (int j = 0; j < x.HOJCNT; ++j) {
                EXPECT_EQ(x.HOJUTIWAKE[j].HCODE, y.HOJUTIWAKE[j].HCODE);
                EXPECT_EQ(x.HOJUTIWAKE[j].KAISIZAN, y.HOJUTIWAKE[j].KAISIZAN);
                EXPECT_EQ(x.HOJUTIWAKE[j].RUIZAN, y.HOJUTIWAKE[j].RUIZAN);
            }
        }
        if (c.selection == 4) {
            // both departments' cash in the one cash line; department 03 is not the hospital's
            const int cash = RowOf("K111");
            Currency debit, credit;
            for (int p = 33; p <= 48; ++p) {
                debit += recs[cash].KARI[p];
                credit += recs[cash].KASI[p];
            }
            EXPECT_EQ(debit, Yen(5000000));
            EXPECT_EQ(credit, Yen(1900000));
        }
    }
}

TEST_F(MedicalLedger, DivisionLinesOfFacilitiesThatAreNotThereAreHidden)
{
    Read(5, 0, 0, "G1"); // the hospital and the health-check centre
    EXPECT_FALSE(Shown(26));
    EXPECT_FALSE(Shown(28));
    EXPECT_TRUE(Shown(30) && Shown(31) && Shown(32));
    Read(5, 0, 0, "G2"); // the care home alone: its line, and no total of one line
    EXPECT_TRUE(Shown(28));
    EXPECT_FALSE(Shown(26) || Shown(30) || Shown(31) || Shown(32));
    // codes reach the database as values: a quote names a group that is not there
    ASSERT_NO_THROW(Read(5, 0, 0, "G'2"));
    EXPECT_FALSE(Shown(26) || Shown(28) || Shown(30) || Shown(31) || Shown(32));
    EXPECT_EQ(RowOf("K111"), 0);
}

TEST_F(MedicalLedger, PerPeriodSummaryOfTheYearEnd)
{
    Read(0, 4, 0);
    const std::map<int, std::pair<std::int64_t, std::int64_t>> period16 = {
        // row -> (net change of period 16, running balance at its end)
        {11, {-250000, 10084000}}, {14, {200000, 2900000}}, {19, {-450000, 3484000}}, {20, {-450000, 3484000}},
        {24, {-250000, 10084000}}, {32, {0, 6400000}},      {41, {0, 2557000}},       {42, {0, 3843000}},
        {47, {250000, 250000}},    {48, {-250000, 3684000}}, {49, {-450000, 3484000}}, {53, {-450000, 3484000}},
    };
    for (const auto& [row, f] : period16) {
        EXPECT_EQ(recs[row].ZOUGEN[48], Yen(f.first)) << "row " << row;
        EXPECT_EQ(recs[row].RUIZAN[48], Yen(f.second)) << "row " << row;
    }
    EXPECT_EQ(recs[11].RUIZAN[32], Yen(6700000)); // the opening
    EXPECT_EQ(recs[42].KIKANHI[48], Currency::FromRaw(600000));
}

TEST_F(MedicalLedger, MoreLinesThanTheArraysHoldIsReportedAndFailsTheCall)
{
    std::vector<std::string> shown;
    SetMessageLinesHook([&](const std::string& text, TMessageLinesKind) { shown.push_back(text); });
    std::vector<TBALANCE> small(70); // rows 61 .. 68: room for 8 of the 18 accounts
    std::vector<TQSORT> smallSorts(70);
    EXPECT_THROW(AccZanSisanhyoRead(small, 69, smallSorts, 69, "", "", 0, 0, 0, 0, 0, 0, 0), ESisanhyoCapacity);
    SetMessageLinesHook({});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("上限（8行）"), std::string::npos);
    EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction());
}

TEST_F(MedicalLedger, ProfitLineNamesEndOnlyATransactionTheyStarted)
{
    Read(0, 0, 0);
    DM->IBTransactionDAT.StartTransaction();
    AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
    EXPECT_TRUE(DM->IBTransactionDAT.InTransaction()); // the caller's stays open
    EXPECT_EQ(recs[42].KAMOKU.KNAME, "事業利益");
    DM->IBTransactionDAT.Commit();
    AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
    EXPECT_FALSE(DM->IBTransactionDAT.InTransaction());
}

TEST(MedicalTotalLineName, FollowsTheSignAndTheDivision)
{
    const TMbTotalLineNameLookup names = [](const std::string& code, int) -> std::optional<TTotalLineName> {
        if (code == "6950") return TTotalLineName{"医業利益", "医業損失", 1};
        if (code == "9380") return TTotalLineName{"当期未処分利益", "当期未処理損失", 0};
        return std::nullopt;
    };
    struct Case { std::string code; std::int64_t amount; int division; std::string name; };
    const Case cases[] = {
        {"6950", 1, 1, "医業利益"},  {"6950", -1, 1, "医業損失"},        {"6950", 0, 0, "事業利益"},
        {"6950", -1, 255, "事業損失"}, {"9380", -1, 0, "当期未処分利益"}, {"7300", -1, 0, "既定"},
        {"4180", -1, 0, "既定"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetMbTotalLineName(c.code, "既定", Currency::FromYen(c.amount), c.division, names), c.name)
            << c.code << " " << c.amount << " " << c.division;
}

} // namespace
