// Folder and file helpers: the backup trailer search and cut, the buffered stream, folder
// creation and listing, INI and registry access, special folders and the writable-folder check.

#include "common/TestDb.h"
#include "core/z5FileFunc.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;
using namespace kb;

namespace {

void Write(const fs::path& f, const std::string& bytes) { std::ofstream(f, std::ios::binary) << bytes; }
std::string ReadAll(const fs::path& f)
{
    std::ifstream in(f, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kMarker = "## LumoraZone";

// size bytes of a pattern with the marker (and a trailer line) placed at offset.
std::string WithMarkerAt(std::size_t size, std::size_t offset, const std::string& after = "\r\nSHOUGOU=x\r\n")
{
    std::string s;
    for (std::size_t i = 0; i < size; ++i) s += static_cast<char>('a' + i % 26);
    const std::string t = kMarker + after;
    s.replace(offset, std::min(t.size(), size - offset), t.substr(0, size - offset));
    return s;
}

} // namespace

TEST(FileTrailer, FindsTheMarkerAcrossBlocksAndOnlyWhereItCounts)
{
    kbtest::TempDir dir;
    const fs::path f = dir / "b.fbk";
    struct Case {
        const char* what;
        std::string content;
        std::int64_t offset;
    };
    std::string twice = WithMarkerAt(5000, 1000);
    twice.replace(4000, kMarker.size(), kMarker); // data holding the marker text, then the trailer
    std::string farAway = WithMarkerAt(200000, 100);
    const std::vector<Case> cases = {
        {"across the 512-byte boundary", WithMarkerAt(1000, 510), 510},
        {"none", WithMarkerAt(1000, 0).replace(0, kMarker.size(), std::string(kMarker.size(), 'z')), -1},
        {"at the very start", WithMarkerAt(1000, 0), -1},
        {"the last occurrence wins", twice, 4000},
        {"far before the tail is data, not a trailer", farAway, -1},
    };
    for (const auto& c : cases) {
        Write(f, c.content);
        std::string text = "stale";
        EXPECT_EQ(FindStrInFile(f.string(), kMarker, text), c.offset) << c.what;
        if (c.offset < 0) EXPECT_EQ(text, "") << c.what;
        else EXPECT_EQ(text, c.content.substr(static_cast<std::size_t>(c.offset), 512)) << c.what;
    }
    std::string text;
    EXPECT_EQ(FindStrInFile((dir / "none").string(), kMarker, text), -1);

    // The text ends at a zero byte.
    Write(f, WithMarkerAt(1000, 600, std::string("\r\nA=1\r\n") + '\0' + "junk"));
    FindStrInFile(f.string(), kMarker, text);
    EXPECT_EQ(text, kMarker + "\r\nA=1\r\n");
}

TEST(FileTrailer, CutLeavesExactlyTheBytesBeforeTheMarker)
{
    kbtest::TempDir dir;
    const fs::path f = dir / "vqacc.fbk";
    const std::string content = WithMarkerAt(1000, 700);
    Write(f, content);
    std::string text;
    EXPECT_EQ(ReadFileTrailer(f.string(), kMarker, text, false), 700);
    EXPECT_EQ(fs::file_size(f), 1000u);
    EXPECT_EQ(ReadFileTrailer(f.string(), kMarker, text, true), 700);
    EXPECT_EQ(text, content.substr(700));
    EXPECT_EQ(ReadAll(f), content.substr(0, 700));
    EXPECT_FALSE(fs::exists(dir / "vqacc.wk_"));
    // No trailer: nothing changes.
    EXPECT_EQ(ReadFileTrailer(f.string(), kMarker, text, true), -1);
    EXPECT_EQ(ReadAll(f), content.substr(0, 700));

    AppendTextToFile(f.string(), kMarker + "\r\nSHOUGOU=青色商店\r\n");
    EXPECT_EQ(FindStrInFile(f.string(), kMarker, text), 700);
    EXPECT_THROW(AppendTextToFile((dir / "missing").string(), "x"), std::runtime_error);
}

TEST(BufFileStream, ReadsThroughItsBufferAndRefusesLargerCounts)
{
    kbtest::TempDir dir;
    std::string content;
    for (int i = 0; i < 3000; ++i) content += static_cast<char>(i % 251);
    Write(dir / "f", content);
    TBufFileStream s((dir / "f").string(), TBufFileStream::TOpenMode::Read, 1);
    char buf[1024];
    try {
        s.Read(buf, 1025);
        ADD_FAILURE() << "no error";
    } catch (const EBufFileStreamError& e) {
        EXPECT_STREQ(e.what(), "バッファの大きさを越えています。");
    }
    std::string got;
    for (std::int64_t n; (n = s.Read(buf, 700)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    EXPECT_EQ(got, content);
    EXPECT_EQ(s.Read(buf, 10), 0);
    // A seek from the current position counts from what was delivered, not what was buffered.
    s.Seek(0, TBufFileStream::TSeekOrigin::Beginning);
    s.Read(buf, 10);
    s.Seek(5, TBufFileStream::TSeekOrigin::Current);
    ASSERT_EQ(s.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), content.substr(15, 3));
}

TEST(FolderHelpers, CreateListAndMeasure)
{
    kbtest::TempDir dir;
    EXPECT_TRUE(ForceDirs((dir / "a" / "b" / "c").string()));
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
    EXPECT_TRUE(ForceDirs((dir / "a").string()));
    Write(dir / "file", "x");
    EXPECT_FALSE(ForceDirs((dir / "file" / "sub").string()));
    EXPECT_FALSE(ForceDirs(" "));

    fs::create_directories(dir / "a" / "z");
    Write(dir / "a" / "f.txt", "12345");
    std::vector<std::string> list{"stale"};
    EnumSubDirs((dir / "a").string(), 1, list);
    EXPECT_EQ(list, (std::vector<std::string>{"b", "z"}));
    EnumSubDirs((dir / "a").string(), 0, list);
    EXPECT_EQ(list, (std::vector<std::string>{(dir / "a" / "b").string(), (dir / "a" / "z").string()}));
    EnumSubDirs((dir / "none").string(), 1, list);
    EXPECT_TRUE(list.empty());
    EnumSubDirs("", 1, list);
    EXPECT_TRUE(list.empty());

    Write(dir / "a" / "g.txt", "123");
    EXPECT_EQ(GetFirstFileSize((dir / "a" / "*.txt").string()), 5);
    EXPECT_EQ(GetFirstFileSize((dir / "a" / "g.txt").string()), 3);
    EXPECT_EQ(GetFirstFileSize((dir / "a" / "*.fbk").string()), 0);
    EXPECT_EQ(GetFirstFileSize((dir / "none" / "*.txt").string()), 0);

    EXPECT_EQ(ExcludeSlash("/data/"), "/data");
    EXPECT_EQ(ExcludeSlash("/"), "/");
    EXPECT_EQ(IncludeSlash("/data"), "/data/");
    EXPECT_EQ(IncludeSlash("/data/"), "/data/");
    std::string s;
    EXPECT_THROW(GetShortPath((dir / "none").string(), s), std::runtime_error);
    GetShortPath((dir / "file").string(), s);
    EXPECT_EQ(s, (dir / "file").string());
}

TEST(FolderHelpers, MoveReplacesTheTargetAlsoAcrossFileSystems)
{
    kbtest::TempDir dir;
    Write(dir / "new", "new");
    Write(dir / "old", "old");
    EXPECT_TRUE(MoveFileOver((dir / "new").string(), (dir / "old").string()));
    EXPECT_EQ(ReadAll(dir / "old"), "new");
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_FALSE(MoveFileOver((dir / "none").string(), (dir / "old").string()));
    EXPECT_EQ(ReadAll(dir / "old"), "new");

    // /dev/shm is another file system on most machines: the copying path.
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev) return;
    const fs::path src = fs::path("/dev/shm") / ("kbmove-" + std::to_string(::getpid()));
    Write(src, "across");
    EXPECT_TRUE(MoveFileOver(src.string(), (dir / "old").string()));
    EXPECT_EQ(ReadAll(dir / "old"), "across");
    EXPECT_FALSE(fs::exists(src));
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST(IniAndRegistry, WriteDeleteAndReadSections)
{
    kbtest::TempDir dir;
    const std::string ini = (dir / "a.ini").string();
    EXPECT_TRUE(WriteIniValue(ini, "LOCAL", "HOSTNAME", false, std::string("server1")));
    EXPECT_TRUE(WriteIniValue(ini, "LOCAL", "PORT", false, 3050));
    EXPECT_TRUE(WriteIniValue(ini, "LOCAL", "GROUP", false, true));
    EXPECT_TRUE(WriteIniValue(ini, "local", "port", true, 0));
    std::string text;
    ReadIniSection(ini, "LOCAL", text);
    EXPECT_EQ(text, "HOSTNAME=server1\r\nGROUP=1\r\n");
    WriteIniSection(ini, "LOCAL", {"A=1", "B=x=y", "no equals"});
    ReadIniSection(ini, "LOCAL", text);
    EXPECT_EQ(text, "A=1\r\nB=x=y\r\n");
    text = "kept";
    ReadIniSection(ini, "", text);
    EXPECT_EQ(text, "kept");

    ::setenv("KB_CONFIG_ROOT", (dir / "config").c_str(), 1);
    Registry reg = Registry::Open();
    reg.WriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\X", "Version", "15.0.0");
    reg.WriteInteger("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA", 1);
    EXPECT_EQ(ReadRegValue("HKEY_LOCAL_MACHINE", "\\SOFTWARE\\ZANDREL\\X", "Version"), TRegValue(std::string("15.0.0")));
    EXPECT_EQ(ReadRegValue("HKEY_LOCAL_MACHINE", "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA"),
              TRegValue(1));
    EXPECT_EQ(ReadRegValue("HKEY_LOCAL_MACHINE", "\\SOFTWARE\\None", "Version"), TRegValue(0));
    ::unsetenv("KB_CONFIG_ROOT");
}

TEST(SpecialFolders, NamedFoldersAndTheWritableCheck)
{
    kbtest::TempDir dir;
    fs::create_directories(dir / "desk");
    fs::create_directories(dir / "docs");
    ::setenv("KB_DESKTOP_DIR", (dir / "desk").c_str(), 1);
    ::setenv("KB_DOCUMENTS_DIR", (dir / "docs").c_str(), 1);
    ::setenv("KB_PROGRAM_DIR", (dir / "prog").c_str(), 1);
    std::string out;
    GetSpecialFolderByName("Desktop", out);
    EXPECT_EQ(out, (dir / "desk").string());
    GetSpecialFolderByName("MyDocument", out);
    EXPECT_EQ(out, (dir / "docs").string());
    GetSpecialFolderByName("windows", out);
    EXPECT_EQ(out, (dir / "prog").string());
    ::setenv("TEMP", (dir / "none").c_str(), 1);
    GetTempDir("/def", out);
    EXPECT_EQ(out, "/def");
    ::setenv("TEMP", (dir / "desk/").c_str(), 1);
    GetTempDir("/def", out);
    EXPECT_EQ(out, (dir / "desk").string());

    struct Ask : IWritableFolderAsk {
        bool answer = false;
        int asked = 0;
        bool AskUseDocuments() override { return ++asked, answer; }
    } ask;
    SetWritableFolderAsk(&ask);
    std::string folder = (dir / "desk").string();
    EXPECT_TRUE(CheckWritableFolder(folder));
    EXPECT_EQ(folder, (dir / "desk").string() + "/");
    EXPECT_EQ(ask.asked, 0);
    folder = "/";
    EXPECT_FALSE(CheckWritableFolder(folder)); // No
    EXPECT_EQ(folder, "/");
    ask.answer = true;
    EXPECT_TRUE(CheckWritableFolder(folder));
    EXPECT_EQ(folder, (dir / "docs").string() + "/");
    std::string file = "/vqacc.fbk";
    EXPECT_TRUE(CheckWritableFile(file));
    EXPECT_EQ(file, (dir / "docs" / "vqacc.fbk").string());
    EXPECT_EQ(ask.asked, 3);
    SetWritableFolderAsk(nullptr);
    for (const char* v : {"KB_DESKTOP_DIR", "KB_DOCUMENTS_DIR", "KB_PROGRAM_DIR", "TEMP"}) ::unsetenv(v);
}
