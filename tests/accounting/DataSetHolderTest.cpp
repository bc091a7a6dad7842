// The "in use" mark of a data folder against its holder: a mark that a dead process of this
// computer left is cleared, a live holder's, another computer's and a holder-less mark stay.

#include "accounting/DataSetHolder.h"
#include "common/TestEnv.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

using namespace kb;
namespace fs = std::filesystem;

namespace {

const char* const kInUse = "[DATASTS]\r\nSTATUS=2\r\nOPCODE=100000010\r\nOPERATOR=山田太郎\r\nSHARE_STATUS=1\r\n";

// A process that holds the holder file locked until it is killed.
pid_t HoldLocked(const fs::path& file)
{
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(file.c_str(), O_RDWR);
        ::flock(fd, LOCK_EX);
        [[maybe_unused]] auto n = ::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char c;
    [[maybe_unused]] auto n = ::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return pid;
}

} // namespace

TEST(DataSetHolder, OnlyAMarkOfADeadHolderOnThisComputerIsCleared)
{
    kbtest::ScopedEnv env("KB_COMPUTER_NAME", "PC-A");
    ConnectMode = 0;
    struct Case {
        const char* name;
        const char* holder;  // nullptr: no holder file
        bool liveHolder;
        bool cleared;
    };
    const Case cases[] = {
        {"dead holder on this computer", "COMPUTER=PC-A\r\nPID=999999\r\n", false, true},
        {"computer named in another case", "COMPUTER=pc-a\r\nPID=1\r\n", false, true},
        {"live holder", "COMPUTER=PC-A\r\nPID=1\r\n", true, false},
        {"another computer", "COMPUTER=PC-B\r\nPID=1\r\n", false, false},
        {"no holder file", nullptr, false, false},
        {"holder without a computer", "PID=1\r\n", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        kbtest::WriteFile(fs::path(folder) / "vqacc.ini", Utf8ToCp932(kInUse));
        if (c.holder) kbtest::WriteFile(DataSetHolder::FileName(folder), c.holder);
        const pid_t holder = c.liveHolder ? HoldLocked(DataSetHolder::FileName(folder)) : -1;

        EXPECT_EQ(ClearStaleInUseMark(folder), c.cleared);
        const IniFile ini(fs::path(folder) / "vqacc.ini");
        EXPECT_EQ(ini.ReadString("DATASTS", "STATUS"), c.cleared ? "1" : "2");
        EXPECT_EQ(ini.ValueExists("DATASTS", "OPERATOR"), !c.cleared);
        EXPECT_EQ(ini.ReadString("DATASTS", "SHARE_STATUS"), "1");
        EXPECT_EQ(fs::exists(DataSetHolder::FileName(folder)), c.holder && !c.cleared);
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
            // Its end is what makes the mark stale.
            EXPECT_TRUE(ClearStaleInUseMark(folder));
        }
    }
}

TEST(DataSetHolder, OurOwnHoldIsNotStaleAndReleaseRemovesTheFile)
{
    kbtest::ScopedEnv env("KB_COMPUTER_NAME", "PC-A");
    ConnectMode = 0;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    kbtest::WriteFile(fs::path(folder) / "vqacc.ini", Utf8ToCp932(kInUse));
    ASSERT_TRUE(DataSetHolder::Take(folder));
    EXPECT_EQ(kbtest::ReadFile(DataSetHolder::FileName(folder)), "COMPUTER=PC-A\r\nPID=" + std::to_string(::getpid()) + "\r\n");
    EXPECT_FALSE(IsStaleInUseMark(folder));
    DataSetHolder::Release(folder);
    EXPECT_FALSE(fs::exists(DataSetHolder::FileName(folder)));
}
