// Route 1 of the backup and restore worker against a loopback server (client mode): through the
// file-transfer database with the file-operation module, and with gbak when that database is
// missing. The data sets lie in the server's data root.

#include "BackupRestoreTestSupport.h"
#include "common/FirebirdServer.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <optional>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class BackupRestoreServer : public kbtest::WorkerTest {
protected:
    void SetUp() override
    {
        if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
        kbtest::WorkerTest::SetUp();
        server = std::make_unique<kbtest::FirebirdServer>(std::vector<fs::path>{kbtest::FileOperationModule()});
        data = server->DataDir() / "data";
        fs::create_directories(server->DataDir() / "sys");
        std::ofstream(server->UdrDir() / "kbfileop.conf") << "DataRoot = " << data.string() << "\n";
        const fs::path sysDb = server->DataDir() / "sys" / "vqaccdef.fdb";
        Create(sysDb, "src/fb/udr/kbfileop.sql");
        kbtest::fixture::BuildGeneralDataSet(data / "0001", 1);

        ConnectMode = 1;
        factsServer = "127.0.0.1/" + std::to_string(server->Port());
        SystemDef.HostName = factsServer;
        SystemDef.SysDir = (server->DataDir() / "sys").string();
        SystemDef.ServerTempDir = (data / "temp").string();
        SystemDef.DbUser = kbtest::FirebirdServer::kUser;
        SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
    }
    void TearDown() override
    {
        ConnectMode = 0;
        server.reset();
    }

    void Create(const fs::path& db, const std::string& script, const std::string& schema = "")
    {
        kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(db) + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n",
                          server->Login());
        if (!schema.empty()) kbtest::RunIsqlOn(server->Address(db), kbtest::ReadFile(kbtest::SourceDir() / schema), server->Login());
        kbtest::RunIsqlOn(server->Address(db), kbtest::ReadFile(kbtest::SourceDir() / script), server->Login());
    }
    void CreateFileMan() { Create(server->DataDir() / "sys" / "vqfileman.fdb", "src/fb/udr/kbfileop-fileman.sql", "db/fileman.sql"); }

    // The first column of every row of a query on the transfer database.
    std::vector<std::string> FileMan(const std::string& sql)
    {
        fb::Connection db;
        db.SetDatabaseName(server->Address(server->DataDir() / "sys" / "vqfileman.fdb"));
        TDM::SetLoginParams(db);
        db.Open();
        fb::Transaction tr(&db);
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL(sql);
        std::vector<std::string> rows;
        for (q.ExecQuery(); !q.Eof(); q.Next()) rows.push_back(q.FieldAt(0).AsString());
        return rows;
    }
    int FileTransRows() { return std::stoi(FileMan("SELECT COUNT(*) FROM FILETRANS").at(0)); }

    // Backs 0001 up through route 1 into a local file with the trailer, then restores it onto
    // 0002, which holds another data set.
    void SaveAndRestore()
    {
        const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
        TBackupRestoreThread save(*env.dm);
        save.Route = 1;
        save.HostName = factsServer;
        save.DatabaseFile = Db(data / "0001");
        save.BackupFile = backup;
        save.WriteZone = 1;
        save.SHOUGOU = "青色商店";
        save.SIWAKE = 142;
        Run(save);
        ASSERT_EQ(save.Success, 1) << save.ErrInfo.Message << save.ErrInfo.Detail << Shown();
        const std::string trailer = Utf8ToCp932("## LumoraZone\r\nSHOUGOU=青色商店\r\nKISHU=\r\nKIMATU=\r\nSIWAKE=142\r\n"
                                                "TOTALSIWAKE=0\r\nDATAVARSION=\r\nGASSAN=0\r\nUSEMYNUMBER=0\r\n");
        const std::string bytes = kbtest::WorkerFileBytes(backup);
        ASSERT_GT(bytes.size(), trailer.size() + 1000);
        EXPECT_EQ(bytes.substr(bytes.size() - trailer.size()), trailer);

        kbtest::fixture::BuildGeneralDataSet(data / "0002", 2);
        kbtest::RunIsqlOn(server->Address(data / "0002" / "vqacc.fdb"), "UPDATE ACCDEF1 SET SHOUGOU='DEST' WHERE REC=1;\nCOMMIT;\n",
                          server->Login());
        TBackupRestoreThread load(*env.dm);
        ASSERT_TRUE(load.ReadZoneInfo(backup, true));
        load.Mode = 1;
        load.Route = 1;
        load.HostName = factsServer;
        load.DatabaseFile = Db(data / "0002");
        load.BackupFile = backup;
        Run(load);
        ASSERT_EQ(load.Success, 1) << load.ErrInfo.Message << load.ErrInfo.Detail << Shown();
        EXPECT_EQ(Facts(data / "0002"), std::make_pair(std::string("青色商店"), 142));
        EXPECT_TRUE(!fs::exists(data / "temp") || fs::is_empty(data / "temp")); // no server file stays
        EXPECT_TRUE(env.ui.shown.empty()) << Shown();
    }

    std::unique_ptr<kbtest::FirebirdServer> server;
    fs::path data;
};

