#include "core/z5DateVersion.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "core/uAccDateCmp.h"
#include "platform/Text.h"

namespace kb {

namespace {

std::string Num(int v, int width)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, v);
    return buf;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Every half-width and full-width blank out.
std::string NoBlanks(const std::string& s)
{
    std::string r;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ' ') { ++i; continue; }
        if (s.compare(i, 3, "\xE3\x80\x80") == 0) { i += 3; continue; }
        r += s[i++];
    }
    return r;
}

std::string Printf(const char* fmt, const std::string& era, int a, int b, int c)
{
    char buf[256];
    // Every era format starts with the era text; surplus numbers are ignored by printf.
    std::snprintf(buf, sizeof buf, fmt, era.c_str(), a, b, c);
    return buf;
}

enum class West { Pattern, Alt, Full, Two };

struct FmtRow {
    std::vector<std::string_view> patterns;
    const char* era;        // era form format: era text, then year, month, day
    West west;              // how western form writes it
    const char* westFmt;    // Full/Two: printf format of year, month, day; Alt: the date pattern
};

const std::vector<FmtRow>& RowsW()
{
    static const std::vector<FmtRow> rows = {
        {{"yyyy/mm/dd", "yy/mm/dd"}, "%s %.2d/%.2d/%.2d", West::Pattern, nullptr},
        {{"yyyy/mm", "yy/mm"}, "%s %.2d/%.2d", West::Pattern, nullptr},
        {{"yyyy", "yy"}, "%s %.2d", West::Pattern, nullptr},
        {{"yyyy/m/d"}, "%s %2d/%2d/%2d", West::Full, "%4d/%2d/%2d"},
        {{"yy/m/d", "y/m/d"}, "%s %2d/%2d/%2d", West::Two, "%2d/%2d/%2d"},
        {{"yyyy/m"}, "%s %2d/%2d", West::Full, "%4d/%2d"},
        {{"yy/m", "y/m"}, "%s %2d/%2d", West::Two, "%2d/%2d"},
        {{"y"}, "%s %2d", West::Pattern, nullptr},
        {{"yy2/mm/dd"}, "%s%.2d/%.2d/%.2d", West::Alt, "yy/mm/dd"},
    };
    return rows;
}

const std::vector<FmtRow>& RowsJ()
{
    static const std::vector<FmtRow> rows = {
        {{"yyyy年mm月dd日", "yy年mm月dd日"}, "%s %.2d年%.2d月%.2d日", West::Pattern, nullptr},
        {{"yyyy年mm月", "yy年mm月"}, "%s %.2d年%.2d月", West::Pattern, nullptr},
        {{"yyyy年", "yy年"}, "%s %.2d年", West::Pattern, nullptr},
        {{"yyyy年m月d日"}, "%s %2d年%2d月%2d日", West::Full, "%4d年%2d月%2d日"},
        {{"yy年m月d日", "y年m月d日"}, "%s %2d年%2d月%2d日", West::Two, "%2d年%2d月%2d日"},
        {{"yyyy年m月"}, "%s %2d年%2d月", West::Full, "%4d年%2d月"},
        {{"yy年m月", "y年m月"}, "%s %2d年%2d月", West::Two, "%.2d年%2d月"},
        {{"y年", "y"}, "%s %d年", West::Full, "%4d年"},
        {{"yyyy年 m月 d日"}, "%s %2d年 %d月 %d日", West::Full, "%4d年 %d月 %d日"},
        {{"yy年 m月 d日", "y年 m月 d日"}, "%s %2d年 %d月 %d日", West::Two, "%.2d年 %d月 %d日"},
        {{"yyyy年 m月"}, "%s %2d年 %d月", West::Full, "%4d年 %d月"},
        {{"yy年 m月", "y年 m月"}, "%s %2d年 %d月", West::Two, "%.2d年 %d月"},
        {{"yyyy年 mm月 dd日", "yy年 mm月 dd日"}, "%s %.2d年 %.2d月 %.2d日", West::Pattern, nullptr},
        {{"yyyy年 mm月", "yy年 mm月"}, "%s %.2d年 %.2d月", West::Pattern, nullptr},
    };
    return rows;
}

