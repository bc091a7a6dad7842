#include "platform/IniFile.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

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
    IniFile::SaveAtomically(p, "; note\r\n[A]\r\n  Key = value  \r\nOther=1\r\n\r\n[B]\r\nX=2\r\n");
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
