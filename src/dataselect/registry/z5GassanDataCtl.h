#pragma once
// TGassanDataCtl: the controller of a consolidated data set's distributed-input children. A child
// is a copy of the parent's database in a numbered subfolder of the parent's folder ("001" ...
// "999"; per facility the facility code), emptied of journal entries, balances and audit marks, and
// registered as a CHILD_DATALIST row of the parent. The controller lists a parent's children,
// creates and initialises a child, and writes the parent's consolidation settings (ACCREG
// "合算データ区分" and "合算データ数" of group "基本設定").
//
// Every use sets the parent (SetDataPath, SetDataRec) and then activates the controller, which
// reads the child list. The database work runs on the data module's data connection.

#include "accounting/DataInfomation.h"
#include "dataselect/registry/z5ComDataSentaku.h"

#include <string>
#include <vector>

namespace kb {

struct TGassanChildDataRec {
    int REC = 0;             // the parent's REC
    int ROWNO = 0;
    std::string SCODE;       // facility code; empty for numbered children
    std::string DataFolder;  // the child's folder
};
using TGassanChildDataArray = std::vector<TGassanChildDataRec>;

struct TGassanParentHeader {
    int REC = 0;
    std::string DataFolder;
    int PerFacility = 0;     // the parent's SITEN: children named by facility code
};

class TGassanDataCtl {
public:
    TGassanDataCtl();

    void SetDataPath(const std::string& folder);
    void SetDataRec(int rec);
    // True loads the child list.
    void SetActive(bool active);
    bool Active() const { return active_; }
    const std::string& DataPath() const { return dataPath_; }
    int DataRec() const { return dataRec_; }

    int IndexOfChild(const std::string& folder) const;
    // The highest ROWNO of the list plus step (step - 1 for an empty list).
    int NextChildRowNo(int step) const;
    // The next numbered folder name below folder: the highest numeric subfolder name plus step as
    // "%.3d"; empty when folder does not exist. Above 999 throws std::runtime_error.
    std::string GetNewChildFolderName(const std::string& folder, int step) const;
    // Empties the new child's database (NewChildFolder). A failure is shown and thrown on.
    void AccDataSyokika();
    // Writes the parent's kind and count (count 0 for kinds 0 and 10).
    void SetGassanSetting(int kind, int count);
    // 1 when a child was created (folder, initialised database, registry row), else 0 with no
    // folder left behind.
    int AddChildData(const std::string& name);
    void LoadChildList();

    TGassanParentHeader Parent;
    TGassanChildDataArray ChildList;
    std::string NewChildFolder;
    std::string FacilityCode;
    int ParentNetDrive = 0;
    std::string ParentSharePath;
    TDataListRec WorkRow;
    TDataInfomationRec WorkInfo;
    TDataSentakuListCtl ListCtl;

private:
    bool active_ = false;
    std::string dataPath_;
    int dataRec_ = 0;
};

// A consolidated row (kind 1 or 2) with a damaged member.
bool HasDamagedMember(const TDataSentakuRec& row);

// The statements that empty a distributed child's database, in the order they run (the audit
// marks, the balances, the journals and asset register with their generators).
std::vector<std::string> ChildResetStatements();

} // namespace kb
