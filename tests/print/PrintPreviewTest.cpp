// The preview offscreen over the two-page data list on the PDF device: paging, the page jump, the
// zoom steps, where the header rule lands on the paint box (and where a top margin set in the margin
// dialog moves it), the print permission and the close codes.

#include "print/Plotivar_Imagedsp.h"
#include "print/Plotivar_PrintIng.h"
#include "print/Plotivar_Vdb.h"
#include "print/Plotivar_yohaku.h"
#include "platform/Text.h"
#include "ui/xEdit.h"
#include "ui/z5InputDlg.h"
#include "ui/xPlButton.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "print/PrintTestSupport.h"
#include "ui/UiTestHelp.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>

using namespace kb;
using namespace kbtest;

namespace {

class PrintPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlotivarDef = TPlotivarDEF{};
        SetVdbPrint(std::make_unique<TVDBPrint>(std::vector<std::string>{}, "", true));
        WriteFile(dir_ / "list.prn", Utf8ToCp932(DataListText()));
        block_.DataFile = (dir_ / "list.prn").string();
        block_.Title = "データリスト";
        block_.PrintFom = false;
    }
    void TearDown() override { SetVdbPrint(nullptr); }

    // Opens the preview and runs act on its window; act closes it.
    int Run(std::function<void(TImageDispForm&)> act)
    {
        WhenModal([act](QWidget* w) {
            auto* form = qobject_cast<TImageDispForm*>(w);
            if (!form) {
                ADD_FAILURE() << "not the preview";
                w->close();
                return;
            }
            act(*form);
            if (form->isVisible()) form->close();
        });
        return ShowPreview(block_);
    }

    TempDir dir_;
    ScopedEnv docs_{"KB_DOCUMENTS_DIR", dir_.path().string()};
    TPlotivarDEF block_;
};

std::string Where(TImageDispForm& f) { return f.WherePage->text().toStdString(); }

// Answers the page-jump box with text, or cancels it.
void Jump(TImageDispForm& f, std::optional<std::string> answer)
{
    WhenModal([answer](QWidget* w) {
        auto* dlg = qobject_cast<TInputDlgBox*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle().toStdString(), "ページ指定");
        if (!answer) {
            dlg->btnCancel->Click();
            return;
        }
        dlg->txtInput->setText(QString::fromStdString(*answer));
        dlg->btnOK->Click();
    });
    f.PgJump->click();
}

// The centre row of the first dark run at column x between rows from and to, -1 when none.
double DarkRow(const QImage& img, int x, int from, int to)
{
    int first = -1, last = -1;
    for (int y = from; y <= to && y < img.height(); ++y) {
        if (qGray(img.pixel(x, y)) < 128) {
            if (first < 0) first = y;
            last = y;
        } else if (first >= 0) {
            break;
        }
    }
    return first < 0 ? -1 : (first + last) / 2.0;
}

TEST_F(PrintPreview, PagingAndPageJump)
{
    const int code = Run([](TImageDispForm& f) {
        EXPECT_EQ(f.windowTitle().toStdString(), "データリスト");
        EXPECT_EQ(Where(f), "1/2");
        f.NextPage->click();
        EXPECT_EQ(Where(f), "2/2");
        f.NextPage->click();
        EXPECT_EQ(Where(f), "2/2");
        f.PrevPage->click();
        EXPECT_EQ(Where(f), "1/2");
        f.PrevPage->click();
        EXPECT_EQ(Where(f), "1/2");
        f.LastPage->click();
        EXPECT_EQ(Where(f), "2/2");
        f.TopPage->click();
        EXPECT_EQ(Where(f), "1/2");

        Jump(f, "2");
        EXPECT_EQ(Where(f), "2/2");
        Jump(f, "9"); // outside the document: the page stays
        EXPECT_EQ(Where(f), "2/2");
        Jump(f, "abc");
        EXPECT_EQ(Where(f), "1/2");
        f.NextPage->click();
        Jump(f, std::nullopt); // cancelling answers the default page 1
        EXPECT_EQ(Where(f), "1/2");
        f.CloseButton->click();
    });
    EXPECT_EQ(code, 0);
}

TEST_F(PrintPreview, ZoomStepsStopAtTheEnds)
{
    Run([](TImageDispForm& f) {
        for (int i = 0; i < 20; ++i) f.ZoomOutButton->click();
        EXPECT_EQ(f.DispZoom->text().toStdString(), "50%");
        for (int i = 0; i < 20; ++i) f.ZoomInButton->click();
        EXPECT_EQ(f.DispZoom->text().toStdString(), "200%");
        f.SpeedButton3->click();
        EXPECT_EQ(f.DispZoom->text().toStdString(), "100%");
        // A4 at 96 dpi: 210 mm is 794 pixels, and the paint box has one more on each side.
        EXPECT_EQ(f.ImagePaintBox->width(), 796);
        // The fit takes the largest step that fits the scroll box (the table below checks the steps);
        // when none fits, the zoom stays.
        const QSize area = f.ImagePaintScrollBox->viewport()->size();
        const int step = FitZoomStep(96, 210, 297, area.width(), area.height(), 10);
        f.ZoomJustButton->click();
        EXPECT_EQ(f.DispZoom->text().toStdString(), std::to_string(step ? step * 10 : 100) + "%");
        f.CloseButton->click();
    });
}

