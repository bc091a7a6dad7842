// The print-data writer: text fitting, setter ranges, the page-number format, the header bytes and
// the records as a reader sees them on disk.

#include "print/Plotivar_Class.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kb;

namespace {

struct FitCase {
    const char* text;
    const char* align;
    int width;
    const char* expected;
};

TEST(PlotivarWriter, FitsTextsToTheirByteWidth)
{
    const FitCase cases[] = {
        {"ABCDEFG", "LEFT", 5, "ABCDE"},
        {"AB", "LEFT", 5, "AB   "},
        {"漢ABC", "LEFT", 1, ""},               // half a character is never kept
        {"漢字AB", "", 3, "漢"},                // a longer text is cut, never padded
        {"AB", "RIGHT", 4, "  AB"},
        {"ABCDEF", "RIGHT", 4, "CDEF"},
        {"漢AB", "RIGHT", 3, " AB"},             // the tail would start inside a double-byte character
        {"ABCDEFG", "CENTER", 3, "ABCDEFG"},
        {"ABCDEFG", "LEFT", 0, "ABCDEFG"},
        {"AB", "LEFT", 130, "AB"},               // no more than 126 blanks are ever added
        {"AB", "RIGHT", 127, "AB"},
        {"A;B", "LEFT", 0, "A:B"},
        {"A\r\nB\tC", "LEFT", 0, "A  B\tC"},      // line breaks would split the record; TAB keeps its meaning
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitPrintText(c.text, c.align, c.width), c.expected) << c.text << " " << c.align << " " << c.width;
}

TEST(PlotivarWriter, SettersKeepTheirRanges)
{
    TPlotivar p;
    p.SetCopie(0);
    p.SetCopie(100);
    EXPECT_EQ(p.Copie(), 1);
    p.SetCopie(99);
    EXPECT_EQ(p.Copie(), 99);
    p.SetZoom(21);
    EXPECT_EQ(p.Zoom(), 10);
    p.SetScale(49);
    EXPECT_EQ(p.Scale(), 100);
    p.SetColorMode(2);
    p.SetColorMode(5);
    EXPECT_EQ(p.ColorMode(), 0);
    p.SetPrintQuality(0);
    EXPECT_EQ(p.PrintQuality(), 0);
    p.SetPrintQuality(-3);
    EXPECT_EQ(p.PrintQuality(), -3);
    p.SetDuplex(4);
    EXPECT_EQ(p.Duplex(), 0);
    const std::pair<int, int> ratios[] = {{30, 1030}, {-50, 950}, {960, 960}, {500, 1000}, {51, 1000}};
    for (auto [in, out] : ratios) {
        p.SetVRATIO(in);
        EXPECT_EQ(p.VRATIO(), out) << in;
    }
}

TEST(PlotivarWriter, PageNumberFormatIsCheckedByFormattingIt)
{
    struct Case {
        const char* format;
        int argCount;
        bool stays;
    } cases[] = {
        {"- %d -", 1, true}, {"%d/%d", 2, true}, {"%D頁", 1, true}, {"page", 0, false},
        {"%d %d %d", 3, false}, {"%s %d", 1, false},
    };
    for (const auto& c : cases) {
        TPlotivar p;
        p.PageBango = true;
        p.SetPageBangoFormat(c.format);
        EXPECT_EQ(p.PageBangoArgCount(), c.argCount) << c.format;
        EXPECT_EQ(p.PageBango, c.stays) << c.format;
        EXPECT_EQ(p.PageBangoFormat(), c.stays ? std::string(c.format) : std::string("(%d/%d)")) << c.format;
    }
}

TEST(PlotivarWriter, WritesTheHeaderAndRecordsAsCp932Lines)
{
    kbtest::TempDir dir;
    TPlotivar p;
    p.DataFile = (dir / "list.prn").string();
    p.Title = "データリスト";
    p.PaperSize = 12;
    p.Orientation = 1;
    p.TopMargin = 15;
    p.LeftMargin = 20;
    p.NetColor1 = 0x0A0B0C;
    p.UserColor2 = 0xFF00AB;
    p.PrintFom = false;
    p.SetCopie(2);
    p.PageBango = true;
    p.PageBangoLeft = 1000;
    p.PageBangoTop = 2900;
    p.SetPageBangoAlignment(TPlotivar::TAlignment::taCenter);
    p.Today = [] { return Date(2026, 3, 4); };
    p.OpenDataFile(false);
    p.WriteHeader(); // already written: nothing more
    p.PrintText(10, 20, "A;B", "", 9, "", "黒", "OFF", "right", 5);
    p.PrintText(10, 20, "表", "ＭＳ ゴシック", 9, "B", "赤", "ON", "", 0);
    p.PrintLine(1, 2, 3, 4, 0, 2, "255", false);
    p.PrintLine(1, 2, 3, 4, 5, 0, "黒", true);
    p.BlankPage = 1;
    p.NewPage();
    p.BlankPage = 0;
    p.NewPage();
    p.PrintBox(1, 2, 3, 4, 1, 0, "黒", "白", 1);
    p.CloseDataFile();
    EXPECT_EQ(p.PageNo, 3);

    const std::string folder = dir.path().string();
    // Written by hand: "データリスト" is 83 66 81 5B 83 5E 83 8A 83 58 83 67, "黒" 8D 95, "赤" 90 D4,
    // "白" 94 92, "表" 95 5C, "ＭＳ ゴシック" 82 6C 82 72 20 83 53 83 56 83 62 83 4E.
    const std::string expected =
        "*PLOTIVAR*************************************************************\r\n"
        "*[SETTING]\r\n"
        "*PATH=" + folder + "\r\n"
        "*VERSION=VCL.2.5\r\n"
        "*DATE=2026/03/04\r\n"
        "*TITLE=\x83\x66\x81\x5B\x83\x5E\x83\x8A\x83\x58\x83\x67\r\n"
        "*FORMFILE=\r\n"
        "*PAPERSIZE=12\r\n"
        "*OUTPUTPAPER=0\r\n"
        "*ORIENTATION=1\r\n"
        "*TOPMARGIN=15\r\n"
        "*LEFTMARGIN=20\r\n"
        "*FORMTOPMARGIN=0\r\n"
        "*FORMLEFTMARGIN=0\r\n"
        "*NETC1=$0A0B0C\r\n"
        "*NETC2=$C0C0C0\r\n"
        "*USERC1=$000000\r\n"
        "*USERC2=$FF00AB\r\n"
        "*FORMPRINT=FALSE\r\n"
        "*COPIES=2\r\n"
        "*PAGENOSWITCH=TRUE\r\n"
        "*PAGENOLEFT=1000\r\n"
        "*PAGENOTOP=2900\r\n"
        "*PAGENOALIGNMENT=1\r\n"
        "*PAGENOFORMAT=(%d/%d)\r\n"
        "*************************************************************PLOTIVAR*\r\n"
        "TEXT;10;20;  A:B;;9;;\x8D\x95;1;RIGHT;0;0;\r\n"
        "TEXT;10;20;\x95\x5C;\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E;9;B;\x90\xD4;ON;;0;0;\r\n"
        "LINE;1;2;3;4;0;2;255;\r\n"
        "ELINE;1;2;3;4;5;0;\x8D\x95;\r\n"
        "BOX;100;100;101;101;0;0;\x8D\x95;\x94\x92;1;\r\n"
        "E;\r\n"
        "E;\r\n"
        "BOX;1;2;3;4;1;0;\x8D\x95;\x94\x92;1;\r\n";
    EXPECT_EQ(kbtest::ReadFile(p.DataFile), expected);
    EXPECT_EQ(p.DocTitle, "list");
}

TEST(PlotivarWriter, TempNameIsANewFileBesideTheDataFile)
{
    kbtest::TempDir dir;
    const auto taken = dir / "keep.prn";
    kbtest::WriteFile(taken, "mine");
    TPlotivar a, b;
    a.DataFile = b.DataFile = taken.string();
    a.OpenDataFile(true);
    b.OpenDataFile(true);
    a.CloseDataFile();
    b.CloseDataFile();
    EXPECT_NE(a.DataFile, b.DataFile);
    for (const auto* p : {&a, &b}) {
        const std::filesystem::path f(p->DataFile);
        EXPECT_EQ(f.parent_path(), dir.path());
        EXPECT_EQ(f.filename().string().substr(0, 1), "~");
        EXPECT_EQ(kbtest::ReadFile(f).substr(0, 10), "*PLOTIVAR*");
    }
    EXPECT_EQ(kbtest::ReadFile(taken), "mine");
    TPlotivar c;
    c.DataFile = (dir / "missing" / "x.prn").string();
    EXPECT_THROW(c.OpenDataFile(true), std::runtime_error);
}

TEST(PlotivarWriter, PreviewHandsOverTheSettingsAndCleansUp)
{
    kbtest::TempDir dir;
    TPlotivar p;
    p.DataFile = (dir / "d.prn").string();
    p.SetEvenLeftMargin(50);
    p.LeftMargin = 20;
    p.PageBango = true;
    p.OpenDataFile(false);
    p.CloseDataFile();
    kbtest::WriteFile(dir / "CHART.WMF", "x");

    TPlotivar::ShowPreview() = nullptr;
    EXPECT_THROW(p.Preview(), std::runtime_error); // no preview runner: said plainly, nothing deleted
    EXPECT_TRUE(std::filesystem::exists(p.DataFile));

    TPlotivarDEF seen;
    TPlotivar::ShowPreview() = [&](TPlotivarDEF& d) {
        seen = d;
        d.Copies = 3;
        return 2;
    };
    EXPECT_TRUE(p.Preview());
    TPlotivar::ShowPreview() = nullptr;
    EXPECT_EQ(seen.DocTitle, "d");
    EXPECT_EQ(seen.EvenLeftShift, 30);
    EXPECT_TRUE(seen.PageBango.Show);
    EXPECT_EQ(p.PreviewCloseNum(), 2);
    EXPECT_EQ(p.Copie(), 3);
    EXPECT_FALSE(p.PageBango);
    EXPECT_TRUE(p.DocTitle.empty());
    EXPECT_FALSE(std::filesystem::exists(p.DataFile));
    EXPECT_FALSE(std::filesystem::exists(dir / "CHART.WMF"));

    TPlotivarDEF d;
    p.CopyToDef(d);
    EXPECT_EQ(d.DocTitle, "PLOTIVAR-VCL.2.5");
}

} // namespace
