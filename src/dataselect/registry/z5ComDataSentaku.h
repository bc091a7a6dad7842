#pragma once
// The data-set registry of the system database (DATALIST / DATALIST_EX, CHILD_DATALIST,
// SERVERDATALIST, CHILD_SERVERDATALIST) and its one reader and writer, TDataSentakuListCtl.
//
// Every statement runs on DM's system connection and its default transaction, following the
// house rule: start the transaction only when it is not active, end only what we started.
// Every value is a bound parameter; the only texts put into SQL are column lists, table names
// and fixed literals chosen by the code.
//
// Paths are POSIX: a loaded PASNAME has every "\" turned into "/", and folders are joined with "/".
// The columns CLOUD (system database 11.0.1) and READ_ONLY (12.0.0) are read as constant 0 and
// never written on an older system database.

#include "platform/Date.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kb {

struct TDataFolderInfoRec; // the folder information record (DataFolderInfo.h)

// One registry row (parents and children alike).
struct TDataListRec {
    int REC = 0;
    int ROWNO = 0;
    int GROUPID = 0;
    std::string DATACODE;
    std::string ENTTEXT;     // list name; '' = empty slot
    std::string SHOUGOU;
    int NENDO = 0;
    std::string KIKANTEXT;   // period text from KISHU and KIMATU
    Date KISHU;              // null = the zero date
    Date KIMATU;
    int NETDRIVE = 0;
    std::string PASNAME;
    std::string LOCALPATH;
    int DATATYPE = 0;
    int CODETYPE = 0;
    int DATALOCK = 0;
    int KYOYULOCK = 0;
    int TANTOU = 0;
    int VER_MAJOR = 0;
    int VER_MINOR1 = 0;
    int VER_MINOR2 = 0;
    std::string VER_TEXT;
    int UPDATE_LOCK = 0;
    std::uint8_t GASSAN = 0;
    std::string DISPNAME;
    std::uint8_t DATA_STATUS = 0;
    std::string YOBI1, YOBI2, YOBI3;
    int YOBIINT = 0;
    std::string YOBISTR;
    std::uint8_t CLOUD = 0;
    int READ_ONLY = 0;
};

using TDataListArray = std::vector<TDataListRec>;

struct TDataSentakuRec {
    TDataListRec DataRec;
    int ChildCount = 0;      // always ChildList.size()
    TDataListArray ChildList;
};

using TDataSentakuRecArray = std::vector<TDataSentakuRec>;
using TDataSentakuRecDispArray = std::vector<int>;

// Names of areas on a shared server without a named data set.
inline constexpr const char* kFreeAreaName = "空き領域";
inline constexpr const char* kNewAreaName = "新しい領域";
bool IsAreaName(const std::string& name); // '' , "空き領域" or "新しい領域"

// Folder status texts: 0, 1 "－", 2 "使用中" ... 10 "破損", other "状態不明".
std::string GetDataStatusName(int status);

// A date of the registry that means "none" (NULL or 1899/12/30).
bool IsZeroDate(const Date& d);
// The period text the list shows ("2025/01/01 ～ 2025/12/31"); empty when either date is zero.
std::string MakeKikanText(const Date& kishu, const Date& kimatu);
// The operator code of an operator number (number modulo group x 10000; the number for group 0).
int OperatorCodeOf(int opNumber, int groupId);
// "\" to "/" and no trailing separator (the root "/" stays).
std::string NormalizeDataPath(std::string path);
// The last folder name of a path ("" for none).
std::string LastFolderName(const std::string& path);

// Reports what a registry operation failed at (installed by the user interface; tests replace it
// through ShowIBError's IErrorUi as everywhere). Kept here only as the labels and messages.
struct TListCtlMessages {
    static constexpr const char* Execute = "データリストの取得に失敗しました。";
    static constexpr const char* GetRecord = "データリストの取得に失敗しました。";
    static constexpr const char* Insert = "データリストの追加に失敗しました。";
    static constexpr const char* Update = "データリストの更新に失敗しました。";
    static constexpr const char* Delete = "データリストの削除に失敗しました。";
    static constexpr const char* ChildGet = "(子)データリストの取得に失敗しました。";
    static constexpr const char* ChildUpdate = "(子)データリストの更新に失敗しました。";
    static constexpr const char* ChildDelete = "(子)データリストの削除に失敗しました。";
    static constexpr const char* FolderName = "最大のレコー番号の取得に失敗しました。";
    static constexpr const char* Toroku = "データリストの登録チェックに失敗しました。";
    static constexpr const char* ServerGet = "共有データリストの取得に失敗しました。";
    static constexpr const char* ServerUpdate = "共有データリストの更新に失敗しました。";
    static constexpr const char* ServerChildUpdate = "共有(子)データリストの更新に失敗しました。";
    static constexpr const char* ServerChildDelete = "共有(子)データリストの削除に失敗しました。";
};

class TDataSentakuListCtl {
public:
    TDataSentakuListCtl();

