// The system database brought from its installed schema to 12.0.0 by the update dialog, embedded and
// on a Firebird server of the test's own; the failures a run meets on the way.
#include "Catalogue.h"
#include "common/FakeUi.h"
#include "common/FirebirdServer.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DataUpScript.h"
#include "dbupdate/z5DbUpdateBox.h"
#include "fb/HoldingProcess.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace kb;

namespace {

constexpr const char* kPassword = "Pw-Secret-7";

// Rows of the installed system database that the steps convert, written with bound parameters.
void FillBase(const std::string& database, const std::string& password)
{
    fb::Connection c;
    c.SetDatabaseName(database);
    c.Params() = {"user_name=SYSDBA", "password=" + password, "lc_ctype=SJIS_0208"};
    c.Open();
    fb::Transaction t(&c);
    fb::TransactionGuard g(t);
    auto run = [&](const std::string& sql, const std::vector<std::pair<std::string, std::string>>& texts = {}) {
        fb::Statement s(c, &t);
        s.SetSQL(sql);
        for (const auto& [name, value] : texts) s.ParamByName(name).SetString(value);
        s.ExecQuery();
    };
    run("INSERT INTO USERGROUP (GROUPID, GROUPNAME) VALUES (10000, :N)", {{"N", "標準グループ"}});
    run("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 10, :N, 9)", {{"N", "山田太郎"}});
    run("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 11, :N, 1009)", {{"N", "佐藤花子"}});
    run("INSERT INTO DATALIST (REC, ENTTEXT, SHOUGOU, PASNAME) VALUES (1, 'A', :N, '/srv/Data/0001')", {{"N", "山田商店"}});
    run("INSERT INTO DATALIST (REC, ENTTEXT, SHOUGOU, PASNAME) VALUES (2, 'B', :N, '/srv/Data/0002')", {{"N", "佐藤医院"}});
    for (const char* row : {"9,1,0", "9,8,11", "9,2,4", "1009,2,0", "1009,10,0", "1009,12,0"})
        run(std::string("INSERT INTO JOBCONTROL (LEVELNO, PAGENO, MENUNO) VALUES (") + row + ")");
    run("INSERT INTO SYSDEF (OPCODE, DICTEKAUTO, DICTORAUTO) VALUES (100010, 0, 2)");
    run("INSERT INTO SYSDEF (OPCODE, DICTEKAUTO, DICTORAUTO) VALUES (100011, 1, 0)");
    run("INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (100010, :K, :T, '2')",
        {{"K", "摘要項目の入力区分"}, {"T", "整数"}});
    run("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE2, SSTR) VALUES (10, 1, 5, :S)",
        {{"S", "NAME=見本会計事務所\r\nJYUSHO=東京都千代田区\r\nTEL=03-1234-5678\r\n"}});
    for (int n = 1; n <= 10; ++n) run("INSERT INTO USERCODE (RECNO, NAME) VALUES (" + std::to_string(n) + ", '')");
    run("INSERT INTO GENGO (GNAME, GSIGN) VALUES (:N, 'H')", {{"N", "平成"}});
    g.Commit();
}

std::string Slurp(const fs::path& p) { return fs::exists(p) ? kbtest::ReadFile(p) : std::string(); }

class SystemUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&errors);
        SetMessage2Interceptor([this](TMessage2InfoRec& r) {
            std::string text;
            for (const auto& l : r.Lines)
                if (!l.Text.empty()) text += (text.empty() ? "" : "\n") + l.Text;
            boxes.push_back(text);
            return 1;
        });
        for (const char* d : {"temp", "log", "work", "documents"}) fs::create_directories(tmp / d);
        // The per-version files as the build installs them, in a folder a test may change.
        fs::copy(kbtest::BuildDir() / "sql", tmp / "sql", fs::copy_options::recursive);
        SystemDef.TempDir = (tmp / "temp").string();
        SystemDef.LogDir = (tmp / "log").string();
        SystemDef.WorkDir = (tmp / "work").string();
        SystemDef.DocumentsDir = (tmp / "documents").string();
        SystemDef.SqlDir = (tmp / "sql").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = kPassword;
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = 100010;
        SystemDef.OpNo = 10;
        SystemDef.OpName = "山田太郎";
        SystemDef.PCName = "PC01";
        AppInfo.ZaimuAppTitle = "パヴォナ財務";
    }
    void TearDown() override
    {
        FreeDM();
        SetMessage2Interceptor(nullptr);
        SetDbUpdateListEnd(0, std::nullopt);
        ResetErrorReporter();
        ResetAccRecord();
    }

    // An embedded system database from the installed schema, with the rows above.
    void MakeLocalBase()
    {
        fs::create_directories(tmp / "sys");
        SystemDef.SysDir = (tmp / "sys").string();
        const fs::path base = kbtest::SourceDir() / "tests" / "fixtures" / "dbupdate" / "system-base.sql";
        kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb", kbtest::ReadFile(base));
        FillBase((tmp / "sys" / "vqaccdef.fdb").string(), "masterkey");
        CreateDM();
    }

    // Shows the dialog for the system database, presses OK and returns the modal result.
    int RunDialog(std::vector<std::string>* statuses = nullptr)
    {
        if (!DM->IBDatabaseDEF.Connected()) EXPECT_TRUE(DM->fnAccDefConnected(SystemDef.HostName, true));
        TDbUpdateBox box(DM);
        box.PrepareUpdate(0, "");
        EXPECT_TRUE(box.NeedUpdate());
        EXPECT_FALSE(box.btnCancel->isVisibleTo(&box));
        box.show();
        EXPECT_TRUE(box.btnOk->isEnabled());
        QTest::mouseClick(box.btnOk, Qt::LeftButton);
        if (statuses)
            for (int i = 0; i < box.ListView1->topLevelItemCount(); ++i)
                statuses->push_back(box.ListView1->topLevelItem(i)->text(2).toStdString());
        return box.result();
    }

    std::vector<std::string> Rows(const std::string& sql)
    {
        std::vector<std::string> out;
        if (!DM->IBDatabaseDEF.Connected()) EXPECT_TRUE(DM->fnAccDefConnected(SystemDef.HostName, true));
        fb::TransactionGuard g(DM->IBTransactionDEF, fb::TransactionGuard::Unfinished::Commit);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL(sql);
        for (q.ExecQuery(); !q.Eof(); q.Next()) out.push_back(q.FieldByName("R").AsString());
        return out;
    }
    std::string Version() { return Rows("SELECT FIRST 1 MAJOR || '.' || MINOR1 || '.' || MINOR2 AS R FROM VERSION "
                                        "ORDER BY MAJOR DESC, MINOR1 DESC, MINOR2 DESC").at(0); }

    // The converted rows every full update must leave.
    void ExpectConvertedRows()
    {
        EXPECT_EQ(Rows("SELECT LEVELNO || ' ' || PROC_ID || ' [' || PROC_OPTION || ']' AS R FROM JOBCONTROL2 "
                       "ORDER BY LEVELNO, PROC_ID"),
                  (std::vector<std::string>{"9 SzDataTusin [SyoriType=4]", "9 SzSiwake [SyoriType=1]",
                                            "1009 SzFuzokuKikan []", "1009 SzMBKessansyo []"}));
        // 100010: description side kind 0 with the old input kind 2, partner side kind 2;
        // 100011: description side kind 1, partner side kind 0.
        auto sysreg = Rows("SELECT OPCODE || ' ' || SCODE || '=' || STEXT AS R FROM SYSREG WHERE SCODE CONTAINING '＿'");
        std::sort(sysreg.begin(), sysreg.end());
        EXPECT_EQ(sysreg,
                  (std::vector<std::string>{
                      "100010 取引先＿入力なし区分=0", "100010 取引先＿自動開く区分=1", "100010 取引先＿辞書開く区分=0",
                      "100010 取引先＿連想開く区分=1", "100010 摘要＿入力なし区分=1", "100010 摘要＿自動開く区分=0",
                      "100010 摘要＿辞書開く区分=1", "100010 摘要＿連想開く区分=0",
                      "100011 取引先＿入力なし区分=0", "100011 取引先＿自動開く区分=0", "100011 取引先＿辞書開く区分=1",
                      "100011 取引先＿連想開く区分=0", "100011 摘要＿入力なし区分=0", "100011 摘要＿自動開く区分=1",
                      "100011 摘要＿辞書開く区分=1", "100011 摘要＿連想開く区分=0"}));
        EXPECT_EQ(Rows("SELECT RESERVE1 || ',' || RESERVE2 || ',' || RESERVE3 || ',' || RESERVE4 || ',' || RESERVE5 "
                       "|| ',' || SSTR AS R FROM SYSTEMINI WHERE REC = 10"),
                  (std::vector<std::string>{"1,63,1,0,0,NAME=見本会計事務所\rJYUSHO=東京都千代田区\rTEL=03-1234-5678\r"}));
        EXPECT_EQ(Rows("SELECT GNAME || GSIGN || ' ' || CAST(STARTDATE AS DATE) AS R FROM GENGO ORDER BY STARTDATE"),
                  (std::vector<std::string>{"明治M 1868-09-08", "大正T 1912-07-30", "昭和S 1926-12-25", "平成H 1989-01-08",
                                            "令和R 2019-05-01"}));
        EXPECT_EQ(Rows("SELECT COUNT(*) AS R FROM USERCODE").at(0), "20");
        EXPECT_EQ(Rows("SELECT COUNT(*) AS R FROM DATAPLACEMAN").at(0), "100");
        EXPECT_EQ(Rows("SELECT OPNAME || ':' || PASWORD AS R FROM OPERATOR WHERE OPCODE = 1").at(0), "システムユーザー:");
        const auto memo = Rows("SELECT MEMO AS R FROM VERSION WHERE MAJOR = 12").at(0);
        EXPECT_EQ(memo.substr(19), ",10,山田太郎,PC01") << memo;
        EXPECT_EQ(Rows("SELECT COUNT(*) || ' ' || MAX(REC) AS R FROM VERSION").at(0), "18 18");
    }

    void ExpectNothingLeft()
    {
        EXPECT_FALSE(fs::exists(tmp / "temp" / "vqzdataup.sql"));
        EXPECT_FALSE(fs::exists(tmp / "temp" / "vqzdataup.log"));
        EXPECT_FALSE(fs::exists(tmp / "work" / "dataup.fbk"));
    }

    kbtest::TempDir tmp;
    kbtest::RecordingErrorUi errors;
    std::vector<std::string> boxes;
};

