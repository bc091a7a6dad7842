#pragma once
// A whole fixture data root (five data sets in slots 1 to 5 of 120; tests/fixtures/README.md) with
// its system database connected through the data module, for the tests of the data selection.

#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace kbtest {

class DataRootTest : public ::testing::Test {
public:
    void SetUp() override
    {
        PrepareFirebird();
        kb::ResetAccRecord();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        root = fixture::LayoutFor(tmp / "root");
        fixture::BuildDataRoot(root.root);
        kb::SystemDef.SysDir = root.sysDir.string();
        kb::SystemDef.AppDataDir = root.homeDir.string();
        kb::SystemDef.LogDir = (tmp / "log").string();
        std::filesystem::create_directories(tmp / "log");
        kb::SystemDef.DbUser = "SYSDBA";
        kb::SystemDef.DbPassword = "masterkey";
        kb::SystemDef.GroupId = 10000;
        kb::SystemDef.OpCode = 10000 * 10000 + fixture::kOperatorWithPassword;
        kb::SystemDef.OpName = "山田太郎";
        kb::SystemDef.SysDbMajor = 12;
        kb::CreateDM();
        ASSERT_TRUE(kb::DM->fnAccDefConnected("", true));
    }
    void TearDown() override
    {
        kb::FreeDM();
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    // The folder of slot n.
    std::string Folder(int n) const
    {
        char b[16];
        std::snprintf(b, sizeof b, "%.4d", n);
        return (root.sysDir / b).string();
    }

    // One statement on the system database, committed.
    void Sql(const std::string& text)
    {
        kb::fb::TransactionGuard g(kb::DM->IBTransactionDEF);
        kb::fb::Statement q(kb::DM->IBDatabaseDEF, &kb::DM->IBTransactionDEF);
        q.SetSQL(text);
        q.ExecQuery();
        g.Commit();
    }

    TempDir tmp;
    fixture::DataRoot root;
    RecordingErrorUi ui;
};

} // namespace kbtest
