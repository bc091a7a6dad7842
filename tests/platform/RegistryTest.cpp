#include "platform/Registry.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using kb::Registry;
using kb::RegType;

namespace {
const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\DADOZIZIDIV15";
}

TEST(Registry, ValuesRoundTripWithTheirTypes)
{
    kbtest::TempDir dir;
    Registry reg(dir / "registry");
    reg.WriteString(kProduct, "Product", "Orvex財務 ①㈱～ ｶﾅ");
    reg.WriteString(kProduct, "Version", "15.0.0");
    reg.WriteInteger(kProduct, "Count", -2);
    reg.WriteExpandString(kProduct, "Path", "%HOME%\\data");
    reg.WriteString(kProduct, "", "default");
    reg.WriteString(kProduct, "Odd", "a \"quoted\" \\ text\r\nsecond line ");

    Registry again(dir / "registry"); // a second reader sees what was written (another process would too)
    EXPECT_EQ(again.ReadString(kProduct, "Product"), "Orvex財務 ①㈱～ ｶﾅ");
    EXPECT_EQ(again.ReadString(kProduct, "Version"), "15.0.0");
    EXPECT_EQ(again.ReadInteger(kProduct, "Count"), -2);
    EXPECT_EQ(again.ReadString(kProduct, "Path"), "%HOME%\\data");
    EXPECT_EQ(again.ReadValue(kProduct, "Path")->type, RegType::ExpandString);
    EXPECT_EQ(again.ReadString(kProduct, ""), "default");
    EXPECT_EQ(again.ReadString(kProduct, "Odd"), "a \"quoted\" \\ text\r\nsecond line ");
    // Types do not convert silently; missing values and keys read as nothing.
    EXPECT_FALSE(again.ReadInteger(kProduct, "Version").has_value());
    EXPECT_FALSE(again.ReadString(kProduct, "Count").has_value());
    EXPECT_FALSE(again.ReadString(kProduct, "Missing").has_value());
    EXPECT_FALSE(again.ReadString(kProduct + "\\Nowhere", "Product").has_value());
    EXPECT_EQ(again.GetValueNames(kProduct), (std::vector<std::string>{"Product", "Version", "Count", "Path", "", "Odd"}));
}

TEST(Registry, NamesMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    kbtest::TempDir dir;
    Registry reg(dir.path());
    reg.WriteString("HKLM\\Software\\Zandrel\\Azimo", "Version", "1.0.0");
    EXPECT_EQ(reg.ReadString("hkey_local_machine\\SOFTWARE\\ZANDREL\\AZIMO", "VERSION"), "1.0.0");
    EXPECT_EQ(reg.ReadString("HKEY_LOCAL_MACHINE\\\\Software\\Zandrel\\Azimo\\", "version"), "1.0.0");
    reg.WriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\AZIMO", "VERSION", "2.0.0");
    EXPECT_EQ(reg.GetValueNames("HKLM\\Software\\Zandrel\\Azimo"), (std::vector<std::string>{"Version"}));
    EXPECT_EQ(reg.ReadString("HKLM\\Software\\Zandrel\\Azimo", "Version"), "2.0.0");
    EXPECT_EQ(reg.GetKeyNames("HKLM\\SOFTWARE"), (std::vector<std::string>{"Zandrel"}));
    // Hives are separate.
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\Software\\Zandrel"));
}

TEST(Registry, KeysListCreateAndDelete)
{
    kbtest::TempDir dir;
    Registry reg(dir.path());
    const std::string root = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL";
    reg.WriteString(root + "\\RERUZIRO\\Sub", "Type", "x");
    reg.WriteString(root + "\\dadozizidiv12", "Version", "12.0");
    reg.WriteString(root + "\\DADOZIZIDIV15", "Version", "15.0.0");
    reg.CreateKey(root + "\\Azimo");

    EXPECT_EQ(reg.GetKeyNames(root), (std::vector<std::string>{"Azimo", "dadozizidiv12", "DADOZIZIDIV15", "RERUZIRO"}));
    EXPECT_EQ(reg.GetKeyNames("HKEY_LOCAL_MACHINE"), (std::vector<std::string>{"SOFTWARE"}));
    EXPECT_TRUE(reg.KeyExists(root)); // parents exist through their children, as on Windows
    EXPECT_TRUE(reg.KeyExists(root + "\\azimo"));
    EXPECT_FALSE(reg.KeyExists(root + "\\AZI"));
    EXPECT_TRUE(reg.GetValueNames(root + "\\Azimo").empty());

    EXPECT_TRUE(reg.DeleteValue(root + "\\DADOZIZIDIV15", "version"));
    EXPECT_FALSE(reg.DeleteValue(root + "\\DADOZIZIDIV15", "Version"));
    EXPECT_TRUE(reg.KeyExists(root + "\\DADOZIZIDIV15")); // an emptied key stays

    EXPECT_TRUE(reg.DeleteKey(root + "\\reruziro")); // with everything below
    EXPECT_FALSE(reg.KeyExists(root + "\\RERUZIRO\\Sub"));
    EXPECT_FALSE(reg.DeleteKey(root + "\\RERUZIRO"));
    EXPECT_EQ(reg.GetKeyNames(root), (std::vector<std::string>{"Azimo", "dadozizidiv12", "DADOZIZIDIV15"}));
    EXPECT_EQ(reg.ReadString(root + "\\dadozizidiv12", "Version"), "12.0");
}