TEST_F(SystemUpdate, EmbeddedFromTheInstalledSchemaTo1200)
{
    MakeLocalBase();
    fs::create_directories(tmp / "documents" / "更新前データ");           // empty: goes
    std::vector<std::string> statuses;
    EXPECT_EQ(RunDialog(&statuses), 1);
    EXPECT_EQ(statuses, std::vector<std::string>(18, "完了"));
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_TRUE(errors.shown.empty()) << errors.shown.front();
    EXPECT_FALSE(fs::exists(tmp / "documents" / "更新前データ"));
    EXPECT_TRUE(DM->IBDatabaseDEF.Connected()); // reconnected
    EXPECT_EQ(Version(), "12.0.0");
    ExpectConvertedRows();
    ExpectNothingLeft();
    EXPECT_FALSE(fs::exists(tmp / "log" / "ErrDataup.txt"));

    DM->IBDatabaseDEF.Close();
    kbtest::CreateDatabase(tmp / "reference.fdb", kbtest::ReadFile(kbtest::SourceDir() / "db" / "system.sql"));
    const auto updated = kbtest::fixture::DumpCatalogue((tmp / "sys" / "vqaccdef.fdb").string());
    const auto reference = kbtest::fixture::DumpCatalogue((tmp / "reference.fdb").string());
    ASSERT_GT(reference.size(), 300u);
    std::string diff;
    for (const auto& l : kbtest::fixture::CatalogueDiff(updated, reference)) diff += l + "\n";
    EXPECT_TRUE(diff.empty()) << diff;
}

