// Backup, restore and validation of a data set's database through the service manager and gbak,
// and the journal counts, on the general fixture data set (142 entries, company "青色商店").

#include "DataModuleTestSupport.h"
#include "FixtureBuilder.h"
#include "core/DataModuleBackup.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class DataModuleBackup : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = env.dir / "src";
        kbtest::fixture::BuildGeneralDataSet(source, 1);
        fs::create_directories(env.dir / "save");
    }

    std::string Db(const fs::path& folder) const { return (folder / "vqacc.fdb").string(); }

    // Company name and journal count of a restored data set, read through the data module.
    std::pair<std::string, int> Facts(const fs::path& folder)
    {
        env.OpenData(folder / "vqacc.fdb");
        fb::TransactionGuard g(env.dm->IBTransactionDAT);
        env.dm->IBQACC2.SetSQL("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1");
        env.dm->IBQACC2.ExecQuery();
        const std::string name = env.dm->IBQACC2.FieldByName("SHOUGOU").AsString();
        env.dm->IBQACC2.Close();
        g.Commit();
        int valid = -1, changed = -1;
        const int all = GetSiwakeCount(*env.dm, "", valid, changed);
        EXPECT_EQ(valid, 142);
        EXPECT_EQ(changed, 0);
        env.dm->IBDatabaseDAT.Close();
        return {name, all};
    }

    std::string Shown() const { return env.ui.shown.empty() ? std::string() : env.ui.shown.front(); }

    kbtest::StoreEnvironment env;
    fs::path source;
};

std::string ReadAll(const fs::path& f)
{
    std::ifstream in(f, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST_F(DataModuleBackup, ServiceRouteBacksUpOverAnOldFileAndRestoresIntoANewFolder)
{
    const fs::path backup = env.dir / "save" / "vqacc.fbk";
    { std::ofstream(backup) << "old backup"; }

    ASSERT_TRUE(BackupFDB(*env.dm, kProtocolLocal, "", false, backup.string(), Db(source))) << Shown();
    EXPECT_NE(ReadAll(backup), "old backup");
    EXPECT_FALSE(fs::exists(source / "vqacc.fb_")); // the temporary name was moved over the target

    const fs::path restored = env.dir / "restored";
    fs::create_directories(restored);
    ASSERT_TRUE(RestoreFDB(*env.dm, kProtocolLocal, "", true, backup.string(), Db(restored))) << Shown();
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected()); // a restore ends disconnected
    EXPECT_EQ(Facts(restored), std::make_pair(std::string("青色商店"), 142));
    EXPECT_TRUE(env.ui.shown.empty()) << Shown();
}

TEST_F(DataModuleBackup, BackupToTheTemporaryNameStaysThere)
{
    const fs::path temp = source / "vqacc.fb_";
    ASSERT_TRUE(BackupFDB(*env.dm, kProtocolLocal, "", false, temp.string(), Db(source))) << Shown();
    EXPECT_GT(fs::file_size(temp), 1000u);
}

TEST_F(DataModuleBackup, RestoreEmptiesTheOperatorsInUse)
{
    kbtest::RunIsql(source / "vqacc.fdb", "INSERT INTO OPINF (REC, OPCODE) VALUES (1, 10);\nCOMMIT;\n");
    const fs::path backup = env.dir / "save" / "vqacc.fbk";
    ASSERT_TRUE(BackupFDB(*env.dm, kProtocolLocal, "", true, backup.string(), Db(source))) << Shown();
    const fs::path restored = env.dir / "restored";
    fs::create_directories(restored);
    ASSERT_TRUE(RestoreFDB(*env.dm, kProtocolLocal, "", false, backup.string(), Db(restored))) << Shown();
    env.OpenData(restored / "vqacc.fdb");
    fb::TransactionGuard g(env.dm->IBTransactionDAT);
    env.dm->IBQACC1.SetSQL("SELECT COUNT(*) AS N FROM OPINF");
    env.dm->IBQACC1.ExecQuery();
    EXPECT_EQ(env.dm->IBQACC1.FieldByName("N").AsInteger(), 0);
}

TEST_F(DataModuleBackup, GbakRouteBacksUpAndRestoresWithCredentialsInTheEnvironment)
{
    const fs::path backup = env.dir / "save" / "vqacc.fbk";
    { std::ofstream(backup) << "old backup"; }
    ASSERT_TRUE(BackupFDBByGbak(*env.dm, "", true, backup.string(), Db(source)));
    EXPECT_NE(ReadAll(backup), "old backup");
    // Nothing of the run is left beside the backup.
    int files = 0;
    for (const auto& e : fs::directory_iterator(env.dir / "save")) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);

    const fs::path restored = env.dir / "restored";
    fs::create_directories(restored);
    ASSERT_TRUE(RestoreFDBByGbak(*env.dm, "", false, backup.string(), Db(restored))) << Shown();
    EXPECT_EQ(Facts(restored), std::make_pair(std::string("青色商店"), 142));
    // Restoring again replaces the database that is now there.
    ASSERT_TRUE(RestoreFDBByGbak(*env.dm, "", true, backup.string(), Db(restored))) << Shown();
    EXPECT_EQ(Facts(restored).second, 142);
}

