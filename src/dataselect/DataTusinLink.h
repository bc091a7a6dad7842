#pragma once
// What the data selection asks of the data communication, which it cannot link (the communication
// builds on the selection): the chooser of shared-server data areas and the cloud-share calls. The
// program installs the communication's implementation (SetDataTusinLink, as it sets the cloud-share
// mode source); until one is installed every call shows that the function is not available here
// and fails (the chooser: not chosen; the others: result 1).

#include "core/ScopedInstall.h"

#include <string>

class QWidget;

namespace kb {

// The chooser's fields: SharedDrive in (the drive used last) and out, DataFolder and DataName out.
struct TServerChoice {
    std::string SharedDrive;
    std::string DataFolder;
    std::string DataName;
};

// The cloud-share settings' results.
struct TCloudShareChoice {
    int SelectedCloudLine = 0;  // 0: no cloud share
    int AreaIsEmpty = 0;        // 1: the chosen area holds no data yet
};

class IDataTusinLink {
public:
    virtual ~IDataTusinLink() = default;
    // The shared-data chooser, set up and shown modally: 1 when an area was chosen.
    virtual int ChooseSharedData(QWidget* owner, TServerChoice& choice) = 0;
    // The cloud-share settings of a data folder: 0 saved, 9 closed without saving, 1 failure.
    virtual int ExecuteCloudShare(QWidget* owner, const std::string& folder, TCloudShareChoice& choice) = 0;
    // Sends a data folder to its cloud-share area: 0 sent, 1 to 9 not.
    virtual int CloudShareSend(const std::string& folder, int automatic) = 0;
    // Receives the area's newest data into the folder: 0 received, 1 to 9 not.
    virtual int CloudShareReceive(const std::string& folder, int mode) = 0;
    // Removes the in-use mark of the folder's area: 0 released, 1 to 9 not.
    virtual int ReleaseCloudShare(const std::string& folder) = 0;
};

// The installed link, or the one that refuses every call.
IDataTusinLink& DataTusinLink();
void SetDataTusinLink(IDataTusinLink* link);
IDataTusinLink* GetDataTusinLink();
using TScopedDataTusinLink = TScopedInstall<IDataTusinLink*, &SetDataTusinLink, &GetDataTusinLink>;

} // namespace kb
