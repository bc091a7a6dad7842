#pragma once
// TCloudShareIO: the cloud-share line of a data set (ACCDEF1.CLOUD_LINE of row 1; 0 = not tied),
// for a data folder that may or may not be the one connected now. The line exists from data version
// 11.0.1; below it nothing is read or written. In stand-alone mode the information file's
// DATAINFO/CLOUD_SHARE mirrors it as a flag.

#include "fb/Database.h"

#include <memory>
#include <string>

namespace kb {

class TCloudShareIO {
public:
    TCloudShareIO();
    ~TCloudShareIO();

    // True when written or nothing to write.
    bool SetSetting(const std::string& host, const std::string& folder, int line);
    bool ClearSetting(const std::string& host, const std::string& folder) { return SetSetting(host, folder, 0); }
    // The line; 0 when none or on a failure.
    int GetSetting(const std::string& host, const std::string& folder);

private:
    template <class F>
    bool Run(const std::string& host, const std::string& folder, bool set, F&& body);
    std::unique_ptr<fb::Transaction> Transaction;
};

} // namespace kb
