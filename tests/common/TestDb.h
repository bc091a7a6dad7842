#pragma once
// Helpers for tests that need real databases: a private temporary folder, and a Firebird database
// created in it from a script (UTF-8 text, run through isql-fb as CP932 with SJIS_0208, the way
// scripts/create-db.sh runs the schema scripts of db/).

#include <filesystem>
#include <string>

namespace kbtest {

// The repository's root (KB_SOURCE_DIR, else the folder the build was configured from).
std::filesystem::path SourceDir();

// The build folder (KB_BUILD_DIR, else the folder above the running test program's).
std::filesystem::path BuildDir();

// Prepares the program's Firebird root for this test process (embedded engine, SuperClassic).
void PrepareFirebird();

// Runs isql-fb on the database with the UTF-8 script converted to CP932. The script may start with
// CREATE DATABASE when database is empty. Throws std::runtime_error with isql's output on failure.
void RunIsql(const std::filesystem::path& database, const std::string& scriptUtf8);

// Who isql-fb logs on as. The password travels in the environment (ISC_PASSWORD), never in argv.
struct IsqlLogin {
    std::string user = "SYSDBA";
    std::string password; // empty: none (the embedded engine asks for none)
};

// As RunIsql, on a database named as the client library takes it: a file, or "host/port:path" for
// a server (empty: the script opens or creates one itself). Returns isql's output as UTF-8.
std::string RunIsqlOn(const std::string& database, const std::string& scriptUtf8, const IsqlLogin& login = {});

// Creates a new database file (SJIS_0208 default character set, dialect 3, page size 8192) and runs
// the script on it. Returns the path.
std::filesystem::path CreateDatabase(const std::filesystem::path& file, const std::string& scriptUtf8 = "");

// A folder under the system temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace kbtest
