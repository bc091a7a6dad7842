#pragma once
// Storing one row of the shared-server list as the shared-data chooser does
// (TServerSentakuBox.SaveDataListRec), for the data selection's own share rows: the registry row of
// the shared folder, then the list name, update lock and read-only flag in that folder's
// information file. The caller's row is not changed (the shared-server write numbers its own copy).

#include "dataselect/registry/z5ComDataSentaku.h"

namespace kb {

bool SaveDataListRec(TDataSentakuListCtl& ctl, const TDataListRec& row);

} // namespace kb
