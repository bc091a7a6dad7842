#pragma once
// The engine's data side on a real data set: connecting the data set of the current type around a
// run, the backup into the send folder before a send, the restore of a received backup with its
// checks, the data-set registry row written back afterwards, and the small jobs in the data set's
// own database (TDataTusinDb).
//
// The restore never replaces the data set before the checks have passed, and the backup worker
// restores into a new file first, so a failed or declined restore leaves the old data set whole.

#include "comm/DataTusinEngine.h"
#include "dataselect/registry/z5ComDataSentaku.h"

#include <string>

namespace kb {

class TBackupRestoreThread;
class TDM;
struct TDataInfomationRec;

class TTusinDataSide : public ITusinDataSide {
public:
    TTusinDataSide(TDM& dm, ITusinView& view) : dm_(dm), view_(view) {}

    // The owner's engine (type, package file name, the versions read before a cloud send, the
    // consolidation kind kept across a receive); set before the first transfer.
    const TDataTusinEngine* Engine = nullptr;
    // The rows of the local data-set list of the operator's group; the first one is the record the
    // restore writes back.
    TDataSentakuRecArray DataListRows;
    // Set when the operator may use no facility of the connected data set.
    bool NoFacilityRight = false;

    // The data folder of the current type: SystemDef.DataDir below 20, the engine's DataFolder from 20.
    std::string Folder() const;
    bool ConnectData();
    bool DisconnectData();
    // Reads the list into DataListRows; answers the count. Database errors are reported and raised.
    int GetDataListRecord();
    // Writes the row's values into the registry row of its folder. Raises on failure.
    void UpdateDataListRecord(int row);
    void SetFolderState(const std::string& folder, int state);

    bool SaveSendData(const std::filesystem::path& backupFile) override;
    bool RestoreReceivedData(const std::filesystem::path& backupFile) override;
    bool SetCloudTime(const DateTime& time) override;
    bool ReadGassanSettings(std::string& kubun, std::string& count) override;
    void WriteGassanSettings(const std::string& kubun, const std::string& count) override;

private:
    int Type() const;
    bool RunJob(TBackupRestoreThread& job);
    bool CompareDataInfo(const std::string& label, const TDataInfomationRec& incoming, const TDataInfomationRec& local);
    bool CompareWithFolder(const std::string& label, const TDataInfomationRec& incoming, const std::string& folder);
    bool CompareBeforeRestore(const std::string& label, const std::string& incomingFolder, const std::string& localFolder);
    bool CheckReceived(TBackupRestoreThread& job, bool trailer, const std::string& workFolder, const std::string& folder);
    bool Restore(const std::filesystem::path& backupFile, const std::string& folder);
    void WriteBackListRow(const std::string& folder);

    TDM& dm_;
    ITusinView& view_;
};

// The refusal of a received data set whose consolidation kind the local consolidated data set
// cannot take ("" when the restore may go on). Kinds: 0 ordinary, 1 consolidated, 2 consolidated
// with branches, 10 distributed.
std::string GassanRefusal(int localKind, int receivedKind);

} // namespace kb
