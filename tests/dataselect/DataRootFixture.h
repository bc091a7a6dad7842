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
#include "ui/z5MessageDlg2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kbtest {

// Every message box of the MessageDlg2 kind: its non-empty lines joined by "\n" go into out, and
// it is answered with answer (read when the box shows).
inline void RecordMessages(std::vector<std::string>& out, const int& answer)
{
    kb::SetMessage2Interceptor([&out, &answer](kb::TMessage2InfoRec& r) {
        std::string text;
        for (const auto& l : r.Lines)
            if (!l.Text.empty()) text += (text.empty() ? "" : "\n") + l.Text;
        out.push_back(text);
        return answer;
    });
}

// A column of a slot's DATALIST row ("<none>" without the row).
inline std::string DataListValue(const std::string& column, int rec)
{
    kb::fb::TransactionGuard g(kb::DM->IBTransactionDEF);
    kb::fb::Statement q(kb::DM->IBDatabaseDEF, &kb::DM->IBTransactionDEF);
    q.SetSQL("SELECT " + column + " FROM DATALIST WHERE REC=:REC");
    q.ParamByName("REC").SetInteger(rec);
    q.ExecQuery();
    const std::string v = q.Eof() ? "<none>" : q.FieldAt(0).AsString();
    q.Close();
    g.Commit();
    return v;
}

// One statement on a data set's database, which must open: the first column of a query's first
// row ("<none>" without one), empty for any other statement.
inline std::string DataSetValue(const std::filesystem::path& folder, const std::string& sql)
{
    kb::fb::Connection db;
    db.SetSQLDialect(3);
    db.SetDatabaseName((folder / "vqacc.fdb").string());
    kb::TDM::SetLoginParams(db);
    db.Open();
    kb::fb::Transaction tr(&db, {"read_committed", "rec_version", "nowait"});
    kb::fb::TransactionGuard g(tr);
    kb::fb::Statement q(db, &tr);
    q.SetSQL(sql);
    q.ExecQuery();
    std::string v;
    if (q.StatementType() == kb::fb::Statement::Type::Select) v = q.Eof() ? "<none>" : q.FieldAt(0).AsString();
    q.Close();
    g.Commit();
    return v;
}

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
