// The export frame: the installed product found in the registry, the linkage settings file
// "Kenbo.ini" with its function-number rule, and the envelope the frame writes.

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <map>
#include <string>

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "linkage/ComDataExp.h"
#include "linkage/EDataExportError.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using kb::TSyotokuzeiDataExport;

namespace {

const char* const kRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL";

class ComDataExpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kb::ResetAccRecord();
        kb::SetDefaultAppInfo(kb::AppInfo);
        kb::AppInfo.ApplicationRegKey = "\\SOFTWARE\\ZANDREL";
        kb::AppInfo.ZaimuRegKey = "DADOZIZIDIV";
        env.Set("KB_CONFIG_ROOT", (dir / "config").string());
        env.Set("KB_COMMON_APPDATA_DIR", (dir / "common").string());
        kb::HomeDirName = "zandrel/dadozizidiv";
    }
    void TearDown() override { kb::ResetAccRecord(); }

    kb::Registry Reg() const { return kb::Registry(dir / "config" / "registry"); }
    fs::path IniPath() const { return dir / "common" / "zandrel" / "dadozizidiv" / "ini" / "Kenbo.ini"; }

    kbtest::TempDir dir;
    kbtest::ScopedEnv env;
};

TEST_F(ComDataExpTest, ProductKeyIsTheLastListedWhoseNameContainsTheWordAndMajor)
{
    kb::Registry reg = Reg();
    reg.WriteString(std::string(kRoot) + "\\DADOZIZIDIV14", "Version", "14.9.0");
    reg.WriteString(std::string(kRoot) + "\\a-DadoziZidiv15", "Version", "15.0.0");
    reg.WriteString(std::string(kRoot) + "\\b-dadozizidiv150", "Version", "15.2.0");
    reg.WriteString(std::string(kRoot) + "\\b-dadozizidiv150", "Product", "会計 Pro");
    reg.WriteString(std::string(kRoot) + "\\OTHER15", "Version", "99.0.0");
    // Subkeys list sorted without regard to case: a-..., b-..., DADOZIZIDIV14, OTHER15; the last
    // containing "dadozizidiv15" is b-dadozizidiv150 (containment, not equality).
    EXPECT_EQ(kb::GetProductRegValue(15, "Version"), "15.2.0");
    EXPECT_EQ(kb::GetProductRegValue(15, "Product"), "会計 Pro");
    EXPECT_EQ(kb::GetProductRegValue(14, "Version"), "14.9.0");
    EXPECT_EQ(kb::GetProductRegValue(15, "Missing"), "");
    EXPECT_EQ(kb::GetProductRegValue(16, "Version"), "");

    TSyotokuzeiDataExport e(0, "", "/opt/kenbo/kenbo-rendo");
    EXPECT_EQ(e.ProgramName, "会計 Pro");
    EXPECT_EQ(e.ProgramVer, "15.2.0");
    EXPECT_EQ(e.Title, "所得税のKenbo from 会計 Pro");
    EXPECT_EQ(e.ProgramFileName, "KENBO-RENDO");
    EXPECT_EQ(e.ProgramDir, "/opt/kenbo");
    EXPECT_EQ(e.DataRoot, (dir / "common").string() + "/zandrel/dadozizidiv");
    EXPECT_TRUE(fs::is_directory(e.IniDir));
}

TEST_F(ComDataExpTest, NoProductKeyLeavesNameAndVersionEmpty)
{
    TSyotokuzeiDataExport e(0, "", "/opt/kenbo/kenbo-rendo");
    EXPECT_EQ(e.ProgramName, "");
    EXPECT_EQ(e.ProgramVer, "");
    EXPECT_EQ(e.RequiredVersion, "15.0.0");
    EXPECT_EQ(e.FunctionId, 1);
    EXPECT_EQ(e.ClosingDay, 99);
    EXPECT_EQ(e.SelectionMode, 2);
    EXPECT_EQ(e.DataVerMajor, "15");
}

TEST_F(ComDataExpTest, SettingsFileKeepsDataAndUsesExportFileOnlyForFunctionZero)
{
    fs::create_directories(IniPath().parent_path());
    {
        kb::IniFile ini(IniPath());
        ini.WriteString("SYOTOKUZEI", "DATA", "x=1;y");
        ini.WriteString("SYOTOKUZEI", "KOMONSAKI", "前回商店");
        ini.WriteString("SYOTOKUZEI", "EXPORTFILE", "/home/u/last.xml");
        ini.WriteString("HOUJINZEI", "EXPORTFILE", "/other.xml");
    }
    {
        // Started by a caller with function 3: its own file, the settings file's left alone.
        TSyotokuzeiDataExport e(3, "/caller/out.xml", "/opt/kenbo/kenbo-rendo");
        EXPECT_EQ(e.ExportFile, "/caller/out.xml");
        EXPECT_EQ(e.FunctionId, 3);
        EXPECT_EQ(e.KomonsakiName, "前回商店");
        e.KomonsakiName = "青色商店";
    }
    kb::IniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "EXPORTFILE", ""), "/home/u/last.xml");
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "KOMONSAKI", ""), "青色商店");
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "DATA", ""), "x=1;y");
    EXPECT_EQ(ini.ReadString("HOUJINZEI", "EXPORTFILE", ""), "/other.xml");
    {
        // A caller passing function 0 gets the settings file's file, and it is stored back.
        TSyotokuzeiDataExport e(0, "/caller/ignored.xml", "/opt/kenbo/kenbo-rendo");
        EXPECT_EQ(e.ExportFile, "/home/u/last.xml");
        EXPECT_EQ(e.FunctionId, 1);
        e.ExportFile = "/home/u/new.xml";
    }
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "EXPORTFILE", ""), "/home/u/new.xml");
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "DATA", ""), "x=1;y");
}

