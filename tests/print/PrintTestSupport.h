#pragma once
// What the print tests share: the hand-written two-page data list (its geometry in tenths of a
// millimetre: rules from 150 to 2000, the header rule at 300, rows 44 apart from 405) and running
// poppler's tools.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kbtest {

inline const char* const kHeader = "*PLOTIVAR*************************************************************\r\n"
                                   "*[SETTING]\r\n*TITLE=データリスト\r\n"
                                   "*************************************************************PLOTIVAR*\r\n";

inline std::string PageHead(int page)
{
    return "TEXT;1000;150;データリスト;ＭＳ 明朝;16;;黒;1;CENTER;0;0;\r\n"
           "TEXT;2000;250;PAGE    " + std::to_string(page) + ";ＭＳ 明朝;9;;黒;1;RIGHT;0;0;\r\n"
           "LINE;150;300;2000;300;4;0;黒;\r\n"
           "TEXT;180;325;No;ＭＳ 明朝;9;;黒;1;;0;0;\r\n"
           "TEXT;250;325;データリスト名;ＭＳ 明朝;9;;黒;1;;0;0;\r\n"
           "TEXT;1050;325;会計年度;ＭＳ 明朝;9;;黒;1;CENTER;0;0;\r\n"
           "TEXT;1350;325;会計期間;ＭＳ 明朝;9;;黒;1;CENTER;0;0;\r\n"
           "TEXT;1600;325;データフォルダ;ＭＳ 明朝;9;;黒;1;;0;0;\r\n"
           "LINE;150;390;2000;390;4;0;黒;\r\n"
           "LINE;150;2820;2000;2820;4;0;黒;\r\n";
}

inline std::string Row(int y, const char* no, const char* name, const char* year, const char* folder, bool rule)
{
    const std::string ys = std::to_string(y);
    std::string s = "TEXT;170;" + ys + ";" + no + ";ＭＳ 明朝;9;;黒;1;;0;0;\r\n"
                    "TEXT;250;" + ys + ";" + name + ";ＭＳ 明朝;9;;黒;1;;0;0;\r\n"
                    "TEXT;1050;" + ys + ";" + year + ";ＭＳ 明朝;9;;黒;1;CENTER;0;0;\r\n"
                    "TEXT;1350;" + ys + ";R06/01/01-R06/12/31;ＭＳ 明朝;9;;黒;1;CENTER;0;0;\r\n"
                    "TEXT;1600;" + ys + ";" + folder + ";ＭＳ 明朝;9;;黒;1;;0;0;\r\n";
    if (rule) s += "LINE;150;" + std::to_string(y + 34) + ";2000;" + std::to_string(y + 34) + ";0;2;0;\r\n";
    return s;
}

// The list: page 1 rows 1 and 2, page 2 row 3.
inline std::string DataListText()
{
    return std::string(kHeader) + PageHead(1) + Row(405, "  1", "山田商店", "5 期", "~/0001", true) +
           Row(449, "  2", "佐藤農園", "12 期", "~/0002", false) + "E;\r\n" + PageHead(2) +
           Row(405, "  3", "鈴木不動産", "1 期", "~/0003", false);
}

inline std::string Output(const std::string& cmd)
{
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

inline bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

} // namespace kbtest