// The transfer database's key of the rows: the operator number after "VQZ_". A trigger keeps
// the keys the jobs used.
const char* const kKeyLog = "CREATE TABLE KEYLOG (K VARCHAR(64));\n"
                            "SET TERM ^;\n"
                            "CREATE TRIGGER FILETRANS_KEYS FOR FILETRANS AFTER INSERT AS BEGIN INSERT INTO KEYLOG VALUES (NEW.CONTENT_ID); END^\n"
                            "SET TERM ;^\nCOMMIT;\n";

} // namespace

TEST_F(BackupRestoreServer, ThroughTheTransferDatabase)
{
    CreateFileMan();
    kbtest::RunIsqlOn(server->Address(server->DataDir() / "sys" / "vqfileman.fdb"), kKeyLog, server->Login());
    SaveAndRestore();
    EXPECT_EQ(FileTransRows(), 0);
    EXPECT_EQ(FileMan("SELECT DISTINCT K FROM KEYLOG"), std::vector<std::string>{"VQZ_10010"});
}

TEST_F(BackupRestoreServer, WithGbakWhenThereIsNoTransferDatabase)
{
    SaveAndRestore();
}

TEST_F(BackupRestoreServer, AServerPathTheModuleRefusesEndsTheTransfer)
{
    CreateFileMan();
    // A work folder outside the module's data roots: the server writes the backup there, the
    // module refuses to read or write it.
    SystemDef.ServerTempDir = (server->DataDir() / "outside").string();
    fs::create_directories(SystemDef.ServerTempDir);
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    TBackupRestoreThread save(*env.dm);
    save.Route = 1;
    save.HostName = factsServer;
    save.DatabaseFile = Db(data / "0001");
    save.BackupFile = backup;
    Run(save);
    EXPECT_EQ(save.Success, 0);
    EXPECT_EQ(save.ErrInfo.ResultCode, "102");
    EXPECT_EQ(save.ErrInfo.Message, "バックアップファイルの転送処理（vqfileman.fdb）に失敗しました。");
    EXPECT_EQ(save.ErrInfo.Detail.rfind("データベースの保存処理を中止しました。\r[詳細]\rIBエラー: ", 0), 0u) << save.ErrInfo.Detail;
    EXPECT_FALSE(fs::exists(backup));

    std::ofstream(backup) << "some backup";
    TBackupRestoreThread load(*env.dm);
    load.Mode = 1;
    load.Route = 1;
    load.HostName = factsServer;
    load.DatabaseFile = Db(data / "0001");
    load.BackupFile = backup;
    Run(load);
    EXPECT_EQ(load.ErrInfo.ResultCode, "203");
    EXPECT_EQ(load.ErrInfo.Detail.rfind("データベースの復元処理を中止しました。\r[詳細]\r", 0), 0u) << load.ErrInfo.Detail;
    EXPECT_EQ(FileTransRows(), 0);
    EXPECT_EQ(Facts(data / "0001"), std::make_pair(std::string("青色商店"), 142));
}
