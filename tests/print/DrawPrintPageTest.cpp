// The page interpreter on a QImage at 254 dpi with one pixel per tenth of a millimetre, so a record's
// coordinates are the pixels it lands on. Every expected pixel is worked out from the record by hand.

#include "print/Plotivar_ImageOut.h"
#include "print/Plotivar_Pages.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

using namespace kb;

namespace {

constexpr QRgb White = 0xFFFFFFFF;

struct Canvas {
    TPlotivarDEF def;
    TPlotivarEngine engine;
    QImage image{600, 600, QImage::Format_RGB32};
    Canvas()
    {
        engine.Def = &def;
        image.fill(Qt::white);
    }
    // Draws the page text (lines separated by "\n") and answers DrawPrintPage's result.
    bool Draw(const std::string& page, const std::string& kind = "DAT", bool even = false)
    {
        TPrintTextFile f;
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t p = page.find('\n'); ; p = page.find('\n', start)) {
            lines.push_back(page.substr(start, p == std::string::npos ? std::string::npos : p - start));
            if (p == std::string::npos) break;
            start = p + 1;
        }
        f.Assign(lines);
        QPainter p(&image);
        return DrawPrintPage(engine, kind, f, p, 254, 1.0, 1.0, 10, even, 0, 0, 0);
    }
    QRgb At(int x, int y) const { return image.pixel(x, y) | 0xFF000000; }
    // Bounding box of the pixels darker than mid-grey.
    QRect Ink(QRect within = QRect(0, 0, 600, 600)) const
    {
        QRect r;
        for (int y = within.top(); y <= within.bottom(); ++y)
            for (int x = within.left(); x <= within.right(); ++x)
                if (qGray(image.pixel(x, y)) < 128) r = r.united(QRect(x, y, 1, 1));
        return r;
    }
};

struct PixelCase {
    const char* name;
    const char* page;
    std::vector<std::pair<QPoint, QRgb>> pixels;
    std::function<void(Canvas&)> setup = nullptr;
};

