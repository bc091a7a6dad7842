// The whole road for the real-estate and agriculture fixtures on the data module: the ledger
// computes the balances from the journal, the reader and the data maker write DATA, and it equals
// the hand-written files.

#include <gtest/gtest.h>

#include <filesystem>

#include "FixtureBuilder.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "linkage/ComRendo.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "z5ComKojinFudosanNougyouSupport.h"

namespace fs = std::filesystem;
namespace fx = kbtest::fixture;
using namespace kbtest::linkage;

namespace {

class StatementOnTheLedger : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kbtest::PrepareFirebird();
        suiteDir_ = new kbtest::TempDir;
        fx::BuildRealEstateDataSet(suiteDir_->path() / "0002", 2);
        fx::BuildAgricultureDataSet(suiteDir_->path() / "0003", 3);
    }
    static void TearDownTestSuite()
    {
        delete suiteDir_;
        suiteDir_ = nullptr;
    }

    void OpenDataSet(const std::string& folder, const std::string& script)
    {
        const fs::path file = tmp.path() / "vqacc.fdb";
        fs::copy_file(suiteDir_->path() / folder / "vqacc.fdb", file);
        kbtest::RunIsql(file, script + "COMMIT;\n");
        kb::ResetAccRecord();
        kb::ResetAccZanTables();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::SystemDef.LogDir = (tmp.path() / "log").string();
        fs::create_directories(kb::SystemDef.LogDir);
        if (kb::GengoList.empty()) kb::InitGengoTable();
        kb::CreateDM();
        auto& db = kb::DM->IBDatabaseDAT;
        db.SetDatabaseName(file.string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
        ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
        kb::KessansyoBalanceMaker = kb::LedgerKessansyoBalance;
    }

    void TearDown() override
    {
        if (kb::DM) {
            kb::DM->IBDatabaseDAT.Close();
            kb::FreeDM();
        }
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    std::string Write(int kind, bool details)
    {
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRoot("REPORT");
        kb::SyotokuzeiWriteData(doc, {kind, kb::AccInf.CODETYPE, details, kb::AccInf.TAXDEFUH});
        return doc.SaveToBytes();
    }

    kbtest::TempDir tmp;
    kbtest::RecordingErrorUi ui;
    static kbtest::TempDir* suiteDir_;
};
kbtest::TempDir* StatementOnTheLedger::suiteDir_ = nullptr;

TEST_F(StatementOnTheLedger, RealEstateDataEqualsTheHandWrittenFile)
{
    OpenDataSet("0002", "");
    ASSERT_EQ(kb::AccInf.CODETYPE, 2);
    const std::string xml = Write(3, false);
    EXPECT_TRUE(SameTree(DropBlocks(ExpectedLines("fudousan-fixture.xml"), "FUDOUSANSYOTOKU",
                                    {"FUDOUSANSYUUNYUU", "KYUURYOUTINGIN", "SENJUUSYA", "TIDAIYATIN",
                                     "KARIIREKINRISI", "ZEIRISIHOUSYUU", "TOKUSYUJIJOU"}),
                         xml));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(StatementOnTheLedger, AgricultureDataEqualsTheHandWrittenFile)
{
    OpenDataSet("0003", "UPDATE ACCDEF1 SET AO_YAGO = '農業三郎農園';\n");
    ASSERT_EQ(kb::AccInf.CODETYPE, 4);
    EXPECT_TRUE(SameTree(ExpectedLines("nougyou-fixture.xml"), Write(4, true)));
    EXPECT_TRUE(ui.shown.empty());
}

} // namespace
