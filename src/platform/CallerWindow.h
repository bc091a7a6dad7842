#pragma once
// The calling application's window. When the tax-return application starts us, the first field of
// the command line is its "window handle": here a decimal number that names a Unix-domain datagram
// endpoint of the caller, ShellFolders::RuntimeDir()/window/<handle>. What the Windows program did
// with window calls (disable and enable the window, bring it to the front, post the outcome) are
// datagrams to that endpoint; the format is in docs/platform.md. Like the window calls, sending
// never blocks and never fails loudly: a caller that has gone away simply gets nothing.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kb {

using WindowHandle = std::uint64_t;

// One datagram as the caller reads it.
struct CallerWindowMessage {
    enum class Kind { Enable, BringToFront, Post };
    Kind kind = Kind::Post;
    bool enable = false;          // Enable: true to enable, false to disable
    std::uint32_t message = 0;    // Post: the message number
    std::uint64_t wparam = 0;     // Post: first number
    std::int64_t lparam = 0;      // Post: second number

    // The datagram text, and back; Parse answers empty for anything that is not a valid datagram.
    std::string Format() const;
    static std::optional<CallerWindowMessage> Parse(const std::string& datagram);
    bool operator==(const CallerWindowMessage&) const = default;
};

// The sender the program uses.
class CallerWindow {
public:
    // Handle 0 means "no caller": every call does nothing and answers false.
    explicit CallerWindow(WindowHandle handle) : handle_(handle) {}
    static std::filesystem::path EndpointPath(WindowHandle handle);

    WindowHandle Handle() const { return handle_; }
    // Each answers whether the datagram was delivered to the endpoint.
    bool Enable(bool enable) const;
    bool BringToFront() const;
    bool PostMessage(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) const;
    bool Send(const CallerWindowMessage& m) const;

private:
    WindowHandle handle_;
};

// Plays the calling application in tests (and documents what a caller does): binds the endpoint of a
// handle and collects the datagrams in the order they were sent. The endpoint is removed on
// destruction.
class CallerWindowReceiver {
public:
    // Binds the endpoint of handle (replacing the socket file of a receiver that has gone; throws when a
    // live one has it); with handle 0 picks a free handle of its own.
    explicit CallerWindowReceiver(WindowHandle handle = 0);
    ~CallerWindowReceiver();
    CallerWindowReceiver(const CallerWindowReceiver&) = delete;
    CallerWindowReceiver& operator=(const CallerWindowReceiver&) = delete;

    WindowHandle Handle() const { return handle_; }
    const std::filesystem::path& Path() const { return path_; }
    // The next message, waiting up to timeout; empty on timeout. Datagrams that do not parse are
    // skipped and counted in Rejected().
    std::optional<CallerWindowMessage> Next(std::chrono::milliseconds timeout);
    // Every message that has arrived so far, without waiting.
    std::vector<CallerWindowMessage> Drain();
    int Rejected() const { return rejected_; }

private:
    WindowHandle handle_ = 0;
    std::filesystem::path path_;
    int fd_ = -1;
    int rejected_ = 0;
};

} // namespace kb
