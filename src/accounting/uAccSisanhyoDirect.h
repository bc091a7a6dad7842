#pragma once
// uAccSisanhyoDirect: the account lines of a trial balance computed straight from the balance
// tables (KAMOKU_SZ openings, KAMOKU_MS monthly sums, KAMOKU_TAX tax sums), without the
// trial-balance procedures. It adds what the procedures lack: facilities and departments chosen
// by group (facility group, medical business division, department group), the allocation of the
// common department "00" by the ratios HAIBUN01..16, and the tax-excluded view in which the
// provisional-tax accounts are rebuilt from the tax sums.
//
// Runs on the data module's snapshot transaction (joined when active). Database errors pass to the
// caller; too many account lines raise ESisanhyoCapacity. Every code travels as a bound parameter,
// the members of a group as generated placeholders of an IN list.

#include "accounting/uAccClasses.h"
#include "core/uAccRecord.h"

#include <string>
#include <utility>
#include <vector>

namespace kb {

// A condition on SCODE or BCODE with the values of its placeholders.
struct TCodeCondition {
    std::string Text;                                         // "(SCODE=:SC0)", "(SCODE IN (:SC0,:SC1))" or empty
    std::vector<std::pair<std::string, std::string>> Params;  // placeholder name -> code
};

// First account row of the direct computation: 61 for medical corporations, else 51.
int AccSisanhyoDirectFirstRow();

// The period of the start month (AccInf.KAISINO, the fiscal month 1..12 in which the data set's
// bookkeeping starts): the index of its allocation ratio. 1 for a month outside 1..12.
int StartMonthPeriod(int kaisino);

// The condition for "SCODE" or "BCODE" from the setting; group members are read from the data set.
TCodeCondition BuildCodeCondition(const std::string& column, const TCalcSisanhyoSettingRec& Setting);

// One pass: FirstPass 1 creates the lines, 0 adds into the lines created before. Returns the row of
// the last account line.
int AccSisanhyoDirectCalc(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int FirstPass,
                          const TCalcSisanhyoSettingRec& Setting, int LastSort);

// The whole computation (with the per-facility, per-department allocation pass when Haibun is 1
// and Selection 6). Returns the row of the last account line.
int AccSisanhyoDirect(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts,
                      const TCalcSisanhyoSettingRec& Setting, int LastSort);

// The setting with which a reader's selection 6 runs the computation: no facility, BumonCode a
// department group, division 0, the rest from the reader's arguments.
TCalcSisanhyoSettingRec AccSisanhyoReadSetting(const std::string& BumonCode, int Selection, int Tax, int Haibun, int Layout,
                                               int StatementKind, int PrevTax);

// The individual's closing-statement group of an account line by its layout line (the income and
// expense lines past the code system's threshold are the 7100/7200 groups).
std::string AccSisanhyoIndividualGroup(const std::string& groupm1, int codeType, int mstrec);

} // namespace kb
