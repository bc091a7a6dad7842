#include <gtest/gtest.h>

#include "core/uAccDateCmp.h"
#include "core/z5DateVersion.h"

using kb::Date;

namespace {

class DateTexts : public ::testing::Test {
protected:
    void SetUp() override { kb::InitGengoTable(); }
    void TearDown() override { kb::GengoList.clear(); }
};

TEST_F(DateTexts, SlashPatternsInEraForm)
{
    const Date reiwa1(2019, 5, 1);
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 1, reiwa1, true), "令和 01/05/01");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 2, reiwa1, true), "R 01/05/01");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 0, reiwa1, true), "01/05/01");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 3, reiwa1, true), "R01/05/01");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 9, reiwa1, true), "令和 01/05/01");
    EXPECT_EQ(kb::DateToStrFmtW("yy2/mm/dd", 2, Date(2024, 4, 1), true), "R06/04/01");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/m/d", 2, Date(2024, 4, 1), true), "R  6/ 4/ 1");
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/m/d", 0, Date(2024, 4, 1), true), "6/ 4/ 1");
    EXPECT_EQ(kb::DateToStrFmtW("yy/mm", 1, Date(2019, 4, 30), true), "平成 31/04");
    EXPECT_EQ(kb::DateToStrFmtW("mm/dd", 1, Date(2024, 4, 1), true), "");
}

TEST_F(DateTexts, SlashPatternsInWesternForm)
{
    const Date d(2024, 4, 1);
    struct Case { const char* pattern; const char* text; };
    const Case cases[] = {
        {"yyyy/mm/dd", "2024/04/01"}, {"yy/mm/dd", "24/04/01"}, {"yyyy/m/d", "2024/ 4/ 1"},
        {"yy/m/d", "24/ 4/ 1"}, {"yyyy/m", "2024/ 4"}, {"y/m", "24/ 4"}, {"y", "24"},
        {"yy2/mm/dd", "24/04/01"}, {"mm/dd", "04/01"}, {"yyyy", "2024"},
    };
    for (const auto& c : cases) EXPECT_EQ(kb::DateToStrFmtW(c.pattern, 1, d, false), c.text) << c.pattern;
    EXPECT_EQ(kb::DateToStrFmtW("yyyy/mm/dd", 1, Date(), false), "");
}

TEST_F(DateTexts, KanjiPatterns)
{
    const Date d(2024, 4, 1);
    struct Case { const char* pattern; const char* text; };
    const Case western[] = {
        {"yyyy年m月", "2024年 4月"}, {"yy年m月", "24年 4月"}, {"y年", "2024年"}, {"y", "2024年"},
        {"yyyy年m月d日", "2024年 4月 1日"}, {"yyyy年mm月dd日", "2024年04月01日"},
        {"yyyy年 m月 d日", "2024年 4月 1日"}, {"yy年 m月", "24年 4月"}, {"mm月dd日", "04月01日"},
    };
    for (const auto& c : western) EXPECT_EQ(kb::DateToStrFmtJ(c.pattern, 1, d, false), c.text) << c.pattern;
    const Case era[] = {
        {"yyyy年mm月dd日", "令和 06年04月01日"}, {"yyyy年m月d日", "令和  6年 4月 1日"},
        {"y年", "令和 6年"}, {"yyyy年 m月 d日", "令和  6年 4月 1日"}, {"mm月dd日", ""},
    };
    for (const auto& c : era) EXPECT_EQ(kb::DateToStrFmtJ(c.pattern, 1, d, true), c.text) << c.pattern;
    // Kind 3 keeps its blanks here; kind 0 trims.
    EXPECT_EQ(kb::DateToStrFmtJ("yyyy年mm月dd日", 3, d, true), "R 06年04月01日");
    EXPECT_EQ(kb::DateToStrFmtJ("yyyy年mm月dd日", 0, d, true), "06年04月01日");
}

