// The data-list printout: the print-data file against records written by hand (portrait, landscape
// with the code column and the shared-server numbering, the page break after 55 lines), and the
// list printed on the PDF device and read back with poppler's tools.

#include "dataselect/z5PrDataList.h"
#include "core/uAccRecord.h"
#include "platform/Text.h"
#include "print/Plotivar_Vdb.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "print/PrintTestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace kb;
using namespace kbtest;

namespace {

TDataListRec Rec(int rec, const std::string& name, int nendo, const std::string& folder, const std::string& code = "")
{
    TDataListRec r;
    r.REC = rec;
    r.DATACODE = code;
    r.ENTTEXT = name;
    r.DISPNAME = name;
    r.NENDO = nendo;
    r.KIKANTEXT = nendo > 0 ? "R06/01/01-R06/12/31" : "";
    r.PASNAME = folder;
    return r;
}

TDataSentakuRec Row(const TDataListRec& r, std::vector<TDataListRec> children = {})
{
    TDataSentakuRec s;
    s.DataRec = r;
    s.ChildCount = static_cast<int>(children.size());
    s.ChildList = std::move(children);
    return s;
}

// The records after the header block, as UTF-8 lines without CR LF.
std::string Body(const std::string& file)
{
    std::istringstream in(Cp932ToUtf8(ReadFile(file)));
    std::string line, out;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '*') out += line + "\n";
    }
    return out;
}

class PrDataListFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = SystemDef;
        savedPrint_ = TPlotivar::StartPrint();
        savedPreview_ = TPlotivar::ShowPreview();
        SystemDef.TempDir = dir_.path().string();
        SystemDef.AppDataDir = "/data/kb";
        SystemDef.NetColor1 = 0x00FF00;
        SystemDef.NetColor2 = 0x0000FF;
        InitDefaultPrintRec(list_.PrintRec);
        list_.PrintRec.FontIndex = 1;
        list_.PrintRec.FontSize = 11;      // headings
        list_.PrintRec.LineFontSize = 12;  // rows still print at 9
        list_.Plotivar.DelFile = false;
        TPlotivar::StartPrint() = [this](TPlotivarDEF& d) {
            printed_ = d;
            return -1;
        };
        TPlotivar::ShowPreview() = [this](TPlotivarDEF& d) {
            previewed_ = d;
            return 1;
        };
    }
    void TearDown() override
    {
        TPlotivar::StartPrint() = savedPrint_;
        TPlotivar::ShowPreview() = savedPreview_;
        SystemDef = saved_;
    }

    TempDir dir_;
    TSystemDef saved_;
    TPlotivar::Runner savedPrint_, savedPreview_;
    TPrDataList list_;
    TPlotivarDEF printed_, previewed_;
};

TEST_F(PrDataListFile, PortraitRowsChildrenAndEmptyCells)
{
    list_.Rows = {Row(Rec(12, "山田商店", 5, "/DATA/KB/0012")),
                  Row(Rec(3, "合算本体", 2, "/data/kb/0003"),
                      {Rec(31, "支店A", 2, "/data/kb/0003/001"), Rec(32, "支店B", 0, "/other/0032")}),
                  Row(Rec(7, "新規", 0, "/data/kb/0007")),
                  Row([] {
                      TDataListRec r = Rec(9, "", 4, "/data/kb/0009");
                      r.DISPNAME = "（空き）";
                      return r;
                  }())};
    list_.DispIndex = {1, 0, 3, 2};
    ASSERT_TRUE(list_.Print(true));
    EXPECT_TRUE(previewed_.DataFile.empty());
    const std::string file = printed_.DataFile;
    EXPECT_EQ(std::filesystem::path(file).parent_path(), dir_.path());
    EXPECT_EQ(std::filesystem::path(file).filename().string().substr(0, 1), "~");
    EXPECT_EQ(printed_.Orientation, 0);
    EXPECT_EQ(printed_.PaperSize, 9);
    EXPECT_EQ(printed_.Title, "印刷プレビュー");

    const std::string g = ";ＭＳ ゴシック;";
    const std::string expected =
        "TEXT;1000;150;データリスト" + g + "16;;黒;1;CENTER;0;0;\n"
        "TEXT;2000;250;PAGE    1" + g + "11;;黒;1;RIGHT;0;0;\n"
        "LINE;150;300;2000;300;4;0;黒;\n"
        "TEXT;180;325;No" + g + "11;;黒;1;LEFT;0;0;\n"
        "TEXT;250;325;データリスト名" + g + "11;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;325;会計年度" + g + "11;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;325;会計期間" + g + "11;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;325;データフォルダ" + g + "11;;黒;1;LEFT;0;0;\n"
        "LINE;150;390;2000;390;4;0;黒;\n"
        "LINE;150;2820;2000;2820;4;0;黒;\n"
        // line 1: the consolidated row
        "TEXT;170;405;  3" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;405;合算本体" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;405;2 期" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;405;R06/01/01-R06/12/31" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;405;~/0003" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;439;2000;439;0;2;0;\n"
        // lines 2 and 3: its children, without number
        "TEXT;250;449;支店A" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;449;2 期" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;449;R06/01/01-R06/12/31" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;449;~/0003/001" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;483;2000;483;0;2;0;\n"
        "TEXT;250;493;支店B" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;493;" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;493;" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;493;/other/0032" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;527;2000;527;0;2;0;\n"
        // line 4: the folder's root in other letter case still becomes "~"
        "TEXT;170;537; 12" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;537;山田商店" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;537;5 期" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;537;R06/01/01-R06/12/31" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;537;~/0012" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;571;2000;571;0;2;0;\n"
        // line 5: an empty slot, year and period empty and left-aligned
        "TEXT;170;581;  9" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;581;（空き）" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;581;" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1350;581;" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1600;581;~/0009" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;615;2000;615;0;2;0;\n"
        // line 6: NENDO 0, year and period empty and centred
        "TEXT;170;625;  7" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;625;新規" + g + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1050;625;" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1350;625;" + g + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1600;625;~/0007" + g + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;659;2000;659;0;2;0;\n";
    EXPECT_EQ(Body(file), expected);
    // Black and white: the shades are the greys of green (85) and red (85), the user colours black.
    const std::string header = Cp932ToUtf8(ReadFile(file));
    EXPECT_NE(header.find("*NETC1=$555555\r\n"), std::string::npos);
    EXPECT_NE(header.find("*NETC2=$555555\r\n"), std::string::npos);
    EXPECT_NE(header.find("*FORMPRINT=FALSE\r\n"), std::string::npos);
}

