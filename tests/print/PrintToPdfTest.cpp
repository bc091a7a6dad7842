// A hand-written two-page data list drawn to a PDF at 1200 dpi and read back with poppler's tools:
// the texts in order, each word within 0.5 mm of the box worked out from the record, and page 1's
// rules against a reference drawn from the same hand-computed figures.

#include "print/Plotivar_ImageOut.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "print/PrintTestSupport.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace kb;
using namespace kbtest;

namespace {

// One word as the test expects it: its text, and its box in millimetres.
struct Box {
    std::string text;
    double left, top, right, bottom;
};

// IPAMincho is fixed pitch: a full-width character is one em wide, a half-width one half an em; its
// cell (ascent plus descent) is one em high. Anchor x in tenths of a mm, align 0 left, 1 centre, 2 right.
Box Expect(const std::string& text, int x, int y, int points, int align, int firstChar = 0, int chars = -1)
{
    const double em = points * 25.4 / 72; // mm
    auto ems = [&](const std::string& s) { return sjis::ByteLength(s) * 0.5 * em; };
    const double w = ems(text);
    double left = x / 10.0 - (align == 1 ? w / 2 : align == 2 ? w : 0);
    // A word within the text (pdftotext splits at blanks).
    const std::string before = text.substr(0, firstChar);
    const std::string word = text.substr(firstChar, chars < 0 ? std::string::npos : chars);
    left += ems(before);
    return {word, left, y / 10.0, left + ems(word), y / 10.0 + em};
}

// An A4 sheet without margins at dpi, so the painter's origin is the paper's corner.
void SetUpA4(QPdfWriter& writer, int dpi)
{
    writer.setResolution(dpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
}


class PrintToPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("pdftotext") || !HaveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
        kbtest::WriteFile(dir_ / "list.prn", Utf8ToCp932(DataListText()));
        pdf_ = (dir_ / "list.pdf").string();

        TPlotivarDEF def;
        def.PrintFom = false;
        TPlotivarEngine engine;
        engine.Def = &def;
        TPrintTextFile f;
        ASSERT_TRUE(f.Open((dir_ / "list.prn").string()));
        QPdfWriter writer(QString::fromStdString(pdf_));
        SetUpA4(writer, 1200);
        QPainter p(&writer);
        const double scale = 1200 / 254.0;
        EXPECT_FALSE(DrawPrintPage(engine, "DAT", f, p, 1200, scale, scale, 10, false, 0, 0, 0));
        writer.newPage();
        EXPECT_TRUE(DrawPrintPage(engine, "DAT", f, p, 1200, scale, scale, 10, true, 0, 0, 0));
        p.end();
    }

