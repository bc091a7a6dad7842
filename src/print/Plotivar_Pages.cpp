#include "print/Plotivar_Pages.h"

#include "platform/Date.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kb {

bool TPrintTextFile::Open(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    lines_ = SplitLines(Cp932ToUtf8(ss.str()));
    pos_ = 0;
    return true;
}

bool AssignPrintFile(TPrintTextFile& f, const std::string& fileName)
{
    if (fileName.empty()) return false;
    std::error_code ec;
    const auto full = std::filesystem::absolute(fileName, ec);
    if (!ec && std::filesystem::is_regular_file(full, ec) && f.Open(full.string())) return true;
    ShowMessage2(1, "<" + fileName + "> が見つかりません。");
    return false;
}

namespace {
bool IsSeparator(const std::string& line)
{
    return line.size() >= 2 && AsciiUpper(line.substr(0, 2)) == "E;";
}
} // namespace

int CountPages(TPlotivarEngine& engine, const std::string& fileName, bool collect)
{
    const bool numbering = collect && engine.Def->PageBango.Show;
    if (collect) engine.PageNumberList.assign(1, "0"); // entry 0 unused: pages count from 1
    int pages = 1;
    int next = 1;
    std::vector<std::string> page;
    auto close = [&] {
        const bool empty = page.empty() ||
                           (page.size() == 1 && (page[0].find("ORIENTATION") != std::string::npos ||
                                                 page[0].find("LINE") != std::string::npos));
        engine.PageNumberList.push_back(empty ? "0" : std::to_string(next));
        if (!empty) ++next;
        page.clear();
    };
    TPrintTextFile f;
    if (AssignPrintFile(f, fileName)) {
        while (!f.Eof()) {
            const std::string line = f.ReadLine();
            if (IsSeparator(line)) {
                ++pages;
                if (numbering) close();
            } else if (numbering) {
                page.push_back(line);
            }
        }
        if (numbering) close();
    }
    if (collect) engine.NumberedPages = next - 1;
    return pages;
}

bool SkipToPage(TPrintTextFile& f, int page, bool wrap)
{
    int counter = 1;
    while (!f.Eof() && counter < page) {
        const std::string line = f.ReadLine();
        if (f.Eof() && wrap) {
            f.Reset();
            ++counter;
        } else if (IsSeparator(line)) {
            ++counter;
        }
    }
    return counter == page;
}

void GetPageCounts(TPlotivarEngine& engine)
{
    const int form = engine.FormFileName.empty() ? 1 : CountPages(engine, engine.FormFileName, false);
    const int data = CountPages(engine, engine.PrintDataFileName, true);
    if (form < data)
        engine.PageTotal = (data % form == 0) ? data : (data / form + 1) * form;
    else
        engine.PageTotal = form;
    engine.PageCurrent = 1;
}

std::string GetOrientationList(const std::string& fileName, int defaultOrientation)
{
    TPrintTextFile f;
    if (!AssignPrintFile(f, fileName)) return {};
    std::string out;
    int value = defaultOrientation;
    while (!f.Eof()) {
        const std::string line = f.ReadLine();
        if (line.empty() || line[0] == '*') continue;
        const std::string key = AsciiUpper(GetFieldAt(line, ";", 0));
        if (key == "ORIENTATION") {
            try {
                std::size_t used = 0;
                const std::string field = GetFieldAt(line, ";", 1);
                const int v = std::stoi(field, &used);
                value = used == field.size() ? v : defaultOrientation;
            } catch (...) {
                value = defaultOrientation;
            }
        } else if (key == "E") {
            out += std::to_string(value) + "\n";
            value = defaultOrientation;
        }
    }
    out += std::to_string(value) + "\n";
    return out;
}

int PageOrientation(const std::vector<std::string>& list, int page, int fallback)
{
    if (page < 1 || page > static_cast<int>(list.size())) return -1;
    const std::string& line = list[static_cast<std::size_t>(page - 1)];
    try {
        std::size_t used = 0;
        const int v = std::stoi(line, &used);
        return used == line.size() ? v : fallback;
    } catch (...) {
        return fallback;
    }
}

namespace {
struct PaperRatio {
    int data, printer, v, h;
};
constexpr PaperRatio kRatios[] = {
    {8, 9, 707, 707},    {8, 12, 843, 842},   {9, 11, 707, 705},  {9, 13, 865, 867},  {12, 13, 726, 728},
    {12, 9, 839, 840},   {13, 9, 1156, 1154}, {9, 12, 1192, 1190}, {9, 8, 1414, 1414}, {12, 8, 1186, 1188},
};
} // namespace

