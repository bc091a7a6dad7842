#pragma once
// "AppInfo.ini", the small settings file installed beside the program: the edition (OEM), product
// titles, registry keys, folder and file names, the data-communication menu captions and the hosts
// of two cloud services. Read once at start-up into AppInfo; nothing writes the file.
//
// The folder is the program's own; the environment variable KB_APPINFO_DIR, when set and not
// empty, names another folder (tests and the demonstration run use it).

#include <filesystem>
#include <string>

namespace kb {

struct TAppInfoRec {
    // [Application]
    std::string OEM;                // "Vellmark" switches the OEM edition
    std::string Since;
    std::string ApplicationRegKey;  // root of the family's registry keys
    std::string Qiv;
    std::string QivAlias;
    int VerMajorDiff = 0;
    int VerMinorDiff = 0;
    int VerRevDiff = 0;
    std::string VerTest;
    int ReruziroBlind = 0;
    // [Company]
    std::string CompanyName;
    std::string CompanyZipCode;
    std::string CompanyAddr;
    std::string CompanyTel;
    std::string CompanyFax;
    std::string CompanyMail;
    std::string CompanyUrl;
    // [Zaimu]
    std::string AppName;            // base name of the program INI file
    std::string ZaimuAppTitle;      // the product title of messages
    std::string AppTitle_CL;
    std::string ZaimuRegKey;
    std::string ZaimuHomeDir;       // folder below the application data root
    std::string ShareDir;
    std::string ServerDir;
    std::string ServerTempDir;
    std::string DataDefFile;
    std::string DataFile;
    std::string ZaimuDataBackupFile;
    std::string DataInitFile;       // "acc%d.gbk"
    std::string DataIniFile;
    int DataListCnt = 120;
    // [DArudu]
    std::string DAruduAppTitle;
    std::string DAruduDataDir;
    std::string WriteDirFmt;
    // [Azimo]
    std::string AzimoAppTitle;
    std::string AzimoRegKey;
    std::string AzimoHomeDir;
    // [Reruziro]
    std::string ReruziroAppTitle;
    std::string ReruziroRegKey;
    std::string ReruziroDataDir;
    std::string ReruziroDataBackupFile;
    // [Menu]
    std::string DataCon;
    std::string DataCon01;
    std::string DataCon02;
    std::string DataCon03;
    std::string DataConQiv01;
    std::string DataConQiv02;
    // [Application]
    std::string WebAzimobanServer;
    // The family's guide page on issuing a web-meeting URL (empty: the dialog's link opens nothing).
    std::string MeetingGuideUrl;
    std::string QuorviServer;
    // The data communication's status server (HTTPS); a placeholder that resolves nowhere until the
    // installation names the service's host.
    std::string StatusServer;
    int StatusServerPort = 443;
    // The installation serial the status requests carry (SystemDef.SerialText at start-up).
    std::string Serial;
    // [Menu]
    bool QuorviMenuLimit = true;
};

// The process-wide record, read once at start-up.
extern TAppInfoRec AppInfo;

inline constexpr const char* kAppInfoFileName = "AppInfo.ini";
inline constexpr const char* kStatusServerPlaceholder = "status.zandrel.invalid";

// Every field to its built-in default.
void SetDefaultAppInfo(TAppInfoRec& rec);

// Reads "AppInfo.ini" from the folder of programPath (or KB_APPINFO_DIR).
//   1  read; keys missing from the file are empty, integers 0, DataListCnt 120
//   0  no such file; rec untouched
//  -1  no "OEM" value in [Application]; rec holds the built-in defaults
// -10  the file could not be read; rec filled up to the failing key
int LoadAppInfo(const std::filesystem::path& programPath, TAppInfoRec& rec);
// The same beside the running program.
int LoadAppInfo(TAppInfoRec& rec);

// The file LoadAppInfo(programPath, ...) reads.
std::filesystem::path AppInfoFilePath(const std::filesystem::path& programPath);

} // namespace kb
