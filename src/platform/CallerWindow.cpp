#include "platform/CallerWindow.h"

#include "platform/ShellFolders.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kb {
namespace {

constexpr const char* kTag = "KBWND/1";

sockaddr_un Address(const fs::path& path)
{
    sockaddr_un a {};
    a.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof a.sun_path)
        throw std::runtime_error("the endpoint path is too long for a socket: " + path.string());
    std::memcpy(a.sun_path, path.c_str(), path.native().size() + 1);
    return a;
}

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> parts;
    std::size_t pos = 0;
    for (;;) {
        const auto sp = s.find(' ', pos);
        parts.push_back(s.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos));
        if (sp == std::string::npos) break;
        pos = sp + 1;
    }
    return parts;
}

template <typename T>
bool Number(const std::string& s, T& out)
{
    if (s.empty() || s[0] == '+') return false;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

} // namespace

std::string CallerWindowMessage::Format() const
{
    switch (kind) {
    case Kind::Enable: return std::string(kTag) + " ENABLE " + (enable ? "1" : "0");
    case Kind::BringToFront: return std::string(kTag) + " FRONT";
    case Kind::Post:
        return std::string(kTag) + " POST " + std::to_string(message) + " " + std::to_string(wparam) + " " + std::to_string(lparam);
    }
    return {};
}

std::optional<CallerWindowMessage> CallerWindowMessage::Parse(const std::string& datagram)
{
    const auto f = Split(datagram);
    if (f.size() < 2 || f[0] != kTag) return std::nullopt;
    CallerWindowMessage m;
    if (f[1] == "ENABLE" && f.size() == 3 && (f[2] == "0" || f[2] == "1")) {
        m.kind = Kind::Enable;
        m.enable = f[2] == "1";
        return m;
    }
    if (f[1] == "FRONT" && f.size() == 2) {
        m.kind = Kind::BringToFront;
        return m;
    }
    if (f[1] == "POST" && f.size() == 5 && Number(f[2], m.message) && Number(f[3], m.wparam) && Number(f[4], m.lparam)) {
        m.kind = Kind::Post;
        return m;
    }
    return std::nullopt;
}

fs::path CallerWindow::EndpointPath(WindowHandle handle)
{
    return ShellFolders::RuntimeDir() / "window" / std::to_string(handle);
}

bool CallerWindow::Send(const CallerWindowMessage& m) const
{
    if (handle_ == 0) return false;
    try {
        const sockaddr_un a = Address(EndpointPath(handle_));
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        const std::string d = m.Format();
        // Never wait on a caller that stopped reading: a full queue loses the datagram, as a
        // posted message to a hung window would be lost.
        const ssize_t n = ::sendto(fd, d.data(), d.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(&a), sizeof a);
        ::close(fd);
        return n == static_cast<ssize_t>(d.size());
    } catch (const std::exception&) {
        return false;
    }
}

bool CallerWindow::Enable(bool enable) const
{
    CallerWindowMessage m;
    m.kind = CallerWindowMessage::Kind::Enable;
    m.enable = enable;
    return Send(m);
}

bool CallerWindow::BringToFront() const
{
    CallerWindowMessage m;
    m.kind = CallerWindowMessage::Kind::BringToFront;
    return Send(m);
}

bool CallerWindow::PostMessage(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) const
{
    CallerWindowMessage m;
    m.kind = CallerWindowMessage::Kind::Post;
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    return Send(m);
}

CallerWindowReceiver::CallerWindowReceiver(WindowHandle handle)
{
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error(std::string("cannot make a socket: ") + std::strerror(errno));
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const WindowHandle h = handle != 0 ? handle : (static_cast<WindowHandle>(rd()) % 1000000000u) + 1;
        const fs::path p = CallerWindow::EndpointPath(h);
        std::error_code ec;
        fs::create_directories(p.parent_path(), ec);
        const sockaddr_un a = Address(p);
        // A socket left by a caller that crashed would block the handle for good; one that a live
        // receiver still reads from is left alone (connecting to it succeeds).
        struct stat st {};
        if (handle != 0 && ::lstat(p.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const bool stale = probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 && errno == ECONNREFUSED;
            if (probe >= 0) ::close(probe);
            if (stale) ::unlink(p.c_str());
        }
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
            handle_ = h;
            path_ = p;
            return;
        }
        if (errno != EADDRINUSE || handle != 0) {
            const int err = errno;
            ::close(fd_);
            throw std::runtime_error("cannot bind " + p.string() + ": " + std::strerror(err));
        }
    }
    ::close(fd_);
    throw std::runtime_error("no free caller window handle");
}

CallerWindowReceiver::~CallerWindowReceiver()
{
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::optional<CallerWindowMessage> CallerWindowReceiver::Next(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p {fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return std::nullopt;
        char buf[512];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0) continue;
        if (auto m = CallerWindowMessage::Parse(std::string(buf, static_cast<std::size_t>(n)))) return m;
        ++rejected_;
    }
}

std::vector<CallerWindowMessage> CallerWindowReceiver::Drain()
{
    std::vector<CallerWindowMessage> all;
    while (auto m = Next(std::chrono::milliseconds(0))) all.push_back(*m);
    return all;
}

} // namespace kb