void CalcPaperRatio(TPlotivarEngine& engine)
{
    const int d = engine.Def->PaperSize;
    const int p = engine.PrinterPaperCode();
    if (p == d) {
        engine.VScale = engine.Def->VRatio;
        engine.HScale = engine.Def->HRatio;
        return;
    }
    for (const auto& r : kRatios) {
        if (r.data == d && r.printer == p) {
            engine.VScale = r.v;
            engine.HScale = r.h;
            return;
        }
    }
    // A pair we hold no ratio for prints unscaled rather than with an earlier job's ratios.
    engine.VScale = 0;
    engine.HScale = 0;
}

void GetPaperSizeMM(TPlotivarEngine& engine, int code, int& width, int& height)
{
    switch (code) {
    case 8: width = 297; height = 420; return;
    case 9: width = 210; height = 297; return;
    case 11: width = 148; height = 210; return;
    case 12: width = 250; height = 354; return;
    case 13: width = 182; height = 257; return;
    case 16: width = 254; height = 356; return;
    case 17: width = 280; height = 432; return;
    case 44: width = 229; height = 280; return;
    case 45: width = 254; height = 280; return;
    case 46: width = 381; height = 280; return;
    case 90: width = 305; height = 280; return;
    default: break;
    }
    const QSize printable = engine.Printer ? engine.Printer->PrintableSizeMM() : QSize(210, 297);
    width = printable.width();
    height = printable.height() + 20;
    engine.PaperMode = 2;
}

std::string PrintErrorLogPath()
{
    return (ShellFolders::DocumentsDir() / "Plotivar_Error.log").string();
}

void WritePrintErrorLog(const std::string& message)
{
    const DateTime now = DateTime::Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d  ", now.GetDate().Year() % 100,
                  now.GetDate().Month(), now.GetDate().Day(), now.Hour(), now.Minute(), now.Second());
    const std::string line = Utf8ToCp932(stamp + message) + "\r\n";
    const std::string path = PrintErrorLogPath();
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) throw std::runtime_error("エラーログを開けません: " + path);
    const bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) throw std::runtime_error("エラーログに書き込めません: " + path);
}

void LogPrintError(const std::string& message) noexcept
{
    try {
        WritePrintErrorLog(message);
    } catch (...) {
    }
}

bool PrintFileExists(const std::string& name)
{
    std::error_code ec;
    return !name.empty() && std::filesystem::is_regular_file(name, ec);
}

void CopyBlockSettings(const TPlotivarDEF& b, TPlotivarDEF& d)
{
    d.Title = b.Title;
    d.DocTitle = b.DocTitle;
    d.PrinterNum = b.PrinterNum;
    d.PaperSize = b.PaperSize;
    d.OutPutPaper = b.OutPutPaper;
    d.PaperName = b.PaperName;
    d.Orientation = b.Orientation;
    d.TopMargin = b.TopMargin;
    d.LeftMargin = b.LeftMargin;
    d.EvenLeftShift = b.EvenLeftShift;
    d.TopCorrect = b.TopCorrect;
    d.LeftCorrect = b.LeftCorrect;
    d.FormTopMargin = b.FormTopMargin;
    d.FormLeftMargin = b.FormLeftMargin;
    d.NetColor1 = b.NetColor1;
    d.NetColor2 = b.NetColor2;
    d.UserColor1 = b.UserColor1;
    d.UserColor2 = b.UserColor2;
    d.PrintFom = b.PrintFom;
    d.PrnDlg = b.PrnDlg;
    d.Zoom = b.Zoom;
    d.ModeSw = b.ModeSw;
    d.PaperLength = b.PaperLength;
    d.PaperWidth = b.PaperWidth;
    d.Scale = b.Scale;
    d.Copies = b.Copies;
    d.PrintQuality = b.PrintQuality;
    d.ColorMode = b.ColorMode;
    d.Duplex = b.Duplex;
    d.Collate = b.Collate;
    d.DevYResolution = b.DevYResolution;
}

double StrToFloat0(const std::string& text)
{
    try {
        std::size_t used = 0;
        const std::string t = TrimBlanks(text);
        const double v = std::stod(t, &used);
        return used == t.size() ? v : 0.0;
    } catch (...) {
        return 0.0;
    }
}

int SplitFields(const std::string& text, const std::string& separator, std::vector<std::string>& fields)
{
    fields.clear();
    std::string t = text;
    if (const auto p = t.find("//"); p != std::string::npos) t.erase(p);
    if (t.empty() || separator.empty()) return 0;
    std::size_t start = 0;
    for (std::size_t p = t.find(separator); p != std::string::npos; p = t.find(separator, start)) {
        fields.push_back(t.substr(start, p - start));
        start = p + separator.size();
    }
    fields.push_back(t.substr(start));
    return static_cast<int>(fields.size()) - 1;
}

std::string GetFieldAt(const std::string& text, const std::string& separator, int index)
{
    std::vector<std::string> fields;
    const int last = SplitFields(text, separator, fields);
    if (fields.empty() || last < index || index < 0) return {};
    return TrimBlanks(fields[static_cast<std::size_t>(index)]);
}

} // namespace kb
