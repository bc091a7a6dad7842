#include "platform/Currency.h"
#include "platform/Date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

using namespace kb;

TEST(Currency, RoundingModesOnBothSigns)
{
    struct Case { std::int64_t num, den; RoundMode mode; std::int64_t want; };
    const Case cases[] = {
        {25, 10, RoundMode::TowardZero, 2},        {-25, 10, RoundMode::TowardZero, -2},
        {21, 10, RoundMode::AwayFromZero, 3},      {-21, 10, RoundMode::AwayFromZero, -3},
        {25, 10, RoundMode::HalfAwayFromZero, 3},  {-25, 10, RoundMode::HalfAwayFromZero, -3},
        {24, 10, RoundMode::HalfAwayFromZero, 2},  {25, 10, RoundMode::HalfEven, 2},
        {35, 10, RoundMode::HalfEven, 4},          {-35, 10, RoundMode::HalfEven, -4},
        {-21, 10, RoundMode::Floor, -3},           {-29, 10, RoundMode::Ceiling, -2},
        {20, 10, RoundMode::AwayFromZero, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(DivRound(c.num, c.den, c.mode), c.want) << c.num << "/" << c.den;
}

TEST(Currency, ExactArithmeticParseAndText)
{
    // 10,800 yen including 8 %: tax = 10800 * 8 / 108 = 800 exactly.
    EXPECT_EQ(Currency::FromYen(10800).MulDiv(8, 108, RoundMode::TowardZero), Currency::FromYen(800));
    EXPECT_EQ(Currency::Parse("1,234.5")->Raw(), 12345000);
    EXPECT_EQ(Currency::Parse("-0.0001")->Raw(), -1);
    EXPECT_FALSE(Currency::Parse("1.23456"));
    EXPECT_FALSE(Currency::Parse("abc"));
    EXPECT_EQ(Currency::FromRaw(-12345000).ToString(), "-1234.5");
    EXPECT_EQ(Currency::FromRaw(15000).ToYen(RoundMode::HalfAwayFromZero), 2);
    EXPECT_EQ(Currency::FromYen(3).Mul(Currency::Parse("0.5").value()), Currency::Parse("1.5").value());
    // 0.1 + 0.2 is exactly 0.3 here, unlike doubles.
    EXPECT_EQ(*Currency::Parse("0.1") + *Currency::Parse("0.2"), *Currency::Parse("0.3"));
}

TEST(Date, CalendarRules)
{
    EXPECT_FALSE(Date::IsValid(2023, 2, 29));
    EXPECT_TRUE(Date::IsValid(2024, 2, 29));
    EXPECT_EQ(Date(2024, 1, 31).AddMonths(1), Date(2024, 2, 29));
    EXPECT_EQ(Date(2024, 3, 31).AddMonths(-13), Date(2023, 2, 28));
    EXPECT_EQ(Date(1899, 12, 30).Serial(), 0);
    EXPECT_EQ(Date(2000, 1, 1).Serial(), 36526);
    EXPECT_EQ(Date::FromSerial(36526), Date(2000, 1, 1));
    EXPECT_EQ(Date(2024, 4, 1).DayOfWeek(), 2); // Monday
    EXPECT_EQ(Date::Parse("2024/4/1")->ToString(), "2024/04/01");
    EXPECT_FALSE(Date::Parse("2024/02/30"));
    EXPECT_TRUE(Date().IsNull());
    EXPECT_LT(Date(), Date(1900, 1, 1));
    EXPECT_EQ(DateTime::Parse("2024/04/01 09:05")->ToString(), "2024/04/01 09:05:00");
}

// Past the 64-bit range nothing wraps: Parse refuses, the products and conversions throw.
TEST(Currency, ValuesPastTheRangeAreRefusedNotWrapped)
{
    using kb::Currency;
    using kb::RoundMode;
    // The range is -922337203685477.5808 .. 922337203685477.5807.
    EXPECT_EQ(Currency::Parse("922337203685477.5807")->Raw(), INT64_MAX);
    EXPECT_EQ(Currency::Parse("-922337203685477.5808")->Raw(), INT64_MIN);
    for (const char* text : {"922337203685477.5808", "922337203685477.9999", "-922337203685477.5809", "9223372036854775807"})
        EXPECT_FALSE(Currency::Parse(text).has_value()) << text;

    const Currency big = Currency::FromYen(900000000000000);
    EXPECT_THROW(big.Mul(Currency::FromYen(2)), std::overflow_error);
    EXPECT_THROW(big.MulDiv(3, 2, RoundMode::HalfEven), std::overflow_error);
    EXPECT_THROW(Currency::FromDouble(1e15), std::overflow_error);
    EXPECT_THROW(Currency::FromDouble(std::nan("")), std::overflow_error);
    EXPECT_EQ(big.MulDiv(2, 3, RoundMode::HalfEven), Currency::FromYen(600000000000000));  // a large product that fits back
    EXPECT_EQ(Currency::FromDouble(-1e14).ToYen(), -100000000000000);
}
