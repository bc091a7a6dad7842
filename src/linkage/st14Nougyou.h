#pragma once
// The income-tax data maker's tables of the agriculture statement (kind of income 4): item names in
// output order and, per statement line or balance-sheet row, the 1-based position of the item it
// feeds (kNoItem for none). The content itself is written by TSyotokuZeiDataMake::WriteNougyou.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "linkage/st14.h"

namespace kb {

extern const std::array<const char*, 38> NougyouSonekiItems;
extern const std::array<std::int32_t, 48> NougyouSonekiIndex;
const std::vector<std::string>& NougyouTaisyakuItems();
extern const std::array<std::int32_t, 50> NougyouSisanIndex;
extern const std::array<std::int32_t, 50> NougyouFusaiIndex;

} // namespace kb
