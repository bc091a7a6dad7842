#pragma once
// Consumption tax (消費税): the fixed table of tax codes, the code conversion under simplified
// taxation, the checks that pair tax codes with the tax accounts, yen rounding, and the rate
// tables chosen by the data version. The computation of one journal entry's tax lives beside
// the journal record (accounting/uAccTaxCmpSiwake.h), since that record belongs to the ledger layer.
//
// The facts of the open data set these rules read come in a TZeiDataInfo, so every rule can be
// called (and tested) for any data set; the overloads without it read the open data set (AccInf).

#include "platform/Currency.h"
#include "platform/Date.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

// The settings of the open data set that the tax rules read.
struct TZeiDataInfo {
    int TAXKANNI = 0;   // 1 simplified taxation (簡易課税), 0 general taxation (原則課税)
    int TAXJIGYOU = 0;  // business category 1..6 under simplified taxation
    int TAXU_HASUU = 0; // rounding mode (HasuSyori) for tax on sales-side codes
    int TAXH_HASUU = 0; // rounding mode (HasuSyori) for tax on purchase-side codes
    std::string KaribaraiUserCode; // user code of 仮払消費税 (the input-tax account)
    std::string KariukeUserCode;   // user code of 仮受消費税 (the output-tax account)
    std::string SyokutiUserCode;   // user code of 諸口 (the sundry account)
    int DataVerMajor = 0, DataVerMinor1 = 0, DataVerMinor2 = 0; // decides the rate table
};

// The facts of the open data set (AccInf): its taxation settings, the user codes of its
// 仮払消費税, 仮受消費税 and 諸口 accounts and its data version.
TZeiDataInfo ZeiDataInfoFromAccInf();

// The neutral codes: outside the tax, and class not yet decided (the default of a new side).
inline constexpr int kZeiCodeTaisyougai = 810;
inline constexpr int kZeiCodeMitei = 910;

// One row of the tax-code table. Name is padded with half-width blanks to 24 Shift_JIS bytes.
struct TZeiCodeInfo {
    std::string GroupName;
    std::string Name;
    int Kind = 9;  // 1 plain taxable sales split by category, 2 one business category, 0 neither, 9 unknown
    int TAXUH = 0; // 1 taxable sales, 2 taxable purchases, 0 not in the tax computation
    int TAXDC = 0; // normal side: 1 debit, 3 credit, 0 none
};

// True for a known code. Any other integer gives false with group "Error" (20 bytes), name " ",
// kind 9 and both attributes 0.
bool GetZeiCodeInfo(int code, TZeiCodeInfo& info);
bool GetZeiCodeInfo(int code, std::string& groupName, std::string& name, int& kind, int& taxUH, int& taxDC);
// Every code of the table, ascending.
const std::vector<int>& ZeiCodeList();

// Converts a sales code to the data set's taxation method and returns the new code.
int ConvZeiCode(const TZeiDataInfo& info, int& code);
int ConvZeiCode(int& code);

// The plausibility checks. msg receives a refusal or a notice; left unchanged when there is nothing
// to say unless the rule clears it.
bool CheckZeiKamoku(const TZeiDataInfo& info, std::string& msg, std::string_view account, int code);
bool CheckAiteZeiCode(const TZeiDataInfo& info, std::string& msg, std::string_view account, int& code);
bool CheckSyokutiZeiCode(const TZeiDataInfo& info, std::string& msg, std::string_view account, int& code);
bool CheckZeiKamoku(std::string& msg, std::string_view account, int code);
bool CheckAiteZeiCode(std::string& msg, std::string_view account, int& code);
bool CheckSyokutiZeiCode(std::string& msg, std::string_view account, int& code);
// True when the account is the data set's 仮払消費税 or 仮受消費税 account.
bool IsZeiKamoku(const TZeiDataInfo& info, std::string_view account);

// Specific taxable purchases (特定課税仕入れ): 551-553 and 581-583.
bool IsTokuteiSiireCode(int code);
bool CheckTokuteiSiire(std::string& msg, int code, int rateNo, Date date);

// The rounding mode HasuSyori applies for a mode number: 0 truncate, 2 round up, any other
// value half away from zero.
RoundMode HasuSyoriMode(int mode);
// The amount rounded to whole yen by the mode.
Currency HasuSyori(int mode, Currency amount);

// One consumption-tax rate.
struct TZeiRituRec {
    std::string Label;
    Currency Rate;      // percent
    std::int32_t RituNo = 0; // the number journal entries store (OLDRATE) and sides carry (RITUNO)
    std::int32_t Order = 0;  // position counted from the oldest rate
    std::string StartDateText; // "yyyy/mm/dd"
    std::int32_t Attr1 = 0;
    std::int32_t Attr2 = 0;
    std::uint8_t IsCurrent = 0; // in force at the newest start date of the table
    std::uint8_t ByDate = 0;    // 0 for the reduced rate, which a date alone cannot choose
    std::int32_t UseIndex = 0;  // position of the rate's switch among the 使用税率 settings
    std::uint8_t InUse = 1;
};
using TZeiRituList = std::vector<TZeiRituRec>;

// The table in force for the open data set, newest rate first; empty until a data set is opened.
extern TZeiRituList ZeiRituList;

// The five-rate table from data version 11.1.0 on, the three-rate table before it.
TZeiRituList MakeZeiRituList(int verMajor, int verMinor1, int verMinor2);
// Rebuilds ZeiRituList for the data set. The date does not influence the table.
void InitZeiRituList(const TZeiDataInfo& info, Date date);
void InitZeiRituList(Date date); // for the open data set; the data-set loader calls it
// The rate in percent of the rate number (row 0's rate for an unknown number). Builds the list
// for the data set when it is empty; the date does not influence the result.
Currency GetZeiRitu(const TZeiDataInfo& info, int rateNo, Date date);
// The rate number that applies on the date: a number whose rate had started by then stays,
// else the rate in force on the date; the reduced rate keeps its number whatever the date.
int GetZeiRituNo(const TZeiDataInfo& info, int rateNo, Date date);
Currency GetZeiRitu(int rateNo, Date date);
int GetZeiRituNo(int rateNo, Date date);

} // namespace kb
