#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/HoldingProcess.h"
#include "platform/ChildProcess.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kb;

namespace {

using RecordingUi = kbtest::RecordingErrorUi;

struct RecordingRecorder : IDataSetUseRecorder {
    std::vector<std::string> calls;
    void RecordUseStart(const std::string& folder) override { calls.push_back("start " + folder); }
    void RecordUseEnd(const std::string& folder, bool end, bool list) override
    {
        calls.push_back("end " + folder + (end ? " E" : "") + (list ? " L" : ""));
    }
};

// The company name goes in as a parameter: isql's standard input loses CP932 text.
void MakeDataSet(const std::filesystem::path& file, const std::string& shougou)
{
    kbtest::CreateDatabase(file, "CREATE TABLE ACCDEF1 (SHOUGOU VARCHAR(40));\nCOMMIT;\n");
    fb::Connection c;
    c.SetDatabaseName(file.string());
    c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    c.Open();
    fb::Transaction t(&c);
    fb::TransactionGuard g(t);
    fb::Statement ins(c, &t);
    ins.SetSQL("INSERT INTO ACCDEF1 (SHOUGOU) VALUES (:SHOUGOU)");
    ins.ParamByName("SHOUGOU").SetString(shougou);
    ins.ExecQuery();
    g.Commit();
}

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        SetDataSetUseRecorder(&recorder);
        std::filesystem::create_directories(tmp / "sys");
        std::filesystem::create_directories(tmp / "log");
        std::filesystem::create_directories(tmp / "data1");
        std::filesystem::create_directories(tmp / "data2");
        kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb", "CREATE TABLE VERSION (MAJOR INTEGER);\nCOMMIT;\n");
        MakeDataSet(tmp / "data1" / "vqacc.fdb", "㈱山田商店");
        MakeDataSet(tmp / "data2" / "vqacc.fdb", "佐藤①");
        SystemDef.SysDir = (tmp / "sys").string();
        SystemDef.LogDir = (tmp / "log").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.PCName = "PC9";
        SystemDef.OpCode = 100002;
        CreateDM();
    }
    void TearDown() override
    {
        FreeDM();
        SetDataSetUseRecorder(nullptr);
        ResetErrorReporter();
        ResetAccRecord();
    }
    std::string Folder(const char* name) const { return (tmp / name).string(); }
    std::string Shougou()
    {
        fb::TransactionGuard g(DM->IBTransactionDAT);
        DM->IBQACC1.SetSQL("SELECT SHOUGOU FROM ACCDEF1");
        DM->IBQACC1.ExecQuery();
        return DM->IBQACC1.FieldByName("SHOUGOU").AsString();
    }

    kbtest::TempDir tmp;
    RecordingUi ui;
    RecordingRecorder recorder;
};

std::string ReadCp932(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return Cp932ToUtf8(ss.str());
}

} // namespace

TEST_F(DataModuleTest, ConnectsSystemAndDataSetsAndSwitchesWithoutRecording)
{
    ASSERT_TRUE(DM->fnAccDefConnected("", true));
    EXPECT_EQ(DM->IBDatabaseDEF.DatabaseName(), Folder("sys") + "/vqaccdef.fdb");
    EXPECT_EQ(DM->IBDatabaseDEF.Params(),
              (std::vector<std::string>{"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"}));
    // A caller's open transaction survives a call that finds the database connected.
    DM->IBTransactionDEF.StartTransaction();
    EXPECT_TRUE(DM->fnAccDefConnected("", true));
    EXPECT_TRUE(DM->IBTransactionDEF.InTransaction());
    DM->IBTransactionDEF.Commit();

    ASSERT_TRUE(DM->fnAccDatConnected("", Folder("data1"), true));
    EXPECT_EQ(Shougou(), "㈱山田商店");
    SystemDef.DataDir = Folder("data2");
    ASSERT_TRUE(DM->fnAccDatConnected("", "", false)); // empty folder: SystemDef.DataDir
    EXPECT_EQ(Shougou(), "佐藤①");
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"start " + Folder("data1")})); // no end for data1

    ASSERT_TRUE(DM->fnAccDatDisConnected("", true, false));
    EXPECT_FALSE(DM->IBDatabaseDAT.Connected());
    EXPECT_TRUE(DM->IBDatabaseDAT.Params().empty());
    EXPECT_EQ(recorder.calls.back(), "end " + Folder("data2") + " E");
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(DataModuleTest, DisconnectRecordsOnlyWhatIsAsked)
{
    struct Case {
        bool end, list;
        std::uint8_t appKind;
        const char* expected; // "" = not called
    };
    const Case cases[] = {
        {false, false, 0, ""},
        {true, false, 0, " E"},
        {false, true, 0, " L"},
        {true, true, 0, " E L"},
        {false, true, 1, ""},   // a viewer never touches the data list
        {true, true, 1, " E"},
    };
    for (const auto& c : cases) {
        AppKind = c.appKind;
        recorder.calls.clear();
        ASSERT_TRUE(DM->fnAccDatConnected("", Folder("data1"), false));
        EXPECT_TRUE(DM->fnAccDatDisConnected(Folder("data1"), c.end, c.list));
        const std::vector<std::string> want =
            *c.expected ? std::vector<std::string>{"end " + Folder("data1") + c.expected} : std::vector<std::string>{};
        EXPECT_EQ(recorder.calls, want) << c.end << c.list << int(c.appKind);
        EXPECT_FALSE(DM->IBDatabaseDAT.Connected());
    }
}