std::string EraText(int kind, const TWarekiRec& w)
{
    switch (kind) {
    case 0: return "";
    case 2:
    case 3: return w.Sign;
    default: return w.Name;
    }
}

std::string FormatByTable(const std::vector<FmtRow>& rows, std::string_view pattern, int kind, Date date,
                          bool eraForm, bool removeBlanksForKind3)
{
    if (date.IsNull()) return "";
    const FmtRow* row = nullptr;
    for (const auto& r : rows) {
        for (auto p : r.patterns)
            if (p == pattern) { row = &r; break; }
        if (row) break;
    }
    const DateTime dt(date);
    if (eraForm) {
        if (!row) return "";
        TWarekiRec w;
        DateToWareki(date, w);
        std::string s = Printf(row->era, EraText(kind, w), w.Year, w.Month, w.Day);
        if (kind == 0) s = TrimControls(s);
        else if (kind == 3 && removeBlanksForKind3) s = NoBlanks(s);
        return s;
    }
    if (!row || row->west == West::Pattern) return FormatDatePattern(pattern, dt);
    if (row->west == West::Alt) return FormatDatePattern(row->westFmt, dt);
    const int y = row->west == West::Two ? date.Year() % 100 : date.Year();
    char buf[128];
    std::snprintf(buf, sizeof buf, row->westFmt, y, date.Month(), date.Day());
    return buf;
}

bool ReadInt(std::string_view s, int& v)
{
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

} // namespace

std::string FormatDatePattern(std::string_view p, const DateTime& dt)
{
    static const char* const kDayShort[] = {"日", "月", "火", "水", "木", "金", "土"};
    std::string out;
    const Date d = dt.GetDate();
    bool afterHour = false;
    for (std::size_t i = 0; i < p.size();) {
        const char c = Lower(p[i]);
        if (c == '\'' || c == '"') {
            const auto close = p.find(p[i], i + 1);
            const auto end = close == std::string_view::npos ? p.size() : close;
            out.append(p.substr(i + 1, end - i - 1));
            i = end == p.size() ? end : end + 1;
            continue;
        }
        std::size_t n = 1;
        if (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 'n' || c == 's' || c == 'z')
            while (i + n < p.size() && Lower(p[i + n]) == c) ++n;
        switch (c) {
        case 'y': out += n <= 2 ? Num(d.Year() % 100, 2) : Num(d.Year(), 4); break;
        case 'm':
            if (afterHour) out += Num(dt.Minute(), n >= 2 ? 2 : 1);
            else if (n <= 2) out += Num(d.Month(), static_cast<int>(n));
            else out += std::to_string(d.Month()) + "月";
            break;
        case 'd':
            if (n <= 2) out += Num(d.Day(), static_cast<int>(n));
            else if (n == 3) out += kDayShort[d.DayOfWeek() - 1];
            else if (n == 4) out += std::string(kDayShort[d.DayOfWeek() - 1]) + "曜日";
            else if (n == 5) out += FormatDatePattern("yyyy/mm/dd", dt);
            else out += FormatDatePattern("yyyy年mm月dd日", dt);
            break;
        case 'h': out += Num(dt.Hour(), n >= 2 ? 2 : 1); break;
        case 'n': out += Num(dt.Minute(), n >= 2 ? 2 : 1); break;
        case 's': out += Num(dt.Second(), n >= 2 ? 2 : 1); break;
        case 'z': out += Num(dt.MSec(), n >= 3 ? 3 : 1); break;
        default: out += p[i]; break;
        }
        if (c == 'h') afterHour = true;
        else if (c != ':' && c != ' ') afterHour = false; // "hh:mm" keeps minutes across the separator
        i += n;
    }
    return out;
}

