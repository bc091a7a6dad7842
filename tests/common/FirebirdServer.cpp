#include "common/FirebirdServer.h"

#include "common/TestEnv.h"
#include "platform/ChildProcess.h"
#include "platform/FirebirdRuntime.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace kbtest {
namespace {

// A port that is free now. Another process may take it before the server binds it; TryStart then
// fails with "address in use" and the constructor picks another one.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("cannot make a socket");
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot find a free port");
    }
    ::close(fd);
    return ntohs(a.sin_port);
}

// Whether something listens on 127.0.0.1:port, read from /proc/net/tcp rather than by connecting:
// a bare probe connection that closes without a word keeps the server busy, and a shutdown soon
// after then waits out the engine's full ten-second timeout.
bool Listening(int port)
{
    std::ifstream in("/proc/net/tcp");
    char want[32];
    std::snprintf(want, sizeof want, "0100007F:%04X", port);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == want && state == "0A") return true;
    }
    return false;
}

std::string ReadIfAny(const fs::path& file)
{
    try {
        return ReadFile(file);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

fs::path FirebirdServer::ServerBinary()
{
    if (const char* b = std::getenv("KB_FIREBIRD_SERVER_BIN"); b && *b) return b;
    return "/usr/sbin/firebird";
}

std::string FirebirdServer::MissingReason()
{
    if (::access(ServerBinary().c_str(), X_OK) != 0)
        return "the Firebird server " + ServerBinary().string() + " is not installed (package firebird3.0-server)";
    return {};
}

FirebirdServer::FirebirdServer(std::vector<fs::path> udrModules)
    : udrModules_(std::move(udrModules))
{
    if (const auto why = MissingReason(); !why.empty()) throw std::runtime_error(why);
    fs::create_directories(DataDir());
    fs::create_directories(dir_ / "lock");
    fs::create_directories(dir_ / "tmp");
    std::string failure;
    for (int attempt = 0; attempt < 4; ++attempt)
        if (TryStart(failure)) return;
    throw std::runtime_error("the test Firebird server did not start: " + failure);
}

bool FirebirdServer::TryStart(std::string& failure)
{
    port_ = FreePort();
    const fs::path security = dir_ / "security3.fdb";
    // Super: one server process holding its files, as an installed server does by default.
    kb::FirebirdRuntime::BuildRoot(Root(), "# The test server of kbtest::FirebirdServer.\n"
                                           "ServerMode = Super\n"
                                           "RemoteServicePort = " + std::to_string(port_) + "\n"
                                           "RemoteBindAddress = 127.0.0.1\n"
                                           "RemoteAuxPort = 0\n"
                                           "SecurityDatabase = " + security.string() + "\n"
                                           "AuthServer = Srp\n"
                                           "UserManager = Srp\n");
    if (!udrModules_.empty()) {
        // Debian's server finds its plugins at a fixed place; the UDR engine's module folder is
        // set in the root's plugins.conf to a folder of this server's own.
        fs::create_directories(UdrDir());
        for (const auto& m : udrModules_) fs::copy_file(m, UdrDir() / m.filename(), fs::copy_options::overwrite_existing);
        kb::WriteFileAtomically(Root() / "plugins.conf", "Plugin = UDR {\n\tModule = $(dir_plugins)/udr_engine\n\tConfig = UDR_config\n}\n\n"
                                                             "Config = UDR_config {\n\tpath = " + UdrDir().string() + "\n}\n");
    }
    const std::map<std::string, std::string> env = {
        {"FIREBIRD", Root().string()}, {"FIREBIRD_LOCK", (dir_ / "lock").string()}, {"FIREBIRD_TMP", (dir_ / "tmp").string()}};

    if (!fs::exists(security)) {
        // The security database, made through the embedded engine with the server's own root, so
        // CREATE USER lands in it. Srp creates its tables on first use.
        const fs::path script = dir_ / "security.sql";
        WriteFile(script, "CREATE DATABASE '" + security.string() + "';\nCOMMIT;\n"
                          "CREATE USER " + std::string(kUser) + " PASSWORD '" + kPassword + "' USING PLUGIN Srp;\nCOMMIT;\n");
        kb::ChildProcess isql({"isql-fb", "-q", "-b", "-i", script.string()});
        for (const auto& [k, v] : env) isql.SetEnv(k, v);
        isql.SetEnv("ISC_USER", kUser);
        isql.UnsetEnv("ISC_PASSWORD");
        isql.SetOutputFile(dir_ / "security.log");
        isql.Start();
        if (isql.Wait() != 0) {
            std::error_code ec;
            fs::remove(security, ec);
            failure = "cannot create the security database: " + ReadIfAny(dir_ / "security.log");
            return false;
        }
    }

    process_ = std::make_unique<kb::ChildProcess>(std::vector<std::string>{ServerBinary().string()});
    for (const auto& [k, v] : env) process_->SetEnv(k, v);
    process_->UnsetEnv("ISC_USER");
    process_->UnsetEnv("ISC_PASSWORD");
    process_->SetOutputFile(dir_ / "server.log");
    process_->Start();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until) {
        if (!process_->Running()) {
            failure = "the server ended (exit " + std::to_string(process_->ExitCode()) + "): " + ReadIfAny(dir_ / "server.log") +
                      ReadIfAny(Root() / "firebird.log");
            process_.reset();
            return false;
        }
        if (Listening(port_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    failure = "the server did not accept connections on port " + std::to_string(port_) + ": " + ReadIfAny(Root() / "firebird.log");
    Stop();
    return false;
}

FirebirdServer::~FirebirdServer() { Stop(); }

void FirebirdServer::Stop()
{
    if (process_) {
        // The engine's shutdown sometimes waits out its own ten-second timeout (for threads it started
        // at start-up); a test server's files are thrown away, so a short grace is enough.
        process_->Terminate(std::chrono::seconds(2));
        process_.reset();
    }
}

std::string FirebirdServer::Address(const fs::path& database) const
{
    return "127.0.0.1/" + std::to_string(port_) + ":" + database.string();
}

void WithFirebirdServer::SetUp()
{
    if (const auto why = FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
    server = std::make_unique<FirebirdServer>();
}

std::filesystem::path FileOperationModule() { return BuildDir() / "udr" / "libkbfileop.so"; }

} // namespace kbtest
