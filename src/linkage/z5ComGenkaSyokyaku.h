#pragma once
// Depreciation calculator of the blue-return statements: one asset of the fixed-asset register
// (KS_SISAN) computed for the fiscal year of the open data set under the old, the 2007 (250 %) or
// the 2012 (200 %) rules. The calculation is pure: it takes the register row and the data set's
// settings as plain values, so the statement readers feed it from the database and the tests from
// a table of statute cases.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "linkage/z5ComGenkaSyokyakuTables.h"
#include "platform/Currency.h"
#include "platform/Date.h"

namespace kb {

namespace fb {
class Connection;
class Transaction;
class Statement;
} // namespace fb
struct TACCINF;

// Method labels by GSHOUHOU (index 1..6; 0 is empty) and status labels by status code 0..6.
extern const char* const GenkaHouhouNames[7];
extern const char* const GenkaJyokyoNames[7];

// Settings of the open data set the calculator uses (copied from the data set's AccInf).
struct TGenkaSettei {
    Date KISHU;            // fiscal-year start
    Date KIMATU;           // fiscal-year end
    int SIME = 99;         // closing day
    int DATATYPE = 2;      // 2 = an individual's data set
    int SDAI_HASUU1 = 1;   // rounding of depreciation amounts
    int SDAI_HASUU2 = 1;   // rounding of the 5 per cent floor
    int SDAI_HASUU3 = 1;   // rounding of the business-use amount
    int MonthNo = 12;      // months of the fiscal year: GetMonthNo(SIME, KIMATU, KISHU), 1..12

