#pragma once
// The update steps of the two database kinds and the check that finds the pending ones.
//
// Each kind has one ordered list of steps, oldest first; a step brings a database from the version
// before it to its own. The lists are built from the registration routines of the step units
// (z5SystemDbUpdateNNN, z5UserDbUpdateNNN) every time a plan is made: nothing registers itself at
// start-up, and a new step is one more registration call at its place.
//
// TDbUpdatePlan holds what the update dialog and the data selection ask: the version of one
// database, the target version, the pending range and how many pending steps want a backup.

#include "core/z5DateVersion.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kb {

class TDM;

// Result codes of a step routine.
inline constexpr int kStepDone = 1;
inline constexpr int kStepToolFailed = 16;    // the SQL tool reported a failed statement
inline constexpr int kStepToolNotStarted = 17;
inline constexpr int kStepFileMissing = 18;   // the script or a per-version file is missing
inline constexpr int kStepConversionFailed = 19;

struct TDbUpdateListRec {
    int Major = 0;
    int Minor1 = 0;
    int Minor2 = 0;
    std::function<int()> ExecProc; // 1 done, any other value failed
    int NeedBackup = 0;
    std::string Title;
    std::string Memo; // lines separated by "\r"
};
using TArrayDbUpdateListRec = std::vector<TDbUpdateListRec>;

// What a registration routine does: fills all seven fields of its slot.
void FillDbUpdateListRec(TDbUpdateListRec& r, int major, int minor1, int minor2, std::function<int()> proc, int backup,
                         std::string title, std::string memo);

// "%d.%d.%d" of a step or version.
std::string VersionText(int major, int minor1, int minor2);
std::string VersionText(const TDbUpdateListRec& step);
std::string VersionText(const TVersionRec& v);

TArrayDbUpdateListRec BuildSystemDbUpdateList(); // the 18 system steps
TArrayDbUpdateListRec BuildUserDbUpdateList();   // the 62 accounting steps

// Test seam: lists built while it is set end at the given version (steps after it are left out),
// so a test can bring a database to an intermediate version. kind 0 system, 1 accounting.
void SetDbUpdateListEnd(int kind, std::optional<TVersionRec> last);
std::optional<TVersionRec> GetDbUpdateListEnd(int kind);

class TDbUpdatePlan {
public:
    TDbUpdatePlan(); // builds both lists

    TArrayDbUpdateListRec SystemList;
    TArrayDbUpdateListRec UserList;
    int Kind = 0; // 0 system database, 1 accounting database
    TVersionRec DbVersion;
    TVersionRec TargetVersion;
    bool NeedUpdate = false;
    int FirstPending = -1;
    int LastPending = -1;
    int BackupCount = 0;

    const TArrayDbUpdateListRec& CurrentList() const { return Kind == 0 ? SystemList : UserList; }

    // Computes the state for one database: from versionText when it is not empty (no database is
    // read), else from the connected database of kind in dm (SetDbVersion).
    void PrepareUpdate(int kind, const std::string& versionText, TDM* dm);
    // Three dotted parts, each a number or read as 0; any other shape reads as 0.0.0.
    void SetDbVersionFromText(const std::string& text);
    // The highest row of VERSION (kind 0) or ACCVERSION (kind 1). A failure is reported and leaves
    // 0.0.0, so that every step counts as pending.
    void SetDbVersion(TDM& dm);
};

// The answer the data selection asks for a row: whether an accounting database of this version
// text is older than the newest accounting step.
bool AccountingDataNeedsUpdate(const std::string& versionText);

} // namespace kb
