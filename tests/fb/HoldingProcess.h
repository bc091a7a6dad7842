#pragma once
// A second process attached to a database: isql-fb connected to the file and kept waiting on its
// standard input until the object is destroyed. Header-only so that other test folders can use it.

#include "common/TestDb.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace kbtest {

class HoldingProcess {
public:
    // database: a file for the embedded engine or "host/port:path"; password: for a server
    // (passed in the environment, as ISC_PASSWORD).
    explicit HoldingProcess(const std::string& database, const std::string& password = "")
    {
        PrepareFirebird();
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[0], 0);
        posix_spawn_file_actions_addclose(&fa, fds[1]);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
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
        if (rc != 0) {
            close(fds[1]);
            throw std::runtime_error("cannot start isql-fb");
        }
        in_ = fds[1];
        // A statement makes sure the attachment is complete before the test looks for it.
        Send("SELECT 1 FROM RDB$DATABASE;\n");
    }
    ~HoldingProcess()
    {
        if (in_ >= 0) {
            Send("QUIT;\n");
            close(in_);
        }
        int status = 0;
        if (pid_ > 0) waitpid(pid_, &status, 0);
    }
    void Send(const std::string& text)
    {
        if (write(in_, text.data(), text.size()) < 0) throw std::runtime_error("write to isql-fb failed");
    }
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

private:
    pid_t pid_ = 0;
    int in_ = -1;
};

} // namespace kbtest
