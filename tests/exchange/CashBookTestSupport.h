#pragma once
// The exchange tests' data: the general fixture (tests/fixtures/README.md) built once per test
// program and copied per test, the open data set connected through the data module as the program
// connects it, and rows read back by isql (committed data only) as "a|b|c" texts.

#include "DataSetWriter.h"
#include "FixtureBuilder.h"
#include "Isql.h"
#include "common/TestDb.h"

#include "accounting/z5SiwakeIO.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/uAccRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kbtest::exchange {

namespace fx = kbtest::fixture;

// The general fixture, built once per process.
inline const std::filesystem::path& GeneralMaster()
{
    static kbtest::TempDir* dir = [] {
        kbtest::PrepareFirebird();
        auto* d = new kbtest::TempDir;
        fx::BuildGeneralDataSet(d->path() / "0001", 1);
        return d;
    }();
    static const std::filesystem::path db = dir->path() / "0001" / "vqacc.fdb";
    return db;
}

// A copy of the general fixture at folder/vqacc.fdb, changed by the script when one is given. The
// copy names 111 現金 as its cash account (the fixture itself names no system account).
inline std::filesystem::path GeneralCopy(const std::filesystem::path& folder, const std::string& script = "")
{
    std::filesystem::create_directories(folder);
    const auto db = folder / "vqacc.fdb";
    std::filesystem::copy_file(GeneralMaster(), db, std::filesystem::copy_options::overwrite_existing);
    fx::RunIsql(db, "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K111', '現金');\n" + script + "\nCOMMIT;\n");
    return db;
}

// Rows of a SELECT, each as its columns joined by "|" in the order given.
inline std::vector<std::string> Rows(const std::filesystem::path& db, const std::string& select, const std::vector<std::string>& columns)
{
    std::vector<std::string> out;
    for (const auto& r : fx::Query(db, select)) {
        std::string line;
        for (const auto& c : columns) line += (line.empty() ? "" : "|") + r.at(c);
        out.push_back(line);
    }
    return out;
}

// A cash payment of travel costs (714 旅費交通費 / 111 現金, outside the tax) posted by the journal
// writer in its own transaction on t's database. Returns the new first-side REC.
inline int PostCashEntry(kb::fb::Transaction& t, kb::Date date, std::int64_t yen, const std::string& text)
{
    kb::TSiwakeWrite w;
    w.SetTransaction(t);
    kb::TSWKREC r;
    w.InitSiwakeRec(r, 0, date);
    r.L.KCODE = "714";
    r.R.KCODE = "111";
    r.L.TAXCODE = r.R.TAXCODE = 810;
    r.KINGAKU = r.L.NUK = r.R.NUK = kb::Currency::FromYen(yen);
    r.TEKTEXT = text;
    kb::fb::TransactionGuard g(t);
    int code = 0;
    std::string message;
    if (!w.TestSiwake(r, code, message)) throw std::runtime_error(message);
    const int rec = w.PutSiwake(r);
    g.Commit();
    return rec;
}

// The data module with the open data set at folder (no host: the embedded engine).
class OpenDataSet : public ::testing::Test {
protected:
    void OpenData(const std::filesystem::path& folder)
    {
        kb::ResetAccRecord();
        kb::SystemDef.OpCode = 100000010;
        kb::SystemDef.JobLevel = 9;
        kb::SystemDef.PCName = "WS01";
        kb::SystemDef.TempDir = (tmp.path() / "temp").string();
        kb::SystemDef.LogDir = (tmp.path() / "log").string();
        kb::SystemDef.DataDir = folder.string();
        kb::SystemDef.HostName.clear();
        kb::SystemDef.DbUser = "SYSDBA";
        kb::SystemDef.DbPassword = "masterkey";
        std::filesystem::create_directories(kb::SystemDef.TempDir);
        std::filesystem::create_directories(kb::SystemDef.LogDir);
        kb::CreateDM();
        auto& c = kb::DM->IBDatabaseDAT;
        c.SetDatabaseName((folder / "vqacc.fdb").string());
        c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        c.Open();
        ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
    }
    void TearDown() override
    {
        if (kb::DM) {
            if (kb::DM->IBTransactionDAT.InTransaction()) kb::DM->IBTransactionDAT.Rollback();
            kb::DM->IBDatabaseDAT.Close();
            kb::FreeDM();
        }
        kb::ResetAccRecord();
    }
    kbtest::TempDir tmp;
};

} // namespace kbtest::exchange
