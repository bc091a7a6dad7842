#pragma once
// Statutory rate tables of the depreciation calculator, indexed directly by the useful life 0..100
// (appended tables 7 to 10 of the ministerial ordinance on useful lives, "減価償却資産の償却率等表"),
// complete for lives 2 to 100. Rows 0 and 1 carry no rates: the calculator refuses a straight-line or
// declining-balance asset with such a life, or one over 100, instead of depreciating it by nothing.

#include <array>
#include <cstdint>

namespace kb {

struct TGenkaRateRow {
    std::int32_t Taiyou;   // 1: useful life (= row index)
    double Teigaku;        // 2: straight-line rate of the 2007 rules (table 8)
    double Teiritu;        // 3: declining-balance rate (old table: 250 %, table 9; new table: 200 %, table 10)
    double Kaitei;         // 4: revised rate (as column 3)
    double Hosyou;         // 5: guarantee rate (as column 3)
    double OldTeigaku;     // 6: old straight-line rate (table 7)
    double OldTeiritu;     // 7: old declining-balance rate (table 7)
};

// The lives the published tables cover.
inline constexpr int kGenkaRateMinLife = 2;
inline constexpr int kGenkaRateMaxLife = 100;

// Rule kinds 0 and 1 (old rules, 250 per cent declining balance).
extern const std::array<TGenkaRateRow, 101> GenkaRateTableOld;
// Rule kind 2 (200 per cent declining balance).
extern const std::array<TGenkaRateRow, 101> GenkaRateTableNew;

} // namespace kb
