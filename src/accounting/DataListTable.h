#pragma once
// Which table of the data-set registry lists a data folder. The Windows edition chose by a
// character of the path (the folder separator at a fixed place of the default data folder); here
// the table is the one whose row holds the folder's PASNAME: "DATALIST" when a row there does,
// else "DATALIST_EX" when a row there does, else "DATALIST". Shared by every lookup and update
// of a folder's registry row.

#include "fb/Database.h"

#include <string>

namespace kb {

// Runs in tr (which the caller has started) on the system database.
std::string DataListTableOf(fb::Connection& sys, fb::Transaction& tr, const std::string& folder);

} // namespace kb
