// The print options without a database: the STYLECOLOR key of a form name, the black-and-white
// colours a printing routine applies, and the palette lines of the colour dialog.

#include "platform/Text.h"
#include "print/z5PrintDlg.h"
#include "print/z5PrnColorSet.h"

#include <gtest/gtest.h>

using namespace kb;

TEST(PrintOptions, StyleKeyIsPrefixUpperCasedWithin40Bytes)
{
    TPrintDlgBox dlg;
    const std::string a35(35, 'a');
    const struct {
        std::string name, key;
    } cases[] = {
        {"DataSentakuList", "020-DATASENTAKULIST"},
        {" mixed Case ", "020- MIXED CASE"},           // trimmed after fitting
        {a35 + "BCDE", "020-" + std::string(35, 'A') + "B"}, // cut to 40 bytes
        {a35 + "表", "020-" + std::string(35, 'A')},         // the 40th byte would start "表": 39 bytes
        {"帳票一覧", "020-帳票一覧"},                        // double-byte characters are not changed
    };
    for (const auto& c : cases) {
        dlg.MakeStyleName(c.name);
        EXPECT_EQ(dlg.StyleKey, c.key) << c.name;
        EXPECT_LE(sjis::ByteLength(dlg.StyleKey), 40u);
    }
}

TEST(PrintOptions, MonoColoursAreBlackAndGrey)
{
    TPlotivar p;
    p.UserColor1 = 0x0000FF;
    p.UserColor2 = 0x00FF00;
    p.NetColor1 = 0x00FF00;  // (0 + 255 + 0) / 3 = 85
    p.NetColor2 = 0x3C78B4;  // (180 + 120 + 60) / 3 = 120
    TPlotivar colour;
    colour.UserColor1 = 0x0000FF;
    colour.NetColor1 = 0x00FF00;
    ApplyMonoPrintColors(1, colour);
    EXPECT_EQ(colour.UserColor1, 0x0000FFu);
    EXPECT_EQ(colour.NetColor1, 0x00FF00u);
    EXPECT_EQ(colour.OcrGreen, 0x2CBE00u);

    ApplyMonoPrintColors(0, p);
    EXPECT_EQ(p.UserColor1, 0u);
    EXPECT_EQ(p.UserColor2, 0u);
    for (TColor ocr : {p.OcrGreen, p.OcrBlue, p.OcrPink, p.OcrBrown, p.OcrOrange, p.OcrViolet, p.OcrPurple}) EXPECT_EQ(ocr, 0u);
    EXPECT_EQ(p.NetColor1, 0x555555u);
    EXPECT_EQ(p.NetColor2, 0x787878u);
}

TEST(PrintOptions, PaletteLinesRoundTrip)
{
    std::array<TColor, 16> colours;
    colours.fill(0xFFFFFF);
    colours[0] = 0x0000FF;
    colours[15] = 0xABCDEF;
    const std::string text = PaletteText(colours);
    EXPECT_EQ(text.substr(0, 30), "ColorA=0000FF\r\nColorB=FFFFFF\r\n");
    EXPECT_EQ(text.substr(text.size() - 15), "ColorP=ABCDEF\r\n");
    EXPECT_EQ(ParsePalette(text), colours);
    // Lines out of order, a bad value and a missing line: the rest keep the default.
    const auto parsed = ParsePalette("ColorC=00ff00\r\nColorZ=123456\r\nColorA=XYZ\r\n");
    EXPECT_EQ(parsed[2], 0x00FF00u);
    EXPECT_EQ(parsed[0], 0xFFFFFFu);
}
