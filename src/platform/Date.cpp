#include "platform/Date.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace kb {
namespace {
using namespace std::chrono;
constexpr sys_days kSerialEpoch = sys_days{year{1899} / 12 / 30};

bool ParseInt(std::string_view s, std::size_t& i, int maxDigits, int& out)
{
    int n = 0, d = 0;
    while (i < s.size() && d < maxDigits && s[i] >= '0' && s[i] <= '9') {
        n = n * 10 + (s[i] - '0');
        ++i;
        ++d;
    }
    out = n;
    return d > 0;
}
} // namespace

bool Date::IsLeapYear(int y) { return year{y}.is_leap(); }

int Date::DaysInMonth(int y, int m)
{
    return static_cast<int>(static_cast<unsigned>((year{y} / month{static_cast<unsigned>(m)} / last).day()));
}

bool Date::IsValid(int y, int m, int d)
{
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    return d <= DaysInMonth(y, m);
}

std::optional<Date> Date::TryMake(int y, int m, int d)
{
    if (!IsValid(y, m, d)) return std::nullopt;
    return Date(y, m, d);
}

Date::Date(int y, int m, int d)
{
    if (!IsValid(y, m, d)) throw std::invalid_argument("invalid date");
    days_ = sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}};
    valid_ = true;
}

Date Date::FromSysDays(sys_days d)
{
    Date r;
    r.days_ = d;
    r.valid_ = true;
    return r;
}

Date Date::FromSerial(int serial) { return FromSysDays(kSerialEpoch + days{serial}); }

Date Date::Today()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return Date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::optional<Date> Date::Parse(std::string_view s)
{
    std::size_t i = 0;
    int y = 0, m = 0, d = 0;
    if (!ParseInt(s, i, 4, y) || i >= s.size() || (s[i] != '/' && s[i] != '-')) return std::nullopt;
    const char sep = s[i++];
    if (!ParseInt(s, i, 2, m) || i >= s.size() || s[i] != sep) return std::nullopt;
    ++i;
    if (!ParseInt(s, i, 2, d) || i != s.size()) return std::nullopt;
    return TryMake(y, m, d);
}

int Date::Year() const { return static_cast<int>(year_month_day{days_}.year()); }
int Date::Month() const { return static_cast<int>(static_cast<unsigned>(year_month_day{days_}.month())); }
int Date::Day() const { return static_cast<int>(static_cast<unsigned>(year_month_day{days_}.day())); }
int Date::DayOfWeek() const { return static_cast<int>(weekday{days_}.c_encoding()) + 1; }
int Date::Serial() const { return static_cast<int>((days_ - kSerialEpoch).count()); }

Date Date::AddDays(int n) const { return FromSysDays(days_ + days{n}); }

Date Date::AddMonths(int n) const
{
    int total = Year() * 12 + (Month() - 1) + n;
    const int y = total / 12;
    const int m = total % 12 + 1;
    const int d = std::min(Day(), DaysInMonth(y, m));
    return Date(y, m, d);
}

Date Date::EndOfMonth() const { return Date(Year(), Month(), DaysInMonth(Year(), Month())); }

std::string Date::ToString() const
{
    if (!valid_) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", Year(), Month(), Day());
    return buf;
}

DateTime::DateTime(Date d, int h, int mi, int s, int ms) : date_(d), msecs_(((h * 60 + mi) * 60 + s) * 1000 + ms)
{
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59 || ms < 0 || ms > 999) throw std::invalid_argument("invalid time");
}

DateTime DateTime::Now()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    return DateTime(Date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ts.tv_nsec / 1000000));
}

std::optional<DateTime> DateTime::Parse(std::string_view s)
{
    const auto cut = s.find_first_of(" T");
    const auto d = Date::Parse(s.substr(0, cut));
    if (!d) return std::nullopt;
    if (cut == std::string_view::npos) return DateTime(*d);
    std::size_t i = cut + 1;
    int h = 0, m = 0, sec = 0;
    if (!ParseInt(s, i, 2, h) || i >= s.size() || s[i] != ':') return std::nullopt;
    ++i;
    if (!ParseInt(s, i, 2, m)) return std::nullopt;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!ParseInt(s, i, 2, sec)) return std::nullopt;
    }
    if (i != s.size() || h > 23 || m > 59 || sec > 59) return std::nullopt;
    return DateTime(*d, h, m, sec);
}

std::string DateTime::TimeString() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", Hour(), Minute(), Second());
    return buf;
}

std::string DateTime::ShortTime() const { return TimeString().substr(0, 5); }

std::string DateTime::ToString() const { return date_.IsNull() ? std::string() : date_.ToString() + " " + TimeString(); }

} // namespace kb