    std::uint8_t Mode = 0;        // ConnectMode of the creator
    std::uint8_t ServerList = 0;  // 1: serves the shared-server list only
    int RowCount = 0;
    TDataSentakuRecArray Rows;
    int ChildRowCount = 0;
    TDataListArray ChildRows;
    std::uint8_t ListFilter = 0;  // 0 all, 1 named only, 2 empty slots only
    int NendoFilter = 0;
    std::string ShougouFilter;
    std::vector<std::string> SubFolders;
    int DataPlaceRec = 0;
    std::string TableName = "DATALIST";
    std::uint8_t HasCloudColumn = 0;
    std::uint8_t HasReadOnlyColumn = 0;
    std::vector<std::string> MsgLines;

    // Optional: called after every row read by Execute (lets a long load give way to the event
    // loop). Not part of the registry's contract.
    std::function<void()> OnRowRead;

    void SetDataPlaceRec(int place);
    void Execute(int excludeShared, std::uint8_t sortKey, const std::string& orderBy, bool descending);
    void ClearRows();
    void InitDataListRec(TDataListRec& rec, const std::string& path);
    void InitDataListRec(TDataSentakuRec& rec, const std::string& path) { InitDataListRec(rec.DataRec, path); }
    void SetDataListRecFromInfo(const TDataFolderInfoRec& info, TDataListRec& rec);
    std::string MakeLocalDataFolder(TDataListRec& rec);
    // (folder number text, child folder name)
    static std::pair<std::string, std::string> SplitDataPath(const std::string& path);
    int GetDataRecNo(const std::string& path);
    bool ConvLocalPathToSharePath(const std::string& local, std::string& share, int& kyoyuLock, int& netDrive);
    bool GetLocalPathToData(const std::string& path, TDataListRec& rec);
    void GetDataListRecord(std::uint8_t by, TDataListRec& rec, bool report);
    void GetDataListRecord(std::uint8_t by, TDataSentakuRec& rec, bool report) { GetDataListRecord(by, rec.DataRec, report); }
    int GetDataListRecordByPath(const std::string& local, TDataSentakuRec& rec);
    int GetRecByPath(const std::string& path);
    bool InsertDataListRecord(TDataListRec& rec, bool report);
    bool UpdateDataListRecord(TDataListRec& rec, int withNames, bool report);
    bool DeleteDataListRecord(TDataListRec& rec, bool report);
    void PackDataListRec();
    void GetDataListChildRecord(TDataSentakuRec& rec, bool report);
    bool UpdateDataListChildRecord(TDataListRec& rec, int withNames, bool report);
    bool DeleteDataListChildRecord(const TDataListRec& rec, bool report);
    int GetDataFolderName(int offset);
    bool IsDataPathToroku(const std::string& path);
    static void SetChildDisplayNames(TDataSentakuRec& rec);
    static void DeleteChildItem(TDataSentakuRec& rec, int index);
    void GetShareSubFolders(const TDataListRec& rec, std::vector<std::string>& list);
    void GetLocalSubFolders(const TDataListRec& rec, std::vector<std::string>& list);
    std::string ConvSharePathToLocalPath(const std::string& share, std::uint8_t kind);
    bool IsDataListEmpty();

    // ---- shared-server list
    void ServerExecute(std::uint8_t how, const std::string& root, const void* unused, bool descending,
                       std::uint8_t sortKey);
    bool UpdateServerDataListRecord(TDataListRec& rec, int withNames, bool report);
    bool UpdateServerDataListChildRecord(TDataListRec& rec, int withNames, bool report);
    bool DeleteServerDataListChildRecord(const TDataListRec& rec, bool report);
    std::string GetNewServerFolderName(const std::string& root, int offset);
    static void ListDataSubFolders(const std::string& folder, std::vector<std::string>& list);

    // ---- what the statements are made of (exposed for tests of the version rule)
    std::string RowColumns() const;           // "REC,ENTTEXT,...,YOBI3,CLOUD|0 AS CLOUD,READ_ONLY|0 AS READ_ONLY"
    std::string VersionColumns() const;       // ",CLOUD" / ",0 AS CLOUD" and the same for READ_ONLY
    std::string VersionSetLines() const;      // ",CLOUD=:CLOUD" ... only when the columns exist
    std::string VersionInsertColumns() const; // ",CLOUD" ",READ_ONLY" only when they exist
    std::string VersionInsertValues() const;

private:
    std::string PlaceClause(bool literal) const;
};

// Whether two records carry the same values in every column a registry write stores.
bool SameListColumns(const TDataListRec& a, const TDataListRec& b);

// The data selection's switch between the server's data and local data, in three steps: "backup"
// keeps ConnectMode, HostName, SysDir, DataDir, AllSisetuSwitch and the system-database version of
// SystemDef; "local" works on this computer's data (stand-alone, no host, SysDir the application
// data folder + "/data", every facility); "server" puts the kept values back. Any other step
// throws std::invalid_argument.
void SwitchDataSource(const std::string& step);

// The first character of a path as the shared-server list keys it (blank for an empty path).
std::string DriveLetterOf(const std::string& path);

} // namespace kb
