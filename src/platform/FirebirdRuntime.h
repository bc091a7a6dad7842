#pragma once
// The program's own Firebird root. The client library reads its configuration from the folder that
// the FIREBIRD variable names; ours sets ServerMode = SuperClassic so that the program, gbak, isql-fb
// and a second process can attach one database file at the same time with the embedded engine
// (the default Super mode locks the file to one process). The root borrows the engine plugins and
// messages of the system installation and carries its own copy of the character-set module
// (the engine refuses a symbolic link there).

#include <filesystem>
#include <string>

namespace kb {

class FirebirdRuntime {
public:
    // Builds the root (once; a no-op when it is complete) and points FIREBIRD at it. Must run
    // before the client library is first used. The root is KB_FIREBIRD_ROOT when set, else a
    // folder in the user's cache. Returns the root.
    static std::filesystem::path Prepare();
    static std::filesystem::path Prepare(const std::filesystem::path& root);
    // Builds a root like Prepare but with the given firebird.conf text (replacing the file when the
    // root exists), and leaves FIREBIRD alone: for a Firebird server that we start as a child process.
    static void BuildRoot(const std::filesystem::path& root, const std::string& firebirdConf);
    // The installed Firebird 3 folder (plugins, intl, firebird.msg).
    static std::filesystem::path SystemRoot();
};

} // namespace kb
