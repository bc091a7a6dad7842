#pragma once
// Statement readers of an individual's blue-return statements: the shared base TKojinKessansyoIO
// (balances of the whole year, sign rule, transaction rule) and the general reader
// TIppanKessansyoIO, which fills TKojinKessansyoRec from the AO_ tables, the account balances placed
// by closing-statement group and row, the reduced-rate journal sums and, for a statement entered by
// hand, the amounts stored with the closing-statement lines (EXTERKS).
//
// Every line array is indexed from 1 as the paper statement numbers its lines; TLines refuses any
// other index, and the readers test a row number before they place anything, so a damaged NUMBER,
// REC or SUBREC never writes outside a record.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "accounting/uAccClasses.h"
#include "linkage/z5ComGenkaSyokyaku.h"
#include "platform/Currency.h"
#include "platform/Date.h"

namespace kb {

namespace fb {
class Connection;
class Transaction;
class Statement;
} // namespace fb

// A one-based array of N lines.
template <class T, int N>
class TLines {
public:
    static constexpr int Count = N;
    static constexpr bool Has(int i) { return i >= 1 && i <= N; }
    T& operator[](int i)
    {
        if (!Has(i)) throw std::out_of_range("statement line " + std::to_string(i) + " outside 1.." + std::to_string(N));
        return a_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator[](int i) const
    {
        if (!Has(i)) throw std::out_of_range("statement line " + std::to_string(i) + " outside 1.." + std::to_string(N));
        return a_[static_cast<std::size_t>(i - 1)];
    }
    void Clear() { a_.fill(T{}); }

private:
    std::array<T, N> a_{};
};

// ---- line records

struct TSonekiKeisansyoRec {
    std::int32_t Rec = 0;   // EXTERKS.REC of the linked closing-statement line, 0 = none
    std::string Name;
    Currency Kingaku;
};

struct TTaisyakuTaisyouhyoRec {
    std::int32_t Rec = 0;
    std::string Name;
    Currency Kisyu;
    Currency Kimatu;
};

struct TSeizoGenkaRec {
    std::int32_t Rec = 0;
    std::string Name;
    Currency Kingaku;
};

// ---- breakdown records

struct TKyuyoChinginRec {
    std::string Simei;
    std::int32_t Nenrei = 0;
    std::int32_t Tukisuu = 0;
    Currency Kyuyo, Shouyo, Goukei, Gensen;
};

struct TSenjyusyaKyuyoRec {
    std::string Simei;
    std::string Tuzukigara;
    std::int32_t Nenrei = 0;
    std::int32_t Tukisuu = 0;
    Currency Kyuyo, Shouyo, Goukei, Gensen;
};

struct TRisiWaribikiRec {
    std::string Siharaisaki1, Siharaisaki2;
    Currency Kimatu, Risi, Keihi;
};

struct TJidaiYachinRec {
    std::string Siharaisaki1, Siharaisaki2;
    std::string Bukken1, Bukken2;
    Currency Kenri, Kousin, Tinryou, Keihi;
};

struct TZeirisiHousyuuRec {
    std::string Siharaisaki1, Siharaisaki2;
    Currency Houshu, Keihi, Gensen;
};

struct TTukibetuRec {
    Currency Uriage;
    Currency Siire;
};

// The header every statement record opens with.
struct TKessansyoHeaderRec {
    std::int32_t Tegaki = 0;      // 1 = amounts entered by hand
    DateTime KikanFrom;
    DateTime KikanTo;
    std::int32_t HizukeUmu = 0;
    DateTime Hizuke;
    DateTime DataKimatu;
    std::string Skana, Shougou, Post, Add1, Add2, Tel, AoAdd1, AoAdd2, AoKana, AoSimei, AoGyoushu, AoYago, AoKanyu,
        AoTel, AoShokugyo1, AoShokugyo2;
    std::string ZeirisiAdd1, ZeirisiAdd2, ZeirisiSimei1, ZeirisiSimei2, ZeirisiTel;
    std::string Scode2;
};

// The general (business) statement.
struct TKojinKessansyoRec : TKessansyoHeaderRec {
    TLines<TSonekiKeisansyoRec, 45> Soneki;
    TLines<TTukibetuRec, 15> Tukibetu;   // 1..12 months, 13 household use, 14 misc. income, 15 totals
    Currency UriageKeigen;
    Currency SiireKeigen;
    std::int32_t K8Kisai = 0;
    TLines<Currency, 5> Kuriire;
    std::int32_t GyoushuKubun = 0;
    std::int32_t Hasuu = 0;
    TLines<TKyuyoChinginRec, 7> Kyuyo;
    TLines<TSenjyusyaKyuyoRec, 6> Senjyusya;
    Currency Koujo6, Koujo7, Koujo8, Koujo9, Koujo10, Koujo11;
    std::int32_t KoujoKubun = 0;          // 0 550,000 yen, 1 100,000 yen, 2 650,000 yen
    TLines<TGenkaSyokyakuRec, 12> GenkaSyokyaku;
    std::int32_t GenkaBessi = 0;
    std::int32_t GenkaTokurei = 0;
    TLines<TRisiWaribikiRec, 2> Risi;
    TLines<TJidaiYachinRec, 2> Tidai;
    TLines<TZeirisiHousyuuRec, 2> Zeirisi;
    TLines<std::string, 5> Tokusyu;
    TLines<TTaisyakuTaisyouhyoRec, 25> Sisan;
    TLines<TTaisyakuTaisyouhyoRec, 25> Fusai;
    TLines<TSeizoGenkaRec, 26> Seizou;
};

// The sign rule by the account's side code: mode 0 negates sides 2 and 4, mode 1 sides 1 and 3;
// anything else leaves the amount as it is.
Currency SideSign(int mode, Currency amount, int side);

// The balance step of the ledger: fills Balances and Sorts (both already sized to MaxKamoku and
// cleared) with the trial balance of the closing-statement layout and computes periods 1..16.
// Arguments after the arrays: the tax mode and the operator's default business division.
using TKessansyoBalanceMaker =
    std::function<void(std::vector<TBALANCE>& Balances, std::vector<TQSORT>& Sorts, int TaxMode, int DefJigyoKbn)>;
// The ledger's whole-year step: AccZanSisanhyoReadAll (kind 1, the closing-statement layout) and
// AccZanSisanhyoCalc for periods 1 to 16.
void LedgerKessansyoBalance(std::vector<TBALANCE>& Balances, std::vector<TQSORT>& Sorts, int TaxMode, int DefJigyoKbn);
// The process-wide balance step the readers take at creation (tests put figures of their own in
// its place). An empty one makes MakeBalance fail with EDataExportError instead of reading nothing.
inline TKessansyoBalanceMaker KessansyoBalanceMaker = LedgerKessansyoBalance;

class TKojinKessansyoIO {
public:
    // On DM.IBDatabaseDAT with DM.IBTransactionDAT.
    TKojinKessansyoIO();
    TKojinKessansyoIO(fb::Connection& db, fb::Transaction& tr);
    virtual ~TKojinKessansyoIO();
    TKojinKessansyoIO(const TKojinKessansyoIO&) = delete;
    TKojinKessansyoIO& operator=(const TKojinKessansyoIO&) = delete;

