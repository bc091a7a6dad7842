#pragma once
// Saving, restoring and checking a database through the database server: the Firebird service
// manager (protocol Local, this process's engine; or TCP to a host), or gbak run as a child
// process when the server is elsewhere. Also the journal counts that the save and list dialogs
// show, and the removal of the operators-in-use rows after a restore. Free functions over the data
// module (the methods of TDM in the system's design). See docs/backup.md.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace kb {

class TDM;

// Service protocols as the system numbers them.
inline constexpr std::uint8_t kProtocolTCP = 0;
inline constexpr std::uint8_t kProtocolLocal = 3;

// Raised by the gbak routes (their own failures, with the texts the user sees).
struct EDbToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Called with every output line of a service or after every poll of gbak (empty line); the ui
// installs one that keeps the window responsive. Returning false asks to stop: the service output
// is abandoned, gbak is ended, and the run counts as failed.
using TDbJobProgress = std::function<bool(const std::string& line)>;
void SetDbJobProgress(TDbJobProgress progress);

// Backup through the service; with direct false it is written to "vqacc.fb_" in the database's
// folder first and then moved over backupFile (the old file stays until the new one is there).
bool BackupFDB(TDM& dm, std::uint8_t protocol, const std::string& host, bool direct, const std::string& backupFile,
               const std::string& dbPath);
// Restore through the service; reconnects a restored data set once to empty OPINF; ends with the
// data database disconnected.
bool RestoreFDB(TDM& dm, std::uint8_t protocol, const std::string& host, bool keepIndexes, const std::string& backupFile,
                const std::string& dbPath);
// Host "127.0.0.1": BackupFDB with protocol Local. Any other host (also empty): gbak, with the
// database "host:dbPath" or plain dbPath. Raises EDbToolError when gbak cannot start or fails (a
// non-zero exit, "ERROR" in its log, no log, or no backup written); the old backup file stays.
bool BackupFDBByGbak(TDM& dm, const std::string& host, bool direct, const std::string& backupFile, const std::string& dbPath);
// As BackupFDBByGbak for the restore; false without running anything when backupFile is missing;
// reports its failures itself (false).
bool RestoreFDBByGbak(TDM& dm, const std::string& host, bool keepIndexes, const std::string& backupFile,
                      const std::string& dbPath);

enum class TValidateResult { Intact, Damaged, NotChecked };
// Damaged only on validation output or a corruption code; a lock, login, network or missing-file
// error gives NotChecked. The data connection is closed for the check and opened again when it
// had been open.
TValidateResult ValidateDatabaseResult(TDM& dm, std::uint8_t protocol, const std::string& host, const std::string& dbPath);
// True unless the database was found damaged (an unchecked database is not marked broken).
bool ValidateDatabase(TDM& dm, std::uint8_t protocol, const std::string& host, const std::string& dbPath);

// "DELETE FROM OPINF" on the open data set.
void DeleteOpInf(TDM& dm);
// The restore's last step for a data set restored under another name and moved into its folder:
// connect it, empty OPINF, disconnect. False (reported) when it cannot be connected.
bool ClearRestoredOpInf(TDM& dm, const std::string& host, const std::string& folder);
// Journal counts of the open data set (scode blank: all facilities). Report and raise on failure.
int GetYukouSiwakeCount(TDM& dm, const std::string& scode);
int GetUpDelSiwakeCount(TDM& dm, const std::string& scode);
int GetSiwakeCount(TDM& dm, const std::string& scode, int& valid, int& changed);
int GetSiwakeCountOf(TDM& dm, const std::string& scode);

// The gbak program: SystemDef.ExeDir + "/gbak" when present, else "gbak" from PATH.
std::string GbakPath();

} // namespace kb
