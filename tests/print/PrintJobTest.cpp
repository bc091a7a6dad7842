// The printing job on the PDF device, read back with poppler's tools: form pages cycling under the
// data pages, a page range, orientation changes, MESSAGE records between pages, collated copies,
// cancelling, and the entry point's refusals and failures.

#include "print/Plotivar_Pages.h"
#include "print/Plotivar_PrintIng.h"
#include "print/Plotivar_Vdb.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "print/PrintTestSupport.h"
#include "ui/UiTestHelp.h"

#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace kb;
using namespace kbtest;

namespace {

std::string Text(int x, int y, const std::string& text)
{
    return "TEXT;" + std::to_string(x) + ";" + std::to_string(y) + ";" + text + ";ＭＳ 明朝;12;;黒;1;;0;0;\r\n";
}

// A print-data file: the header, then the pages separated by "E;".
std::string Document(const std::vector<std::string>& pages)
{
    std::string s = kHeader;
    for (std::size_t i = 0; i < pages.size(); ++i) s += (i ? "E;\r\n" : "") + pages[i];
    return s;
}

// Data pages "DATA-n" with any extra records of page n.
std::string DataPages(int count, const std::map<int, std::string>& extra = {})
{
    std::vector<std::string> pages;
    for (int n = 1; n <= count; ++n) {
        const auto it = extra.find(n);
        pages.push_back(Text(200, 200, "DATA-" + std::to_string(n)) + (it == extra.end() ? "" : it->second));
    }
    return Document(pages);
}

class PrintJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("pdftotext") || !HaveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils is not installed";
        PlotivarDef = TPlotivarDEF{};
        SetVdbPrint(std::make_unique<TVDBPrint>(std::vector<std::string>{}, "", true));
        VdbPrint().PdfFileName = pdf_;
        block_.PrnDlg = false;
        block_.DocTitle = "テスト印刷";
        // Page numbers show which counter the interpreter was given for each sheet.
        block_.PageBango.Show = true;
        block_.PageBango.Format = "P%d";
        block_.PageBango.ArgCount = 1;
        block_.PageBango.Left = 1000;
        block_.PageBango.Top = 1500; // on the sheet in both orientations
    }
    void TearDown() override { SetVdbPrint(nullptr); }

    std::string Write(const std::string& name, const std::string& text)
    {
        WriteFile(dir_ / name, Utf8ToCp932(text));
        return (dir_ / name).string();
    }

    int Pages() const
    {
        static const QRegularExpression re("Pages:\\s+(\\d+)");
        const auto m = re.match(QString::fromStdString(Output("pdfinfo '" + pdf_ + "'")));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    // The words of sheet n, in reading order.
    std::string Sheet(int n) const
    {
        const std::string cmd = "pdftotext -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + pdf_ + "' -";
        return QString::fromStdString(Output(cmd)).simplified().toStdString();
    }
    bool Landscape(int n) const
    {
        static const QRegularExpression re("size:\\s+([0-9.]+) x ([0-9.]+)");
        const std::string info = Output("pdfinfo -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + pdf_ + "'");
        const auto m = re.match(QString::fromStdString(info));
        return m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
    }

    TempDir dir_;
    ScopedEnv docs_{"KB_DOCUMENTS_DIR", dir_.path().string()};
    std::string pdf_ = (dir_ / "out.pdf").string();
    TPlotivarDEF block_;
};

TEST_F(PrintJob, FormPagesCycleUnderTheDataPages)
{
    block_.DataFile = Write("data.prn", DataPages(3));
    block_.FormFile = Write("form.prn", Document({Text(200, 400, "FORM-A"), Text(200, 400, "FORM-B")}));
    MessageCatcher boxes;
    EXPECT_EQ(StartPrint(block_), -1);
    EXPECT_TRUE(boxes.Shown.empty());
    // Three data pages over a two-page form, then the rest of the form alone.
    ASSERT_EQ(Pages(), 4);
    EXPECT_EQ(Sheet(1), "DATA-1 FORM-A P1");
    EXPECT_EQ(Sheet(2), "DATA-2 FORM-B P2");
    EXPECT_EQ(Sheet(3), "DATA-3 FORM-A P3");
    EXPECT_EQ(Sheet(4), "FORM-B");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "~out.pdf.tmp"));
}

TEST_F(PrintJob, RangeFromTheDialogPrintsThoseSheetsWithTheirCounters)
{
    block_.DataFile = Write("data.prn", DataPages(5));
    block_.PrnDlg = true;
    TPrintDialogState asked;
    TScopedPrintDialog dialog([&](TVDBPrint&, TPrintDialogState& s) {
        asked = s;
        s.PageNumbersRange = true;
        s.FromPage = 2;
        s.ToPage = 3;
        return true;
    });
    EXPECT_EQ(StartPrint(block_), -1);
    EXPECT_TRUE(asked.PageNumbersOption);
    EXPECT_EQ(asked.MaxPage, 5);
    EXPECT_EQ(asked.ToPage, 5);
    ASSERT_EQ(Pages(), 2);
    EXPECT_EQ(Sheet(1), "DATA-2 P2");
    EXPECT_EQ(Sheet(2), "DATA-3 P3");
}

