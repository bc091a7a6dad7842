// Our -lh5- writer cross-checked with the Debian archiver and read back with liblhasa; refusal of
// damaged, cut-off and path-carrying archives.

#include "comm/LhaArchive.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "FixtureBuilder.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <random>

using namespace kb;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// Text-like bytes with repeats near and far (beyond the 8 KiB window too).
std::string RepetitiveBytes(std::size_t n)
{
    std::mt19937 rng(7);
    std::string s;
    const char* words[] = {"SIWAKE ", "KAMOKU ", "\x82\xa0\x82\xa2", "0000000000", "2025/01/01 ", "\n"};
    while (s.size() < n) {
        if (s.size() > 20000 && rng() % 9 == 0) s += s.substr(rng() % (s.size() - 300), 3 + rng() % 290);
        else s += words[rng() % 6];
    }
    s.resize(n);
    return s;
}

// A real backup of the general data set, made once.
const std::string& RealBackup()
{
    static const std::string bytes = [] {
        static kbtest::TempDir dir;
        kbtest::PrepareFirebird();
        kbtest::fixture::BuildGeneralDataSet(dir.path() / "0001", 1);
        ChildProcess gbak({"gbak", "-b", "-user", "SYSDBA", (dir.path() / "0001" / "vqacc.fdb").string(),
                           (dir.path() / "vqacc.fbk").string()});
        gbak.SetOutputFile(dir.path() / "gbak.log");
        gbak.Start();
        if (gbak.Wait() != 0) throw std::runtime_error(kbtest::ReadFile(dir.path() / "gbak.log"));
        return kbtest::ReadFile(dir.path() / "vqacc.fbk");
    }();
    return bytes;
}

int RunLha(const std::vector<std::string>& args, const fs::path& cwd)
{
    ChildProcess lha(args);
    lha.SetWorkingDirectory(cwd);
    lha.SetOutputFile(cwd / "lha.log");
    lha.Start();
    return lha.Wait();
}

} // namespace

TEST(LhaArchive, ArchivesPassTheArchiverAndExtractByteIdentical)
{
    struct Case { const char* name; std::string data; };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"one byte", "A"},
        {"random", RandomBytes(200000, 1)},
        {"all zero", std::string(300000, '\0')},
        {"one full block of literals", RandomBytes(32768, 2)},
        {"one literal past a block", RandomBytes(32769, 3)},
        {"window edge", RepetitiveBytes(8192 * 3 + 1)},
        {"repetitive", RepetitiveBytes(500000)},
        {"real backup", RealBackup()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kbtest::TempDir dir;
        kbtest::WriteFile(dir / "vqacc.fbk", c.data);
        lha::CreateArchive(dir / "vqacc.lzh", dir / "vqacc.fbk");
        EXPECT_TRUE(lha::CheckArchive(dir / "vqacc.lzh"));
        EXPECT_EQ(RunLha({"lha", "t", (dir / "vqacc.lzh").string()}, dir.path()), 0) << kbtest::ReadFile(dir / "lha.log");
        fs::create_directory(dir / "byLha");
        EXPECT_EQ(RunLha({"lha", "xw=" + (dir / "byLha").string(), (dir / "vqacc.lzh").string()}, dir.path()), 0);
        EXPECT_EQ(kbtest::ReadFile(dir / "byLha" / "vqacc.fbk"), c.data);
        fs::create_directory(dir / "ours");
        ASSERT_TRUE(lha::ExtractArchive(dir / "vqacc.lzh", dir / "ours"));
        EXPECT_EQ(kbtest::ReadFile(dir / "ours" / "vqacc.fbk"), c.data);
        if (c.data.size() > 100000 && c.name != std::string("random")) {
            EXPECT_LT(fs::file_size(dir / "vqacc.lzh"), c.data.size() / 2);
        }
    }
}

TEST(LhaArchive, DamagedCutOffAndPathCarryingArchivesAreRefused)
{
    kbtest::TempDir dir;
    const std::string data = RepetitiveBytes(100000);
    kbtest::WriteFile(dir / "vqacc.fbk", data);
    lha::CreateArchive(dir / "vqacc.lzh", dir / "vqacc.fbk");
    const std::string good = kbtest::ReadFile(dir / "vqacc.lzh");

    auto refused = [&](const std::string& bytes, const char* why) {
        SCOPED_TRACE(why);
        kbtest::WriteFile(dir / "bad.lzh", bytes);
        EXPECT_FALSE(lha::CheckArchive(dir / "bad.lzh"));
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        EXPECT_FALSE(lha::ExtractArchive(dir / "bad.lzh", dir / "out"));
        EXPECT_TRUE(fs::is_empty(dir / "out"));
    };
    // The stored CRC-16 of the data sits at bytes 21 and 22 of a level-2 header.
    std::string badCrc = good;
    badCrc[21] = static_cast<char>(badCrc[21] ^ 0x5A);
    refused(badCrc, "data CRC");
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x01);
    refused(flipped, "flipped data byte");
    refused(good.substr(0, good.size() / 2), "truncated");
    refused(good.substr(0, 10), "truncated header");
    refused("", "empty file");
    refused(RandomBytes(5000, 9), "foreign file");

    // A member whose name climbs out of the folder ("../../x.z" in place of "vqacc.fbk", header CRC
    // made good again) is never written.
    std::string dots = good;
    const auto at = dots.find("vqacc.fbk");
    ASSERT_NE(at, std::string::npos);
    dots.replace(at, 9, "../../x.z");
    const std::size_t headerSize = static_cast<unsigned char>(dots[0]) | static_cast<unsigned char>(dots[1]) << 8;
    dots[27] = dots[28] = '\0';
    const std::uint16_t crc = lha::Crc16(std::string_view(dots).substr(0, headerSize));
    dots[27] = static_cast<char>(crc & 0xFF);
    dots[28] = static_cast<char>(crc >> 8);
    kbtest::WriteFile(dir / "dots.lzh", dots);
    fs::create_directories(dir / "deep" / "in");
    EXPECT_FALSE(lha::ExtractArchive(dir / "dots.lzh", dir / "deep" / "in"));
    EXPECT_FALSE(lha::CheckArchive(dir / "dots.lzh"));
    EXPECT_FALSE(fs::exists(dir / "x.z"));
    EXPECT_TRUE(fs::is_empty(dir / "deep" / "in"));
}

TEST(LhaArchive, Crc16IsTheArchiversCrc)
{
    EXPECT_EQ(lha::Crc16("123456789"), 0xBB3D); // CRC-16/ARC check value
    EXPECT_EQ(lha::Crc16(""), 0);
}
