#pragma once
// DataSetUseRecorder: what the data module records when it connects a data set with use recording
// and when it disconnects it with the end of use or the data-list update: the state of the data
// set in its folder information file (stand-alone mode only) and its row in the data list of the
// system database.
//
// The data module calls it through IDataSetUseRecorder (core); the start-up code installs one:
//   static TDataSetUseRecorder recorder(*DM);
//   SetDataSetUseRecorder(&recorder);
// The data-list row is refreshed through IDataListRowUpdater; without one the recorder uses
// TDataListTableUpdater, its own update of the DATALIST row with bound parameters.

#include "accounting/DataInfomation.h"
#include "core/DataModule.h"

#include <string>

namespace kb {

class IDataListRowUpdater {
public:
    virtual ~IDataListRowUpdater() = default;
    // Overwrites the folder's data-list row with the facts of info (children kept).
    virtual void UpdateDataListRow(TDM& dm, const std::string& folder, const TDataInfomationRec& info) = 0;
};

// The folder's row of DATALIST (DATALIST_EX for a data place in the server modes, CHILD_DATALIST
// for a child of a distributed set), found by group and path without regard to case: GROUPID,
// DATACODE, SHOUGOU, NENDO, KISHU, KIMATU, DATATYPE, CODETYPE, TANTOU, the version, GASSAN and CLOUD
// from the information record. Database errors are reported and not thrown.
class TDataListTableUpdater : public IDataListRowUpdater {
public:
    void UpdateDataListRow(TDM& dm, const std::string& folder, const TDataInfomationRec& info) override;
};

class TDataSetUseRecorder : public IDataSetUseRecorder {
public:
    // updater nullptr: the recorder's own TDataListTableUpdater.
    explicit TDataSetUseRecorder(TDM& dm, IDataListRowUpdater* updater = nullptr);

    // Status 2 with the logged-in operator (stand-alone mode: written into the information file).
    void RecordUseStart(const std::string& folder) override;
    // Status 1 (stand-alone mode with recordUseEnd: written into the file); listUpdate refreshes
    // the data-list row from the data set's header.
    void RecordUseEnd(const std::string& folder, bool recordUseEnd, bool listUpdate) override;

private:
    TDM& dm_;
    TDataListTableUpdater ownUpdater_;
    IDataListRowUpdater* updater_;
    // The journal counts of the data set last recorded: its use start and end in one run count
    // the journal once.
    TSiwakeCountCache siwakeCounts_;
};

} // namespace kb