DateTime StrToDateTimeSafe(std::string_view text)
{
    // Fixed formats: "yyyy/MM/dd" with "/" and an optional time "hh:mm[:ss]" with ":".
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    const auto blank = s.find(' ');
    const std::string_view datePart = s.substr(0, blank);
    std::string_view timePart = blank == std::string_view::npos ? std::string_view() : s.substr(blank + 1);
    while (!timePart.empty() && timePart.front() == ' ') timePart.remove_prefix(1);

    auto split = [](std::string_view t, char sep) {
        std::vector<std::string_view> parts;
        std::size_t pos = 0;
        while (true) {
            const auto q = t.find(sep, pos);
            parts.push_back(t.substr(pos, q == std::string_view::npos ? std::string_view::npos : q - pos));
            if (q == std::string_view::npos) break;
            pos = q + 1;
        }
        return parts;
    };
    const auto dp = split(datePart, '/');
    int y = 0, m = 0, d = 0;
    if (dp.size() != 3 || !ReadInt(dp[0], y) || !ReadInt(dp[1], m) || !ReadInt(dp[2], d)) return DateTime();
    if (dp[0].size() <= 2) y += y < 50 ? 2000 : 1900; // a two-digit year, as the short-year rule reads it
    const auto date = Date::TryMake(y, m, d);
    if (!date) return DateTime();
    int hh = 0, mm = 0, ss = 0;
    if (!timePart.empty()) {
        const auto tp = split(timePart, ':');
        if (tp.size() < 2 || tp.size() > 3 || !ReadInt(tp[0], hh) || !ReadInt(tp[1], mm)
            || (tp.size() == 3 && !ReadInt(tp[2], ss)))
            return DateTime();
        if (hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59) return DateTime();
    }
    return DateTime(*date, hh, mm, ss);
}

std::string KikanToStr(Date from, Date to, bool eraForm)
{
    auto one = [&](Date d) -> std::string {
        if (d.IsNull()) return "";
        if (!eraForm) return FormatDatePattern("yyyy/mm/dd", DateTime(d));
        TWarekiRec w;
        DateToWareki(d, w);
        return Printf("%s %.2d/%.2d/%.2d", w.Sign, w.Year, w.Month, w.Day);
    };
    return one(from) + " ～ " + one(to);
}

std::string DateToStrFmtW(std::string_view pattern, int kind, Date date, bool eraForm)
{
    return FormatByTable(RowsW(), pattern, kind, date, eraForm, true);
}

std::string DateToStrFmtJ(std::string_view pattern, int kind, Date date, bool eraForm)
{
    return FormatByTable(RowsJ(), pattern, kind, date, eraForm, false);
}

void StrToVersionRec(std::string_view text, TVersionRec& rec)
{
    rec = TVersionRec{};
    int* fields[] = {&rec.Major, &rec.Minor1, &rec.Minor2, &rec.Build};
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        const auto dot = text.find('.', pos);
        std::string_view piece = text.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
        while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
        if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
        int v = 0;
        if (ReadInt(piece, v)) *fields[i] = v;
        if (dot == std::string_view::npos) break;
        pos = dot + 1;
    }
    rec.VersionText = std::string(text);
}

TVersionRec StrToVersionRec(std::string_view text)
{
    TVersionRec r;
    StrToVersionRec(text, r);
    return r;
}

int CompareVersionRec(const TVersionRec& a, const TVersionRec& b)
{
    // Number by number: a packed key would let a minor of 256 or more spill into the next number.
    if (a.Major != b.Major) return a.Major < b.Major ? -1 : 1;
    if (a.Minor1 != b.Minor1) return a.Minor1 < b.Minor1 ? -1 : 1;
    if (a.Minor2 != b.Minor2) return a.Minor2 < b.Minor2 ? -1 : 1;
    return 0;
}

bool IsVersionRecNewer(const TVersionRec& a, const TVersionRec& b) { return CompareVersionRec(a, b) > 0; }
bool IsVersionRecOlder(const TVersionRec& a, const TVersionRec& b) { return CompareVersionRec(a, b) < 0; }
bool IsVersionNewer(std::string_view a, std::string_view b) { return IsVersionRecNewer(StrToVersionRec(a), StrToVersionRec(b)); }
bool IsVersionAtLeast(std::string_view a, std::string_view b) { return !IsVersionRecOlder(StrToVersionRec(a), StrToVersionRec(b)); }

} // namespace kb