TEST_F(PrintJob, OrientationChangesAndMessagesBetweenPages)
{
    block_.DataFile = Write("data.prn", DataPages(4, {{1, "MESSAGE;用紙を替えてください;\r\n"},
                                                      {3, "ORIENTATION;1;\r\n"},
                                                      {4, "MESSAGE;最後のページ;\r\n"}}));
    MessageCatcher boxes;
    EXPECT_EQ(StartPrint(block_), -1);
    // The last page's message has nothing to come between.
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.FirstLine(), "用紙を替えてください");
    ASSERT_EQ(Pages(), 4);
    EXPECT_FALSE(Landscape(1));
    EXPECT_FALSE(Landscape(2));
    EXPECT_TRUE(Landscape(3));
    EXPECT_FALSE(Landscape(4));
    EXPECT_EQ(Sheet(3), "DATA-3 P3");
}

TEST_F(PrintJob, CollatedCopiesPrintTheDocumentOncePerCopy)
{
    block_.DataFile = Write("data.prn", DataPages(3));
    block_.PrnDlg = true;
    TScopedPrintDialog dialog([](TVDBPrint& v, TPrintDialogState& s) {
        v.Printer().setCopyCount(3);
        s.Collate = true;
        return true;
    });
    EXPECT_EQ(StartPrint(block_), -1);
    ASSERT_EQ(Pages(), 9);
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(Sheet(n), "DATA-" + std::to_string((n - 1) % 3 + 1) + " P" + std::to_string((n - 1) % 3 + 1));
}

TEST_F(PrintJob, CancelAfterTheFirstPageLeavesNoFile)
{
    block_.DataFile = Write("data.prn", DataPages(10));
    MessageCatcher boxes(mrYes);
    std::vector<int> shown;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TNowPrintingdlg*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle().toStdString(), "印刷");
        QObject::connect(dlg, &TNowPrintingdlg::PageShown, dlg, [dlg, &shown](int page) {
            shown.push_back(page);
            if (page == 2) QMetaObject::invokeMethod(dlg->CancelButton, "click", Qt::QueuedConnection);
        });
    });
    EXPECT_EQ(StartPrint(block_), 0);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.FirstLine(), "印刷を中止しますか？");
    EXPECT_EQ(shown, (std::vector<int>{2}));
    EXPECT_FALSE(std::filesystem::exists(pdf_));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "~out.pdf.tmp"));
}

TEST_F(PrintJob, RefusalsBeforeTheJobPrintNothing)
{
    const std::string good = Write("data.prn", DataPages(1));
    const std::string notData = Write("other.prn", "*PLOTIVAX*\r\n" + Text(0, 0, "x"));
    const std::string missing = (dir_ / "none.prn").string();
    struct Case {
        std::string data, form, message;
    } cases[] = {
        {missing, "", "<" + missing + "> が見つかりません。"},
        {notData, "", "<PLOTIVAR>印刷データではありません。"},
        {good, missing, "<" + missing + "> が見つかりません。"},
    };
    for (const Case& c : cases) {
        MessageCatcher boxes;
        block_.DataFile = c.data;
        block_.FormFile = c.form;
        EXPECT_EQ(StartPrint(block_), 0) << c.message;
        ASSERT_EQ(boxes.Shown.size(), 1u) << c.message;
        EXPECT_EQ(boxes.FirstLine(), c.message);
        EXPECT_FALSE(std::filesystem::exists(pdf_));
    }
}

TEST_F(PrintJob, AFailingJobIsNotReportedAsPrinted)
{
    block_.DataFile = Write("data.prn", DataPages(2));
    VdbPrint().PdfFileName = (dir_ / "no-such-folder" / "out.pdf").string();
    EXPECT_EQ(StartPrint(block_), 0);
    const std::string log = Cp932ToUtf8(ReadFile(PrintErrorLogPath()));
    EXPECT_NE(log.find("PRINT.メイン:"), std::string::npos) << log;
}

TEST_F(PrintJob, CurrentPagePrintsOneSheetWithoutTheDialog)
{
    block_.DataFile = Write("data.prn", DataPages(3, {{2, "ORIENTATION;1;\r\n"}}));
    block_.PrnDlg = true;
    TScopedPrintDialog dialog([](TVDBPrint&, TPrintDialogState&) -> bool { throw std::logic_error("no dialog here"); });
    PlotivarDef = block_; // as the preview leaves it
    PrintCurrentPage(block_, 2, 0);
    ASSERT_EQ(Pages(), 1);
    EXPECT_EQ(Sheet(1), "DATA-2 P2");
    EXPECT_TRUE(Landscape(1)); // the page's own orientation
    EXPECT_EQ(VdbPrint().Orientation(), 0); // given back afterwards
}

} // namespace
