#include "platform/TempFiles.h"

#include "platform/ShellFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kb {
namespace {

std::string UniquePart()
{
    static std::atomic<unsigned long> counter{0};
    thread_local std::mt19937_64 rng{std::random_device{}()};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld-%lu-%08llx", static_cast<long>(::getpid()), counter.fetch_add(1) + 1,
                  static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    return buf;
}

} // namespace

fs::path TempFiles::PrivateTempDir()
{
    fs::path base;
    if (const char* v = std::getenv("KB_TEMP_DIR"); v && *v) base = v;
    else if (const char* t = std::getenv("TMPDIR"); t && *t) base = t;
    else base = "/tmp";
    const fs::path dir = base / ("kenbo-rendo-" + std::to_string(::geteuid()));
    EnsurePrivateDir(dir);
    return dir;
}

fs::path TempFiles::UniqueTempPath(const std::string& prefix, const std::string& suffix)
{
    const fs::path dir = PrivateTempDir();
    for (;;) {
        fs::path p = dir / (prefix + UniquePart() + suffix);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(p, ec))) return p;
    }
}

fs::path TempFiles::CreateTempFile(const std::string& prefix, const std::string& suffix)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = UniqueTempPath(prefix, suffix);
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return p;
        }
        if (errno != EEXIST) throw std::runtime_error("cannot create " + p.string() + ": " + std::strerror(errno));
    }
    throw std::runtime_error("cannot find a free temporary name for " + prefix);
}

fs::path TempFiles::CreateTempDir(const std::string& prefix)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = UniqueTempPath(prefix);
        if (::mkdir(p.c_str(), 0700) == 0) return p;
        if (errno != EEXIST) throw std::runtime_error("cannot create " + p.string() + ": " + std::strerror(errno));
    }
    throw std::runtime_error("cannot find a free temporary name for " + prefix);
}

} // namespace kb
