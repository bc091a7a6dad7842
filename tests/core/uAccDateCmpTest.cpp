#include <gtest/gtest.h>

#include "core/uAccDateCmp.h"

using kb::Date;

namespace {

Date D(int y, int m, int d) { return Date(y, m, d); }

TEST(FiscalPeriods, MonthAndPeriodNumbers)
{
    const int months[][2] = {{0, 1}, {2, 3}, {3, 5}, {5, 7}, {6, 9}, {8, 11}, {9, 13}, {11, 15}, {12, -1}, {-1, -1}};
    for (auto [m, k] : months) EXPECT_EQ(kb::MonthToKikanNo(m), k) << m;
    const int idx[][2] = {{1, 0}, {3, 2}, {4, 4}, {6, 6}, {7, 8}, {9, 10}, {10, 12}, {12, 14}, {0, 0}, {13, 0}};
    for (auto [n, i] : idx) EXPECT_EQ(kb::KikanNoToMonthIdx(n), i) << n;
}

TEST(FiscalPeriods, IncMonthClampAndLeapYears)
{
    EXPECT_EQ(kb::IncMonthClamp(1, D(2024, 1, 31)), D(2024, 2, 29));
    EXPECT_EQ(kb::IncMonthClamp(1, D(2023, 1, 31)), D(2023, 2, 28));
    EXPECT_EQ(kb::IncMonthClamp(-1, D(2024, 3, 31)), D(2024, 2, 29));
    EXPECT_EQ(kb::IncMonthClamp(1, D(2024, 3, 31)), D(2024, 4, 30));
    EXPECT_EQ(kb::IncMonthClamp(-2, D(2024, 2, 15)), D(2023, 12, 15));
    EXPECT_EQ(kb::IncMonthClamp(11, D(2024, 1, 15)), D(2024, 12, 15));
    EXPECT_EQ(kb::IncMonthClamp(-12, D(2024, 2, 29)), D(2023, 2, 28));
    EXPECT_TRUE(kb::IsLeapYearSafe(2000));
    EXPECT_FALSE(kb::IsLeapYearSafe(1900));
    EXPECT_TRUE(kb::IsLeapYearSafe(2024));
    EXPECT_EQ(kb::IncDate(-1, D(2024, 3, 1)), D(2024, 2, 29));
}

TEST(FiscalPeriods, ClosingDates)
{
    EXPECT_EQ(kb::GetSimeDate(0, 20, D(2024, 3, 21)), D(2024, 4, 20));
    EXPECT_EQ(kb::GetSimeDate(0, 20, D(2024, 3, 20)), D(2024, 3, 20));
    EXPECT_EQ(kb::GetSimeDate(0, 99, D(2024, 2, 10)), D(2024, 2, 29));
    EXPECT_EQ(kb::GetSimeDate(0, 99, D(2023, 2, 10)), D(2023, 2, 28));
    EXPECT_EQ(kb::GetSimeDate(1, 28, D(2024, 1, 31)), D(2024, 3, 28));
    for (int sime : {0, 29, 31, -5}) EXPECT_EQ(kb::GetSimeDate(0, sime, D(2024, 3, 21)), D(2024, 3, 21)) << sime;
}

// A year whose first fiscal month closes on 20 April: 2024-03-21 .. 2025-03-20.
TEST(FiscalPeriods, AprilYearClosingOnThe20th)
{
    const Date start = D(2024, 3, 21), end = D(2025, 3, 20);
    struct Case { Date d; int ordinary; int settlement; };
    const Case cases[] = {
        {D(2024, 3, 21), 1, 1},
        {D(2024, 4, 20), 1, 1},
        {D(2024, 4, 21), 2, 2},
        {D(2024, 6, 20), 3, 4},    // last month of the first quarter
        {D(2024, 6, 21), 5, 5},    // July's month: no settlement period of its own
        {D(2024, 9, 20), 7, 8},
        {D(2024, 10, 1), 9, 9},
        {D(2024, 12, 20), 11, 12},
        {D(2024, 12, 21), 13, 13},
        {D(2025, 3, 10), 15, 16},
        {D(2025, 3, 20), 15, 16},  // the year end itself
        {D(2025, 3, 21), 15, 16},  // after the year end: counts in the last month
        {D(2024, 3, 20), -1, -1},  // before the start
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kb::GetKikanNo(20, 0, start, end, c.d), c.ordinary) << c.d.ToString();
        EXPECT_EQ(kb::GetKikanNo(20, 1, start, end, c.d), c.settlement) << c.d.ToString();
    }
    EXPECT_EQ(kb::GetMonthCount(20, start, end), 11);
    EXPECT_EQ(kb::GetMonthNo(20, start, D(2024, 5, 1)), 2);
    EXPECT_EQ(kb::GetMonthNo(20, start, D(2025, 3, 21)), -1);
    EXPECT_EQ(kb::GetKikanNo(20, 0, start, end, Date()), -1);
    EXPECT_EQ(kb::GetMonthNo(20, start, Date()), -1);
    // Any flag other than 1 counts as an ordinary entry.
    EXPECT_EQ(kb::GetKikanNo(20, 2, start, end, D(2024, 6, 20)), 3);
}

