#pragma once
// Temporary files that nobody else can read: a private folder per user (mode 0700, owned by the
// user, not a link) below KB_TEMP_DIR, else TMPDIR, else /tmp, and names that are unique across
// processes and threads. Work files such as backups, scripts with passwords and decoded data go
// here, never straight into the shared temporary folder.

#include <filesystem>
#include <string>

namespace kb {

struct TempFiles {
    // <base>/kenbo-rendo-<uid>, created (or checked and tightened) on each call.
    static std::filesystem::path PrivateTempDir();
    // A path in the private folder that does not exist yet: prefix, a unique part, suffix.
    // Nothing is created, for tools that insist on making their output file themselves; the folder
    // being private, no other user can take the name first.
    static std::filesystem::path UniqueTempPath(const std::string& prefix, const std::string& suffix = "");
    // As UniqueTempPath, but the file is created empty (mode 0600, exclusively) so the name is ours.
    static std::filesystem::path CreateTempFile(const std::string& prefix, const std::string& suffix = "");
    // A new folder (mode 0700) in the private folder.
    static std::filesystem::path CreateTempDir(const std::string& prefix);
};

} // namespace kb
