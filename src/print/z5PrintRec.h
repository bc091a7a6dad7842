#pragma once
// The print options a print dialog hands to a printing routine, and the black-and-white colours a
// routine applies to its writer.

#include "print/Plotivar_Class.h"

#include <string>

namespace kb {

struct TDefaultPrintRec {
    std::string StyleName;     // the caller's name for the form; the STYLECOLOR key is made from it
    int ColorMode = 0;         // 0 black and white, 1 colour
    int StartPage = 1;         // number printed on the first page
    bool BothSides = false;    // wider margin of even pages on the right
    int FontIndex = 0;         // into FontNames
    int TitleFontSize = 16;
    int FontSize = 9;          // headings
    int LineFontSize = 10;     // detail lines
    TColor LineColor1 = 0, LineColor2 = 0, NetColor1 = 0, NetColor2 = 0;
    std::string Options;       // Name=Value lines separated by CR LF
};

// The defaults, with the four colours of the operator's environment (SystemDef).
void InitDefaultPrintRec(TDefaultPrintRec& rec);

// In black and white (ColorMode 0) the user and OCR colours become black and the shades their grey;
// colour printing leaves the writer as it is.
void ApplyMonoPrintColors(int colorMode, TPlotivar& plotivar);

} // namespace kb
