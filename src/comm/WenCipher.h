#pragma once
// The enciphered package file ".wen": AES-256-GCM under a key derived from the password by
// PBKDF2-SHA256, with a header of our own (docs/formats.md). Deciphering writes to a temporary
// name and gives the file its name only after the tag has checked, so a wrong password, a damaged
// file or a file that is not ours never leaves a plain-looking archive behind.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kb::wen {

inline constexpr std::uint32_t kIterations = 100000;
inline constexpr std::uint32_t kMaxIterations = 10000000; // bound on what a header may ask for

// The password both sides join: the program's fixed text followed by the communication password.
std::string PackagePassword(const std::string& communicationPassword);

// False when the source cannot be read or the destination written.
bool EncryptFile(const std::filesystem::path& source, const std::filesystem::path& dest, const std::string& password,
                 std::uint32_t iterations = kIterations);

enum class DecryptResult { Ok, NotDeciphered, IoError };
// NotDeciphered: not our header, unreasonable iterations, too short, or a tag that does not check.
DecryptResult DecryptFile(const std::filesystem::path& source, const std::filesystem::path& dest,
                          const std::string& password);

} // namespace kb::wen
