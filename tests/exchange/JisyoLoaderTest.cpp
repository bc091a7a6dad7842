// The dictionary exchange file on copies of the general fixture: export byte for byte against a
// hand-written file, import into a data set with other tabs, and the refusals that touch nothing.

#include "CashBookTestSupport.h"

#include "common/TestEnv.h"
#include "exchange/JisyoLoader.h"
#include "platform/Date.h"
#include "platform/Text.h"

namespace {

using namespace kbtest::exchange;

// Two description tabs (keys 100 and 101, in SORTCODE order), one entry each, and one partner
// entry under the first of the fixture's 50 partner tabs.
const char* kDictionaries = R"(
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (101, '', 7, '経費', 1);
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (100, '', 3, '売上"関係', 0);
INSERT INTO TEKDIC (TEKCODE, CREC, SCODE, KANA, TEXT, KAR_KCODE, KAR_HCODE, KAR_BCODE, KAR_TAXCODE, KAS_KCODE, KAS_HCODE,
                    KAS_BCODE, KAS_TAXCODE, WAITFLG, TAXOLD, TAXNUM, MOVEMENT, HAIBUN, RTIME)
  VALUES (1, 101, '', 'ﾂｳｼﾝ', 'タブ' || ASCII_CHAR(9) || 'あり', 'K715', NULL, NULL, 810, 'K131', '1', NULL, 810, 0, 0, 0, 0, 5, NULL);
INSERT INTO TEKDIC (TEKCODE, CREC, SCODE, KANA, TEXT, KAR_KCODE, KAR_HCODE, KAR_BCODE, KAR_TAXCODE, KAS_KCODE, KAS_HCODE,
                    KAS_BCODE, KAS_TAXCODE, WAITFLG, TAXOLD, TAXNUM, MOVEMENT, HAIBUN, RTIME)
  VALUES (2, 100, '', 'ｳﾘｱｹﾞ', '商品売上', 'K111', NULL, NULL, 810, 'K511', NULL, NULL, 810, 1, 2, 3, 4, 0, '2025-03-04 05:06:07');
UPDATE TORDICTI SET TEXT = 'あ' WHERE SORTCODE = 1;
INSERT INTO TORDIC (TORCODE, CREC, SCODE, KANA, TEXT, TEKTEXT, KAR_KCODE, KAR_TAXCODE, KAS_KCODE, KAS_TAXCODE, RTIME)
  VALUES (1, 1, '', 'ﾔﾏﾀﾞ', '㈱山田商会', '仕入"代金', 'K621', 810, 'K311', 810, '2025-06-07 08:09:10');
)";

std::string Header(const std::string& version)
{
    return "// ファイル種別: 摘要・取引先辞書設定\r\n// ファイルVer : " + version +
           "\r\n// データ名    : 青色商店\r\n// データ種別  : 個人\r\n// データVer   : \r\n// 作成日      : " +
           kb::Date::Today().ToString() + "\r\n";
}

std::string PartnerTabs(const std::string& first)
{
    std::string s = "\"300\",1,\" \",1,\"" + first + "\",0,\r\n";
    for (int n = 2; n <= 50; ++n) s += "\"300\"," + std::to_string(n) + ",\" \"," + std::to_string(n) + ",\"\",0,\r\n";
    return s;
}

class JisyoFile : public OpenDataSet {
protected:
    std::filesystem::path Export(int selector, const std::string& version = "1.2")
    {
        kb::TJisyoLoader loader;
        loader.Selector = selector;
        loader.SetFileVersion(version);
        const auto file = tmp.path() / "out.txt";
        EXPECT_TRUE(loader.SaveToFile(file.string()));
        return file;
    }
};

