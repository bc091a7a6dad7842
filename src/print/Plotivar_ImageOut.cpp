#include "print/Plotivar_ImageOut.h"

#include "print/Plotivar_Class.h"
#include "print/Plotivar_Pages.h"
#include "platform/Text.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace kb {

TPlotivarEngine& PlotivarEngine()
{
    static TPlotivarEngine engine;
    return engine;
}

namespace {

// The run time's Round: halves go to the even neighbour.
int Rnd(double v) { return static_cast<int>(std::nearbyint(v)); }
int MulDiv(int a, int b, int c) { return static_cast<int>(std::lround(static_cast<double>(a) * b / c)); }

// A numeric field: leading blanks, a sign, decimal digits or "$" and hex digits; anything else is def.
int IntField(const std::string& s, int def)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') { base = 16; ++i; }
    if (i >= s.size()) return def;
    long long v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return def;
        v = v * base + d;
        if (v > 0xFFFFFFFFLL) return def;
    }
    if (base == 10 && !neg && v > 0x7FFFFFFF) return def;
    return static_cast<int>(neg ? -v : v);
}

QColor ToQ(TColor c)
{
    if ((c & 0xFF000000u) == 0xFF000000u) {
        // System colours: window and button faces are light, every other one prints as text does.
        switch (c & 0xFF) {
        case 5: return Qt::white;
        case 15: return QColor(0xC0, 0xC0, 0xC0);
        default: return Qt::black;
        }
    }
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

struct Record {
    std::string key;
    std::vector<std::string> f;
    const std::string& S(std::size_t i) const
    {
        static const std::string empty;
        return i < f.size() ? f[i] : empty;
    }
    int I(std::size_t i, int def = 0) const { return IntField(S(i), def); }
};

// A page line as the interpreter keeps it: a final ";" and no double quotes.
std::string PageLine(std::string line)
{
    line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
    if (line.empty() || line.back() != ';') line += ';';
    return line;
}

Record Parse(const std::string& line)
{
    Record r;
    std::size_t start = 0;
    for (std::size_t p = line.find(';'); p != std::string::npos; p = line.find(';', start)) {
        r.f.push_back(line.substr(start, p - start));
        start = p + 1;
    }
    if (start < line.size()) r.f.push_back(line.substr(start));
    r.key = r.f.empty() ? std::string() : AsciiUpper(r.f[0]);
    return r;
}

Qt::PenStyle PenStyleOf(int s)
{
    switch (s) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle BrushStyleOf(int s)
{
    switch (s) {
    case 1: return Qt::NoBrush;
    case 2: return Qt::HorPattern;
    case 3: return Qt::VerPattern;
    case 4: return Qt::FDiagPattern;
    case 5: return Qt::BDiagPattern;
    case 6: return Qt::CrossPattern;
    case 7: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

// The rectangle between two corners given in any order.
QRect Corners(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())), QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// The outline of a GDI rectangle runs from the first corner to one unit before the second.
QRect GdiOutline(QPoint a, QPoint b)
{
    const QRect r = Corners(a, b);
    return QRect(r.left(), r.top(), r.width() - 2, r.height() - 2);
}

bool IsRasterDevice(const QPainter& p)
{
    const QPaintEngine* pe = p.paintEngine();
    return pe && pe->type() == QPaintEngine::Raster;
}

void LogSafely(const std::string& message)
{
    // The log is best effort here: nothing may leave the interpreter, a failing log write included.
    try {
        WritePrintErrorLog(message);
    } catch (...) {
    }
}

std::string MapFontName(const std::string& name)
{
    if (name.empty()) return "ＭＳ 明朝";
    if (name == "OCR-B") {
        const QStringList families = QFontDatabase::families();
        if (families.contains("OCR-B", Qt::CaseInsensitive)) return "OCR-B";
        if (families.contains("OCRB", Qt::CaseInsensitive)) return "OCRB";
        return "ＭＳ ゴシック";
    }
    return name;
}

// Draws one page: the state of one call of DrawPrintPage.
class PageDraw {
public:
    PageDraw(TPlotivarEngine& e, const std::string& kind, QPainter& p, int fontDpi, double xs, double ys,
             int zoom, bool even, int formPage, int originX, int originY)
        : e_(e), def_(*e.Def), kind_(kind), p_(p), fontDpi_(fontDpi), xs_(xs), ys_(ys), zoom_(zoom), even_(even),
          formPage_(std::clamp(formPage, 0, FormPageSlots - 1)), originX_(originX), originY_(originY)
    {
        printer_ = e.Printer && e.Printer->IsPrinterCanvas(p);
        int w = 0, h = 0;
        GetPaperSizeMM(e, e.PrinterPaperCode(), w, h);
        lowestLine_ = (h - 10) * 10;
        noRatio_ = kind == "SUBFORM" && !def_.PrintFom;
    }

    void Run(const std::vector<std::string>& lines, std::string& current);

private:
    int ScaleX(int v) const { return (e_.HScale != 0 && !noRatio_) ? Rnd(e_.HScale * v * 0.001) : v; }
    int ScaleY(int v) const { return (e_.VScale != 0 && !noRatio_) ? Rnd(e_.VScale * v * 0.001) : v; }
    int DevX(int x) const { return ScaleX(Rnd(x * xs_) + marginX_ + originX_); }
    int DevY(int y) const { return ScaleY(Rnd(y * ys_) + marginY_ + originY_); }
    void ComputeMargins();
    TColor Color(const std::string& word) const { return GetColorByName(def_, word, kind_); }
    TColor PlainColor(const std::string& word) const { return GetColorByName(def_, word, ""); }

    void SetPen(int widthDev, int style, TColor color);
    void SetFont(const std::string& name, int size, const std::string& style, bool textRecord);
    int TextHeight(int size, bool textRecord) const;
    QFontMetrics Metrics() const { return QFontMetrics(font_, p_.device()); }
    int TextWidth(const QString& s) const { return Metrics().horizontalAdvance(s); }
    void DrawString(int x, int y, const QString& s);

    void FRect(const Record& r);
    void LineBox(const Record& r);
    void RRect(const Record& r);
    void Circle(const Record& r);
    void Marumoji(const Record& r);
    void SLine(const Record& r);
    void Bp(const Record& r);
    void LineB(const Record& r);
    void Memo(const Record& r);
    void Image(const Record& r);
    void Chart(const Record& r);
    void Form(const Record& r);
    void Text(const Record& r);
    void AndFill(const QRect& rect, const QImage* image, TColor color);

    TPlotivarEngine& e_;
    const TPlotivarDEF& def_;
    std::string kind_;
    QPainter& p_;
    int fontDpi_;
    double xs_, ys_;
    int zoom_;
    bool even_;
    int formPage_;
    int originX_, originY_;
    bool printer_ = false;
    bool noRatio_ = false;
    int lowestLine_ = 0;
    int marginX_ = 0, marginY_ = 0;
    QPoint penPos_;
    QFont font_;
    int fontHeight_ = 0; // negative: character height in device units
    QColor fontColor_ = Qt::black;
    bool opaque_ = false;
    QColor backColor_ = Qt::white;
    QTransform base_;
};

void PageDraw::ComputeMargins()
{
    const int l = e_.LeftOffset + (even_ ? e_.EvenShift : 0);
    const int t = e_.TopOffset;
    const bool form = kind_ == "FOM";
    int lx = l, ty = t;
    if (printer_) { lx += def_.LeftCorrect; ty += def_.TopCorrect; }
    if (form) { lx += def_.FormLeftMargin; ty += def_.FormTopMargin; }
    marginX_ = Rnd(xs_ * lx);
    marginY_ = Rnd(ys_ * ty);
}

void PageDraw::SetPen(int widthDev, int style, TColor color)
{
    QPen pen(ToQ(color));
    pen.setStyle(PenStyleOf(style));
    if (widthDev <= 1) {
        // A pen of one device unit or less is the device's thinnest line, whatever the mapping.
        pen.setWidth(1);
        pen.setCosmetic(true);
    } else {
        pen.setWidth(widthDev);
        if (style != 0 && style != 6) {
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
        } else {
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
        }
    }
    p_.setPen(pen);
}

int PageDraw::TextHeight(int size, bool textRecord) const
{
    if (textRecord && e_.VScale != 0 && e_.VScale != 1000)
        return -(Rnd(size * fontDpi_ * e_.VScale * 0.001) / 72);
    return -MulDiv(size, fontDpi_, 72);
}

void PageDraw::SetFont(const std::string& name, int size, const std::string& style, bool textRecord)
{
    font_.setFamily(QString::fromStdString(MapFontName(name)));
    if (size > 0) fontHeight_ = TextHeight(size, textRecord);
    font_.setPixelSize(std::max(1, std::abs(fontHeight_)));
    std::string st = style;
    st.erase(std::remove(st.begin(), st.end(), 'C'), st.end());
    bool b = false, i = false, u = false, s = false;
    if (st == "B") b = true;
    else if (st == "I") i = true;
    else if (st == "U" || st == "DU") u = true;
    else if (st == "S") s = true;
    else if (st == "BI") b = i = true;
    else if (st == "BU") b = u = true;
    else if (st == "BS") b = s = true;
    else if (st == "IU") i = u = true;
    else if (st == "IS") i = s = true;
    else if (st == "BIU") b = i = u = true;
    else if (st == "BIS") b = i = s = true;
    font_.setBold(b);
    font_.setItalic(i);
    font_.setUnderline(u);
    font_.setStrikeOut(s);
    font_.setStretch(QFont::Unstretched);
}

// A text's y is the top of its cell, as GDI places it.
void PageDraw::DrawString(int x, int y, const QString& s)
{
    if (s.isEmpty()) return;
    p_.setFont(font_);
    const QFontMetrics fm = Metrics();
    if (opaque_) p_.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), backColor_);
    p_.setPen(fontColor_);
    p_.setBackgroundMode(Qt::TransparentMode);
    p_.drawText(QPoint(x, y + fm.ascent()), s);
    penPos_ = QPoint(x + fm.horizontalAdvance(s), y);
}

void PageDraw::AndFill(const QRect& rect, const QImage* image, TColor color)
{
    // On raster canvases AND is a raster operation; other canvases get the whole page as an image
    // (see DrawPrintPage), so they never reach here with a vector engine.
    p_.save();
    if (IsRasterDevice(p_)) p_.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    if (image) p_.drawImage(rect, *image);
    else p_.fillRect(rect, ToQ(color));
    p_.restore();
}

void PageDraw::FRect(const Record& r)
{
    const int mode = r.I(6);
    const QRect rect = Corners(QPoint(DevX(r.I(1)), DevY(r.I(2))), QPoint(DevX(r.I(3)), DevY(r.I(4))));
    const QRect fill(rect.left(), rect.top(), rect.width() - 1, rect.height() - 1); // right and bottom edges excluded
    const TColor c = Color(r.S(5));
    if (mode == 0 || mode == 1) p_.fillRect(fill, ToQ(c));
    else if (mode == 2) AndFill(fill, nullptr, c);
}

void PageDraw::LineBox(const Record& r)
{
    const bool eline = r.key == "ELINE";
    const int w = r.I(5, 1);
    const int wd = eline ? Rnd(w * 0.1 * xs_) : Rnd(w * xs_);
    SetPen(wd, r.I(6), Color(r.S(7)));
    const QPoint a(DevX(r.I(1)), DevY(r.I(2))), b(DevX(r.I(3)), DevY(r.I(4)));
    if (r.key == "BOX") {
        p_.setBrush(QBrush(ToQ(Color(r.S(8))), BrushStyleOf(r.I(9))));
        p_.setBackground(Qt::white);
        p_.setBackgroundMode(Qt::OpaqueMode);
        p_.drawRect(GdiOutline(a, b));
    } else {
        p_.setBackgroundMode(Qt::TransparentMode);
        p_.drawLine(a, b);
    }
    penPos_ = b;
}

void PageDraw::RRect(const Record& r)
{
    SetPen(Rnd(r.I(7) * xs_), r.I(8), Color(r.S(9)));
    p_.setBrush(QBrush(ToQ(PlainColor(r.S(10))), BrushStyleOf(r.I(11))));
    p_.setBackground(Qt::white);
    p_.setBackgroundMode(Qt::OpaqueMode);
    const QRect rect = GdiOutline(QPoint(DevX(r.I(1)), DevY(r.I(2))), QPoint(DevX(r.I(3)), DevY(r.I(4))));
    const int cw = ScaleX(Rnd(r.I(5) * xs_) + 1), ch = ScaleY(Rnd(r.I(6) * ys_) + 1);
    p_.drawRoundedRect(rect, cw / 2.0, ch / 2.0);
}

void PageDraw::Circle(const Record& r)
{
    SetPen(Rnd(r.I(5) * xs_), r.I(6), Color(r.S(7)));
    p_.setBrush(QBrush(ToQ(PlainColor(r.S(8))), BrushStyleOf(r.I(9))));
    p_.setBackground(Qt::white);
    p_.setBackgroundMode(Qt::OpaqueMode);
    p_.drawEllipse(GdiOutline(QPoint(DevX(r.I(1)), DevY(r.I(2))), QPoint(DevX(r.I(3)), DevY(r.I(4)))));
}

void PageDraw::Marumoji(const Record& r)
{
    const std::string style = AsciiUpper(r.S(7));
    const TColor c = Color(r.S(8));
    SetFont(r.S(5), r.I(6, 10), style, false);
    fontColor_ = ToQ(c);
    SetPen(style == "B" ? Rnd(2 * xs_) : Rnd(1 * xs_), 0, c);
    p_.setBrush(Qt::NoBrush);
    opaque_ = false;
    const int rad = Rnd(r.I(3) * 0.5 * ys_);
    const int half = Rnd(std::abs(fontHeight_) * 0.5);
    const QString text = QString::fromStdString(r.S(4));
    if (!text.isEmpty()) {
        const int x = r.I(1), y = r.I(2);
        const QPen circlePen = p_.pen();
        DrawString(ScaleX(originX_ + Rnd(x * xs_) - Rnd(TextWidth(text) / 2.0) + marginX_),
                   ScaleY(originY_ + Rnd(y * ys_) + marginY_ - half), text);
        p_.setPen(circlePen);
        const int cx = originX_ + Rnd(x * xs_) + marginX_, cy = originY_ + Rnd(y * ys_) + marginY_;
        p_.drawEllipse(GdiOutline(QPoint(ScaleX(cx - rad), ScaleY(cy - rad)), QPoint(ScaleX(cx + rad), ScaleY(cy + rad))));
    }
    font_.setBold(false), font_.setItalic(false), font_.setUnderline(false), font_.setStrikeOut(false);
    fontColor_ = Qt::black;
}

void PageDraw::SLine(const Record& r)
{
    SetPen(Rnd(r.I(5) * xs_), r.I(6), Color(r.S(7)));
    SetFont(r.S(8), r.I(9), "", false);
    const int count = r.I(4);
    const int digits = TextWidth("000");
    for (int i = 1; i <= count; ++i) {
        const int d = i * digits + 1;
        const int x = ScaleX(Rnd(r.I(1) * xs_) + marginX_ + originX_ - d);
        p_.drawLine(QPoint(x, DevY(r.I(2))), QPoint(x, DevY(r.I(3))));
    }
}

void PageDraw::Bp(const Record& r)
{
    originX_ = Rnd(r.I(1) * xs_);
    originY_ = Rnd(r.I(2) * ys_);
    SetPen(Rnd(r.I(3) * xs_), r.I(4), Color(r.S(5)));
    penPos_ = QPoint(ScaleX(marginX_ + originX_), ScaleY(marginY_ + originY_));
}

void PageDraw::LineB(const Record& r)
{
    const QPoint to(DevX(r.I(1)), DevY(r.I(2)));
    p_.setBackgroundMode(Qt::TransparentMode);
    p_.drawLine(penPos_, to);
    penPos_ = to;
}

void PageDraw::Memo(const Record& r)
{
    const int x1 = r.I(1), y1 = r.I(2), x2 = r.I(3), y2 = r.I(4);
    const int frame = r.I(6);
    const TColor c = Color(r.S(10));
    SetFont(r.S(7), r.I(8), AsciiUpper(r.S(9)), false);
    fontColor_ = ToQ(c);
    opaque_ = false;
    if (frame >= 0) {
        SetPen(Rnd(frame * xs_), 0, c);
        p_.setBrush(Qt::white);
        p_.drawRect(GdiOutline(QPoint(DevX(x1) - 5, DevY(y1) - 5), QPoint(DevX(x2) + 5, DevY(y2) + 5)));
    }
    const int boxWidth = Rnd(x2 * xs_) - Rnd(x1 * xs_);
    const QFontMetrics fm = Metrics();
    const int h = fm.height();
    std::vector<QString> lines;
    QString text = QString::fromStdString(r.S(5));
    text.replace("\r\n", "\n");
    for (const QString& piece : text.split(QRegularExpression("[\t\r\n]"))) {
        int start = 0;
        while (start < piece.size()) {
            int len = 1;
            while (start + len < piece.size() && fm.horizontalAdvance(piece.mid(start, len + 1)) <= boxWidth) ++len;
            lines.push_back(piece.mid(start, len));
            start += len;
        }
        if (piece.isEmpty()) lines.push_back(QString());
    }
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int t = Rnd(y1 * ys_) + static_cast<int>(k) * h;
        if (t >= Rnd(y2 * ys_) - h) break;
        DrawString(ScaleX(originX_ + Rnd(x1 * xs_) + marginX_), ScaleY(originY_ + t + marginY_), lines[k]);
    }
    fontColor_ = Qt::black;
}

