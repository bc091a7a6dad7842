#pragma once
// Date texts in western or era form (和暦), a fixed-format date reader, and dotted version texts.
//
// The formatters take the operator's era-display switch as eraForm (SystemDef's era display:
// true selects era form). Era names come from the process era list GengoList.

#include <string>
#include <string_view>

#include "platform/Date.h"

namespace kb {

// One parsed version text.
struct TVersionRec {
    int Major = 0;
    int Minor1 = 0;
    int Minor2 = 0;
    int Build = 0;
    std::string VersionText;
};

// Date-time formatting with the family's pattern letters: yyyy/yy (y alone gives two digits), mm/m,
// dd/d, hh/h, nn/n, ss/s, zzz, "/" and ":" as the fixed separators, text in '...' or "..." literal,
// any other character (年, 月, 日 too) as itself. An "m" right after an "h" means minutes.
std::string FormatDatePattern(std::string_view pattern, const DateTime& dt);

// The date-time a text denotes under "yyyy/MM/dd" with an optional "hh:mm" or "hh:mm:ss" after a
// blank; a null DateTime when it does not parse. Process-wide formats are never touched.
DateTime StrToDateTimeSafe(std::string_view text);

// "from ～ to": era form "R 06/04/01 ～ R 07/03/31", western form "2024/04/01 ～ 2025/03/31".
std::string KikanToStr(Date from, Date to, bool eraForm);

// A date by a slash pattern ("yyyy/mm/dd", "yy/m/d", "yy2/mm/dd", ...). kind: 0 no era text (result
// trimmed), 1 era name, 2 era sign, 3 era sign with every blank removed, other values era name.
std::string DateToStrFmtW(std::string_view pattern, int kind, Date date, bool eraForm);
// A date by a 年月日 pattern ("yyyy年m月d日", "yy年m月", ...). kind as above, without blank removal.
std::string DateToStrFmtJ(std::string_view pattern, int kind, Date date, bool eraForm);

// Splits at "."; pieces 1 to 4 give Major, Minor1, Minor2, Build (0 when missing or not a number).
void StrToVersionRec(std::string_view text, TVersionRec& rec);
TVersionRec StrToVersionRec(std::string_view text);

// Versions compare by Major, then Minor1, then Minor2; Build takes no part.
int CompareVersionRec(const TVersionRec& a, const TVersionRec& b);
bool IsVersionRecNewer(const TVersionRec& a, const TVersionRec& b);
bool IsVersionRecOlder(const TVersionRec& a, const TVersionRec& b);
bool IsVersionNewer(std::string_view a, std::string_view b);
bool IsVersionAtLeast(std::string_view a, std::string_view b);

} // namespace kb
