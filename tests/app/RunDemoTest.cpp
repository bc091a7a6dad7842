// scripts/run-demo.sh (make run) on a root of its own (KB_DEMO_ROOT), offscreen: a missing root is
// built and the program starts on it; a root that lacks a part is reported and left untouched; a
// reset moves the old root aside instead of deleting it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"

namespace fs = std::filesystem;

namespace {

using kbtest::BuildDir;
using kbtest::SourceDir;
struct ScriptRun {
    int exitCode = -1;
    std::string output;
    bool Shows(const std::string& text) const { return output.find(text) != std::string::npos; }
};

class RunDemoTest : public ::testing::Test {
protected:
    ScriptRun Run(const std::vector<std::string>& extra)
    {
        std::vector<std::string> argv = {"/bin/bash", (SourceDir() / "scripts/run-demo.sh").string(), BuildDir().string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        kb::ChildProcess p(argv);
        p.SetEnv("KB_DEMO_ROOT", root.string());
        p.SetEnv("KB_RUNTIME_DIR", (dir / "run").string());
        p.SetEnv("QT_QPA_PLATFORM", "offscreen");
        p.SetEnv("KB_TEST_MODE", "1");
        p.SetEnv("KB_TEST_LOGON", "10,abc123");
        p.SetEnv("KB_TEST_ON_READY", "close");
        p.SetEnv("KB_COMPUTER_NAME", "PC-A");
        const fs::path log = dir / ("run" + std::to_string(++runs) + ".log");
        p.SetOutputFile(log);
        p.Start();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
        p.WaitPolling([&] { return std::chrono::steady_clock::now() > deadline; }, std::chrono::milliseconds(100));
        ScriptRun r;
        r.exitCode = p.ExitCode();
        r.output = kbtest::ReadFile(log);
        return r;
    }

    std::vector<std::string> Entries(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    kbtest::TempDir dir;
    fs::path root = dir / "demo";
    int runs = 0;
};

TEST_F(RunDemoTest, ARootWithoutItsSystemDatabaseIsReportedAndLeftAlone)
{
    fs::create_directories(root / "documents");
    kbtest::WriteFile(root / "documents/mine.xml", "my file");
    fs::create_directories(root / "common/zandrel/dadozizidiv/ini");
    kbtest::WriteFile(root / "common/zandrel/dadozizidiv/ini/Kenbo.ini", "[SYOTOKUZEI]\r\nEXPORTFILE=mine.xml\r\n");
    const ScriptRun r = Run({});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_TRUE(r.Shows(root.string() + "/data/vqaccdef.fdb  (財務システムデータベース)")) << r.output;
    EXPECT_TRUE(r.Shows("make demo-reset")) << r.output;
    EXPECT_FALSE(r.Shows("KB-READY"));
    // Nothing was added, moved or removed.
    EXPECT_EQ(Entries(root), (std::vector<std::string>{"common", "documents"}));
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"demo", "run1.log"}));
    EXPECT_EQ(kbtest::ReadFile(root / "documents/mine.xml"), "my file");
    EXPECT_EQ(kbtest::ReadFile(root / "common/zandrel/dadozizidiv/ini/Kenbo.ini"), "[SYOTOKUZEI]\r\nEXPORTFILE=mine.xml\r\n");
}

TEST_F(RunDemoTest, AMissingRootIsBuiltInPlaceAndAResetMovesTheOldOneAside)
{
    const ScriptRun first = Run({});
    EXPECT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(first.Shows("KB-READY page1")) << first.output;
    // The root records its own place, and nothing of the build is left beside it.
    EXPECT_EQ(kb::IniFile(root / "common/zandrel/dadozizidiv/vqzaimu.ini").ReadString("LOCAL", "SYSDIR", ""), (root / "data").string());
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(root)));
    std::vector<std::string> beside = Entries(dir.path());
    EXPECT_EQ(std::count_if(beside.begin(), beside.end(), [](const std::string& n) { return n.rfind(".demo-build", 0) == 0; }), 0);

    kbtest::WriteFile(root / "documents/mine.xml", "my file");
    const ScriptRun reset = Run({"--reset"});
    EXPECT_EQ(reset.exitCode, 0) << reset.output;
    fs::path aside;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("demo.old-", 0) == 0) aside = e.path();
    ASSERT_FALSE(aside.empty()) << reset.output;
    EXPECT_EQ(kbtest::ReadFile(aside / "documents/mine.xml"), "my file");
    EXPECT_FALSE(fs::exists(root / "documents/mine.xml"));
    EXPECT_TRUE(fs::exists(root / "data/vqaccdef.fdb"));
}

} // namespace
