#include "platform/CallerWindow.h"
#include "platform/ChildProcess.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using kb::CallerWindow;
using kb::CallerWindowMessage;
using kb::CallerWindowReceiver;
using Kind = kb::CallerWindowMessage::Kind;

namespace {
class CallerWindowTest : public ::testing::Test {
protected:
    kbtest::TempDir dir;
    kbtest::ScopedEnv env{"KB_RUNTIME_DIR", (dir / "run").string()};
};

CallerWindowMessage Enable(bool on) { CallerWindowMessage m; m.kind = Kind::Enable; m.enable = on; return m; }
CallerWindowMessage Front() { CallerWindowMessage m; m.kind = Kind::BringToFront; return m; }
CallerWindowMessage Post(std::uint32_t msg, std::uint64_t w, std::int64_t l)
{
    CallerWindowMessage m;
    m.kind = Kind::Post;
    m.message = msg;
    m.wparam = w;
    m.lparam = l;
    return m;
}
} // namespace

// What the program does in a run started by the caller: disable at start; at the end bring the
// caller to the front, enable it and post the outcome. The caller sees it all, in order, even when
// the sender is another process that has already ended.
TEST_F(CallerWindowTest, ReceiverGetsTheMessagesInOrderFromAnotherProcess)
{
    CallerWindowReceiver caller;
    ASSERT_NE(caller.Handle(), 0u);
    EXPECT_EQ(caller.Path(), dir / "run" / "window" / std::to_string(caller.Handle()));

    const pid_t pid = ::fork();
    if (pid == 0) {
        const CallerWindow w(caller.Handle());
        const bool ok = w.Enable(false) && w.BringToFront() && w.Enable(true) && w.PostMessage(0x8001, 3, 2) &&
                        w.PostMessage(4294967295u, 18446744073709551615ull, -9223372036854775807ll - 1);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::vector<CallerWindowMessage> expected = {
        Enable(false), Front(), Enable(true), Post(0x8001, 3, 2),
        Post(4294967295u, 18446744073709551615ull, -9223372036854775807ll - 1)};
    std::vector<CallerWindowMessage> got;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        auto m = caller.Next(std::chrono::seconds(10));
        ASSERT_TRUE(m.has_value()) << "message " << i;
        got.push_back(*m);
    }
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(caller.Drain().empty());
    EXPECT_EQ(caller.Rejected(), 0);
}

TEST_F(CallerWindowTest, NoCallerMeansNothingIsSentAndNothingBlocks)
{
    EXPECT_FALSE(CallerWindow(0).PostMessage(1, 2, 3));
    EXPECT_FALSE(CallerWindow(4242).Enable(true)); // nobody bound that handle
    {
        CallerWindowReceiver gone(4243);
    }
    EXPECT_FALSE(std::filesystem::exists(CallerWindow::EndpointPath(4243)));
    EXPECT_FALSE(CallerWindow(4243).BringToFront());
}

TEST_F(CallerWindowTest, DatagramTextAndMalformedDatagrams)
{
    EXPECT_EQ(Enable(false).Format(), "KBWND/1 ENABLE 0");
    EXPECT_EQ(Front().Format(), "KBWND/1 FRONT");
    EXPECT_EQ(Post(32769, 1, -5).Format(), "KBWND/1 POST 32769 1 -5");
    for (const char* bad : {"", "KBWND/1", "KBWND/2 FRONT", "KBWND/1 FRONT x", "KBWND/1 ENABLE 2", "KBWND/1 POST 1 2",
                            "KBWND/1 POST 1 2 3 4", "KBWND/1 POST 4294967296 0 0", "KBWND/1 POST 1 -2 0",
                            "KBWND/1 POST +1 2 3", "KBWND/1  POST 1 2 3", "kbwnd/1 FRONT"})
        EXPECT_FALSE(CallerWindowMessage::Parse(bad).has_value()) << bad;

    // A receiver skips what it cannot read and goes on with the next datagram.
    CallerWindowReceiver caller(777);
    kb::ChildProcess junk({"python3", "-c",
                           "import socket,sys; s=socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); "
                           "s.sendto(b'hello', sys.argv[1]); s.sendto(b'KBWND/1 POST 5 6 7', sys.argv[1])",
                           caller.Path().string()});
    junk.Start();
    ASSERT_EQ(junk.Wait(), 0);
    auto m = caller.Next(std::chrono::seconds(10));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(*m, Post(5, 6, 7));
    EXPECT_EQ(caller.Rejected(), 1);
}

// A caller that crashed leaves its socket file; the handle can be bound again.
TEST_F(CallerWindowTest, StaleEndpointIsReplaced)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        new CallerWindowReceiver(555); // never destroyed: the file stays, as after a crash
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
    ASSERT_TRUE(std::filesystem::exists(CallerWindow::EndpointPath(555)));
    CallerWindowReceiver caller(555);
    EXPECT_THROW(CallerWindowReceiver(555), std::runtime_error); // a live receiver keeps its endpoint
    EXPECT_TRUE(CallerWindow(555).Enable(false));
    auto m = caller.Next(std::chrono::seconds(10));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(*m, Enable(false));
}
