#pragma once
// The data-communication engine: the fields the data-communication form works with, the status
// requests around a transfer, and the send and receive of a whole data set (backup, LHA archive,
// ".wen" cipher, FTP with a rollback of the remote copy). The form (TfmDataTusin) owns one engine
// and fills the interfaces below; tests fill them with recorders. Nothing here shows a widget.

#include "comm/StatusReply.h"
#include "platform/Date.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kb {

enum class TWaitLineState { Idle, Running, Done, Hidden };

// What the engine shows: messages (a single Yes button), confirmations (Yes/No) and the wait form
// of a transfer with its step lines.
class ITusinView {
public:
    virtual ~ITusinView() = default;
    virtual void Information(const std::string& text) = 0;
    virtual void Warning(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    virtual bool Confirm(const std::string& text) = 0;
    // The differences found before a restore (caption "データ照合チェックの結果"); true only when
    // the user ticked the consent ("データ" + label + "処理の続行に同意します。") and pressed OK.
    virtual bool AgreeDifferences(const std::string& label, const std::vector<std::string>& lines) = 0;
    virtual void WaitOpen(const std::string& caption, const std::vector<std::string>& lines) = 0;
    virtual void WaitLine(int line, const std::string& text, TWaitLineState state) = 0;
    virtual void WaitClose() = 0;
    // Escape is dropped while the archiver holds the thread.
    virtual void EscGuard(bool on) = 0;
    // The list's delete and execute buttons (off after a failed check and during a relay receive).
    virtual void ListButtons(bool enabled) = 0;
};

// The local data set around a transfer: backup before a send, restore after a receive, and the
// small reads and writes in its database.
class ITusinDataSide {
public:
    virtual ~ITusinDataSide() = default;
    // Backs the data set up into backupFile; reports its own failures; true on success.
    virtual bool SaveSendData(const std::filesystem::path& backupFile) = 0;
    // Restores the received backup with its checks and consent; reports its own failures.
    virtual bool RestoreReceivedData(const std::filesystem::path& backupFile) = 0;
    // Stores the cloud-share time in the data set (false when it could not).
    virtual bool SetCloudTime(const DateTime& time) = 0;
    // Consolidation settings kept across a receive.
    virtual bool ReadGassanSettings(std::string& kubun, std::string& count) = 0;
    virtual void WriteGassanSettings(const std::string& kubun, const std::string& count) = 0;
};

// The management-analysis hand-off of a relay data send (cloud division 1).
class IRelayHandOff {
public:
    virtual ~IRelayHandOff() = default;
    // The web-meeting date question; false cancels the send silently.
    virtual bool AskMeetingDate() = 0;
    virtual bool Upload() = 0;
    virtual void ResetMeetingDate() = 0;
};

class TDataTusinEngine {
public:
    TDataTusinEngine(ITusinView& view, ITusinDataSide& data);

    // ---- the engine's fields
    int SyoriType = 1;
    std::string FileName = "vqacc.fbk";
    std::string DataFolder;
    std::string WaitCaption;
    std::uint8_t AutoRun = 0;
    int CloudKubun = 0;
    TServerInfo ServerInfo;
    TCloudTimes CloudTimes;
    DateTime ServerTime;
    std::string OpText, OpTextEnc, PcText, PcTextEnc;
    std::string InUseOpCode, InUseOpName;
    int DataVerMajor = 0, DataVerMinor1 = 0, DataVerMinor2 = 0;
    std::string VersionText;
    int FolderIndex = 0;
    std::string ReceiveFolder;
    std::uint8_t LoaderReported = 0;
    std::uint8_t Completed = 0;
    std::string GassanKubun, GassanCount;
    std::string ProcessName = "データ通信";

    // The relay folder chosen in the list (row 0 = folder "01").
    int SelectedRow = 0;
    // The pause after every change of a wait line; tests set 0.
    double PauseSeconds = 0.48;
    // The hand-off of a relay send to the analysis cloud; none yet.
    IRelayHandOff* HandOff = nullptr;

    // ---- status requests
    bool CheckServer();
    bool SetShareStatus(int area, int shareFlag);
    bool NotifyCloudReceive();

    // ---- whole transfers: true = failed or cancelled, false = done
    bool SendData();
    bool ReceiveData();

    static std::string FolderText(int number); // "01" .. "10"

private:
    bool IsCloud() const { return SyoriType >= 20; }
    int RemoteFolder() const;
    std::string Id() const;
    std::string Password() const;
    std::string BaseName() const; // "vqacc" or "xqacc"
    std::filesystem::path WorkFolder(bool send) const;
    void Pause() const;
    void Line(int line, const std::string& text, TWaitLineState state);
    void FailMessage(const std::string& text); // closes the wait form, then the error
    std::vector<TStatusParam> Params(std::vector<TStatusParam> rest) const;
    // The raw reply, or false after a connection or read failure.
    bool Request(int code, const std::vector<TStatusParam>& params, std::string& raw) const;
    bool Upload(const std::filesystem::path& local, std::uintmax_t localSize);

    ITusinView& view_;
    ITusinDataSide& data_;
};

} // namespace kb
