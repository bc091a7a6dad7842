#pragma once
// DataModule: TDM, the single owner of the connections to the three databases of the system
// (system "vqaccdef.fdb", the open data set's "vqacc.fdb", the file-manager "vqfileman.fdb"),
// their transactions and standing statements. One instance, DM, lives for the whole run; the
// main form creates it (CreateDM) after the program INI has been read.
//
// Transaction convention of every database routine: remember whether the connection's transaction
// is active, start it only when it is not, and commit or roll back only what the routine started
// (fb::TransactionGuard does exactly this), so callers may bracket several calls in one transaction.
//
// Timers: the two timers of the module are flags with a handler; the application's event loop
// calls ProcessTimers() about every 100 ms, which runs the handler of each enabled timer. Core
// code stays free of any event loop.

#include "core/ScopedInstall.h"
#include "fb/Database.h"
#include "fb/Service.h"
#include "fb/Statement.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kb {

// Records the use of a data set in its folder information file and in the data list
// (installed by the data-set information code; the data module only calls it).
class IDataSetUseRecorder {
public:
    virtual ~IDataSetUseRecorder() = default;
    // After a data set was connected with use recording.
    virtual void RecordUseStart(const std::string& folder) = 0;
    // Before a data set is disconnected: end of use and/or data-list update.
    virtual void RecordUseEnd(const std::string& folder, bool recordUseEnd, bool listUpdate) = 0;
};
void SetDataSetUseRecorder(IDataSetUseRecorder* recorder);
IDataSetUseRecorder* GetDataSetUseRecorder();
using TScopedDataSetUseRecorder = TScopedInstall<IDataSetUseRecorder*, &SetDataSetUseRecorder, &GetDataSetUseRecorder>;

// Closes a window asynchronously (the user interface installs it; the handle is what it put
// into TimerFormClose.Tag).
using TPostCloseHook = std::function<void(std::intptr_t window)>;
inline TPostCloseHook PostCloseHook;

class TDM;
// Called right after a data set was connected (before its use is recorded); the accounting layer
// installs the repair of settings a stopped job left cleared.
using TDataConnectedHook = std::function<void(TDM& dm, const std::string& host, const std::string& folder)>;
inline TDataConnectedHook DataConnectedHook;

struct TDMTimer {
    bool Enabled = false;
    int Interval = 100; // ms
    std::intptr_t Tag = 0;
};

class TDM {
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // ---- components (names as the rest of the system knows them)
    fb::Connection IBDatabaseDEF;
    fb::Transaction IBTransactionDEF;
    fb::Connection IBDatabaseDAT;
    fb::Transaction IBTransactionDAT;
    fb::Transaction IBTransactionDATSS;      // snapshot reads ("concurrency", "nowait")
    fb::Transaction IBTransactionDATStable;  // "write", "consistency"
    fb::Connection IBFileMan;
    fb::Transaction IBTransFileMan;
    fb::Statement IBQSysDefGet;  // system database
    fb::Statement IBQSysDefPut;
    fb::Statement QueryDef;
    fb::Statement IBSQLDEF;
    fb::Statement IBQACC1;       // data database
    fb::Statement IBQACC2;
    fb::Statement IBQACC3;
    fb::Statement IBQueryFileMan; // file-manager database
    fb::Statement IBSQLFileMan;
    TDMTimer TimerFormClose;
    TDMTimer TimerSyoriKidou;

    // ---- connections
    bool fnAccDefConnected(const std::string& host, bool report);
    bool fnFileManConnected(const std::string& host);
    bool fnAccDatConnected(const std::string& host, const std::string& folder, bool recordUse);
    bool fnAccDatDisConnected(const std::string& folder, bool recordUseEnd, bool updateList);
    // True when the server reports the database file as attached; kind 0 system, 1 data.
    bool AccDatInConnection(std::uint8_t kind, const std::string& host, bool keepOwn, const std::string& folder);
    bool AccDatDropDatabase(const std::string& host, const std::string& folder);
    // 1 intact or not checked, 0 damaged.
    // Needs no open data module: a reader without one (or before one) may ask as well.
    static int CheckDataDamage(const std::string& host, const std::string& folder, bool force, int quiet);

    // ---- timers
    void TimerFormCloseTimer();
    void TimerSyoriKidouTimer();
    void ProcessTimers();
    // Opens a registered form later, from the timer (fills the pending job and enables the timer).
    void QueueRegisteredForm(const std::string& name, int mode, const std::string& params);

    // ---- helpers the data-access code of the system shares
    // The database name by the server path rule: "host:folder/file" in the server modes with a
    // host other than "127.0.0.1", else "folder/file".
    static std::string ServerPath(const std::string& host, const std::string& folder, const std::string& file);
    // "user_name=", "password=" (and "lc_ctype=SJIS_0208" for database connections).
    static void SetLoginParams(fb::Connection& c);
    // A service-manager client with the login of SystemDef: on host over TCP in the server modes
    // with a host other than "127.0.0.1", else the local engine.
    static std::unique_ptr<fb::Service> CreateService(const std::string& host);
    static bool UsesTcp(const std::string& host);

private:
    void CloseAfterFailedConnect();
    std::string PendingFormName;
    int PendingFormMode = 0;
    std::string PendingFormParams;
};

inline TDM* DM = nullptr;
// Creates the one data module into DM (replacing none) and frees it.
void CreateDM();
void FreeDM();

} // namespace kb
