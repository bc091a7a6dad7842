#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

// gbak must be able to back up a database that another process holds open through the embedded
// engine: that is what SuperClassic in our Firebird root is for. isql-fb keeps the file attached
// while it waits for more of its script on a pipe, and gbak runs meanwhile.
TEST(FirebirdRoot, GbakBacksUpWhileAnotherProcessHoldsTheDatabase)
{
    kbtest::TempDir dir;
    const auto db = kbtest::CreateDatabase(dir / "a.fdb", "CREATE TABLE T (A VARCHAR(10) CHARACTER SET SJIS_0208);\n"
                                                           "INSERT INTO T VALUES ('①㈱～');\nCOMMIT;\n");
    const auto fifo = dir / "script.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int feed = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC); // read-write: opening never blocks
    ASSERT_GE(feed, 0);
    kb::ChildProcess holder({"isql-fb", "-q", "-user", "SYSDBA", db.string()});
    holder.SetInputFile(fifo);
    holder.SetOutputFile(dir / "holder.txt");
    holder.Start();
    const std::string query = "SET LIST ON;\nSELECT COUNT(*) AS N FROM T;\n";
    ASSERT_EQ(::write(feed, query.data(), query.size()), static_cast<ssize_t>(query.size()));
    // The answer shows that isql is attached; it stays attached until its script ends.
    for (int i = 0; i < 3000 && kbtest::ReadFile(dir / "holder.txt").find("N ") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(kbtest::ReadFile(dir / "holder.txt").find("N "), std::string::npos);

    kb::ChildProcess gbak({"gbak", "-b", db.string(), (dir / "a.fbk").string()});
    gbak.SetEnv("ISC_USER", "SYSDBA");
    gbak.SetOutputFile(dir / "gbak.txt");
    gbak.Start();
    EXPECT_EQ(gbak.Wait(), 0) << kbtest::ReadFile(dir / "gbak.txt");
    EXPECT_TRUE(holder.Running()); // the backup really ran beside the attachment
    EXPECT_GT(std::filesystem::file_size(dir / "a.fbk"), 0u);

    const std::string quit = "QUIT;\n";
    ASSERT_EQ(::write(feed, quit.data(), quit.size()), static_cast<ssize_t>(quit.size()));
    ::close(feed);
    EXPECT_EQ(holder.Wait(), 0);
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
