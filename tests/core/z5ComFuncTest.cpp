#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "common/TestDb.h"
#include "core/z5ComFunc.h"

namespace {

namespace fs = std::filesystem;
using kb::Currency;

const std::string Z = "　"; // full-width blank

TEST(TextHelpers, BlanksAndFullWidthBlanks)
{
    EXPECT_EQ(kb::TrimZen(Z + " 山田 太郎 " + Z), "山田 太郎");
    EXPECT_EQ(kb::TrimZen(" " + Z + "\t山田" + Z + " " + Z), "山田");
    EXPECT_EQ(kb::TrimZen(Z + Z), "");
    EXPECT_EQ(kb::DelAllSpace(" 山" + Z + "田 太\t郎" + Z), "山田太\t郎");
    EXPECT_EQ(kb::SpaceStr(3), "   ");
    EXPECT_EQ(kb::SpaceStr(0), "");
    EXPECT_EQ(kb::SpaceStr(511), "");
}

TEST(TextHelpers, FixedWidths)
{
    EXPECT_EQ(kb::FixLeft("ab", 4), "ab  ");
    EXPECT_EQ(kb::FixLeft("abc漢字", 4), "abc "); // the cut character becomes a blank
    EXPECT_EQ(kb::FixLeft("漢字", 4), "漢字");
    EXPECT_EQ(kb::FixLeft("x", 600).size(), 600u); // wider than SpaceStr's limit still pads
    EXPECT_EQ(kb::FixRight("12345", 3), "345");
    EXPECT_EQ(kb::FixRight("1", 3), "  1");
    EXPECT_EQ(kb::FixRight("漢字", 3), " 字");
    EXPECT_EQ(kb::FixRight("x", 0), "");
}

TEST(TextHelpers, ShiftJisBytes)
{
    // "漢" is 8A BF in CP932.
    EXPECT_EQ(kb::FixKanjiCut("ab\x8A"), "ab ");
    EXPECT_EQ(kb::FixKanjiCut("\x8A" "\x20" "c"), "  c");
    EXPECT_EQ(kb::FixKanjiCut("\x8A\xBF" "c"), "\x8A\xBF" "c");
    EXPECT_TRUE(kb::IsKanjiLead(0x81));
    EXPECT_FALSE(kb::IsKanjiLead(0xA0));
    EXPECT_TRUE(kb::IsKanjiTrail(0x40));
    EXPECT_FALSE(kb::IsKanjiTrail(0x7F));
    // "a" + 0x8A 0x8A (a character whose trail byte looks like a lead byte) + "b".
    const std::string t = "a\x8A\x8A" "b";
    EXPECT_FALSE(kb::IsKanjiLeadAt(t, 1));
    EXPECT_TRUE(kb::IsKanjiLeadAt(t, 2));
    EXPECT_FALSE(kb::IsKanjiLeadAt(t, 3)); // the trail byte
    EXPECT_FALSE(kb::IsKanjiLeadAt(t, 0)); // the last byte "b"
    EXPECT_TRUE(kb::IsKanjiLeadAt("a\x8A", 99));
    EXPECT_FALSE(kb::IsKanjiLeadAt("", 1));
}

TEST(TextHelpers, SplitStr)
{
    std::vector<std::string> parts;
    EXPECT_EQ(kb::SplitStr("a,,b //comment", ',', parts), 2);
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "", "b "}));
    std::vector<std::string> untouched{"keep"};
    EXPECT_EQ(kb::SplitStr("// only a comment", ',', untouched), 0);
    EXPECT_EQ(untouched, std::vector<std::string>{"keep"});
    std::string many;
    for (int i = 0; i < 80; ++i) many += std::to_string(i) + ",";
    EXPECT_EQ(kb::SplitStr(many, ',', parts), 80); // every part kept, no fixed room
    EXPECT_EQ(parts[79], "79");
    EXPECT_EQ(parts[80], "");
}

