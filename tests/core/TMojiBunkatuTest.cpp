#include <gtest/gtest.h>

#include <stdexcept>

#include "core/TMojiBunkatu.h"
#include "platform/Text.h"

namespace {

using Items = std::vector<std::string>;

Items Split(const std::string& text, unsigned char mode = 0, char delimiter = ',')
{
    kb::TMojiBunkatu b;
    b.Mode = mode;
    b.Delimiter = delimiter;
    b.Bunkatu(text);
    EXPECT_EQ(b.Count, static_cast<int>(b.Items.size()));
    return b.Items;
}

TEST(MojiBunkatu, Delimited)
{
    for (unsigned char mode : {0, 1}) {
        EXPECT_EQ(Split("a,,b", mode), (Items{"a", "", "b"})) << int(mode);
        EXPECT_EQ(Split("a,", mode), (Items{"a", ""})) << int(mode);
        EXPECT_EQ(Split("\"x,y\",z", mode), (Items{"x,y", "z"})) << int(mode);
        EXPECT_EQ(Split("", mode), (Items{""})) << int(mode);
        EXPECT_EQ(Split("   ", mode), (Items{""})) << int(mode);
        EXPECT_EQ(Split("15.0.1", mode, '.'), (Items{"15", "0", "1"})) << int(mode);
    }
    EXPECT_EQ(Split("x y,z", 0), (Items{"x", "y", "z"}));
    EXPECT_EQ(Split("x y,z", 1), (Items{"x y", "z"}));
    EXPECT_EQ(Split(" 山田 太郎 , 東京", 1), (Items{"山田 太郎", "東京"}));
    EXPECT_EQ(Split("SyoriType=3", 0, '='), (Items{"SyoriType", "3"}));
}

TEST(MojiBunkatu, GetMojiOutsideTheItems)
{
    kb::TMojiBunkatu b;
    b.Bunkatu("");
    EXPECT_EQ(b.Count, 1);
    EXPECT_EQ(b.GetMoji(0), "");
    EXPECT_EQ(b.GetMoji(1), "");
    EXPECT_EQ(b.GetMoji(-1), "");
    b.Bunkatu("a,b");
    EXPECT_EQ(b.GetMoji(1), "b");
    b.Clear();
    EXPECT_EQ(b.Count, 0);
    EXPECT_EQ(b.GetMoji(0), "");
}

TEST(MojiBunkatu, FixedWidthNeverEndsOnALeadByte)
{
    kb::TMojiBunkatu b;
    // The 22nd byte opens "漢": the first piece is 21 bytes, the second starts with that character.
    const std::string text = std::string(21, 'a') + "漢字ab";
    b.BunkatuByLength(text, 22);
    ASSERT_EQ(b.Count, 2);
    EXPECT_EQ(b.GetMoji(0), std::string(21, 'a'));
    EXPECT_EQ(b.GetMoji(1), "漢字ab");

    b.BunkatuByLength("漢字", 2);
    EXPECT_EQ(b.Items, (Items{"漢", "字"}));
    b.BunkatuByLength("ab漢c", 3);
    EXPECT_EQ(b.Items, (Items{"ab", "漢c"}));
    b.BunkatuByLength("", 24);
    EXPECT_EQ(b.Items, (Items{""}));

    // Mixed widths at every width: pieces fit, never split a character, and join back to the text.
    const std::string mixed = "ｱｲｳ山田太郎abc①②Ｘ 東京都千代田区1-2-3ﾃｽﾄ";
    for (int n = 2; n <= 30; ++n) {
        b.BunkatuByLength(mixed, n);
        std::string joined;
        for (std::size_t i = 0; i < b.Items.size(); ++i) {
            const auto w = kb::sjis::ByteLength(b.Items[i]);
            EXPECT_LE(w, static_cast<std::size_t>(n));
            if (i + 1 < b.Items.size()) { EXPECT_GE(w, static_cast<std::size_t>(n - 1)); } // only the last is short
            joined += b.Items[i];
        }
        EXPECT_EQ(joined, mixed) << n;
    }
}

TEST(MojiBunkatu, WidthBelowTwoIsRefused)
{
    kb::TMojiBunkatu b;
    EXPECT_THROW(b.BunkatuByLength("漢字", 1), std::invalid_argument);
    EXPECT_THROW(b.BunkatuByLength("abc", 0), std::invalid_argument);
    EXPECT_EQ(b.Count, 0);
}

} // namespace
