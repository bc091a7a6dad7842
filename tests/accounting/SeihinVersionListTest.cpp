// TSeihinVersionList: built-in editions, the installed editions under the product's registry key,
// sorting and the labels.

#include "accounting/SeihinVersionList.h"
#include "common/TestDb.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

struct VersionEnv {
    kbtest::TempDir dir;
    VersionEnv()
    {
        ResetAccRecord();
        SetDefaultAppInfo(AppInfo);
        AppInfo.ApplicationRegKey = "\\SOFTWARE\\ZANDREL";
        AppInfo.ZaimuRegKey = "DADOZIZIDIV";
    }
    ~VersionEnv() { ResetAccRecord(); }
    Registry Reg() const { return Registry(dir.path()); }
    void Product(const std::string& sub, const std::string& version, const std::string& type)
    {
        Reg().WriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\" + sub, "Version", version);
        Reg().WriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\" + sub, "Type", type);
    }
};

} // namespace

TEST(SeihinVersionList, BuiltInAndInstalledEditions)
{
    VersionEnv env;
    env.Product("DADOZIZIDIV12", "12.0", "財務１２");            // two parts: ignored
    env.Product("DADOZIZIDIV13", "13.1.0", "財務１３");
    env.Product("DADOZIZIDIV13B", "13.1.5", "財務１３別");       // same 13.1: not added again
    env.Product("DADOZIZIDIV15", "15.0.0", "パヴォナ財務１５");  // read after the duplicate
    env.Product("OTHERPRODUCT16", "16.0.0", "他製品");           // another product

    TSeihinVersionList list;
    list.RegistryRoot = env.dir.path();
    list.CurrentText = "選択なし";
    list.ReadVersionList(0);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"選択なし", "09版", "10版", "11版", "財務１３", "パヴォナ財務１５"}));
    EXPECT_EQ(list.Count, 6);
    EXPECT_EQ(list.GetVersionText(0), "");
    EXPECT_EQ(list.GetVersionText(1), "1.0");
    EXPECT_EQ(list.GetVersionText(4), "13.1");
    EXPECT_EQ(list.GetVersionText(6), "");
    EXPECT_EQ(list.GetTypeName(5), "パヴォナ財務１５");
    EXPECT_EQ(list.IndexOfTypeName("10版"), 2);
    EXPECT_EQ(list.IndexOfTypeName("12版"), -1);
    EXPECT_EQ(list.GetText(), "選択なし\r\n09版\r\n10版\r\n11版\r\n財務１３\r\nパヴォナ財務１５\r\n");

    list.Sort(1);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"選択なし", "パヴォナ財務１５", "財務１３", "11版", "10版", "09版"}));
    list.Sort(0);
    EXPECT_EQ(list.Lines[1], "09版");
}

TEST(SeihinVersionList, OemEditionWithoutKeyHoldsOnlyTheCurrentEntry)
{
    VersionEnv env;
    OemFlag = 1;
    TSeihinVersionList list;
    list.RegistryRoot = env.dir.path();
    list.CurrentText = "選択なし";
    list.ReadVersionList(1);
    EXPECT_EQ(list.Lines, std::vector<std::string>{"選択なし"});
    list.CurrentText.clear();
    list.ReadVersionList(1);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.GetTypeName(0), "");
}
