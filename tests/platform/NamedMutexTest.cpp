#include "platform/ChildProcess.h"
#include "platform/NamedMutex.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Every test gets a runtime folder of its own, so mutexes of parallel tests never meet.
class NamedMutexTest : public ::testing::Test {
protected:
    kbtest::TempDir dir;
    kbtest::ScopedEnv env{"KB_RUNTIME_DIR", (dir / "run").string()};
};

// A second process that takes the mutex with our own code and holds it until it is killed; with
// withTool it first starts a long-running tool of its own, whose pid lands in *tool.
// Returns its pid once it holds the mutex, or -1.
pid_t StartHolder(const std::string& name, bool withTool = false, pid_t* tool = nullptr)
{
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        try {
            auto m = kb::NamedMutex::Create(name);
            pid_t toolPid = 0;
            if (withTool) {
                auto* p = new kb::ChildProcess({"sleep", "60"}); // left running on purpose
                p->Start();
                toolPid = p->Pid();
            }
            if (::write(fds[1], &toolPid, sizeof toolPid) != sizeof toolPid) ::_exit(3);
            for (;;) ::pause();
        } catch (...) {
            ::_exit(2);
        }
    }
    ::close(fds[1]);
    pollfd p {fds[0], POLLIN, 0};
    pid_t toolPid = -1;
    const bool ready = ::poll(&p, 1, 20000) == 1 && ::read(fds[0], &toolPid, sizeof toolPid) == sizeof toolPid;
    ::close(fds[0]);
    if (!ready) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    if (tool) *tool = toolPid;
    return pid;
}

} // namespace

TEST_F(NamedMutexTest, LiveHolderInAnotherProcessIsSeenAndKilledHolderDoesNotBlock)
{
    EXPECT_FALSE(kb::NamedMutex::Exists("KENBO_RENDO"));
    const pid_t holder = StartHolder("KENBO_RENDO");
    ASSERT_GT(holder, 0);

    EXPECT_TRUE(kb::NamedMutex::Exists("KENBO_RENDO"));
    EXPECT_FALSE(kb::NamedMutex::TryCreate("KENBO_RENDO").has_value());
    EXPECT_THROW(kb::NamedMutex::Create("KENBO_RENDO"), kb::NamedMutexError);
    EXPECT_FALSE(kb::NamedMutex::Exists("LUMORA000")); // other names are unaffected

    // A crash: no chance to clean up. The lock file stays, the lock does not.
    ASSERT_EQ(::kill(holder, SIGKILL), 0);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    EXPECT_TRUE(std::filesystem::exists(kb::NamedMutex::LockFile("KENBO_RENDO")));
    EXPECT_FALSE(kb::NamedMutex::Exists("KENBO_RENDO"));
    auto mine = kb::NamedMutex::TryCreate("KENBO_RENDO");
    ASSERT_TRUE(mine.has_value());
    EXPECT_TRUE(kb::NamedMutex::Exists("KENBO_RENDO"));
}

TEST_F(NamedMutexTest, HolderInThisProcessIsSeenUntilReleased)
{
    {
        auto m = kb::NamedMutex::Create("LUMORA_TOOLS");
        EXPECT_TRUE(m.Held());
        EXPECT_TRUE(kb::NamedMutex::Exists("LUMORA_TOOLS"));
        EXPECT_FALSE(kb::NamedMutex::TryCreate("LUMORA_TOOLS").has_value());
        kb::NamedMutex moved = std::move(m);
        EXPECT_FALSE(m.Held());
        EXPECT_TRUE(kb::NamedMutex::Exists("LUMORA_TOOLS"));
    }
    EXPECT_FALSE(kb::NamedMutex::Exists("LUMORA_TOOLS"));
    auto again = kb::NamedMutex::Create("LUMORA_TOOLS");
    again.Release();
    EXPECT_FALSE(kb::NamedMutex::Exists("LUMORA_TOOLS"));
}

// A tool we start while holding the mutex must not inherit the lock: otherwise a gbak that outlives
// a crashed program would keep "the application is already running" alive.
TEST_F(NamedMutexTest, ToolStartedByACrashedHolderDoesNotKeepTheMutex)
{
    pid_t tool = 0;
    const pid_t holder = StartHolder("KENBO_RENDO", true, &tool);
    ASSERT_GT(holder, 0);
    ASSERT_GT(tool, 0);
    EXPECT_TRUE(kb::NamedMutex::Exists("KENBO_RENDO"));
    ASSERT_EQ(::kill(holder, SIGKILL), 0);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    EXPECT_EQ(::kill(tool, 0), 0); // the tool still runs
    EXPECT_FALSE(kb::NamedMutex::Exists("KENBO_RENDO"));
    ::kill(tool, SIGKILL);
}

TEST_F(NamedMutexTest, NamesMapToDistinctFiles)
{
    EXPECT_EQ(kb::NamedMutex::LockFile("KENBO_RENDO").filename(), "KENBO_RENDO.lock");
    EXPECT_EQ(kb::NamedMutex::LockFile("Global\\X").filename(), "Global%5CX.lock");
    EXPECT_EQ(kb::NamedMutex::LockFile("a/b").filename(), "a%2Fb.lock");
    EXPECT_EQ(kb::NamedMutex::LockFile("..").filename(), "%2E..lock");
    EXPECT_NE(kb::NamedMutex::LockFile("kenbo_rendo"), kb::NamedMutex::LockFile("KENBO_RENDO"));
    EXPECT_EQ(kb::NamedMutex::LockFile("X").parent_path(), dir / "run" / "mutex");
    auto a = kb::NamedMutex::Create("Global\\X");
    EXPECT_FALSE(kb::NamedMutex::Exists("X"));
    EXPECT_THROW(kb::NamedMutex::LockFile(""), kb::NamedMutexError);
}