TEST_F(DataModuleTest, MissingDataSetIsReportedLoggedAndNotDamageChecked)
{
    SystemDef.DataCheckKbn = 1;
    std::vector<std::string> checks;
    DataDamageCheckHook = [&](const std::string& host, const std::string& folder, int quiet) {
        checks.push_back(host + "|" + folder + "|" + std::to_string(quiet));
        return 0;
    };
    std::filesystem::create_directories(tmp / "empty");
    EXPECT_FALSE(DM->fnAccDatConnected("", Folder("empty"), false));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または 使用中の可能性がありますので"
                                "接続パスを確認して下さい。\r\r[詳細情報]\rIBXエラーコード:335544344\r",
                                0),
              0u)
        << ui.shown[0];
    EXPECT_TRUE(checks.empty());
    const std::string log = ReadCp932(tmp / "log" / "ErrFbAccess.log");
    EXPECT_NE(log.find(",PC9,100002,"), std::string::npos) << log;
    EXPECT_NE(log.find("Error=TDM.fnAccDatConnected [335544344] (-902) （ファイルの入出力エラーが発生しました）,"), std::string::npos) << log;
    EXPECT_NE(log.find("DBName=:" + Folder("empty") + "/vqacc.fdb"), std::string::npos) << log;

    // A file that is there but is no database: the damage check runs, quietly.
    { std::ofstream(tmp / "empty" / "vqacc.fdb") << std::string(20000, 'x'); }
    EXPECT_FALSE(DM->fnAccDatConnected("", Folder("empty"), false));
    EXPECT_EQ(checks, (std::vector<std::string>{"|" + Folder("empty") + "|1"}));
    // ... but only when the group's switch asks for it.
    SystemDef.DataCheckKbn = 0;
    EXPECT_FALSE(DM->fnAccDatConnected("", Folder("empty"), false));
    EXPECT_EQ(checks.size(), 1u);
    EXPECT_EQ(DM->CheckDataDamage("h", "f", true, 0), 0); // forced: the hook answers
    DataDamageCheckHook = nullptr;
    EXPECT_EQ(DM->CheckDataDamage("h", "f", true, 0), 1);
}

TEST_F(DataModuleTest, SystemConnectReportsOrPassesOnByRequest)
{
    SystemDef.SysDir = Folder("nowhere");
    EXPECT_THROW(DM->fnAccDefConnected("", false), FbError);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(DM->fnAccDefConnected("", true));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("システムデータベースの接続処理に失敗しました。\r\r[詳細情報]\rIBXエラーコード:335544344", 0), 0u);
}

TEST_F(DataModuleTest, UseRecordingThatIsNotAvailableFailsClearly)
{
    SetDataSetUseRecorder(nullptr);
    EXPECT_FALSE(DM->fnAccDatConnected("", Folder("data1"), true));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("data-set use recording is not available"), std::string::npos);
    // No stray attachment stays behind to make the data set look in use.
    EXPECT_FALSE(DM->IBDatabaseDAT.Connected());
    EXPECT_THROW(DM->fnAccDatDisConnected(Folder("data1"), true, false), std::logic_error);
    EXPECT_TRUE(DM->fnAccDatDisConnected(Folder("data1"), false, false));
}

