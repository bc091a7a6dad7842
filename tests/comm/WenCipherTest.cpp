// The ".wen" package cipher: a round trip, and every way a foreign or damaged file is refused
// without leaving anything under the target name.

#include "comm/WenCipher.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

using namespace kb;
namespace fs = std::filesystem;

TEST(WenCipher, RoundTripAndTheHeaderLayout)
{
    kbtest::TempDir dir;
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    kbtest::WriteFile(dir / "a.lzh", data);
    const std::string pw = wen::PackagePassword("abc123");
    EXPECT_EQ(pw.size(), 12u);
    ASSERT_TRUE(wen::EncryptFile(dir / "a.lzh", dir / "a.wen", pw, 1000));
    const std::string enc = kbtest::ReadFile(dir / "a.wen");
    ASSERT_EQ(enc.size(), 40 + data.size() + 16);
    EXPECT_EQ(enc.substr(0, 8), std::string("WENC\x01\x01\0\0", 8));
    EXPECT_EQ(enc.substr(8, 4), std::string("\0\0\x03\xe8", 4)); // 1000, big-endian
    EXPECT_EQ(wen::DecryptFile(dir / "a.wen", dir / "b.lzh", pw), wen::DecryptResult::Ok);
    EXPECT_EQ(kbtest::ReadFile(dir / "b.lzh"), data);
    // A second enciphering differs (fresh salt and nonce).
    ASSERT_TRUE(wen::EncryptFile(dir / "a.lzh", dir / "c.wen", pw, 1000));
    EXPECT_NE(kbtest::ReadFile(dir / "c.wen").substr(12, 28), enc.substr(12, 28));
}

TEST(WenCipher, ForeignDamagedOrOtherPasswordIsNotDeciphered)
{
    kbtest::TempDir dir;
    kbtest::WriteFile(dir / "a.lzh", std::string(5000, 'q'));
    const std::string pw = wen::PackagePassword("abc123");
    ASSERT_TRUE(wen::EncryptFile(dir / "a.lzh", dir / "a.wen", pw, 1000));
    const std::string good = kbtest::ReadFile(dir / "a.wen");

    struct Case { const char* why; std::string bytes; std::string password; };
    std::string body = good, tag = good, header = good, iters = good;
    body[100] = static_cast<char>(body[100] ^ 1);
    tag[tag.size() - 1] = static_cast<char>(tag[tag.size() - 1] ^ 1);
    header[20] = static_cast<char>(header[20] ^ 1); // salt: the header is authenticated too
    iters[8] = '\x7f';                              // an absurd iteration count is not even tried
    const std::vector<Case> cases = {
        {"other password", good, wen::PackagePassword("abc124")},
        {"flipped body byte", body, pw},
        {"flipped tag byte", tag, pw},
        {"flipped salt byte", header, pw},
        {"huge iterations", iters, pw},
        {"cut off", good.substr(0, good.size() - 1), pw},
        {"shorter than a header", good.substr(0, 30), pw},
        {"foreign file", std::string(6000, 'x'), pw},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        kbtest::WriteFile(dir / "in.wen", c.bytes);
        EXPECT_EQ(wen::DecryptFile(dir / "in.wen", dir / "out.lzh", c.password), wen::DecryptResult::NotDeciphered);
        EXPECT_FALSE(fs::exists(dir / "out.lzh"));
        EXPECT_FALSE(fs::exists(dir / "out.lzh.dec"));
    }
    EXPECT_EQ(wen::DecryptFile(dir / "missing.wen", dir / "out.lzh", pw), wen::DecryptResult::IoError);
}
