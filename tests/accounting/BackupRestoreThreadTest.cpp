// The backup and restore worker on the general fixture data set (company "青色商店", 142 valid
// journal entries, tests/fixtures/README.md) with the embedded engine: save with the trailer,
// restore onto an existing data set, copy, rebuild, and the result codes.

#include "BackupRestoreTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace fs = std::filesystem;
using namespace kb;
using kbtest::WorkerTest;

namespace {

class BackupRestoreWorker : public kbtest::WorkerTest {};

} // namespace

TEST_F(BackupRestoreWorker, BackupWritesTheTrailerAndRestoreReplacesAnExistingDataSet)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    TBackupRestoreThread save(*env.dm);
    save.DatabaseFile = Db(source);
    save.BackupFile = backup;
    save.WriteZone = 1;
    save.SHOUGOU = "青色商店";
    save.KISHU = "2025/01/01";
    save.KIMATU = "2025/12/31";
    save.SIWAKE = 142;
    save.TOTALSIWAKE = 145;
    save.DATAVARSION = "15.0.0";
    save.GASSAN = 2;
    Run(save);
    ASSERT_EQ(save.Success, 1) << save.ErrInfo.Message << Shown();
    EXPECT_EQ(save.ErrInfo.ErrFlag, 0);

    const std::string trailer = kb::Utf8ToCp932("## LumoraZone\r\nSHOUGOU=青色商店\r\nKISHU=2025/01/01\r\nKIMATU=2025/12/31\r\n"
                                                "SIWAKE=142\r\nTOTALSIWAKE=145\r\nDATAVARSION=15.0.0\r\nGASSAN=2\r\nUSEMYNUMBER=0\r\n");
    const std::string bytes = kbtest::WorkerFileBytes(backup);
    ASSERT_GT(bytes.size(), trailer.size() + 1000);
    EXPECT_EQ(bytes.substr(bytes.size() - trailer.size()), trailer);

    // The restoring caller reads the trailer off the file first.
    TBackupRestoreThread load(*env.dm);
    ASSERT_TRUE(load.ReadZoneInfo(backup, true));
    EXPECT_EQ(load.SHOUGOU, "青色商店");
    EXPECT_EQ(load.KIMATU, "2025/12/31");
    EXPECT_EQ(load.TOTALSIWAKE, 145);
    EXPECT_EQ(load.GASSAN, 2);
    EXPECT_EQ(fs::file_size(backup), bytes.size() - trailer.size());

    // The destination holds another data set: another name, an entry fewer, a user in OPINF.
    const fs::path dest = env.dir / "dest";
    kbtest::fixture::BuildGeneralDataSet(dest, 2);
    kbtest::RunIsql(dest / "vqacc.fdb", "UPDATE ACCDEF1 SET SHOUGOU='DEST' WHERE REC=1;\n"
                                        "DELETE FROM SIWAKE WHERE SWKREC = (SELECT MIN(SWKREC) FROM SIWAKE);\n"
                                        "INSERT INTO OPINF (REC, OPCODE) VALUES (1, 10);\nCOMMIT;\n");
    ASSERT_EQ(Facts(dest), std::make_pair(std::string("DEST"), 141));
    load.DatabaseFile = Db(dest);
    load.BackupFile = backup;
    load.Mode = 1;
    Run(load);
    ASSERT_EQ(load.Success, 1) << load.ErrInfo.Message << Shown();
    EXPECT_EQ(Facts(dest), std::make_pair(std::string("青色商店"), 142));
    EXPECT_EQ(Count(dest, "SELECT COUNT(*) AS N FROM OPINF"), 0);
    // Nothing of the job stays beside the data set.
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dest)) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"vqacc.fdb", "vqacc.ini"}));
    EXPECT_TRUE(env.ui.shown.empty()) << Shown();
}

TEST_F(BackupRestoreWorker, NoTrailerWithoutACompanyName)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    TBackupRestoreThread save(*env.dm);
    save.DatabaseFile = Db(source);
    save.BackupFile = backup;
    save.WriteZone = 1;
    Run(save);
    ASSERT_EQ(save.Success, 1) << Shown();
    TBackupRestoreThread probe(*env.dm);
    EXPECT_FALSE(probe.ReadZoneInfo(backup, false));
}

TEST_F(BackupRestoreWorker, TrailerReadsTheFirstLineOfAKeyAndZeroForAMissingNumber)
{
    const fs::path file = env.dir / "save" / "vqacc.fbk";
    {
        std::ofstream out(file, std::ios::binary);
        out << std::string(1000, 'x') << kb::Utf8ToCp932("## LumoraZone\r\nSHOUGOU=㈱山田\r\nSIWAKE=7\r\nSIWAKE=9\r\n");
    }
    TBackupRestoreThread t(*env.dm);
    t.USEMYNUMBER = 5;
    ASSERT_TRUE(t.ReadZoneInfo(file.string(), true));
    EXPECT_EQ(t.SHOUGOU, "㈱山田");
    EXPECT_EQ(t.SIWAKE, 7);
    EXPECT_EQ(t.USEMYNUMBER, 0);
    EXPECT_EQ(kbtest::WorkerFileBytes(file), std::string(1000, 'x'));
}

