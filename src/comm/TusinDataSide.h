#pragma once
// The engine's data side on a real data set: the small jobs in its database (TDataTusinDb), and
// the backup and restore around a transfer.

#include "comm/DataTusinEngine.h"

#include <string>

namespace kb {

class TTusinDataSide : public ITusinDataSide {
public:
    // folder: the data folder of the current type (SystemDef.DataDir, or the cloud call's folder).
    explicit TTusinDataSide(std::string folder) : folder_(std::move(folder)) {}
    bool SaveSendData(const std::filesystem::path& backupFile) override;
    bool RestoreReceivedData(const std::filesystem::path& backupFile) override;
    bool SetCloudTime(const DateTime& time) override;
    bool ReadGassanSettings(std::string& kubun, std::string& count) override;
    void WriteGassanSettings(const std::string& kubun, const std::string& count) override;

private:
    std::string folder_;
};

} // namespace kb
