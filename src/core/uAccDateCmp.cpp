#include "core/uAccDateCmp.h"

namespace kb {

TGengoArray GengoList;

namespace {
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsSimeDay(int sime) { return (sime >= 1 && sime <= 28) || sime == 99; }

int MonthLength(int year, int month)
{
    if (month == 2 && IsLeapYearSafe(year)) return 29;
    return kMonthDays[month - 1];
}

// Dates beyond what the calendar type holds simply stay null.
Date Encode(int y, int m, int d)
{
    auto r = Date::TryMake(y, m, d);
    return r ? *r : Date();
}
} // namespace

const std::vector<TGengo2Rec>& BuiltInGengoList()
{
    static const std::vector<TGengo2Rec> list = {
        {"令和", "R", "2019/05/01", 2019},
        {"平成", "H", "1989/01/08", 1989},
        {"昭和", "S", "1926/12/25", 1926},
        {"大正", "T", "1912/07/30", 1912},
        {"明治", "M", "1868/09/08", 1868},
    };
    return list;
}

int MonthToKikanNo(int m)
{
    if (m < 0 || m > 11) return -1;
    return m + 1 + m / 3;
}

int KikanNoToMonthIdx(int n)
{
    if (n < 1 || n > 12) return 0;
    return n - 1 + (n - 1) / 3;
}

bool IsLeapYearSafe(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

Date IncDate(int days, Date d) { return d.IsNull() ? d : d.AddDays(days); }

Date IncMonthClamp(int n, Date d)
{
    if (d.IsNull()) return d;
    const int Y = d.Year(), M = d.Month();
    int D = d.Day();
    // Month counted 1-based as the original does; a remainder of 0 is December of the year before.
    const int T = Y * 12 + M + n;
    int y2 = T / 12;
    int m2 = T % 12;
    if (m2 < 0) { m2 += 12; --y2; } // the original's div truncates; keep negative totals sane
    if (m2 == 0) { m2 = 12; --y2; }
    if (m2 == 2 && D > 28) D = IsLeapYearSafe(y2) ? 29 : 28;
    else D = std::min(D, kMonthDays[m2 - 1]);
    return Encode(y2, m2, D);
}

Date GetSimeDate(int ofs, int sime, Date d)
{
    if (!IsSimeDay(sime) || d.IsNull()) return d;
    if (sime < d.Day()) ++ofs; // already past this month's closing day
    const Date d2 = IncMonthClamp(ofs, d);
    if (d2.IsNull()) return d2;
    const int day = sime == 99 ? MonthLength(d2.Year(), d2.Month()) : sime;
    return Encode(d2.Year(), d2.Month(), day);
}

int GetDay(Date d) { return d.IsNull() ? 0 : d.Day(); }

int GetMonthCount(int sime, Date a, Date b)
{
    const Date x = GetSimeDate(0, sime, a);
    const Date y = GetSimeDate(0, sime, b);
    if (x.IsNull() || y.IsNull()) return 0;
    return (y.Year() - x.Year()) * 12 + (y.Month() - x.Month());
}

int GetMonthNo(int sime, Date start, Date d)
{
    if (start.IsNull() || d.IsNull()) return -1; // "no date" lies before any year
    const int e = GetMonthCount(sime, start, d);
    return (e >= 0 && e <= 11) ? e + 1 : -1;
}

int GetKikanNo(int sime, int flag, Date start, Date end, Date d)
{
    if (start.IsNull() || end.IsNull() || d.IsNull()) return -1;
    const int f = GetMonthCount(sime, start, end);
    int g = GetMonthCount(sime, start, d);
    if (f < g) g = f;
    if (flag != 1) flag = 0;
    if (flag == 1) {
        if (d == end) return 16;
        if (g != 2 && g != 5 && g != 8 && g != 11) flag = 0;
    }
    if (g < 0 || g > 11) return -1;
    return flag + g + 1 + g / 3;
}

void InitGengoTable()
{
    TGengoArray list;
    for (const auto& b : BuiltInGengoList()) {
        TGengoRec r;
        r.Name = b.Name;
        r.Sign = b.Sign;
        r.StartDate = Date::Parse(b.StartDateText).value_or(Date());
        r.StartYear = r.StartDate.IsNull() ? b.StartYear : r.StartDate.Year();
        list.push_back(r);
    }
    GengoList = std::move(list);
}

void DateToWareki(Date d, TWarekiRec& rec) { DateToWareki(d, rec, GengoList); }

void DateToWareki(Date d, TWarekiRec& rec, const TGengoArray& list)
{
    rec = TWarekiRec{};
    if (d.IsNull()) return;
    const int Y = d.Year();
    if (d.Serial() <= 0) {
        rec.Year = static_cast<short>(Y);
    } else {
        for (const auto& g : list) {
            if (g.Name.empty()) break;
            rec.Name = g.Name;
            rec.Sign = g.Sign;
            rec.Year = static_cast<short>(Y - g.StartYear + 1);
            if (!g.StartDate.IsNull() && d >= g.StartDate) break;
        }
        if (rec.Name.empty()) rec.Year = static_cast<short>(Y);
    }
    rec.Month = static_cast<short>(d.Month());
    rec.Day = static_cast<short>(d.Day());
}

Date WarekiToDate(const TWarekiRec& rec) { return WarekiToDate(rec, GengoList); }

Date WarekiToDate(const TWarekiRec& rec, const TGengoArray& list)
{
    if ((rec.Name.empty() && rec.Sign.empty()) || rec.Year == 0) return Date();
    for (const auto& g : list) {
        // An empty field never matches an empty field of a row: the record named the era by the other.
        if ((!rec.Name.empty() && g.Name == rec.Name) || (!rec.Sign.empty() && g.Sign == rec.Sign))
            return Encode(g.StartYear + rec.Year - 1, rec.Month, rec.Day);
    }
    return Date();
}

} // namespace kb