void PageDraw::Image(const Record& r)
{
    const std::string file = r.S(5);
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
    const std::string ext = AsciiUpper(std::filesystem::path(file).extension().string());
    const QRect rect = Corners(QPoint(DevX(r.I(1)), DevY(r.I(2))), QPoint(DevX(r.I(3)), DevY(r.I(4))));
    if (ext == ".WMF" || ext == ".EMF") {
        // Nothing here reads metafiles; the record is left out and the page goes on.
        LogSafely("ImageOut.(IMAGE):" + file + ":WMF/EMF形式の画像は描画できません。");
        return;
    }
    if (ext != ".BMP" && ext != ".JPG") return;
    QImageReader reader(QString::fromStdString(file));
    const QImage img = reader.read();
    if (img.isNull()) throw std::runtime_error(file + ":" + reader.errorString().toStdString());
    const QRect target(rect.left(), rect.top(), rect.width() - 1, rect.height() - 1);
    if (r.I(6) != 0) AndFill(target, &img, 0);
    else p_.drawImage(target, img);
}

void PageDraw::Chart(const Record& r)
{
    const double f = zoom_ * 0.1;
    auto cx = [&](int v) { return ScaleX(Rnd(v * xs_ * f) + marginX_ + originX_); };
    auto cy = [&](int v) { return ScaleY(Rnd(v * ys_ * f) + marginY_ + originY_); };
    const QRect rect = Corners(QPoint(cx(r.I(2)), cy(r.I(3))), QPoint(cx(r.I(4)), cy(r.I(5))));
    const int index = r.I(6);
    if (!e_.Charts || index < 0 || index >= static_cast<int>(e_.Charts->size()) || !(*e_.Charts)[index]) {
        LogSafely("ImageOut.(CHART):グラフ" + std::to_string(index) + "がありません。");
        return;
    }
    // Charts draw in device units, outside the page's zoom.
    p_.save();
    p_.setWorldTransform(base_);
    p_.setClipRect(rect);
    try {
        (*e_.Charts)[index]->paint(p_, rect);
    } catch (...) {
        p_.restore(); // the page's guard logs it; the painter's state is ours to put back
        throw;
    }
    p_.restore();
}