TEST_F(BackupRestoreWorker, CopyAndRebuildKeepTheJournal)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    const fs::path copy = env.dir / "copy";
    fs::create_directories(copy);
    TBackupRestoreThread c(*env.dm);
    c.Mode = 2;
    c.DatabaseFile = Db(source);
    c.DestFile = Db(copy);
    c.BackupFile = backup;
    Run(c);
    ASSERT_EQ(c.Success, 1) << Shown();
    EXPECT_EQ(Facts(copy), std::make_pair(std::string("青色商店"), 142));

    TBackupRestoreThread r(*env.dm);
    r.Mode = 3;
    r.DatabaseFile = Db(source);
    r.BackupFile = backup;
    r.ActivateIndexes = 1;
    Run(r);
    ASSERT_EQ(r.Success, 1) << Shown();
    EXPECT_EQ(r.DestFile, Db(source));
    EXPECT_EQ(Facts(source), std::make_pair(std::string("青色商店"), 142));
}

TEST_F(BackupRestoreWorker, ResultCodesOfRefusedAndFailedJobs)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    struct Case {
        int mode;
        std::string database;
        const char* code;
        const char* message;
    };
    const std::vector<Case> cases{
        {0, (env.dir / "save" / "other.fdb").string(), "101", "指定されたファイルはパヴォナ財務用のデータではありません。"},
        {1, (env.dir / "save" / "other.fdb").string(), "201", "指定されたファイルはパヴォナ財務用のデータではありません。"},
        {0, (env.dir / "none" / "vqacc.fdb").string(), "100", "データベースの保存に失敗しました。"},
    };
    for (const Case& k : cases) {
        TBackupRestoreThread t(*env.dm);
        t.Mode = k.mode;
        t.DatabaseFile = k.database;
        t.BackupFile = backup;
        Run(t);
        EXPECT_EQ(t.Success, 0) << k.code;
        EXPECT_EQ(t.ErrInfo.ErrFlag, 1) << k.code;
        EXPECT_EQ(t.ErrInfo.ResultCode, k.code);
        EXPECT_EQ(t.ErrInfo.Message, k.message);
        EXPECT_EQ(t.ErrInfo.FuncName, k.mode == 0 ? "BackupDatabase" : "RestoreDatabase");
    }
}

TEST_F(BackupRestoreWorker, RestoreOntoADataSetInUseIsRefused)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    Save(backup);
    fb::Connection other;
    other.SetDatabaseName(Db(source));
    TDM::SetLoginParams(other);
    other.Open();
    TBackupRestoreThread t(*env.dm);
    t.Mode = 1;
    t.DatabaseFile = Db(source);
    t.BackupFile = backup;
    Run(t);
    EXPECT_EQ(t.ErrInfo.ResultCode, "202");
    EXPECT_EQ(t.ErrInfo.Message, "このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。");
    EXPECT_EQ(t.ErrInfo.Detail, "データベースの復元処理を中止しました。");
}

TEST_F(BackupRestoreWorker, ATruncatedBackupLeavesTheOldDatabase)
{
    const std::string backup = (env.dir / "save" / "vqacc.fbk").string();
    Save(backup);
    fs::resize_file(backup, fs::file_size(backup) / 2);
    TBackupRestoreThread t(*env.dm);
    t.Mode = 1;
    t.DatabaseFile = Db(source);
    t.BackupFile = backup;
    Run(t);
    EXPECT_EQ(t.Success, 0);
    EXPECT_EQ(t.ErrInfo.ResultCode, "200");
    EXPECT_EQ(t.ErrInfo.Message, "データベースの復元に失敗しました。");
    env.ui.shown.clear();
    EXPECT_EQ(Facts(source), std::make_pair(std::string("青色商店"), 142));
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(source)) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"vqacc.fdb", "vqacc.ini"}));
}

TEST_F(BackupRestoreWorker, OneJobAtATime)
{
    TBackupRestoreThread first(*env.dm);
    first.DatabaseFile = Db(source);
    first.BackupFile = (env.dir / "save" / "vqacc.fbk").string();
    ASSERT_TRUE(first.Resume());
    // The first job's steps wait for this thread's event loop, so it is still running here.
    TBackupRestoreThread second(*env.dm);
    second.DatabaseFile = Db(source);
    second.BackupFile = (env.dir / "save" / "b.fbk").string();
    EXPECT_FALSE(second.Resume());
    EXPECT_TRUE(second.GetTerminated());
    EXPECT_EQ(second.ErrInfo.ErrFlag, 1);
    while (!first.GetTerminated()) WaitMSec(300);
    EXPECT_EQ(first.Success, 1) << Shown();
    EXPECT_FALSE(BackupRestoreJobRunning());
}
