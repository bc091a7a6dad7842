#pragma once
// The income-tax data maker: turns a statement record into the DATA part of the linkage file.
// Statement lines become items through fixed index tables (one entry per line: the 1-based position
// of the item it feeds, or 99 for none), values become leaf text by a few conventions ("#" amounts,
// empty for 0, account names cut at 20 CP932 bytes, ...).
//
// The general content (kinds 1 and 2) is written here; real estate (kind 3) in st14Fudosan.cpp and
// agriculture (kind 4) in st14Nougyou.cpp.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/tree.h>

#include "platform/Currency.h"
#include "platform/Date.h"

namespace kb {

class TXmlSaveDoc;
class TIppanKessansyoIO;
struct TKojinKessansyoRec;
class TFudosanKessansyoIO;
class TNougyouKessansyoIO;

inline constexpr int kNoItem = 99;

// Element names.
extern const std::array<const char*, 4> SyotokuNodeNames;   // by kind - 1
extern const std::array<const char*, 4> IppanBlockNames;

// Item names in output order.
extern const std::array<const char*, 35> IppanSonekiItems;
extern const std::array<const char*, 28> IppanTukibetuItems;
extern const std::array<const char*, 93> IppanTaisyakuItems;
extern const std::array<const char*, 20> IppanSeizouItems;

// Index tables, entry i - 1 for line i.
extern const std::array<std::int32_t, 45> IppanSonekiIndex;
extern const std::array<std::int32_t, 15> IppanUriageIndex;
extern const std::array<std::int32_t, 15> IppanSiireIndex;
extern const std::array<std::int32_t, 50> IppanSisanIndex;  // 1..25 opening, 26..50 closing
extern const std::array<std::int32_t, 50> IppanFusaiIndex;
extern const std::array<std::int32_t, 26> IppanSeizouIndex;

// ---- leaf conventions

// Whole yen without grouping, "-" in front of a negative amount, empty for 0.
std::string CurrToLeaf(Currency amount);
// FixLeft to width bytes, then trimmed of blanks and control characters at both ends.
std::string FixTrim(std::string_view text, int width);
// An account name leaf: FixTrim at 20 bytes.
std::string KamokuToLeaf(std::string_view name);
std::string IntToStrOrEmpty(std::int64_t n);
// "yyyymm", empty unless the date is above 0.
std::string DateToYyyymm(const DateTime& date);
std::string KuriireRituToStr(int n);
std::string AoiroKoujoToStr(int n);
// An era date given as texts ("R07" style era letter and year, month, day) as "yyyymmdd"; empty
// unless all three are given or when they name no date. kishu: the data set's period start, whose
// era record is the starting point.
std::string WarekiToYyyymmdd(std::string_view eraYear, std::string_view month, std::string_view day, Date kishu);

class TSyotokuZeiDataMake {
public:
    TSyotokuZeiDataMake() = default;

    // Writes DATA under REPORT; returns Result: 1 when the kind was made, 3 when nothing was
    // (a kind outside 1..4, or a kind whose reader was not created).
    int MakeData(TXmlSaveDoc& doc, int kind, int taxMode);

    void SetIppanSoneki();
    void SetIppanTukibetu();
    void SetIppanTaisyaku();
    void SetIppanSeizou();
    // real estate and agriculture (st14Fudosan.cpp, st14Nougyou.cpp)
    void SetFudosanSoneki();
    void SetFudosanTaisyaku();
    void SetNougyouSoneki();
    void SetNougyouTaisyaku();

    int Result = 3;
    TIppanKessansyoIO* Ippan = nullptr;   // not owned
    TFudosanKessansyoIO* Fudosan = nullptr;   // not owned
    TNougyouKessansyoIO* Nougyou = nullptr;   // not owned
    int Kind = 0;
    int TaxMode = 0;
    std::vector<Currency> SonekiValues;
    std::vector<Currency> TukibetuValues;
    std::vector<Currency> TaisyakuValues;
    std::vector<Currency> SeizouValues;
    int CodeType = 0;
    bool WithDetails = false;

    // The record the general content is written from (the reader's, or one filled by a caller).
    const TKojinKessansyoRec* IppanRec = nullptr;

private:
    void WriteIppan(TXmlSaveDoc& doc, xmlNodePtr data);
    void WriteFudosan(TXmlSaveDoc& doc, xmlNodePtr data);
    void WriteNougyou(TXmlSaveDoc& doc, xmlNodePtr data);
};

} // namespace kb
