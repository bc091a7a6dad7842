#pragma once
// The program entry: the single-instance rule, the wizard main form, its initialisation, the
// message loop and the end. main() only hands over to RunProgram.
//
// Test mode (KB_TEST_MODE=1, for the process tests and documented in docs/program.md): every
// message box is written to stderr as one line "KB-MESSAGE <type>: <text>" and answered at once,
// the log-on box is filled from KB_TEST_LOGON, and KB_TEST_ON_READY says what to do once the
// first page is ready.

#include <filesystem>
#include <string>

namespace kb {

// Runs the program; returns the process exit code (0 after a normal end, 1 after a refused start
// or a failed initialisation).
int RunProgram(int argc, char** argv);

// The usage printed to standard error for "--help" and after a refused command line.
const char* UsageText();

// The program file the start-up works with: KB_PROGRAM_DIR (the folder of "AppInfo.ini" in place of
// the program's own folder) joined with the program's name when set, else the running program.
std::filesystem::path ProgramFilePath();

// The message of the first of "LUMORA000", "LUMORA_TOOLS", "KENBO_RENDO" that another process
// holds; empty when none does.
std::string SingleInstanceRefusal();

inline constexpr const char* kAlreadyRunning = "アプリケーションは既に起動しています。";

} // namespace kb
