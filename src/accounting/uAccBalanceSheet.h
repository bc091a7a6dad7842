#pragma once
// uAccBalanceSheet: the figures of one period range on the balance records that a reader has
// filled (pcBalanceSheet_Calcu): per account line and sub-account the balance at the start of the
// range, the debits and credits of the range, the balance at its end, the previous-year
// comparative and the composition ratio; per summary line the same, accumulated from the account
// lines and combined into section totals, balancing lines and profit lines, with the profit lines'
// names by sign (ACCTOTALNAME) and, for a year whose bookkeeping starts after its first month, the
// balance sheet opened at the fiscal-year start.
//
// Rows are general-layout rows (AccZanRow); rows 46 to 49 are fixed.

#include "accounting/uAccClasses.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kb {

// ACCTOTALNAME's names of one summary line.
struct TTotalLineName {
    std::string PLUSNAME;
    std::string MINUSNAME;
    int MODIFY = 0; // 1: the name follows the sign of the amount
};
// Answers the names of a summary-line code, or nothing when the data set has no such line.
using TTotalLineNameLookup = std::function<std::optional<TTotalLineName>(const std::string& code)>;

// The display name of a profit line: MINUSNAME for a negative amount when MODIFY is 1 (with "金額"
// appended when SystemDef.KingakuPlus is 1), else PLUSNAME; DefaultName when the line is unknown.
std::string GetTotalLineName(const std::string& Code, const std::string& DefaultName, Currency Amount,
                             const TTotalLineNameLookup& names);

// Adds one account line into a summary line.
void AddToTotalLine(TBALANCE& Summary, const TBALANCE& Account);

// The range computation. Selector 1..4: quarter q (periods 4q-3..4q); 5: periods 1..8; 6: 9..16;
// any other value: FirstPeriod..LastPeriod. OpeningZero 1 starts every line from zero.
// A range that would read outside the period arrays (FirstPeriod outside -31..20, LastPeriod
// outside -16..19) is refused with std::out_of_range before anything changes.
// The names come from the data set (data transaction of DM); a database error there is reported
// (ShowIBError, "pcBalanceSheet_Calcu") and raised again.
void pcBalanceSheet_Calcu(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                          int LastPeriod);
// The same with the names from the caller.
void pcBalanceSheet_Calcu(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                          int LastPeriod, const TTotalLineNameLookup& names);

} // namespace kb
