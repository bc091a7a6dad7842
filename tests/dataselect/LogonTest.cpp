// The operator log-on box on a fixture data root (kb-make-fixture): the right password logs on and
// fills the operator fields, refusals keep the box open with their message, and a failure after the
// procedure registered the log-on leaves no record behind.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/AppIniCreate.h"
#include "dataselect/Logon.h"
#include "dataselect/registry/LogonCheck.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"
#include "ui/z5MessageDlg2.h"

namespace fs = std::filesystem;

namespace {

const char* const kWrong = "コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。";

// KB_BUILD_DIR, else the build folder this test program lies in (<build>/tests/<program>).
using kbtest::BuildDir;
using kbtest::RecordingErrorUi;

class LogonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kb::ResetAccRecord();
        kbtest::PrepareFirebird();
        root = dir / "root";
        kb::ChildProcess make({(BuildDir() / "kb-make-fixture").string(), root.string()});
        make.SetOutputFile(dir / "fixture.log");
        make.Start();
        ASSERT_EQ(make.Wait(), 0) << "kb-make-fixture failed";
        kb::SystemDef.IniFile = (root / "common/zandrel/dadozizidiv/vqzaimu.ini").string();
        kb::SystemDef.PCName = "PC-A";
        kb::SystemDef.GroupId = 10000;
        kb::SystemDef.AppTitle = "Kenbo連動コンポーネント";
        kb::SetErrorUi(&errorUi);
        kb::SetMessage2Interceptor([this](kb::TMessage2InfoRec& rec) {
            std::string text;
            int last = -1;
            for (int i = 0; i < static_cast<int>(rec.Lines.size()); ++i)
                if (!rec.Lines[i].Text.empty()) last = i;
            for (int i = 0; i <= last; ++i) text += (i ? "\r" : "") + rec.Lines[i].Text;
            messages.push_back(text);
            return kb::mrOk;
        });
        kb::CreateDM();
    }
    void TearDown() override
    {
        kb::FreeDM();
        kb::SetMessage2Interceptor(nullptr);
        kb::SetErrorUi(nullptr);
        kb::TLogonBox::ShownHook() = nullptr;
        kb::ResetAccRecord();
    }

    // Log-on rows as "OPCODE PCNAME" lines.
    std::vector<std::string> LogonRows() const
    {
        const std::string out = kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(),
            "SET HEADING OFF;\nSELECT 'ROW:' || OPCODE || ' ' || PCNAME FROM LOGONUSERLIST ORDER BY 1;\n");
        std::vector<std::string> rows;
        static const std::regex row("ROW:([^\\s]+ [^\\s]+)");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), row); it != std::sregex_iterator(); ++it)
            rows.push_back((*it)[1]);
        return rows;
    }

    // Fills the box and presses OK; true when it closed accepted.
    bool TryLogon(kb::TLogonBox& box, const std::string& code, const std::string& password)
    {
        box.show();
        box.txtOpCode->setText(QString::fromStdString(code));
        box.txtPassword->setText(QString::fromStdString(password));
        QTest::mouseClick(box.OKBtn, Qt::LeftButton);
        return !box.isVisible() && box.result() == QDialog::Accepted;
    }

    kbtest::TempDir dir;
    fs::path root;
    RecordingErrorUi errorUi;
    std::vector<std::string> messages;
};

