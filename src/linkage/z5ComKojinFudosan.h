#pragma once
// The real-estate statement reader: TFudosanKessansyoIO reads the blue-return statement for
// real-estate income (data sets of CODETYPE 2) into TFudosanKessansyoRec, with every rented
// property of AO_FUDOUSAN in SyotokuRows, and totals it as the paper statement does.
//
// The pure rules (the 22/24-byte splits of location and tenant, the completion of contract dates
// stored as era year and month, the totals with the deduction cap) are free functions, so they are
// tested without a database.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uAccDateCmp.h"
#include "linkage/z5ComKojinKessansyo.h"

namespace kb {

// One rented property.
struct TFudosanSyotokuRec {
    std::int32_t Rec = 0;
    std::int32_t Number = 0;
    std::string Kubun;                 // kind of property (貸家, 貸地, ...)
    std::string Youto;                 // use
    std::string Shozaiti1, Shozaiti2;  // location, pieces of at most 22 bytes
    std::string Tinsyaku1, Tinsyaku2;  // tenant's address and name, pieces of at most 24 bytes
    std::int32_t KaisiYY = 0, KaisiMM = 0, SyuuryouYY = 0, SyuuryouMM = 0;  // era year and month
    DateTime TinsyakuKaisi, TinsyakuSyuuryou;                              // contract start and end
    Currency Menseki, Getugaku, Nengaku, Reikin, Kenrikin, Kousinryou, Meigiryou, Sikikin;
};
using TFudosanSyotokuRecArray = std::vector<TFudosanSyotokuRec>;

inline constexpr int kFudosanShownRows = 15;   // properties on the statement; row 16 holds the totals

struct TFudosanKessansyoRec : TKessansyoHeaderRec {
    // 1..3 income, 4 income total, 5..17 expenses (12..16 free lines), 18 expense total, 19 balance,
    // 20 family employee, 21 income before the deduction, 22 deduction, 23 income
    TLines<TSonekiKeisansyoRec, 23> Soneki;
    Currency FusaiRisi;                 // interest on debt for land; kept only for a negative income
    std::int32_t FudosanBessi = 0;      // 1: more than 15 properties
    TLines<TFudosanSyotokuRec, 16> Fudosan;
    TLines<TKyuyoChinginRec, 3> Kyuyo;  // employees 1..2, row 3 totals
    TLines<TSenjyusyaKyuyoRec, 1> Senjyusya;
    std::int32_t KoujoKubun = 0;        // 0 550,000 yen, 1 100,000 yen, 2 650,000 yen
    std::int32_t GenkaBessi = 0;
    std::int32_t GenkaTokurei = 0;
    TLines<TGenkaSyokyakuRec, 13> GenkaSyokyaku;   // rows 1..12, row 13 totals
    TLines<TRisiWaribikiRec, 3> Risi;
    TLines<TJidaiYachinRec, 2> Tidai;
    TLines<TZeirisiHousyuuRec, 2> Zeirisi;
    TLines<TTaisyakuTaisyouhyoRec, 25> Sisan;
    TLines<TTaisyakuTaisyouhyoRec, 25> Fusai;
    TLines<std::string, 30> Note;
};

// Pieces 1 and 2 of text cut at width CP932 bytes (a double-byte character is never halved).
void FudosanSplit(std::string_view text, int width, std::string& piece1, std::string& piece2);

// Contract dates stored as an era year and month only. The start takes the newest era in which
// that month falls on or before the end of the fiscal year (a contract let this year cannot start
// later); the end takes the era that puts it nearest on or after `from` (the contract's start, else
// the fiscal year's start), falling back to the start's rule. The first of the month; a null date
// when yy or mm is not above 0 or no era gives a date.
Date FudosanKaisiDate(int yy, int mm, Date kimatu, const TGengoArray& eras);
Date FudosanSyuuryouDate(int yy, int mm, Date from, Date kimatu, const TGengoArray& eras);

// The cap of the blue-return deduction by kind, or a negative amount for a kind without one.
Currency FudosanKoujoGendo(int koujoKubun);

// The totals of the statement (properties of every row, wages, depreciation row 13, the computed
// lines with the deduction, FusaiRisi, the balance-sheet totals). genka: the depreciation rows the
// totals row sums over.
void FudosanSyukei(TFudosanKessansyoRec& d, const TFudosanSyotokuRecArray& rows, const TGenkaRowsLayout& genka);

class TFudosanKessansyoIO : public TKojinKessansyoIO {
public:
    TFudosanKessansyoIO();
    TFudosanKessansyoIO(fb::Connection& db, fb::Transaction& tr);

    void InitData(TFudosanKessansyoRec& rec);
    // InitData, MakeBalance, SelectFudosan(flag). MakeBalance's exceptions reach the caller.
    int Select(int flag);
    // 1 when the whole read succeeded, else 0 (the record as far as read, no totals). A flag other
    // than 0 forbids the hand-entered amounts.
    int SelectFudosan(int flag);
    void SelectFudosanSyotoku();
    void SelectGenkaSyokyaku();
    void Syukei();
    // Placement of the account balances, public for the tests of the rules.
    void PlaceBalances();

    TFudosanKessansyoRec Data;
    TFudosanSyotokuRecArray SyotokuRows;

private:
    void ReadSinkoku();
    void ReadKyuyo(int senjyu);
    void ReadBreakdowns();
    void ReadExterks(bool tegaki);
};

} // namespace kb
