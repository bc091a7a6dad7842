#include "ui/PavonaExDateEditLib.h"

#include <algorithm>
#include <charconv>

namespace kb {

const TPavonaExGengoArray& PavonaExBuiltInGengo()
{
    static const TPavonaExGengoArray t = {
        {"令和", "R", Date(2019, 5, 1), 2019}, {"平成", "H", Date(1989, 1, 8), 1989},
        {"昭和", "S", Date(1926, 12, 25), 1926}, {"大正", "T", Date(1912, 7, 30), 1912},
        {"明治", "M", Date(1868, 9, 8), 1868}};
    return t;
}

TPavonaExGengoArray FilterExGengo(const TPavonaExGengoArray& table, std::optional<Date> minDate,
                                  std::optional<Date> maxDate)
{
    if (table.empty()) return {};
    const int n = static_cast<int>(table.size());
    int oldest = n - 1, newest = 0;
    if (minDate) {
        for (int i = 0; i < n; ++i)
            if (table[static_cast<std::size_t>(i)].StartDate <= *minDate) {
                oldest = i;
                break;
            }
    }
    if (maxDate && *maxDate < Date(2101, 1, 1)) {
        for (int i = 0; i < n; ++i)
            if (table[static_cast<std::size_t>(i)].StartDate <= *maxDate) {
                newest = i;
                break;
            }
    }
    if (newest > oldest) return table;
    return TPavonaExGengoArray(table.begin() + newest, table.begin() + oldest + 1);
}

ExWareki ExDateToWareki(const TPavonaExGengoArray& table, Date d)
{
    ExWareki w;
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        const auto& g = table[static_cast<std::size_t>(i)];
        if (g.Name.empty()) break;
        w.index = i;
        w.year = d.Year() - g.StartYear + 1;
        if (d >= g.StartDate) break;
    }
    if (w.index < 0) w.year = d.Year();
    return w;
}

ExShown ExShownFields(TPavonaExDateEditStyle st, bool editGengo, bool editAmpm)
{
    using S = TPavonaExDateEditStyle;
    ExShown s;
    const int i = static_cast<int>(st);
    if (i <= static_cast<int>(S::desYear)) {
        s.year = true;
        s.month = st != S::desYear;
        s.day = i <= static_cast<int>(S::desYearMonthDay);
        s.hour = i <= static_cast<int>(S::desYearMonthDayH);
        s.minute = i <= static_cast<int>(S::desYearMonthDayHM);
        s.second = st == S::desYearMonthDayHMS;
    } else {
        s.hour = true;
        s.minute = st != S::desHour;
        s.second = st == S::desHourMinuteSecond;
    }
    s.era = s.year && editGengo;
    s.ampm = s.hour && editAmpm;
    return s;
}

namespace {
int Num(const std::string& t)
{
    int v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}
} // namespace

DateTime ExClamp(DateTime v, std::optional<DateTime> minDate, std::optional<DateTime> maxDate)
{
    if (minDate && v < *minDate) v = *minDate;
    if (maxDate && v > *maxDate) v = *maxDate;
    return v;
}

