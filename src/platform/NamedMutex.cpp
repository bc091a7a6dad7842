#include "platform/NamedMutex.h"

#include "platform/ShellFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace fs = std::filesystem;

namespace kb {

fs::path NamedMutex::LockFile(const std::string& name)
{
    if (name.empty()) throw NamedMutexError("a named mutex needs a name");
    std::string file;
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.') {
            file += static_cast<char>(c);
        } else {
            file += '%';
            file += hex[c >> 4];
            file += hex[c & 15];
        }
    }
    if (file == "." || file == "..") file = "%2E" + file.substr(1);
    return ShellFolders::RuntimeDir() / "mutex" / (file + ".lock");
}

bool NamedMutex::Exists(const std::string& name)
{
    const fs::path file = LockFile(name);
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false; // never created, so never held
    // A shared probe conflicts with a holder's exclusive lock but not with other probes.
    const int rc = ::flock(fd, LOCK_SH | LOCK_NB);
    const int err = errno;
    ::close(fd);
    if (rc == 0) return false;
    if (err == EWOULDBLOCK) return true;
    throw NamedMutexError("cannot test the mutex " + name + ": " + std::strerror(err));
}

std::optional<NamedMutex> NamedMutex::TryCreate(const std::string& name)
{
    const fs::path file = LockFile(name);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    // Close-on-exec: a tool we start must not inherit the lock and keep it after we end.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) throw NamedMutexError("cannot open the mutex file " + file.string() + ": " + std::strerror(errno));
    // Another process's Exists probe holds a shared lock for a moment; try a few times before
    // concluding that a real holder exists.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return NamedMutex(name, fd);
        if (errno != EWOULDBLOCK) {
            const int err = errno;
            ::close(fd);
            throw NamedMutexError("cannot lock the mutex " + name + ": " + std::strerror(err));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(fd);
    return std::nullopt;
}

NamedMutex NamedMutex::Create(const std::string& name)
{
    auto m = TryCreate(name);
    if (!m) throw NamedMutexError("the mutex " + name + " is held by another process");
    return std::move(*m);
}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept : name_(std::move(other.name_)), fd_(other.fd_) { other.fd_ = -1; }

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept
{
    if (this != &other) {
        Release();
        name_ = std::move(other.name_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

NamedMutex::~NamedMutex() { Release(); }

void NamedMutex::Release()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace kb