TEST(PreviewFit, LargestStepThatFits)
{
    // A4 at 96 dpi is 793.7 x 1122.5 pixels at 100%; the width needs 15 more, the height the top.
    struct Case {
        double w, h;
        int areaW, areaH, step;
    } cases[] = {
        {210, 297, 800, 1200, 9},  {210, 297, 809, 2000, 10}, {210, 297, 808, 2000, 9},
        {210, 297, 800, 554, 0},   {210, 297, 2000, 3000, 20}, {297, 210, 1200, 800, 9},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitZoomStep(96, c.w, c.h, c.areaW, c.areaH, 10), c.step) << c.w << "x" << c.h << " in " << c.areaW << "x" << c.areaH;
}

TEST_F(PrintPreview, RuleRowAndTopMarginFromTheMarginDialog)
{
    Run([](TImageDispForm& f) {
        ASSERT_EQ(f.logicalDpiY(), 96);
        f.SpeedButton3->click();
        // The header rule at y 30 mm: 300 * 96 / 254 = 113.4; column 80 mm holds rules only.
        const int x = 302;
        EXPECT_NEAR(DarkRow(f.ImagePaintBox->grab().toImage(), x, 90, 140), 113, 1);

        WhenModal([](QWidget* w) {
            auto* m = qobject_cast<Tfmyohaku*>(w);
            ASSERT_NE(m, nullptr);
            EXPECT_TRUE(m->GroupBox3->isVisibleTo(m)); // the printer has the data's paper: pitch shown
            m->EdTop->setFocus();
            m->EdTop->selectAll();
            QTest::keyClicks(m->EdTop, "50");
            m->Button1->click();
        });
        f.SB_MARGIN->click();
        EXPECT_EQ(PlotivarDef.TopMargin, 50);
        // 5 mm more: 50 * 96 / 254 = 18.9 rows further down.
        EXPECT_NEAR(DarkRow(f.ImagePaintBox->grab().toImage(), x, 90, 150), 113 + 19, 1);
        f.CloseButton->click();
    });
}

TEST_F(PrintPreview, ALandscapePageTurnsTheSheet)
{
    WriteFile(dir_ / "turn.prn", Utf8ToCp932(std::string(kHeader) + "TEXT;200;200;ONE;ＭＳ 明朝;12;;黒;1;;0;0;\r\nE;\r\n"
                                                                     "ORIENTATION;1;\r\nTEXT;200;200;TWO;ＭＳ 明朝;12;;黒;1;;0;0;\r\n"));
    block_.DataFile = (dir_ / "turn.prn").string();
    Run([](TImageDispForm& f) {
        EXPECT_GT(f.PaperPanel->height(), f.PaperPanel->width());
        f.NextPage->click();
        EXPECT_EQ(VdbPrint().Orientation(), 1);
        EXPECT_GT(f.PaperPanel->width(), f.PaperPanel->height());
        f.TopPage->click();
        EXPECT_EQ(VdbPrint().Orientation(), 0);
        EXPECT_GT(f.PaperPanel->height(), f.PaperPanel->width());
        f.CloseButton->click();
    });
}

TEST_F(PrintPreview, PrintingFromThePreviewKeepsThePageShown)
{
    if (!HaveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils is not installed";
    const std::string pdf = (dir_ / "out.pdf").string();
    VdbPrint().PdfFileName = pdf;
    int asked = 0;
    TScopedPrintDialog dialog([&](TVDBPrint&, TPrintDialogState& s) {
        ++asked;
        EXPECT_EQ(s.MaxPage, 2);
        return true;
    });
    Run([](TImageDispForm& f) {
        f.NextPage->click();
        f.PrintButton->click();
        EXPECT_EQ(Where(f), "2/2");
        f.CloseButton->click();
    });
    EXPECT_EQ(asked, 1); // the preview's print always asks
    EXPECT_TRUE(QString::fromStdString(Output("pdfinfo '" + pdf + "'")).contains(QRegularExpression("Pages:\\s+2\\n")));
    EXPECT_EQ(PlotivarDef.DataFile, block_.DataFile);
}

TEST_F(PrintPreview, WithoutPermissionThePrintButtonsAreDisabled)
{
    block_.Permit = false;
    block_.CurrentPage = false; // only the engine's own block decides that button
    Run([](TImageDispForm& f) {
        EXPECT_FALSE(f.PrintButton->isEnabled());
        EXPECT_FALSE(f.PrintSetupButton->isEnabled());
        EXPECT_FALSE(f.CurrentPage->isEnabled());
        EXPECT_TRUE(f.CurrentPage->isVisibleTo(&f));
        EXPECT_TRUE(f.SB_MARGIN->isEnabled());
        f.CloseButton->click();
    });
}

TEST_F(PrintPreview, CloseCodes)
{
    block_.PrevPaperButton = true;
    block_.NextPaperButton = true;
    EXPECT_EQ(Run([](TImageDispForm& f) { f.PrevPaper->click(); }), -1);
    EXPECT_EQ(Run([](TImageDispForm& f) { f.NextPaper->click(); }), 1);
    EXPECT_EQ(Run([](TImageDispForm& f) { f.CloseButton->click(); }), 0);
    EXPECT_EQ(Run([](TImageDispForm& f) { f.close(); }), 0); // title bar, paper buttons shown
    block_.PrevPaperButton = false;
    block_.NextPaperButton = false;
    EXPECT_EQ(Run([](TImageDispForm& f) {
                  EXPECT_FALSE(f.PrevPaper->isVisibleTo(&f));
                  f.close();
              }),
              1); // title bar, paper buttons hidden
}

TEST_F(PrintPreview, MissingDataFileIsSaidAndNothingOpens)
{
    MessageCatcher boxes;
    block_.DataFile = (dir_ / "none.prn").string();
    EXPECT_EQ(ShowPreview(block_), 0);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.FirstLine(), "<" + block_.DataFile + "> が見つかりません。");
}

} // namespace
