#pragma once
// uAccClasses: the working records of every trial balance and statement.
//
// One array of balance records (TBALANCE) and one array of sort entries (TQSORT) of the same
// length, owned by the caller, sized to AccZanMaxKamoku(). Rows 1..50 hold summary lines (a
// summary line lives in the row given by its ARRAYNUM; rows 48 and 49 also park two moved note
// lines), account lines follow from FirstAccountRow, row 0 is unused. Sort entry i describes row i.
//
// Period arrays of the main record: index 32 + p is period p (1..16) of the current year, 16 + p
// the previous year's period p (so 32 is also this year's opening), the rest stays zero. The
// sub-account breakdown counts differently: index 0 is the opening, index p is period p.
//
// Amounts are kb::Currency; every addition is exact.

#include "core/TMojiBunkatu.h" // the string splitter belongs to this unit too
#include "core/uAccZanTable.h"
#include "platform/Currency.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kb {

inline constexpr int kAccZanPeriods = 52;       // period arrays [0..51]
inline constexpr int FirstAccountRow = 51;      // first row of the account lines
inline constexpr int kAccZanSummaryRows = 50;   // rows 1..50 are summary lines
inline constexpr int kAccZanMaxKamokuNormal = 500;
inline constexpr int kAccZanMaxKamokuMedical = 700;
// The key of an empty or hidden line: the half-width semi-voiced mark, CP932 byte 0xDF, which
// sorts after every digit and letter.
inline constexpr const char* kAccZanEmptyKey = "ﾟ";

using TZanPeriods = std::array<Currency, kAccZanPeriods>;

// Facility (branch) master entry; carried, filled by the medical-corporation reader only.
struct TSISREC {
    std::string SCODE;
    std::string SNAME;
    int MB_JIGYOU = 0;
};

// Department master entry with its allocation amounts.
struct TBUMREC {
    std::string BCODE;
    std::string BNAME;
    int HAIBU = 0;
    std::array<Currency, 20> HaibuKingaku{};
};

// Account part; mirrors the account master KAMOKUMST (TAISHAKU = DAC, BSPL = BPFLG).
struct TKMKREC {
    std::string KCODE;     // empty on summary lines
    std::string USERCODE;
    int REC = 0;
    std::string GROUPM1;   // statement group; on a summary line its code
    std::string GROUPM2;
    std::string GROUPR1;
    std::string GROUPR2;
    std::string GROUPM3;
    std::string KNAME;
    int BLDAC = 0;
    int DELFLG = 0;
    int TAISHAKU = 0;      // 1 debit +, 2 credit -, 3 credit +, 4 debit - (side and effect on its summary)
    int TAX_LCODE = 0;
    int TAX_RCODE = 0;
    int FUN_LCODE = 0;
    int FUN_RCODE = 0;
    std::string HOJOSW;
    std::string BSPL;      // "B" balance sheet, "P" profit and loss
    std::string KEIHKUBU;
    int EXT1_KS = 0;
    int EXT1_A4 = 0;
    int EXT1_A3 = 0;
    int ZEIRITUKBN = 0;
};

// Sub-account master entry.
struct THOJREC {
    std::string HCODE;
    std::string HNAME;
    std::string HKANA;
    std::string XSTR;
    int REC = 0;
    int HOJOKBN = 0;
    int DELFLG = 0;
    // the sub-account's own tax codes and rate kind, as the journal writer's account lookup reads them
    std::string KCODE;
    int TAX_LCODE = 0;
    int TAX_RCODE = 0;
    int ZEIRITUKBN = 0;
};

// Sub-account breakdown of an account line (index 0 opening, p period p).
struct THOJOUTIWAKE {
    std::string HCODE;
    std::string HNAME;
    int REC = 0;
    Currency ZENZAN, KARIKATA, KASIKATA, TOUZAN;
    Currency KOUSEIHI; // share of the account's TOUZAN, percent with one decimal
    Currency KAISIZAN;
    Currency ZENNEN;
    TZanPeriods KARI{}, KASI{}, ZOUGEN{}, RUIZAN{};
    std::array<Currency, 2> Extra{};
    std::array<Currency, 2> KaisizanCopy{};
};

// One balance line.
struct TBALANCE {
    TSISREC SISETU;
    TBUMREC BUMON;
    TKMKREC KAMOKU;
    THOJREC HOJO;
    Currency KAISIZAN;                  // opening balance of the line
    Currency KISHU0;                    // start-of-year balance from the closing-statement reader
    std::int32_t HOJCNT = 0;            // entries of HOJUTIWAKE in use
    std::vector<THOJOUTIWAKE> HOJUTIWAKE;
    std::int32_t MSTREC = 0;            // layout line number; 0 in the plain layout
    std::int32_t SUBREC = 0;            // position within the layout group
    std::int32_t GOUKEISU = 0;          // summary line: account lines added into it
    Currency ZENZAN, KARIKATA, KASIKATA, TOUZAN;
    Currency KOUSEIHI;                  // composition ratio, percent with one decimal
    Currency ZENNEN;                    // previous-year comparative of TOUZAN
    TZanPeriods KARI{}, KASI{}, ZOUGEN{}, RUIZAN{};
    TZanPeriods KIKANHI{};              // per-period ratio (medical computation only)
    std::array<Currency, 2> KaisizanCopy{};
    std::array<Currency, 2> Extra{};    // medical per-period summary only
};

struct TQSORT {
    std::string QKEY;
    std::int32_t QINDEX = 0;
};

// Empties the texts and zeroes the amounts and counters of one record. The breakdown entries,
// MSTREC, SUBREC, GOUKEISU and ZENNEN stay as they are.
void AccZanClearRecord(TBALANCE& Rec);

// Clears records 0..Last and sets sort entry i to the empty key and QINDEX i. Last beyond either
// array is a caller's error: std::out_of_range is thrown before anything is touched.
void AccZanInitRecords(std::vector<TBALANCE>& Recs, int Last, std::vector<TQSORT>& Sorts);

// A ratio as a percentage with one decimal, half away from zero (0.12355 -> 12.4). A ratio that is
// not a finite number (a division by zero upstream) gives 0; one beyond the currency range is held
// at its limit.
Currency AccZanRatioPercent(double X);

// Room of the working arrays: 700 for a medical corporation (AccInf.IryouHoujin), else 500.
int AccZanMaxKamoku();

// Sizes both arrays to AccZanMaxKamoku() and clears them; returns the last index.
int AccZanPrepareArrays(std::vector<TBALANCE>& Recs, std::vector<TQSORT>& Sorts);

} // namespace kb