    // The settings of a data set's year, its month count from the fiscal-period routine.
    static TGenkaSettei ForYear(Date kishu, Date kimatu, int sime, int dataType, int hasuu1, int hasuu2,
                                int hasuu3);
    // The same from the open data set's AccInf.
    static TGenkaSettei FromAccInf(const TACCINF& accInf);
};

// The columns of one KS_SISAN row that the calculation and the statement rows use.
struct TKsSisanRow {
    std::int32_t REC = 0;
    Date SYUTODATE;
    Currency SYUTOKIN;
    Currency KISYUMISYOUKIN;
    Currency KISOKIN;
    int ISINPKISOKIN = 0;
    int TAIYOUYY = 0;
    Currency SYOURITU;               // four decimals: 0.2000 is 20 per cent
    int ISINPSYOURITU = 0;
    int GSHOUHOU = 0;
    int JYOBAI = 0;
    Date GENSYODATE;
    int SYOUKIKANSTR = 0;
    int SYOUKIKANEND = 0;
    Currency FUTUSYOUKIN;
    int ISINPFUTUSYOUKIN = 0;
    Currency WARISYOUKIN;
    Currency SYOUKINKEI;
    Currency MATUMISYOUKIN;
    Currency ZANKAHOSYOUGAKU;
    Currency JIGYOUWARIAI;           // per cent (JIGYOUWARIAI_NEW)
    Currency KAITEISYUTOKUKAGAKU;
    Currency KAITEISYUTOKUKAGAKU_INPUT;
    int ISINPKAITEISYUTOKUKAGAKU = 0;
    int TEIRITU250 = 0;
    int TEIRITU200 = 0;
    int TAIYONENSU200 = 0;
    Currency SYUTOKUKAGAKUCHOSEI;
    std::string MEISYOU;
    double SURYO = 0;
    std::string TEKIYO;
    std::string KANRI;
};

// The result for one asset.
struct TGenkaSyokyakuSisanRec {
    std::uint8_t SyokyakuKubun = 2;   // 0 old rules, 1 the 2007 rules, 2 the 2012 rules
    bool TokiSyutoku = false;
    std::int32_t Jyokyo = 0;
    Date SyutoDate;
    Currency Syutokin;
    Currency KisyuMisyoukin;
    std::int32_t Gshouhou = 0;
    Currency ZankaHosyougaku;
    Currency Kisokin;
    std::int32_t TaiyouYY = 0;
    bool KansanFlag = false;
    Currency Syouritu;                // four decimals
    std::int32_t Jyobai = 0;
    Date GensyoDate;
    std::int32_t SyoukikanStr = 0;
    std::int32_t SyoukikanEnd = 0;
    Currency FutuSyoukin;
    Currency WariSyoukin;
    Currency SyoukinKei;
    Currency MatumiSyoukin;
    Currency YobiWariai = Currency::FromYen(100);
    Currency YobiKingaku;
    Currency JigyouWariai = Currency::FromYen(100);
    Currency JigyouKin;
    double Hosyouritu = 0;
    double KaiteiSyouritu = 0;
    double Hosyougaku = 0;            // yen
    Currency KaiteiSyutokuKagaku;
    bool KaiteiFlag = false;
    bool SaisyokyakuFlag = false;
    std::int32_t Teiritu250 = 0;
    std::int32_t Teiritu200 = 0;
    std::int32_t TaiyoNensu200 = 0;
    Currency SyutokuKagakuChosei;
};

// One depreciation row of a statement.
struct TGenkaSyokyakuRec {
    std::int32_t SyokyakuKubun = 0;
    std::string Meisyou;
    double Suryo = 0;
    Date SyutoDate;
    Currency Syutokin;
    Currency Hosyougaku;
    Currency Kisokin;
    std::int32_t Gshouhou = 0;
    std::int32_t TaiyouYY = 0;
    double Syouritu = 0;
    std::int32_t SyoukikanTukisu = 0;
    Currency FutuSyoukin;
    Currency WariSyoukin;
    Currency SyoukinKei;
    double JigyouWariai = 0;
    Currency JigyouKin;
    Currency MatumiSyoukin;
    std::string Tekiyo;
    Currency KisyuMisyoukin;
    Currency KaiteiSyutokuKagaku;
    Currency KaiteiSyouritu;
    std::int32_t GokeiFlag = 0;
    std::int32_t Teiritu250 = 0;
    std::int32_t Teiritu200 = 0;
    Currency SyutokuKagakuChosei;
};

// An asset the rate tables cannot compute: a straight-line or declining-balance rate for a useful
// life outside 2..100, or a method code no rule knows. The message names the asset (KANRI and
// name) and the life; the reader reports it (as an export error) instead of writing a depreciation
// the statute does not give.
class EGenkaRateMissing : public std::runtime_error {
public:
    // A table column (2..7 as in TGenkaRateRow) for the life.
    EGenkaRateMissing(int taiyou, int column, int kubun, const std::string& kanri, const std::string& meisyou);
    // A method code outside 0..6 (Column is 0).
    static EGenkaRateMissing UnknownMethod(int gshouhou, int taiyou, int kubun, const std::string& kanri,
                                           const std::string& meisyou);
    int Taiyou;
    int Column;
    int Kubun;
    std::string Kanri;
    std::string Meisyou;

private:
    EGenkaRateMissing(const std::string& message, int taiyou, int column, int kubun, const std::string& kanri,
                      const std::string& meisyou);
};

// The data set's settings cannot be computed with (months of the year outside 1..12).
class EGenkaSetteiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TGenkaSyokyakuSisanCalc {
public:
    // The pure calculator (CalcRow only).
    explicit TGenkaSyokyakuSisanCalc(const TGenkaSettei& accInf);
    // On the data set's database (DM.IBDatabaseDAT with DM.IBTransactionDAT in the program): the
    // register is read on tr, and the settings of the group "減価償却設定" are read at once.
    TGenkaSyokyakuSisanCalc(const TGenkaSettei& accInf, fb::Connection& db, fb::Transaction& tr);
    ~TGenkaSyokyakuSisanCalc();
    TGenkaSyokyakuSisanCalc(const TGenkaSyokyakuSisanCalc&) = delete;
    TGenkaSyokyakuSisanCalc& operator=(const TGenkaSyokyakuSisanCalc&) = delete;

