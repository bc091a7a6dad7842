#pragma once
// The decisions of the era date and time edit, apart from the widget: its own era table, the
// era-table filter for MinDate/MaxDate, a date in era form, and the input check with its messages.

#include "platform/Date.h"

#include <optional>
#include <string>
#include <vector>

namespace kb {

enum class TPavonaExDateEditStyle {
    desYearMonthDayHMS, desYearMonthDayHM, desYearMonthDayH, desYearMonthDay, desYearMonth, desYear,
    desHourMinuteSecond, desHourMinute, desHour
};
enum class TPavonaExRekiSet { rsSeireki, rsWareki, rsBoth };
enum class TPavonaExYeardigitSet { yddigit2, yddigit4 };

// One era, newest first in every table.
struct TPavonaExGengo {
    std::string Name;
    std::string Sign;
    Date StartDate;
    int StartYear = 0;
};
using TPavonaExGengoArray = std::vector<TPavonaExGengo>;

// The control's own era list: 令和, 平成, 昭和, 大正, 明治.
const TPavonaExGengoArray& PavonaExBuiltInGengo();

// The slice of the table an edit with these limits offers: from the era in force on maxDate (or the
// newest) down to the era in force on minDate (or the oldest); the whole table when that is empty.
TPavonaExGengoArray FilterExGengo(const TPavonaExGengoArray& table, std::optional<Date> minDate,
                                  std::optional<Date> maxDate);

// Era of a date by the table (scanned newest first): index of the row, and the year within it.
// Index -1 when the table is empty.
struct ExWareki {
    int index = -1;
    int year = 0;
};
ExWareki ExDateToWareki(const TPavonaExGengoArray& table, Date d);

// The fields a style shows.
struct ExShown {
    bool era = false, year = false, month = false, day = false, ampm = false, hour = false, minute = false,
         second = false;
};
ExShown ExShownFields(TPavonaExDateEditStyle style, bool editGengo, bool editAmpm);

enum class ExField { None, Era, Year, Month, Day, Ampm, Hour, Minute, Second };

// Trimmed texts of the fields as the user left them; for the boxes the selected item's text.
struct ExInput {
    std::string era, year, month, day, ampm, hour, minute, second;
};

struct ExSettings {
    TPavonaExDateEditStyle style = TPavonaExDateEditStyle::desYearMonthDay;
    bool editGengo = true;
    bool editAmpm = false;
    TPavonaExRekiSet gengo = TPavonaExRekiSet::rsWareki;
    TPavonaExYeardigitSet yeardigit = TPavonaExYeardigitSet::yddigit4;
    bool canEmpty = true;
    std::vector<std::string> eraItems; // the era box's items, "西暦" first unless rsWareki
    TPavonaExGengoArray eras;          // the eras those items name, in the same order
    std::optional<DateTime> minDate, maxDate;
    int currentYear = 2000;            // today's year, for hidden and two-digit years
};

struct ExCheckResult {
    int error = 0;          // the error code bits (0 = none)
    std::string message;    // the message to show; empty when none
    ExField focus = ExField::None;
    bool empty = false;     // every field empty (and allowed to be)
    DateTime value;         // the checked value (null when empty)
};

ExCheckResult ExCheckInput(const ExInput& in, const ExSettings& s);

// The value limited to the edit's range.
DateTime ExClamp(DateTime v, std::optional<DateTime> minDate, std::optional<DateTime> maxDate);

// Messages of the edit, exactly as it shows them.
namespace exmsg {
inline constexpr const char* kAllEmpty = "入力欄が全て空白です．　　";
inline constexpr const char* kSomeEmpty = "空白の入力欄があります．　　";
inline constexpr const char* kTime24 = "時刻の入力可能な値は23時59分59秒までです．　　";
inline constexpr const char* kTime12 = "時刻の入力可能な値は11時59分59秒までです．　　";
inline constexpr const char* kBadTime = "時刻が正しくありません．　　";
inline constexpr const char* kBefore1873 = "1873年01月01日(明治6年01月01日)より前の日付は処理できません．　　";
inline constexpr const char* kYear2999 = "2999年以降は元号に変換できません．　　";
inline constexpr const char* kBadDate = "日付が正しくありません（変換できません）．　　";
inline constexpr const char* kBadDateTime = "日付または時刻が正しくありません．　　";
inline constexpr const char* kBadValue = "正しくない日付時刻型の値がセットされました．　　";
} // namespace exmsg

} // namespace kb