TEST_F(DataModuleBackup, GbakThatCannotWriteIsAFailureAndKeepsTheOldBackup)
{
    // No folder to write into.
    const fs::path nowhere = env.dir / "missing" / "vqacc.fbk";
    try {
        BackupFDBByGbak(*env.dm, "", true, nowhere.string(), Db(source));
        ADD_FAILURE() << "a failed gbak reported success";
    } catch (const EDbToolError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("バックアップ中にエラーが発生しました。\r", 0), 0u) << e.what();
    }
    EXPECT_FALSE(fs::exists(nowhere));

    // A database that cannot be read: the old backup stays as it was.
    const fs::path backup = env.dir / "save" / "vqacc.fbk";
    { std::ofstream(backup) << "old backup"; }
    EXPECT_THROW(BackupFDBByGbak(*env.dm, "", true, backup.string(), (env.dir / "none.fdb").string()), EDbToolError);
    EXPECT_EQ(ReadAll(backup), "old backup");
    int files = 0;
    for (const auto& e : fs::directory_iterator(env.dir / "save")) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);

    // A restore from a missing file answers false and starts nothing; from a broken one, false.
    EXPECT_FALSE(RestoreFDBByGbak(*env.dm, "", false, (env.dir / "none.fbk").string(), Db(env.dir / "r")));
    EXPECT_TRUE(env.ui.shown.empty());
    EXPECT_FALSE(RestoreFDBByGbak(*env.dm, "", false, backup.string(), Db(env.dir / "r")));
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_NE(env.ui.shown[0].find("データベースのリストアに失敗しました。"), std::string::npos);
    EXPECT_NE(env.ui.shown[0].find("リストア中にエラーが発生しました。"), std::string::npos);
}

TEST_F(DataModuleBackup, ServiceBackupFailureIsReportedAndKeepsTheOldBackup)
{
    const fs::path backup = env.dir / "save" / "vqacc.fbk";
    { std::ofstream(backup) << "old backup"; }
    EXPECT_FALSE(BackupFDB(*env.dm, kProtocolLocal, "", false, backup.string(), (env.dir / "none" / "vqacc.fdb").string()));
    EXPECT_EQ(ReadAll(backup), "old backup");
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_NE(env.ui.shown[0].find("データベースのバックアップに失敗しました。"), std::string::npos);
}

