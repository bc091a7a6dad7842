#include "platform/FirebirdRuntime.h"

#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/TempFiles.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#ifndef KB_FIREBIRD_SYSTEM_ROOT
#define KB_FIREBIRD_SYSTEM_ROOT "/usr/lib/x86_64-linux-gnu/firebird/3.0"
#endif

namespace fs = std::filesystem;

namespace kb {
namespace {

constexpr const char* kConf =
    "# Written by kenbo-rendo. SuperClassic lets several processes attach one database file\n"
    "# through the embedded engine.\n"
    "ServerMode = SuperClassic\n";

fs::path DefaultRoot()
{
    if (const char* r = std::getenv("KB_FIREBIRD_ROOT"); r && *r) return r;
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c) return fs::path(c) / "kenbo-rendo" / "firebird";
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / ".cache" / "kenbo-rendo" / "firebird";
    // No home: the private temporary folder, with its checks (ours, 0700, no link; another user's
    // folder is refused), never a fixed name in the shared temporary folder.
    return TempFiles::PrivateTempDir() / "firebird";
}

bool Complete(const fs::path& root)
{
    return fs::exists(root / "firebird.conf") && fs::exists(root / "intl" / "libfbintl.so") && fs::exists(root / "plugins");
}

void Build(const fs::path& dir)
{
    const fs::path sys = FirebirdRuntime::SystemRoot();
    if (!fs::exists(sys / "plugins")) throw std::runtime_error("Firebird 3 is not installed at " + sys.string());
    fs::create_directories(dir / "intl");
    { std::ofstream(dir / "firebird.conf") << kConf; }
    fs::copy_file(fs::canonical(sys / "plugins.conf"), dir / "plugins.conf");
    fs::copy_file(fs::canonical(sys / "intl" / "fbintl.conf"), dir / "intl" / "fbintl.conf");
    fs::copy_file(fs::canonical(sys / "intl" / "libfbintl.so"), dir / "intl" / "libfbintl.so");
    fs::create_directory_symlink(sys / "plugins", dir / "plugins");
    fs::create_symlink(sys / "firebird.msg", dir / "firebird.msg");
    if (fs::exists(sys / "lib")) fs::create_directory_symlink(sys / "lib", dir / "lib");
    if (fs::exists(sys / "UDF")) fs::create_directory_symlink(sys / "UDF", dir / "UDF");
}

} // namespace

fs::path FirebirdRuntime::SystemRoot()
{
    if (const char* r = std::getenv("KB_FIREBIRD_SYSTEM_ROOT"); r && *r) return r;
    return KB_FIREBIRD_SYSTEM_ROOT;
}

fs::path FirebirdRuntime::Prepare() { return Prepare(DefaultRoot()); }

namespace {
void BuildComplete(const fs::path& root)
{
    if (!Complete(root)) {
        // Build beside the target and rename, so parallel test processes never see half a root.
        fs::create_directories(root.parent_path());
        std::random_device rd;
        const fs::path tmp = root.parent_path() / (root.filename().string() + ".new" + std::to_string(::getpid()) + "_" + std::to_string(rd()));
        Build(tmp);
        std::error_code ec;
        fs::rename(tmp, root, ec);
        if (ec) fs::remove_all(tmp);
        if (!Complete(root)) throw std::runtime_error("cannot prepare the Firebird root " + root.string());
    }
}
} // namespace

fs::path FirebirdRuntime::Prepare(const fs::path& root)
{
    BuildComplete(root);
    ::setenv("FIREBIRD", root.c_str(), 1);
    return root;
}

void FirebirdRuntime::BuildRoot(const fs::path& root, const std::string& firebirdConf)
{
    BuildComplete(root);
    WriteFileAtomically(root / "firebird.conf", firebirdConf);
}

} // namespace kb