TEST(DrawPrintPage, RecordsLandOnHandComputedPixels)
{
    const QRgb red = 0xFFFF0000, black = 0xFF000000, blue = 0xFF0000FF, grey = 0xFF808080, yellow = 0xFFFFFF00;
    const PixelCase cases[] = {
        // A 0.3 mm line is three pixels thick around its y.
        {"line", "LINE;100;100;300;100;3;0;赤", {{{200, 99}, red}, {{200, 101}, red}, {{200, 97}, White}, {{96, 100}, White}}},
        // A 0.05 mm ELINE still shows as one pixel.
        {"eline", "ELINE;100;100;300;100;5;0;黒", {{{200, 100}, black}, {{200, 102}, White}}},
        // Without brush fields a box is filled black (colour 0, style solid); brush style 1 leaves it open.
        {"box bare", "BOX;100;100;200;200", {{{150, 150}, black}, {{205, 150}, White}}},
        // GDI's outline ends one pixel before the second corner.
        {"box outline", "BOX;100;100;200;200;1;0;黒;白;1",
         {{{150, 100}, black}, {{100, 150}, black}, {{199, 150}, black}, {{200, 150}, White}, {{150, 150}, White}}},
        {"box fill", "BOX;100;100;200;200;1;0;黒;青;0", {{{150, 150}, blue}, {{150, 205}, White}}},
        {"colour number", "BOX;100;100;200;200;1;0;255;255;0", {{{150, 150}, red}}},
        {"ucolor1", "BOX;100;100;200;200;1;0;ucolor1;UCOLOR1;0", {{{150, 150}, 0xFF123456}},
         [](Canvas& c) { c.def.UserColor1 = 0x563412; }},
        {"shading word", "FRECT;100;100;200;200;薄網掛;0", {{{150, 150}, 0xFFAABBCC}},
         [](Canvas& c) { c.def.NetColor1 = 0xCCBBAA; }},
        {"grey scale", "FRECT;100;100;200;200;赤;0", {{{150, 150}, qRgb(76, 76, 76)}},
         [](Canvas& c) { c.def.GrayScale = true; }},
        // The fill excludes the rectangle's right and bottom edges.
        {"frect edges", "FRECT;100;100;200;200;灰;0", {{{100, 100}, grey}, {{199, 199}, grey}, {{200, 150}, White}, {{150, 200}, White}}},
        // Mode 1 goes first, under the box drawn before it in the file; mode 0 covers the box.
        {"frect mode 1", "BOX;100;100;200;200;1;0;黒;白;0\nFRECT;120;120;180;180;青;1", {{{150, 150}, White}}},
        {"frect mode 0", "BOX;100;100;200;200;1;0;黒;白;0\nFRECT;120;120;180;180;青;0", {{{150, 150}, blue}}},
        // Mode 2 darkens: yellow over red stays red, over white it is yellow.
        {"frect mode 2", "FRECT;100;100;200;200;赤;0\nFRECT;150;150;250;250;黄;2",
         {{{175, 175}, red}, {{225, 225}, yellow}, {{125, 125}, red}}},
        // Form pages in any colour but white come out light grey when forms are not printed.
        {"form rule", "FRECT;100;100;200;200;赤;0\nFRECT;300;300;400;400;白;0",
         {{{150, 150}, 0xFFE6E6E6}, {{350, 350}, White}}, [](Canvas& c) { c.def.PrintFom = false; }},
        // Margins: the page start's offsets, plus the form offsets on a form page, plus the even shift.
        {"margins", "FRECT;100;100;110;110;黒;0", {{{155, 135}, black}, {{145, 135}, White}},
         [](Canvas& c) { c.engine.LeftOffset = 50; c.engine.TopOffset = 30; }},
        {"even shift", "FRECT;100;100;110;110;黒;0", {{{155, 105}, black}, {{145, 105}, White}},
         [](Canvas& c) { c.engine.EvenShift = 50; }},
        // Two LEFTMARGIN records: the second counts from the page's start, not from the first.
        {"leftmargin", "LEFTMARGIN;50\nLEFTMARGIN;20\nFRECT;100;100;110;110;黒;0", {{{125, 105}, black}, {{155, 105}, White}}},
        {"topmargin 0 keeps", "TOPMARGIN;40\nTOPMARGIN;0\nFRECT;100;100;110;110;黒;0", {{{105, 145}, black}}},
        // After "BP" at (300, 300) every point is relative to it.
        {"bp origin", "BP;300;300;1;0;黒\nFRECT;100;100;200;200;青;0", {{{450, 450}, blue}, {{150, 150}, White}}},
        {"polyline", "BP;100;100;3;0;赤\nLINEB;200;0\nLINEB;200;200",
         {{{200, 100}, red}, {{300, 150}, red}, {{300, 250}, red}, {{150, 150}, White}}},
        // Ratios shrink every device coordinate: 707 per mille of 200 is 141.
        {"ratio", "FRECT;200;200;300;300;黒;0", {{{142, 142}, black}, {{145, 145}, black}, {{139, 139}, White}, {{213, 213}, White}},
         [](Canvas& c) { c.engine.HScale = c.engine.VScale = 707; }},
        {"circle", "CIRCLE;100;100;300;300;1;0;黒;赤;0", {{{200, 200}, red}, {{105, 105}, White}}},
        // Rounded corners of 5 mm: the box's corner pixel stays white, its edges are drawn.
        {"rrect", "RRECT;100;100;300;300;50;50;1;0;黒;赤;0", {{{200, 200}, red}, {{102, 102}, White}, {{200, 100}, black}}},
        // A memo's frame lies 5 device units outside its box.
        {"memo frame", "MEMO;100;100;300;200;;1", {{{95, 150}, black}, {{100, 150}, White}, {{304, 150}, black}, {{305, 150}, White}}},
        // Three lines left of x = 400 at i * 53 + 1: "000" is three half-width digits of 17.5 pixels.
        {"sline", "SLINE;400;100;200;3;1;0;黒;ＭＳ 明朝;10",
         {{{400 - 54, 150}, black}, {{400 - 107, 150}, black}, {{400 - 160, 150}, black}, {{400 - 80, 150}, White}}},
        // An unknown keyword and a switched-off record draw nothing.
        {"ignored", "*FRECT;100;100;200;200;黒;0\nFILL;100;100;200;200", {{{150, 150}, White}}},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        if (c.setup) c.setup(canvas);
        canvas.Draw(c.page, c.name == std::string("form rule") ? "FOM" : "DAT", c.name == std::string("even shift"));
        for (const auto& [pt, rgb] : c.pixels)
            EXPECT_EQ(canvas.At(pt.x(), pt.y()), rgb) << c.name << " at " << pt.x() << "," << pt.y();
    }
}

