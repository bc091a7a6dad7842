#include "core/z5EasyEncode.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

namespace kb {

namespace {

int AlphaIndex(char c)
{
    const char* p = std::strchr(kEasyEncodeAlphabet, c);
    return (c != '\0' && p) ? static_cast<int>(p - kEasyEncodeAlphabet) : -1;
}

} // namespace

void InitEasyEncodeInfo(TEasyEncodeInfo& info)
{
    info.PadLength = 0;
    info.TextLength = 0;
    info.PlainText.clear();
    info.CodedText.clear();
}

bool EasyEncode(TEasyEncodeInfo& info)
{
    info.CodedText.clear();
    if (info.PadLength > info.TextLength) {
        const int pad = info.PadLength - info.TextLength;
        for (int i = 0; i < pad; ++i) info.PlainText += static_cast<char>('A' + i % 26);
    }
    if (info.PlainText.size() > kEasyEncodeMax || info.Key.size() > kEasyEncodeMax) return false;
    long s = 0;
    std::size_t p = 0;
    for (char c : info.PlainText) {
        if (p >= info.Key.size()) p = 0;
        if (!info.Key.empty()) s += static_cast<unsigned char>(info.Key[p]);
        const int j = AlphaIndex(c);
        if (j < 0) break;
        info.CodedText += kEasyEncodeAlphabet[(j + s) % 62];
        ++p;
    }
    return true;
}

bool EasyDecode(TEasyEncodeInfo& info)
{
    info.PlainText.clear();
    if (info.CodedText.size() > kEasyEncodeMax || info.Key.size() > kEasyEncodeMax) return false;
    long s = 0;
    std::size_t p = 0;
    for (std::size_t i = 0; i < info.CodedText.size(); ++i) {
        if (static_cast<long>(i) == info.TextLength) break;
        if (p >= info.Key.size()) p = 0;
        if (!info.Key.empty()) s += static_cast<unsigned char>(info.Key[p]);
        const int j = AlphaIndex(info.CodedText[i]);
        if (j < 0) break;
        info.PlainText += kEasyEncodeAlphabet[((j - s) % 62 + 62) % 62];
        ++p;
    }
    return true;
}

// ---- protected texts -------------------------------------------------------------------------

namespace {

// Layout (docs/formats.md): "KBP1:" + Base64(salt 16 | nonce 12 | cipher text | tag 16).
constexpr std::string_view kMagic = "KBP1:";
constexpr int kSaltLen = 16, kNonceLen = 12, kTagLen = 16, kKeyLen = 32;
constexpr int kIterations = 20000;
constexpr std::size_t kMaxProtected = 255;
// The built-in secret stands where the closed library kept its own key: these texts only need to be
// out of plain sight in the database, as before, not safe from someone holding the program.
constexpr std::string_view kSecret = "kenbo-rendo/protect-text/2c71f0d4a9e35b86";

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using CtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

bool DeriveKey(const unsigned char* salt, unsigned char* key)
{
    return PKCS5_PBKDF2_HMAC(kSecret.data(), static_cast<int>(kSecret.size()), salt, kSaltLen, kIterations,
                             EVP_sha256(), kKeyLen, key) == 1;
}

std::string Base64Encode(const std::vector<unsigned char>& in)
{
    std::string out(4 * ((in.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), in.data(), static_cast<int>(in.size()));
    out.resize(n);
    return out;
}

bool Base64Decode(std::string_view in, std::vector<unsigned char>& out)
{
    if (in.empty() || in.size() % 4 != 0) return false;
    for (char c : in)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=')) return false;
    out.assign(in.size() / 4 * 3 + 1, 0);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()));
    if (n < 0) return false;
    std::size_t len = static_cast<std::size_t>(n);
    // EVP_DecodeBlock counts the padding as zero bytes.
    if (in.size() >= 1 && in[in.size() - 1] == '=') --len;
    if (in.size() >= 2 && in[in.size() - 2] == '=') --len;
    out.resize(len);
    return true;
}

bool IsBlank(std::string_view t)
{
    for (char c : t)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

} // namespace

std::string EncodeProtectText(std::string_view text)
{
    if (IsBlank(text)) return "";
    std::vector<unsigned char> blob(kSaltLen + kNonceLen + text.size() + kTagLen);
    unsigned char* salt = blob.data();
    unsigned char* nonce = salt + kSaltLen;
    unsigned char* cipher = nonce + kNonceLen;
    unsigned char* tag = cipher + text.size();
    unsigned char key[kKeyLen];
    if (RAND_bytes(salt, kSaltLen + kNonceLen) != 1 || !DeriveKey(salt, key)) return "";
    CtxPtr ctx(EVP_CIPHER_CTX_new());
    int len = 0;
    bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceLen, nullptr) == 1
        && EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key, nonce) == 1
        // The magic is authenticated too, so a future layout cannot be mistaken for this one.
        && EVP_EncryptUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(kMagic.data()),
                             static_cast<int>(kMagic.size())) == 1
        && EVP_EncryptUpdate(ctx.get(), cipher, &len, reinterpret_cast<const unsigned char*>(text.data()),
                             static_cast<int>(text.size())) == 1
        && EVP_EncryptFinal_ex(ctx.get(), cipher + len, &len) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagLen, tag) == 1;
    OPENSSL_cleanse(key, sizeof key);
    if (!ok) return "";
    std::string out = std::string(kMagic) + Base64Encode(blob);
    if (out.size() > kMaxProtected) return ""; // the stored column holds 255 bytes
    return out;
}

std::string DecodeProtectText(std::string_view protectedText)
{
    if (IsBlank(protectedText)) return "";
    if (protectedText.size() > kMaxProtected || protectedText.substr(0, kMagic.size()) != kMagic) return "";
    std::vector<unsigned char> blob;
    if (!Base64Decode(protectedText.substr(kMagic.size()), blob)) return "";
    if (blob.size() < static_cast<std::size_t>(kSaltLen + kNonceLen + kTagLen)) return "";
    const unsigned char* salt = blob.data();
    const unsigned char* nonce = salt + kSaltLen;
    const unsigned char* cipher = nonce + kNonceLen;
    const std::size_t cipherLen = blob.size() - kSaltLen - kNonceLen - kTagLen;
    unsigned char* tag = blob.data() + blob.size() - kTagLen;
    unsigned char key[kKeyLen];
    if (!DeriveKey(salt, key)) return "";
    std::string plain(cipherLen, '\0');
    CtxPtr ctx(EVP_CIPHER_CTX_new());
    int len = 0, fin = 0;
    bool ok = ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceLen, nullptr) == 1
        && EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key, nonce) == 1
        && EVP_DecryptUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(kMagic.data()),
                             static_cast<int>(kMagic.size())) == 1
        && EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()), &len, cipher,
                             static_cast<int>(cipherLen)) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagLen, tag) == 1
        && EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()) + len, &fin) == 1;
    OPENSSL_cleanse(key, sizeof key);
    if (!ok) return "";
    // The old library answered up to its first zero byte.
    const auto zero = plain.find('\0');
    if (zero != std::string::npos) plain.resize(zero);
    return plain;
}

} // namespace kb
