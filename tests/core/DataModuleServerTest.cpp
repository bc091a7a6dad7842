// The data module against a Firebird server of the test's own on 127.0.0.1 (client mode).

#include "common/FakeUi.h"
#include "common/FirebirdServer.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/HoldingProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kb;

namespace {

using RecordingUi = kbtest::RecordingErrorUi;

class DataModuleServer : public kbtest::WithFirebirdServer {
protected:
    void SetUp() override
    {
        kbtest::WithFirebirdServer::SetUp();
        if (!server) return; // skipped
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        const auto dir = server->DataDir();
        std::filesystem::create_directories(dir / "sys");
        std::filesystem::create_directories(dir / "data1");
        std::filesystem::create_directories(dir / "log");
        for (const auto& f : {dir / "sys" / "vqaccdef.fdb", dir / "data1" / "vqacc.fdb"})
            kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(f) +
                                      "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\n"
                                      "CREATE TABLE T (S VARCHAR(20));\nINSERT INTO T VALUES ('①');\nCOMMIT;\n",
                              server->Login());
        ConnectMode = 1;
        host = "127.0.0.1/" + std::to_string(server->Port());
        SystemDef.HostName = host;
        SystemDef.SysDir = (dir / "sys").string();
        SystemDef.LogDir = (dir / "log").string();
        SystemDef.DbUser = kbtest::FirebirdServer::kUser;
        SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
        CreateDM();
    }
    void TearDown() override
    {
        FreeDM();
        ResetErrorReporter();
        ResetAccRecord();
        kbtest::WithFirebirdServer::TearDown();
    }
    std::string Folder(const char* name) const { return (server->DataDir() / name).string(); }

    RecordingUi ui;
    std::string host;
};

} // namespace

TEST_F(DataModuleServer, ConnectsOverTcpAndCountsOnlyOtherAttachments)
{
    ASSERT_TRUE(DM->fnAccDefConnected("", true)) << (ui.shown.empty() ? "" : ui.shown[0]);
    EXPECT_EQ(DM->IBDatabaseDEF.DatabaseName(), host + ":" + Folder("sys") + "/vqaccdef.fdb");
    ASSERT_TRUE(DM->fnAccDatConnected("", Folder("data1"), false)) << (ui.shown.empty() ? "" : ui.shown[0]);

    // A caller's bracket on the data transaction is left open by a routine that joins it.
    DM->IBTransactionDAT.StartTransaction();
    {
        fb::TransactionGuard g(DM->IBTransactionDAT);
        DM->IBQACC1.SetSQL("SELECT S FROM T");
        DM->IBQACC1.ExecQuery();
        EXPECT_EQ(DM->IBQACC1.FieldByName("S").AsString(), "①");
        g.Commit();
    }
    EXPECT_TRUE(DM->IBTransactionDAT.InTransaction());
    DM->IBTransactionDAT.Commit();

    EXPECT_FALSE(DM->AccDatInConnection(1, "", false, Folder("data1")));
    EXPECT_TRUE(DM->IBDatabaseDAT.Connected());
    EXPECT_TRUE(DM->AccDatInConnection(1, "", true, Folder("data1"))); // own attachment kept: it counts
    {
        kbtest::HoldingProcess other(server->Address(server->DataDir() / "data1" / "vqacc.fdb"), kbtest::FirebirdServer::kPassword);
        EXPECT_TRUE(DM->AccDatInConnection(1, "", false, Folder("data1")));
    }
    EXPECT_TRUE(ui.shown.empty()) << ui.shown[0];
    EXPECT_TRUE(DM->IBDatabaseDAT.Connected());
}
