#pragma once
// The data-list row update the data module's use recorder runs when it disconnects a data set,
// done through the registry controller: the row is found by its folder (the member table for a
// member of a distributed set) and takes the facts of the folder's information, with the columns
// CLOUD and READ_ONLY written only where the system database has them. Install it with
//   static TDataListCtlRowUpdater updater;  TDataSetUseRecorder recorder(*DM, &updater);

#include "accounting/DataSetUseRecorder.h"

namespace kb {

class TDataListCtlRowUpdater : public IDataListRowUpdater {
public:
    void UpdateDataListRow(TDM& dm, const std::string& folder, const TDataInfomationRec& info) override;
};

} // namespace kb
