#include "print/Plotivar_Class.h"

#include "print/Plotivar_Imagedsp.h"
#include "print/Plotivar_PrintIng.h"

#include "core/z5ComFunc.h"
#include "platform/Text.h"

#include <QFontDatabase>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace kb {

TPlotivarDEF PlotivarDef;

namespace {

std::runtime_error IoError(const std::string& what, const std::string& file)
{
    return std::runtime_error(what + " (" + file + "): " + std::strerror(errno));
}

bool FamilyInstalled(const std::string& name)
{
    return QFontDatabase::families().contains(QString::fromStdString(name), Qt::CaseInsensitive);
}

// Field texts never carry the separator or a line break: either would split the record.
std::string FieldSafe(std::string s)
{
    for (char& c : s) {
        if (c == ';') c = ':';
        else if (c == '\r' || c == '\n') c = ' ';
    }
    return s;
}

// Header values keep ";" but never a line break, which would start a line that is read as a record.
std::string NoBreaks(std::string s)
{
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

std::string Bool(bool b) { return b ? "TRUE" : "FALSE"; }

std::string Hex6(TColor c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%6.6X", static_cast<unsigned>(c));
    return buf;
}

} // namespace

bool FormatPageNumber(const std::string& format, const int* args, int argCount, std::string& out)
{
    out.clear();
    int used = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') { out += format[i]; continue; }
        if (i + 1 < format.size() && format[i + 1] == '%') { out += '%'; ++i; continue; }
        std::size_t j = i + 1;
        std::string spec = "%";
        if (j < format.size() && format[j] == '-') spec += format[j++];
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) spec += format[j++];
        if (j < format.size() && format[j] == '.') {
            spec += format[j++];
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) spec += format[j++];
        }
        if (j >= format.size() || (format[j] != 'd' && format[j] != 'D') || used >= argCount || spec.size() > 8)
            return false;
        spec += 'd';
        char buf[64];
        std::snprintf(buf, sizeof buf, spec.c_str(), args[used++]);
        out += buf;
        i = j;
    }
    return true;
}

std::string FitPrintText(const std::string& text, const std::string& align, int width)
{
    const std::string t = FieldSafe(text);
    if (width <= 0 || align == "CENTER") return t;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t len = sjis::ByteLength(t);
    // Blanks are added only up to 126; a wider field leaves a short text as it is.
    if (len < w && w > 126) return t;
    if (align == "RIGHT") return FixRight(t, width); // a double-byte character cut at the front becomes a blank
    return len < w ? sjis::PadRight(t, w) : sjis::Cut(t, w);
}

TPlotivar::TPlotivar()
{
    SetOcrFontName("");
}

TPlotivar::~TPlotivar()
{
    if (file_) std::fclose(file_);
}

void TPlotivar::SetCopie(int v) { if (v >= 1 && v <= 99) copie_ = v; }
void TPlotivar::SetZoom(int v) { if (v >= 5 && v <= 20) zoom_ = v; }
void TPlotivar::SetScale(int v) { if (v >= 50 && v <= 150) scale_ = v; }
void TPlotivar::SetPrintQuality(int v) { if (v >= -4 && v <= -1) printQuality_ = v; }
void TPlotivar::SetColorMode(int v) { colorMode_ = (v >= 0 && v <= 2) ? v : 0; }
void TPlotivar::SetDuplex(int v) { if (v >= 1 && v <= 3) duplex_ = v; }
void TPlotivar::SetCollate(int v) { if (v >= 0 && v <= 1) collate_ = v; }

static int RatioValue(int v)
{
    if (v >= -50 && v <= 50) return v + 1000;
    if (v >= 950 && v <= 1050) return v;
    return 1000;
}
void TPlotivar::SetVRATIO(int v) { vratio_ = RatioValue(v); }
void TPlotivar::SetHRATIO(int v) { hratio_ = RatioValue(v); }

void TPlotivar::SetOcrFontName(const std::string& v)
{
    if (v.empty()) {
        ocrFontName_ = FamilyInstalled("OCR-B") ? "OCR-B" : FamilyInstalled("OCRB") ? "OCRB" : "ＭＳ ゴシック";
    } else if (FamilyInstalled(v)) {
        ocrFontName_ = v;
    }
}

void TPlotivar::SetPageBangoFormat(const std::string& v)
{
    const std::string up = AsciiUpper(v);
    int count = 0;
    for (std::size_t p = up.find("%D"); p != std::string::npos; p = up.find("%D", p + 2)) ++count;
    pageBangoArgCount_ = count;
    const int ones[2] = {1, 1};
    std::string probe;
    if ((count == 1 || count == 2) && FormatPageNumber(v, ones, count, probe)) {
        pageBangoFormat_ = v;
    } else {
        PageBango = false;
        pageBangoFormat_ = "(%d/%d)";
    }
}

void TPlotivar::SetPageBangoAlignment(TAlignment a)
{
    pageBangoAlignment_ = a == TAlignment::taLeftJustify ? 0 : a == TAlignment::taCenter ? 1 : 2;
}

