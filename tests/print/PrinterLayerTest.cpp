// The printer layer on its PDF device (paper lookup, device settings, the printable area) and with an
// empty printer list (every method answers its fallback and logs nothing).

#include "print/Plotivar_Pages.h"
#include "print/Plotivar_Vdb.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kb;

namespace {

TEST(PrinterLayer, PdfDeviceIsTheDefaultAtTheEndOfTheList)
{
    TVDBPrint vdb({"queue-a", "queue-b"}, "", true);
    ASSERT_EQ(vdb.Printers(), (std::vector<std::string>{"queue-a", "queue-b", "PDFファイル"}));
    EXPECT_EQ(vdb.PrinterIndex(), 2);
    EXPECT_TRUE(vdb.IsPdfDevice());
    EXPECT_FALSE(vdb.NoDefaultPrinter);
}

TEST(PrinterLayer, GetPaperNumberByNameThenSizeWithinOneMillimetre)
{
    TVDBPrint vdb({}, "", true);
    struct Case {
        const char* name;
        int length, width, def, expected;
    } cases[] = {
        {"A4", 0, 0, 9, 9},
        {"B5", 0, 0, 9, 13},
        {"", 2970, 2100, 0, 9},
        {"", 2979, 2100, 0, 9},
        {"", 2961, 2091, 0, 9},
        {"", 2980, 2100, 0, 0},  // 1 mm off is outside
        {"", 2970, 2110, 0, 0},
        {"", 2960, 2100, 0, 0},
        {"Letter", 4200, 2970, 0, 8}, // an unknown name falls back to the size
        {"Letter", 0, 0, 5, 5},
        {"", 2970, 0, 7, 7},          // one size missing: the default
        {"", 2800, 3810, 0, 46},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vdb.GetPaperNumber(c.name, c.length, c.width, c.def), c.expected)
            << c.name << " " << c.length << "x" << c.width;
}

TEST(PrinterLayer, PaperOrientationAndPrintableArea)
{
    TVDBPrint vdb({}, "", true);
    EXPECT_EQ(vdb.GetPaper(), 9);
    EXPECT_EQ(vdb.PrintableSizeMM(), QSize(210, 297)); // the PDF device prints the whole sheet
    vdb.SetPaper(12);
    EXPECT_EQ(vdb.GetPaper(), 12);
    EXPECT_EQ(vdb.PrintableSizeMM(), QSize(250, 354));
    vdb.SetOrientation(1);
    EXPECT_EQ(vdb.Orientation(), 1);
    EXPECT_EQ(vdb.PrintableSizeMM(), QSize(354, 250));
    TPlotivarDEF def;
    vdb.GetDevMode(def);
    EXPECT_EQ(def.Orientation, 1);

    vdb.SetUserPaperSize(1500, 1000); // 100 mm wide, 150 long, turned
    EXPECT_EQ(vdb.PrintableSizeMM(), QSize(150, 100));
    EXPECT_EQ(vdb.DevFields() & 0xE, 0xE);
    vdb.ResetUserPaperSize();
    EXPECT_EQ(vdb.DevFields() & 0xC, 0);
    EXPECT_EQ(vdb.PrintableSizeMM(), QSize(354, 250));
}

TEST(PrinterLayer, DevModeRoundTripOnThePdfDevice)
{
    TVDBPrint vdb({}, "", true);
    TPlotivarDEF in;
    in.Scale = 80;
    in.Copies = 3;
    in.ColorMode = 1;
    in.Duplex = 3;
    in.Collate = 0;
    in.PrintQuality = -3;
    in.BinNum = 4;
    vdb.SetDevMode(in);

    TPlotivarDEF out;
    vdb.GetDevMode(out);
    EXPECT_EQ(out.DeviceName, "PDFファイル");
    EXPECT_EQ(out.PrinterNum, 0);
    EXPECT_EQ(out.Scale, 80);
    EXPECT_EQ(out.Copies, 3);
    EXPECT_EQ(out.Duplex, 3);
    EXPECT_EQ(out.Collate, 0);
    EXPECT_EQ(out.PrintQuality, -3);
    EXPECT_EQ(out.BinNum, 4);
    EXPECT_EQ(out.Orientation, 0);
    EXPECT_NE(out.DevFields & 0x8000, 0);
    EXPECT_EQ(vdb.Printer().colorMode(), QPrinter::GrayScale);

    // Zero colour, duplex and quality leave the printer's settings as they are.
    in.ColorMode = 0;
    in.Duplex = 0;
    in.PrintQuality = 0;
    in.Collate = 1;
    vdb.SetDevMode(in);
    vdb.GetDevMode(out);
    EXPECT_EQ(vdb.Printer().colorMode(), QPrinter::GrayScale);
    EXPECT_EQ(out.Duplex, 3);
    EXPECT_EQ(out.PrintQuality, -3);
    EXPECT_EQ(out.Collate, 1);
}

TEST(PrinterLayer, EmptyListAnswersFallbacksWithoutLogLines)
{
    kbtest::TempDir docs;
    kbtest::ScopedEnv env("KB_DOCUMENTS_DIR", docs.path().string());
    TVDBPrint vdb({}, "", false);
    EXPECT_TRUE(vdb.NoDefaultPrinter);
    EXPECT_EQ(vdb.GetPaper(), 9);
    EXPECT_EQ(vdb.GetPaperNumber("A4", 2970, 2100, 9), 0);
    vdb.SetPaper(8);
    vdb.SetOrientation(1);
    vdb.SetUserPaperSize(100, 100);
    vdb.ResetUserPaperSize();
    TPlotivarDEF def;
    def.Copies = 5;
    vdb.SetDevMode(def);
    TPlotivarDEF out;
    vdb.GetDevMode(out);
    EXPECT_EQ(vdb.GetPaper(), 9);
    EXPECT_EQ(vdb.Orientation(), 0);
    EXPECT_EQ(out.Copies, 1); // untouched block
    EXPECT_TRUE(vdb.Papers().empty());
    EXPECT_FALSE(std::filesystem::exists(PrintErrorLogPath()));
}

} // namespace