    void SetTransaction(fb::Transaction& tr);
    // Sizes both arrays to MaxKamoku and runs the balance step for periods 1 to 16. Its exceptions
    // reach the caller; a step that grew the arrays beyond their capacity raises EDataExportError.
    void MakeBalance();

    std::unique_ptr<fb::Statement> Sql;
    int DefJigyoKbn = 0;     // the operator's default business division (SystemDef)
    int TaxMode = 0;         // AccInf.TAXDEFUH at creation; the export replaces it
    int MaxKamoku = 0;
    std::vector<TQSORT> Sorts;
    std::vector<TBALANCE> Balances;
    std::vector<TGenkaSyokyakuRec> GenkaRows;
    std::vector<TGenkaSyokyakuRec> TokureiRows;

    // The balance step of this reader (KessansyoBalanceMaker at creation).
    TKessansyoBalanceMaker BalanceMaker;
    // What went wrong in the last failed read ("" after a successful one): the export turns it into
    // its error.
    std::string LastError;

protected:
    fb::Connection* db_ = nullptr;
    fb::Transaction* tr_ = nullptr;
    // Runs one query text on Sql and calls row() for each row.
    void RunQuery(const std::string& text, const std::function<void(fb::Statement&)>& bind,
                  const std::function<void(fb::Statement&)>& row);
    // The transaction rule of a reading method around body; returns 1 or 0.
    int ReadInTransaction(const char* context, const std::function<void()>& body, const std::function<void()>& after);
    void InitHeader(TKessansyoHeaderRec& h);

    // The breakdown tables every statement shares. slot(n) gives row n of the record, or nullptr
    // where the record has no such row (the tables may hold more rows than a statement shows).
    void ReadRisiRows(const std::function<TRisiWaribikiRec*(int)>& slot);
    void ReadTidaiRows(const std::function<TJidaiYachinRec*(int)>& slot);
    void ReadHousyuRows(const std::function<TZeirisiHousyuuRec*(int)>& slot);
    // AO_NOTE rows 1..last; the notes end at the first row beyond last.
    void ReadNoteRows(int last, const std::function<std::string*(int)>& slot);
    template <class Lines>
    static auto SlotOf(Lines& lines)
    {
        return [&lines](int n) { return Lines::Has(n) ? &lines[n] : nullptr; };
    }
    // Puts a depreciation layout into the record's rows and flags.
    template <class Rec>
    void PlaceGenkaLayout(const TGenkaRowsLayout& layout, Rec& d)
    {
        GenkaRows = layout.GenkaRows;
        TokureiRows = layout.TokureiRows;
        d.GenkaTokurei = layout.GenkaTokurei ? 1 : 0;
        d.GenkaBessi = layout.GenkaBessi ? 1 : 0;
        for (std::size_t i = 0; i < layout.Shown.size() && d.GenkaSyokyaku.Has(static_cast<int>(i) + 1); ++i)
            d.GenkaSyokyaku[static_cast<int>(i) + 1] = layout.Shown[i];
    }
};

class TIppanKessansyoIO : public TKojinKessansyoIO {
public:
    TIppanKessansyoIO();
    TIppanKessansyoIO(fb::Connection& db, fb::Transaction& tr);

    void InitData(TKojinKessansyoRec& rec);
    // InitData, MakeBalance, SelectIppan(flag).
    int Select(int flag);
    // 1 when the whole read succeeded, else 0 (the record as far as read, no totals). A flag other
    // than 0 forbids the hand-entered amounts.
    int SelectIppan(int flag);
    void SelectGenkaSyokyaku();
    void Syukei();

    // Placement of the balances (step "computed amounts"), public for the tests of the rules.
    void PlaceBalances();

    TKojinKessansyoRec Data;

private:
    void ReadSinkoku();
    void ReadKyuyo(int senjyu);
    void ReadBreakdowns();
    void ReadKeigen();
    void ReadExterks(bool tegaki);
};

} // namespace kb
