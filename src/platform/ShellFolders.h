#pragma once
// The folders and facts of the machine that the Windows shell used to give: Documents, desktop,
// application data (the user's and everyone's), the system and program folders, the computer and
// user names, and the folders of our own that stand in for per-session and configuration places
// (the runtime folder of named mutexes and caller endpoints, the configuration root of the
// registry store). Every answer can be redirected by an environment variable, so tests and the
// demonstration run in folders of their own; the variables are listed in docs/platform.md.
// Answers carry no trailing "/".

#include <filesystem>
#include <string>

namespace kb {

struct ShellFolders {
    // KB_DOCUMENTS_DIR, else XDG_DOCUMENTS_DIR (environment, then ~/.config/user-dirs.dirs),
    // else the home folder, as xdg-user-dir answers. Empty only when there is no home folder.
    static std::filesystem::path DocumentsDir();
    // KB_DESKTOP_DIR, else XDG_DESKTOP_DIR the same way, else ~/Desktop.
    static std::filesystem::path DesktopDir();
    // The user's (common = false: KB_APPDATA_DIR, else XDG_DATA_HOME, else ~/.local/share) or
    // everyone's application data (common = true: KB_COMMON_APPDATA_DIR, else /var/lib).
    static std::filesystem::path AppDataDir(bool common);
    // KB_SYSTEM_DIR, else /usr/lib (where Windows keeps its system libraries).
    static std::filesystem::path SystemDir();
    // KB_PROGRAM_FILES_DIR, else /opt.
    static std::filesystem::path ProgramFilesDir();
    // KB_CONFIG_ROOT, else XDG_CONFIG_HOME/kenbo-rendo, else ~/.config/kenbo-rendo. Not created.
    static std::filesystem::path ConfigRoot();
    // Per-user folder of live-process objects (named mutexes, caller endpoints): KB_RUNTIME_DIR,
    // else XDG_RUNTIME_DIR/kenbo-rendo, else <tmp>/kenbo-rendo-run-<uid>. Created with mode 0700;
    // throws std::runtime_error when it cannot be made or belongs to someone else.
    static std::filesystem::path RuntimeDir();

    // KB_COMPUTER_NAME, else the host name up to its first ".". Empty when the system gives none.
    static std::string ComputerName();
    // KB_USER_NAME, else the login name of the effective user (passwd), else USER / LOGNAME.
    static std::string UserName();
    // The home folder: HOME, else the passwd entry. Empty when neither exists.
    static std::filesystem::path HomeDir();
};

// Makes dir (and its parents) if missing, then insists that it is a real folder (not a link) owned by
// this user with mode 0700, tightening the mode when needed. Throws std::runtime_error otherwise.
void EnsurePrivateDir(const std::filesystem::path& dir);

} // namespace kb
