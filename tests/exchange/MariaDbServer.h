#pragma once
// A private MariaDB server for checking generated MySQL scripts: a data folder made by
// mariadb-install-db in a temporary folder, mariadbd on a Unix socket only (no network, no system
// service), the client fed a script on standard input, stopped by its pid.

#include "common/TestDb.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kb {
class ChildProcess;
}

namespace kbtest {

class MariaDbServer {
public:
    MariaDbServer();
    ~MariaDbServer();
    MariaDbServer(const MariaDbServer&) = delete;
    MariaDbServer& operator=(const MariaDbServer&) = delete;

    // True when the server programs are installed (tests skip clearly otherwise).
    static bool Available();

    // Runs the client on the script file; returns its exit code, output in *output when given.
    int Load(const std::filesystem::path& script, std::string* output = nullptr);
    // Rows of a query in database db, each a vector of fields ("NULL" for SQL NULL).
    std::vector<std::vector<std::string>> Query(const std::string& db, const std::string& sql);
    std::string Scalar(const std::string& db, const std::string& sql);

private:
    int Client(const std::vector<std::string>& extra, const std::filesystem::path& input, std::string* output);
    TempDir dir_;
    std::filesystem::path socket_;
    std::unique_ptr<kb::ChildProcess> server_;
};

} // namespace kbtest
