#include "comm/WenCipher.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace kb::wen {

namespace {

constexpr char kMagic[4] = {'W', 'E', 'N', 'C'};
constexpr std::size_t kSaltLen = 16, kNonceLen = 12, kTagLen = 16;
constexpr std::size_t kHeaderLen = 4 + 1 + 1 + 2 + 4 + kSaltLen + kNonceLen; // 40
constexpr std::size_t kChunk = 1 << 20;
// Fixed part of the package password; every program that exchanges packages must use the same.
constexpr const char* kFixedText = "RZ4086";

using Ctx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

bool DeriveKey(const std::string& password, const unsigned char* salt, std::uint32_t iterations,
               std::array<unsigned char, 32>& key)
{
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, kSaltLen,
                             static_cast<int>(iterations), EVP_sha256(), 32, key.data())
           == 1;
}

} // namespace

std::string PackagePassword(const std::string& communicationPassword)
{
    return kFixedText + communicationPassword;
}

bool EncryptFile(const std::filesystem::path& source, const std::filesystem::path& dest, const std::string& password,
                 std::uint32_t iterations)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) return false;
    std::array<unsigned char, kHeaderLen> header{};
    std::memcpy(header.data(), kMagic, 4);
    header[4] = 1; // layout version
    header[5] = 1; // PBKDF2-SHA256
    header[8] = static_cast<unsigned char>(iterations >> 24);
    header[9] = static_cast<unsigned char>(iterations >> 16);
    header[10] = static_cast<unsigned char>(iterations >> 8);
    header[11] = static_cast<unsigned char>(iterations);
    unsigned char* salt = header.data() + 12;
    unsigned char* nonce = salt + kSaltLen;
    if (RAND_bytes(salt, kSaltLen) != 1 || RAND_bytes(nonce, kNonceLen) != 1) return false;
    std::array<unsigned char, 32> key{};
    if (!DeriveKey(password, salt, iterations, key)) return false;

    Ctx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int outLen = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceLen, nullptr) != 1
        || EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), nonce) != 1
        || EVP_EncryptUpdate(ctx.get(), nullptr, &outLen, header.data(), kHeaderLen) != 1)
        return false;

    std::ofstream out(dest, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(header.data()), kHeaderLen);
    std::vector<unsigned char> buf(kChunk), enc(kChunk + 16);
    while (in) {
        in.read(reinterpret_cast<char*>(buf.data()), kChunk);
        const auto got = in.gcount();
        if (got <= 0) break;
        if (EVP_EncryptUpdate(ctx.get(), enc.data(), &outLen, buf.data(), static_cast<int>(got)) != 1) return false;
        out.write(reinterpret_cast<const char*>(enc.data()), outLen);
    }
    if (in.bad()) return false;
    std::array<unsigned char, kTagLen> tag{};
    if (EVP_EncryptFinal_ex(ctx.get(), enc.data(), &outLen) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagLen, tag.data()) != 1)
        return false;
    out.write(reinterpret_cast<const char*>(enc.data()), outLen);
    out.write(reinterpret_cast<const char*>(tag.data()), kTagLen);
    out.close();
    return static_cast<bool>(out);
}

DecryptResult DecryptFile(const std::filesystem::path& source, const std::filesystem::path& dest,
                          const std::string& password)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(source, ec);
    if (ec) return DecryptResult::IoError;
    if (size < kHeaderLen + kTagLen) return DecryptResult::NotDeciphered;
    std::ifstream in(source, std::ios::binary);
    if (!in) return DecryptResult::IoError;
    std::array<unsigned char, kHeaderLen> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), kHeaderLen)) return DecryptResult::IoError;
    if (std::memcmp(header.data(), kMagic, 4) != 0 || header[4] != 1 || header[5] != 1 || header[6] != 0
        || header[7] != 0)
        return DecryptResult::NotDeciphered;
    const std::uint32_t iterations = static_cast<std::uint32_t>(header[8]) << 24 | header[9] << 16 | header[10] << 8 | header[11];
    if (iterations < 1 || iterations > kMaxIterations) return DecryptResult::NotDeciphered;
    const unsigned char* salt = header.data() + 12;
    const unsigned char* nonce = salt + kSaltLen;
    std::array<unsigned char, 32> key{};
    if (!DeriveKey(password, salt, iterations, key)) return DecryptResult::IoError;

    Ctx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int outLen = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceLen, nullptr) != 1
        || EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), nonce) != 1
        || EVP_DecryptUpdate(ctx.get(), nullptr, &outLen, header.data(), kHeaderLen) != 1)
        return DecryptResult::IoError;

    const auto temp = std::filesystem::path(dest.string() + ".dec");
    auto fail = [&](DecryptResult r) {
        std::error_code e;
        std::filesystem::remove(temp, e);
        return r;
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return fail(DecryptResult::IoError);
        std::uintmax_t left = size - kHeaderLen - kTagLen;
        std::vector<unsigned char> buf(kChunk), dec(kChunk + 16);
        while (left > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(left, kChunk));
            if (!in.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(want)))
                return fail(DecryptResult::IoError);
            if (EVP_DecryptUpdate(ctx.get(), dec.data(), &outLen, buf.data(), static_cast<int>(want)) != 1)
                return fail(DecryptResult::NotDeciphered);
            out.write(reinterpret_cast<const char*>(dec.data()), outLen);
            left -= want;
        }
        std::array<unsigned char, kTagLen> tag{};
        if (!in.read(reinterpret_cast<char*>(tag.data()), kTagLen)) return fail(DecryptResult::IoError);
        if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagLen, tag.data()) != 1
            || EVP_DecryptFinal_ex(ctx.get(), dec.data(), &outLen) != 1)
            return fail(DecryptResult::NotDeciphered);
        out.close();
        if (!out) return fail(DecryptResult::IoError);
    }
    std::filesystem::rename(temp, dest, ec);
    if (ec) return fail(DecryptResult::IoError);
    return DecryptResult::Ok;
}

} // namespace kb::wen
