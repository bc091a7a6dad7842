#include "dataselect/z5PrDataList.h"

#include "core/uAccRecord.h"
#include "dataselect/registry/z5DataSentakuRules.h"

#include <cstdio>

namespace kb {

namespace {
struct TColumns {
    int code, name, year, period, folder;   // code < 0: no code column
};
constexpr TColumns kPortrait{-1, 250, 1050, 1350, 1600};
constexpr TColumns kLandscape{250, 450, 1250, 1550, 1800};
constexpr int kRowSize = 9;

const TColumns& Columns(int orientation) { return orientation == 1 ? kLandscape : kPortrait; }
} // namespace

void TPrDataList::Text(int x, const std::string& text, int size, const char* align)
{
    Plotivar.PrintText(x, y_, text, font_, size, "", "黒", "OFF", align, 0);
}

void TPrDataList::NextLine()
{
    if (line_ >= 1 && line_ <= linesPerPage_ - 1) {
        ++line_;
    } else {
        if (line_ != 0) Plotivar.NewPage();
        const TColumns& c = Columns(Orientation);
        const int head = PrintRec.FontSize;
        y_ = 150;
        Text(right_ / 2, ServerList != 0 ? "共有データリスト" : "データリスト", PrintRec.TitleFontSize, "CENTER");
        char pageText[32];
        std::snprintf(pageText, sizeof pageText, "PAGE %4d", page_);
        y_ = 250;
        Text(right_, pageText, head, "RIGHT");
        Plotivar.PrintLine(150, 300, right_, 300, 4, 0, "黒", false);
        y_ = 325;
        Text(180, "No", head, "LEFT");
        if (c.code >= 0) Text(c.code, "コード", head, "LEFT");
        Text(c.name, "データリスト名", head, "LEFT");
        Text(c.year, "会計年度", head, "CENTER");
        Text(c.period, "会計期間", head, "CENTER");
        Text(c.folder, "データフォルダ", head, "LEFT");
        Plotivar.PrintLine(150, 390, right_, 390, 4, 0, "黒", false);
        Plotivar.PrintLine(150, bottom_, right_, bottom_, 4, 0, "黒", false);
        line_ = 1;
        ++page_;
    }
    y_ = 361 + 44 * line_;
}

void TPrDataList::WriteCells(const TDataListRec& rec, const std::string& no, bool child)
{
    const TColumns& c = Columns(Orientation);
    if (!child) Text(170, no, kRowSize, "LEFT");
    if (c.code >= 0) Text(c.code, rec.DATACODE, kRowSize, "LEFT");
    Text(c.name, rec.DISPNAME, kRowSize, "LEFT");
    if (rec.ENTTEXT.empty()) {
        Text(c.year, "", kRowSize, "LEFT");
        Text(c.period, "", kRowSize, "LEFT");
    } else if (rec.NENDO < 1) {
        Text(c.year, "", kRowSize, "CENTER");
        Text(c.period, "", kRowSize, "CENTER");
    } else {
        Text(c.year, std::to_string(rec.NENDO) + " 期", kRowSize, "CENTER");
        Text(c.period, rec.KIKANTEXT, kRowSize, "CENTER");
    }
    Text(c.folder, DisplayFolder(rec.PASNAME, SystemDef.AppDataDir), kRowSize, "LEFT");
    if (line_ != linesPerPage_)
        Plotivar.PrintLine(150, y_ + 34, right_, y_ + 34, 0, 2, std::to_string(Plotivar.UserColor1), false);
}

bool TPrDataList::Print(bool toPrinter)
{
    PrintRec.LineFontSize = kRowSize;
    page_ = 1;
    line_ = 0;
    const bool landscape = Orientation == 1;
    linesPerPage_ = landscape ? 35 : 55;
    right_ = landscape ? 2820 : 2000;
    bottom_ = landscape ? 1945 : 2820;
    const int fi = PrintRec.FontIndex;
    font_ = FontNames[static_cast<std::size_t>(fi >= 0 && fi < static_cast<int>(FontNames.size()) ? fi : 0)];

    TPlotivar& p = Plotivar;
    p.Title = "印刷プレビュー";
    p.DataFile = SystemDef.TempDir + "/データリスト.TMP";
    p.FormFile.clear();
    p.PaperSize = 9;
    p.Orientation = Orientation;
    p.TopMargin = 0;
    p.LeftMargin = 0;
    p.SetZoom(10);
    p.UserColor1 = p.UserColor2 = 0;
    p.NetColor1 = static_cast<TColor>(SystemDef.NetColor1);
    p.NetColor2 = static_cast<TColor>(SystemDef.NetColor2);
    ApplyMonoPrintColors(PrintRec.ColorMode, p);
    p.PrintFom = false;
    p.ModeSw = false;
    p.Permit = true;

    p.OpenDataFile(true);
    try {
        p.WriteHeader();
        int running = 0;
        for (int index : DispIndex) {
            if (index < 0 || index >= static_cast<int>(Rows.size())) continue;
            const TDataSentakuRec& row = Rows[static_cast<std::size_t>(index)];
            ++running;
            char no[16];
            std::snprintf(no, sizeof no, "%3d", ServerList != 0 ? running : row.DataRec.REC);
            NextLine();
            WriteCells(row.DataRec, no, false);
            for (const TDataListRec& child : row.ChildList) {
                NextLine();
                WriteCells(child, "", true);
            }
        }
    } catch (...) {
        p.CloseDataFile();
        throw;
    }
    p.CloseDataFile();
    return toPrinter ? p.Print() : p.Preview();
}

} // namespace kb