void PageDraw::Form(const Record& r)
{
    if (!def_.PrintFom && printer_) return;
    const std::string file = r.S(1);
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
    const int x = r.I(3), y = r.I(4);
    if (AsciiUpper(r.S(2)) == "TRUE") HensuuYomikomi(e_, file, x, y);
    TPrintTextFile sub;
    if (!sub.Open(file)) return;
    p_.save();
    p_.setWorldTransform(base_);
    DrawPrintPage(e_, "SUBFORM", sub, p_, fontDpi_, xs_, ys_, zoom_, even_, 0, Rnd(x * xs_), Rnd(y * ys_));
    p_.restore();
}

void PageDraw::Text(const Record& r)
{
    const bool at = r.key == "@";
    int x = 0, y = 0, size = 10, align = 0, width = 0, center = 0, offset = 0;
    std::string text, fontName, style;
    TColor color = 0;
    std::int64_t back = 1;
    if (!at) {
        x = r.I(1), y = r.I(2), text = r.S(3), fontName = r.S(4), size = r.I(5, 10);
        style = AsciiUpper(r.S(6)), color = Color(r.S(7)), back = GetBackValue(def_, r.S(8));
        align = GetAlignCode(r.S(9)), width = r.I(10), center = r.I(11);
    } else {
        const std::string name = AsciiUpper(r.S(1));
        auto& vars = e_.Vars[static_cast<std::size_t>(formPage_)];
        int slot = 0;
        // Every defined slot is found, those beyond 100 included.
        for (int i = 1; i < VariableSlots && slot == 0; ++i)
            if (!vars[i].Name.empty() && vars[i].Name == name) slot = i;
        TDataField& v = vars[static_cast<std::size_t>(slot)];
        x = v.X, y = v.Y, fontName = v.FontName, color = v.Color, back = v.Back;
        align = v.Align, width = v.Width, center = v.Center;
        size = r.I(3) != 0 ? r.I(3) : v.FontSize;
        style = r.S(4).empty() ? v.Style : AsciiUpper(r.S(4));
        text = r.S(2);
        if (slot == 0 || v.Name.empty() || (v.Once == 1 && v.UseCount > 0)) text.clear();
        offset = Rnd(r.I(5) * ys_);
        const int pitch = vars[0].Width;
        if (pitch > 0) {
            y = std::min(y + v.UseCount * pitch, lowestLine_);
            ++v.UseCount;
        }
    }
    const bool compress = style.find('C') != std::string::npos;
    SetFont(fontName, size, style, true);
    fontColor_ = ToQ(color);
    const int q = center == 1 ? Rnd(std::abs(fontHeight_) * 0.5 - 0.55) : 0;
    opaque_ = static_cast<std::int32_t>(back) > 15;
    backColor_ = ToQ(static_cast<TColor>(back));
    const QString qs = QString::fromStdString(text);

    if (!qs.isEmpty()) {
        const int w = TextWidth(qs);
        const int w1 = center == 1 ? TextWidth(qs.left(1)) : 0;
        int u = ScaleX(Rnd(x * xs_));
        if (align == 1) u -= Rnd(w / 2.0);
        else if (align == 2) u -= w;
        else if (center == 1) u -= Rnd(w1 * 0.5);
        int dx = ScaleX(originX_ + marginX_) + u;
        int dy = ScaleY(originY_ + Rnd(y * ys_) + marginY_ - q);
        const int n = static_cast<int>(qs.size());
        auto byteLen = [](const QString& s) { return static_cast<int>(sjis::ByteLength(s.toStdString())); };
        // Spread pitch in tenths of a mm: the last character ends at the width.
        auto spreadPitch = [&]() -> double {
            if (n < 2) return 0;
            const int k = byteLen(qs) - (byteLen(qs.right(1)) == 2 ? 2 : 1);
            return k > 0 ? (width - TextWidth(qs.right(1)) / xs_) / k : 0;
        };
        auto drawSpread = [&](double start, double pitch) {
            double pos = start;
            for (int i = 0; i < n; ++i) {
                const QString ch = qs.mid(i, 1);
                DrawString(ScaleX(Rnd(pos * xs_) + originX_ + marginX_), dy, ch);
                pos += byteLen(ch) == 2 ? 2 * pitch : pitch;
            }
        };
        const bool spread = r.key == "UTEXT" || (at && width > 0);
        if (r.key == "VTEXT") {
            const int h1 = Metrics().height();
            const int pitch = n < 3 ? width - Rnd(h1 / ys_) : Rnd((width - h1 / ys_) / (n - 1));
            if (pitch < 1) {
                DrawString(dx, dy, qs);
            } else {
                for (int i = 0; i < n; ++i) {
                    const QString ch = qs.mid(i, 1);
                    const int cyv = ScaleY(originY_ + Rnd((y + i * pitch) * ys_) + marginY_ - q);
                    if (ch == QString::fromUtf8("ー")) {
                        // The long-vowel mark stands upright in vertical text: turned a quarter round.
                        const QFont keep = font_;
                        const int keepH = fontHeight_;
                        SetFont(fontName, size - 1, style, true);
                        const QFontMetrics fm = Metrics();
                        const int cw = fm.horizontalAdvance(ch), chh = fm.height();
                        p_.save();
                        p_.translate(dx + cw / 2.0, cyv + chh / 2.0);
                        p_.rotate(90);
                        p_.setFont(font_);
                        p_.setPen(fontColor_);
                        p_.drawText(QPointF(-cw / 2.0, -chh / 2.0 + fm.ascent()), ch);
                        p_.restore();
                        font_ = keep;
                        fontHeight_ = keepH;
                    } else {
                        DrawString(dx, cyv, ch);
                    }
                }
            }
        } else if (compress && (spread || r.key == "TEXT" || r.key == "NTEXT" || at)) {
            double pitch = spreadPitch();
            int pct = 100;
            const double extent = w;
            if (n >= 2 && TextWidth(qs.left(1)) / xs_ > pitch && extent > std::abs(width * xs_))
                pct = Rnd(std::abs(width * xs_) / extent * 100);
            if (pct == 100) {
                if (spread && pitch > 0) drawSpread(x, pitch);
                else DrawString(dx, dy, qs);
            } else {
                double start = x;
                if (align == 1) start -= width / 2.0;
                else if (align == 2) start -= width;
                if (!at) {
                    // A width that comes to nothing leaves the font's own width, as a zero character
                    // width does in a font description.
                    if (pct >= 1) font_.setStretch(pct);
                } else if (size - 1 > 0) {
                    SetFont(fontName, size - 1, style, true);
                }
                pitch = spreadPitch();
                if (n < 2 || pitch <= 0) DrawString(ScaleX(Rnd(start * xs_) + originX_ + marginX_), dy, qs);
                else drawSpread(start, pitch);
            }
        } else if (spread) {
            double pitch = spreadPitch();
            if (at && n >= 2 && TextWidth(qs.left(1)) / xs_ > pitch && size - 1 > 0) {
                SetFont(fontName, size - 1, style, true);
                pitch = spreadPitch();
            }
            if (pitch <= 0) DrawString(dx, dy, qs);
            else drawSpread(x, pitch);
        } else {
            std::string plainStyle = style;
            plainStyle.erase(std::remove(plainStyle.begin(), plainStyle.end(), 'C'), plainStyle.end());
            if (plainStyle == "DU") {
                const int bytes = byteLen(qs);
                if (bytes >= 1 && bytes <= 126) {
                    const int y2 = ScaleY(Rnd(ys_ * 4) + originY_ + Rnd(y * ys_) + marginY_);
                    const bool op = opaque_;
                    opaque_ = false;
                    DrawString(dx, y2, QString(bytes, ' '));
                    opaque_ = op;
                }
            }
            if (qs.contains('\t')) {
                const QStringList parts = qs.split('\t');
                const int lh = Metrics().height();
                const int up = offset < 0 ? offset : 0;
                for (int k = 0; k < parts.size(); ++k)
                    DrawString(dx, ScaleY(originY_ + Rnd(y * ys_) + marginY_ + up + k * lh - q), parts[k]);
            } else {
                // x or y 0 continues where the previous text ended.
                if (!at && x == 0) dx = penPos_.x();
                if (!at && y == 0) dy = penPos_.y();
                DrawString(dx, dy, qs);
            }
        }
    }
    font_.setBold(false), font_.setItalic(false), font_.setUnderline(false), font_.setStrikeOut(false);
    font_.setStretch(QFont::Unstretched);
    fontColor_ = Qt::black;
    opaque_ = true;
    backColor_ = Qt::white;
}

