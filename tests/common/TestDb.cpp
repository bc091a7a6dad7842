#include "common/TestDb.h"

#include "platform/ChildProcess.h"
#include "platform/FirebirdRuntime.h"
#include "platform/Text.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace kbtest {

std::filesystem::path SourceDir()
{
    if (const char* s = std::getenv("KB_SOURCE_DIR"); s && *s) return s;
    return KB_SOURCE_DIR_DEFAULT;
}

std::filesystem::path BuildDir()
{
    if (const char* d = std::getenv("KB_BUILD_DIR"); d && *d) return d;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
}

void PrepareFirebird()
{
    static const bool once = [] {
        kb::FirebirdRuntime::Prepare();
        return true;
    }();
    (void)once;
}

std::string RunIsqlOn(const std::string& database, const std::string& scriptUtf8, const IsqlLogin& login)
{
    PrepareFirebird();
    TempDir tmp;
    const auto script = tmp / "script.sql";
    const auto output = tmp / "out.txt";
    {
        std::ofstream out(script, std::ios::binary);
        out << kb::Utf8ToCp932(scriptUtf8);
    }
    // The script goes in with -i: isql-fb reading standard input drops every byte above 0x7F, so
    // CP932 texts would arrive mangled.
    std::vector<std::string> args = {"isql-fb", "-q", "-b", "-ch", "SJIS_0208", "-i", script.string()};
    if (!database.empty()) args.push_back(database);
    kb::ChildProcess isql(args);
    isql.SetEnv("ISC_USER", login.user);
    if (login.password.empty()) isql.UnsetEnv("ISC_PASSWORD");
    else isql.SetEnv("ISC_PASSWORD", login.password);
    isql.SetOutputFile(output);
    isql.Start();
    const int rc = isql.Wait();
    std::ifstream in(output, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = kb::Cp932ToUtf8(ss.str());
    if (rc != 0) throw std::runtime_error("isql-fb failed (" + std::to_string(rc) + "): " + text);
    return text;
}

void RunIsql(const std::filesystem::path& database, const std::string& scriptUtf8)
{
    RunIsqlOn(database.string(), scriptUtf8);
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
