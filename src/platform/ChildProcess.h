#pragma once
// Hidden child processes for the database tools (gbak, isql-fb) and other helpers. The program is
// started from an argument vector, never through a shell, so no path or password is ever parsed
// as shell text. Credentials go into the child's environment (ISC_USER, ISC_PASSWORD), where other
// users cannot read them the way they can read a command line. Standard input is /dev/null unless a
// file is given; standard output and error go to a file or are discarded; the child inherits no
// other descriptor of ours.
//
// WaitPolling keeps the user interface alive while the tool runs: it runs the Qt event loop and
// looks at the child every 300 ms, and a cancel check ends the child on request.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kb {

struct ChildProcessError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ChildProcess {
public:
    // args[0] is the program: a path, or a name looked up in PATH.
    explicit ChildProcess(std::vector<std::string> args);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running when its owner goes is killed and reaped: no tool outlives a failed caller.
    ~ChildProcess();

    // Added to (or replacing in) the program's own environment.
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
    // Removed from the child's environment.
    void UnsetEnv(const std::string& name) { unset_.push_back(name); }
    void SetWorkingDirectory(std::filesystem::path dir) { cwd_ = std::move(dir); }
    void SetInputFile(std::filesystem::path file) { input_ = std::move(file); }
    // Standard output and standard error, together, into this file (created or truncated, mode 0600).
    void SetOutputFile(std::filesystem::path file) { output_ = std::move(file); }

    // Throws ChildProcessError when the program cannot be found or started or a file cannot be opened.
    void Start();

    // True while the child runs (reaps it when it has ended).
    bool Running();
    // Blocks until the child ends; returns ExitCode().
    int Wait();
    // Runs the Qt event loop (on the application's thread; elsewhere, or without a QCoreApplication,
    // it just sleeps) and checks the child
    // every interval, and cancelled() when given. Returns true when the child ended by itself; false
    // when cancelled() asked to stop, after the child has been ended (SIGTERM, then SIGKILL).
    bool WaitPolling(const std::function<bool()>& cancelled = {},
                     std::chrono::milliseconds interval = std::chrono::milliseconds(300));
    // Asks the child to end (SIGTERM), waits up to grace, then kills it; reaps it.
    void Terminate(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));
    // Sends a signal without waiting.
    void Signal(int sig);

    pid_t Pid() const { return pid_; }
    bool Started() const { return pid_ > 0; }
    bool Finished() const { return finished_; }
    // The exit status; -1 when the child was ended by a signal (see TermSignal) or has not ended.
    int ExitCode() const { return exitCode_; }
    int TermSignal() const { return termSignal_; }

private:
    bool Reap(bool block);

    std::vector<std::string> args_;
    std::map<std::string, std::string> env_;
    std::vector<std::string> unset_;
    std::filesystem::path cwd_, input_, output_;
    pid_t pid_ = -1;
    bool finished_ = false;
    int exitCode_ = -1;
    int termSignal_ = 0;
};

// Runs args to its end and returns the exit code (-1 when a signal ended it); output as for
// ChildProcess::SetOutputFile when outputFile is not empty. Blocks without the event loop.
int RunChildProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                    const std::filesystem::path& outputFile = {}, const std::filesystem::path& inputFile = {});

} // namespace kb
