#include "exchange/ZipArchive.h"

#include <zip.h>

#include <system_error>

namespace kb {

int ZipArchive(const std::filesystem::path& archive, const std::filesystem::path& file, const std::string& entryName,
               const std::string& password)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return -1;
    const std::filesystem::path tmp = archive.string() + ".part";
    std::filesystem::remove(tmp, ec);
    int err = 0;
    zip_t* z = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_EXCL, &err);
    if (!z) return -2;
    const auto fail = [&](int code) {
        zip_discard(z);
        std::filesystem::remove(tmp, ec);
        return code;
    };
    zip_source_t* src = zip_source_file(z, file.c_str(), 0, -1);
    if (!src) return fail(-1);
    const zip_int64_t idx = zip_file_add(z, entryName.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
        zip_source_free(src);
        return fail(-2);
    }
    if (zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 0) < 0) return fail(-2);
    if (!password.empty() &&
        zip_file_set_encryption(z, static_cast<zip_uint64_t>(idx), ZIP_EM_TRAD_PKWARE, password.c_str()) < 0)
        return fail(-3);
    if (zip_close(z) < 0) return fail(-2);
    std::filesystem::rename(tmp, archive, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return -2;
    }
    return 0;
}

} // namespace kb
