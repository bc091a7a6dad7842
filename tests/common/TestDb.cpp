#include "common/TestDb.h"

#include "platform/FirebirdRuntime.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace kbtest {

std::filesystem::path SourceDir()
{
    if (const char* s = std::getenv("KB_SOURCE_DIR"); s && *s) return s;
    return KB_SOURCE_DIR_DEFAULT;
}

void PrepareFirebird()
{
    static const bool once = [] {
        kb::FirebirdRuntime::Prepare();
        return true;
    }();
    (void)once;
}

namespace {
// Runs argv with the given file as standard input; returns the exit code and the combined output.
int Run(const std::vector<std::string>& args, const std::filesystem::path& input, std::string& output)
{
    TempDir tmp;
    const auto outFile = tmp / "out.txt";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(outFile, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    output = ss.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

void RunIsql(const std::filesystem::path& database, const std::string& scriptUtf8)
{
    PrepareFirebird();
    TempDir tmp;
    const auto script = tmp / "script.sql";
    {
        std::ofstream out(script, std::ios::binary);
        out << kb::Utf8ToCp932(scriptUtf8);
    }
    std::vector<std::string> args = {"isql-fb", "-q", "-b", "-ch", "SJIS_0208", "-user", "SYSDBA"};
    if (!database.empty()) args.push_back(database.string());
    std::string output;
    const int rc = Run(args, script, output);
    if (rc != 0) throw std::runtime_error("isql-fb failed (" + std::to_string(rc) + "): " + kb::Cp932ToUtf8(output));
}

std::filesystem::path CreateDatabase(const std::filesystem::path& file, const std::string& scriptUtf8)
{
    RunIsql({}, "CREATE DATABASE '" + file.string() + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n");
    if (!scriptUtf8.empty()) RunIsql(file, scriptUtf8);
    return file;
}

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "kbtest-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace kbtest
