#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace kb;

TEST(Text, Cp932RoundTripKeepsWindowsExtensions)
{
    const std::string s = "①㈱～ｱｶﾞ漢字ABC";
    const std::string b = Utf8ToCp932(s);
    EXPECT_EQ(b.substr(0, 6), std::string("\x87\x40\x87\x8A\x81\x60", 6)); // not the JIS forms
    EXPECT_EQ(Cp932ToUtf8(b), s);
}

TEST(Text, UnmappableBecomesQuestionMarkAndInvalidUtf8Throws)
{
    EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
    EXPECT_THROW(Utf8ToCp932("a\xC3"), TextError);
}

TEST(Sjis, WidthsCutAndPad)
{
    struct Case { std::string in; std::size_t width; std::string cut; };
    const Case cases[] = {
        {"あいう", 3, "あ"}, {"あいう", 4, "あい"}, {"aあ", 2, "a"}, {"ｱｲｳ", 2, "ｱｲ"}, {"", 5, ""}, {"abc", 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sjis::Cut(c.in, c.width), c.cut) << c.in << " @" << c.width;
        EXPECT_EQ(sjis::Cut(c.in, c.width) + sjis::After(c.in, c.width), c.in);
    }
    EXPECT_EQ(sjis::ByteLength("aあｱ①"), 6u);
    EXPECT_EQ(sjis::PadRight("あいう", 5), "あい ");
    EXPECT_EQ(sjis::PadLeft("1", 3), "  1");
}

TEST(Sjis, CompareIsByteWiseOnCp932)
{
    // "①" is 0x8740 and sorts after "あ" (0x82A0) in CP932, unlike Unicode order (U+2460 < U+3042).
    EXPECT_GT(sjis::Compare("①", "あ"), 0);
    EXPECT_GT(sjis::Compare("ｱ", "あ"), 0);
    EXPECT_EQ(sjis::Compare("①", "①"), 0);
    EXPECT_GT(sjis::Compare("b", "a"), 0);
}

TEST(Sjis, LeadByteFromTheStart)
{
    // "ソ" is 0x83 0x5C: the trail byte is "\" and must not be taken for a character.
    const std::string b = Utf8ToCp932("aソ\\");
    EXPECT_FALSE(sjis::IsLeadByte(b, 0));
    EXPECT_TRUE(sjis::IsLeadByte(b, 1));
    EXPECT_FALSE(sjis::IsLeadByte(b, 2));
    EXPECT_FALSE(sjis::IsLeadByte(b, 3));
    // "ア" is 0x83 0x41; a following 0x83 byte after the pair is a new lead byte.
    const std::string c = Utf8ToCp932("アア");
    EXPECT_TRUE(sjis::IsLeadByte(c, 2));
    EXPECT_FALSE(sjis::IsLeadByte(c, 3));
}
