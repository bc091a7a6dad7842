#include "linkage/ComDataExp.h"
#include "linkage/ComRendo.h"

#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "linkage/EDataExportError.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace kb {
namespace fs = std::filesystem;

namespace {

const char* const kIniName = "Kenbo.ini";
const char* const kSection = "SYOTOKUZEI"; // the section of product code "ST"

fs::path RunningProgram()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

std::string WithoutTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

} // namespace

std::string GetProductRegValue(int majorVersion, const std::string& valueName)
{
    try {
        const Registry reg = Registry::Open();
        const std::string root = "HKEY_LOCAL_MACHINE\\" + AppInfo.ApplicationRegKey;
        if (!reg.KeyExists(root)) return {};
        char major[16];
        std::snprintf(major, sizeof major, "%.2d", majorVersion);
        const std::string word = AsciiLower(AppInfo.ZaimuRegKey) + major;
        const std::vector<std::string> keys = reg.GetKeyNames(root);
        // The last listed key wins, as the product installer's newest key is listed last.
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            if (AsciiLower(*it).find(word) == std::string::npos) continue;
            return reg.ReadString(root + "\\" + *it, valueName).value_or(std::string());
        }
    } catch (const std::exception& e) {
        // An unreadable store is treated like a missing key: the version check then refuses.
        std::cerr << "GetProductRegValue: " << e.what() << "\n";
    }
    return {};
}

TComDataExport::TComDataExport(int functionNo, const std::string& callerFile)
{
    Construct(functionNo, callerFile, RunningProgram());
}

TComDataExport::TComDataExport(int functionNo, const std::string& callerFile, const fs::path& programPath)
{
    Construct(functionNo, callerFile, programPath);
}

void TComDataExport::Construct(int functionNo, const std::string& callerFile, const fs::path& programPath)
{
    ProgramFileName = AsciiUpper(programPath.filename().string());
    ProgramDir = WithoutTrailingSlash(programPath.parent_path().string());
    ProgramDrive = programPath.root_path().string();

    DataRoot = WithoutTrailingSlash(ShellFolders::AppDataDir(true).string()) + "/" + HomeDirName;
    IniDir = DataRoot + "/ini";
    std::error_code ec;
    fs::create_directories(IniDir, ec); // a failure shows later, when the settings file is written

    ProgramName = GetProductRegValue(15, "Product");
    ProgramVer = GetProductRegValue(15, "Version");

    RequiredVersion = "15.0.0";
    Title = "所得税のKenbo from " + ProgramName;
    ConnectedProgramVer = "15.0.1";
    TargetName = "所得税のKenbo";
    ProductCode = "ST";
    FunctionNo = functionNo;
    GyoumuPrefix = "ST14";
    FileVersion = 1;
    FunctionId = FunctionNo == 0 ? 1 : FunctionNo;
    SelectionMode = 2;
    DataVerMajor = "15";

    KomonsakiName.clear();
    Nendo = 0;
    JigyouNendoFrom = Date();
    JigyouNendoTo = Date();
    ClosingDay = 99;
    SyotokuSyurui = 0;
    HasuuSyoukyaku = 0;
    WithDetails = false;
    DataFolder.clear();
    Stno = Edno = LastNo = 0;
    TaxMode = 0;
    DataType = CodeType = 0;

    ExportFile = callerFile;
    ReadIni();
}

TComDataExport::~TComDataExport()
{
    try {
        WriteIni();
    } catch (const std::exception& e) {
        std::cerr << "TComDataExport.WriteIni: " << e.what() << "\n";
    }
}

fs::path TComDataExport::IniFileName() const { return fs::path(IniDir) / kIniName; }

void TComDataExport::ReadIni()
{
    try {
        const IniFile ini(IniFileName());
        IniDataValue = ini.ReadString(kSection, "DATA", "");
        KomonsakiName = ini.ReadString(kSection, "KOMONSAKI", "");
        // A caller that passes the function number 0 gets the settings file's file, not its own.
        if (FunctionNo == 0) ExportFile = ini.ReadString(kSection, "EXPORTFILE", "");
    } catch (const std::exception& e) {
        std::cerr << "TComDataExport.ReadIni: " << e.what() << "\n"; // read failures give empty texts
    }
}

void TComDataExport::WriteIni()
{
    const IniFile file(IniFileName());
    IniFile::Batch ini(file);  // the record is saved whole
    ini.WriteString(kSection, "DATA", IniDataValue);
    ini.WriteString(kSection, "KOMONSAKI", KomonsakiName);
    if (FunctionNo == 0) ini.WriteString(kSection, "EXPORTFILE", ExportFile);
    ini.Commit();
}

TXmlEnvelopeInfo TComDataExport::EnvelopeInfo() const
{
    TXmlEnvelopeInfo info;
    info.GyoumuPrefix = GyoumuPrefix;
    info.FileVersion = FileVersion;
    info.FunctionId = FunctionId;
    info.ConnectedProgramVer = ConnectedProgramVer;
    info.ProgramName = ProgramName;
    info.ProgramVer = ProgramVer;
    info.KomonsakiName = KomonsakiName;
    info.JigyouNendoFrom = JigyouNendoFrom;
    info.JigyouNendoTo = JigyouNendoTo;
    info.SyotokuSyurui = SyotokuSyurui;
    info.HasuuSyoukyaku = HasuuSyoukyaku;
    return info;
}

void TComDataExport::SetSystemNode(TXmlSaveDoc& doc) const { kb::SetSystemNode(doc, EnvelopeInfo()); }

void TComDataExport::SetBasicNode(TXmlSaveDoc& doc) const { kb::SetBasicNode(doc, EnvelopeInfo()); }

void TSyotokuzeiDataExport::WriteData(TXmlSaveDoc& doc)
{
    TSyotokuzeiWriteArgs args;
    args.SyotokuSyurui = SyotokuSyurui;
    args.CodeType = CodeType;
    args.WithDetails = WithDetails;
    args.TaxMode = TaxMode;
    SyotokuzeiWriteData(doc, args);
}

} // namespace kb