TEST_F(PrDataListFile, LandscapeSharedListHasCodesAndRunningNumbers)
{
    list_.ServerList = 1;
    list_.Orientation = 1;
    list_.PrintRec.FontIndex = 0;
    list_.Rows = {Row(Rec(40, "甲", 3, "/data/kb/0040", "A01")),
                  Row(Rec(41, "乙", 3, "/data/kb/0041", "B02"), {Rec(50, "乙-1", 3, "/data/kb/0041/001", "B02-1")})};
    list_.DispIndex = {1, 0};
    ASSERT_TRUE(list_.Print(false));
    EXPECT_EQ(previewed_.Orientation, 1);
    const std::string m = ";ＭＳ 明朝;";
    const std::string expected =
        "TEXT;1410;150;共有データリスト" + m + "16;;黒;1;CENTER;0;0;\n"
        "TEXT;2820;250;PAGE    1" + m + "11;;黒;1;RIGHT;0;0;\n"
        "LINE;150;300;2820;300;4;0;黒;\n"
        "TEXT;180;325;No" + m + "11;;黒;1;LEFT;0;0;\n"
        "TEXT;250;325;コード" + m + "11;;黒;1;LEFT;0;0;\n"
        "TEXT;450;325;データリスト名" + m + "11;;黒;1;LEFT;0;0;\n"
        "TEXT;1250;325;会計年度" + m + "11;;黒;1;CENTER;0;0;\n"
        "TEXT;1550;325;会計期間" + m + "11;;黒;1;CENTER;0;0;\n"
        "TEXT;1800;325;データフォルダ" + m + "11;;黒;1;LEFT;0;0;\n"
        "LINE;150;390;2820;390;4;0;黒;\n"
        "LINE;150;1945;2820;1945;4;0;黒;\n"
        "TEXT;170;405;  1" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;405;B02" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;450;405;乙" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1250;405;3 期" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1550;405;R06/01/01-R06/12/31" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1800;405;~/0041" + m + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;439;2820;439;0;2;0;\n"
        "TEXT;250;449;B02-1" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;450;449;乙-1" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1250;449;3 期" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1550;449;R06/01/01-R06/12/31" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1800;449;~/0041/001" + m + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;483;2820;483;0;2;0;\n"
        "TEXT;170;493;  2" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;250;493;A01" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;450;493;甲" + m + "9;;黒;1;LEFT;0;0;\n"
        "TEXT;1250;493;3 期" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1550;493;R06/01/01-R06/12/31" + m + "9;;黒;1;CENTER;0;0;\n"
        "TEXT;1800;493;~/0040" + m + "9;;黒;1;LEFT;0;0;\n"
        "LINE;150;527;2820;527;0;2;0;\n";
    EXPECT_EQ(Body(previewed_.DataFile), expected);
}

