#include "core/z5AppInfo.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/IniFile.h"

namespace kb {

TAppInfoRec AppInfo;

namespace fs = std::filesystem;

namespace {

// Folder values were written with "\" for Windows; paths are POSIX here.
std::string PosixPath(std::string s)
{
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

int ToIntDef(const std::string& s, int def)
{
    // StrToIntDef: surrounding blanks are tolerated, anything else in the text is not a number.
    std::size_t a = 0, b = s.size();
    while (a < b && s[a] == ' ') ++a;
    while (b > a && s[b - 1] == ' ') --b;
    if (a < b && s[a] == '+') ++a;
    int v = 0;
    const char* first = s.data() + a;
    const char* last = s.data() + b;
    if (first == last) return def;
    auto r = std::from_chars(first, last, v);
    return (r.ec == std::errc() && r.ptr == last) ? v : def;
}

bool QuorviLimit(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s != "false";
}

fs::path ProgramFile()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

} // namespace

void SetDefaultAppInfo(TAppInfoRec& r)
{
    r.OEM = "-";
    r.Since = "2009-2019";
    r.ApplicationRegKey = "\\SOFTWARE\\ZANDREL";
    r.Qiv = "Ｑｉｖキーステーション";
    r.QivAlias = "Ｑｉｖ";
    r.VerMajorDiff = 0;
    r.VerMinorDiff = 0;
    r.VerRevDiff = 0;
    r.VerTest = "";
    r.ReruziroBlind = 0;
    // The maker's contact data: placeholders of this build.
    r.CompanyName = "株式会社ザンドレル";
    r.CompanyZipCode = "000-0000";
    r.CompanyAddr = "東京都千代田区";
    r.CompanyTel = "00-0000-0000";
    r.CompanyFax = "00-0000-0001";
    r.CompanyMail = "support@zandrel.invalid";
    r.CompanyUrl = "https://www.zandrel.invalid/";
    r.AppName = "vqzaimu";
    r.ZaimuAppTitle = "パヴォナ財務";
    r.AppTitle_CL = "顧問先版";
    r.ZaimuRegKey = "DADOZIZIDIV";
    r.ZaimuHomeDir = "zandrel/dadozizidiv";
    r.ShareDir = "dadozizidiv";
    r.ServerDir = "/dadozizidiv/data";
    r.ServerTempDir = "/dadozizidiv/temp";
    r.DataDefFile = "vqaccdef.fdb";
    r.DataFile = "vqacc.fdb";
    r.ZaimuDataBackupFile = "vqacc.fbk";
    r.DataInitFile = "acc%d.gbk";
    r.DataIniFile = "vqacc.ini";
    r.DataListCnt = 120;
    r.DAruduAppTitle = "電子帳簿";
    r.DAruduDataDir = "vqzview";
    r.WriteDirFmt = "vqz%.2dcd";
    r.AzimoAppTitle = "経営Azimo";
    r.AzimoRegKey = "AZIMO";
    r.AzimoHomeDir = "zandrel/dadozizidiv";
    r.ReruziroAppTitle = "パヴォナ現金出納帳";
    r.ReruziroRegKey = "RERUZIRO";
    r.ReruziroDataDir = "cb_data";
    r.ReruziroDataBackupFile = "vqcashbook.fbk";
    r.DataCon = "データ通信";
    r.DataCon01 = "データ送信";
    r.DataCon02 = "データ受信";
    r.DataCon03 = "通信設定";
    r.DataConQiv01 = "Ｑｉｖ保存";
    r.DataConQiv02 = "Ｑｉｖ復元";
    r.WebAzimobanServer = "azimoban.zandrel.invalid";
    r.QuorviServer = "quorvi.zandrel.invalid";
    r.StatusServer = kStatusServerPlaceholder;
    r.StatusServerPort = 443;
    r.Serial.clear();
    r.QuorviMenuLimit = true;
}

fs::path AppInfoFilePath(const fs::path& programPath)
{
    fs::path dir;
    if (const char* env = std::getenv("KB_APPINFO_DIR"); env && *env) dir = env;
    else dir = programPath.parent_path();
    return dir / kAppInfoFileName;
}

int LoadAppInfo(TAppInfoRec& rec) { return LoadAppInfo(ProgramFile(), rec); }

int LoadAppInfo(const fs::path& programPath, TAppInfoRec& rec)
{
    const fs::path file = AppInfoFilePath(programPath);
    std::error_code ec;
    const auto st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return 0;
    // The INI reader takes an unreadable file for an empty one; tell the two apart here.
    if (ec || !fs::is_regular_file(st) || access(file.c_str(), R_OK) != 0) return -10;
    {
        std::ifstream probe(file, std::ios::binary);
        if (!probe) return -10;
    }
    try {
        const IniFile ini(file);
        rec.OEM = ini.ReadString("Application", "OEM", "");
        if (rec.OEM.empty()) {
            SetDefaultAppInfo(rec);
            return -1;
        }
        auto s = [&](const char* sec, const char* key) { return ini.ReadString(sec, key, ""); };
        rec.Since = s("Application", "Since");
        rec.ApplicationRegKey = s("Application", "RegKey");
        rec.Qiv = s("Application", "Qiv");
        rec.QivAlias = s("Application", "QivAlias");
        rec.VerMajorDiff = ToIntDef(s("Application", "VerMajorDiff"), 0);
        rec.VerMinorDiff = ToIntDef(s("Application", "VerMinorDiff"), 0);
        rec.VerRevDiff = ToIntDef(s("Application", "VerRevDiff"), 0);
        rec.VerTest = s("Application", "VerTest");
        rec.ReruziroBlind = ToIntDef(s("Application", "ReruziroBlind"), 0);
        rec.WebAzimobanServer = s("Application", "WebAzimobanServer");
        rec.MeetingGuideUrl = s("Application", "MeetingGuideUrl");
        rec.QuorviServer = s("Application", "QuorviServer");
        rec.StatusServer = s("Application", "StatusServer");
        if (rec.StatusServer.empty()) rec.StatusServer = kStatusServerPlaceholder;
        rec.StatusServerPort = ToIntDef(s("Application", "StatusServerPort"), 443);
        rec.Serial = s("Application", "Serial");
        rec.CompanyName = s("Company", "Name");
        rec.CompanyZipCode = s("Company", "ZipCode");
        rec.CompanyAddr = s("Company", "Addr");
        rec.CompanyTel = s("Company", "TEL");
        rec.CompanyFax = s("Company", "FAX");
        rec.CompanyMail = s("Company", "Mail");
        rec.CompanyUrl = s("Company", "URL");
        rec.AppName = s("Zaimu", "AppName");
        rec.ZaimuAppTitle = s("Zaimu", "AppTitle");
        rec.AppTitle_CL = s("Zaimu", "AppTitle_CL");
        rec.ZaimuRegKey = s("Zaimu", "RegKey");
        rec.ZaimuHomeDir = PosixPath(s("Zaimu", "HomeDir"));
        rec.ShareDir = PosixPath(s("Zaimu", "ShareDir"));
        rec.ServerDir = PosixPath(s("Zaimu", "ServerDir"));
        rec.ServerTempDir = PosixPath(s("Zaimu", "ServerTempDir"));
        rec.DataDefFile = s("Zaimu", "DataDefFile");
        rec.DataFile = s("Zaimu", "DataFile");
        rec.ZaimuDataBackupFile = s("Zaimu", "DataBackupFile");
        rec.DataInitFile = s("Zaimu", "DataInitFile");
        rec.DataIniFile = s("Zaimu", "DataIniFile");
        rec.DataListCnt = ToIntDef(s("Zaimu", "DataListCnt"), 120);
        rec.DAruduAppTitle = s("DArudu", "AppTitle");
        rec.DAruduDataDir = PosixPath(s("DArudu", "DataDir"));
        rec.WriteDirFmt = s("DArudu", "WriteDirFmt");
        rec.AzimoAppTitle = s("Azimo", "AppTitle");
        rec.AzimoRegKey = s("Azimo", "RegKey");
        rec.AzimoHomeDir = PosixPath(s("Azimo", "HomeDir"));
        rec.ReruziroAppTitle = s("Reruziro", "AppTitle");
        rec.ReruziroRegKey = s("Reruziro", "RegKey");
        rec.ReruziroDataDir = PosixPath(s("Reruziro", "DataDir"));
        rec.ReruziroDataBackupFile = s("Reruziro", "DataBackupFile");
        rec.DataCon = s("Menu", "DataCon");
        rec.DataCon01 = s("Menu", "DataCon01");
        rec.DataCon02 = s("Menu", "DataCon02");
        rec.DataCon03 = s("Menu", "DataCon03");
        rec.DataConQiv01 = s("Menu", "DataConQiv01");
        rec.DataConQiv02 = s("Menu", "DataConQiv02");
        rec.QuorviMenuLimit = QuorviLimit(s("Menu", "QuorviMenuLimit"));
        return 1;
    } catch (const std::exception&) {
        return -10;
    }
}

} // namespace kb
