#pragma once
// z5ComMyNumber: the individual-number (マイナンバー) settings of a data set (ACCREG group
// "基本設定": "＃USE", "＃KEY", "＃VALUE") and their operation log MYNUMBER_LOG, with the management
// password check. See docs/backup.md.
//
// The two texts are stored protected. Texts protected by the Windows edition do not decode here
// (they read as ""), so the stored forms are kept byte for byte and written back as they were;
// the decoded text serves only the password check.
//
// Operations on a data set given by host and database path use the open data set when it is that
// one, and otherwise a connection of their own, so the open data set is never touched by a job on
// another. No operation raises: failures are reported and answered with false.

#include "core/DataModulePassword.h"
#include "core/ScopedInstall.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kb {

class TDM;
namespace fb {
class Connection;
class Transaction;
} // namespace fb

// One log row. FHIZUKE is the column's own text "yyyy-mm-dd hh:nn:ss.zzzz" (1/10000 s), so a row
// read back is found again exactly; empty means "now" when the row is added.
struct TMyNumberLogRec {
    std::string FHIZUKE;
    std::string FSERIAL;
    std::string FOPCODE;
    std::string FOPNAME;
    std::string FHOST;
    std::uint8_t FSTATE = 0;
    std::string FPROCNAME;
    std::string FCOMMENT;
};
using TMyNumberLogList = std::vector<TMyNumberLogRec>;

// What the individual-number steps show; ui installs one (TMyNumberUi), tests a script.
class IMyNumberUi {
public:
    virtual ~IMyNumberUi() = default;
    // The management password prompt (masked input dialog), modal and centred. False when it was
    // closed other than with OK.
    virtual bool AskPassword(const TDataPasswordAsk& ask, std::string& entry) = 0;
    // A confirmation box with Yes and No: true for Yes.
    virtual bool Confirm(const std::string& line) = 0;
    // An information box.
    virtual void Inform(const std::string& line) = 0;
    // A warning box.
    virtual void Warn(const std::string& line) = 0;
};
void SetMyNumberUi(IMyNumberUi* ui);
IMyNumberUi* GetMyNumberUi();
using TScopedMyNumberUi = TScopedInstall<IMyNumberUi*, &SetMyNumberUi, &GetMyNumberUi>;

// The texts of the management password prompt on try 1..3.
TDataPasswordAsk MyNumberPasswordAsk(int attempt);
// True at once for an operator without the administrator right; false for an empty password;
// otherwise up to three tries (half- and full-width blanks trimmed). Throws std::logic_error when
// it must ask and no ui is installed.
bool MyNumberPasswordCheck(const std::string& password);
// The log comment of an operation code for a process.
std::string MyNumberLogComment(int code, const std::string& processName);

inline constexpr const char* kMyNumberGroup = "基本設定";
inline constexpr const char* kMyNumberUse = "＃USE";
inline constexpr const char* kMyNumberKey = "＃KEY";
inline constexpr const char* kMyNumberValue = "＃VALUE";
inline constexpr const char* kMyNumberClear = "MyNumber_Clear";

class TMyNumberIO {
public:
    explicit TMyNumberIO(TDM& dm);
    ~TMyNumberIO();

    std::string LogShougou;
    int LogCount = 0;
    TMyNumberLogList LogList;
    TMyNumberLogRec WorkRec;
    int Use = 0;
    std::string Password;   // ＃KEY restored ("" when it does not decode)
    std::string SecondText; // ＃VALUE restored
    std::string StoredKey;   // ＃KEY as stored
    std::string StoredValue; // ＃VALUE as stored

    void MakeLogRec(TMyNumberLogRec& rec, int code, const std::string& processName) const;
    // On the open data set.
    bool ReadLogList(int order);
    bool AddLog(TMyNumberLogRec& rec);
    bool DeleteLog(const TMyNumberLogRec& rec);
    // On the data set of path (folder + "/vqacc.fdb"); nothing (false) when the file is not there.
    bool ReadLogListOfData(const std::string& host, const std::string& path);
    bool AddLogToData(TMyNumberLogRec& rec, const std::string& host, const std::string& path);
    bool MergeLog(const std::string& host, const std::string& path);
    // Reads the settings; with "MyNumber_Clear" also clears them in the data set (after keeping
    // them in the safety copy) and logs operation 3. False when anything failed.
    bool ReadSetting(const std::string& host, const std::string& path, const std::string& command,
                     const std::string& processName);
    // Puts the settings read last back (only when ＃USE was 1), removes the operation-3 row the
    // clearing wrote and the safety copy.
    bool WriteSetting(const std::string& host, const std::string& path);

    // The current time as the log column's text; tests replace it to make two rows collide.
    static std::function<std::string()> Clock;

private:
    struct Target;
    bool OpenTarget(const std::string& host, const std::string& path, Target& t);
    bool AddLogOn(fb::Connection& db, fb::Transaction& tr, TMyNumberLogRec& rec);
    bool ReadLogListOn(fb::Connection& db, fb::Transaction& tr, int order);

    TDM& dm_;
};

// ---- the safety copy of cleared settings
// Where the settings of host + path are kept while a backup runs without them.
std::string MyNumberSafetyCopyPath(const std::string& host, const std::string& path);
// Called when a data set has been connected: when a safety copy of it is there and no backup
// job runs, the settings are written back and the copy deleted (a job that stopped between the
// clear and the write-back left it).
void RepairMyNumberSetting(TDM& dm, const std::string& host, const std::string& folder);

} // namespace kb