void PageDraw::Run(const std::vector<std::string>& lines, std::string& current)
{
    base_ = p_.worldTransform();
    p_.scale(zoom_ / 10.0, zoom_ / 10.0);
    InstallPrintFontSubstitutions();
    font_.setFamily(QString::fromUtf8("ＭＳ 明朝"));
    fontHeight_ = TextHeight(10, false);
    font_.setPixelSize(std::max(1, std::abs(fontHeight_)));
    penPos_ = QPoint(originX_, originY_);
    const int startLeft = e_.LeftOffset, startTop = e_.TopOffset;
    ComputeMargins();
    std::vector<Record> records;
    records.reserve(lines.size());
    for (const auto& l : lines) records.push_back(Parse(l));
    for (const auto& r : records) {
        if (r.key == "FRECT" && r.I(6) == 1) {
            current = r.key;
            FRect(r);
        }
    }
    ComputeMargins();
    for (const auto& r : records) {
        current = r.key;
        const std::string& k = r.key;
        if (k == "LEFTMARGIN" || k == "TOPMARGIN") {
            const int n = r.I(1);
            if (n != 0) {
                (k == "LEFTMARGIN" ? e_.LeftOffset : e_.TopOffset) = n + (k == "LEFTMARGIN" ? startLeft : startTop);
                ComputeMargins();
            }
        } else if (k == "MESSAGE") {
            if (printer_) e_.PageMessageText = r.S(1);
        } else if (k == "FORM") Form(r);
        else if (k == "TEXT" || k == "NTEXT" || k == "UTEXT" || k == "VTEXT" || k == "@") Text(r);
        else if (k == "MEMO") Memo(r);
        else if (k == "BP") Bp(r);
        else if (k == "LINEB") LineB(r);
        else if (k == "ELINE" || k == "LINE" || k == "BOX") LineBox(r);
        else if (k == "SLINE") SLine(r);
        else if (k == "RRECT") RRect(r);
        else if (k == "FRECT") { if (r.I(6) != 1) FRect(r); }
        else if (k == "MARUMOJI") Marumoji(r);
        else if (k == "CIRCLE") Circle(r);
        else if (k == "IMAGE") Image(r);
        else if (k == "CHART") Chart(r);
    }
}

