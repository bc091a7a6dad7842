#pragma once
// A second process attached to a database: isql-fb connected to the file and kept waiting on its
// standard input until the object is destroyed. Header-only so that other test folders can use it.
//
// The constructor returns only once the child is attached for certain: it runs a statement and waits
// for the statement's answer in the child's output (isql-fb flushes after every statement). A child
// that ends or stays silent instead raises std::runtime_error with its output and exit status, so a
// holder that never attached is told apart from a probe that missed an attachment.

#include "common/TestDb.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kbtest {

class HoldingProcess {
public:
    static constexpr const char* kMarker = "KB-HOLDING-ATTACHED";

    // database: a file for the embedded engine or "host/port:path"; password: for a server
    // (passed in the environment, as ISC_PASSWORD). timeout: how long the attachment may take.
    explicit HoldingProcess(const std::string& database, const std::string& password = "",
                            std::chrono::seconds timeout = std::chrono::seconds(120))
    {
        PrepareFirebird();
        char name[] = "/tmp/kb-holding-XXXXXX";
        const int outFd = mkstemp(name);
        if (outFd < 0) throw std::runtime_error("mkstemp failed");
        output_ = name;
        int fds[2];
        if (pipe(fds) != 0) {
            close(outFd);
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[0], 0);
        posix_spawn_file_actions_addclose(&fa, fds[1]);
        posix_spawn_file_actions_adddup2(&fa, outFd, 1);
        posix_spawn_file_actions_adddup2(&fa, outFd, 2);
        std::vector<std::string> args = {"isql-fb", "-q", "-user", "SYSDBA", database};
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("ISC_PASSWORD=", 0) != 0) env.emplace_back(*e);
        if (!password.empty()) env.push_back("ISC_PASSWORD=" + password);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawnp(&pid_, "isql-fb", &fa, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&fa);
        close(fds[0]);
        close(outFd);
        if (rc != 0) {
            close(fds[1]);
            std::filesystem::remove(output_);
            throw std::runtime_error("cannot start isql-fb");
        }
        in_ = fds[1];
        Send(std::string("SELECT '") + kMarker + "' AS M FROM RDB$DATABASE;\n");
        WaitAttached(timeout);
    }
    ~HoldingProcess()
    {
        if (in_ >= 0) {
            Send("QUIT;\n", false);
            close(in_);
        }
        int status = 0;
        if (pid_ > 0) waitpid(pid_, &status, 0);
        std::error_code ec;
        std::filesystem::remove(output_, ec);
    }
    void Send(const std::string& text, bool check = true)
    {
        if (write(in_, text.data(), text.size()) < 0 && check) throw std::runtime_error("write to isql-fb failed");
    }
    // What the child wrote so far.
    std::string Output() const
    {
        std::ifstream in(output_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

private:
    void WaitAttached(std::chrono::seconds timeout)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (Output().find(kMarker) != std::string::npos) return;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                const std::string why = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                                          : "signal " + std::to_string(WTERMSIG(status));
                Fail("isql-fb never attached (" + why + "): ");
            }
            if (std::chrono::steady_clock::now() > until) Fail("isql-fb did not answer in time: ");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // The constructor fails: the child is ended and reaped, nothing stays behind.
    [[noreturn]] void Fail(const std::string& what)
    {
        const std::string text = what + Output();
        close(in_);
        in_ = -1;
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        std::error_code ec;
        std::filesystem::remove(output_, ec);
        throw std::runtime_error(text);
    }

    pid_t pid_ = 0;
    int in_ = -1;
    std::string output_;
};

} // namespace kbtest
