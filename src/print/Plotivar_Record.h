#pragma once
// The print settings block: one record that carries every setting from the writer component to the
// preview, the printing job and the page interpreter. Texts are std::string (no byte layout to keep,
// so no path is cut at a fixed length); colours are $00BBGGRR values.

#include <cstdint>
#include <string>

namespace kb {

using TColor = std::uint32_t;

// Automatic page numbers of the data pages.
struct TPAGEBANGO {
    bool Show = false;
    std::int32_t Left = 0;       // tenths of a mm
    std::int32_t Top = 0;
    std::int32_t Alignment = 2;  // 0 left, 1 centre, 2 right
    std::string FontName = "ＭＳ 明朝";
    std::int32_t FontSize = 10;
    std::string Format = "(%d/%d)"; // one or two "%d": page number, page total
    std::int32_t ArgCount = 0;      // "%d" in Format; numbering only with 1 or 2
};

struct TPlotivarDEF {
    std::string FormFile;
    std::string DataFile;
    std::string Title;
    std::string DeviceName;
    std::string FormName;
    std::string DocTitle;
    std::int32_t PrinterNum = -1;
    std::int32_t PaperSize = 0;   // paper code of the data: 8 A3, 9 A4, 11 A5, 12 B4, 13 B5 ...
    std::int32_t OutPutPaper = 0;
    std::int32_t VRatio = 1000;   // per mille
    std::int32_t HRatio = 1000;
    std::string PaperName = "A4";
    std::int32_t Orientation = 0; // 0 portrait, 1 landscape
    std::int32_t TopMargin = 0;   // tenths of a mm, as every margin and correction below
    std::int32_t LeftMargin = 0;
    std::int32_t EvenLeftShift = 0;
    std::int32_t TopCorrect = 0;
    std::int32_t LeftCorrect = 0;
    std::int32_t FormTopMargin = 0;
    std::int32_t FormLeftMargin = 0;
    std::int32_t BinNum = 7;
    TColor NetColor1 = 0xC0C0C0;  // "薄網掛"
    TColor NetColor2 = 0xC0C0C0;  // "濃網掛"
    TColor UserColor1 = 0;
    TColor UserColor2 = 0;
    TColor OcrGreen = 0x2CBE00;
    TColor OcrBlue = 0xAC661F;
    TColor OcrBrown = 0x23234D;
    TColor OcrPink = 0x7F02F0;
    TColor OcrOrange = 0x41B3FE;
    TColor OcrViolet = 0x903D57;
    TColor OcrPurple = 0x741A82;
    bool PrintFom = true;
    bool PrnDlg = true;
    std::int32_t Zoom = 10;
    bool SizeChange = false;  // carried only
    bool ImageOut = false;    // carried only
    bool CurrentPage = true;
    bool PrevPaperButton = false;
    bool NextPaperButton = false;
    bool ModeSw = true;       // carried only
    std::int32_t PaperLength = 2970;
    std::int32_t PaperWidth = 2100;
    std::int32_t Scale = 100;
    std::int32_t Copies = 1;
    std::int32_t PrintQuality = -4;
    std::int32_t ColorMode = 0;
    std::int32_t Duplex = 1;
    std::int32_t Collate = 0;
    std::int32_t DevYResolution = 0;
    bool Permit = true;
    bool GrayScale = false;
    std::int32_t DevFields = 0;
    TPAGEBANGO PageBango;
};

// The block the preview, the printing job and the interpreter read.
extern TPlotivarDEF PlotivarDef;

// The engine's version text, written into every print-data file.
inline constexpr const char* PlotivarVersion = "VCL.2.5";

} // namespace kb
