#include "MariaDbServer.h"

#include "common/TestEnv.h"
#include "platform/ChildProcess.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace kbtest {

bool MariaDbServer::Available()
{
    return std::filesystem::exists("/usr/sbin/mariadbd") && std::filesystem::exists("/usr/bin/mariadb") &&
           std::filesystem::exists("/usr/bin/mariadb-install-db");
}

MariaDbServer::MariaDbServer()
{
    const auto data = dir_ / "data";
    socket_ = dir_ / "mysqld.sock";
    const int rc = kb::RunChildProcess({"/usr/bin/mariadb-install-db", "--no-defaults", "--datadir=" + data.string(),
                                        "--user=root", "--auth-root-authentication-method=normal", "--skip-test-db"},
                                       {}, dir_ / "install.log");
    if (rc != 0) throw std::runtime_error("mariadb-install-db failed: " + ReadFile(dir_ / "install.log"));
    server_ = std::make_unique<kb::ChildProcess>(std::vector<std::string>{
        "/usr/sbin/mariadbd", "--no-defaults", "--datadir=" + data.string(), "--socket=" + socket_.string(),
        "--skip-networking", "--user=root", "--pid-file=" + (dir_ / "mysqld.pid").string(),
        "--innodb-buffer-pool-size=32M", "--skip-log-bin"});
    server_->SetOutputFile(dir_ / "server.log");
    server_->Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        if (std::filesystem::exists(socket_) && Client({"-e", "SELECT 1"}, {}, nullptr) == 0) break;
        if (!server_->Running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("mariadbd did not start: " + ReadFile(dir_ / "server.log"));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

MariaDbServer::~MariaDbServer()
{
    if (server_) server_->Terminate(std::chrono::milliseconds(10000));
}

int MariaDbServer::Client(const std::vector<std::string>& extra, const std::filesystem::path& input, std::string* output)
{
    std::vector<std::string> args = {"/usr/bin/mariadb", "--no-defaults", "-S", socket_.string(), "-u", "root",
                                     "--default-character-set=utf8mb4"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto out = dir_ / "client.out";
    const int rc = kb::RunChildProcess(args, {}, out, input);
    if (output) *output = ReadFile(out);
    return rc;
}

int MariaDbServer::Load(const std::filesystem::path& script, std::string* output)
{
    return Client({}, script, output);
}

std::vector<std::vector<std::string>> MariaDbServer::Query(const std::string& db, const std::string& sql)
{
    std::string out;
    if (Client({"-N", "-B", "--raw", "-D", db, "-e", sql}, {}, &out) != 0) throw std::runtime_error("query failed: " + sql + "\n" + out);
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < out.size()) {
        auto end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        std::vector<std::string> fields;
        std::size_t f = start;
        for (;;) {
            const auto tab = out.find('\t', f);
            if (tab == std::string::npos || tab > end) {
                fields.push_back(out.substr(f, end - f));
                break;
            }
            fields.push_back(out.substr(f, tab - f));
            f = tab + 1;
        }
        rows.push_back(std::move(fields));
        start = end + 1;
    }
    return rows;
}

std::string MariaDbServer::Scalar(const std::string& db, const std::string& sql)
{
    const auto rows = Query(db, sql);
    return rows.empty() || rows[0].empty() ? std::string("<none>") : rows[0][0];
}

} // namespace kbtest
