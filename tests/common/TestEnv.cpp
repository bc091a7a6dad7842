#include "common/TestEnv.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kbtest {

void ScopedEnv::Set(const std::string& name, const std::optional<std::string>& value)
{
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) ::setenv(name.c_str(), value->c_str(), 1);
    else ::unsetenv(name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else ::unsetenv(it->first.c_str());
    }
}

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + file.string());
    out << bytes;
}

} // namespace kbtest
