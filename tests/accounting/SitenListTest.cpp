// TSitenList over real data sets: the branch list for all and for a restricted operator, quoted
// lines, the single total entry without branches, the medical divisions, and CheckSitenRange.

#include "DataInfomationTestEnv.h"

#include "Isql.h"
#include "accounting/SitenList.h"

using namespace kb;
using namespace kbtest;

namespace {

struct OpenSet {
    AccEnv& env;
    OpenSet(AccEnv& e, const std::filesystem::path& folder) : env(e)
    {
        if (!env.dm->fnAccDatConnected("", folder.string(), false)) throw std::runtime_error("cannot open " + folder.string());
    }
    ~OpenSet() { env.dm->fnAccDatDisConnected("", false, false); }
};

std::vector<std::string> ListLines(TDM& dm, std::uint8_t options, int opCode, std::uint8_t quoted = 0)
{
    TSitenList list(dm);
    list.Options = options;
    list.QuotedLines = quoted;
    list.Execute(opCode);
    EXPECT_EQ(list.Count, static_cast<int>(list.Lines.size()));
    EXPECT_EQ(list.Entries.size(), list.Lines.size());
    return list.Lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(SitenList, BranchesForAllAndForARestrictedOperator)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("s1", BranchDataSetSql());
    OpenSet open(env, folder);
    SetBranchAccInf();

    // The administrator sees everything, whatever operator number is passed.
    const Lines all = {"総体", "(G1):関西", "(G2):全店", "01:本店", "02:\"大阪\"支店", "02:\"大阪\"支店"};
    EXPECT_EQ(ListLines(*env.dm, 1 | 2 | 4 | 8, -1), all);
    EXPECT_EQ(ListLines(*env.dm, 1 | 2 | 4 | 8, 100000011), all);

    LogOnRestricted();  // licensed for 01 only: no total, no group, one branch
    EXPECT_EQ(ListLines(*env.dm, 1 | 2 | 4 | 8, 100000011), Lines{"01:本店"});
    EXPECT_EQ(ListLines(*env.dm, 1 | 2 | 4 | 8, -1), all);
    EXPECT_FALSE(CheckSitenRange(*env.dm, 100000011));
    EXPECT_TRUE(CheckSitenRange(*env.dm, -1));

    TSitenList list(*env.dm);
    list.Options = 4;
    list.QuotedLines = 1;
    list.Execute(-1);
    EXPECT_EQ(list.Lines, (Lines{"\"01\"\t\"\"\t\"本店\"", "\"02\"\t\"\"\t\"'大阪'支店\""}));
    ASSERT_EQ(list.Count, 2);
    EXPECT_EQ(list.Entries[1].Name, "\"大阪\"支店");
    EXPECT_EQ(list.Entries[0].Color, 255);
    EXPECT_EQ(list.Entries[1].Color, 0);
    EXPECT_EQ(list.Entries[1].BUMEX, 1);
    EXPECT_EQ(list.Entries[0].Kind, 2);
    EXPECT_EQ(list.GetCode(1), "02");
    EXPECT_EQ(list.GetCode(list.Count), "");
    EXPECT_EQ(list.OpCode, -1);

    TSitenList groups(*env.dm);
    groups.Options = 2;
    groups.QuotedLines = 1;
    groups.Execute(-1);
    EXPECT_EQ(groups.Lines, (Lines{"\"(G1)\"\t\"G1\"\t\"関西\"", "\"(G2)\"\t\"G2\"\t\"全店\""}));

    // Licensed for every branch: the total and both groups come back.
    kbtest::fixture::RunIsql(folder / "vqacc.fdb", "INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '02');\nCOMMIT;\n");
    EXPECT_EQ(ListLines(*env.dm, 1 | 2, 100000011), (Lines{"総体", "(G1):関西", "(G2):全店"}));
    EXPECT_TRUE(CheckSitenRange(*env.dm, 100000011));
    EXPECT_TRUE(env.ui.shown.empty());
}

TEST(SitenList, WithoutBranchesOneTotalEntry)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("s2", BranchDataSetSql());
    OpenSet open(env, folder);
    AccInf.SITEN = 0;
    AccInf.BUMON = 1;
    AccInf.DATATYPE = 2;
    AccInf.SHOUGOU = "見本商店";
    LogOnRestricted();

    TSitenList list(*env.dm);
    list.Options = 4;
    list.Execute(100000011);
    ASSERT_EQ(list.Count, 1);
    EXPECT_EQ(list.Lines[0], "見本商店");
    EXPECT_EQ(list.Entries[0].Kind, 0);
    EXPECT_EQ(list.Entries[0].BUMEX, 1);
    EXPECT_EQ(list.Entries[0].Code, " ");
    EXPECT_EQ(ListLines(*env.dm, 8, 100000011), Lines{"見本商店"});
    EXPECT_EQ(ListLines(*env.dm, 1 | 4, 100000011), Lines{"見本商店"});
    // No branch accounting: every operator may use the data set.
    EXPECT_TRUE(CheckSitenRange(*env.dm, 100000011));
}

TEST(SitenList, MedicalDivisionsOnlyWhenEveryFacilityIsAllowed)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("m1",
        "INSERT INTO ACCDEF1 (REC, SHOUGOU, DATATYPE, SITEN) VALUES (1, '医療法人見本会', 3, 1);\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('', '', 0);\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('00', '本部', 8);\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('01', '見本病院', 8);\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('02', '見本老健', 4);\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('03', '見本訪看', 2);\n"
        "INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '01');\n"
        "INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '02');\n");
    OpenSet open(env, folder);
    AccInf.SITEN = 1;
    AccInf.DATATYPE = 3;
    AccInf.IryouHoujin = true;

    EXPECT_EQ(ListLines(*env.dm, 1 | 2, -1), (Lines{"法人全体", "病院・診療所", "老人保健施設", "指定訪問看護"}));
    EXPECT_EQ(ListLines(*env.dm, 4, -1), (Lines{"00:本部", "01:見本病院", "02:見本老健", "03:見本訪看"}));

    LogOnRestricted();  // 01 and 02, not 03; "00" never counts for a division
    EXPECT_EQ(ListLines(*env.dm, 1 | 2, 100000011), (Lines{"病院・診療所", "老人保健施設"}));
    TSitenList list(*env.dm);
    list.Options = 4;
    list.IncludeCode00 = 0;
    list.JigyouFilter = 8;
    list.Execute(100000011);
    EXPECT_EQ(list.Lines, Lines{"01:見本病院"});
    EXPECT_EQ(list.Entries[0].Jigyou, 8);
}
