#pragma once
// DataSetHolder: ties the "in use" mark of a data folder ([DATASTS] STATUS=2 in "vqacc.ini") to
// the process that set it, so a mark left by a process that died can be told from a live one.
//
// While this program uses a data set it keeps the hidden file ".vqacc.inuse" in the data folder
// open with an exclusive flock, holding "COMPUTER=<computer name>" and "PID=<pid>". The lock ends
// with the process however it ends, so on this computer a mark whose holder file can be locked has
// no live holder. A mark without the file (another program of the family, an older run) or naming
// another computer is never judged here: the refusal stays as it is.

#include <string>

namespace kb {

struct DataSetHolder {
    // Takes the holder file of folder for this process (before the mark is written). False when
    // another live process holds it, or the file cannot be written; the use goes on regardless.
    static bool Take(const std::string& folder);
    // Gives it up and removes it (after the mark was cleared).
    static void Release(const std::string& folder);
    // The holder file's path.
    static std::string FileName(const std::string& folder);
};

// True when the folder's information file says "in use" (status 2) and the mark was set on this
// computer by a process that no longer runs.
bool IsStaleInUseMark(const std::string& folder);
// When IsStaleInUseMark: the status goes back to free (operator keys removed, in one save) and the
// holder file goes. Returns true when it cleared a mark. Stand-alone mode only, as every write of
// the information file.
bool ClearStaleInUseMark(const std::string& folder);

} // namespace kb
