#pragma once
// A Firebird server of the test's own on 127.0.0.1, for tests of the server mode ("host/port:path"
// connections): firebird3.0-server's binary started as a child process with a Firebird root, a
// port, a security database (SYSDBA with a test password) and a lock folder that belong to this
// server alone, so parallel tests and an installed system service never meet it. It is stopped when
// the object goes.
//
//   TEST_F(WithFirebirdServer, ...) { ... server->Address(server->DataDir() / "a.fdb") ... }
// or, in a test of another shape,
//   if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
//   kbtest::FirebirdServer server;

#include "common/TestDb.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kb {
class ChildProcess;
}

namespace kbtest {

class FirebirdServer {
public:
    static constexpr const char* kUser = "SYSDBA";
    static constexpr const char* kPassword = "kbtest-Pw1";

    // The server binary: KB_FIREBIRD_SERVER_BIN, else /usr/sbin/firebird (package firebird3.0-server).
    static std::filesystem::path ServerBinary();
    // Why no server can be started here, or "" when one can. Only a missing server package is a
    // reason to skip; any other failure to start is an error of the test.
    static std::string MissingReason();

    // Starts the server and returns once it accepts connections. Throws std::runtime_error with the
    // server's log when it does not come up. udrModules are copied into the server's UDR module
    // folder (UdrDir) before the server starts, for the server to load.
    explicit FirebirdServer(std::vector<std::filesystem::path> udrModules = {});
    ~FirebirdServer();
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    int Port() const { return port_; }
    // A folder for the test's databases (the server runs as the test's user, so it can reach it).
    std::filesystem::path DataDir() const { return dir_ / "data"; }
    // "127.0.0.1/<port>:<database>", the form the client library and the tools take.
    std::string Address(const std::filesystem::path& database) const;
    IsqlLogin Login() const { return IsqlLogin{kUser, kPassword}; }
    // The server's own Firebird root (its firebird.conf and firebird.log).
    std::filesystem::path Root() const { return dir_ / "root"; }
    // Where the server looks for UDR modules (and where a module keeps its configuration); the
    // root's plugins.conf names it when modules were given.
    std::filesystem::path UdrDir() const { return Root() / "udr"; }

    // Stops the server (SIGTERM, then SIGKILL after two seconds). The destructor calls it.
    void Stop();

private:
    bool TryStart(std::string& failure);

    TempDir dir_;
    std::vector<std::filesystem::path> udrModules_;
    std::unique_ptr<kb::ChildProcess> process_;
    int port_ = 0;
};

// The file-operation UDR module of this build (<build>/udr/libkbfileop.so), for servers of the
// server-mode file tests; their kbfileop.conf names the data roots.
std::filesystem::path FileOperationModule();

// A fixture that skips when the server package is missing and otherwise starts a server per test.
class WithFirebirdServer : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { server.reset(); }
    std::unique_ptr<FirebirdServer> server;
};

} // namespace kbtest
