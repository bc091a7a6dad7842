#pragma once
// The small reads and writes a transfer makes inside the database of the data set concerned
// (which need not be the open one): its version, its cloud-share area and time, approved journal
// entries, the consolidation settings kept across a receive, and the comparison lines shown before
// a restore. Each job opens its own connection to "vqacc.fdb" of the folder, commits and closes.
// Failures are reported through the database error reporter and end the job as failed.

#include "platform/Date.h"

#include <string>
#include <vector>

namespace kb {

struct TDataInfomationRec;

class TDataTusinDb {
public:
    explicit TDataTusinDb(std::string folder) : folder_(std::move(folder)) {}

    // flag 1: reads the version; flag 0: clears the cloud-share area (when the version has it).
    bool GetDataVersion(int flag, int& major, int& minor1, int& minor2);
    bool SetCloudTime(const DateTime& time);
    bool HasApprovedSiwake();
    bool ReadGassanSettings(std::string& kubun, std::string& count);
    bool WriteGassanSettings(const std::string& kubun, const std::string& count);

    // The cloud columns exist from database version 11.0.1.
    static bool CloudColumnsExist(int major, int minor1, int minor2);
    // Product edition text for the list.
    static std::string GetVersionText(int major, int minor);

private:
    std::string DatabaseName() const;
    std::string folder_;
};

// The difference lines before a restore; an unusable record gives one warning text in `invalid`.
std::vector<std::string> CompareDataInfoLines(const std::string& label, const TDataInfomationRec& incoming,
                                              const TDataInfomationRec& local, bool eraForm, std::string& invalid);

} // namespace kb