    // The register is read on the caller's transaction from now on.
    void SetTransaction(fb::Transaction& tr);
    // Reads the asset REC from KS_SISAN and computes it; returns 1. An unknown key leaves rec as
    // initialised. The transaction is started when it is not active and then ended again.
    // Database errors (FbError) and EGenkaRateMissing reach the caller.
    std::int32_t Calc(std::int32_t rec, TGenkaSyokyakuSisanRec& out);
    // The register row of REC; false when there is none.
    bool ReadKsSisan(std::int32_t rec, TKsSisanRow& row);
    // The transitional-election settings of the data set ("250%定率法で償却する経過措置",
    // "200%定率法で償却する経過措置"); a missing key is stored with "0". They are informative only:
    // the asset's own TEIRITU250 / TEIRITU200 decide.
    void ReadSettei();
    int Keika250 = 0;
    int Keika200 = 0;

    // Computes one register row for the fiscal year of AccInf into rec; returns 1.
    std::int32_t CalcRow(const TKsSisanRow& row, TGenkaSyokyakuSisanRec& rec);

    // The copy of the data set's settings; callers may refresh it between calculations.
    TGenkaSettei AccInf;

    static void InitSisanRec(TGenkaSyokyakuSisanRec& rec);

private:
    void SelectRateTable(int kubun);
    void SetSyokyakuKubun();
    double TableRate(int column, int taiyou) const;
    void GetSyouritu();
    void GetKisokin();
    void GetFutuSyoukin();
    Currency CalcSyoukinNew();
    Currency CalcSyoukinOld();
    Currency CalcSyoukinOther();
    bool IsKansanOver() const;
    Currency GetHosyougaku();
    Currency GetKaiteiSyouritu();
    std::int32_t GetJyokyo();
    Currency GetGendoZan() const;
    Currency RoundSyoukin(Currency amount) const;
    int Months() const;       // b
    int UseMonths() const;    // m

    TGenkaSyokyakuSisanRec w_;
    std::string kanri_;       // the asset being computed, for the refusal message
    std::string meisyou_;
    const std::array<TGenkaRateRow, 101>* table_ = &GenkaRateTableNew;
    fb::Connection* db_ = nullptr;
    fb::Transaction* tr_ = nullptr;
    std::unique_ptr<fb::Statement> query_;
};

// Statement row from a result and its register row (the extra election fields only where the
// general reader asks for them).
TGenkaSyokyakuRec MakeGenkaRow(const TGenkaSyokyakuSisanRec& r, const TKsSisanRow& row, bool withElections);
// The summary row of the small-amount assets of the year ("措法28の2").
TGenkaSyokyakuRec MakeSyougakuRow(const std::vector<TGenkaSyokyakuRec>& tokureiRows, Date kimatu,
                                  Currency smallCost, Currency smallJigyou);

// The depreciation rows of one statement, laid out from the computed assets in register order
// (KANRI, REC): every asset that is not a small-amount asset goes to GenkaRows, the small-amount
// assets of the year to TokureiRows; the other small-amount assets are not listed.
struct TGenkaRowsLayout {
    std::vector<TGenkaSyokyakuRec> GenkaRows;
    std::vector<TGenkaSyokyakuRec> TokureiRows;
    std::vector<TGenkaSyokyakuRec> Shown;   // the statement's N shown rows
    bool GenkaBessi = false;                // more rows than fit: row 1 reads "別紙参照"
    bool GenkaTokurei = false;              // small-amount assets of the year exist
};

struct TGenkaComputed {
    TKsSisanRow Row;
    TGenkaSyokyakuSisanRec Result;
};

// shownRows: 11 for the general and agriculture statements, 12 for real estate; withElections:
// the general statement's rows carry the election columns.
TGenkaRowsLayout LayoutGenkaRows(const std::vector<TGenkaComputed>& assets, int shownRows, bool withElections,
                                 Date kimatu);
// The totals row: the sums over every ordinary asset (not only the shown ones); the business-use
// amount also adds the small-amount assets of the year.
TGenkaSyokyakuRec GenkaTotalsRow(const TGenkaRowsLayout& layout);

// The depreciation rows of a statement read from the data set: every asset of KS_SISAN in the
// order KANRI, REC computed on tr and laid out as LayoutGenkaRows does.
TGenkaRowsLayout ReadGenkaRows(fb::Connection& db, fb::Transaction& tr, const TGenkaSettei& accInf, int shownRows,
                               bool withElections);

} // namespace kb
