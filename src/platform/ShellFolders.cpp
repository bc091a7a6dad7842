#include "platform/ShellFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kb {
namespace {

const char* Env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

fs::path NoTrailingSlash(fs::path p)
{
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// XDG user folder: the environment, else the line NAME="..." of user-dirs.dirs, where "$HOME" opens
// a path relative to the home folder (the only form xdg-user-dirs writes).
fs::path XdgUserDir(const char* name)
{
    if (const char* v = Env(name)) return v;
    const fs::path home = ShellFolders::HomeDir();
    fs::path conf;
    if (const char* c = Env("XDG_CONFIG_HOME")) conf = fs::path(c) / "user-dirs.dirs";
    else if (!home.empty()) conf = home / ".config" / "user-dirs.dirs";
    std::ifstream in(conf);
    const std::string prefix = std::string(name) + "=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty()) return {};
            std::string rest = value.substr(5);
            while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
            return rest.empty() ? home : home / rest;
        }
        if (!value.empty() && value.front() == '/') return value;
    }
    return {};
}

} // namespace

void EnsurePrivateDir(const fs::path& dir)
{
    std::error_code ec;
    if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + dir.string() + ": " + std::strerror(errno));
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) throw std::runtime_error("cannot read " + dir.string() + ": " + std::strerror(errno));
    // Another user's folder (or a link planted in a shared place) must never receive our files.
    if (!S_ISDIR(st.st_mode)) throw std::runtime_error(dir.string() + " is not a folder");
    if (st.st_uid != ::geteuid()) throw std::runtime_error(dir.string() + " belongs to another user");
    if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make " + dir.string() + " private: " + std::strerror(errno));
}

fs::path ShellFolders::HomeDir()
{
    if (const char* h = Env("HOME")) return NoTrailingSlash(h);
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir) return NoTrailingSlash(pw->pw_dir);
    return {};
}

fs::path ShellFolders::DocumentsDir()
{
    if (const char* v = Env("KB_DOCUMENTS_DIR")) return NoTrailingSlash(v);
    if (fs::path p = XdgUserDir("XDG_DOCUMENTS_DIR"); !p.empty()) return NoTrailingSlash(p);
    return HomeDir();
}

fs::path ShellFolders::DesktopDir()
{
    if (const char* v = Env("KB_DESKTOP_DIR")) return NoTrailingSlash(v);
    if (fs::path p = XdgUserDir("XDG_DESKTOP_DIR"); !p.empty()) return NoTrailingSlash(p);
    const fs::path home = HomeDir();
    return home.empty() ? home : home / "Desktop";
}

fs::path ShellFolders::AppDataDir(bool common)
{
    if (common) {
        if (const char* v = Env("KB_COMMON_APPDATA_DIR")) return NoTrailingSlash(v);
        return "/var/lib";
    }
    if (const char* v = Env("KB_APPDATA_DIR")) return NoTrailingSlash(v);
    if (const char* v = Env("XDG_DATA_HOME")) return NoTrailingSlash(v);
    const fs::path home = HomeDir();
    return home.empty() ? home : home / ".local" / "share";
}

fs::path ShellFolders::SystemDir()
{
    if (const char* v = Env("KB_SYSTEM_DIR")) return NoTrailingSlash(v);
    return "/usr/lib";
}

fs::path ShellFolders::ProgramFilesDir()
{
    if (const char* v = Env("KB_PROGRAM_FILES_DIR")) return NoTrailingSlash(v);
    return "/opt";
}

fs::path ShellFolders::ConfigRoot()
{
    if (const char* v = Env("KB_CONFIG_ROOT")) return NoTrailingSlash(v);
    if (const char* v = Env("XDG_CONFIG_HOME")) return fs::path(NoTrailingSlash(v)) / "kenbo-rendo";
    const fs::path home = HomeDir();
    if (home.empty()) throw std::runtime_error("no home folder for the configuration root; set KB_CONFIG_ROOT");
    return home / ".config" / "kenbo-rendo";
}

fs::path ShellFolders::RuntimeDir()
{
    fs::path dir;
    if (const char* v = Env("KB_RUNTIME_DIR")) dir = NoTrailingSlash(v);
    else if (const char* r = Env("XDG_RUNTIME_DIR")) dir = fs::path(NoTrailingSlash(r)) / "kenbo-rendo";
    else dir = fs::path("/tmp") / ("kenbo-rendo-run-" + std::to_string(::geteuid()));
    EnsurePrivateDir(dir);
    return dir;
}

std::string ShellFolders::ComputerName()
{
    if (const char* v = Env("KB_COMPUTER_NAME")) return v;
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    std::string name = buf;
    if (const auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
    return name;
}

std::string ShellFolders::UserName()
{
    if (const char* v = Env("KB_USER_NAME")) return v;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    if (const char* v = Env("USER")) return v;
    if (const char* v = Env("LOGNAME")) return v;
    return {};
}

} // namespace kb