    std::vector<std::vector<Box>> PageWords() const
    {
        const std::string html = Output("pdftotext -bbox '" + pdf_ + "' -");
        std::vector<std::vector<Box>> pages;
        static const QRegularExpression page("<page "), word(
            "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
        const QStringList parts = QString::fromStdString(html).split(page);
        for (int i = 1; i < parts.size(); ++i) {
            pages.emplace_back();
            auto it = word.globalMatch(parts[i]);
            while (it.hasNext()) {
                const auto m = it.next();
                const double k = 25.4 / 72;
                pages.back().push_back({m.captured(5).toStdString(), m.captured(1).toDouble() * k,
                                        m.captured(2).toDouble() * k, m.captured(3).toDouble() * k,
                                        m.captured(4).toDouble() * k});
            }
        }
        return pages;
    }

    static std::vector<Box> ExpectedWords(int page)
    {
        std::vector<Box> b = {
            Expect("データリスト", 1000, 150, 16, 1),
            Expect("PAGE    " + std::to_string(page), 2000, 250, 9, 2, 0, 4),
            Expect("PAGE    " + std::to_string(page), 2000, 250, 9, 2, 8, 1),
            Expect("No", 180, 325, 9, 0),
            Expect("データリスト名", 250, 325, 9, 0),
            Expect("会計年度", 1050, 325, 9, 1),
            Expect("会計期間", 1350, 325, 9, 1),
            Expect("データフォルダ", 1600, 325, 9, 0),
        };
        auto row = [&](int y, const std::string& no, const std::string& name, const std::string& year,
                       const std::string& folder) {
            b.push_back(Expect("  " + no, 170, y, 9, 0, 2));
            b.push_back(Expect(name, 250, y, 9, 0));
            b.push_back(Expect(year, 1050, y, 9, 1, 0, static_cast<int>(year.find(' '))));
            b.push_back(Expect(year, 1050, y, 9, 1, static_cast<int>(year.find(' ')) + 1));
            b.push_back(Expect("R06/01/01-R06/12/31", 1350, y, 9, 1));
            b.push_back(Expect(folder, 1600, y, 9, 0));
        };
        if (page == 1) {
            row(405, "1", "山田商店", "5 期", "~/0001");
            row(449, "2", "佐藤農園", "12 期", "~/0002");
        } else {
            row(405, "3", "鈴木不動産", "1 期", "~/0003");
        }
        return b;
    }

    kbtest::TempDir dir_;
    std::string pdf_;
};

TEST_F(PrintToPdf, LayoutTextKeepsTheOrderOfEachPage)
{
    const std::string text = Output("pdftotext -layout '" + pdf_ + "' -");
    const auto pages = QString::fromStdString(text).split('\f');
    ASSERT_GE(pages.size(), 2);
    const std::vector<std::vector<const char*>> order = {
        {"データリスト", "PAGE", "1", "No", "データリスト名", "会計年度", "会計期間", "データフォルダ", "1", "山田商店", "5 期",
         "R06/01/01-R06/12/31", "~/0001", "2", "佐藤農園", "12 期", "~/0002"},
        {"データリスト", "PAGE", "2", "No", "データリスト名", "会計年度", "会計期間", "データフォルダ", "3", "鈴木不動産", "1 期",
         "~/0003"},
    };
    for (int p = 0; p < 2; ++p) {
        int at = 0;
        for (const char* t : order[p]) {
            const int found = pages[p].indexOf(QString::fromUtf8(t), at);
            EXPECT_GE(found, 0) << "page " << p + 1 << ": " << t << " after " << at << "\n" << pages[p].toStdString();
            if (found >= 0) at = found + 1;
        }
    }
    EXPECT_FALSE(pages[1].contains(QString::fromUtf8("山田商店")));
}

TEST_F(PrintToPdf, WordsLieWithinHalfAMillimetreOfTheirBoxes)
{
    const auto pages = PageWords();
    ASSERT_EQ(pages.size(), 2u);
    for (int p = 0; p < 2; ++p) {
        for (const Box& e : ExpectedWords(p + 1)) {
            const Box* best = nullptr;
            for (const Box& w : pages[p])
                if (w.text == e.text && (!best || std::abs(w.top - e.top) < std::abs(best->top - e.top))) best = &w;
            ASSERT_NE(best, nullptr) << "page " << p + 1 << ": " << e.text;
            EXPECT_NEAR(best->left, e.left, 0.5) << e.text;
            EXPECT_NEAR(best->right, e.right, 0.5) << e.text;
            EXPECT_NEAR(best->top, e.top, 0.5) << e.text;
            EXPECT_NEAR(best->bottom, e.bottom, 0.5) << e.text;
        }
    }
}

TEST_F(PrintToPdf, PageOneRulesMatchTheirReference)
{
    const std::string prefix = (dir_ / "page").string();
    Output("pdftoppm -r 100 -gray -aaVector no -f 1 -l 1 '" + pdf_ + "' '" + prefix + "'");
    QImage page;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        if (entry.path().extension() == ".pgm") page.load(QString::fromStdString(entry.path().string()));
    ASSERT_FALSE(page.isNull());

    // The reference: the page's rules at 100 dpi from their figures in tenths of a millimetre.
    const double px = 100 / 254.0;
    QImage ref(page.size(), QImage::Format_RGB32);
    ref.fill(Qt::white);
    {
        QPainter r(&ref);
        QPen solid(Qt::black, 4 * px, Qt::SolidLine, Qt::RoundCap);
        r.setPen(solid);
        for (int y : {300, 390, 2820}) r.drawLine(QPointF(150 * px, y * px), QPointF(2000 * px, y * px));
        r.setPen(QPen(Qt::black, 0));
        r.drawLine(QPointF(150 * px, 439 * px), QPointF(2000 * px, 439 * px));
    }
    // Texts are masked: their boxes with a millimetre around them.
    std::vector<QRect> masks;
    for (const Box& b : ExpectedWords(1))
        masks.push_back(QRect(QPoint(static_cast<int>((b.left - 1) * 100 / 25.4), static_cast<int>((b.top - 1) * 100 / 25.4)),
                              QPoint(static_cast<int>((b.right + 1) * 100 / 25.4), static_cast<int>((b.bottom + 1) * 100 / 25.4))));
    long differ = 0, total = 0, inkOnPage = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            bool masked = false;
            for (const QRect& m : masks) masked = masked || m.contains(x, y);
            if (masked) continue;
            ++total;
            const bool a = qGray(page.pixel(x, y)) < 128, b = qGray(ref.pixel(x, y)) < 128;
            inkOnPage += a;
            differ += a != b;
        }
    }
    EXPECT_GT(inkOnPage, 3 * 700); // the rules are there at all
    EXPECT_LE(differ, total / 200) << differ << " of " << total;
}

} // namespace

