#pragma once
// The update script of one step and the run of the database's SQL tool over it.
//
// Every step writes "vqzdataup.sql" into SystemDef.TempDir: a header comment, an empty line, the
// CONNECT line, the step's statements and version record, "EXIT;". The file is CP932 with CR LF.
// The CONNECT line names only the database: the tool logs on with ISC_USER and ISC_PASSWORD from
// its environment, so no password ever lands in the script or, through the echo, in the logs.
//
// RunDataUpScript starts isql-fb with "-b" (nothing runs after a failed statement) and judges the
// run by the tool's exit status; a missing or unreadable output counts as a failure too.

#include <string>
#include <vector>

namespace kb {

inline constexpr const char* kDataUpScriptName = "vqzdataup.sql";
inline constexpr const char* kDataUpLogName = "vqzdataup.log";
inline constexpr const char* kDataUpErrText = "ErrDataup.txt";
inline constexpr const char* kDataUpErrLog = "ErrDataup.log";

// A text as an SQL string literal, quotes included: every single quote doubled. Every text that
// goes into a script literal passes through here.
std::string SqlLiteral(const std::string& text);

// The time as version memos carry it ("yyyy/mm/dd hh:nn:ss", now).
std::string DataUpTimeText();

// Per-version files of the installation: SystemDef.SqlDir + "/" + the three numbers written
// together + "/" + name.
std::string PerVersionFile(int major, int minor1, int minor2, const std::string& name);

class TDataUpScript {
public:
    // kind 0: the system database (SysDir, DataDefFileName); 1: the open data set's database.
    explicit TDataUpScript(int kind);

    void Add(const std::string& line) { lines_.push_back(line); }
    void Add(std::initializer_list<std::string> lines) { lines_.insert(lines_.end(), lines); }
    // "INSERT INTO VERSION(...) VALUES(...);" (system) or "UPDATE ACCVERSION ... WHERE REC=1;".
    void AddVersionRecord(int major, int minor1, int minor2, const std::string& memo);
    // The system version record on two lines, as the later steps write it.
    void AddVersionRecordTwoLines(int major, int minor1, int minor2, const std::string& memo);
    // Appends the non-empty lines of a per-version file (UTF-8 in the repository, CP932 once
    // installed: either is read). False, and nothing added, when the file cannot be read.
    bool AddFile(const std::string& path);
    const std::vector<std::string>& Lines() const { return lines_; }

    // Writes the script into SystemDef.TempDir (replacing an earlier one). Throws on failure.
    void Save() const;
    static std::string ScriptPath();
    static std::string LogPath();

private:
    int kind_;
    std::vector<std::string> lines_;
};

// Runs the saved script through the SQL tool: 1 done, 16 the tool failed, 17 the tool could not be
// started, 18 no script. versionText ("%d.%d.%d") names the step in the failure message. The
// script is removed after the tool ran; the tool's output never stays behind.
int RunDataUpScript(const std::string& versionText);

// The SQL tool: set by tests (an empty text goes back to the default), else "isql-fb" in
// SystemDef.ExeDir when it is there, else "isql-fb" on the PATH.
void SetDataUpToolPath(const std::string& path);
std::string DataUpToolPath();

// The memo of the later system steps: time, operator code, operator name and computer, cut to 127
// CP932 bytes without splitting a character, then trimmed.
std::string OperatorMemo();

} // namespace kb