TEST_F(DataModuleBackup, ValidationTellsIntactDamagedAndNotChecked)
{
    EXPECT_EQ(ValidateDatabaseResult(*env.dm, kProtocolLocal, "", Db(source)), TValidateResult::Intact);

    // A copy with data pages overwritten by junk.
    const fs::path broken = env.dir / "broken" / "vqacc.fdb";
    fs::create_directories(broken.parent_path());
    fs::copy_file(source / "vqacc.fdb", broken);
    {
        std::fstream io(broken, std::ios::in | std::ios::out | std::ios::binary);
        const std::size_t pageSize = 8192, pages = fs::file_size(broken) / pageSize;
        int damaged = 0;
        for (std::size_t p = 0; p < pages; ++p) {
            char type = 0;
            io.seekg(static_cast<std::streamoff>(p * pageSize));
            io.read(&type, 1);
            if (type != 5) continue; // data pages
            const std::string junk(3000, '\xAB');
            io.seekp(static_cast<std::streamoff>(p * pageSize + 200));
            io.write(junk.data(), static_cast<std::streamsize>(junk.size()));
            ++damaged;
        }
        ASSERT_GT(damaged, 0);
    }
    EXPECT_EQ(ValidateDatabaseResult(*env.dm, kProtocolLocal, "", broken.string()), TValidateResult::Damaged);
    EXPECT_FALSE(ValidateDatabase(*env.dm, kProtocolLocal, "", broken.string()));

    // A file that cannot be opened is not a damaged database.
    EXPECT_EQ(ValidateDatabaseResult(*env.dm, kProtocolLocal, "", (env.dir / "none.fdb").string()), TValidateResult::NotChecked);
    EXPECT_TRUE(ValidateDatabase(*env.dm, kProtocolLocal, "", (env.dir / "none.fdb").string()));
    EXPECT_TRUE(env.ui.shown.empty());
}

TEST_F(DataModuleBackup, ValidationReopensTheDataConnection)
{
    env.OpenData(source / "vqacc.fdb");
    EXPECT_TRUE(ValidateDatabase(*env.dm, kProtocolLocal, "", Db(source)));
    EXPECT_TRUE(env.dm->IBDatabaseDAT.Connected());
}

TEST_F(DataModuleBackup, CashBookCountsAnEntryBetweenCashAccountsOnce)
{
    env.OpenData(source / "vqacc.fdb");
    AppKind = 3;
    AccInf.SysKcode[0] = "K111";
    // The fixture's entries on 現金 (K111): monthly 水道光熱費 12, travel 4, supplies 2, owner 1,
    // sales 1, sundry 1 = 21 rows; two more rows whose both sides are cash count as one entry.
    kbtest::RunIsql(source / "vqacc.fdb",
                    "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, KCODE, R_KCODE, SCODE) VALUES (900001, 0, 0, 'K111', 'K111', '');\n"
                    "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, KCODE, R_KCODE, SCODE) VALUES (900002, 0, 1, 'K111', 'K111', '');\n"
                    "COMMIT;\n");
    fb::TransactionGuard g(env.dm->IBTransactionDAT);
    env.dm->IBQACC2.SetSQL("SELECT COUNT(REC) AS N FROM SIWAKE WHERE DELFLG=0 AND KCODE='K111' AND R_KCODE<>'K111'");
    env.dm->IBQACC2.ExecQuery();
    const int plain = env.dm->IBQACC2.FieldByName("N").AsInteger();
    env.dm->IBQACC2.Close();
    g.Commit();
    EXPECT_EQ(plain, 21);
    EXPECT_EQ(GetYukouSiwakeCount(*env.dm, ""), plain + 1);
    AppKind = 4;
    EXPECT_EQ(GetYukouSiwakeCount(*env.dm, ""), -1);
}

// ---- against a loopback server (client mode), with the file-operation module installed -------------

#include "common/FirebirdServer.h"
#include "common/TestEnv.h"

#include <cstdlib>
#include <optional>