// Text cells: at 254 dpi a 10-point text is 35 pixels high and a full-width character of the fixed-pitch
// Mincho is 35 pixels wide; the record's y is the cell's top.
TEST(DrawPrintPage, TextsSitInTheirCells)
{
    struct Case {
        const char* name;
        const char* page;
        QRect inside; // the ink lies within this box
        int minWidth;
    } cases[] = {
        {"left", "TEXT;100;100;■■", QRect(100, 100, 70, 35), 60},
        {"right", "TEXT;300;100;■■;;10;;黒;OFF;RIGHT", QRect(230, 100, 70, 35), 60},
        {"centre", "TEXT;300;100;■■;;10;;黒;OFF;1", QRect(265, 100, 70, 35), 60},
        // Centre mode lifts the text by half its height (17) and centres the first character on x.
        {"centre mode", "TEXT;300;100;■;;10;;黒;OFF;;0;1", QRect(283, 83, 35, 35), 24},
        // A 20-point text is 71 pixels.
        {"size", "TEXT;100;100;■;;20", QRect(100, 100, 71, 71), 48},
        // x 0 continues right after the previous text, y 0 on its line.
        {"continue", "TEXT;100;100;■\nTEXT;0;0;■", QRect(100, 100, 70, 35), 60},
        // UTEXT spreads two characters so that the last ends at the width (100 + 200).
        {"utext", "UTEXT;100;100;■■;;10;;黒;OFF;;200", QRect(100, 100, 200, 35), 180},
        // A tab starts a new line one text height lower.
        {"tab", "TEXT;100;100;■\t■", QRect(100, 100, 35, 70), 24},
        // VTEXT stacks the characters down over the length: pitch (200 - 35) / (3 - 1) = 83 (rounded).
        {"vtext", "VTEXT;100;100;■■■;;10;;黒;OFF;;200", QRect(100, 100, 35, 201), 24},
        // Compressed: a four-character text squeezed into 70 tenths of a mm.
        {"compress", "TEXT;100;100;■■■■;;10;C;黒;OFF;;70", QRect(100, 100, 72, 35), 50},
        // Compressing into no width at all keeps the text as it is.
        {"compress to nothing", "TEXT;100;100;■■;;10;C", QRect(100, 100, 70, 35), 60},
        {"marumoji", "MARUMOJI;200;200;100;■;;10", QRect(150, 150, 101, 101), 90},
        {"ntext", "NTEXT;100;100;■■", QRect(100, 100, 70, 35), 60},
        // Five 35-pixel characters fit the 200-pixel box per line; a third line (top 170) would reach
        // below 200 - 35 and is dropped.
        {"memo", "MEMO;100;100;300;200;■■■■■■■■■■■■■■■;-1;;10", QRect(100, 100, 175, 70), 160},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        canvas.Draw(c.page);
        const QRect ink = canvas.Ink();
        EXPECT_TRUE(c.inside.adjusted(-1, -1, 1, 1).contains(ink)) << c.name << ": ink " << ink.x() << "," << ink.y()
                                                                 << " " << ink.width() << "x" << ink.height();
        EXPECT_GE(ink.width(), c.minWidth) << c.name;
    }
}

