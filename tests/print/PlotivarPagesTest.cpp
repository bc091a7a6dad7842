// Page lists, paper ratios, the field utilities and the engine's error log, over real files.

#include "print/Plotivar_Pages.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

std::string WritePages(const kbtest::TempDir& dir, const std::string& name, const std::vector<std::string>& pages)
{
    std::string text;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i) text += "E;\r\n";
        text += pages[i];
    }
    kbtest::WriteFile(dir / name, Utf8ToCp932(text));
    return (dir / name).string();
}

TEST(PlotivarPages, CountsPagesAndNumbersThoseWithContent)
{
    kbtest::TempDir dir;
    TPlotivarDEF def;
    def.PageBango.Show = true;
    TPlotivarEngine e;
    e.Def = &def;
    const auto data = WritePages(dir, "d.prn", {"TEXT;1;1;A;\r\n", "", "ORIENTATION;1;\r\n", "BOX;1;1;2;2;\r\nTEXT;1;1;B;\r\n"});
    EXPECT_EQ(CountPages(e, data, true), 4);
    EXPECT_EQ(e.PageNumberList, (std::vector<std::string>{"0", "1", "0", "0", "2"})); // entry n is page n
    EXPECT_EQ(e.NumberedPages, 2);
    EXPECT_EQ(CountPages(e, WritePages(dir, "one.prn", {"TEXT;1;1;A;\r\n"}), false), 1);
    EXPECT_EQ(CountPages(e, WritePages(dir, "tail.prn", {"TEXT;1;1;A;\r\n", ""}), false), 2);
}

TEST(PlotivarPages, PageTotalRoundsUpToWholeFormCycles)
{
    kbtest::TempDir dir;
    struct Case {
        int data, form, total;
    } cases[] = {{5, 2, 6}, {5, 5, 5}, {1, 3, 3}, {4, 2, 4}};
    for (const auto& c : cases) {
        TPlotivarDEF def;
        TPlotivarEngine e;
        e.Def = &def;
        e.PrintDataFileName = WritePages(dir, "d.prn", std::vector<std::string>(c.data, "BOX;1;1;2;2;\r\n"));
        e.FormFileName = WritePages(dir, "f.fom", std::vector<std::string>(c.form, "BOX;1;1;2;2;\r\n"));
        e.PageCurrent = 7;
        GetPageCounts(e);
        EXPECT_EQ(e.PageTotal, c.total) << c.data << " over " << c.form;
        EXPECT_EQ(e.PageCurrent, 1);
    }
}

TEST(PlotivarPages, SkipToPageWrapsAroundAForm)
{
    TPrintTextFile f;
    f.Assign({"A;", "E;", "B;"});
    EXPECT_TRUE(SkipToPage(f, 2, false));
    EXPECT_EQ(f.ReadLine(), "B;");
    f.Reset();
    EXPECT_TRUE(SkipToPage(f, 3, true)); // the form's end counts as a separator: page 1 again
    EXPECT_EQ(f.ReadLine(), "A;");
    f.Reset();
    EXPECT_FALSE(SkipToPage(f, 3, false));
}

TEST(PlotivarPages, OrientationPerPage)
{
    kbtest::TempDir dir;
    const auto data = WritePages(dir, "d.prn", {"TEXT;1;1;A;\r\n", "ORIENTATION;1;\r\n*ORIENTATION;0;\r\n", "BOX;1;1;2;2;\r\n"});
    EXPECT_EQ(GetOrientationList(data, 0), "0\n1\n0\n");
    EXPECT_EQ(GetOrientationList(WritePages(dir, "x.prn", {"ORIENTATION;x;\r\n"}), 1), "1\n");
}

