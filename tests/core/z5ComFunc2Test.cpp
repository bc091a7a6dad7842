#include "core/z5ComFunc2.h"

#include "platform/Text.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kb;

TEST(MapStringLC, WidthAndVoicedMarksBothWays)
{
    struct Case { std::uint32_t flags; const char* in; const char* want; };
    const Case cases[] = {
        {LCMAP_FULLWIDTH, "ｶﾞｷﾞ", "ガギ"},
        {LCMAP_HALFWIDTH, "ガギ", "ｶﾞｷﾞ"},
        {LCMAP_FULLWIDTH, "ﾊﾟﾋﾟﾌﾞｳﾞﾂﾞ", "パピブヴヅ"},
        {LCMAP_HALFWIDTH, "パピブヴヅ", "ﾊﾟﾋﾟﾌﾞｳﾞﾂﾞ"},
        // A mark that cannot combine stays a mark of its own.
        {LCMAP_FULLWIDTH, "ｱﾞﾏﾟﾞ", "ア゛マ゜゛"},
        {LCMAP_FULLWIDTH, "ｦｧｯｰ｡｢｣､･ﾝ", "ヲァッー。「」、・ン"},
        {LCMAP_HALFWIDTH, "ヲァッー。「」、・ン", "ｦｧｯｰ｡｢｣､･ﾝ"},
        {LCMAP_FULLWIDTH, "Ab1 -~", "Ａｂ１　－～"},
        {LCMAP_HALFWIDTH, "Ａｂ１　－～", "Ab1 -~"},
        // Hiragana and kanji have no half-width form; ヵ and ヮ have none either.
        {LCMAP_HALFWIDTH, "あ漢ヵヮ", "あ漢ヵヮ"},
        {LCMAP_KATAKANA, "がっこう ゝ", "ガッコウ ヽ"},
        {LCMAP_HIRAGANA, "ガッコウヽ", "がっこうゝ"},
        // ヴ has no hiragana that Shift_JIS can hold: it stays.
        {LCMAP_HIRAGANA, "ヴァ", "ヴぁ"},
        // The reading capture: hiragana to half-width katakana.
        {LCMAP_KATAKANA | LCMAP_HALFWIDTH, "やまだ　ぱん", "ﾔﾏﾀﾞ ﾊﾟﾝ"},
        // And the other way, half-width katakana to full-width hiragana.
        {LCMAP_HIRAGANA | LCMAP_FULLWIDTH, "ﾔﾏﾀﾞ ﾊﾟﾝ", "やまだ　ぱん"},
        {0, "ｶﾞ", "ｶﾞ"},
    };
    for (const auto& c : cases) EXPECT_EQ(MapStringLC(c.flags, c.in), c.want) << c.in;
}

TEST(MapStringLC, ResultIsCutAt255Bytes)
{
    // 200 half-width letters become 200 full-width ones, 400 bytes: cut to 127 characters.
    const std::string out = MapStringLC(LCMAP_FULLWIDTH, std::string(200, 'a'));
    EXPECT_EQ(sjis::ByteLength(out), 254u);
    EXPECT_EQ(out.substr(0, 3), "ａ");
    // Invalid UTF-8 comes back as it was.
    const std::string bad = "a\xFF" "b";
    EXPECT_EQ(MapStringLC(LCMAP_FULLWIDTH, bad), bad);
}

TEST(TextHelpers, UpperCaseControlsAndLeadBytes)
{
    EXPECT_EQ(ZenUpperCase("ｂｚａ b カナ漢字Ｂ"), "ＢＺＡ b カナ漢字Ｂ");
    EXPECT_EQ(DelCtrlChars("a\tb\r\nc d"), "abc d");
    EXPECT_TRUE(IsSJISLead(0x81));
    EXPECT_TRUE(IsSJISLead(0x9F));
    EXPECT_TRUE(IsSJISLead(0xE0));
    EXPECT_TRUE(IsSJISLead(0xFC));
    EXPECT_FALSE(IsSJISLead(0x80));
    EXPECT_FALSE(IsSJISLead(0xA0));
    EXPECT_FALSE(IsSJISLead(0xDF));
    EXPECT_FALSE(IsSJISLead(0xFD));
}

