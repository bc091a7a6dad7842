// "WebMenuL": the other operators logged on to the system, opened by name as a hosting menu does.
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/FormRegistry.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateBox.h"
#include "dbupdate/z5WebMenuL.h"
#include "platform/Text.h"

#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class WebMenuL : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        fs::create_directories(tmp / "sys");
        kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb", kbtest::ReadFile(kbtest::SourceDir() / "db" / "system.sql"));
        SystemDef.SysDir = (tmp / "sys").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.OpCode = 100010;
        CreateDM();
        ASSERT_TRUE(DM->fnAccDefConnected("", true));
        Exec("INSERT INTO USERGROUP (GROUPID) VALUES (10000)");
        Exec("INSERT INTO USERGROUP (GROUPID) VALUES (20000)");
        Operator(10000, 10, "山田太郎");
        Operator(10000, 11, "佐藤花子");
        Operator(20000, 5, "鈴木一郎");
        LogOn(100010, 10000, 10, "PC01"); // the own operator is never listed
        RegisterDbUpdateForms();
    }
    void TearDown() override
    {
        FreeDM();
        ResetAccRecord();
    }
    void Exec(const std::string& sql, const std::string& text = {})
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement s(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        s.SetSQL(sql);
        if (!text.empty()) s.ParamByName("T").SetString(text);
        s.ExecQuery();
        g.Commit();
    }
    void Operator(int group, int code, const std::string& name)
    {
        Exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME) VALUES (" + std::to_string(group) + ", " + std::to_string(code) +
                 ", :T)",
             name);
    }
    void LogOn(int number, int group, int code, const std::string& pc)
    {
        Exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (" + std::to_string(number) + ", " +
                 std::to_string(group) + ", " + std::to_string(code) + ", :T)",
             pc);
    }
    // Opens the form by name modally; rows holds the grid as it was shown; returns Execute's answer.
    int OpenByName(std::vector<std::string>& rows, bool& shown)
    {
        auto form = CreateRegisteredForm("WebMenuL");
        EXPECT_NE(form, nullptr);
        ISyoriKidou* kidou = SupportsSyoriKidou(form.get());
        EXPECT_NE(kidou, nullptr);
        kidou->SetParams({"SyoriType=0", "FormStyle=2"});
        shown = false;
        QTimer::singleShot(300, [&] {
            auto* w = qobject_cast<TfmWebMenuL*>(QApplication::activeModalWidget());
            if (!w) return;
            shown = true;
            for (int r = 0; r < w->PerfectGrid1->rowCount(); ++r)
                rows.push_back(w->PerfectGrid1->item(r, 0)->text().toStdString() + " " +
                               w->PerfectGrid1->item(r, 1)->text().toStdString() + " " +
                               w->PerfectGrid1->item(r, 2)->text().toStdString());
            QTest::keyClick(w, Qt::Key_F12);
        });
        return kidou->Execute(1);
    }

    kbtest::TempDir tmp;
};

TEST_F(WebMenuL, ListsEveryOtherLogOnAndClosesWithF12)
{
    LogOn(100011, 10000, 11, "PC02");
    LogOn(100011, 10000, 11, "PC03");
    LogOn(200005, 20000, 5, "PC04");
    LogOn(100099, 10000, 99, "PC05"); // no OPERATOR row: listed without a name
    std::vector<std::string> rows;
    bool shown = false;
    EXPECT_EQ(OpenByName(rows, shown), 1);
    EXPECT_TRUE(shown);
    EXPECT_EQ(rows, (std::vector<std::string>{"1 11 佐藤花子", "2 11 佐藤花子", "3 5 鈴木一郎", "4 99 "}));
}

TEST_F(WebMenuL, AloneItClosesItselfWithZero)
{
    std::vector<std::string> rows;
    bool shown = false;
    EXPECT_EQ(OpenByName(rows, shown), 0);
    EXPECT_FALSE(shown);
}

TEST_F(WebMenuL, MoreThanNinetyNineOthersAllFit)
{
    for (int i = 0; i < 120; ++i) LogOn(100011, 10000, 11, "PC" + std::to_string(100 + i));
    const auto ops = ReadLoggedOnOperators(*DM, SystemDef.OpCode);
    ASSERT_EQ(ops.size(), 120u);
    EXPECT_EQ(ops.back().OpName, "佐藤花子");
}

} // namespace
