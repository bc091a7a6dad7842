#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/Statement.h"
#include "ui/SDIStore.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace kb;

namespace {

// The project's own system-database schema.
std::string SystemSchema()
{
    std::ifstream in(kbtest::SourceDir() / "db" / "system.sql", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The data set's operation log. The procedure's body belongs to the data database; this one
// records each call together with the number of OPINF rows at that moment.
const char* kDataSchema = R"(
CREATE TABLE OPINF (
  OPCODE INTEGER, JOBNAME VARCHAR(80) CHARACTER SET SJIS_0208, PCNAME VARCHAR(60) CHARACTER SET SJIS_0208,
  OPENTIME TIMESTAMP
);
CREATE TABLE OPINF_CALLS (
  SEQ INTEGER, OPCODE INTEGER, JOBNAME VARCHAR(80) CHARACTER SET SJIS_0208,
  STATE VARCHAR(20) CHARACTER SET SJIS_0208, OPINF_ROWS INTEGER
);
CREATE GENERATOR GEN_CALLS;
SET TERM ^ ;
CREATE PROCEDURE OPINF_DELETE (OPCODE INTEGER, JOBNAME VARCHAR(80) CHARACTER SET SJIS_0208,
                               STATE VARCHAR(20) CHARACTER SET SJIS_0208) AS
BEGIN
  INSERT INTO OPINF_CALLS VALUES (GEN_ID(GEN_CALLS, 1), :OPCODE, :JOBNAME, :STATE, (SELECT COUNT(*) FROM OPINF));
END^
SET TERM ; ^
COMMIT;
)";

using Ui = kbtest::RecordingErrorUi;

class BaseFormStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        SystemDef.LogDir = tmp.path().string();
        SystemDef.OpCode = 100001;
        SystemDef.PCName = "PC01";
        kbtest::PrepareFirebird();
        const auto sys = kbtest::CreateDatabase(tmp / "vqaccdef.fdb", SystemSchema());
        const auto dat = kbtest::CreateDatabase(tmp / "vqacc.fdb", kDataSchema);
        CreateDM();
        for (auto [c, f] : {std::pair{&DM->IBDatabaseDEF, sys}, std::pair{&DM->IBDatabaseDAT, dat}}) {
            c->SetDatabaseName(f.string());
            c->Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
            c->Open();
        }
        SetBSDIEnvironment(&env);
    }
    void TearDown() override
    {
        SetBSDIEnvironment(nullptr);
        FreeDM();
        ResetErrorReporter();
        ResetAccRecord();
    }
    std::vector<std::string> Rows(fb::Connection& db, const std::string& sql, const std::vector<std::string>& cols)
    {
        fb::Transaction t(&db);
        t.StartTransaction();
        fb::Statement q(db, &t);
        q.SetSQL(sql);
        std::vector<std::string> out;
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            std::string row;
            for (const auto& c : cols)
                row += (row.empty() ? "" : "|") + q.FieldByName(c).AsString();
            out.push_back(row);
        }
        t.Commit();
        return out;
    }
    TBSDI* NewForm()
    {
        auto* f = new TBSDI(nullptr, false);
        f->setObjectName("frmDataKanri");
        f->setWindowTitle("データ管理");
        f->resize(800, 500);
        f->Initialized = true;
        return f;
    }
    kbtest::TempDir tmp;
    Ui ui;
    TBSDIDataModuleEnvironment env;
};

} // namespace

TEST_F(BaseFormStore, SizesPerOperatorInFormrsize)
{
    env.AccInfoReloader = [] {};
    TBSDI* f = NewForm();
    f->show();
    EXPECT_EQ(f->size(), QSize(1012, 648));
    EXPECT_EQ(Rows(DM->IBDatabaseDEF, "SELECT * FROM FORMRSIZE",
                   {"OPCODE", "FMNAME", "FMTOP", "FMLEFT", "FMHEIGHT", "FMWIDTH", "DEFHEIGHT", "DEFWIDTH"}),
              (std::vector<std::string>{"100001|frmDataKanri|0|0|648|1012|648|1012"}));
    f->move(-30, 60);
    f->resize(900, 610);
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Rows(DM->IBDatabaseDEF, "SELECT * FROM FORMRSIZE", {"FMTOP", "FMLEFT", "FMHEIGHT", "FMWIDTH",
                                                                   "DEFHEIGHT", "DEFWIDTH"}),
              (std::vector<std::string>{"60|0|610|900|648|1012"})); // a negative Left is stored as 0

    TBSDI* again = NewForm();
    again->show();
    EXPECT_EQ(again->pos(), QPoint(0, 60));
    EXPECT_EQ(again->size(), QSize(900, 610));
    again->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    SystemDef.OpCode = 100002;
    TBSDI* other = NewForm();
    other->show();
    EXPECT_EQ(other->size(), QSize(1012, 648));
    other->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Rows(DM->IBDatabaseDEF, "SELECT OPCODE FROM FORMRSIZE ORDER BY OPCODE", {"OPCODE"}),
              (std::vector<std::string>{"100001", "100002"}));
    EXPECT_FALSE(DM->IBTransactionDEF.InTransaction());
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(BaseFormStore, OperationLogHandsOverTheCrashStateBeforeTheOpenRecord)
{
    env.AccInfoReloader = [] {};
    TBSDI* f = NewForm();
    f->show();
    EXPECT_EQ(Rows(DM->IBDatabaseDAT, "SELECT * FROM OPINF_CALLS ORDER BY SEQ", {"OPCODE", "JOBNAME", "STATE", "OPINF_ROWS"}),
              (std::vector<std::string>{"100001|データ管理|エラー終了|0"}));
    EXPECT_EQ(Rows(DM->IBDatabaseDAT, "SELECT * FROM OPINF", {"OPCODE", "JOBNAME", "PCNAME"}),
              (std::vector<std::string>{"100001|データ管理|PC01"}));
    EXPECT_FALSE(f->IBTransactionDAT.InTransaction());
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Rows(DM->IBDatabaseDAT, "SELECT STATE FROM OPINF_CALLS ORDER BY SEQ", {"STATE"}),
              (std::vector<std::string>{"エラー終了", "正常終了"}));
}

TEST_F(BaseFormStore, MissingFactsReloaderFailsTheFirstShowClearly)
{
    TBSDI* f = NewForm();
    f->show();
    EXPECT_FALSE(f->Shown);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("TBSDI.FormShow"), std::string::npos);
    f->KeepOnClose = true;
    f->UseFormSize = false;
    f->close();
    delete f;
}

TEST_F(BaseFormStore, ScreenValuesAndQueries)
{
    TBSDI form;
    form.KeepOnClose = true;
    form.setObjectName("frmKensaku");
    form.GamenKeyText = "前回の条件";
    form.PutGamenKeyValue();
    form.GamenKeyText.clear();
    form.GetGamenKeyValue();
    EXPECT_EQ(form.GamenKeyText, "前回の条件");
    EXPECT_EQ(Rows(DM->IBDatabaseDEF, "SELECT STYLENAME FROM STYLECOLOR", {"STYLENAME"}),
              (std::vector<std::string>{"020-FRMKENSAKU"}));

    auto q = form.CreateQuery();
    ASSERT_TRUE(q);
    form.IBTransactionDAT.StartTransaction();
    q->SetSQL("SELECT COUNT(*) AS N FROM OPINF");
    q->ExecQuery();
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 0);
    q->Close();
    form.IBTransactionDAT.Commit();
}