TEST_F(LogonTest, RightPasswordLogsOnAndFillsTheOperator)
{
    kb::TLogonBox box;
    ASSERT_TRUE(box.Initialized);
    EXPECT_TRUE(box.btnSA->isChecked()); // CONNECT 0 in the fixture's INI
    EXPECT_FALSE(box.btnServerSettei->isEnabled());
    ASSERT_TRUE(TryLogon(box, "10", "abc123"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(kb::SystemDef.OpCode, 10000 * 10000 + 10);
    EXPECT_EQ(kb::SystemDef.OpNo, 10);
    EXPECT_EQ(kb::SystemDef.OpName, "山田太郎");
    EXPECT_EQ(kb::SystemDef.JobLevel, 9);
    EXPECT_TRUE(kb::SystemDef.AllSisetu);
    EXPECT_EQ(kb::SystemDef.ServerTempDir, "");
    EXPECT_TRUE(kb::DM->IBDatabaseDEF.Connected());
    EXPECT_EQ(kb::IniFile(kb::SystemDef.IniFile).ReadString("APPLICATION", "CONNECT", ""), "0");
    EXPECT_EQ(LogonRows(), std::vector<std::string>{"100000010 PC-A"});

    // The record is what logging off removes.
    EXPECT_TRUE(kb::DeleteLogonRecord(kb::SystemDef.OpCode));
    EXPECT_TRUE(LogonRows().empty());
}

TEST_F(LogonTest, RefusalsShowTheirMessageAndKeepTheBoxOpen)
{
    kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(),
        "INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME, APPVERSION) VALUES (100000011, 10000, 11, 'PC-B', 2);\n"
        "COMMIT;\n");
    struct Case {
        std::string code, password, message;
        bool connects;
    };
    const Case cases[] = {
        {"9", "abc123", kWrong, false},  // below 10: refused before any connection
        {"", "", kWrong, false},
        {"10", "wrong", kWrong, true},
        {"99", "", kWrong, true},        // no such operator
        {"11", "", "指定したユーザーは既にシステムへログインしているため、ログインできませんでした。", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code + "/" + c.password);
        messages.clear();
        if (kb::DM->IBDatabaseDEF.Connected()) kb::DM->IBDatabaseDEF.Close();
        kb::TLogonBox box;
        EXPECT_FALSE(TryLogon(box, c.code, c.password));
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(kb::DM->IBDatabaseDEF.Connected(), c.connects);
    }
    EXPECT_EQ(LogonRows(), std::vector<std::string>{"100000011 PC-B"});
}

TEST_F(LogonTest, FailureAfterTheProcedureRemovesTheRecordSoTheNextStartIsNotRefused)
{
    {
        kb::TLogonBox box;
        box.WriteConnectModeStep = [](int) { throw std::runtime_error("disk full"); };
        EXPECT_FALSE(TryLogon(box, "10", "abc123"));
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Rejected);
    }
    ASSERT_EQ(errorUi.shown.size(), 1u);
    EXPECT_NE(errorUi.shown[0].find("ログイン処理に失敗しました。\rKenbo連動コンポーネントを終了します。"), std::string::npos);
    EXPECT_TRUE(LogonRows().empty());

    // The next start, from another computer, logs on.
    kb::DM->IBDatabaseDEF.Close();
    kb::SystemDef.PCName = "PC-B";
    kb::TLogonBox again;
    EXPECT_TRUE(TryLogon(again, "10", "abc123"));
    EXPECT_EQ(LogonRows(), std::vector<std::string>{"100000010 PC-B"});
}

TEST_F(LogonTest, ClientModeWithoutServerSettingsIsRefusedBeforeConnecting)
{
    kb::IniFile(kb::SystemDef.IniFile).WriteString("APPLICATION", "CONNECT", "2");
    kb::IniFile(kb::SystemDef.IniFile).WriteString("SERVER", "HOSTNAME", "");
    kb::TLogonBox box;
    EXPECT_TRUE(box.btnCS->isChecked()); // any CONNECT other than 0
    EXPECT_EQ(kb::ConnectMode, 1);
    EXPECT_TRUE(box.btnServerSettei->isEnabled());
    EXPECT_FALSE(TryLogon(box, "10", "abc123"));
    EXPECT_EQ(messages, std::vector<std::string>{"データサーバーのコンピュータ名が設定されていません。\r[サーバー設定]ボタンを押して正しい情報を入力して下さい。"});
    EXPECT_FALSE(kb::DM->IBDatabaseDEF.Connected());

    messages.clear();
    kb::IniFile(kb::SystemDef.IniFile).WriteString("SERVER", "HOSTNAME", "server1");
    kb::IniFile(kb::SystemDef.IniFile).WriteString("SERVER", "SYSDIR", "");
    EXPECT_FALSE(TryLogon(box, "10", "abc123"));
    EXPECT_EQ(messages, std::vector<std::string>{"データサーバー上のデータパスが設定されていません。\r[サーバー設定]ボタンを押して正しい情報を入力して下さい。"});

    // Back to stand-alone: the mode goes with the button.
    QTest::mouseClick(box.btnSA, Qt::LeftButton);
    EXPECT_EQ(kb::ConnectMode, 0);
    EXPECT_FALSE(box.btnServerSettei->isEnabled());
}

TEST_F(LogonTest, MissingSystemDatabaseGivesTheStandAloneExplanationWithThePathAndTheLog)
{
    kb::IniFile(kb::SystemDef.IniFile).WriteString("LOCAL", "SYSDIR", (dir / "nowhere").string());
    kb::SystemDef.LogDir = (dir / "log").string();
    fs::create_directories(dir / "log");
    const std::string tried = (dir / "nowhere" / "vqaccdef.fdb").string();
    kb::TLogonBox box;
    EXPECT_FALSE(TryLogon(box, "10", "abc123"));
    EXPECT_EQ(messages, std::vector<std::string>{"ログイン処理に失敗しました。以下の理由が考えられます。\r"
                                                 "１）データファイルが見つからない。\r"
                                                 "２）別のプロセスがデータファイルを使用中。\r\r"
                                                 "財務システムデータベース: " + tried + "\r"
                                                 "エラーログ: " + (dir / "log" / "ErrFbAccess.log").string()});
    EXPECT_TRUE(box.isVisible());
    // The log names the database and the failing routine (the log is CP932; the path is ASCII).
    const std::string log = kbtest::ReadFile(dir / "log" / "ErrFbAccess.log");
    EXPECT_NE(log.find(tried), std::string::npos) << log;
    EXPECT_NE(log.find("Error=TDM.fnAccDefConnected"), std::string::npos) << log;
}