std::map<std::string, std::string> Leaves(xmlNodePtr parent)
{
    std::map<std::string, std::string> m;
    for (xmlNodePtr n = parent ? parent->children : nullptr; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        xmlChar* t = xmlNodeGetContent(n);
        m[reinterpret_cast<const char*>(n->name)] = t ? reinterpret_cast<const char*>(t) : "";
        xmlFree(t);
    }
    return m;
}

xmlNodePtr Child(xmlNodePtr parent, const char* name)
{
    for (xmlNodePtr n = parent ? parent->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(n->name)) == name) return n;
    return nullptr;
}

TEST_F(ComDataExpTest, EnvelopeOfEachFunctionNumberParsesBack)
{
    Reg().WriteString(std::string(kRoot) + "\\DADOZIZIDIV15", "Product", "パヴォナ財務");
    Reg().WriteString(std::string(kRoot) + "\\DADOZIZIDIV15", "Version", "15.0.0");
    struct Case {
        int functionNo;
        std::map<std::string, std::string> basic;
    };
    const std::map<std::string, std::string> syurui = {{"KOMONSAKINAME", "A&amp;B㈱～①"}, {"AOSIROKUBUN", "1"},
        {"JIGYOUNENDOFROM", "20250101"}, {"JIGYOUNENDOTO", "20251231"}, {"SYOTOKUSYURUI", "3"}};
    const std::map<std::string, std::string> hasuu = {{"KOMONSAKINAME", "A&amp;B㈱～①"},
        {"JIGYOUNENDOFROM", "20250101"}, {"JIGYOUNENDOTO", "20251231"}, {"HASUU_SYOUKYAKU", "1"}};
    const Case cases[] = {{0, syurui}, {1, syurui}, {2, hasuu}, {3, syurui}, {4, hasuu}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.functionNo);
        TSyotokuzeiDataExport e(c.functionNo, "/out.xml", "/opt/kenbo/kenbo-rendo");
        e.KomonsakiName = "A&B㈱～①";
        e.JigyouNendoFrom = kb::Date(2025, 1, 1);
        e.JigyouNendoTo = kb::Date(2025, 12, 31);
        e.SyotokuSyurui = 3;
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        e.SetSystemNode(doc);
        e.SetBasicNode(doc);
        const std::string bytes = doc.SaveToBytes();
        // CP932 bytes with the doubled escaping, never character references.
        EXPECT_NE(bytes.find("A&amp;amp;B" + kb::Utf8ToCp932("㈱～①")), std::string::npos);
        EXPECT_EQ(bytes.find("&#"), std::string::npos);

        kb::RegisterCp932Encoding();
        xmlDocPtr parsed = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
        ASSERT_NE(parsed, nullptr);
        xmlNodePtr report = xmlDocGetRootElement(parsed);
        EXPECT_STREQ(reinterpret_cast<const char*>(report->name), "REPORT");
        const std::map<std::string, std::string> system = {{"GYOUMUPREFIX", "ST14"}, {"VERSION", "1"},
            {"FUNCTIONID", std::to_string(c.functionNo == 0 ? 1 : c.functionNo)}, {"CONNECTEDPROGRAMVER", "15.0.1"},
            {"PROGRAMNAME", "パヴォナ財務"}, {"PROGRAMVER", "15.0.0"}};
        EXPECT_EQ(Leaves(Child(report, "SYSTEM")), system);
        EXPECT_EQ(Leaves(Child(report, "BASIC")), c.basic);
        xmlFreeDoc(parsed);
    }
}

TEST_F(ComDataExpTest, OtherFunctionNumberFailsWithTheBasicNodeError)
{
    TSyotokuzeiDataExport e(5, "/out.xml", "/opt/kenbo/kenbo-rendo");
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    e.SetSystemNode(doc);
    try {
        e.SetBasicNode(doc);
        FAIL() << "no error";
    } catch (const kb::EDataExportError& err) {
        EXPECT_EQ(err.Code, 256);
        EXPECT_STREQ(err.what(), "業務Prefixが条件に加えられていません。");
        EXPECT_EQ(err.Location, "SetBasicNode(BASICﾉｰﾄﾞを作成)");
    }
}

TEST_F(ComDataExpTest, DataWritingIsRefusedClearlyUntilTheDataMakerExists)
{
    TSyotokuzeiDataExport e(1, "/out.xml", "/opt/kenbo/kenbo-rendo");
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    EXPECT_THROW(e.WriteData(doc), kb::EDataExportError);
}

} // namespace