namespace {

class DataModuleBackupServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
        env.emplace();
        const fs::path module = kbtest::FileOperationModule();
        server = std::make_unique<kbtest::FirebirdServer>(std::vector<fs::path>{module});
        data = server->DataDir() / "data";
        fs::create_directories(data / "save");
        fs::create_directories(server->DataDir() / "sys");
        std::ofstream(server->UdrDir() / "kbfileop.conf") << "DataRoot = " << data.string() << "\n";
        const fs::path sysDb = server->DataDir() / "sys" / "vqaccdef.fdb";
        kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(sysDb) + "' DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n", server->Login());
        kbtest::RunIsqlOn(server->Address(sysDb), kbtest::ReadFile(kbtest::SourceDir() / "src/fb/udr/kbfileop.sql"), server->Login());
        kbtest::fixture::BuildGeneralDataSet(data / "0001", 1);

        ConnectMode = 1;
        host = "127.0.0.1/" + std::to_string(server->Port());
        SystemDef.HostName = host;
        SystemDef.SysDir = (server->DataDir() / "sys").string();
        SystemDef.DbUser = kbtest::FirebirdServer::kUser;
        SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
    }
    void TearDown() override
    {
        ConnectMode = 0;
        if (env) env.reset();
        server.reset();
    }

    // Company name and journal count of a data set on the server, read over TCP.
    std::pair<std::string, int> Facts(const fs::path& folder)
    {
        TDM& dm = *env->dm;
        EXPECT_TRUE(dm.fnAccDatConnected(host, folder.string(), false)) << Shown();
        fb::TransactionGuard g(dm.IBTransactionDAT);
        dm.IBQACC2.SetSQL("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1");
        dm.IBQACC2.ExecQuery();
        const std::string name = dm.IBQACC2.FieldByName("SHOUGOU").AsString();
        dm.IBQACC2.Close();
        g.Commit();
        const int count = GetSiwakeCountOf(dm, "");
        dm.fnAccDatDisConnected(folder.string(), false, false);
        return {name, count};
    }
    std::string Shown() const { return env->ui.shown.empty() ? std::string() : env->ui.shown.front(); }
    std::string Db(const char* folder) const { return (data / folder / "vqacc.fdb").string(); }

    std::unique_ptr<kbtest::FirebirdServer> server;
    std::optional<kbtest::StoreEnvironment> env;
    fs::path data;
    std::string host;
};

} // namespace

TEST_F(DataModuleBackupServer, ServiceOverTcpMovesTheBackupOnTheServer)
{
    TDM& dm = *env->dm;
    const std::string backup = (data / "save" / "vqacc.fbk").string();
    { std::ofstream(backup) << "old backup"; }
    ASSERT_TRUE(BackupFDB(dm, kProtocolTCP, host, false, backup, Db("0001"))) << Shown();
    EXPECT_FALSE(fs::exists(data / "0001" / "vqacc.fb_"));
    EXPECT_GT(fs::file_size(backup), 1000u);

    fs::create_directories(data / "0002");
    ASSERT_TRUE(RestoreFDB(dm, kProtocolTCP, host, true, backup, Db("0002"))) << Shown();
    EXPECT_EQ(Facts(data / "0002"), std::make_pair(std::string("青色商店"), 142));
    EXPECT_EQ(ValidateDatabaseResult(dm, kProtocolTCP, host, Db("0002")), TValidateResult::Intact);
    EXPECT_TRUE(env->ui.shown.empty()) << Shown();
}

TEST_F(DataModuleBackupServer, GbakOverTcpTakesTheLoginFromTheEnvironment)
{
    TDM& dm = *env->dm;
    const fs::path local = env->dir / "vqacc.fbk";
    ASSERT_TRUE(BackupFDBByGbak(dm, host, true, local.string(), Db("0001")));
    fs::create_directories(data / "0003");
    ASSERT_TRUE(RestoreFDBByGbak(dm, host, false, local.string(), Db("0003"))) << Shown();
    EXPECT_EQ(Facts(data / "0003"), std::make_pair(std::string("青色商店"), 142));

    // A wrong password fails, and the backup written before stays.
    const auto size = fs::file_size(local);
    SystemDef.DbPassword = "wrong";
    EXPECT_THROW(BackupFDBByGbak(dm, host, true, local.string(), Db("0001")), EDbToolError);
    EXPECT_EQ(fs::file_size(local), size);
}

TEST_F(DataModuleBackup, ValidationOfADatabaseInUseIsNotADamage)
{
    // Another attachment holds the file: validation cannot have it alone.
    fb::Connection other;
    other.SetDatabaseName(Db(source));
    TDM::SetLoginParams(other);
    other.Open();
    EXPECT_EQ(ValidateDatabaseResult(*env.dm, kProtocolLocal, "", Db(source)), TValidateResult::NotChecked);
    EXPECT_TRUE(ValidateDatabase(*env.dm, kProtocolLocal, "", Db(source)));
    EXPECT_TRUE(env.ui.shown.empty());
}
