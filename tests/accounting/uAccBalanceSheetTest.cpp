// The range figures and statement summaries on records filled by hand: period ranges by
// selector, the classification into summary lines, the individual's balancing line, profit-line
// names by sign, sub-account shares, ratios and the opening at the fiscal-year start.

#include "accounting/uAccBalanceSheet.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"
#include "core/z5ComFunc.h"

#include <gtest/gtest.h>

#include <map>

using namespace kb;

namespace {

Currency Yen(std::int64_t y) { return Currency::FromYen(y); }

class Summary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetAccZanTables();
        AccZanSetTables(false);
        AccInf.DATATYPE = 2;
        AccInf.KAISINO = 1;
        last = AccZanPrepareArrays(recs, sorts);
        for (auto [row, code] : std::map<int, std::string>{{11, "1900"}, {15, "2800"}, {23, "3480"}, {27, "3900"}, {28, "4800"},
                                                          {36, "5900"}, {38, "6200"}, {41, "7300"}, {44, "8290"}, {45, "8400"}})
            recs[row].KAMOKU.GROUPM1 = recs[row].KAMOKU.GROUPM2 = code;
        names = [this](const std::string& code) -> std::optional<TTotalLineName> {
            const auto it = table.find(code);
            if (it == table.end()) return std::nullopt;
            return it->second;
        };
    }
    void TearDown() override
    {
        SetMessageLinesHook({});
        ResetAccRecord();
    }

    // An account line at row r.
    TBALANCE& Line(int r, const std::string& group, int side, std::int64_t opening)
    {
        TBALANCE& b = recs[static_cast<std::size_t>(r)];
        b.KAMOKU.GROUPM1 = b.KAMOKU.GROUPM2 = group;
        b.KAMOKU.KCODE = "K" + std::to_string(r);
        b.KAMOKU.TAISHAKU = side;
        b.KAMOKU.BSPL = group < "4000" ? "B" : "P";
        b.KAISIZAN = Yen(opening);
        return b;
    }
    void Calc(int selector = -1, int first = 1, int lastPeriod = 16, int openingZero = 0)
    {
        pcBalanceSheet_Calcu(recs, last, openingZero, selector, first, lastPeriod, names);
    }

    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
    std::map<std::string, TTotalLineName> table;
    TTotalLineNameLookup names;
};