TEST(TextHelpers, DelimitedItems)
{
    struct Case { const char* text; const char* delim; int pos; const char* want; };
    const Case cases[] = {
        {"a,,b", ",", 1, "a"}, {"a,,b", ",", 2, ""}, {"a,,b", ",", 3, "b"}, {"a,,b", ",", 4, ""},
        {"a,,b", ",", 0, ""},  {"a,b,", ",", 3, ""}, {"a,b,", ",", 2, "b"}, {"x\r\ny,z", ",", 2, "y"},
        {"x\r\ny,z", ",", 3, "z"}, {"x\ny", ",", 2, "y"}, {"", ",", 1, ""},
        {"123456,1234,1,c:/data/out.xml", ",", 4, "c:/data/out.xml"},
        {"漢字,かな", ",", 2, "かな"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetDelimitedItem(c.text, c.delim, c.pos), c.want) << c.text << " #" << c.pos;
}

TEST(TextHelpers, ValueLine)
{
    const std::string text = "SyoriType=3\r\nJyokenSet=1\r\ndatatype=2\nEmpty=";
    EXPECT_EQ(GetValueLine(text, "DataType"), "datatype=2");
    EXPECT_EQ(GetValueLine(text, "JYOKENSET"), "JyokenSet=1");
    EXPECT_EQ(GetValueLine(text, "Empty"), "Empty=");
    EXPECT_EQ(GetValueLine(text, "Syori"), "");
    EXPECT_EQ(GetValueLine(text, ""), "");
    EXPECT_EQ(GetValueLine("", "SyoriType"), "");
}

TEST(NumberHelpers, FormatAndPad)
{
    EXPECT_EQ(FormatNumber(1234567), "1,234,567");
    EXPECT_EQ(FormatNumber(-1234), "-1,234");
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(999), "999");
    EXPECT_EQ(FormatNumber(-100000), "-100,000");
    EXPECT_EQ(FormatNumber(INT64_MIN), "-9,223,372,036,854,775,808");
    EXPECT_EQ(ZeroPadLeft("123", 5), "00123");
    EXPECT_EQ(ZeroPadLeft("1234567", 5), "34567");
    EXPECT_EQ(ZeroPadLeft("12345", 5), "12345");
    EXPECT_EQ(ZeroPadLeft("", 3), "000");
}

TEST(NumberHelpers, RoundAtDigit)
{
    struct Case { int d; double x; double up; double down; };
    const Case cases[] = {
        {1, 2.3, 3, 2},          {1, 2.0000005, 2, 2},     {2, 1.23, 1.3, 1.2},
        {1, -2.3, -2, -3},       {1, 2.9999995, 3, 3},     {0, 123, 130, 120},
        {1, 0, 0, 0},            {1, -2.0000005, -2, -2},  {3, 1.005, 1.01, 1.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(RoundAtDigit(c.d, c.x), c.up) << c.d << " " << c.x;
        EXPECT_DOUBLE_EQ(RoundAtDigit2(c.d, c.x), c.down) << c.d << " " << c.x;
    }
    EXPECT_DOUBLE_EQ(PowerOf(3, 2), 8);
    EXPECT_DOUBLE_EQ(PowerOf(-1, 10), 0.1);
    EXPECT_DOUBLE_EQ(PowerOf(0, 0), 0);
}

TEST(NumberHelpers, BitFlagsAndLevelNumber)
{
    std::int32_t flags = 0;
    SetBitFlag(flags, 1);
    SetBitFlag(flags, 10);
    SetBitFlag(flags, 24);
    EXPECT_EQ(flags, 0x800201);
    for (int n : {0, 25, -1, 32}) {
        SetBitFlag(flags, n);
        EXPECT_EQ(flags, 0x800201) << n;
    }
    EXPECT_EQ(GetBitFlag(0x200, 10), 1);
    EXPECT_EQ(GetBitFlag(0x200, 9), 0);
    EXPECT_EQ(GetBitFlag(flags, 24), 1);
    EXPECT_EQ(GetBitFlag(-1, 32), 1);
    EXPECT_EQ(GetBitFlag(-1, 0), 0);
    EXPECT_EQ(GetBitFlag(-1, 33), 0);

    // Job level 9 of an ordinary data set and of a medical corporation.
    EXPECT_EQ(MakeLevelNo(0, 9, 1000), 9);
    EXPECT_EQ(MakeLevelNo(1, 9, 1000), 1009);
    std::int16_t level = 0;
    MakeLevelNo(level, 1, 3, 1000);
    EXPECT_EQ(level, 1003);
    // 16 bits: 40000 wraps.
    EXPECT_EQ(MakeLevelNo(40, 0, 1000), static_cast<std::int16_t>(40000 - 65536));
}

TEST(NumberHelpers, ColorToGray)
{
    // $00BBGGRR: red 10, green 20, blue 31 -> mean 20.33 -> 20.
    EXPECT_EQ(ColorToGray(0x1F140A), 0x141414u);
    EXPECT_EQ(ColorToGray(0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(ColorToGray(0), 0u);
    EXPECT_EQ(ColorToGray(0x0000FF), 0x555555u); // 85
    EXPECT_EQ(ColorToGray(0x0101FF), 0x565656u); // 257 / 3 = 85.67 -> 86
    EXPECT_EQ(ColorToGray(0x80000005), 0x808080u); // a system colour
}

TEST(MachineFacts, UserAndWait)
{
    EXPECT_EQ(GetLogonUserName().empty(), false);
    EXPECT_GT(GetOSMajorVersion(), 0);

    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    EXPECT_TRUE(WaitMSec(20));
    EXPECT_TRUE(ran);
}
