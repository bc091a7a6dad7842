#include "platform/ShutdownSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace kb::ShutdownSignals {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeFd{-1};
int readFd = -1;
std::function<void(int)> receiver;
std::unique_ptr<QSocketNotifier> notifier;
int signalFd = -1;
std::unique_ptr<QSocketNotifier> signalFdNotifier;

sigset_t OurSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kSignals) sigaddset(&set, sig);
    return set;
}
std::mutex installLock;

void OnSignal(int sig)
{
    const int saved = errno;
    const int fd = writeFd.load();
    if (fd >= 0) {
        const unsigned char b = static_cast<unsigned char>(sig);
        [[maybe_unused]] const ssize_t n = ::write(fd, &b, 1);  // a full pipe already holds a request
    }
    errno = saved;
}

void SetHandler(int sig)
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(sig, &sa, nullptr);
}

void Drain()
{
    unsigned char buf[64];
    for (;;) {
        const ssize_t n = ::read(readFd, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            if (receiver) receiver(buf[i]);
    }
}

void DrainSignalFd()
{
    signalfd_siginfo info {};
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        if (receiver) receiver(static_cast<int>(info.ssi_signo));
}

} // namespace

void Install(std::function<void(int)> onSignal)
{
    std::lock_guard guard(installLock);
    receiver = std::move(onSignal);
    if (writeFd.load() < 0) {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("cannot create the signal pipe");
        readFd = fds[0];
        writeFd.store(fds[1]);
        notifier = std::make_unique<QSocketNotifier>(readFd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [] { Drain(); });
    }
    for (int sig : kSignals) SetHandler(sig);
    // Blocked here, the signals stay pending for the signalfd; threads started later (the client
    // library's among them) inherit the mask, so no handler of theirs ever runs for them.
    if (signalFd < 0) {
        const sigset_t set = OurSet();
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
        signalFd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (signalFd >= 0) {
            signalFdNotifier = std::make_unique<QSocketNotifier>(signalFd, QSocketNotifier::Read);
            QObject::connect(signalFdNotifier.get(), &QSocketNotifier::activated, [] { DrainSignalFd(); });
        }
    }
}

void Reassert()
{
    if (writeFd.load() < 0) return;
    for (int sig : kSignals) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler != OnSignal) SetHandler(sig);
    }
}

void Uninstall()
{
    std::lock_guard guard(installLock);
    if (writeFd.load() < 0) return;
    for (int sig : kSignals) ::signal(sig, SIG_DFL);
    if (signalFd >= 0) {
        signalFdNotifier.reset();
        ::close(signalFd);
        signalFd = -1;
        const sigset_t set = OurSet();
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
    notifier.reset();
    ::close(writeFd.exchange(-1));
    ::close(readFd);
    readFd = -1;
    receiver = nullptr;
}

bool Installed() { return writeFd.load() >= 0; }

} // namespace kb::ShutdownSignals
