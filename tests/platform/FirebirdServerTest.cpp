#include "common/FirebirdServer.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

using kbtest::WithFirebirdServer;

// Over TCP to our own server: a database is created, written and read back with the CP932 extension
// characters intact, and the attachment is a remote one from 127.0.0.1.
TEST_F(WithFirebirdServer, LoopbackConnectionWorks)
{
    const auto db = server->DataDir() / "remote.fdb";
    const std::string address = server->Address(db);
    EXPECT_EQ(address, "127.0.0.1/" + std::to_string(server->Port()) + ":" + db.string());
    kbtest::RunIsqlOn({}, "CREATE DATABASE '" + address + "' USER '" + std::string(server->kUser) + "' PASSWORD '" +
                              server->kPassword + "' DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n");
    ASSERT_TRUE(std::filesystem::exists(db));
    const std::string out = kbtest::RunIsqlOn(address,
                                              "CREATE TABLE T (A VARCHAR(10));\nCOMMIT;\n"
                                              "INSERT INTO T VALUES ('①㈱～ｶﾅ');\nCOMMIT;\n"
                                              "SET LIST ON;\n"
                                              "SELECT A FROM T;\n"
                                              "SELECT MON$REMOTE_PROTOCOL AS P, MON$REMOTE_ADDRESS AS R FROM MON$ATTACHMENTS "
                                              "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION;\n",
                                              server->Login());
    EXPECT_NE(out.find("①㈱～ｶﾅ"), std::string::npos) << out;
    EXPECT_NE(out.find("TCPv4"), std::string::npos) << out;
    EXPECT_NE(out.find("127.0.0.1/"), std::string::npos) << out;
}

// The server uses its own security database: the test password opens it, another does not.
TEST_F(WithFirebirdServer, OwnSecurityDatabaseChecksThePassword)
{
    const auto db = server->DataDir() / "a.fdb";
    kbtest::RunIsqlOn({}, "CREATE DATABASE '" + server->Address(db) + "' USER 'SYSDBA' PASSWORD '" + server->kPassword + "';\nCOMMIT;\n");
    EXPECT_THROW(kbtest::RunIsqlOn(server->Address(db), "SELECT 1 FROM RDB$DATABASE;\n", {"SYSDBA", "masterkey"}), std::runtime_error);
    EXPECT_NO_THROW(kbtest::RunIsqlOn(server->Address(db), "SELECT 1 FROM RDB$DATABASE;\n", server->Login()));
    server->Stop();
    EXPECT_THROW(kbtest::RunIsqlOn(server->Address(db), "SELECT 1 FROM RDB$DATABASE;\n", server->Login()), std::runtime_error);
}

TEST(FirebirdServer, MissingPackageIsAReasonToSkip)
{
    kbtest::ScopedEnv env("KB_FIREBIRD_SERVER_BIN", std::string("/nonexistent/firebird"));
    EXPECT_NE(kbtest::FirebirdServer::MissingReason().find("firebird3.0-server"), std::string::npos);
    EXPECT_THROW(kbtest::FirebirdServer(), std::runtime_error);
}
