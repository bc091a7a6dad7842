#pragma once
// The print-data writer: holds the print settings, writes the print-data file (header block, text,
// line and box records, page separators) and hands a filled settings block to the preview or the
// printing job. Calling order: set the settings (DataFile first), OpenDataFile, the record writers
// with NewPage between pages, CloseDataFile, then Preview or Print.

#include "print/Plotivar_Record.h"
#include "platform/Date.h"

#include <cstdio>
#include <functional>
#include <string>

namespace kb {

class TPlotivar {
public:
    TPlotivar();
    ~TPlotivar();
    TPlotivar(const TPlotivar&) = delete;
    TPlotivar& operator=(const TPlotivar&) = delete;

    // ---- settings taken as given
    std::string DataFile;
    std::string FormFile;
    std::string Title;
    std::string DocTitle;     // cleared after each preview or print
    TColor OcrGreen = 0x2CBE00, OcrBlue = 0xAC661F, OcrPink = 0x7F02F0, OcrBrown = 0x23234D,
           OcrOrange = 0x41B3FE, OcrViolet = 0x903D57, OcrPurple = 0x741A82;
    int Orientation = 0;
    int PaperSize = 9;
    int OutPutPaper = 0;
    std::string PaperName = "A4";
    int LeftMargin = 0, TopMargin = 0;
    int LeftCorrect = 0, TopCorrect = 0, FormLeftMargin = 0, FormTopMargin = 0;
    int PageNo = 1;           // the writer's page counter, raised by NewPage
    bool PrintFom = true;
    bool PrnDlg = true;
    int PrinterNum = -1;
    int BinNum = 0;
    TColor NetColor1 = 0xC0C0C0, NetColor2 = 0xC0C0C0, UserColor1 = 0, UserColor2 = 0;
    bool SizeChange = false;
    int PaperLength = 2970, PaperWidth = 2100;
    bool ModeSw = false;
    bool Permit = true;
    int PosCenter = 0;
    bool CurrentPage = true;
    bool ImageOut = false;
    int LineMaxCount = 0;
    bool DelFile = true;      // delete the data file after preview or print
    int BlankPage = 0;        // non-zero: NewPage writes a tiny box so that no page is empty
    bool GrayScale = false;
    bool PageBango = false;   // reset after each preview or print
    int PageBangoLeft = 0, PageBangoTop = 0;
    std::string PageBangoFontName = "ＭＳ 明朝";
    int PageBangoFontSize = 10;
    bool PrevPaperButton = false, NextPaperButton = false;

    // ---- settings with a range (a value outside it is ignored, the old value stays)
    void SetCopie(int v);          // 1..99
    int Copie() const { return copie_; }
    void SetZoom(int v);           // 5..20
    int Zoom() const { return zoom_; }
    void SetScale(int v);          // 50..150
    int Scale() const { return scale_; }
    void SetPrintQuality(int v);   // -4..-1
    int PrintQuality() const { return printQuality_; }
    void SetColorMode(int v);      // 0..2, anything else becomes 0
    int ColorMode() const { return colorMode_; }
    void SetDuplex(int v);         // 1..3
    int Duplex() const { return duplex_; }
    void SetCollate(int v);        // 0..1
    int Collate() const { return collate_; }
    void SetVRATIO(int v);         // -50..50 stored plus 1000, 950..1050 as is, else 1000
    int VRATIO() const { return vratio_; }
    void SetHRATIO(int v);
    int HRATIO() const { return hratio_; }
    void SetEvenLeftMargin(int v) { evenLeftMargin_ = v; }
    int EvenLeftMargin() const { return evenLeftMargin_; }
    // An installed family is taken; empty picks "OCR-B", "OCRB" or "ＭＳ ゴシック"; others are ignored.
    void SetOcrFontName(const std::string& v);
    const std::string& OcrFontName() const { return ocrFontName_; }
    // Counts "%d" into PageBangoArgCount; a format that does not take one or two page numbers
    // switches numbering off and restores "(%d/%d)".
    void SetPageBangoFormat(const std::string& v);
    const std::string& PageBangoFormat() const { return pageBangoFormat_; }
    int PageBangoArgCount() const { return pageBangoArgCount_; }
    enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
    void SetPageBangoAlignment(TAlignment a);
    int PageBangoAlignmentCode() const { return pageBangoAlignment_; } // 0 left, 1 centre, 2 right
    int PreviewCloseNum() const { return previewCloseNum_; }

    // ---- the file
    void OpenDataFile(bool useTempName);
    void WriteHeader();
    void CloseDataFile();
    void NewPage();
    void PrintText(int x, int y, const std::string& text, const std::string& fontName, int fontSize,
                   const std::string& style, const std::string& color, const std::string& back,
                   const std::string& align, int width);
    void PrintLine(int x1, int y1, int x2, int y2, int width, int style, const std::string& color, bool eLine);
    void PrintBox(int x1, int y1, int x2, int y2, int width, int penStyle, const std::string& penColor,
                  const std::string& brushColor, int brushStyle);

    // ---- handing over
    bool Preview();
    bool Print();
    // The settings block as Preview and Print fill it.
    void CopyToDef(TPlotivarDEF& def) const;

    // The date of the header ("today" unless a test fixes it).
    std::function<Date()> Today = [] { return Date::Today(); };

    // What Preview and Print call; the preview window and the printing job install themselves here.
    // Each answers its close code (preview) or job result (print) and may change PrinterNum and
    // Copies of the block it is given.
    using Runner = std::function<int(TPlotivarDEF&)>;
    static Runner& ShowPreview();
    static Runner& StartPrint();

private:
    void WriteLine(const std::string& utf8);
    void AfterRun(const TPlotivarDEF& def);

    int copie_ = 1, zoom_ = 10, scale_ = 100, printQuality_ = 0, colorMode_ = 0, duplex_ = 0, collate_ = 0;
    int vratio_ = 1000, hratio_ = 1000, evenLeftMargin_ = 0;
    std::string ocrFontName_ = "ＭＳ ゴシック";
    std::string pageBangoFormat_ = "(%d/%d)";
    int pageBangoArgCount_ = 0;
    int pageBangoAlignment_ = 2;
    int previewCloseNum_ = 0;
    std::FILE* file_ = nullptr;
    bool headerWritten_ = false;
};

// The text of a TEXT record as PrintText writes it: ";" becomes ":", CR and LF become blanks, and the
// text is fitted to width CP932 bytes by the alignment (already upper-cased).
std::string FitPrintText(const std::string& text, const std::string& align, int width);

} // namespace kb

namespace kb {
// Formats a page-number format with args (one or two numbers) as the run time's Format does for
// "%d" conversions (flags, width and precision allowed, "%%" a percent sign). False when the
// format holds another conversion or more conversions than numbers given.
bool FormatPageNumber(const std::string& format, const int* args, int argCount, std::string& out);
} // namespace kb