void TPlotivar::OpenDataFile(bool useTempName)
{
    namespace fs = std::filesystem;
    if (DocTitle.empty()) DocTitle = fs::path(DataFile).stem().string();
    if (file_) { std::fclose(file_); file_ = nullptr; }
    int fd = -1;
    if (useTempName) {
        // A name of our own in the data file's folder, taken exclusively so no other run shares it.
        const fs::path folder = fs::path(DataFile).parent_path();
        std::random_device rd;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "~%06X.TMP", static_cast<unsigned>(rd() & 0xFFFFFF));
            const fs::path candidate = folder / name;
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) DataFile = candidate.string();
            else if (errno != EEXIST) break;
        }
        if (fd < 0) throw IoError("印刷データファイルを作成できません", (folder / "~").string());
    } else {
        fd = ::open(DataFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) throw IoError("印刷データファイルを作成できません", DataFile);
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) { ::close(fd); throw IoError("印刷データファイルを作成できません", DataFile); }
    headerWritten_ = false;
    WriteHeader();
}

void TPlotivar::WriteLine(const std::string& utf8)
{
    if (!file_) throw std::runtime_error("印刷データファイルが開かれていません。");
    const std::string bytes = Utf8ToCp932(utf8) + "\r\n";
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        throw IoError("印刷データファイルに書き込めません", DataFile);
}

void TPlotivar::WriteHeader()
{
    if (headerWritten_) return;
    std::string folder = std::filesystem::path(DataFile).parent_path().string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string d = Today().ToString(); // "yyyy/MM/dd"
    WriteLine("*PLOTIVAR" + std::string(61, '*'));
    WriteLine("*[SETTING]");
    WriteLine("*PATH=" + NoBreaks(folder));
    WriteLine(std::string("*VERSION=") + PlotivarVersion);
    WriteLine("*DATE=" + d);
    WriteLine("*TITLE=" + NoBreaks(Title));
    WriteLine("*FORMFILE=" + NoBreaks(FormFile));
    WriteLine("*PAPERSIZE=" + std::to_string(PaperSize));
    WriteLine("*OUTPUTPAPER=" + std::to_string(OutPutPaper));
    WriteLine("*ORIENTATION=" + std::to_string(Orientation));
    WriteLine("*TOPMARGIN=" + std::to_string(TopMargin));
    WriteLine("*LEFTMARGIN=" + std::to_string(LeftMargin));
    WriteLine("*FORMTOPMARGIN=" + std::to_string(FormTopMargin));
    WriteLine("*FORMLEFTMARGIN=" + std::to_string(FormLeftMargin));
    WriteLine("*NETC1=" + Hex6(NetColor1));
    WriteLine("*NETC2=" + Hex6(NetColor2));
    WriteLine("*USERC1=" + Hex6(UserColor1));
    WriteLine("*USERC2=" + Hex6(UserColor2));
    WriteLine("*FORMPRINT=" + Bool(PrintFom));
    WriteLine("*COPIES=" + std::to_string(copie_));
    WriteLine("*PAGENOSWITCH=" + Bool(PageBango));
    WriteLine("*PAGENOLEFT=" + std::to_string(PageBangoLeft));
    WriteLine("*PAGENOTOP=" + std::to_string(PageBangoTop));
    WriteLine("*PAGENOALIGNMENT=" + std::to_string(pageBangoAlignment_));
    WriteLine("*PAGENOFORMAT=" + NoBreaks(pageBangoFormat_));
    WriteLine(std::string(61, '*') + "PLOTIVAR*");
    headerWritten_ = true;
}

void TPlotivar::CloseDataFile()
{
    headerWritten_ = false;
    if (!file_) return;
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) throw IoError("印刷データファイルを閉じられません", DataFile);
}

void TPlotivar::NewPage()
{
    ++PageNo;
    if (BlankPage != 0) PrintBox(100, 100, 101, 101, 0, 0, "黒", "白", 1);
    WriteLine("E;");
}

void TPlotivar::PrintText(int x, int y, const std::string& text, const std::string& fontName, int fontSize,
                          const std::string& style, const std::string& color, const std::string& back,
                          const std::string& align, int width)
{
    const std::string al = AsciiUpper(align);
    WriteLine("TEXT;" + std::to_string(x) + ";" + std::to_string(y) + ";" + FitPrintText(text, al, width) + ";" +
              FieldSafe(fontName) + ";" + std::to_string(fontSize) + ";" + FieldSafe(style) + ";" + FieldSafe(color) +
              ";" + (back == "OFF" ? std::string("1") : FieldSafe(back)) + ";" + FieldSafe(al) + ";0;0;");
}

void TPlotivar::PrintLine(int x1, int y1, int x2, int y2, int width, int style, const std::string& color, bool eLine)
{
    WriteLine(std::string(eLine ? "ELINE" : "LINE") + ";" + std::to_string(x1) + ";" + std::to_string(y1) + ";" +
              std::to_string(x2) + ";" + std::to_string(y2) + ";" + std::to_string(width) + ";" +
              std::to_string(style) + ";" + FieldSafe(color) + ";");
}