TEST_F(PrDataListFile, EmptyListIsTheHeaderOnly)
{
    ASSERT_TRUE(list_.Print(true));
    EXPECT_EQ(Body(printed_.DataFile), "");
}

// 53 rows, the tenth with 3 children: 56 lines, a page break after line 55.
std::vector<TDataSentakuRec> FiftySixLines()
{
    std::vector<TDataSentakuRec> rows;
    for (int i = 1; i <= 53; ++i) {
        char name[32], folder[32];
        std::snprintf(name, sizeof name, "DATA%02d", i);
        std::snprintf(folder, sizeof folder, "/data/kb/%04d", i);
        rows.push_back(Row(Rec(i, name, 1, folder)));
    }
    rows[9].ChildList = {Rec(101, "CHILD1", 1, "/data/kb/0010/001"), Rec(102, "CHILD2", 1, "/data/kb/0010/002"),
                         Rec(103, "CHILD3", 1, "/data/kb/0010/003")};
    rows[9].ChildCount = 3;
    return rows;
}

TEST_F(PrDataListFile, FiftySixLinesBreakAfterLine55)
{
    list_.Rows = FiftySixLines();
    for (int i = 0; i < 53; ++i) list_.DispIndex.push_back(i);
    ASSERT_TRUE(list_.Print(true));
    const std::string body = Body(printed_.DataFile);
    const std::string g = ";ＭＳ ゴシック;";
    // Line 55 (row 52) at y 361 + 44 * 55 = 2781 ends page 1 without a dotted rule.
    const std::string pageBreak = "TEXT;1600;2781;~/0052" + g + "9;;黒;1;LEFT;0;0;\n"
                                  "E;\n"
                                  "TEXT;1000;150;データリスト" + g + "16;;黒;1;CENTER;0;0;\n"
                                  "TEXT;2000;250;PAGE    2" + g + "11;;黒;1;RIGHT;0;0;\n";
    EXPECT_NE(body.find(pageBreak), std::string::npos) << body.substr(body.size() - 3000);
    EXPECT_EQ(body.find("LINE;150;2815;"), std::string::npos);
    // Row 53 is line 1 of page 2, with its rule.
    const std::string last = "TEXT;170;405; 53" + g + "9;;黒;1;LEFT;0;0;\n";
    const std::size_t at = body.find(last);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, body.find("E;\n"));
    EXPECT_EQ(body.substr(body.size() - 29), "LINE;150;439;2000;439;0;2;0;\n");
}

// The text between the start of pos's line and pos, without surrounding blanks.
std::string Lead(const std::string& text, std::size_t pos)
{
    const std::size_t start = text.rfind('\n', pos) + 1;
    return QString::fromStdString(text.substr(start, pos - start)).trimmed().toStdString();
}

std::string Simplified(const std::string& text) { return QString::fromStdString(text).simplified().toStdString(); }