TEST(FiscalPeriods, CalendarYearMonthEnd)
{
    const Date start = D(2024, 4, 1), end = D(2025, 3, 31);
    EXPECT_EQ(kb::GetKikanNo(99, 0, start, end, D(2024, 6, 15)), 3);
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, end, D(2024, 6, 15)), 4);
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, end, D(2024, 7, 15)), 5);
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, end, D(2025, 3, 31)), 16);
    EXPECT_EQ(kb::GetKikanNo(99, 0, start, end, D(2025, 4, 15)), 15);
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, end, D(2025, 4, 15)), 16);
    EXPECT_EQ(kb::GetKikanNo(99, 0, start, end, D(2024, 3, 15)), -1);
    EXPECT_EQ(kb::GetMonthNo(99, start, D(2025, 3, 5)), 12);
    EXPECT_EQ(kb::GetMonthNo(99, start, D(2025, 4, 1)), -1);
    // A short year of six months: the year end is period 16, a settlement in its month otherwise 8.
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, D(2024, 9, 30), D(2024, 9, 30)), 16);
    EXPECT_EQ(kb::GetKikanNo(99, 1, start, D(2024, 9, 30), D(2024, 9, 10)), 8);
}

class Eras : public ::testing::Test {
protected:
    void SetUp() override { kb::InitGengoTable(); }
    void TearDown() override { kb::GengoList.clear(); }
};

TEST_F(Eras, BuiltInTable)
{
    ASSERT_EQ(kb::GengoList.size(), 5u);
    EXPECT_EQ(kb::GengoList[0].Name, "令和");
    EXPECT_EQ(kb::GengoList[0].StartDate, D(2019, 5, 1));
    EXPECT_EQ(kb::GengoList[4].Sign, "M");
    EXPECT_EQ(kb::GengoList[4].StartYear, 1868);
}

TEST_F(Eras, WesternToEra)
{
    struct Case { Date d; const char* name; const char* sign; int year; };
    const Case cases[] = {
        {D(2019, 4, 30), "平成", "H", 31},
        {D(2019, 5, 1), "令和", "R", 1},
        {D(1989, 1, 7), "昭和", "S", 64},
        {D(1989, 1, 8), "平成", "H", 1},
        {D(1900, 1, 1), "明治", "M", 33},
        {D(1899, 12, 30), "", "", 1899},
        {D(1868, 1, 1), "", "", 1868},
    };
    for (const auto& c : cases) {
        kb::TWarekiRec w;
        kb::DateToWareki(c.d, w);
        EXPECT_EQ(w.Name, c.name) << c.d.ToString();
        EXPECT_EQ(w.Sign, c.sign) << c.d.ToString();
        EXPECT_EQ(w.Year, c.year) << c.d.ToString();
        EXPECT_EQ(w.Month, c.d.Month());
        EXPECT_EQ(w.Day, c.d.Day());
    }
    // Before the list is loaded only western years come out.
    kb::GengoList.clear();
    kb::TWarekiRec w;
    kb::DateToWareki(D(2019, 5, 1), w);
    EXPECT_EQ(w.Name, "");
    EXPECT_EQ(w.Year, 2019);
}

TEST_F(Eras, EraToWestern)
{
    auto W = [](const char* name, const char* sign, int y, int m, int d) {
        kb::TWarekiRec w;
        w.Name = name;
        w.Sign = sign;
        w.Year = static_cast<short>(y);
        w.Month = static_cast<short>(m);
        w.Day = static_cast<short>(d);
        return kb::WarekiToDate(w);
    };
    EXPECT_EQ(W("令和", "", 1, 5, 1), D(2019, 5, 1));
    EXPECT_EQ(W("", "H", 31, 4, 30), D(2019, 4, 30));
    EXPECT_EQ(W("平成", "H", 40, 1, 1), D(2028, 1, 1)); // past the era's end is accepted
    EXPECT_TRUE(W("天平", "X", 1, 1, 1).IsNull());
    EXPECT_TRUE(W("平成", "H", 31, 2, 30).IsNull());
    EXPECT_TRUE(W("平成", "H", 0, 1, 1).IsNull());
    EXPECT_TRUE(W("", "", 5, 1, 1).IsNull());
    EXPECT_TRUE(W("令和", "R", 1, 13, 1).IsNull());
}

} // namespace