TEST_F(DataModuleTest, InConnectionSeesOtherProcessesButNotItsOwnAttachment)
{
    ASSERT_TRUE(DM->fnAccDatConnected("", Folder("data1"), false));
    DM->IBTransactionDAT.StartTransaction();
    // keepOwn: our attachment stays and counts, and the caller's transaction is untouched.
    EXPECT_TRUE(DM->AccDatInConnection(1, "", true, Folder("data1")));
    EXPECT_TRUE(DM->IBTransactionDAT.InTransaction());
    DM->IBTransactionDAT.Commit();

    EXPECT_FALSE(DM->AccDatInConnection(1, "", false, Folder("data1")));
    EXPECT_TRUE(DM->IBDatabaseDAT.Connected()); // re-attached afterwards
    EXPECT_EQ(Shougou(), "㈱山田商店");
    EXPECT_FALSE(DM->AccDatInConnection(1, "", false, "  "));
    EXPECT_FALSE(DM->AccDatInConnection(1, "", false, Folder("nowhere")));
    EXPECT_TRUE(ui.shown.empty());

    {
        // The holder returns once its attachment has answered a statement: the probe must see it at once.
        kbtest::HoldingProcess other((tmp / "data1" / "vqacc.fdb").string());
        EXPECT_TRUE(DM->AccDatInConnection(1, "", false, Folder("data1")));
        EXPECT_FALSE(DM->AccDatInConnection(1, "", false, Folder("data2")));
    }
    {
        // A process that has the file open but has not (yet) answered a monitoring request is not
        // taken for free: here one that only holds the file as its standard input.
        kb::ChildProcess opener({"sleep", "60"});
        opener.SetInputFile(tmp / "data2" / "vqacc.fdb");
        opener.Start();
        EXPECT_TRUE(DM->AccDatInConnection(1, "", false, Folder("data2")));
        opener.Terminate();
        EXPECT_FALSE(DM->AccDatInConnection(1, "", false, Folder("data2")));
    }
    EXPECT_TRUE(DM->IBDatabaseDAT.Connected());

    ASSERT_TRUE(DM->fnAccDefConnected("", true));
    EXPECT_FALSE(DM->AccDatInConnection(0, "", false, Folder("sys")));
    EXPECT_TRUE(DM->IBDatabaseDEF.Connected());
}

TEST_F(DataModuleTest, DropDatabaseRemovesTheFileAndReportsFailures)
{
    EXPECT_FALSE(DM->AccDatDropDatabase("", ""));
    EXPECT_TRUE(DM->AccDatDropDatabase("", Folder("data2")));
    EXPECT_FALSE(std::filesystem::exists(tmp / "data2" / "vqacc.fdb"));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(DM->AccDatDropDatabase("", Folder("data2")));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("ユーザーデータベースの削除処理に失敗しました。\r接続パスを確認して下さい。\r\r[詳細情報]", 0), 0u);
}

TEST_F(DataModuleTest, FileManagerConnectsSilently)
{
    EXPECT_FALSE(DM->fnFileManConnected(""));
    kbtest::CreateDatabase(tmp / "sys" / "vqfileman.fdb");
    EXPECT_TRUE(DM->fnFileManConnected(""));
    EXPECT_TRUE(DM->fnFileManConnected(""));
    EXPECT_TRUE(ui.shown.empty());
}

TEST(DataModulePaths, ServerPathRule)
{
    struct Case {
        std::uint8_t mode;
        const char* host;
        const char* expected;
    };
    const Case cases[] = {
        {0, "", "/d/vqacc.fdb"},
        {0, "srv", "/d/vqacc.fdb"},
        {1, "127.0.0.1", "/d/vqacc.fdb"},
        {1, "srv", "srv:/d/vqacc.fdb"},
        {2, "srv/3051", "srv/3051:/d/vqacc.fdb"},
        {1, "", "/d/vqacc.fdb"},
    };
    for (const auto& c : cases) {
        ConnectMode = c.mode;
        EXPECT_EQ(TDM::ServerPath(c.host, "/d/", "vqacc.fdb"), c.expected) << int(c.mode) << c.host;
    }
    ConnectMode = 0;
}

TEST(DataModuleTimers, QueuedCallsRunOnceFromTheEventLoop)
{
    ResetAccRecord();
    TDM dm;
    std::vector<std::string> opened;
    OpenRegisteredFormHook = [&](const std::string& name, int mode, const std::string& params) {
        opened.push_back(name + "|" + std::to_string(mode) + "|" + params);
        return 1;
    };
    std::vector<std::intptr_t> closed;
    PostCloseHook = [&](std::intptr_t w) { closed.push_back(w); };

    dm.ProcessTimers(); // disabled at start: nothing happens
    EXPECT_TRUE(opened.empty());
    dm.QueueRegisteredForm("SzDataSenkaku", 1, "SyoriType=3");
    dm.TimerFormClose.Tag = 42;
    dm.TimerFormClose.Enabled = true;
    dm.ProcessTimers();
    dm.ProcessTimers();
    EXPECT_EQ(opened, (std::vector<std::string>{"SzDataSenkaku|1|SyoriType=3"}));
    EXPECT_EQ(closed, (std::vector<std::intptr_t>{42}));
    EXPECT_EQ(dm.TimerFormClose.Tag, 0);
    EXPECT_FALSE(dm.TimerSyoriKidou.Enabled);
    // The pending job was cleared: a bare enable opens an empty name.
    dm.TimerSyoriKidou.Enabled = true;
    dm.ProcessTimers();
    EXPECT_EQ(opened.back(), "|0|");
    PostCloseHook = nullptr;
    ResetAccRecord();
}
