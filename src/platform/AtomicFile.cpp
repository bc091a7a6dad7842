#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace kb {
namespace {

constexpr std::string_view kTmpMark = ".kbtmp-";

std::runtime_error SysError(const std::string& what, const fs::path& p, int err)
{
    return std::runtime_error(what + " " + p.string() + ": " + std::strerror(err));
}

void FsyncFolder(const fs::path& folder)
{
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

mode_t DefaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The pid a temporary name of ours carries, or -1 when the name is not one of ours.
pid_t LeftoverPid(const std::string& name)
{
    if (name.size() < 2 || name[0] != '.') return -1;
    const auto at = name.rfind(kTmpMark);
    if (at == std::string::npos || at < 2) return -1;
    const char* p = name.c_str() + at + kTmpMark.size();
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(p, &end, 10);
    if (errno != 0 || end == p || *end != '-' || pid <= 0) return -1;
    return static_cast<pid_t>(pid);
}

} // namespace

fs::path ResolveWriteTarget(const fs::path& path)
{
    fs::path p = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) throw SysError("cannot read the link", p, ec.value());
        p = to.is_absolute() ? to : (p.parent_path() / to).lexically_normal();
    }
    throw SysError("too many links at", path, ELOOP);
}

void WriteFileAtomically(const fs::path& path, std::string_view bytes, FileAccess access)
{
    const fs::path target = ResolveWriteTarget(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    mode_t mode = exists ? (old.st_mode & 07777) : DefaultMode();
    if (access == FileAccess::Private) mode = exists ? (mode & 07700) : 0600;

    std::random_device rd;
    fs::path tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char unique[48];
        std::snprintf(unique, sizeof unique, "%ld-%08x", static_cast<long>(::getpid()), static_cast<unsigned>(rd()));
        tmp = folder / ("." + target.filename().string() + std::string(kTmpMark) + unique);
        // No permissions while the content is incomplete; the final mode comes just before the rename.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0);
        if (fd < 0 && errno != EEXIST) throw SysError("cannot create", tmp, errno);
    }
    if (fd < 0) throw SysError("cannot create a temporary file beside", target, EEXIST);

    auto fail = [&](const char* what, int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        throw SysError(what, target, err);
    };
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write", errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) fail("cannot write", errno);
    if (exists && old.st_gid != ::getegid()) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    if (::fchmod(fd, mode) != 0) fail("cannot set the mode of", errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) fail("cannot write", errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0) fail("cannot replace", errno);
    FsyncFolder(folder);
}

int RemoveAtomicLeftovers(const fs::path& folder)
{
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t pid = LeftoverPid(name);
        if (pid < 0) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM) continue;  // its writer still runs
        if (::unlink(it->path().c_str()) == 0) ++removed;
    }
    return removed;
}

} // namespace kb
