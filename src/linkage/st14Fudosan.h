#pragma once
// The income-tax data maker's tables of the real-estate statement (kind of income 3): item names
// in output order and, per statement line or balance-sheet row, the 1-based position of the item
// it feeds (kNoItem for none). The content itself is written by TSyotokuZeiDataMake::WriteFudosan.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "linkage/st14.h"

namespace kb {

extern const std::array<const char*, 17> FudosanSonekiItems;
extern const std::array<std::int32_t, 24> FudosanSonekiIndex;   // entry i - 1 for line i; entry 24 unused
// The 93 balance-sheet items.
const std::vector<std::string>& FudosanTaisyakuItems();
extern const std::array<std::int32_t, 50> FudosanSisanIndex;    // 1..25 opening, 26..50 closing
extern const std::array<std::int32_t, 50> FudosanFusaiIndex;

// The 93 balance-sheet items of a statement from the names of its 24 asset and 24 liability rows:
// each row's "_KISYU" then "_KIMATU" item, except the rows that only have a closing balance (asset
// row 24, liability rows 22 and 24).
std::vector<std::string> MakeTaisyakuItems(const std::array<const char*, 24>& sisan,
                                           const std::array<const char*, 24>& fusai);

// A let area as the statement prints it: two decimals, padded to six characters on the left.
std::string MensekiToStr(Currency menseki);

} // namespace kb