// True when the page holds a record that combines with AND, which only raster canvases can do.
bool NeedsRaster(const std::vector<std::string>& lines)
{
    for (const auto& l : lines) {
        const Record r = Parse(l);
        if ((r.key == "FRECT" && r.I(6) == 2) || (r.key == "IMAGE" && r.I(6) != 0)) return true;
    }
    return false;
}

} // namespace

TColor GetColorByName(const TPlotivarDEF& def, const std::string& word, const std::string& kind)
{
    if ((kind == "FOM" || kind == "SUBFORM") && !def.PrintFom) return word == "白" ? 0xFFFFFF : 0xE6E6E6;
    static const std::pair<const char*, TColor> words[] = {
        {"黒", 0x000000}, {"栗", 0x000080}, {"緑", 0x008000}, {"黄緑", 0x008080}, {"濃紺", 0x800000},
        {"紫", 0x800080}, {"暗青緑", 0x808000}, {"灰", 0x808080}, {"銀", 0xC0C0C0}, {"赤", 0x0000FF},
        {"濃緑", 0x00FF00}, {"青", 0xFF0000}, {"赤紫", 0xFF00FF}, {"空", 0xFFFF00}, {"白", 0xFFFFFF},
        {"黄", 0x00FFFF},
    };
    static const TColor basic[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
                                     0xC0C0C0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF, 0x00FFFF};
    TColor c = 0;
    bool found = false;
    for (const auto& [w, v] : words)
        if (word == w) { c = v; found = true; break; }
    if (!found) {
        const std::string up = AsciiUpper(word);
        found = true;
        if (word == "薄網掛") c = def.NetColor1;
        else if (word == "濃網掛") c = def.NetColor2;
        else if (up == "UCOLOR1") c = def.UserColor1;
        else if (up == "UCOLOR2") c = def.UserColor2;
        else if (up == "OCRGREEN") c = def.OcrGreen;
        else if (up == "OCRBLUE") c = def.OcrBlue;
        else if (up == "OCRBROWN") c = def.OcrBrown;
        else if (up == "OCRPINK") c = def.OcrPink;
        else if (up == "OCRORANGE") c = def.OcrOrange;
        else if (up == "OCRVIOLET") c = def.OcrViolet;
        else if (up == "OCRPURPLE") c = def.OcrPurple;
        else found = false;
    }
    if (!found) {
        const int n = IntField(word, 0);
        if (n >= 0 && n <= 15) c = basic[n];
        else if (n >= 16 && n <= 35) c = 0xFF000001u + static_cast<TColor>(n - 16);
        else if (n == 40) c = def.NetColor1;
        else if (n == 41) c = def.NetColor2;
        else if (n == 42) c = def.UserColor1;
        else if (n == 43) c = def.UserColor2;
        else c = static_cast<TColor>(n);
    }
    if (def.GrayScale && c != 0 && c != 0xFFFFFF) {
        const int g = Rnd(0.299 * (c & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * ((c >> 16) & 0xFF));
        c = static_cast<TColor>(g | (g << 8) | (g << 16));
    }
    return c;
}

std::int64_t GetBackValue(const TPlotivarDEF& def, const std::string& word)
{
    if (word == "1" || word == "OFF") return 1;
    if (word == "ON") return 0xFFFFFF;
    return static_cast<std::int32_t>(GetColorByName(def, word, ""));
}

int GetAlignCode(const std::string& word)
{
    if (word == "CENTER" || word == "1") return 1;
    if (word == "RIGHT" || word == "2" || word == "BOTTOM") return 2;
    return 0;
}

bool DrawPrintPage(TPlotivarEngine& e, const std::string& kind, TPrintTextFile& f, QPainter& painter, int fontDpi,
                   double xScale, double yScale, int zoom, bool evenPage, int formPage, int originX, int originY)
{
    const TPlotivarDEF& def = *e.Def;
    e.PageMessageText.clear();
    const int fp = std::clamp(formPage, 0, FormPageSlots - 1);
    for (auto& v : e.Vars[static_cast<std::size_t>(fp)]) v.UseCount = 0;
    for (auto& t : e.Totals[static_cast<std::size_t>(fp)]) t.Total = 0;

    std::vector<std::string> lines;
    const auto& pb = def.PageBango;
    const bool numbering = kind == "DAT" && pb.Show && (pb.ArgCount == 1 || pb.ArgCount == 2);
    if (numbering) {
        // Failures here (no entry for the page, a format that does not fit) are the caller's.
        const std::string entry = e.PageNumberList.at(static_cast<std::size_t>(e.PageCounter));
        const int n = IntField(entry, 0);
        if (n != 0) {
            const int args[2] = {n, e.NumberedPages};
            std::string number;
            if (!FormatPageNumber(pb.Format, args, pb.ArgCount, number))
                throw std::runtime_error("ページ番号の書式が正しくありません: " + pb.Format);
            lines.push_back("TEXT;" + std::to_string(pb.Left) + ";" + std::to_string(pb.Top) + ";" + number + ";" +
                            pb.FontName + ";" + std::to_string(pb.FontSize) + ";;黒;OFF;" +
                            std::to_string(pb.Alignment) + ";0;0;*AUTO*");
        } else {
            lines.push_back("*");
        }
    }
    bool metE = false;
    while (!f.Eof()) {
        const std::string line = PageLine(f.ReadLine());
        lines.push_back(line);
        if (AsciiUpper(line.substr(0, line.find(';'))) == "E") { metE = true; break; }
    }
    if (numbering && lines.size() < 3) {
        const bool onlyNumber = lines.size() == 1 && lines[0].find("*AUTO*") != std::string::npos;
        const bool withLine = lines.size() == 2 && lines[0].find("*AUTO*") != std::string::npos &&
                              (lines[1].find("ORIENTATION") != std::string::npos || lines[1].find("LINE") != std::string::npos);
        if (onlyNumber || withLine) lines[0].insert(0, "*");
    }

    const int startLeft = e.LeftOffset, startTop = e.TopOffset;
    std::string current;
    try {
        painter.save();
        if (NeedsRaster(lines) && !IsRasterDevice(painter)) {
            // Vector canvases (PDF, printers) cannot AND: the page is drawn into an image at the
            // device's resolution, at most 600 dpi, and placed whole. White is what AND leaves
            // unchanged, so white pixels become transparent and what lies under the page (the form)
            // stays visible.
            QPaintDevice* dev = painter.device();
            const double dpi = std::max(1, dev->logicalDpiX());
            const double scale = std::min(1.0, 600.0 / dpi);
            QImage img(std::max(1, Rnd(dev->width() * scale)), std::max(1, Rnd(dev->height() * scale)),
                       QImage::Format_RGB32);
            img.fill(Qt::white);
            {
                QPainter ip(&img);
                ip.scale(scale, scale);
                ip.setTransform(painter.worldTransform() * ip.worldTransform());
                PageDraw draw(e, kind, ip, fontDpi, xScale, yScale, zoom, evenPage, formPage, originX, originY);
                draw.Run(lines, current);
            }
            img = img.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    if (line[x] == 0xFFFFFFFFu) line[x] = 0;
            }
            painter.resetTransform();
            painter.drawImage(QRectF(0, 0, dev->width(), dev->height()), img);
        } else {
            PageDraw draw(e, kind, painter, fontDpi, xScale, yScale, zoom, evenPage, formPage, originX, originY);
            draw.Run(lines, current);
        }
        painter.restore();
    } catch (const std::exception& ex) {
        painter.restore();
        LogSafely("ImageOut.(" + current + "):" + ex.what());
    } catch (...) {
        painter.restore();
        LogSafely("ImageOut.(" + current + "):不明なエラー");
    }
    e.LeftOffset = startLeft;
    e.TopOffset = startTop;
    return !metE;
}