// The list printed on the PDF device and read back.
class PrDataListPdf : public PrDataListFile {
protected:
    void SetUp() override
    {
        if (!HaveTool("pdftotext") || !HaveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
        PrDataListFile::SetUp();
        TPlotivar::StartPrint() = savedPrint_;
        SetVdbPrint(std::make_unique<TVDBPrint>(std::vector<std::string>{}, "", true));
        VdbPrint().PdfFileName = pdf_;
        list_.Plotivar.PrnDlg = false;
        list_.PrintRec.FontIndex = 0;
        list_.Rows = FiftySixLines();
        for (int i = 0; i < 53; ++i) list_.DispIndex.push_back(i);
    }
    void TearDown() override
    {
        SetVdbPrint(nullptr);
        PrDataListFile::TearDown();
    }
    std::string Page(int n) const
    {
        return Output("pdftotext -layout -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + pdf_ + "' -");
    }

    ScopedEnv docs_{"KB_DOCUMENTS_DIR", dir_.path().string()};
    std::string pdf_ = (dir_ / "list.pdf").string();
};

TEST_F(PrDataListPdf, PagesHoldTheLinesInDisplayOrder)
{
    ASSERT_TRUE(list_.Print(true));
    const std::string one = Page(1), two = Page(2);
    EXPECT_NE(Simplified(one).find("データリスト PAGE 1 No データリスト名"), std::string::npos);
    std::size_t at = one.find("データリスト");
    ASSERT_NE(at, std::string::npos) << one;
    for (const char* word : {"PAGE", "No", "データリスト名", "会計年度", "会計期間", "データフォルダ"}) {
        const std::size_t next = one.find(word, at);
        ASSERT_NE(next, std::string::npos) << word << "\n" << one;
        at = next;
    }
    // Lines 1-55: rows 1-10, the three children, rows 11-52; a row's line starts with its number, a
    // child's with nothing.
    std::vector<std::pair<std::string, std::string>> lines; // name, number
    for (int i = 1; i <= 52; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "DATA%02d", i);
        lines.emplace_back(name, std::to_string(i));
        if (i == 10)
            for (const char* child : {"CHILD1", "CHILD2", "CHILD3"}) lines.emplace_back(child, "");
    }
    for (const auto& [name, number] : lines) {
        const std::size_t next = one.find(name, at);
        ASSERT_NE(next, std::string::npos) << name << "\n" << one;
        EXPECT_EQ(Lead(one, next), number) << name;
        at = next;
    }
    EXPECT_NE(one.find("~/0010/002"), std::string::npos);
    EXPECT_NE(one.find("1 期"), std::string::npos);
    EXPECT_EQ(one.find("DATA53"), std::string::npos);
    EXPECT_NE(Simplified(two).find("PAGE 2"), std::string::npos) << two;
    const std::size_t last = two.find("DATA53");
    ASSERT_NE(last, std::string::npos) << two;
    EXPECT_EQ(Lead(two, last), "53");
    EXPECT_NE(two.find("~/0053"), std::string::npos) << two;
}

// Page 1's rules against a reference drawn at 100 dpi from the figures in tenths of a millimetre:
// solid rules at 300, 390 and 2820, a dotted rule 34 below each of lines 1-54 (none under line 55).
// Texts are masked: their boxes (IPAMincho's fixed pitch, half an em a byte) with a millimetre round.
TEST_F(PrDataListPdf, PageOneRulesMatchTheirReference)
{
    ASSERT_TRUE(list_.Print(true));
    Output("pdftoppm -r 100 -gray -aaVector no -f 1 -l 1 '" + pdf_ + "' '" + (dir_ / "page").string() + "'");
    QImage page;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        if (entry.path().extension() == ".pgm") page.load(QString::fromStdString(entry.path().string()));
    ASSERT_FALSE(page.isNull());

    const double px = 100 / 254.0;
    std::vector<QRectF> masks;
    // x, y in tenths of a mm; align 0 left, 1 centre, 2 right.
    auto mask = [&](int x, int y, int bytes, int points, int align) {
        const double em = points * 254.0 / 72, w = bytes * em / 2;
        const double left = x - (align == 1 ? w / 2 : align == 2 ? w : 0);
        masks.push_back(QRectF(QPointF((left - 10) * px, (y - 10) * px), QPointF((left + w + 10) * px, (y + em + 10) * px)));
    };
    mask(1000, 150, 12, 16, 1);   // データリスト
    mask(2000, 250, 9, 11, 2);    // PAGE    1
    mask(180, 325, 2, 11, 0);
    mask(250, 325, 14, 11, 0);
    mask(1050, 325, 8, 11, 1);
    mask(1350, 325, 8, 11, 1);
    mask(1600, 325, 14, 11, 0);
    for (int n = 1; n <= 55; ++n) {
        const int y = 361 + 44 * n;
        mask(170, y, 3, 9, 0);
        mask(250, y, 6, 9, 0);
        mask(1050, y, 4, 9, 1);
        mask(1350, y, 19, 9, 1);
        mask(1600, y, n >= 11 && n <= 13 ? 10 : 6, 9, 0);
    }

    QImage ref(page.size(), QImage::Format_RGB32);
    ref.fill(Qt::white);
    {
        QPainter r(&ref);
        r.setPen(QPen(Qt::black, 4 * px, Qt::SolidLine, Qt::RoundCap));
        for (int y : {300, 390, 2820}) r.drawLine(QPointF(150 * px, y * px), QPointF(2000 * px, y * px));
        r.setPen(QPen(Qt::black, 0));
        for (int n = 1; n <= 54; ++n) {
            const int y = 361 + 44 * n + 34;
            r.drawLine(QPointF(150 * px, y * px), QPointF(2000 * px, y * px));
        }
    }
    long differ = 0, total = 0, ink = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            bool masked = false;
            for (const QRectF& m : masks) masked = masked || m.contains(x, y);
            if (masked) continue;
            ++total;
            // A hairline may land one pixel above or below its figure's pixel row.
            auto inkNear = [&](const QImage& im) {
                for (int dy = -1; dy <= 1; ++dy)
                    if (y + dy >= 0 && y + dy < im.height() && qGray(im.pixel(x, y + dy)) < 128) return true;
                return false;
            };
            const bool a = qGray(page.pixel(x, y)) < 128, b = qGray(ref.pixel(x, y)) < 128;
            ink += a;
            differ += (a && !inkNear(ref)) || (b && !inkNear(page));
        }
    }
    EXPECT_GT(ink, 50 * 300); // the dotted rules are there at all
    EXPECT_LE(differ, total / 200) << differ << " of " << total;
}

} // namespace
