#pragma once
// A data set for the ledger tests, opened on the data module as the wizard opens it, with the
// open-data facts the readers use and an error box that records what would be shown.

#include "DataSetWriter.h"
#include "FixtureBuilder.h"
#include "common/TestDb.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace kbtest::ledger {

enum class DataSetKind { General, Loss, NoProcedures };

struct RecordingErrorUi : kb::IErrorUi {
    std::vector<std::string> shown;
    void ShowMessageBox(const std::string& text, kb::TMsgDlgType) override { shown.push_back(text); }
    void RequestTerminate() override {}
};

// An individual's small data set that ends the year with a loss: sales 100,000, expenses 300,000.
inline void BuildLossDataSet(const std::filesystem::path& folder)
{
    namespace fx = kbtest::fixture;
    fx::DataSetSpec s;
    s.folder = folder;
    s.rec = 1;
    s.listName = "赤字五郎";
    s.shougou = "赤字商店";
    s.kana = "ｱｶｼﾞ";
    s.dataCode = "0009";
    s.layout = {{1, "1100", 1, "現金"}, {2, "2100", 23, "元入金"}, {3, "4100", 1, "売上(収入)金額"}, {4, "6100", 10, "消耗品費"}};
    s.accounts = {
        {"111", "現金", "1100", "1100", 1, 1, 500000, {}},
        {"411", "元入金", "2100", "2100", 3, 2, 500000, {}},
        {"511", "売上高", "4100", "4100", 3, 3, 0, {}},
        {"720", "消耗品費", "6100", "6100", 1, 4, 0, {}},
    };
    fx::Entry sale;
    sale.date = "2025-03-10";
    sale.debit.code = "111";
    sale.credit.code = "511";
    sale.amount = 100000;
    fx::Entry cost;
    cost.date = "2025-04-10";
    cost.debit.code = "720";
    cost.credit.code = "111";
    cost.amount = 300000;
    s.entries = {sale, cost};
    s.extraSql = "UPDATE ACCTOTALNAME SET MODIFY = 1, MINUSNAME = '売上総損失' WHERE KGROUP = '5900';\n"
                 "UPDATE ACCTOTALNAME SET MODIFY = 1, MINUSNAME = '営業損失' WHERE KGROUP = '6200';\n"
                 "UPDATE ACCTOTALNAME SET MODIFY = 1, PLUSNAME = '経常利益', MINUSNAME = '経常損失' WHERE KGROUP = '7300';\n";
    fx::WriteDataSet(s);
}

class LedgerDb : public ::testing::Test {
protected:
    static void BuildSuite(DataSetKind kind)
    {
        kbtest::PrepareFirebird();
        dir_ = new kbtest::TempDir;
        const auto folder = dir_->path() / "0001";
        switch (kind) {
        case DataSetKind::General: kbtest::fixture::BuildGeneralDataSet(folder, 1); break;
        case DataSetKind::Loss: BuildLossDataSet(folder); break;
        case DataSetKind::NoProcedures:
            std::filesystem::create_directories(folder);
            kbtest::CreateDatabase(folder / "vqacc.fdb", "CREATE TABLE ACCDEF1 (REC INTEGER, BUMON INTEGER);\nCOMMIT;\n");
            break;
        }
    }
    static void FreeSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        kb::ResetAccRecord();
        kb::ResetAccZanTables();
        kb::AccZanSetTables(false);
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::AccInf.DATATYPE = 2;
        kb::AccInf.CODETYPE = 1;
        kb::AccInf.KAISINO = 1;
        kb::AccInf.TAXDEFUH = 0;
        kb::SystemDef.LogDir = (dir_->path() / "log").string();
        std::filesystem::create_directories(kb::SystemDef.LogDir);
        kb::CreateDM();
        auto& db = kb::DM->IBDatabaseDAT;
        db.SetDatabaseName((dir_->path() / "0001" / "vqacc.fdb").string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
    }
    void TearDown() override
    {
        kb::DM->IBDatabaseDAT.Close();
        kb::FreeDM();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    RecordingErrorUi ui;
    static inline kbtest::TempDir* dir_ = nullptr;
};

} // namespace kbtest::ledger
