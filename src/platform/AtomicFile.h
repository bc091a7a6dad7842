#pragma once
// The one way this program replaces a file: the new content goes to a hidden temporary file in the
// target's own folder, is flushed to disk, takes the final mode, and is renamed over the target;
// the folder is flushed too. A reader, a kill or a power cut sees the old file or the new one,
// whole. Used by the linkage file, the INI files, the registry hives and the Firebird root.
//
// - A symbolic link is followed: its target is replaced and the link stays.
// - An existing file keeps its mode (and its group where we may set it); a new file gets 0666 less
//   the umask. FileAccess::Private (content such as a password) makes a new file 0600 and takes
//   the group's and others' rights from an existing one. The temporary file is created with no
//   permissions at all and only takes the final mode just before the rename, so it is never wider
//   than the result.
// - Temporary names are "." + file name + ".kbtmp-" + pid + "-" + a random part; the leftovers of a
//   killed run are ours by that pattern, our uid and a pid that no longer runs
//   (RemoveAtomicLeftovers).

#include <filesystem>
#include <string_view>

namespace kb {

enum class FileAccess { Keep, Private };

// The folder must exist. Throws std::runtime_error (with the system's reason) when the file cannot
// be written; the target is then untouched and no temporary file stays behind.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileAccess access = FileAccess::Keep);

// The path a write to path replaces: path itself, or the end of its chain of symbolic links.
std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path);

// Removes the temporary files of WriteFileAtomically in folder that a process of this user left
// when it died (the pid in the name no longer runs). Returns how many went. Never throws.
int RemoveAtomicLeftovers(const std::filesystem::path& folder);

} // namespace kb
