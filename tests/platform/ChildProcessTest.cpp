#include "platform/ChildProcess.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <signal.h>

#include <thread>

using kb::ChildProcess;

namespace {
std::string RunTo(std::vector<std::string> args, const kbtest::TempDir& dir, int* code = nullptr)
{
    ChildProcess p(std::move(args));
    p.SetOutputFile(dir / "out.txt");
    p.Start();
    const int rc = p.Wait();
    if (code) *code = rc;
    return kbtest::ReadFile(dir / "out.txt");
}
} // namespace

// Arguments reach the program exactly as given: no shell splits, expands or runs anything.
TEST(ChildProcess, ArgumentsArePassedVerbatim)
{
    kbtest::TempDir dir;
    const std::string marker = (dir / "touched").string();
    EXPECT_EQ(RunTo({"printf", "%s|", "a b", "$HOME", "x;touch " + marker, "'q'\"", "*", ""}, dir),
              "a b|$HOME|x;touch " + marker + "|'q'\"|*||");
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(ChildProcess, ExtraEnvironmentWorkingFolderAndInput)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_TEST_DROPPED", std::string("1"));
    kbtest::WriteFile(dir / "in.txt", "line1\nline2\n");
    ChildProcess p({"sh", "-c", "printf '%s:%s:%s:' \"$ISC_USER\" \"$ISC_PASSWORD\" \"${KB_TEST_DROPPED-unset}\"; pwd; cat; echo err >&2"});
    p.SetEnv("ISC_USER", "SYSDBA");
    p.SetEnv("ISC_PASSWORD", "pass word");
    p.UnsetEnv("KB_TEST_DROPPED");
    p.SetWorkingDirectory(dir.path());
    p.SetInputFile(dir / "in.txt");
    p.SetOutputFile(dir / "out.txt");
    p.Start();
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(kbtest::ReadFile(dir / "out.txt"),
              "SYSDBA:pass word:unset:" + std::filesystem::canonical(dir.path()).string() + "\nline1\nline2\nerr\n");
}

TEST(ChildProcess, ExitCodesSignalsAndStartFailures)
{
    kbtest::TempDir dir;
    int code = 0;
    RunTo({"sh", "-c", "exit 7"}, dir, &code);
    EXPECT_EQ(code, 7);

    ChildProcess killed({"sh", "-c", "kill -9 $$"});
    killed.Start();
    EXPECT_EQ(killed.Wait(), -1);
    EXPECT_EQ(killed.TermSignal(), SIGKILL);

    EXPECT_THROW(ChildProcess({"kb-no-such-program-here"}).Start(), kb::ChildProcessError);
    EXPECT_THROW(ChildProcess({(dir / "missing").string()}).Start(), kb::ChildProcessError);
    ChildProcess badOut({"true"});
    badOut.SetOutputFile(dir / "no" / "such" / "folder" / "out.txt");
    EXPECT_THROW(badOut.Start(), kb::ChildProcessError);
    EXPECT_EQ(kb::RunChildProcess({"false"}), 1);
}

// While the tool runs, the user interface keeps working: queued events are delivered during the wait.
TEST(ChildProcess, WaitPollingRunsTheEventLoop)
{
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    ChildProcess p({"sh", "-c", "sleep 0.3; exit 3"});
    p.Start();
    EXPECT_TRUE(p.WaitPolling({}, std::chrono::milliseconds(20)));
    EXPECT_TRUE(delivered);
    EXPECT_EQ(p.ExitCode(), 3);
}

TEST(ChildProcess, CancelEndsTheChild)
{
    int asked = 0;
    ChildProcess p({"sleep", "60"});
    p.Start();
    EXPECT_FALSE(p.WaitPolling([&] { return ++asked >= 2; }, std::chrono::milliseconds(10)));
    EXPECT_TRUE(p.Finished());
    EXPECT_EQ(p.TermSignal(), SIGTERM);
    EXPECT_EQ(asked, 2);
}

TEST(ChildProcess, OwnerGoingAwayKillsTheChild)
{
    pid_t pid = 0;
    {
        ChildProcess p({"sleep", "60"});
        p.Start();
        pid = p.Pid();
        EXPECT_TRUE(p.Running());
    }
    // Reaped, so the pid no longer names our child.
    EXPECT_NE(::kill(pid, 0), 0);
}

// Off the user-interface thread there is no event loop to run: the wait still ends and still cancels.
TEST(ChildProcess, WaitPollingOnAWorkerThread)
{
    bool ended = false, cancelled = true;
    std::thread worker([&] {
        ChildProcess a({"true"});
        a.Start();
        ended = a.WaitPolling({}, std::chrono::milliseconds(5));
        ChildProcess b({"sleep", "60"});
        b.Start();
        cancelled = !b.WaitPolling([] { return true; }, std::chrono::milliseconds(5));
    });
    worker.join();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(cancelled);
}