TEST_F(JisyoFile, ExportsBothDictionariesByteForByte)
{
    OpenData(GeneralCopy(tmp.path() / "0001", kDictionaries).parent_path());
    const std::string expected =
        Header("1.2") +
        "\"200\",100,\" \",1,\"売上''関係\",0,\r\n"
        "\"200\",101,\" \",2,\"経費\",1,\r\n"
        "\"202\",100,\" \",\"ｳﾘｱｹﾞ\",\"商品売上\",\"\",\"111\",\"\",\"\",\"810\",\"511\",\"\",\"\",\"810\",1,2,3,4,0,\"2025/03/04 05:06:07\",\r\n"
        "\"202\",101,\" \",\"ﾂｳｼﾝ\",\"タブあり\",\"\",\"715\",\"\",\"\",\"810\",\"131\",\"1\",\"\",\"810\",0,0,0,0,5,\"\",\r\n" +
        PartnerTabs("あ") +
        "\"303\",1,\" \",\"ﾔﾏﾀﾞ\",\"㈱山田商会\",\"仕入''代金\",\"621\",\"\",\"\",\"810\",\"311\",\"\",\"\",\"810\",0,0,0,0,0,\"2025/06/07 08:09:10\",\r\n";
    EXPECT_EQ(kbtest::ReadFile(Export(0)), kb::Utf8ToCp932(expected));
}

TEST_F(JisyoFile, OneDictionaryAndAnOlderVersionKeepTheWritingCodes)
{
    OpenData(GeneralCopy(tmp.path() / "0001", kDictionaries).parent_path());
    // Partners only, version 1.1: codes 300 and 303 still, and no time stamps.
    const std::string expected = Header("1.1") + PartnerTabs("あ") +
                                 "\"303\",1,\" \",\"ﾔﾏﾀﾞ\",\"㈱山田商会\",\"仕入''代金\",\"621\",\"\",\"\",\"810\",\"311\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n";
    const auto file = Export(2, "1.1");
    EXPECT_EQ(kbtest::ReadFile(file), kb::Utf8ToCp932(expected));

    // The same loader reads it back: counts 300 lines only for partners of 1.1 (302 is its entry
    // code), yet imports the 303 line.
    kb::TJisyoLoader reader;
    reader.Selector = 2;
    reader.SetFileVersion("1.1");
    ASSERT_TRUE(reader.LoadFromFile(file.string()));
    EXPECT_EQ(reader.CountRecords(), 50);
    kb::DM->IBDatabaseDAT.Close();
    EXPECT_EQ(Rows(tmp.path() / "0001" / "vqacc.fdb", "SELECT KANA, TEXT, TEKTEXT, KAR_KCODE FROM TORDIC", {"KANA", "TEXT", "TEKTEXT", "KAR_KCODE"}),
              std::vector<std::string>{"ﾔﾏﾀﾞ|㈱山田商会|仕入\"代金|K621"});
}

// A data set with three description tabs of its own and one entry that the import replaces.
const char* kOtherTabs = R"(
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (7, '', 5, '旧Ａ');
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (8, '', 9, '旧Ｂ');
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (9, '', 12, '旧Ｃ');
INSERT INTO TEKDIC (TEKCODE, CREC, SCODE, KANA, TEXT) VALUES (50, 7, '', 'ｷｭｳ', '消える摘要');
)";

std::string A(int n) { return std::string(static_cast<std::size_t>(n), 'a'); }
std::string Zen(int n, const std::string& c = "あ")
{
    std::string s;
    for (int i = 0; i < n; ++i) s += c;
    return s;
}

