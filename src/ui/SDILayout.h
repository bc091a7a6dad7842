#pragma once
#include "ui/z5WinFunc.h"
// Layout store and rescaling of the base dialog form: the bounds of every control and the column
// widths of grids are recorded on the first show, then the form is rescaled to the operator's
// screen font. The computations are plain functions; TBSDI applies them to its widgets.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;

namespace kb {

// The operator's screen settings that layout and placement read (SYSDEF columns, the two screen
// fonts, the window metrics taken at start-up). Colours are $BBGGRR.
struct TScreenSettings {
    int ScreenPPI = 96;
    int BaseFontSize = 10;        // the main form's design font
    int ChosenFontSize = 10;      // the operator's screen font
    std::string ChosenFontName;   // empty: keep the form's family
    bool ShowHint = true;
    int FrameAdjust = 0;
    int FrameHeight = 0, CaptionHeight = 0, MenuHeight = 0, BandHeight = 0;
    int SizingFrame = 4;          // the system's sizing-frame height (AdjustByFrame)
    bool IryouHoujin = false;     // the open data set is a medical corporation
    int OemFlag = 0;
    std::uint32_t ColHeaderColor = 0xF0F0F0, ClientColor = 0xFFFFFF, ClientColor1 = 0xFFFFFF,
                  ClientColor2 = 0xFFFFFF, ActiveColor = 0x0000FF;
};

// Column widths and row height of one grid. Widths grow with the grid: no fixed column limit.
struct TGridLayoutRec {
    double DefRowHeight = 0;
    double DefColWidth = 0;
    std::vector<int> ColWidths;
};

struct TLayoutRec {
    QPointer<QWidget> Control;
    int Left = 0, Top = 0, Width = 0, Height = 0, Tag = 0, ItemHeight = 0;
    std::unique_ptr<TGridLayoutRec> Grid;
};
using TLayout = std::vector<TLayoutRec>;

// MulDiv as the platform rounds it (half away from zero); 0 divisor gives -1.
int MulDiv(int a, int b, int c);
// ScaleByPPI and AdjustByFrame: see ui/z5WinFunc.h.

struct TFontScale {
    int BasePPI = 96;   // the resolution the form was designed at
    int Ratio = 100;    // whole percentage
    int FormPPI = 96;   // the form's new pixels per inch
};
TFontScale ComputeFontScale(int screenPPI, int baseFontSize, int chosenFontSize);

// Minimum size of a form that stores its size: 60 % of its first size; dialogs get none.
struct TMinSize { int Width = 0, Height = 0; };
TMinSize ComputeMinSize(bool useFormSize, bool dialog, int width, int height);

// Label captions on a medical corporation's data: "本・支店" and then "支店" become "施設".
std::string MedicalRelabel(const std::string& caption);

// The colours a grid takes from the operator's settings (mode 1 keeps ClientColor for both rows).
struct TGridColors {
    std::uint32_t FixedBackColor, FixedBorderColor, BackColor, OddRowBackColor, FocusBorderColor, BorderColor,
        ThruBorderColor, DisabledColor;
};
TGridColors ComputeGridColors(const TScreenSettings& s, int mode);
// Applies them to an item view (background, alternate rows, header, focus frame).
void ApplyGridColors(QAbstractItemView* view, const TGridColors& c);

// Grid adapter: the widths and row height of an item view's columns.
bool IsGrid(const QWidget* w);
void RecordGrid(QAbstractItemView* view, TGridLayoutRec& rec);
void ScaleGrid(QAbstractItemView* view, const TGridLayoutRec& rec, int formPPI);

} // namespace kb
