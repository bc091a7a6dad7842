#pragma once
// DataInfomation: TDataInfomation, the one place that knows the small summary record of a data set
// (TDataInfomationRec) and the data folder's information file "vqacc.ini" that carries it beside
// the database file. It reads the summary from the data set's own database, reads and writes the
// information file, records who is using a data set, copies a data set to and from the shared
// server folder with status bookkeeping, and answers two access questions before a data set is
// opened: may the logged-in operator use it, and does the operator know its password.
//
// The information file is shared with the other programs of the family that open the folder: its
// sections, keys and value forms are fixed (see docs/data-set-information.md). It is written only
// in stand-alone mode (Mode 0, also any value above 2); in the server modes the same facts come from
// the data list of the system database and from the server.
//
// Messages go through the error reporter's box (IErrorUi): the two refusals as an information box
// whose lines are separated by "\r".

#include "accounting/SeihinVersionList.h"
#include "core/DataModule.h"

#include <array>
#include <cstdint>
#include <string>

namespace kb {

struct TDataInfomationRec {
    std::uint8_t STATUS = 1;
    std::int32_t OPCODE = 0;
    std::string OPERATOR;
    std::uint8_t SHARE_STATUS = 1;
    std::int32_t SHARE_OPCODE = 0;
    std::string SHARE_OPERATOR;
    std::int32_t UPDATE_LOCK = 0;
    std::int32_t READ_ONLY = 0;
    std::string DATALISTNAME;
    std::string CODE;
    std::int32_t DATAKBN = 0;
    std::int32_t CODEKBN = 0;
    std::string SHOUGOU;
    std::string KANA;
    std::int32_t NENDO = 0;
    std::string KISHU;   // "yyyy/mm/dd"
    std::string KIMATU;  // "yyyy/mm/dd"
    std::int32_t TANTO = 0;
    std::int32_t SITEN = 0;
    std::int32_t SITENCNT = 0;
    std::int32_t BUMON = 0;
    std::int32_t BUMONCNT = 0;
    std::int32_t SIWAKE = 0;
    std::int32_t TOTALSIWAKE = 0;
    std::int32_t MAJOR = 0;
    std::int32_t MINOR1 = 0;
    std::int32_t MINOR2 = 0;
    std::string VERSION2;
    std::uint8_t GASSANKBN = 0;
    std::int32_t USEMYNUMBER = 0;
    std::uint8_t CLOUD_SHARE = 0;

    bool operator==(const TDataInfomationRec&) const = default;
};

// Data-folder status codes (key STATUS of section DATASTS).
enum : std::uint8_t {
    dsCannotOpen = 0, dsFree = 1, dsInUse = 2, dsLocked = 3, dsSaving = 4, dsRestoring = 5,
    dsCopying = 6, dsPasting = 7, dsDeleting = 8, dsCreating = 9, dsBroken = 10
};
inline const std::array<std::string, 11> DataStatusNames = {
    "－", "－", "使用中", "データロック中", "保存中", "復元中", "コピー中", "貼り付け中", "削除中", "新規作成中", "破損"};
// The display name of a status; "状態不明" outside 0..10.
std::string DataStatusName(int status);

inline constexpr const char* kSectionDataSts = "DATASTS";
inline constexpr const char* kSectionDataInfo = "DATAINFO";

// The journal counts of one data set with the stamp under which they were taken. Counting the
// updated and deleted entries scans the whole journal; while the stamp (the live-entry count that
// the triggers keep and the journal's record generator) is unchanged, no entry can have been added,
// deleted, restored or replaced, and the counts are reused. A caller that reads a data set's facts
// several times (connect and disconnect of one run) keeps one cache and hands it to each object.
struct TSiwakeCountCache {
    std::string Database;        // the database the counts belong to; empty: nothing cached
    std::int64_t Generator = 0;  // SIWAKE_REC_GEN when counted
    int Valid = 0;               // live entries (SIWAKE)
    int Total = 0;               // live, updated and deleted entries (TOTALSIWAKE)
};

// How many times this process has counted the journal's updated and deleted entries, each a read of
// every journal line (lets a caller see what a run cost).
std::int64_t SiwakeScanCount();

class TDataInfomation {
public:
    explicit TDataInfomation(TDM& dm);
    TDataInfomation();  // on the one data module DM

    // 0 stand-alone, 1 client/server, 2 SBC. 0 after construction.
    std::uint8_t Mode = 0;
    TDataInfomationRec Rec;
    TSeihinVersionList VersionList;
    // When set, GetDataInfoRec takes the journal counts from it while they still hold, and keeps
    // what it counts in it.
    TSiwakeCountCache* SiwakeCounts = nullptr;

    static void ClearDataInfoRec(TDataInfomationRec& rec);
    // The summary of the data database open now (connects it when it is not; it stays connected).
    bool GetDataInfoRec(TDataInfomationRec& rec);
    bool ReadDataInfoFromFolder(const std::string& folder, TDataInfomationRec& rec);
    bool ReadIniFile(const std::string& host, const std::string& folder, TDataInfomationRec& rec);
    bool ReadDataIni(const std::string& folder, TDataInfomationRec& rec);
    // section empty: both sections; "DATASTS" or "DATAINFO": that one.
    void WriteIniFile(const std::string& folder, const std::string& section, const TDataInfomationRec& rec);
    // One key; remove true deletes it.
    void WriteIniValue(const std::string& folder, const std::string& section, bool remove, const std::string& value,
                       const std::string& key);
    void WriteIniValue(const std::string& folder, const std::string& section, bool remove, std::int32_t value,
                       const std::string& key);
    void SetDataStatus(const std::string& folder, int status);
    void SetShareStatus(const std::string& folder, int status);
    bool ChangeShareStatus(const std::string& folder, int status);
    void UpdateIniFile(const std::string& folder, const std::string& section);
    void UpdateDataInfomation(const std::string& host, const std::string& folder, const TDataInfomationRec& rec);
    // 1 stored, 0 failed or nothing to do.
    int PutShareData(const std::string& shareFolder, const std::string& localFolder, int quiet);
    // 1 taken, 0 failed, -1 refused (broken or already taken out). Not quiet: the refusals
    // that the Part names are thrown as std::runtime_error with their message.
    int GetShareData(const std::string& shareFolder, const std::string& localFolder, int quiet);
    bool IsDataSiyouKengen(const std::string& folder);
    bool IsDataPasswordAuth(const std::string& folder);
    std::string GetVersionLabel(int major, int minor) const;

    // The information file of a folder: DataFileName with the extension ".ini".
    static std::string IniFileName(const std::string& folder);

private:
    bool Writable() const { return Mode == 0 || Mode > 2; }
    bool DataFileExists(const std::string& folder) const;
    bool ReadIniFileServer(const std::string& host, const std::string& folder, TDataInfomationRec& rec);
    static void ReadIniSections(const std::string& folder, TDataInfomationRec& rec);

    TDM& dm_;
};

} // namespace kb
