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
#include <memory>
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

namespace fb {
class Statement;
class TransactionGuard;
}

// Names of summary lines read on one statement, prepared at the first question, on the data
// transaction of DM: started only when none is open, and ended (End) only when this reader started
// it, so a caller's transaction stays open.
class TTotalLineNameReader {
public:
    explicit TTotalLineNameReader(std::string sql);
    ~TTotalLineNameReader();
    // bind fills the statement's parameters; the row gives PLUSNAME, MINUSNAME and MODIFY.
    std::optional<TTotalLineName> Read(const std::function<void(fb::Statement&)>& bind);
    void End(bool commit);

private:
    std::string sql_;
    std::unique_ptr<fb::TransactionGuard> guard_;
    std::unique_ptr<fb::Statement> q_;
};

// The display name of a profit line: MINUSNAME for a negative amount when MODIFY is 1 (with "金額"
// appended when SystemDef.KingakuPlus is 1), else PLUSNAME; DefaultName when the line is unknown.
std::string GetTotalLineName(const std::string& Code, const std::string& DefaultName, Currency Amount,
                             const TTotalLineNameLookup& names);

// A ratio percentage held within -999.0 .. 9999.0.
Currency AccZanClampRatio(Currency ratio);
// part / whole in percent with one decimal, half away from zero, held within -999.0 .. 9999.0
// (whole not zero).
Currency AccZanSharePercent(Currency part, Currency whole);

// Steps shared by the range computations (general and medical):
// the range of a selector (1..4 a quarter, 5 the first half, 6 the second; others keep the given
// range), with the message for a first period below 1 under selector 0;
void AccZanRangeOfSelector(int Selector, int& FirstPeriod, int& LastPeriod);
// a range that would read outside the period arrays is refused (std::out_of_range);
void AccZanCheckRange(const char* who, int FirstPeriod, int LastPeriod);
// the range figures of a record and its breakdown cleared;
void AccZanClearRange(TBALANCE& b);
// an account line's opening of the range and its debits and credits over it, with its breakdown;
void AccZanAccountRange(TBALANCE& b, int OpeningZero, int FirstPeriod, int LastPeriod);
// an account line's closing balance and its sub-accounts' closings and shares.
void AccZanAccountClosing(TBALANCE& b);

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