void TPlotivar::PrintBox(int x1, int y1, int x2, int y2, int width, int penStyle, const std::string& penColor,
                         const std::string& brushColor, int brushStyle)
{
    WriteLine("BOX;" + std::to_string(x1) + ";" + std::to_string(y1) + ";" + std::to_string(x2) + ";" +
              std::to_string(y2) + ";" + std::to_string(width) + ";" + std::to_string(penStyle) + ";" +
              FieldSafe(penColor) + ";" + FieldSafe(brushColor) + ";" + std::to_string(brushStyle) + ";");
}

void TPlotivar::CopyToDef(TPlotivarDEF& d) const
{
    d.FormFile = FormFile;
    d.DataFile = DataFile;
    d.Title = Title;
    d.PaperName = PaperName;
    d.DocTitle = !DocTitle.empty() ? DocTitle : !Title.empty() ? Title : std::string("PLOTIVAR-") + PlotivarVersion;
    d.PrinterNum = PrinterNum;
    d.PaperSize = PaperSize;
    d.OutPutPaper = OutPutPaper;
    d.VRatio = vratio_;
    d.HRatio = hratio_;
    d.Orientation = Orientation;
    d.TopMargin = TopMargin;
    d.LeftMargin = LeftMargin;
    d.EvenLeftShift = evenLeftMargin_ == 0 ? 0 : evenLeftMargin_ - LeftMargin;
    d.TopCorrect = TopCorrect;
    d.LeftCorrect = LeftCorrect;
    d.FormTopMargin = FormTopMargin;
    d.FormLeftMargin = FormLeftMargin;
    d.NetColor1 = NetColor1;
    d.NetColor2 = NetColor2;
    d.UserColor1 = UserColor1;
    d.UserColor2 = UserColor2;
    d.OcrGreen = OcrGreen;
    d.OcrBlue = OcrBlue;
    d.OcrBrown = OcrBrown;
    d.OcrPink = OcrPink;
    d.OcrOrange = OcrOrange;
    d.OcrViolet = OcrViolet;
    d.OcrPurple = OcrPurple;
    d.PrintFom = PrintFom;
    d.PrnDlg = PrnDlg;
    d.Zoom = zoom_;
    d.SizeChange = SizeChange;
    d.ImageOut = ImageOut;
    d.CurrentPage = CurrentPage;
    d.PrevPaperButton = PrevPaperButton;
    d.NextPaperButton = NextPaperButton;
    d.ModeSw = ModeSw;
    d.PaperLength = PaperLength;
    d.PaperWidth = PaperWidth;
    d.Scale = scale_;
    d.Copies = copie_;
    d.PrintQuality = printQuality_;
    d.ColorMode = colorMode_;
    d.Duplex = duplex_;
    d.Collate = collate_;
    d.Permit = Permit;
    d.GrayScale = GrayScale;
    d.PageBango.Show = PageBango;
    d.PageBango.Left = PageBangoLeft;
    d.PageBango.Top = PageBangoTop;
    d.PageBango.Alignment = pageBangoAlignment_;
    d.PageBango.FontName = PageBangoFontName;
    d.PageBango.FontSize = PageBangoFontSize;
    d.PageBango.Format = pageBangoFormat_;
    d.PageBango.ArgCount = pageBangoArgCount_;
}

TPlotivar::Runner& TPlotivar::ShowPreview()
{
    static Runner r = [](TPlotivarDEF& d) { return kb::ShowPreview(d); };
    return r;
}

TPlotivar::Runner& TPlotivar::StartPrint()
{
    static Runner r = [](TPlotivarDEF& d) { return kb::StartPrint(d); };
    return r;
}

void TPlotivar::AfterRun(const TPlotivarDEF& def)
{
    namespace fs = std::filesystem;
    if (DelFile) {
        std::error_code ec;
        fs::remove(def.DataFile, ec);
        fs::remove(fs::path(def.DataFile).parent_path() / "CHART.WMF", ec);
    }
    PrinterNum = def.PrinterNum;
    SetCopie(def.Copies);
    PlotivarDef.PrinterNum = PrinterNum;
    PlotivarDef.Copies = copie_;
    PageBango = false;
    DocTitle.clear();
}

bool TPlotivar::Preview()
{
    if (!ShowPreview()) throw std::runtime_error("印刷プレビューはまだ使用できません。");
    CopyToDef(PlotivarDef);
    previewCloseNum_ = ShowPreview()(PlotivarDef);
    AfterRun(PlotivarDef);
    return previewCloseNum_ != 0;
}

bool TPlotivar::Print()
{
    if (!StartPrint()) throw std::runtime_error("印刷はまだ使用できません。");
    TPlotivarDEF def;
    CopyToDef(def);
    previewCloseNum_ = StartPrint()(def) != 0 ? 1 : 0;
    AfterRun(def);
    return previewCloseNum_ != 0;
}

} // namespace kb
