#pragma once
// TBackupRestoreThread: one database job of the data management on a worker thread: back up a
// data set or the system database into a backup file (with the information trailer), restore a
// backup onto a data folder, copy a database into another file, or rebuild one in place. Every
// step runs on the user-interface thread (Synchronize), so its boxes are ordinary modal dialogs;
// the worker only waits. See docs/backup.md.
//
// Calling pattern: set the fields, Resume(), then WaitMSec(300) until GetTerminated(); read
// Success and ErrInfo, show the error, delete the object. Only one job runs in the process at a
// time: Resume refuses a second one (a step that keeps windows responsive could otherwise start
// another job from a click).

#include "core/uAccRecord.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kb {

class TDM;

inline constexpr const char* kZoneMarker = "## LumoraZone";

// True while a job of TBackupRestoreThread runs in this process.
bool BackupRestoreJobRunning();

class TBackupRestoreThread : public QThread {
public:
    explicit TBackupRestoreThread(TDM& dm);
    ~TBackupRestoreThread() override;

    std::int32_t Mode = 0; // 0 backup, 1 restore, 2 copy, 3 rebuild
    std::uint8_t Route = 0; // 0 direct; 1 through the file-transfer database (gbak without it)
    std::uint8_t CheckMyNumberFlag = 1;
    std::string HostName;
    std::string DatabaseFile;
    std::string DestFile;
    std::string BackupFile;
    std::uint8_t ActivateIndexes = 0;
    std::uint8_t Success = 0;
    TErrInfomation ErrInfo;
    std::uint8_t WriteZone = 0;
    std::uint8_t AskMyNumber = 0;
    std::uint8_t IncludeMyNumber = 0;
    std::uint8_t ClearMyNumber = 0;
    std::int32_t MyNumberLogOp = 0;
    std::string ProcessName;
    // The information trailer.
    std::string SHOUGOU;
    std::string KISHU;
    std::string KIMATU;
    std::int32_t SIWAKE = 0;
    std::int32_t TOTALSIWAKE = 0;
    std::string DATAVARSION;
    std::int32_t GASSAN = 0;
    std::int32_t USEMYNUMBER = 0;

    // Starts the job. False, with the job ended (terminated, ErrInfo set), when another job runs.
    bool Resume();
    bool GetTerminated() const { return terminated_.load(); }

    void ClearZoneInfo();
    // Appends the trailer (CP932 lines ended by CR LF); nothing when SHOUGOU is empty.
    void WriteZoneInfo(const std::string& file);
    // Reads the trailer into the fields (strip: and removes it from the file); true when a
    // non-empty SHOUGOU was read.
    bool ReadZoneInfo(const std::string& file, bool strip);

    // Test seam: called after the individual-number settings were cleared for a backup; false
    // stops the job there, as a crash would (nothing is written back).
    static std::function<bool()> AfterMyNumberClear;

protected:
    void run() override;

private:
    void Execute();
    void Synchronize(const std::function<void()>& step);
    void SetError(int code, const std::string& message, const std::string& detail);
    void CheckMyNumber(bool backup);
    void BackupDatabase();
    void RestoreDatabase();
    void CopyDatabase();
    void RebuildDatabase();
    bool BackupByRoute0(const std::string& target);
    bool RestoreIntoNewFile(const std::string& backup, const std::string& target, bool byGbak, bool overTcp);
    void BackupRoute1();
    void RestoreRoute1();

    TDM& dm_;
    std::atomic<bool> terminated_{false};
    bool stopped_ = false; // the seam stopped the job
};

// Starts the job and waits for its end, polling every 300 ms while the event loop runs. True when
// it succeeded; otherwise its reason (message and detail) is logged under context.
bool RunBackupRestoreJob(TBackupRestoreThread& job, const std::string& context);
// The job's reason as the boxes show it: the message, "\r" and the detail.
std::string JobErrorText(const TBackupRestoreThread& job);

} // namespace kb