TEST_F(JisyoFile, ImportFillsTabsByPositionAndResolvesCodes)
{
    const auto db = GeneralCopy(tmp.path() / "0001", kOtherTabs);
    OpenData(db.parent_path());
    const std::string file = Header("1.0") +
        "\"200\",500,\" \",1,\"売上''関係\",0,\r\n"
        "\"200\",501,\" \",2,\"経\t費\",0,\r\n"
        "\"200\",502,\" \",3,\"" + Zen(21) + "\",0,\r\n"
        "\"200\",503,\" \",4,\"余分\",0,\r\n"
        // quotes; 49 + a double-byte character cut at 50; a code resolved with its sub-account
        "\"202\",500,\" \",\"ｳﾘｱｹﾞﾀﾞｶ\",\"" + A(49) + "あ\",\"\",\"111\",\"\",\" \",\"810\",\"131\",\"1\",\" \",\"x\",1,2,3,4,5,\"2025/03/04 05:06:07\",\r\n"
        // unknown account; a sub-account the account lacks; a text with a quote and a tab
        "\"202\",501,\" \",\"ｱ\",\"\t''引用''\",\"\",\"999\",\"1\",\"\",\"\",\"131\",\"9\",\"\",\"\",x,,,,,\"not a date\",\r\n"
        // internal account code under entry code 201; no time stamp
        "\"201\",502,\" \",\"ｲ\",\"内部\",\"\",\"K715\",\"\",\"\",\"810\",\"\",\"1\",\"\",\"810\",0,0,0,0,0,\"\",\r\n"
        // the tab beyond the data set's three, and a tab the file does not have
        "\"202\",503,\" \",\"ｳ\",\"余分の摘要\",\"\",\"111\",\"\",\"\",\"810\",\"\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n"
        "\"202\",777,\" \",\"ｴ\",\"タブなし\",\"\",\"111\",\"\",\"\",\"810\",\"\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n"
        + PartnerTabs("か") +
        "\"303\",2,\" \",\"ﾄ\",\"㈱" + Zen(20) + "\",\"" + Zen(26, "い") + "\",\"621\",\"\",\"\",\"810\",\"311\",\"\",\"\",\"810\",0,0,0,0,9,\"\",\r\n";
    kbtest::WriteFile(tmp.path() / "in.txt", kb::Utf8ToCp932(file));
    kb::TJisyoLoader loader;
    ASSERT_TRUE(loader.LoadFromFile((tmp.path() / "in.txt").string()));
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction()); // it ended what it started
    kb::DM->IBDatabaseDAT.Close();

    EXPECT_EQ(Rows(db, "SELECT CREC, SORTCODE, TEXT FROM TEKDICTI ORDER BY CREC", {"CREC", "SORTCODE", "TEXT"}),
              (std::vector<std::string>{"7|1|売上\"関係", "8|2|経費", "9|3|" + Zen(20)}));
    const auto entries = Rows(db,
        "SELECT CREC, KANA, TEXT, KAR_KCODE, KAR_HCODE, KAR_BCODE, KAR_TAXCODE, KAS_KCODE, KAS_HCODE, KAS_BCODE, KAS_TAXCODE,"
        " WAITFLG, TAXOLD, TAXNUM, MOVEMENT, HAIBUN, RTIME, TEKCODE FROM TEKDIC ORDER BY CREC",
        {"CREC", "KANA", "TEXT", "KAR_KCODE", "KAR_HCODE", "KAR_BCODE", "KAR_TAXCODE", "KAS_KCODE", "KAS_HCODE", "KAS_BCODE",
         "KAS_TAXCODE", "WAITFLG", "TAXOLD", "TAXNUM", "MOVEMENT", "HAIBUN", "RTIME"});
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], "7|ｳﾘｱｹﾞ|" + A(49) + "|K111|<null>||810|K131|1||910|1|2|3|4|5|2025-03-04 05:06:07.0000");
    EXPECT_EQ(entries[1].substr(0, entries[1].rfind('|')), "8|ｱ|\"引用\"|<null>|<null>|<null>|910|K131|<null>|<null>|910|0|0|0|0|0");
    EXPECT_NE(entries[1].substr(entries[1].rfind('|') + 1), "<null>"); // unreadable time: now
    EXPECT_EQ(entries[2], "9|ｲ|内部|K715|<null>|<null>|810|<null>|<null>|<null>|810|0|0|0|0|0|<null>");

    EXPECT_EQ(Rows(db, "SELECT CREC, KANA, TEXT, TEKTEXT, KAR_KCODE, KAS_KCODE, MOVEMENT FROM TORDIC",
                   {"CREC", "KANA", "TEXT", "TEKTEXT", "KAR_KCODE", "KAS_KCODE", "MOVEMENT"}),
              std::vector<std::string>{"2|ﾄ|㈱" + Zen(19) + "|" + Zen(25, "い") + "|K621|K311|0"});
    EXPECT_EQ(Rows(db, "SELECT TEXT FROM TORDICTI WHERE SORTCODE = 1", {"TEXT"}), std::vector<std::string>{"か"});
}

