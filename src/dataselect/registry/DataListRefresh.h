#pragma once
// The lines of the data list and their refresh, as plain code the data selection's grid shows.
//
// A line stands for a loaded registry row or one of its members (TDataListLine: typed facts, never
// texts in hidden cells). TDataListRefresher keeps the rows true to their data folders: a folder
// with its data file gives the row its facts (written to the registry only where they differ), a
// folder without it turns a named row into an empty slot (and a member out of its parent), and the
// member rows of a consolidated data set are rebuilt from its sub-folders. The refresher reports
// what changed through IDataListLines; the grid redraws it.

#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/z5ComDataSentaku.h"

#include <functional>
#include <future>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kb {

// One line of the data list.
struct TDataListLine {
    int RowIndex = -1;       // the loaded row (index into the rows)
    int ChildIndex = -1;     // the member within the row; -1 for the row itself
    int Gassan = 0;          // consolidation kind; 10 for a member
    int DataLock = 0;        // operator code of the data lock (0 none)
    int ShareState = 0;      // 0 local data, 1 kept on the shared server, 2 this operator holds the working copy
    std::string VersionText; // "15.0.0"
    int UpdateFlag = 0;      // the row's UPDATE_LOCK; once evaluated, 1 only when an update is needed too
    int DataStatus = 0;      // 1 damaged
    int Cloud = 0;
    int ReadOnly = 0;

    bool IsMember() const { return Gassan == 10; }
};

// A data path that is empty or blank.
inline constexpr const char* kBadDataPathText = "データフォルダパスが不正です。\r処理を中止します。";

// The facts of a line showing row (a member when childIndex >= 0).
TDataListLine LineOf(const TDataListRec& row, int rowIndex, int childIndex);
// The lines of the loaded row at index: the row, then its members (numbered "01 " ... in their
// display names). None for an index out of range or a kind above 2 that is not a member.
std::vector<TDataListLine> EntryLines(TDataSentakuRecArray& rows, int index);
// The record a line shows; nullptr when the line points nowhere.
TDataListRec* RowOf(TDataSentakuRecArray& rows, const TDataListLine& line);
const TDataListRec* RowOf(const TDataSentakuRecArray& rows, const TDataListLine& line);
// The data folder of a row: its PASNAME, or for a row of the shared server the slot folder below
// SystemDef.SysDir (and the member's own folder below that).
std::string DataFolderOf(const TDataListRec& row);
// Whether an update-locked line also needs an update of its data (the grey rule).
bool LineNeedsUpdate(const TDataListLine& line);
// A row from its folder's information (mode 0), or made an empty slot keeping its place (mode 1).
void SetRowFromInfo(TDataListRec& row, const TDataFolderInfoRec& info, int mode);

// What the refresh needs of the list it walks.
class IDataListLines {
public:
    virtual ~IDataListLines() = default;
    virtual int LineCount() const = 0;
    virtual const TDataListLine& Line(int line) const = 0;
    // The loaded row whose first line is at line changed: its lines are to be drawn anew (their
    // number may change).
    virtual void RowChanged(int line, int rowIndex) = 0;
    // The line shows damaged data.
    virtual void LineDamaged(int line) = 0;
};

// Progress and cancel of a whole refresh.
struct TRefreshProgress {
    std::function<bool()> Cancelled;            // asked before each line
    std::function<void(int line)> LineStarting; // before the line is refreshed
    std::function<void(int line)> LineDone;     // after it (a view gives way to its event loop here)
};

class TDataListRefresher {
public:
    TDataListRefresher(TDataSentakuListCtl& ctl, TDataSentakuRecArray& rows, IDataListLines& lines);
    ~TDataListRefresher();

    // Every line from the first, until the progress says cancelled.
    void RefreshAll(const TRefreshProgress& progress);
    // One line. A failure is reported (ShowErrorDetail) and ends this line's refresh only.
    void RefreshLine(int line);
    // The members of the row at line anew from its folder's sub-folders (stand-alone mode only).
    void RebuildChildRows(int line);
    // The member at line out of its row (all: every member, their registry rows and folders).
    void ClearChildRows(int line, bool all);
    // The line of the row a member line belongs to (the line itself for a row).
    int ParentLine(int line) const;
    // Writes a row's registry columns; a row without a folder is refused (std::runtime_error).
    void SaveRow(TDataListRec& row);

    // The information of the folder refreshed last.
    TDataFolderInfoRec Info;

private:
    void RefreshWhole(int line, TDataListRec& rec);
    void PrefetchFacts(int fromLine, int count);
    int ReadFacts(const std::string& folder, TDataFolderInfoRec& rec);

    TDataSentakuListCtl& ctl_;
    TDataSentakuRecArray& rows_;
    IDataListLines& lines_;
    std::map<std::string, std::future<std::pair<int, TDataFolderInfoRec>>> prefetch_;
};

} // namespace kb
