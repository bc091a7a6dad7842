#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

using namespace kb;

namespace {
std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

TEST(IniFile, JapaneseValuesRoundTripAsCp932WithCrLf)
{
    QTemporaryDir dir;
    const std::filesystem::path p = dir.path().toStdString() + "/a.ini";
    IniFile ini(p);
    const std::string v = "①～㈱ｶﾞｷﾞ漢字";
    ini.WriteString("LOCAL", "NAME", v);
    ini.WriteInteger("LOCAL", "PORT", 3050);
    ini.WriteString("会社", "名前", "値 with  spaces");

    IniFile again(p);
    EXPECT_EQ(again.ReadString("local", "name"), v);
    EXPECT_EQ(again.ReadInteger("Local", "PORT", 0), 3050);
    EXPECT_EQ(again.ReadString("会社", "名前"), "値 with  spaces");
    EXPECT_EQ(ReadBytes(p), Utf8ToCp932("[LOCAL]\r\nNAME=" + v + "\r\nPORT=3050\r\n[会社]\r\n名前=値 with  spaces\r\n"));
}

TEST(IniFile, ReadsForeignFileKeepsCommentsAndErases)
{
    QTemporaryDir dir;
    const std::filesystem::path p = dir.path().toStdString() + "/b.ini";
    WriteFileAtomically(p, "; note\r\n[A]\r\n  Key = value  \r\nOther=1\r\n\r\n[B]\r\nX=2\r\n");
    IniFile ini(p);
    EXPECT_EQ(ini.ReadString("a", "KEY"), "value");
    EXPECT_EQ(ini.ReadString("A", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"Key", "Other"}));
    ini.WriteString("a", "other", "3"); // replaced in place, the written case kept
    ini.EraseKey("A", "key");
    ini.EraseSection("b");
    EXPECT_EQ(ReadBytes(p), "; note\r\n[A]\r\nOther=3\r\n\r\n");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_TRUE(ini.ValueExists("A", "OTHER"));
    EXPECT_FALSE(ini.ReadBool("A", "nothing", false));
    EXPECT_TRUE(ini.ReadBool("A", "Other", false));
}

namespace {
mode_t ModeOf(const std::filesystem::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}
} // namespace

// Each case starts from a file's bytes (or none), applies one write and checks the file and what
// a reader then sees.
TEST(IniFile, WritesKeepModeFollowLinksAndNeverAddLines)
{
    struct Case {
        const char* name;
        const char* before;           // nullptr: no file
        mode_t beforeMode;
        const char* key;
        const char* value;
        const char* after;            // expected bytes
        mode_t afterMode;
    };
    const Case cases[] = {
        {"private file stays private", "[S]\r\nA=1\r\n", 0600, "A", "2", "[S]\r\nA=2\r\n", 0600},
        {"group-readable stays so", "[S]\r\nA=1\r\n", 0640, "B", "x", "[S]\r\nA=1\r\nB=x\r\n", 0640},
        {"new file with a password is private", nullptr, 0, "PASSWORD", "pw", "[S]\r\nPASSWORD=pw\r\n", 0600},
        {"a password takes the others' rights", "[S]\r\n", 0644, "PASSWORD", "pw", "[S]\r\nPASSWORD=pw\r\n", 0600},
        {"CR LF, CR and LF each fold to a blank", "[S]\r\n", 0644, "V", "a\r\n[X]\rY=1\nZ", "[S]\r\nV=a [X] Y=1 Z\r\n", 0644},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const std::filesystem::path p = dir.path().toStdString() + "/c.ini";
        if (c.before) {
            WriteFileAtomically(p, c.before);
            ASSERT_EQ(::chmod(p.c_str(), c.beforeMode), 0);
        }
        IniFile(p).WriteString("S", c.key, c.value);
        EXPECT_EQ(ReadBytes(p), c.after);
        EXPECT_EQ(ModeOf(p), c.afterMode);
        EXPECT_EQ(IniFile(p).ReadSections(), std::vector<std::string>{"S"});
    }

    // A link is followed: its target gets the record, the link stays a link.
    QTemporaryDir dir;
    const std::filesystem::path real = dir.path().toStdString() + "/real.ini";
    const std::filesystem::path link = dir.path().toStdString() + "/link.ini";
    WriteFileAtomically(real, "[S]\r\nA=1\r\n");
    ::chmod(real.c_str(), 0600);
    std::filesystem::create_symlink("real.ini", link);
    IniFile(link).WriteString("S", "A", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));
    EXPECT_EQ(ReadBytes(real), "[S]\r\nA=2\r\n");
    EXPECT_EQ(ModeOf(real), 0600u);
}

// A lead byte that the next byte cannot complete is one bad byte: the line break and "=" after
// it keep their meaning, so no key is lost and no two lines merge.
TEST(IniFile, StrayLeadByteSpoilsOnlyItself)
{
    QTemporaryDir dir;
    const std::filesystem::path p = dir.path().toStdString() + "/d.ini";
    WriteFileAtomically(p, "[S]\r\nKEY\x82=1\r\nA=\x82\nB=2\r\nC=\x82");
    IniFile ini(p);
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"KEY\uFFFD", "A", "B", "C"}));
    EXPECT_EQ(ini.ReadString("S", "KEY\uFFFD"), "1");
    EXPECT_EQ(ini.ReadString("S", "A"), "\uFFFD");
    EXPECT_EQ(ini.ReadString("S", "B"), "2");
    EXPECT_EQ(ini.ReadString("S", "C"), "\uFFFD");
    // The next write keeps every key.
    ini.WriteString("S", "D", "4");
    EXPECT_EQ(IniFile(p).ReadSection("S").size(), 5u);
}

// A batch reads once and writes once: until Commit the file is as it was.
TEST(IniFile, BatchWritesTheWholeRecordAtCommit)
{
    QTemporaryDir dir;
    const std::filesystem::path p = dir.path().toStdString() + "/e.ini";
    WriteFileAtomically(p, "[DATASTS]\r\nSTATUS=1\r\nOLD=x\r\n[DATAINFO]\r\nCODE=7\r\n");
    IniFile ini(p);
    IniFile::Batch b(ini);
    b.EraseSection("DATASTS").WriteInteger("DATASTS", "STATUS", 2).WriteString("DATASTS", "OPERATOR", "山田").EraseKey("DATAINFO", "CODE");
    EXPECT_EQ(ini.ReadString("DATASTS", "OLD"), "x");
    b.Commit();
    EXPECT_EQ(ReadBytes(p), Utf8ToCp932("[DATAINFO]\r\n[DATASTS]\r\nSTATUS=2\r\nOPERATOR=山田\r\n"));
}