TEST(Conversions, RoundCurr)
{
    struct Case { int mode; const char* in; std::int64_t out; };
    const Case cases[] = {
        {0, "-1.2", -1}, {1, "-1.2", -2}, {3, "-1.2", -1}, {2, "2.5", 3}, {2, "-2.5", -3},
        {0, "2.9999", 2}, {1, "2.0001", 3}, {1, "2", 2}, {9, "-0.4999", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kb::RoundCurr(c.mode, *Currency::Parse(c.in)), Currency::FromYen(c.out)) << c.mode << " " << c.in;
}

TEST(Conversions, Numbers)
{
    EXPECT_EQ(kb::RoundToInt(2.5), 2);
    EXPECT_EQ(kb::RoundToInt(3.5), 4);
    EXPECT_EQ(kb::RoundToInt(-2.5), -2);
    EXPECT_EQ(kb::StrToCurr0(" 1234.5 "), *Currency::Parse("1234.5"));
    EXPECT_EQ(kb::StrToCurr0("12a"), Currency());
    EXPECT_EQ(kb::StrToDate0("2024/02/29"), kb::Date(2024, 2, 29));
    EXPECT_TRUE(kb::StrToDate0("2023/02/29").IsNull());
    EXPECT_TRUE(kb::StrToDate0("2024-02-01").IsNull());
    EXPECT_EQ(kb::DateToStrType(2, kb::DateTime(kb::Date(2024, 4, 1), 13, 5)), "24/04/01");
    EXPECT_EQ(kb::DateToStrType(4, kb::DateTime(kb::Date(2024, 4, 1), 13, 5)), "2024/04/01");
    EXPECT_EQ(kb::DateToStrType(0, kb::DateTime(kb::Date(2024, 4, 1), 13, 5)), "2024/04/01 13:05");
    EXPECT_EQ(kb::DateToStrType(4, kb::DateTime()), "");
    EXPECT_EQ(kb::BoolToStrTF(true), "TRUE");
    EXPECT_TRUE(kb::IntToBool(-3));
}

TEST(Sorting, ShiftJisByteOrderWithTheListsOwnQuicksort)
{
    // CP932 puts "Ａ" (82 60) before "ア" (83 41); UTF-8 would not. "ﾟ" (DF) sorts after digits.
    std::vector<kb::TNameRec> r = {{"ﾟ", 0}, {"ア", 1}, {"Ａ", 2}, {"5882", 3}, {"1000", 4}};
    kb::SortNameRecs(r, 0, 4);
    std::vector<std::string> names;
    for (auto& x : r) names.push_back(x.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"1000", "5882", "Ａ", "ア", "ﾟ"}));
    EXPECT_EQ(r[0].Index, 4);

    // Equal keys end in the quicksort's order (worked by hand), not in their first order.
    std::vector<kb::TNameRec> eq = {{"b", 1}, {"a", 2}, {"b", 3}, {"a", 4}};
    kb::SortNameRecs(eq, 0, 3);
    std::vector<int> order;
    for (auto& x : eq) order.push_back(x.Index);
    EXPECT_EQ(order, (std::vector<int>{4, 2, 1, 3}));

    // Only the given range moves.
    std::vector<kb::TNameRec> part = {{"z", 0}, {"c", 1}, {"b", 2}, {"a", 3}};
    kb::SortNameRecs(part, 1, 2);
    EXPECT_EQ(part[0].Name, "z");
    EXPECT_EQ(part[1].Name, "b");
    EXPECT_EQ(part[3].Name, "a");
}

TEST(Machine, PcName)
{
    EXPECT_EQ(kb::GetPCName(2, ""), "ANONYMOUS");
    EXPECT_EQ(kb::GetPCName(2, "taro"), "taro");
    EXPECT_FALSE(kb::GetPCName(0, "taro").empty());
    EXPECT_NE(kb::GetPCName(0, "taro"), "taro");
}

// Catches what would be shown.
struct Shown {
    std::vector<std::pair<std::string, kb::TMessageLinesKind>> boxes;
    Shown() { kb::SetMessageLinesHook([this](const std::string& t, kb::TMessageLinesKind k) { boxes.emplace_back(t, k); }); }
    ~Shown() { kb::SetMessageLinesHook(nullptr); }
};

TEST(Messages, CommaPartsOnLines)
{
    Shown shown;
    kb::MessageDlgLines("一行目,二行目//消える,部分", kb::TMessageLinesKind::Warning);
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "一行目\r二行目\r");
    EXPECT_EQ(shown.boxes[0].second, kb::TMessageLinesKind::Warning);
}

class Folders : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = tmp.path() / "data";
        fs::create_directories(data / "set1" / "sub");
        std::ofstream(data / "set1" / "vqacc.fdb") << "db";
        std::ofstream(data / "set1" / "vqacc.ini") << "ini";
        std::ofstream(data / "set1" / "sub" / "f.txt") << "f";
        fs::create_directories(tmp.path() / "outside");
        kb::SetSafeRoots({data});
    }
    void TearDown() override { kb::SetSafeRoots({}); }
    kbtest::TempDir tmp;
    fs::path data;
    Shown shown;
};

TEST_F(Folders, SafeDirectoryIsBelowADataRootOnly)
{
    const char* home = std::getenv("HOME");
    struct Case { std::string path; bool safe; };
    const Case cases[] = {
        {(data / "set1").string(), true},
        {(data / "set1" / "sub").string() + "/", true},
        {(data / "not-yet").string(), true},
        {data.string(), false},                                  // the root itself
        {(data / "set1" / ".." / "..").string(), false},          // climbs out
        {(data / ".." / "outside").string(), false},
        {"/", false}, {"", false}, {"   ", false}, {"/etc", false}, {"/usr", false}, {"/tmp", false},
        {home ? home : "/root", false},
        {"data/set1", false},                                     // relative
    };
    for (const auto& c : cases) EXPECT_EQ(kb::IsSafeDirectory(c.path), c.safe) << c.path;

    // A link inside the root that leads out is judged by where it leads.
    fs::create_directory_symlink(tmp.path() / "outside", data / "link");
    EXPECT_FALSE(kb::IsSafeDirectory((data / "link").string()));
    EXPECT_FALSE(kb::IsSafeDirectory((data / "link" / "x").string()));

    kb::SetSafeRoots({});
    EXPECT_FALSE(kb::IsSafeDirectory((data / "set1").string()));
    kb::SetSafeRoots({"/"}); // a root of "/" is never taken
    EXPECT_FALSE(kb::IsSafeDirectory((data / "set1").string()));
}

