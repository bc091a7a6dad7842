#pragma once
// The page interpreter and the engine state it shares with the printing job and the preview.
// DrawPrintPage draws one page of a print-data or form file onto a QPainter: a record at (x, y) in
// tenths of a millimetre lands on the device point round(x * XScale) + margins + origin, optionally
// reduced by the paper ratios, under a mapping of Zoom / 10. Drawing failures never leave the
// interpreter: they go to the engine's error log ("Plotivar_Error.log" in Documents).

#include "print/Plotivar_Record.h"

#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace kb {

// A print-data or form file read as lines (CP932 on disk, UTF-8 here) with a read position, as the
// interpreter and the page lists advance through it.
class TPrintTextFile {
public:
    // False when the file cannot be read.
    bool Open(const std::string& fileName);
    void Assign(std::vector<std::string> lines) { lines_ = std::move(lines); pos_ = 0; }
    bool Eof() const { return pos_ >= lines_.size(); }
    // The next line; empty at the end.
    std::string ReadLine() { return Eof() ? std::string() : lines_[pos_++]; }
    void Reset() { pos_ = 0; }
    std::size_t Position() const { return pos_; }

private:
    std::vector<std::string> lines_;
    std::size_t pos_ = 0;
};

// What the printer layer tells the engine about the canvas: whether a painter draws on the printer,
// the printer's paper code and its printable size. Without one: not a printer, A4, whole sheet.
class TPrinterInfo {
public:
    virtual ~TPrinterInfo() = default;
    virtual bool IsPrinterCanvas(const QPainter&) const { return false; }
    virtual int PaperCode() const { return 9; }
    virtual QSize PrintableSizeMM() const { return {210, 297}; }
};

// A chart drawn into a rectangle of a page; the painter's state is the panel's to restore.
class ChartPanel {
public:
    virtual ~ChartPanel() = default;
    virtual void paint(QPainter& painter, QRect rect) = 0;
};
// Chart panel i of a CHART record is entry i of the holder.
using ChartHolder = std::vector<std::shared_ptr<ChartPanel>>;

struct TDataField {
    int UseCount = 0;
    std::string Name;        // upper case
    int X = 0, Y = 0;        // tenths of a mm, load offsets added
    std::string FontName = "ＭＳ 明朝";
    int FontSize = 10;
    std::string Style;       // upper case
    TColor Color = 0;
    std::int64_t Back = 0;   // background value: 1 transparent, 15 or less transparent, else a colour
    int Align = 0;           // 0 left, 1 centre, 2 right
    int Width = 0;           // tenths of a mm; in slot 0 the line pitch
    int Once = 0;            // 1: only the first use on a page prints
    int Center = 0;          // 1: y is the vertical centre
};

struct TTotalField {
    std::string Name;
    int X = 0, Y = 0;
    std::int64_t Total = 0;
    std::uint8_t Shown = 0;
};

constexpr int FormPageSlots = 5;
constexpr int VariableSlots = 202;

// The engine's state: one object shared by the printing job, the preview and the interpreter.
struct TPlotivarEngine {
    TPlotivarDEF* Def = &PlotivarDef;
    const TPrinterInfo* Printer = nullptr;     // null: not a printer, A4, whole sheet
    const ChartHolder* Charts = nullptr;       // null: no chart is drawn
    std::string FormFileName, PrintDataFileName;
    int LeftOffset = 0, TopOffset = 0;         // margins of the page being drawn, tenths of a mm
    int EvenShift = 0;                         // extra left shift of even pages
    double VScale = 0, HScale = 0;             // paper ratios per mille; 0 = none
    int PageTotal = 1, PageCurrent = 1, PageCounter = 1, NumberedPages = 1;
    std::vector<std::string> PageNumberList;   // per data page (from 1 at index 1) the number, "0" none
    std::string PageMessageText;
    int FormPageIndex = 0;
    double FormVersion = 1.75;
    std::uint8_t PaperMode = 0;                // 2 after an unknown paper code was measured
    bool EngineReady = true;
    std::array<std::array<TDataField, VariableSlots>, FormPageSlots> Vars;
    std::array<std::array<TTotalField, VariableSlots>, FormPageSlots> Totals;
    std::array<std::array<TDataField, 12>, FormPageSlots> TotalDisplays;

    int PrinterPaperCode() const { return Printer ? Printer->PaperCode() : 9; }
};

// The process-wide engine the printing job and the preview use.
TPlotivarEngine& PlotivarEngine();

// Draws one page. kind "FOM" (form page), "DAT" (data page) or "SUBFORM"; f positioned at the page's
// first line and advanced past it. Answers true when the page ended at the end of the file (it was the
// last), false when an "E" record ended it: the answer is the reading's even when drawing failed.
bool DrawPrintPage(TPlotivarEngine& engine, const std::string& kind, TPrintTextFile& f, QPainter& painter,
                   int fontDpi, double xScale, double yScale, int zoom, bool evenPage, int formPage,
                   int originX, int originY);

// Reads the variable and total definitions of a form file, shifted by (offsetX, offsetY).
bool HensuuYomikomi(TPlotivarEngine& engine, const std::string& formFile, int offsetX, int offsetY);
void ReadFormVersion(TPlotivarEngine& engine, const std::string& formFile);

// A colour field: colour words, numbers, the form rule for kind "FOM"/"SUBFORM" with forms not
// printed, and the grey-scale switch.
TColor GetColorByName(const TPlotivarDEF& def, const std::string& word, const std::string& kind);
// Background value of a text: 1 for "1"/"OFF", $FFFFFF for "ON", else the colour (no form rule).
std::int64_t GetBackValue(const TPlotivarDEF& def, const std::string& word);
int GetAlignCode(const std::string& word);

// Maps the family names the print files use to the installed families (IPA, then IPAex, then
// Noto CJK). Idempotent; the interpreter calls it before drawing.
void InstallPrintFontSubstitutions();

} // namespace kb