// The file is ours and documented: an installer (or a person) writes it by hand, and what we write
// is exactly the documented text.
TEST(Registry, FileFormatOnDisk)
{
    kbtest::TempDir dir;
    kbtest::WriteFile(dir / "HKEY_LOCAL_MACHINE.reg",
                      "KB-REGISTRY 1\n"
                      "; written by the installer\n"
                      "\n"
                      "[SOFTWARE\\ZANDREL\\DADOZIZIDIV15]\n"
                      "\"Product\"=\"Orvex財務\"\n"
                      "\"Version\"=\"15.0.0\"\n"
                      "\"Flags\"=dword:0000001f\n"
                      "\"Neg\"=dword:ffffffff\n"
                      "@=expand:\"%HOME%\"\n");
    Registry reg(dir.path());
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\DADOZIZIDIV15";
    EXPECT_EQ(reg.ReadString(key, "Product"), "Orvex財務");
    EXPECT_EQ(reg.ReadInteger(key, "Flags"), 31);
    EXPECT_EQ(reg.ReadInteger(key, "Neg"), -1);
    EXPECT_EQ(reg.ReadValue(key, "")->type, RegType::ExpandString);

    kbtest::TempDir out;
    Registry w(out.path());
    w.WriteString("HKCU\\Software\\A", "Name", "x\"y\\z\n");
    w.WriteInteger("HKCU\\Software\\A", "N", 255);
    w.WriteString("HKCU\\Software\\A", "", "d");
    w.CreateKey("HKCU\\Software\\B");
    EXPECT_EQ(kbtest::ReadFile(out / "HKEY_CURRENT_USER.reg"),
              "KB-REGISTRY 1\n"
              "\n[Software\\A]\n"
              "\"Name\"=\"x\\\"y\\\\z\\n\"\n"
              "\"N\"=dword:000000ff\n"
              "@=\"d\"\n"
              "\n[Software\\B]\n");
}

TEST(Registry, RefusesBadPathsAndForeignFiles)
{
    kbtest::TempDir dir;
    Registry reg(dir.path());
    for (const std::string bad : {"", "\\SOFTWARE\\X", "HKEY_NOWHERE\\X", "SOFTWARE\\X", "HKLM\\A[1]"})
        EXPECT_THROW(reg.WriteString(bad, "v", "x"), kb::RegistryError) << bad;
    EXPECT_THROW(reg.WriteString("HKEY_LOCAL_MACHINE", "v", "x"), kb::RegistryError);
    EXPECT_THROW(reg.DeleteKey("HKLM"), kb::RegistryError);

    const std::string foreign = "REGEDIT4\n\n[HKEY_USERS\\X]\n\"a\"=\"b\"\n";
    kbtest::WriteFile(dir / "HKEY_USERS.reg", foreign);
    EXPECT_THROW(reg.WriteString("HKU\\X", "a", "c"), kb::RegistryError);
    EXPECT_EQ(kbtest::ReadFile(dir / "HKEY_USERS.reg"), foreign);
}

TEST(Registry, DefaultRootFollowsTheConfigurationRoot)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_CONFIG_ROOT", dir.path().string());
    EXPECT_EQ(Registry::DefaultRoot(), dir / "registry");
    Registry::Open().WriteInteger("HKCU\\Software\\X", "N", 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "registry" / "HKEY_CURRENT_USER.reg"));
}

// Writers in several processes at once lose nothing: each change is made under the hive's lock.
TEST(Registry, ConcurrentWritersFromSeveralProcessesLoseNothing)
{
    kbtest::TempDir dir;
    constexpr int kProcs = 4, kEach = 15;
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcs; ++p) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            try {
                Registry reg(dir.path());
                for (int i = 0; i < kEach; ++i)
                    reg.WriteInteger("HKCU\\Software\\Race", "p" + std::to_string(p) + "_" + std::to_string(i), i);
                ::_exit(0);
            } catch (...) {
                ::_exit(1);
            }
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry reg(dir.path());
    EXPECT_EQ(reg.GetValueNames("HKCU\\Software\\Race").size(), static_cast<std::size_t>(kProcs * kEach));
    EXPECT_EQ(reg.ReadInteger("HKCU\\Software\\Race", "p3_14"), 14);
}