TEST_F(JisyoFile, OneBranchCountsEveryTabLineTowardItsPositions)
{
    const auto db = GeneralCopy(tmp.path() / "0001", kOtherTabs);
    OpenData(db.parent_path());
    const std::string file = Header("1.2") +
        "\"200\",1,\"01\",1,\"一\",0,\r\n\"200\",2,\"01\",2,\"二\",0,\r\n"
        "\"200\",1,\"02\",1,\"三\",0,\r\n\"200\",2,\"02\",2,\"四\",0,\r\n"
        "\"202\",1,\"02\",\"ｻﾝ\",\"三の摘要\",\"\",\"111\",\"\",\"\",\"810\",\"\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n"
        "\"202\",2,\"02\",\"ﾖﾝ\",\"四の摘要\",\"\",\"111\",\"\",\"\",\"810\",\"\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n";
    kbtest::WriteFile(tmp.path() / "in.txt", kb::Utf8ToCp932(file));
    kb::TJisyoLoader loader;
    loader.Selector = 1;
    loader.AllBranches = 0;
    loader.Scode = "";
    ASSERT_TRUE(loader.LoadFromFile((tmp.path() / "in.txt").string()));
    kb::DM->IBDatabaseDAT.Close();
    // The four tab lines take positions 1 to 4 of the one branch; the fourth finds no tab. The
    // file's keys map under the loader's branch, so the later lines win: "1" names tab 9 (三),
    // "2" no tab, and the entry of "2" is dropped.
    EXPECT_EQ(Rows(db, "SELECT CREC, SORTCODE, TEXT FROM TEKDICTI ORDER BY CREC", {"CREC", "SORTCODE", "TEXT"}),
              (std::vector<std::string>{"7|1|一", "8|2|二", "9|3|三"}));
    EXPECT_EQ(Rows(db, "SELECT CREC, TEXT FROM TEKDIC ORDER BY CREC", {"CREC", "TEXT"}),
              (std::vector<std::string>{"9|三の摘要"}));
}

TEST_F(JisyoFile, RefusedFilesTouchNothing)
{
    const auto db = GeneralCopy(tmp.path() / "0001", kOtherTabs);
    OpenData(db.parent_path());
    const std::string entry = "\"202\",1,\" \",\"ｱ\",\"摘要\",\"\",\"111\",\"\",\"\",\"810\",\"\",\"\",\"\",\"810\",0,0,0,0,0,\"\",\r\n";
    const struct {
        const char* name;
        std::string text;
        bool accepted;
    } cases[] = {
        {"major version 2", Header("2.0") + entry, false},
        {"another kind", "// ファイル種別: 仕訳\r\n" + entry, false},
        {"no countable record", Header("1.2") + "\"999\",1,\r\n// \"202\"\r\n", false},
        {"empty file", "", false},
        {"version without a dot", Header("12") + entry, false},
        {"no version line", "// ファイル種別: 摘要・取引先辞書設定\r\n\"200\",1,\" \",1,\"新\",0,\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kbtest::WriteFile(tmp.path() / "in.txt", kb::Utf8ToCp932(c.text));
        kb::TJisyoLoader loader;
        loader.Selector = 1;
        EXPECT_EQ(loader.LoadFromFile((tmp.path() / "in.txt").string()), c.accepted);
        if (kb::DM->IBTransactionDAT.InTransaction()) kb::DM->IBTransactionDAT.Commit();
        const auto kept = Rows(db, "SELECT COUNT(*) AS N FROM TEKDIC", {"N"});
        EXPECT_EQ(kept, std::vector<std::string>{c.accepted ? "0" : "1"});
    }
    kb::TJisyoLoader loader;
    EXPECT_FALSE(loader.LoadFromFile("  "));
    EXPECT_FALSE(loader.SaveToFile(""));
}

} // namespace
