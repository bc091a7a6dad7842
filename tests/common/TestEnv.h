#pragma once
// Small helpers for tests of the platform layers: environment variables set for one test and put
// back afterwards, and whole-file reads and writes.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kbtest {

// Sets (or with nullopt removes) environment variables; the destructor restores the old values.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const std::string& name, const std::optional<std::string>& value) { Set(name, value); }
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void Set(const std::string& name, const std::optional<std::string>& value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

} // namespace kbtest
