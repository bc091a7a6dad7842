#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace kb {
namespace {

int OpenOrThrow(const std::filesystem::path& file, int flags, const char* what)
{
    const int fd = ::open(file.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0) throw ChildProcessError(std::string("cannot open the ") + what + " file " + file.string() + ": " + std::strerror(errno));
    return fd;
}

struct Fd {
    int fd = -1;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> args) : args_(std::move(args))
{
    if (args_.empty() || args_[0].empty()) throw ChildProcessError("no program to start");
}

ChildProcess::~ChildProcess()
{
    if (Started() && !finished_) {
        ::kill(pid_, SIGKILL);
        Reap(true);
    }
}

void ChildProcess::Start()
{
    if (Started()) throw ChildProcessError("the process " + args_[0] + " was already started");

    // The environment: ours, less the removed names, with the extra values replacing ours.
    std::vector<std::string> envStrings;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (env_.count(name) || std::find(unset_.begin(), unset_.end(), name) != unset_.end()) continue;
        envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env_) envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (auto& a : args_) argv.push_back(a.data());
    argv.push_back(nullptr);

    Fd in, out;
    in.fd = OpenOrThrow(input_.empty() ? std::filesystem::path("/dev/null") : input_, O_RDONLY, "input");
    out.fd = OpenOrThrow(output_.empty() ? std::filesystem::path("/dev/null") : output_, O_WRONLY | O_CREAT | O_TRUNC, "output");

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in.fd, 0);
    posix_spawn_file_actions_adddup2(&fa, out.fd, 1);
    posix_spawn_file_actions_adddup2(&fa, out.fd, 2);
    // Nothing of ours beyond the three standard descriptors reaches the tool (lock files, sockets).
    posix_spawn_file_actions_addclosefrom_np(&fa, 3);
    if (!cwd_.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd_.c_str());

    // A clean signal state: Qt or the caller may block or ignore signals the tool relies on.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const bool searchPath = args_[0].find('/') == std::string::npos;
    const int rc = searchPath ? ::posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), envp.data())
                              : ::posix_spawn(&pid, argv[0], &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) throw ChildProcessError("cannot start " + args_[0] + ": " + std::strerror(rc));
    pid_ = pid;
}

bool ChildProcess::Reap(bool block)
{
    if (finished_) return true;
    if (!Started()) throw ChildProcessError("the process " + args_[0] + " was not started");
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
        if (r == pid_) break;
        if (r == 0) return false;
        if (errno == EINTR) continue;
        // Someone else reaped it (a SIGCHLD handler set to ignore): the status is lost.
        finished_ = true;
        return true;
    }
    finished_ = true;
    if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) termSignal_ = WTERMSIG(status);
    return true;
}

bool ChildProcess::Running() { return !Reap(false); }

int ChildProcess::Wait()
{
    Reap(true);
    return exitCode_;
}

bool ChildProcess::WaitPolling(const std::function<bool()>& cancelled, std::chrono::milliseconds interval)
{
    if (interval.count() <= 0) interval = std::chrono::milliseconds(1);
    auto check = [&]() -> int { // 1 ended, 2 cancelled, 0 go on
        if (Reap(false)) return 1;
        if (cancelled && cancelled()) return 2;
        return 0;
    };
    int state = check();
    // The event loop only on the application's own thread; a worker thread simply sleeps.
    const QCoreApplication* app = QCoreApplication::instance();
    if (state == 0 && app && QThread::currentThread() == app->thread()) {
        QEventLoop loop;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            state = check();
            if (state != 0) loop.quit();
        });
        timer.start(static_cast<int>(interval.count()));
        loop.exec();
    } else {
        while (state == 0) {
            std::this_thread::sleep_for(interval);
            state = check();
        }
    }
    if (state == 2) {
        Terminate();
        return false;
    }
    return true;
}

void ChildProcess::Signal(int sig)
{
    if (Started() && !finished_) ::kill(pid_, sig);
}

void ChildProcess::Terminate(std::chrono::milliseconds grace)
{
    if (!Started() || finished_) return;
    ::kill(pid_, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + grace;
    while (!Reap(false)) {
        if (std::chrono::steady_clock::now() >= until) {
            ::kill(pid_, SIGKILL);
            Reap(true);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int RunChildProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                    const std::filesystem::path& outputFile, const std::filesystem::path& inputFile)
{
    ChildProcess p(args);
    for (const auto& [k, v] : env) p.SetEnv(k, v);
    if (!outputFile.empty()) p.SetOutputFile(outputFile);
    if (!inputFile.empty()) p.SetInputFile(inputFile);
    p.Start();
    return p.Wait();
}

} // namespace kb