ExCheckResult ExCheckInput(const ExInput& raw, const ExSettings& s)
{
    ExCheckResult r;
    const ExShown sh = ExShownFields(s.style, s.editGengo, s.editAmpm);
    ExInput in = raw;
    if (!s.editGengo) in.era.clear();
    // Hidden fields count as filled with neutral values.
    const bool two = s.yeardigit == TPavonaExYeardigitSet::yddigit2;
    if (!sh.ampm) in.ampm = "AM";
    if (!sh.year) {
        const int y = s.maxDate ? s.maxDate->GetDate().Year() : s.currentYear;
        in.year = std::to_string(two ? y % 100 : y);
    }
    if (!sh.month) in.month = "1";
    if (!sh.day) in.day = "1";
    if (!sh.hour) in.hour = "0";
    if (!sh.minute) in.minute = "0";
    if (!sh.second) in.second = "0";

    struct F { bool shown; const std::string* text; ExField f; int bit; };
    const F fields[] = {{sh.era, &in.era, ExField::Era, 2},          {sh.year, &in.year, ExField::Year, 2},
                        {sh.month, &in.month, ExField::Month, 4},    {sh.day, &in.day, ExField::Day, 8},
                        {sh.ampm, &in.ampm, ExField::Ampm, 16},      {sh.hour, &in.hour, ExField::Hour, 32},
                        {sh.minute, &in.minute, ExField::Minute, 64}, {sh.second, &in.second, ExField::Second, 128}};
    bool allEmpty = true, anyEmpty = false;
    for (const F& f : fields) {
        if (!f.shown) continue;
        if (f.text->empty()) {
            anyEmpty = true;
            r.error |= f.bit;
            if (r.focus == ExField::None) r.focus = f.f;
        } else {
            allEmpty = false;
        }
    }
    auto fail = [&](int code, const char* msg, ExField focus) {
        r.error = code;
        r.message = msg;
        r.focus = focus;
        return r;
    };
    if (allEmpty) {
        if (!s.canEmpty) {
            // A field that must be filled does not pass empty: the caller's action stops here.
            for (const F& f : fields)
                if (f.shown) return fail(1, exmsg::kAllEmpty, f.f);
        }
        r = ExCheckResult{};
        r.empty = true;
        return r;
    }
    if (anyEmpty) {
        r.message = exmsg::kSomeEmpty;
        return r;
    }

    // The era: position of the box text among its items; 0 is a western year.
    int k = 0;
    if (s.editGengo) {
        const auto it = std::find(s.eraItems.begin(), s.eraItems.end(), in.era);
        k = it == s.eraItems.end() ? 0 : static_cast<int>(it - s.eraItems.begin());
        if (s.gengo == TPavonaExRekiSet::rsWareki) ++k;
    }
    int year = Num(in.year);
    if (k == 0) {
        if (two) year += s.currentYear / 100 * 100;
    } else {
        // Era k is the item's position after "西暦" (rsBoth) or counted from 1 (rsWareki).
        const int idx = k - 1;
        const TPavonaExGengoArray& eras = s.eras.empty() ? PavonaExBuiltInGengo() : s.eras;
        if (idx < static_cast<int>(eras.size())) year += eras[static_cast<std::size_t>(idx)].StartYear - 1;
    }

    int hour = 0, minute = 0, second = 0;
    if (sh.hour) {
        hour = Num(in.hour);
        minute = Num(in.minute);
        second = Num(in.second);
        const char* limit = s.editAmpm ? exmsg::kTime12 : exmsg::kTime24;
        if (hour >= (s.editAmpm ? 12 : 24)) return fail(2048, limit, ExField::Hour);
        if (minute > 59 || second > 59) return fail(2048, limit, ExField::Minute);
        if (s.editAmpm && in.ampm == "午後") hour += 12;
        if (hour < 0 || hour > 23) return fail(2048, exmsg::kBadTime, sh.ampm ? ExField::Ampm : ExField::Hour);
    }
    Date date = Date::FromSerial(0); // a time alone stands on day 0
    if (sh.year) {
        if (year < 1873) return fail(256, exmsg::kBefore1873, ExField::Year);
        if (year >= 2999 && s.gengo != TPavonaExRekiSet::rsSeireki) return fail(32768, exmsg::kYear2999, ExField::Year);
        const auto d = Date::TryMake(year, Num(in.month), Num(in.day));
        if (!d) return fail(1024, exmsg::kBadDate, ExField::Year);
        date = *d;
    }
    r.value = ExClamp(DateTime(date, hour, minute, second), s.minDate, s.maxDate);
    r.error = 0;
    r.focus = ExField::None;
    return r;
}

} // namespace kb