bool HensuuYomikomi(TPlotivarEngine& e, const std::string& formFile, int offsetX, int offsetY)
{
    for (auto& page : e.Vars) page.fill(TDataField{});
    for (auto& page : e.Totals) page.fill(TTotalField{});
    for (auto& page : e.TotalDisplays) page.fill(TDataField{});
    e.FormPageIndex = 0;
    std::array<int, FormPageSlots> nextVar{}, nextTotal{};
    nextVar.fill(1);
    nextTotal.fill(0);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(formFile, ec)) return true;
    try {
        TPrintTextFile f;
        if (!f.Open(formFile)) throw std::runtime_error(formFile + " を読めません。");
        while (!f.Eof()) {
            std::string line = f.ReadLine();
            if (line.empty() || line.back() != ';') line += ";0;";
            const Record r = Parse(line);
            if (r.key == "E") {
                if (++e.FormPageIndex >= FormPageSlots) break;
                continue;
            }
            const std::size_t pg = static_cast<std::size_t>(e.FormPageIndex);
            if (r.key == "&" && nextVar[pg] < 200) {
                const std::string name = AsciiUpper(r.S(3));
                const bool pitchSlot = name == "0" || name == "行間";
                TDataField& v = e.Vars[pg][pitchSlot ? 0 : static_cast<std::size_t>(nextVar[pg]++)];
                v.Name = name;
                v.X = r.I(1) + offsetX;
                v.Y = r.I(2) + offsetY;
                v.FontName = r.S(4);
                v.FontSize = r.I(5) == 0 ? 12 : r.I(5);
                v.Style = AsciiUpper(r.S(6));
                v.Color = GetColorByName(*e.Def, r.S(7), "");
                v.Back = GetBackValue(*e.Def, r.S(8));
                v.Align = GetAlignCode(r.S(9));
                v.Width = r.I(10);
                v.Once = r.I(11);
                v.Center = r.I(12);
            } else if (r.key == "$" && nextTotal[pg] < 200 && !r.S(3).empty()) {
                const std::string name = AsciiUpper(r.S(3));
                auto& totals = e.Totals[pg];
                auto known = std::find_if(totals.begin(), totals.begin() + 101,
                                          [&](const TTotalField& t) { return !t.Name.empty() && t.Name == name; });
                if (known != totals.begin() + 101) {
                    known->Shown = 1;
                    for (std::size_t i = 0; i < 10; ++i) {
                        TDataField& d = e.TotalDisplays[pg][i];
                        if (!d.Name.empty()) continue;
                        d.Name = name;
                        d.X = r.I(1) + offsetX;
                        d.Y = r.I(2) + offsetY;
                        d.FontName = r.S(4);
                        d.FontSize = r.I(5);
                        d.Style = AsciiUpper(r.S(6));
                        d.Color = GetColorByName(*e.Def, r.S(7), "");
                        d.Back = GetBackValue(*e.Def, r.S(8));
                        d.Align = GetAlignCode(r.S(9));
                        d.Width = r.I(10);
                        d.Center = r.I(11);
                        break;
                    }
                } else {
                    TTotalField& t = totals[static_cast<std::size_t>(nextTotal[pg]++)];
                    t.Name = name;
                    t.X = r.I(1) + offsetX;
                    t.Y = r.I(2) + offsetY;
                }
            }
        }
    } catch (const std::exception& ex) {
        WritePrintErrorLog(std::string("ImageOut.HensuuYomikomi:") + ex.what());
        throw;
    }
    return true;
}

void ReadFormVersion(TPlotivarEngine& e, const std::string& formFile)
{
    e.FormVersion = 1.75;
    TPrintTextFile f;
    if (!f.Open(formFile)) return;
    while (!f.Eof()) {
        std::string line = f.ReadLine();
        if (const auto c = line.find("//"); c != std::string::npos) line.erase(c);
        if (line.find("VER") == std::string::npos) continue;
        const double v = StrToFloat0(GetFieldAt(line, "\"", 1));
        if (v > 0) {
            e.FormVersion = v;
            return;
        }
    }
}

} // namespace kb
