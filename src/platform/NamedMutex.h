#pragma once
// Named mutexes between the programs of the family. A mutex is an exclusive flock on a file named
// after it in the "mutex" folder of the runtime folder (ShellFolders::RuntimeDir). The kernel drops
// the lock when its holder ends in any way, so a crashed holder never blocks a restart. The files
// stay behind on purpose: removing a lock file while another process opens it would split the lock.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace kb {

struct NamedMutexError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class NamedMutex {
public:
    // True while some process (this one included) holds the mutex.
    static bool Exists(const std::string& name);
    // Takes the mutex; empty when another holder has it.
    static std::optional<NamedMutex> TryCreate(const std::string& name);
    // Takes the mutex; throws NamedMutexError when another holder has it or the file cannot be made.
    static NamedMutex Create(const std::string& name);
    // The lock file of a name: bytes other than letters, digits, "-", "_" and "." are written as %XX,
    // so "Global\\X" and "X" stay different mutexes. Names are case-sensitive, as on Windows.
    static std::filesystem::path LockFile(const std::string& name);

    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    ~NamedMutex();

    // Lets the mutex go now (the destructor does it otherwise).
    void Release();
    bool Held() const { return fd_ >= 0; }
    const std::string& Name() const { return name_; }

private:
    NamedMutex(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
    std::string name_;
    int fd_ = -1;
};

} // namespace kb
