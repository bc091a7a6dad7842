#pragma once
// A password-protected zip archive of one file for the cloud analysis service: one entry under the
// given name (no folders), deflated and encrypted with the traditional PKWARE cipher, which the
// service's unzip reads. The archive is written under a temporary name and renamed into place, so
// a failed run leaves no half archive.

#include <filesystem>
#include <string>

namespace kb {

// 0 = success; -1 the file cannot be read, -2 the archive cannot be made, -3 the encryption is
// refused. An existing file at archive is replaced.
int ZipArchive(const std::filesystem::path& archive, const std::filesystem::path& file, const std::string& entryName,
               const std::string& password);

} // namespace kb