TEST_F(SystemUpdate, OnTheLoopbackServer)
{
    if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
    kbtest::FirebirdServer server;
    const fs::path file = server.DataDir() / "vqaccdef.fdb";
    const fs::path base = kbtest::SourceDir() / "tests" / "fixtures" / "dbupdate" / "system-base.sql";
    kbtest::CreateDatabase(file, kbtest::ReadFile(base));
    FillBase(file.string(), "masterkey");
    ConnectMode = 1;
    SystemDef.HostName = "127.0.0.1/" + std::to_string(server.Port());
    SystemDef.SysDir = server.DataDir().string();
    SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
    CreateDM();
    EXPECT_EQ(RunDialog(), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(Version(), "12.0.0");
    ExpectConvertedRows();
    ExpectNothingLeft();
    // Folder names stay as written: the paths are case-sensitive.
    EXPECT_EQ(Rows("SELECT PASNAME AS R FROM DATALIST WHERE REC = 1").at(0), "/srv/Data/0001");
    DM->IBDatabaseDEF.Close();
    const auto updated = kbtest::fixture::DumpCatalogue(server.Address(file), "SYSDBA", kbtest::FirebirdServer::kPassword);
    kbtest::CreateDatabase(tmp / "reference.fdb", kbtest::ReadFile(kbtest::SourceDir() / "db" / "system.sql"));
    const auto reference = kbtest::fixture::DumpCatalogue((tmp / "reference.fdb").string());
    EXPECT_TRUE(kbtest::fixture::CatalogueDiff(updated, reference).empty());
}

class SystemUpdateFrom1101 : public SystemUpdate {
protected:
    void SetUp() override
    {
        SystemUpdate::SetUp();
        MakeLocalBase();
        SetDbUpdateListEnd(0, StrToVersionRec("11.0.1"));
        EXPECT_EQ(RunDialog(), 1);
        SetDbUpdateListEnd(0, std::nullopt);
        ASSERT_EQ(Version(), "11.0.1");
        boxes.clear();
    }
};

TEST_F(SystemUpdateFrom1101, AFailingStatementRestoresTheDatabaseAndLogsWithoutThePassword)
{
    kbtest::WriteFile(tmp / "sql" / "1200" / "sysup01.sql", "ALTER TABLE NO_SUCH_TABLE ADD X INTEGER;\r\nCOMMIT;\r\n");
    std::vector<std::string> statuses;
    EXPECT_EQ(RunDialog(&statuses), 4);
    EXPECT_EQ(statuses, std::vector<std::string>{"失敗"});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Ver 12.0.0のデータベース更新に失敗しました。");
    EXPECT_EQ(boxes[1], "システムデータの更新に失敗しました。");
    // The version record was committed before the failing statement: only the restore takes it back.
    EXPECT_EQ(Version(), "11.0.1");
    const std::string log = Cp932ToUtf8(Slurp(tmp / "log" / "ErrDataup.txt"));
    EXPECT_NE(log.find("NO_SUCH_TABLE"), std::string::npos) << log;
    EXPECT_NE(log.find("CONNECT"), std::string::npos) << log;
    EXPECT_EQ(log.find(kPassword), std::string::npos) << log;
    EXPECT_EQ(Slurp(tmp / "log" / "ErrDataup.log"), Slurp(tmp / "log" / "ErrDataup.txt"));
    ExpectNothingLeft();
}

TEST_F(SystemUpdateFrom1101, AMissingFileStopsBeforeAnythingRuns)
{
    fs::remove(tmp / "sql" / "1200" / "sysup01.sql");
    fs::create_directories(tmp / "documents" / "更新前データ");
    kbtest::WriteFile(tmp / "documents" / "更新前データ" / "memo.txt", "mine");
    std::vector<std::string> statuses;
    EXPECT_EQ(RunDialog(&statuses), 4);
    EXPECT_EQ(statuses, std::vector<std::string>{"ﾌｧｲﾙ不足"});
    EXPECT_EQ(Version(), "11.0.1");
    EXPECT_TRUE(fs::exists(tmp / "documents" / "更新前データ" / "memo.txt")); // the user's file stays
    ExpectNothingLeft();
}

TEST_F(SystemUpdateFrom1101, ASecondAttachmentRefusesTheRun)
{
    kbtest::HoldingProcess other((tmp / "sys" / "vqaccdef.fdb").string());
    EXPECT_EQ(RunDialog(), 4);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("現在、他のオペレータがシステムを利用中です。\n"
                             "データベースの更新を行うには、システムを終了するようにご連絡して下さい。\n"
                             "利用中のオペレータ (異常終了時のオペレータ含む)", 0),
              0u)
        << boxes[0];
    EXPECT_EQ(Version(), "11.0.1");
    EXPECT_TRUE(DM->IBDatabaseDEF.Connected());
}

} // namespace