TEST_F(Folders, DeleteRefusesAndDeletes)
{
    EXPECT_FALSE(kb::DeleteDirectory("/", false, true));
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "ルート・システムディレクトリは、削除できません。</> \r");
    EXPECT_EQ(shown.boxes[0].second, kb::TMessageLinesKind::Error);
    EXPECT_FALSE(kb::DeleteDirectory(data.string(), false, true));
    EXPECT_TRUE(fs::exists(data / "set1"));

    EXPECT_TRUE(kb::DeleteDirectory((data / "set1" / "vqacc.ini").string(), false, true));
    EXPECT_FALSE(fs::exists(data / "set1" / "vqacc.ini"));
    EXPECT_TRUE(kb::DeleteDirectory((data / "set1").string(), false, true));
    EXPECT_FALSE(fs::exists(data / "set1"));
    EXPECT_FALSE(kb::DeleteDirectory((data / "set1").string(), false, true)); // already gone
}

TEST_F(Folders, DeleteWithUndoMovesIntoTheTrash)
{
    const fs::path xdg = tmp.path() / "xdg";
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    EXPECT_TRUE(kb::DeleteDirectory((data / "set1").string() + "/", true, true));
    unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(fs::exists(data / "set1"));
    EXPECT_TRUE(fs::exists(xdg / "Trash" / "files" / "set1" / "sub" / "f.txt"));
    std::ifstream info(xdg / "Trash" / "info" / "set1.trashinfo");
    std::string first;
    std::getline(info, first);
    EXPECT_EQ(first, "[Trash Info]");
}

TEST_F(Folders, CopyAndMove)
{
    // Every entry of a folder into a new folder.
    EXPECT_TRUE(kb::CopyMoveDirectory((data / "set1" / "*").string(), (data / "copy").string(), 2));
    EXPECT_TRUE(fs::exists(data / "copy" / "vqacc.fdb"));
    EXPECT_TRUE(fs::exists(data / "copy" / "sub" / "f.txt"));
    // A mask picks files by name.
    EXPECT_TRUE(kb::CopyMoveDirectory((data / "set1" / "vqacc.*").string(), (data / "share").string(), 2));
    EXPECT_TRUE(fs::exists(data / "share" / "vqacc.ini"));
    EXPECT_FALSE(fs::exists(data / "share" / "sub"));
    // A single folder goes into an existing target, or becomes a new one.
    EXPECT_TRUE(kb::CopyMoveDirectory((data / "set1").string(), (data / "copy").string(), 2));
    EXPECT_TRUE(fs::exists(data / "copy" / "set1" / "sub" / "f.txt"));
    EXPECT_TRUE(kb::CopyMoveDirectory((data / "set1").string(), (data / "moved").string(), 1));
    EXPECT_FALSE(fs::exists(data / "set1"));
    EXPECT_TRUE(fs::exists(data / "moved" / "sub" / "f.txt"));
    EXPECT_TRUE(shown.boxes.empty());
}

TEST_F(Folders, CopyRefusals)
{
    EXPECT_FALSE(kb::CopyMoveDirectory((data / "set1").string(), (data / "x").string(), 3));
    EXPECT_FALSE(kb::CopyMoveDirectory((data / "set1").string(), "/tmp", 2));
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "指定ディレクトリ[" + (data / "set1").string() + "->/tmp]の複写・移動はできません。 \r");
    // Into itself would never end.
    EXPECT_FALSE(kb::CopyMoveDirectory((data / "set1").string(), (data / "set1" / "sub").string(), 2));
    EXPECT_FALSE(fs::exists(data / "set1" / "sub" / "set1"));
}

TEST_F(Folders, CopyFileOverReplaces)
{
    std::ofstream(tmp.path() / "outside" / "t.txt") << "old";
    EXPECT_TRUE(kb::CopyFileOver((data / "set1" / "vqacc.ini").string(), (tmp.path() / "outside" / "t.txt").string()));
    std::ifstream in(tmp.path() / "outside" / "t.txt");
    std::string s;
    in >> s;
    EXPECT_EQ(s, "ini");
    EXPECT_FALSE(kb::CopyFileOver((data / "missing").string(), (tmp.path() / "outside" / "u.txt").string()));
}

TEST(OnlineManual, PagePaths)
{
    std::vector<std::string> opened;
    kb::SetUrlOpener([&](const std::string& p) { opened.push_back(p); });
    EXPECT_EQ(kb::OpenOnlineManual("olm.html", "/h", 0), 0);
    kb::OpenOnlineManual("file01.html", "/h", 2);
    kb::OpenOnlineManual("file01.html", "/h", 3);
    kb::OpenOnlineManual("file01.html", "/h", 4);
    kb::OpenOnlineManual("", "/h", 0);
    kb::SetUrlOpener(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"/h/olm.html", "/h/olm.files/file01.html", "/h/csbolm.files/file01.html"}));
}

} // namespace
