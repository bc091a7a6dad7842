// TUserList and TLoginUserListOnDef on real system databases: the current shape and one older than
// the columns MYNUMBER_ADM and SHONIN.

#include "DataInfomationTestEnv.h"

#include "accounting/UserList.h"

using namespace kb;
using namespace kbtest;

namespace {

const char* const kRows =
    "INSERT INTO USERGROUP (GROUPID, GROUPNAME) VALUES (10000, '標準グループ');\n"
    "INSERT INTO USERGROUP (GROUPID, GROUPNAME) VALUES (20000, '別グループ');\n"
    "INSERT INTO LEVELNAME (LEVELNO, NAME) VALUES (9, '管理者');\n"
    "INSERT INTO LEVELNAME (LEVELNO, NAME) VALUES (1, '一般');\n"
    "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, JIMUSHO, OKINIIRI, KANSA, MYNUMBER_ADM, SHONIN)"
    " VALUES (10000, 1, 'システムユーザー', 9, '', '', 0, 0, 0, 0, 0);\n"
    "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, JIMUSHO, OKINIIRI, KANSA, MYNUMBER_ADM, SHONIN)"
    " VALUES (10000, 10, '山田太郎', 9, 'abc123', 'd1', 1, 0, 1, 0, 0);\n"
    "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, JIMUSHO, OKINIIRI, KANSA, MYNUMBER_ADM, SHONIN)"
    " VALUES (10000, 11, '佐藤\"花子', 1, 'xyz', '', 0, 1, 0, 1, 1);\n"
    "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, JIMUSHO, OKINIIRI, KANSA, MYNUMBER_ADM, SHONIN)"
    " VALUES (20000, 12, '他社員', 1, '', '', 0, 0, 0, 0, 0);\n"
    "INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000010, 10000, 10, 'PC1');\n"
    "INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000010, 10000, 10, 'PC2');\n"
    "INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000011, 10000, 11, 'PC3');\n";

void OpenSystem(AccEnv& env, const std::filesystem::path& file)
{
    env.dm->IBDatabaseDEF.SetDatabaseName(file.string());
    TDM::SetLoginParams(env.dm->IBDatabaseDEF);
    env.dm->IBDatabaseDEF.Open();
}

} // namespace

TEST(UserList, OperatorsOfTheGroupWithoutPasswords)
{
    AccEnv env;
    const auto db = CreateDatabase(env.dir / "vqaccdef.fdb", ReadSchema("system.sql") + "\n" + kRows + "COMMIT;\n");
    OpenSystem(env, db);

    TUserList list(*env.dm);
    list.GroupId = 10000;
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:山田太郎", "11:佐藤\"花子"}));
    ASSERT_EQ(list.Count, 2);
    EXPECT_EQ(list.Entries[0].NAME, "管理者");
    EXPECT_EQ(list.Entries[0].JIMUSHO, 1);
    EXPECT_EQ(list.Entries[0].KANSA, 0);
    EXPECT_EQ(list.Entries[1].SHONIN, 1);
    EXPECT_EQ(list.Entries[1].MYNUMBER_ADM, 1);
    for (const auto& e : list.Entries) EXPECT_EQ(e.PASWORD, "") << e.OPNAME;
    EXPECT_EQ(list.GetOpCode(1), 11);
    EXPECT_EQ(list.GetOpCode(list.Count), 0);
    EXPECT_EQ(list.IndexOfOpCode(11), 1);
    EXPECT_EQ(list.IndexOfOpCode(1), -1);
    EXPECT_EQ(list.GetText(), "10:山田太郎\r\n11:佐藤\"花子\r\n");
    EXPECT_FALSE(list.Transaction.InTransaction());

    list.FirstText = "選択なし";
    list.QuotedLines = 1;
    list.ApproversOnly = 1;
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"\"選択なし\"\t\"\"", "\"11\"\t\"佐藤\"花子\""}));
    EXPECT_EQ(list.Entries[0].JOBLEVEL, 9);
    EXPECT_EQ(list.GetOpCode(0), 0);

    // A group with only operators below code 10 lists nothing but the first entry.
    kbtest::RunIsql(db, "DELETE FROM OPERATOR WHERE OPCODE >= 10 AND GROUPID = 10000;\nCOMMIT;\n");
    list.ApproversOnly = 0;
    list.Execute();
    EXPECT_EQ(list.Count, 1);
    EXPECT_TRUE(env.ui.shown.empty());
}

TEST(UserList, OlderSystemDatabaseStillFills)
{
    AccEnv env;
    const auto db = CreateDatabase(env.dir / "old.fdb",
        "CREATE TABLE LEVELNAME (LEVELNO INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) CHARACTER SET SJIS_0208);\n"
        "CREATE TABLE OPERATOR (GROUPID INTEGER NOT NULL, OPCODE INTEGER NOT NULL, OPNAME VARCHAR(20) CHARACTER SET SJIS_0208,"
        " JOBLEVEL INTEGER, PASWORD VARCHAR(20), DATAPAS VARCHAR(20), JIMUSHO INTEGER, OKINIIRI INTEGER, KANSA INTEGER,"
        " PRIMARY KEY (GROUPID, OPCODE));\n"
        "COMMIT;\n"
        "INSERT INTO LEVELNAME VALUES (1, '一般');\n"
        "INSERT INTO OPERATOR VALUES (10000, 10, '山田太郎', 1, 'p', '', 1, 1, 0);\n"
        "INSERT INTO OPERATOR VALUES (10000, 11, '佐藤花子', 1, '', '', 0, 0, 0);\n"
        "COMMIT;\n");
    OpenSystem(env, db);
    TUserList list(*env.dm);
    list.GroupId = 10000;
    list.ApproversOnly = 1;  // the count cannot name SHONIN: reported, nothing listed
    list.Execute();
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(env.ui.shown.size(), 1u);

    list.ApproversOnly = 0;
    list.Execute();
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:山田太郎", "11:佐藤花子"}));
    EXPECT_EQ(list.Entries[0].SHONIN, 0);
    EXPECT_EQ(list.Entries[0].MYNUMBER_ADM, 0);
    EXPECT_EQ(list.Entries[0].OKINIIRI, 1);
    EXPECT_EQ(env.ui.shown.size(), 1u);
}

TEST(LoginUserListOnDef, LeavesOutTheCallerUnlessAsked)
{
    AccEnv env;
    const auto db = CreateDatabase(env.dir / "vqaccdef.fdb", ReadSchema("system.sql") + "\n" + kRows + "COMMIT;\n");
    OpenSystem(env, db);
    TLoginUserListOnDef list(*env.dm);
    list.Execute(10000, 100000010, true);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"10:山田太郎", "10:山田太郎", "11:佐藤\"花子"}));
    EXPECT_EQ(list.Entries[1].PCNAME, "PC2");
    list.Execute(10000, 100000010, false);
    EXPECT_EQ(list.Lines, std::vector<std::string>{"11:佐藤\"花子"});
    EXPECT_EQ(list.GetOpCode(0), 11);
    EXPECT_EQ(list.GetOpName(1), "");
    EXPECT_EQ(list.OpCode, 100000010);
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());

    // Errors are reported and thrown on.
    env.dm->IBDatabaseDEF.Close();
    EXPECT_ANY_THROW(list.Execute(10000, 0, true));
    EXPECT_EQ(env.ui.shown.size(), 1u);
}