TEST(DrawPrintPage, TextBackgroundsAndDoubleQuotes)
{
    Canvas on;
    on.image.fill(Qt::red);
    on.Draw("TEXT;100;100;\"A\";;10;;黒;ON");
    EXPECT_EQ(on.At(101, 101), White); // "ON" paints the cell white
    Canvas black;
    black.image.fill(Qt::red);
    black.Draw("TEXT;100;100;A;;10;;黒;黒");
    EXPECT_EQ(black.At(101, 101), 0xFFFF0000u); // a background of 15 or less is transparent
    Canvas blue;
    blue.Draw("TEXT;100;100;A;;10;;黒;青");
    EXPECT_EQ(blue.At(101, 101), 0xFF0000FFu);
}

TEST(DrawPrintPage, AnswersWhetherThePageWasTheLast)
{
    Canvas c;
    TPrintTextFile f;
    f.Assign({"BOX;1;1;2;2", "E;", "BOX;1;1;2;2", "e", "BOX;1;1;2;2"});
    QPainter p(&c.image);
    EXPECT_FALSE(DrawPrintPage(c.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    EXPECT_FALSE(DrawPrintPage(c.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0)); // "e" without ";" separates too
    EXPECT_TRUE(DrawPrintPage(c.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    EXPECT_TRUE(f.Eof());
}

TEST(DrawPrintPage, PageNumbersOnlyOnPagesWithContent)
{
    struct Case {
        const char* page;
        const char* entry;
        bool numbered;
    } cases[] = {
        {"BOX;500;500;501;501", "2", true},
        {"", "0", false},
        {"ORIENTATION;1", "5", false}, // a page holding only an orientation gets none even if listed
    };
    for (const auto& c : cases) {
        Canvas canvas;
        canvas.def.PageBango.Show = true;
        canvas.def.PageBango.ArgCount = 2;
        canvas.def.PageBango.Left = 100;
        canvas.def.PageBango.Top = 100;
        canvas.def.PageBango.Alignment = 0;
        canvas.engine.PageNumberList = {"0", c.entry};
        canvas.engine.PageCounter = 1;
        canvas.engine.NumberedPages = 3;
        canvas.Draw(c.page);
        const QRect ink = canvas.Ink(QRect(0, 0, 400, 400));
        EXPECT_EQ(!ink.isEmpty(), c.numbered) << c.page;
        if (c.numbered) {
            // "(2/3)": five half-width characters of 17 or 18 pixels from x 100.
            EXPECT_GE(ink.left(), 100);
            EXPECT_LE(ink.right(), 100 + 5 * 18);
            EXPECT_GE(ink.top(), 100);
            EXPECT_LE(ink.bottom(), 135);
        }
    }
    Canvas missing;
    missing.def.PageBango.Show = true;
    missing.def.PageBango.ArgCount = 1;
    missing.engine.PageCounter = 4;
    EXPECT_THROW(missing.Draw("BOX;1;1;2;2"), std::out_of_range); // the caller's fault, not the page's
}

TEST(DrawPrintPage, FormVariablesStepDownByTheLinePitch)
{
    kbtest::TempDir dir;
    // Slot 0 "行間" sets a pitch of 50; "A" prints every use, "B" only its first; "Z" sits in slot 150.
    std::string form = "&;0;0;行間;;10;;黒;OFF;;50;0;0;\r\n"
                       "&;100;100;A;;10;;黒;OFF;;0;0;0;\r\n"
                       "&;300;100;B;;10;;黒;OFF;;0;1;0;\r\n";
    for (int i = 3; i < 150; ++i) form += "&;0;0;V" + std::to_string(i) + ";;10;;黒;OFF;;0;0;0;\r\n";
    form += "&;500;100;Z;;10;;黒;OFF;;0;0;0;\r\n";
    kbtest::WriteFile(dir / "form.fom", Utf8ToCp932(form));
    Canvas c;
    ASSERT_TRUE(HensuuYomikomi(c.engine, (dir / "form.fom").string(), 0, 20));
    EXPECT_EQ(c.engine.Vars[0][150].Name, "Z");
    c.image = QImage(600, 600, QImage::Format_RGB32);
    c.image.fill(Qt::white);
    c.Draw("@;a;■\n@;A;■\n@;b;■\n@;B;■\n@;Z;■\n@;NONE;■");
    auto inkIn = [&](QRect r) { return !c.Ink(r).isEmpty(); };
    EXPECT_TRUE(inkIn(QRect(100, 120, 35, 35)));  // first use of A at y 100 + 20
    EXPECT_TRUE(inkIn(QRect(100, 170, 35, 35)));  // second use 5 mm lower
    EXPECT_TRUE(inkIn(QRect(300, 120, 35, 35)));  // B once
    EXPECT_FALSE(inkIn(QRect(300, 170, 35, 35))); // B's second use moves down but prints nothing
    EXPECT_TRUE(inkIn(QRect(500, 120, 35, 35)));  // a variable beyond slot 100 is found
    EXPECT_FALSE(inkIn(QRect(0, 0, 90, 600)));     // an unknown name draws nothing (slot 0 sits at 0, 0)
}

TEST(DrawPrintPage, FontNamesResolveToTheirIpaFamilies)
{
    InstallPrintFontSubstitutions();
    const std::pair<const char*, const char*> names[] = {
        {"ＭＳ 明朝", "IPAMincho"}, {"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐ明朝", "IPAPMincho"}, {"ＭＳ Ｐゴシック", "IPAPGothic"}};
    for (auto [name, family] : names) {
        QFont f(QString::fromUtf8(name));
        f.setPixelSize(35);
        EXPECT_EQ(QFontInfo(f).family().toStdString(), family) << name;
    }
}

TEST(DrawPrintPage, ColourWordsAndNumbers)
{
    TPlotivarDEF d;
    d.UserColor1 = 0x112233;
    d.NetColor2 = 0x445566;
    const std::pair<const char*, TColor> cases[] = {
        {"黒", 0}, {"赤", 0x0000FF}, {"暗青緑", 0x808000}, {"UCOLOR1", 0x112233}, {"ucolor1", 0x112233},
        {"42", 0x112233}, {"41", 0x445566}, {"255", 0x0000FF}, {"9", 0x0000FF}, {"15", 0x00FFFF},
        {"16", 0xFF000001}, {"xyz", 0}, {"OCRPINK", 0x7F02F0}, {"濃網掛", 0x445566},
    };
    for (auto [word, colour] : cases) EXPECT_EQ(GetColorByName(d, word, ""), colour) << word;
    EXPECT_EQ(GetBackValue(d, "OFF"), 1);
    EXPECT_EQ(GetBackValue(d, "1"), 1);
    EXPECT_EQ(GetBackValue(d, "ON"), 0xFFFFFF);
    EXPECT_LT(GetBackValue(d, "20"), 0); // system colours are never a text background
    for (auto [w, code] : {std::pair{"CENTER", 1}, {"1", 1}, {"RIGHT", 2}, {"BOTTOM", 2}, {"2", 2}, {"right", 0}, {"", 0}})
        EXPECT_EQ(GetAlignCode(w), code) << w;
}

} // namespace

namespace {

struct FakePrinter : TPrinterInfo {
    const QPainter* canvas = nullptr;
    bool IsPrinterCanvas(const QPainter& p) const override { return &p == canvas; }
};

TEST(DrawPrintPage, PrinterCanvasAddsCorrectionsAndKeepsTheMessage)
{
    struct Case {
        const char* kind;
        bool printer;
        QPoint ink, blank;
    } cases[] = {
        {"DAT", true, {135, 125}, {125, 125}},  // + LeftCorrect 30, TopCorrect 20
        {"FOM", true, {235, 125}, {225, 125}},  // + the form offset 100 too
        {"FOM", false, {205, 105}, {195, 105}}, // a screen gets the form offset only
        {"DAT", false, {105, 105}, {115, 115}},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        FakePrinter printer;
        canvas.def.LeftCorrect = 30;
        canvas.def.TopCorrect = 20;
        canvas.def.FormLeftMargin = 100;
        canvas.engine.Printer = &printer;
        TPrintTextFile f;
        f.Assign({"FRECT;100;100;110;110;黒;0;", "MESSAGE;用紙を替えてください"});
        QPainter p(&canvas.image);
        if (c.printer) printer.canvas = &p;
        DrawPrintPage(canvas.engine, c.kind, f, p, 254, 1, 1, 10, false, 0, 0, 0);
        p.end();
        EXPECT_EQ(canvas.At(c.ink.x(), c.ink.y()), 0xFF000000u) << c.kind << c.printer;
        EXPECT_EQ(canvas.At(c.blank.x(), c.blank.y()), White) << c.kind << c.printer;
        EXPECT_EQ(canvas.engine.PageMessageText, c.printer ? "用紙を替えてください" : "") << c.kind;
    }
}

TEST(DrawPrintPage, SubFormsDrawAtTheirPositionUnderTheFormRules)
{
    kbtest::TempDir dir;
    const std::string sub = (dir / "sub.fom").string();
    kbtest::WriteFile(sub, Utf8ToCp932("FRECT;0;0;10;10;赤;0;\r\n&;50;0;X;;10;;黒;OFF;;0;0;0;\r\nE;\r\nFRECT;0;0;10;10;青;0;\r\n"));
    struct Case {
        const char* name;
        bool printFom, printer;
        double ratio;
        QPoint at;
        QRgb colour;
    } cases[] = {
        {"plain", true, false, 0, {205, 205}, 0xFFFF0000},
        {"ratio scales it", true, false, 500, {102, 102}, 0xFFFF0000},
        // Forms not printed: on screen the sub-form is light grey and keeps its coordinates.
        {"screen without forms", false, false, 500, {205, 205}, 0xFFE6E6E6},
        {"printer without forms", false, true, 0, {205, 205}, White},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        FakePrinter printer;
        canvas.def.PrintFom = c.printFom;
        canvas.engine.Printer = &printer;
        canvas.engine.HScale = canvas.engine.VScale = c.ratio;
        TPrintTextFile f;
        f.Assign({"FORM;" + sub + ";TRUE;200;200;", "FORM;" + (dir / "none.fom").string() + ";TRUE;0;0;"});
        QPainter p(&canvas.image);
        if (c.printer) printer.canvas = &p;
        EXPECT_TRUE(DrawPrintPage(canvas.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0)) << c.name;
        p.end();
        EXPECT_EQ(canvas.At(c.at.x(), c.at.y()), c.colour) << c.name;
        EXPECT_EQ(canvas.At(150, 150), White) << c.name; // only the sub-form's first page is drawn
    }
    // The flag loaded the sub-form's variables, shifted to its position.
    Canvas loaded;
    TPrintTextFile f;
    f.Assign({"FORM;" + sub + ";TRUE;200;200;"});
    QPainter p(&loaded.image);
    DrawPrintPage(loaded.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0);
    EXPECT_EQ(loaded.engine.Vars[0][1].Name, "X");
    EXPECT_EQ(QPoint(loaded.engine.Vars[0][1].X, loaded.engine.Vars[0][1].Y), QPoint(250, 200));
}

} // namespace

namespace {

TEST(DrawPrintPage, FormVersionComesFromTheFirstVersionLine)
{
    kbtest::TempDir dir;
    struct Case {
        const char* text;
        double version;
    } cases[] = {
        {"* VER=\"2.10\"\r\n* VER=\"3\"\r\n", 2.10},
        {"* VER=\"x\"  // \"4\"\r\n* VERSION \"2.5\"\r\n", 2.5}, // a line without a positive number is passed over
        {"BOX;1;1;2;2;\r\n", 1.75},
    };
    for (const auto& c : cases) {
        kbtest::WriteFile(dir / "f.fom", c.text);
        TPlotivarEngine e;
        e.FormVersion = 9;
        ReadFormVersion(e, (dir / "f.fom").string());
        EXPECT_DOUBLE_EQ(e.FormVersion, c.version) << c.text;
    }
}

} // namespace
