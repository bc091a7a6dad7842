#include "common/TestDb.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

// gbak must be able to back up a database this process holds open through the embedded engine:
// that is what SuperClassic in our Firebird root is for. isql-fb keeps the file attached while
// gbak runs from a second process.
TEST(FirebirdRoot, GbakBacksUpWhileAnotherProcessHoldsTheDatabase)
{
    kbtest::TempDir dir;
    const auto db = kbtest::CreateDatabase(dir / "a.fdb", "CREATE TABLE T (A VARCHAR(10) CHARACTER SET SJIS_0208);\n"
                                                           "INSERT INTO T VALUES ('①㈱～');\nCOMMIT;\n");
    const std::string holder = "(echo 'SELECT COUNT(*) FROM T;'; sleep 3) | isql-fb -q -user SYSDBA '" + db.string() + "' >/dev/null &";
    ASSERT_EQ(std::system(holder.c_str()), 0);
    ::usleep(800000);
    const std::string cmd = "gbak -b -user SYSDBA '" + db.string() + "' '" + (dir / "a.fbk").string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(dir / "a.fbk"), 0u);
    ::sleep(3);
}

// CP932 extension characters and half-width kana reach the database byte for byte through the
// script helper (isql-fb drops such bytes when it reads the script from standard input).
TEST(TestDb, ScriptTextKeepsCp932Characters)
{
    kbtest::TempDir dir;
    const auto db = kbtest::CreateDatabase(dir / "t.fdb", "CREATE TABLE T (A VARCHAR(10));\nCOMMIT;\n"
                                                          "INSERT INTO T VALUES ('①㈱～ｶﾅ');\nCOMMIT;\n");
    const std::string out = kbtest::RunIsqlOn(db.string(), "SET LIST ON;\nSELECT A, OCTET_LENGTH(A) AS N FROM T;\n");
    EXPECT_NE(out.find("①㈱～ｶﾅ"), std::string::npos) << out;
    EXPECT_NE(out.find("N                               8"), std::string::npos) << out;
}