TEST_F(DateTexts, PeriodText)
{
    EXPECT_EQ(kb::KikanToStr(Date(2024, 4, 1), Date(2025, 3, 31), false), "2024/04/01 ～ 2025/03/31");
    EXPECT_EQ(kb::KikanToStr(Date(2019, 4, 1), Date(2020, 3, 31), true), "H 31/04/01 ～ R 02/03/31");
}

TEST(DateParse, FixedFormatsOnly)
{
    EXPECT_EQ(kb::StrToDateTimeSafe("2019/10/01").GetDate(), Date(2019, 10, 1));
    const auto dt = kb::StrToDateTimeSafe("2019/10/01 13:45:07");
    EXPECT_EQ(dt.GetDate(), Date(2019, 10, 1));
    EXPECT_EQ(dt.Hour(), 13);
    EXPECT_EQ(dt.Minute(), 45);
    EXPECT_EQ(dt.Second(), 7);
    EXPECT_EQ(kb::StrToDateTimeSafe("2019/10/01 09:30").Minute(), 30);
    for (const char* bad : {"2019-10-01", "", "2019/02/30", "2019/10", "2019/10/01 25:00", "abc", "2019/10/01 12"})
        EXPECT_TRUE(kb::StrToDateTimeSafe(bad).IsNull()) << bad;
}

TEST(DateParse, FormatterLetters)
{
    const kb::DateTime dt(Date(2024, 4, 1), 9, 5, 3);
    EXPECT_EQ(kb::FormatDatePattern("yyyy/mm/dd hh:nn", dt), "2024/04/01 09:05");
    EXPECT_EQ(kb::FormatDatePattern("hh:mm:ss", dt), "09:05:03"); // m after h is minutes
    EXPECT_EQ(kb::FormatDatePattern("yyyy/M/d", dt), "2024/4/1");
    EXPECT_EQ(kb::FormatDatePattern("'y'yy", dt), "y24");
}

TEST(Versions, Parse)
{
    struct Case { const char* text; int major, minor1, minor2, build; };
    const Case cases[] = {
        {"15.1", 15, 1, 0, 0}, {"a.2.3", 0, 2, 3, 0}, {"", 0, 0, 0, 0}, {"11.1.0.2", 11, 1, 0, 2},
        {"15.0.0.9.7", 15, 0, 0, 9}, {"1..3", 1, 0, 3, 0}, {"12", 12, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto r = kb::StrToVersionRec(c.text);
        EXPECT_EQ(r.Major, c.major) << c.text;
        EXPECT_EQ(r.Minor1, c.minor1) << c.text;
        EXPECT_EQ(r.Minor2, c.minor2) << c.text;
        EXPECT_EQ(r.Build, c.build) << c.text;
        EXPECT_EQ(r.VersionText, c.text);
    }
}

TEST(Versions, Compare)
{
    struct Case { const char* a; const char* b; bool newer; bool atLeast; };
    const Case cases[] = {
        {"11.1.0", "11.1.0", false, true},
        {"11.0.9", "11.1.0", false, false},
        {"15.0.0.9", "15.0.0.10", false, true}, // the build takes no part
        {"12", "11.9.9", true, true},
        {"14.100.0", "15.0.0", false, false},
        {"14.300.0", "15.0.0", false, false},   // a large minor never spills into the major
        {"1.256.0", "2.0.0", false, false},
        {"15.0.1", "15.0.0", true, true},
        {"15.0.0", "14.9.0", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kb::IsVersionNewer(c.a, c.b), c.newer) << c.a << " vs " << c.b;
        EXPECT_EQ(kb::IsVersionAtLeast(c.a, c.b), c.atLeast) << c.a << " vs " << c.b;
    }
    EXPECT_TRUE(kb::IsVersionRecOlder(kb::StrToVersionRec("14.9.0"), kb::StrToVersionRec("15.0.0")));
}

} // namespace
