#pragma once
// The calendar rules of the accounting data: the sixteen-period fiscal year, the closing day (SIME)
// that decides to which fiscal month a date belongs, month arithmetic, and Japanese eras (和暦).
//
// Periods 1..16: three fiscal months, then a settlement period, four times; 16 is the year-end
// settlement. A closing day is 1..28, or 99 for the month end; any other value means "no closing
// rule" and dates are used as they are.
//
// Free functions report failure through sentinels (-1, 0, a null date, the unchanged date).

#include <string>
#include <vector>

#include "platform/Date.h"

namespace kb {

// One row of the built-in era list.
struct TGengo2Rec {
    std::string Name;          // era name, "令和"
    std::string Sign;          // one-letter sign, "R"
    std::string StartDateText; // first day, "yyyy/mm/dd"
    int StartYear = 0;
};

// One row of the era list in force.
struct TGengoRec {
    std::string Name;
    std::string Sign;
    Date StartDate;     // first day of the era
    int StartYear = 0;  // western year in which the era's year 1 lies
};

// Newest era first: every conversion scans from index 0 and relies on that order.
using TGengoArray = std::vector<TGengoRec>;

// One date in era form.
struct TWarekiRec {
    std::string Name;
    std::string Sign;
    short Year = 0;
    short Month = 0;
    short Day = 0;
};

// The five built-in eras, newest first (令和, 平成, 昭和, 大正, 明治).
const std::vector<TGengo2Rec>& BuiltInGengoList();

// The process-wide era list. Empty at start; the data module loads it from the system database
// after log-on (or falls back to InitGengoTable). Written once, read afterwards.
extern TGengoArray GengoList;

// Fiscal month offset 0..11 -> period number 1-3, 5-7, 9-11, 13-15; -1 otherwise.
int MonthToKikanNo(int monthOffset);
// Fiscal month number 1..12 -> zero-based period index 0-2, 4-6, 8-10, 12-14; 0 otherwise.
int KikanNoToMonthIdx(int monthNo);
// Gregorian leap year.
bool IsLeapYearSafe(int year);
Date IncDate(int days, Date d);
// d moved by n calendar months, the day clamped to the new month's length.
Date IncMonthClamp(int months, Date d);
// The closing date of d's fiscal month, moved by ofs months; d itself when sime is no closing day.
Date GetSimeDate(int ofs, int sime, Date d);
int GetDay(Date d);
// Whole fiscal months from a to b (negative when b precedes a).
int GetMonthCount(int sime, Date a, Date b);
// Fiscal month number 1..12 of d in the year starting at start; -1 outside the twelve months.
int GetMonthNo(int sime, Date start, Date d);
// Period number 1..16 of d; flag 1 marks a settlement entry. -1 when d precedes the fiscal start.
// A date after the year end counts in the last month of the year.
int GetKikanNo(int sime, int flag, Date start, Date end, Date d);

// Fills GengoList from the built-in era list.
void InitGengoTable();
// The era form of d, by the eras in list (GengoList by default). A null date or a date on or before
// 1899-12-30 has no era and keeps the western year.
void DateToWareki(Date d, TWarekiRec& rec);
void DateToWareki(Date d, TWarekiRec& rec, const TGengoArray& list);
// The western date of an era date; a null date when the record names no known era, has year 0 or
// is no real date.
Date WarekiToDate(const TWarekiRec& rec);
Date WarekiToDate(const TWarekiRec& rec, const TGengoArray& list);

} // namespace kb
