#pragma once
// The data communication as the data selection and the wizard reach it (IDataTusinLink): the
// cloud-share fetch, return and release of a data folder run on the communication's engine, data
// side and cloud-share calls, with the program's message boxes and wait form. The shared-data
// chooser and the cloud-share settings form are not part of this program yet and say so.

#include "dataselect/DataTusinLink.h"

namespace kb {

class TAppDataTusinLink : public IDataTusinLink {
public:
    int ChooseSharedData(QWidget* owner, TServerChoice& choice) override;
    int ExecuteCloudShare(QWidget* owner, const std::string& folder, TCloudShareChoice& choice) override;
    // automatic 1: no settings questions (the wizard's calls).
    int CloudShareSend(const std::string& folder, int automatic) override;
    int CloudShareReceive(const std::string& folder, int automatic) override;
    int ReleaseCloudShare(const std::string& folder) override;
};

} // namespace kb
