#pragma once
// Dates and times of the system: a calendar date over std::chrono, and a date with a time of day
// to the millisecond. Formats are fixed ("yyyy/MM/dd", "hh:mm", "hh:mm:ss"), never a locale's.
// The original stored dates as day serials counted from 1899-12-30; Serial()/FromSerial() give that
// number where a stored value or a calculation needs it.

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace kb {

class Date {
public:
    Date() = default; // the null date
    Date(int year, int month, int day); // throws std::invalid_argument for an impossible date
    static bool IsValid(int year, int month, int day);
    static std::optional<Date> TryMake(int year, int month, int day);
    static Date FromSysDays(std::chrono::sys_days d);
    static Date FromSerial(int serial);     // days since 1899-12-30
    static Date Today();                    // local calendar date
    // "yyyy/MM/dd", "yyyy-MM-dd" or "yyyy/M/d"; nullopt when not a real date.
    static std::optional<Date> Parse(std::string_view text);

    bool IsNull() const { return !valid_; }
    int Year() const;
    int Month() const;
    int Day() const;
    int DayOfWeek() const; // 1 = Sunday .. 7 = Saturday, as the original counts
    int Serial() const;
    std::chrono::sys_days SysDays() const { return days_; }

    Date AddDays(int n) const;
    // Same day n months on, clamped to the month's last day (31 Jan + 1 month = 28/29 Feb).
    Date AddMonths(int n) const;
    Date EndOfMonth() const;
    static int DaysInMonth(int year, int month);
    static bool IsLeapYear(int year);
    int DaysUntil(Date later) const { return static_cast<int>((later.days_ - days_).count()); }

    std::string ToString() const; // "yyyy/MM/dd", empty for the null date

    auto operator<=>(const Date& o) const
    {
        if (valid_ != o.valid_) return valid_ <=> o.valid_;
        return days_ <=> o.days_;
    }
    bool operator==(const Date& o) const { return valid_ == o.valid_ && (!valid_ || days_ == o.days_); }

private:
    std::chrono::sys_days days_{};
    bool valid_ = false;
};

class DateTime {
public:
    DateTime() = default;
    DateTime(Date d, int hour = 0, int minute = 0, int second = 0, int msec = 0);
    static DateTime Now(); // local time
    // "yyyy/MM/dd hh:mm:ss", "yyyy/MM/dd hh:mm", "yyyy-MM-ddThh:mm:ss" or a date alone.
    static std::optional<DateTime> Parse(std::string_view text);

    bool IsNull() const { return date_.IsNull(); }
    Date GetDate() const { return date_; }
    int Hour() const { return msecs_ / 3600000; }
    int Minute() const { return msecs_ / 60000 % 60; }
    int Second() const { return msecs_ / 1000 % 60; }
    int MSec() const { return msecs_ % 1000; }
    int MSecsOfDay() const { return msecs_; }

    std::string ToString() const;     // "yyyy/MM/dd hh:mm:ss"
    std::string TimeString() const;   // "hh:mm:ss"
    std::string ShortTime() const;    // "hh:mm"

    auto operator<=>(const DateTime&) const = default;

private:
    Date date_;
    int msecs_ = 0;
};

} // namespace kb