TEST_F(Summary, SelectorsChooseTheRange)
{
    struct Case { int selector, first, lastPeriod; std::int64_t debit, opening; };
    // period p carries a debit of p x 100; the line opens at 10,000
    const Case cases[] = {
        {3, 1, 16, (9 + 10 + 11 + 12) * 100, 10000 + (1 + 2 + 3 + 4 + 5 + 6 + 7 + 8) * 100},
        {6, 2, 3, (9 + 10 + 11 + 12 + 13 + 14 + 15 + 16) * 100, 10000 + 3600},
        {1, 9, 9, (1 + 2 + 3 + 4) * 100, 10000},
        {5, 0, 0, (1 + 2 + 3 + 4 + 5 + 6 + 7 + 8) * 100, 10000},
        {-1, 5, 7, (5 + 6 + 7) * 100, 10000 + 1000},
        {7, 2, 3, (2 + 3) * 100, 10000 + 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        TBALANCE& b = Line(51, "1130", 1, 10000);
        for (int p = 1; p <= 16; ++p) b.KARI[32 + p] = Yen(p * 100);
        Calc(c.selector, c.first, c.lastPeriod);
        EXPECT_EQ(b.KARIKATA, Yen(c.debit));
        EXPECT_EQ(b.ZENZAN, Yen(c.opening));
        EXPECT_EQ(b.TOUZAN, Yen(c.opening + c.debit));
    }
}

TEST_F(Summary, OpeningZeroLeavesTheRangeMovementAlone)
{
    TBALANCE& b = Line(51, "1130", 1, 5000);
    b.KARI[33] = Yen(300);
    b.KASI[34] = Yen(100);
    Calc(-1, 2, 16, 1);
    EXPECT_EQ(b.ZENZAN, Currency());
    EXPECT_EQ(b.TOUZAN, Yen(-100));
}

TEST_F(Summary, AccountLinesGoIntoTheSummaryLineWhoseBoundsEncloseTheirGroup)
{
    Line(51, "1200", 1, 100); // 1180 < 1200 < 1280: row 3
    Line(52, "1180", 1, 100); // a bound itself: nowhere
    Line(53, "5820", 1, 0);   // row 34
    Line(54, "5850", 1, 0);   // row 36
    Line(55, "2100", 2, 40);  // side 2 subtracts
    Calc();
    EXPECT_EQ(recs[3].GOUKEISU, 1);
    EXPECT_EQ(recs[34].GOUKEISU, 1);
    EXPECT_EQ(recs[36].GOUKEISU, 1);
    EXPECT_EQ(recs[12].GOUKEISU, 1);
    EXPECT_EQ(recs[12].TOUZAN, Yen(-40));
    int total = 0;
    for (int r = 0; r <= 50; ++r) total += recs[r].GOUKEISU;
    EXPECT_EQ(total, 4);
    EXPECT_EQ(recs[11].TOUZAN, Yen(100)); // through rows 3 -> 5 -> 11
}

TEST_F(Summary, IndividualLossBalancesAndTakesTheLossNames)
{
    table["5900"] = {"売上総利益", "売上総損失", 1};
    table["6200"] = {"営業利益", "営業損失", 1};
    table["8400"] = {"青色申告特別控除前所得", "青色申告特別控除前所得", 0};
    TBALANCE& cash = Line(51, "1100", 1, 1000);
    Line(52, "2100", 3, 1000);
    TBALANCE& sales = Line(53, "4100", 3, 0);
    TBALANCE& cost = Line(54, "6100", 1, 0);
    sales.KASI[33] = Yen(500);
    cash.KARI[33] = Yen(500);
    cost.KARI[34] = Yen(800);
    cash.KASI[34] = Yen(800);
    Calc();
    EXPECT_EQ(recs[11].TOUZAN, Yen(700));
    EXPECT_EQ(recs[15].TOUZAN, Yen(1000));
    EXPECT_EQ(recs[23].TOUZAN, Yen(-300)); // the balance-sheet difference lands in row 23
    EXPECT_EQ(recs[27].TOUZAN, recs[11].TOUZAN);
    EXPECT_EQ(recs[36].TOUZAN, Yen(500));
    EXPECT_EQ(recs[36].KAMOKU.KNAME, "売上総利益");
    EXPECT_EQ(recs[38].TOUZAN, Yen(-300));
    EXPECT_EQ(recs[38].KAMOKU.KNAME, "営業損失");
    EXPECT_EQ(recs[38].KASIKATA, Yen(-300));
    EXPECT_EQ(recs[45].TOUZAN, Yen(-300));
    EXPECT_EQ(recs[45].KAMOKU.KNAME, "青色申告特別控除前所得");
    EXPECT_EQ(recs[44].KAMOKU.KNAME, ""); // no ACCTOTALNAME row: the name stays

    SystemDef.KingakuPlus = 1;
    Calc();
    EXPECT_EQ(recs[38].KAMOKU.KNAME, "営業損失金額");
    EXPECT_EQ(recs[36].KAMOKU.KNAME, "売上総利益金額");
}

TEST_F(Summary, CorporateDifferenceGoesToTheRetainedEarningsLine)
{
    AccInf.DATATYPE = 1;
    TBALANCE& cash = Line(51, "1130", 1, 1000);
    Line(52, "3110", 3, 1000);                  // capital: row 16
    TBALANCE& carried = Line(53, "3340", 3, 0); // retained earnings carried forward: the balancing line
    TBALANCE& sales = Line(54, "4100", 3, 0);
    cash.KARI[35] = Yen(500);
    sales.KASI[35] = Yen(500);
    Calc();
    EXPECT_EQ(carried.TOUZAN, Yen(500));
    EXPECT_EQ(carried.ZENZAN, Currency());
    EXPECT_EQ(carried.KASIKATA, Yen(500));
    EXPECT_EQ(recs[21].TOUZAN, Yen(500));
    EXPECT_EQ(recs[22].TOUZAN, Yen(500));
    EXPECT_EQ(recs[23].TOUZAN, Yen(1500)); // shareholders' equity: capital and retained earnings
    EXPECT_EQ(recs[26].TOUZAN, Yen(1500));
    EXPECT_EQ(recs[27].TOUZAN, recs[11].TOUZAN);
    EXPECT_EQ(recs[45].TOUZAN, Yen(500));
}

TEST_F(Summary, SubAccountsShareTheirAccountsBalance)
{
    TBALANCE& b = Line(51, "1130", 1, 3000);
    b.HOJUTIWAKE.resize(2);
    b.HOJCNT = 2;
    b.HOJUTIWAKE[0].KAISIZAN = Yen(1000);
    b.HOJUTIWAKE[1].KAISIZAN = Yen(2500);
    b.HOJUTIWAKE[1].KASI[2] = Yen(500);
    b.KASI[34] = Yen(500);
    Calc(-1, 1, 16);
    EXPECT_EQ(b.TOUZAN, Yen(2500));
    EXPECT_EQ(b.HOJUTIWAKE[1].TOUZAN, Yen(2000));
    EXPECT_EQ(b.HOJUTIWAKE[0].KOUSEIHI, Currency::FromRaw(400000)); // 40.0
    EXPECT_EQ(b.HOJUTIWAKE[1].KOUSEIHI, Currency::FromRaw(800000)); // 80.0
    Calc(-1, 3, 16); // the range opens after period 2
    EXPECT_EQ(b.HOJUTIWAKE[1].ZENZAN, Yen(2000));
}

TEST_F(Summary, RatiosFollowTheirBaseAndStayZeroOnAZeroBase)
{
    Line(51, "1130", 1, 250);
    Line(52, "1600", 1, 750);
    Line(53, "4100", 3, 0); // sales of 0: the profit-and-loss base is zero
    Calc();
    EXPECT_EQ(recs[51].KOUSEIHI, Currency::FromRaw(250000)); // 25.0
    EXPECT_EQ(recs[11].KOUSEIHI, Yen(100));
    EXPECT_EQ(recs[53].KOUSEIHI, Currency());
    EXPECT_EQ(recs[28].KOUSEIHI, Yen(100));
}

TEST_F(Summary, LaterStartMonthOpensTheBalanceSheetAtTheFiscalYearStart)
{
    AccInf.KAISINO = 4;
    auto withKishu = [&](int r, const std::string& group, int sub, int side, std::int64_t kishu0) {
        TBALANCE& b = Line(r, group, side, 0);
        b.SUBREC = sub;
        b.KISHU0 = Yen(kishu0);
    };
    withKishu(51, "1100", 1, 1, 500);  // cash
    withKishu(52, "1100", 24, 1, 100); // owner's drawings
    withKishu(53, "2100", 22, 3, 50);  // owner's borrowings
    withKishu(54, "2100", 23, 3, 300); // capital
    Calc(-1, 1, 16);
    EXPECT_EQ(recs[11].ZENZAN, Yen(600));
    EXPECT_EQ(recs[51].ZENZAN, Yen(500));
    // capital := borrowings - drawings + capital + (assets - liabilities)
    EXPECT_EQ(recs[54].ZENZAN, Yen(50 - 100 + 300 + (600 - 350)));
    EXPECT_EQ(recs[52].ZENZAN, Currency());
    EXPECT_EQ(recs[53].ZENZAN, Currency());
    // selector 3 leaves the openings as the periods give them
    AccInf.KAISINO = 4;
    Calc(3, 1, 16);
    EXPECT_EQ(recs[52].ZENZAN, Currency());
    EXPECT_EQ(recs[11].ZENZAN, Currency());
}

TEST_F(Summary, RangeOutsideThePeriodArraysIsRefusedAndAnEarlyFirstPeriodIsShown)
{
    std::vector<std::string> shown;
    SetMessageLinesHook([&](const std::string& text, TMessageLinesKind) { shown.push_back(text); });
    TBALANCE& b = Line(51, "1130", 1, 10);
    b.TOUZAN = Yen(77);
    EXPECT_THROW(Calc(0, -40, 16), std::out_of_range);
    EXPECT_THROW(Calc(0, 1, 20), std::out_of_range);
    EXPECT_EQ(b.TOUZAN, Yen(77)); // untouched
    shown.clear();
    Calc(0, 0, 16);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("期間番号は「1～16」です。 [0-16]"), std::string::npos);
    EXPECT_EQ(b.TOUZAN, Yen(10));
}

} // namespace
