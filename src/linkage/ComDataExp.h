#pragma once
// The export frame: everything the linkage file needs besides the statement figures. Which product
// the file is for, who writes it (the installed accounting product's name and version from the
// registry), the caller's function number and file, the facts of the chosen data set and the
// user's options. It also keeps the small per-product linkage settings file "Kenbo.ini"
// (<common application data>/<HomeDirName>/ini/Kenbo.ini), read once at construction and written
// once at destruction, whichever way the program ends.
//
// TComDataExport is the frame the family's linkage programs share; this program uses
// TSyotokuzeiDataExport (product code "ST", individual income tax).

#include "linkage/XMLSaveDoc.h"
#include "platform/Date.h"

#include <filesystem>
#include <string>

namespace kb {

class TComDataExport {
public:
    // functionNo: the caller's function number (0 when started by the user); callerFile: the
    // caller's output file. The program file is the running program.
    TComDataExport(int functionNo, const std::string& callerFile);
    // The same for a given program file (tests, and a program started from another folder).
    TComDataExport(int functionNo, const std::string& callerFile, const std::filesystem::path& programPath);
    // Writes the settings file (WriteIni); a failure there is reported on stderr, never thrown.
    virtual ~TComDataExport();
    TComDataExport(const TComDataExport&) = delete;
    TComDataExport& operator=(const TComDataExport&) = delete;

    // The settings file "Kenbo.ini", section of the product code.
    void ReadIni();
    void WriteIni();
    std::filesystem::path IniFileName() const;

    // The envelope of the linkage file: REPORT with SYSTEM, then BASIC (EDataExportError 256 for a
    // function number other than 1 to 4).
    void SetSystemNode(TXmlSaveDoc& doc) const;
    void SetBasicNode(TXmlSaveDoc& doc) const;
    // DATA: the data maker of the product.
    virtual void WriteData(TXmlSaveDoc& doc) = 0;

    // The facts the envelope carries.
    TXmlEnvelopeInfo EnvelopeInfo() const;

    // ---- fields, in the frame's order
    std::string ProgramFileName;   // the program file's name, upper-cased
    std::string ProgramDir;        // its folder
    std::string ProgramDrive;      // the root of that folder ("/")
    std::string DataRoot;          // common application data + "/" + HomeDirName
    std::string IniDir;            // DataRoot + "/ini" (created at construction)
    std::string Title;             // "所得税のKenbo from " + ProgramName
    std::string TargetName;        // "所得税のKenbo"
    std::string ProductCode;       // "ST"
    int FunctionNo = 0;
    std::string GyoumuPrefix;      // "ST14"
    int FileVersion = 1;
    int FunctionId = 1;            // FunctionNo, or 1 when it is 0
    std::string ConnectedProgramVer; // "15.0.1"
    std::string ProgramName;       // registry Product of the installed accounting product
    std::string ProgramVer;        // its Version
    std::string RequiredVersion;   // "15.0.0": minimum of the installed product and of a data set
    std::string KomonsakiName;     // client name
    int Nendo = 0;
    Date JigyouNendoFrom;
    Date JigyouNendoTo;
    int ClosingDay = 99;
    int SyotokuSyurui = 0;         // 1 business, 2 other, 3 real estate, 4 agriculture
    int HasuuSyoukyaku = 0;
    bool WithDetails = false;
    std::string DataFolder;
    std::string IniDataValue;      // DATA of the settings file, written back unchanged
    int Stno = 0, Edno = 0, LastNo = 0;
    int TaxMode = 0;
    int DataType = 0;
    int CodeType = 0;
    std::string ExportFile;
    int SelectionMode = 0;         // 2: kind of the data selection's parameter lines
    std::string DataVerMajor;      // "15"

private:
    void Construct(int functionNo, const std::string& callerFile, const std::filesystem::path& programPath);
};

class TSyotokuzeiDataExport : public TComDataExport {
public:
    using TComDataExport::TComDataExport;
    // The income-tax data maker; until it is built this raises EDataExportError, so no file is
    // ever written without its DATA.
    void WriteData(TXmlSaveDoc& doc) override;
};

// The string value valueName of the installed accounting product of the major version: the last
// listed subkey of HKEY_LOCAL_MACHINE + AppInfo [Application] RegKey whose lower-cased name contains
// the lower-cased [Zaimu] RegKey followed by the major version as two digits. Empty when there is
// no such key or value.
std::string GetProductRegValue(int majorVersion, const std::string& valueName);

} // namespace kb
