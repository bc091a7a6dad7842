#include <gtest/gtest.h>

#include "core/z5EasyEncode.h"

namespace {

kb::TEasyEncodeInfo Info(const std::string& plain, int pad, int len, const std::string& key = kb::kEasyEncodeKey)
{
    kb::TEasyEncodeInfo i;
    i.Key = key;
    i.PlainText = plain;
    i.PadLength = pad;
    i.TextLength = len;
    return i;
}

// Worked by hand: the running key sums of "qombrev" are 113, 224, 333, 431, 545, 646, 764, 877.
TEST(EasyEncode, KnownCodes)
{
    auto i = Info("ABCDEFGH", 8, 8);
    ASSERT_TRUE(kb::EasyEncode(i));
    EXPECT_EQ(i.CodedText, "pdZAr50Q");
    i.PlainText.clear();
    ASSERT_TRUE(kb::EasyDecode(i));
    EXPECT_EQ(i.PlainText, "ABCDEFGH");
}

TEST(EasyEncode, RoundTripOfEveryLengthUpTo255)
{
    const std::string alpha = kb::kEasyEncodeAlphabet;
    for (int n = 1; n <= 255; n += 7) {
        std::string plain;
        for (int k = 0; k < n; ++k) plain += alpha[static_cast<std::size_t>((k * 17 + n) % 62)];
        auto i = Info(plain, n, n);
        ASSERT_TRUE(kb::EasyEncode(i));
        ASSERT_EQ(i.CodedText.size(), plain.size());
        i.PlainText.clear();
        ASSERT_TRUE(kb::EasyDecode(i));
        EXPECT_EQ(i.PlainText, plain) << n;
    }
}

TEST(EasyEncode, PaddingEmptyKeyAndForeignCharacters)
{
    auto padded = Info("abc12", 8, 5);
    ASSERT_TRUE(kb::EasyEncode(padded));
    EXPECT_EQ(padded.PlainText, "abc12ABC");
    auto same = Info("abc12ABC", 8, 8);
    kb::EasyEncode(same);
    EXPECT_EQ(padded.CodedText, same.CodedText);
    ASSERT_EQ(padded.CodedText.size(), 8u);
    kb::EasyDecode(padded);
    EXPECT_EQ(padded.PlainText, "abc12");

    auto plainKey = Info("Az09", 4, 4, "");
    kb::EasyEncode(plainKey);
    EXPECT_EQ(plainKey.CodedText, "Az09");

    auto dash = Info("ab-cd", 5, 5);
    kb::EasyEncode(dash);
    EXPECT_EQ(dash.CodedText.size(), 2u);
    auto blank = Info("ab cd", 5, 5);
    kb::EasyEncode(blank);
    EXPECT_EQ(blank.CodedText, dash.CodedText);

    auto none = Info("ABCDEFGH", 8, 8);
    kb::EasyEncode(none);
    none.TextLength = 0;
    kb::EasyDecode(none);
    EXPECT_EQ(none.PlainText, "");

    auto tooLong = Info(std::string(256, 'A'), 256, 256);
    EXPECT_FALSE(kb::EasyEncode(tooLong));
    EXPECT_EQ(tooLong.CodedText, "");

    kb::InitEasyEncodeInfo(none);
    EXPECT_EQ(none.PadLength, 0);
    EXPECT_EQ(none.CodedText, "");
    EXPECT_EQ(none.Key, kb::kEasyEncodeKey);
}

TEST(ProtectText, RoundTripAndFailures)
{
    const std::string secret = "pass①word 123";
    const std::string a = kb::EncodeProtectText(secret);
    const std::string b = kb::EncodeProtectText(secret);
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b); // a fresh salt and nonce each time
    EXPECT_EQ(a.rfind("KBP1:", 0), 0u);
    EXPECT_LE(a.size(), 255u);
    EXPECT_EQ(kb::DecodeProtectText(a), secret);
    EXPECT_EQ(kb::DecodeProtectText(b), secret);

    EXPECT_EQ(kb::EncodeProtectText("   "), "");
    EXPECT_EQ(kb::EncodeProtectText(""), "");
    EXPECT_EQ(kb::DecodeProtectText(""), "");

    std::string tampered = a;
    tampered[tampered.size() - 6] = tampered[tampered.size() - 6] == 'A' ? 'B' : 'A';
    EXPECT_EQ(kb::DecodeProtectText(tampered), "");
    EXPECT_EQ(kb::DecodeProtectText("x9Fq2Lmw0pZ8"), ""); // a text of the old library
    EXPECT_EQ(kb::DecodeProtectText("KBP1:!!!!"), "");
    EXPECT_EQ(kb::DecodeProtectText("KBP1:QUJD"), "");

    const std::string longest(142, 'x');
    const std::string p = kb::EncodeProtectText(longest);
    ASSERT_FALSE(p.empty());
    EXPECT_LE(p.size(), 255u);
    EXPECT_EQ(kb::DecodeProtectText(p), longest);
    EXPECT_EQ(kb::EncodeProtectText(std::string(143, 'x')), "");
}

} // namespace