namespace {

// A page that darkens with AND reaches a PDF as an image of the page; what lies under it (the form
// drawn before) stays visible, and the darkening is kept.
TEST(PrintToPdfAnd, AndPagesArePlacedAsAnImageOverWhatIsUnder)
{
    if (!HaveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
    kbtest::TempDir dir;
    const std::string pdf = (dir / "and.pdf").string();
    {
        TPlotivarDEF def;
        TPlotivarEngine engine;
        engine.Def = &def;
        QPdfWriter writer(QString::fromStdString(pdf));
        SetUpA4(writer, 300);
        QPainter p(&writer);
        const double scale = 300 / 254.0;
        TPrintTextFile form, data;
        form.Assign({"FRECT;100;100;300;300;青;0;"});
        data.Assign({"FRECT;200;200;400;400;赤;0;", "FRECT;300;300;500;500;黄;2;"});
        DrawPrintPage(engine, "FOM", form, p, 300, scale, scale, 10, false, 0, 0, 0);
        DrawPrintPage(engine, "DAT", data, p, 300, scale, scale, 10, false, 0, 0, 0);
    }
    Output("pdftoppm -r 50 -f 1 -l 1 '" + pdf + "' '" + (dir / "and").string() + "'");
    QImage page;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().extension() == ".ppm") page.load(QString::fromStdString(entry.path().string()));
    ASSERT_FALSE(page.isNull());
    // 50 dpi: a tenth of a millimetre is 50 / 254 pixels; sample the middle of each region.
    // The page image may be stored with lossy compression: colours are compared within 8 steps.
    auto near = [&](int x, int y, QRgb want) {
        const QRgb got = page.pixel(qRound(x * 50 / 254.0), qRound(y * 50 / 254.0));
        return std::abs(qRed(got) - qRed(want)) <= 8 && std::abs(qGreen(got) - qGreen(want)) <= 8 &&
               std::abs(qBlue(got) - qBlue(want)) <= 8;
    };
    EXPECT_TRUE(near(150, 150, qRgb(0, 0, 255)));   // the form under the page
    EXPECT_TRUE(near(250, 250, qRgb(255, 0, 0)));
    EXPECT_TRUE(near(350, 350, qRgb(255, 0, 0)));   // yellow AND red
    EXPECT_TRUE(near(450, 450, qRgb(255, 255, 0))); // yellow AND white
    EXPECT_TRUE(near(600, 600, qRgb(255, 255, 255)));
}

} // namespace