TEST(PlotivarPages, PaperRatiosForPrinterPaper)
{
    struct Printer : TPrinterInfo {
        int code = 9;
        int PaperCode() const override { return code; }
    } printer;
    TPlotivarDEF def;
    TPlotivarEngine e;
    e.Def = &def;
    e.Printer = &printer;
    struct Case {
        int data, printer;
        double v, h;
    } cases[] = {{9, 13, 865, 867}, {8, 9, 707, 707}, {13, 9, 1156, 1154}, {9, 9, 1000, 990},
                 {9, 11, 707, 705}, {11, 9, 0, 0}}; // a pair outside the table prints unscaled
    def.HRatio = 990;
    for (const auto& c : cases) {
        def.PaperSize = c.data;
        printer.code = c.printer;
        CalcPaperRatio(e);
        EXPECT_EQ(e.VScale, c.v) << c.data << "/" << c.printer;
        EXPECT_EQ(e.HScale, c.h) << c.data << "/" << c.printer;
    }
    int w = 0, h = 0;
    GetPaperSizeMM(e, 12, w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(250, 354));
    EXPECT_EQ(e.PaperMode, 0);
    GetPaperSizeMM(e, 99, w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(210, 317));
    EXPECT_EQ(e.PaperMode, 2);
}

TEST(PlotivarPages, FieldUtilities)
{
    std::vector<std::string> fields;
    EXPECT_EQ(SplitFields("VER=\"2.10\" // note \"9\"", "\"", fields), 2);
    EXPECT_EQ(fields[1], "2.10");
    EXPECT_EQ(SplitFields(";a;", ";", fields), 2);
    EXPECT_EQ(fields, (std::vector<std::string>{"", "a", ""}));
    EXPECT_EQ(SplitFields("", ";", fields), 0);
    EXPECT_TRUE(fields.empty());
    EXPECT_EQ(GetFieldAt("X; b ;c", ";", 1), "b");
    EXPECT_EQ(GetFieldAt("X;b", ";", 2), "");
    EXPECT_EQ(StrToFloat0("1.75"), 1.75);
    EXPECT_EQ(StrToFloat0("1.7x"), 0.0);
    EXPECT_EQ(StrToFloat0(""), 0.0);
}

TEST(PlotivarPages, MissingFileIsShownByName)
{
    std::vector<std::string> shown;
    TScopedMessage2Interceptor intercept([&](TMessage2InfoRec& rec) {
        for (const auto& l : rec.Lines)
            if (!l.Text.empty()) shown.push_back(l.Text);
        return mrOk;
    });
    TPrintTextFile f;
    EXPECT_FALSE(AssignPrintFile(f, ""));
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(AssignPrintFile(f, "/nonexistent/a.prn"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "</nonexistent/a.prn> が見つかりません。");
    TPlotivarDEF def;
    TPlotivarEngine e;
    e.Def = &def;
    EXPECT_EQ(CountPages(e, "/nonexistent/a.prn", false), 1);
    EXPECT_EQ(GetOrientationList("/nonexistent/a.prn", 0), "");
}

TEST(PlotivarPages, ErrorLogAppendsStampedCp932Lines)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_DOCUMENTS_DIR", dir.path().string());
    WritePrintErrorLog("ImageOut.(IMAGE):壊れた画像");
    WritePrintErrorLog("second");
    const std::string log = Cp932ToUtf8(kbtest::ReadFile(dir / "Plotivar_Error.log"));
    const auto lines = SplitLines(log);
    ASSERT_EQ(lines.size(), 2u);
    // "yy/mm/dd hh:nn:ss" and two blanks, then the message.
    EXPECT_EQ(lines[0].size(), 19 + std::string("ImageOut.(IMAGE):壊れた画像").size());
    EXPECT_EQ(lines[0][2], '/');
    EXPECT_EQ(lines[0][11], ':');
    EXPECT_EQ(lines[0].substr(17), "  ImageOut.(IMAGE):壊れた画像");
    EXPECT_EQ(lines[1].substr(17), "  second");
    EXPECT_NE(log.find("\r\n"), std::string::npos);
    kbtest::ScopedEnv gone("KB_DOCUMENTS_DIR", (dir / "missing").string());
    EXPECT_THROW(WritePrintErrorLog("x"), std::runtime_error);
}

} // namespace