// Keyboard only: code, Enter, password, Enter, Enter. Enter in the fields moves on and presses
// nothing; on the focused OK button it logs on.
TEST_F(LogonTest, EnterAloneFinishesTheBox)
{
    kb::TLogonBox box;
    box.show();
    auto type = [&](const char* keys) { QTest::keyClicks(box.focusWidget(), keys); };
    auto enter = [&] { QTest::keyClick(box.focusWidget(), Qt::Key_Return); };
    ASSERT_EQ(box.focusWidget(), box.txtOpCode);
    type("10");
    enter();
    EXPECT_EQ(box.focusWidget(), box.txtPassword);
    type("abc123");
    enter();
    EXPECT_EQ(box.focusWidget(), box.OKBtn);
    EXPECT_TRUE(box.isVisible());
    enter();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(kb::SystemDef.OpCode, 10000 * 10000 + 10);
}

// The check itself, without the box, from a table on the fixture's system database: the outcome,
// the log-on record the procedure wrote, and the operator fields of SystemDef.
TEST_F(LogonTest, CheckMapsTheProcedureAndFillsOnlyALoggedOnOperator)
{
    kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(),
        "INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME, APPVERSION) VALUES (100000011, 10000, 11, 'PC-B', 2);\n"
        "COMMIT;\n");
    kb::SystemDef.SysDir = (root / "data").string();
    kb::SystemDef.DbUser = "SYSDBA";
    kb::SystemDef.DbPassword = "masterkey";
    ASSERT_TRUE(kb::DM->fnAccDefConnected("", false));
    struct Case {
        int code;
        std::string password;
        int mode;
        kb::TLogonOutcome outcome;
        int registered, opCode;
        std::string opName, serverTemp;
    };
    const Case cases[] = {
        {10, "wrong", 0, kb::TLogonOutcome::WrongCode, 0, 0, "", ""},
        {99, "", 0, kb::TLogonOutcome::WrongCode, 0, 0, "", ""},
        {11, "", 0, kb::TLogonOutcome::AlreadyLoggedOn, 0, 0, "", ""},
        {10, "abc123", 1, kb::TLogonOutcome::LoggedOn, 100000010, 100000010, "山田太郎", "/dadozizidiv/temp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + c.password);
        kb::SystemDef.OpCode = 42;
        kb::SystemDef.OpName.clear();
        kb::SystemDef.ServerTempDir = "untouched";
        const kb::TLogonCheck r = kb::CheckLogon(c.code, c.password, c.mode);
        EXPECT_EQ(r.Outcome, c.outcome);
        EXPECT_EQ(r.Registered, c.registered);
        EXPECT_EQ(kb::SystemDef.OpCode, c.opCode);
        EXPECT_EQ(kb::SystemDef.OpName, c.opName);
        if (c.outcome == kb::TLogonOutcome::LoggedOn) {
            EXPECT_EQ(kb::SystemDef.ServerTempDir, c.serverTemp);
            EXPECT_EQ(kb::SystemDef.OpNo, 10);
            EXPECT_EQ(kb::SystemDef.JobLevel, 9);
        }
    }
    EXPECT_FALSE(kb::DM->IBTransactionDEF.InTransaction());
    EXPECT_EQ(LogonRows(), (std::vector<std::string>{"100000010 PC-A", "100000011 PC-B"}));
    EXPECT_TRUE(errorUi.shown.empty());

    // The procedure's answers the box knows, and a refusal for any other.
    const std::pair<int, kb::TLogonOutcome> nums[] = {
        {0, kb::TLogonOutcome::LoggedOn},   {1, kb::TLogonOutcome::LoggedOn},  {-1, kb::TLogonOutcome::WrongCode},
        {-3, kb::TLogonOutcome::AlreadyLoggedOn}, {-2, kb::TLogonOutcome::Refused}, {2, kb::TLogonOutcome::Refused}};
    for (const auto& [num, outcome] : nums) EXPECT_EQ(kb::LogonOutcomeOf(num), outcome) << num;
}

} // namespace
