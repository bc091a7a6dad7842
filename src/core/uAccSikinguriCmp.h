#pragma once
// uAccSikinguriCmp: the cash-flow (資金繰り) items of the open data set. The list differs between
// medical corporations and every other data set, and the same code means different items in the
// two lists, so a code is only meaningful together with the data kind. Loading the open data set
// switches the list (AccSikinguriSetTable); it is empty before the first data set is opened.
// User-interface thread only.

#include <array>
#include <string>
#include <vector>

namespace kb {

// [0] item code (decimal digits), [1] item name, [2] qualifier that tells apart items of the same
// name (empty for most).
using TSikinguriItem = std::array<std::string, 3>;

extern std::vector<TSikinguriItem> AccSikinguriItems;

// The two constant lists (39 general items, 38 medical-corporation items).
const std::vector<TSikinguriItem>& AccSikinguriGeneralList();
const std::vector<TSikinguriItem>& AccSikinguriMedicalList();

// Empties AccSikinguriItems and fills it with the list of the kind.
void AccSikinguriSetTable(bool Medical);

} // namespace kb
