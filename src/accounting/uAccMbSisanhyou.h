#pragma once
// uAccMbSisanhyou: the trial balance and statements of a medical corporation, the twins of
// AccSisanhyoRead and pcBalanceSheet_Calcu for data sets whose facilities carry a business division
// (SISETUMST.MB_JIGYOU). The entry points of uAccZanSisanhyo send every medical data set here.
//
// Row model: rows 1..60 are summary rows (each in the row its ACCTOTALNAME.ARRAYNUM names; the
// formulas address rows 1..54), account lines follow from row 61.
//
// The division (Division below): 1, 2, 4, 8, 16 one business division; 0 or 255 the whole
// corporation. Divisions 2 and 4 classify account lines by GROUPR1 in place of GROUPM1; the
// facility-comparison layouts (3, 4) by the procedures' GROUPM3.
//
// Failures are never swallowed: a database error is reported (WriteFbErrorText, "試算表読込" or
// "合計名称読込"), the transaction this call started rolled back and the error raised again; more
// account lines than the arrays hold is reported and raised as ESisanhyoCapacity. The arrays are
// unusable then. A computation ends only a transaction it started.

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccSisanhyou.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kb {

inline constexpr int kAccMbFirstAccountRow = 61;
inline constexpr int kAccMbSummaryRows = 60;

// The seven profit lines whose names follow the sign of their amount.
bool AccMbIsProfitLineCode(const std::string& code);

// Divisions 2 and 4 compare account lines by GROUPR1.
bool AccMbByGroupR(int Division);

// The names of a summary line as the data set holds them for a division (ACCTOTALNAME rows whose
// MB_JIGYOU has the division's bits), or nothing.
using TMbTotalLineNameLookup = std::function<std::optional<TTotalLineName>(const std::string& code, int division)>;

// The shown name of a summary line: for the seven profit lines PLUSNAME or, when MODIFY is 1 and the
// amount is negative, MINUSNAME, with "事業" for "医業" for the whole corporation; DefaultName for
// every other line and for a line the data set does not hold.
std::string GetMbTotalLineName(const std::string& Code, const std::string& DefaultName, Currency Amount, int Division,
                               const TMbTotalLineNameLookup& names);

// Placement of one medical read on the caller's arrays, on row sources (see TSisanhyoPlacer).
class TMbSisanhyoPlacer {
public:
    // zaidan / kikin: the "法人概要" facts that name the capital lines.
    TMbSisanhyoPlacer(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort, int Layout,
                      int Division, bool zaidan, bool kikin);

    // Rows of ACCTOTALNAME for the division (ordered by KGROUP).
    void SetTotalLines(ISisanhyoRowSource& Names, bool HideLowRows, int Kind, int Division);
    // Sort entries 26, 28, 30, 31 (divisions 8, 4, 2, 1) hidden when no facility of the scope has
    // that division; entry 32, their total, unless at least two remain.
    void HideDivisionLines(const std::function<int(int division)>& facilities);
    // Places the rows of one procedure from row 61, adding into the rows an earlier call placed;
    // returns the last row placed (60 when none).
    int SetRows(ISisanhyoRowSource& Rows);
    void HideEntry(int entry);
    void SortEntries(int lastRow);

private:
    TBALANCE& Rec(int row);
    TQSORT& Sort(int row);

    std::vector<TBALANCE>& recs_;
    std::vector<TQSORT>& sorts_;
    int lastRec_;
    int lastSort_;
    int layout_;
    int division_;
    bool zaidan_;
    bool kikin_;
};

// Reads the trial balance of the open medical data set (DM's data connection) into the arrays.
// Selection: 0 all, 1 one division, 2 one facility, 3 one department of a facility, 4 the
// departments of a group linked to a facility, 5 a facility group, 6 the direct computation.
// Layout: 0 plain, 1 A4, 2 A3, 3 facility comparison, 4 facility comparison per period.
void AccMbSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                       const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                       int StatementKind, int Haibun, int Division);

// The figures of one period range and the summary rows (selectors as pcBalanceSheet_Calcu). The
// names of the profit lines come from the data set on one statement (data transaction of DM).
void AccMbSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                       int LastPeriod, int Division);
// The same with the names from the caller.
void AccMbSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                       int LastPeriod, int Division, const TMbTotalLineNameLookup& names);

// The summary rows of the single period at array index 32 + Index (0 the opening, 1..16).
void AccMbSisanhyoPeriodCalc(std::vector<TBALANCE>& Recs, int LastRec, int Index, int Division);

} // namespace kb
