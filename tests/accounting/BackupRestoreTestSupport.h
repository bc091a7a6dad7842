#pragma once
// Shared by the tests of the backup and restore worker and the individual-number store: the
// general fixture data set in a test folder, a data module on it, a job run the way the callers
// run it, and the facts a test compares after a job.

#include "FixtureBuilder.h"
#include "accounting/BackupRestoreThread.h"
#include "accounting/z5ComMyNumber.h"
#include "common/TestDb.h"
#include "core/DataModuleBackup.h"
#include "core/DataModuleTestSupport.h"
#include "core/z5ComFunc2.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace kbtest {

inline std::string WorkerFileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = env.dir / "src";
        kbtest::fixture::BuildGeneralDataSet(source, 1);
        std::filesystem::create_directories(env.dir / "save");
        kb::ConnectMode = 0;
        kb::SystemDef.OpCode = 10010;
        kb::SystemDef.OpNo = 10;
        kb::SystemDef.OpName = "山田太郎";
        kb::SystemDef.SerialText = "SERIAL-0001";
        kb::SystemDef.PCName = "pc-01";
    }

    static std::string Db(const std::filesystem::path& folder) { return (folder / "vqacc.fdb").string(); }

    // As every caller does: resume, then wait with the event loop running until the job ends.
    static void Run(kb::TBackupRestoreThread& t)
    {
        ASSERT_TRUE(t.Resume());
        while (!t.GetTerminated()) kb::WaitMSec(300);
        t.wait();
    }

    // The first column of a query on a data set (raw bytes), read on a connection of the test's
    // own; "<none>" when there is no row.
    std::string Text(const std::filesystem::path& folder, const std::string& sql)
    {
        kb::fb::Connection db;
        db.SetDatabaseName(factsServer.empty() ? Db(folder) : factsServer + ":" + Db(folder));
        kb::TDM::SetLoginParams(db);
        db.Open();
        kb::fb::Transaction tr(&db);
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement q(db, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        const std::string s = q.Eof() ? std::string("<none>") : q.FieldAt(0).AsBytes();
        q.Close();
        g.Commit();
        return s;
    }
    int Count(const std::filesystem::path& folder, const std::string& sql)
    {
        const std::string s = Text(folder, "SELECT CAST((" + sql + ") AS VARCHAR(20)) FROM RDB$DATABASE");
        return std::stoi(s);
    }

    // A plain backup of the source data set.
    void Save(const std::string& backup)
    {
        kb::TBackupRestoreThread save(*env.dm);
        save.DatabaseFile = Db(source);
        save.BackupFile = backup;
        Run(save);
        ASSERT_EQ(save.Success, 1) << Shown();
    }

    // Company name and journal count of a data set.
    std::pair<std::string, int> Facts(const std::filesystem::path& folder)
    {
        return {kb::Cp932ToUtf8(Text(folder, "SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1")),
                Count(folder, "SELECT COUNT(DISTINCT SWKREC) FROM SIWAKE WHERE DELFLG=0")};
    }

    std::string Shown() const { return env.ui.shown.empty() ? std::string() : env.ui.shown.front(); }

    kbtest::StoreEnvironment env;
    std::filesystem::path source;
    std::string factsServer; // "127.0.0.1/port" when the data sets lie on the test's server
};

} // namespace kbtest
