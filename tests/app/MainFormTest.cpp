// The wizard main form: the caller's argument, the version check, opening registered forms, the
// process-wide settings at start-up, and the first show when the operator's settings fail.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "../ui/UiTestHelp.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/FormRegistry.h"
#include "core/uAccRecord.h"
#include "dataselect/Logon.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "ui/QtJapanese.h"
#include "ui/xWizard.h"
#include "ui/z5MessageDlg2.h"

namespace fs = std::filesystem;

namespace {

TEST(CallerArgument, FieldsAreReadAndTheFileIsEverythingAfterTheThirdComma)
{
    struct Case {
        std::string argument;
        bool valid;
        kb::WindowHandle window;
        std::uint32_t message;
        std::int32_t function;
        std::string file;
    };
    const Case cases[] = {
        {"123456,1025,3,/work/a.xml", true, 123456, 1025, 3, "/work/a.xml"},
        {"123456,1025,3,/work/a,b.xml", true, 123456, 1025, 3, "/work/a,b.xml"},
        {"1,2,0,", true, 1, 2, 0, ""},
        {"1,2,-1", true, 1, 2, -1, ""},
        {"1,4294967295,2,x", true, 1, 4294967295u, 2, "x"},
        {"abc,1025,3,/a.xml", false, 0, 0, 0, ""},
        {"1,1025,three,/a.xml", false, 0, 0, 0, ""},
        {"1,4294967296,3,/a.xml", false, 0, 0, 0, ""},
        {"", false, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const auto a = kb::ParseCallerArgument(c.argument);
        ASSERT_EQ(a.has_value(), c.valid);
        if (!a) continue;
        EXPECT_EQ(a->Window, c.window);
        EXPECT_EQ(a->Message, c.message);
        EXPECT_EQ(a->Function, c.function);
        EXPECT_EQ(a->File, c.file);
    }
}

TEST(CheckVersion, KeysFromAtMostThreeParts)
{
    struct Case {
        std::string a, b;
        bool accepted;
    };
    const Case cases[] = {
        {"15.0.0", "15.0.0", true}, {"15.0.1", "15.0.0", true}, {"15.1", "15.0.0", true},
        {"16", "15.0.0", true},     {"14.9.99", "15.0.0", false}, {"9.1.2", "15.0.0", false},
        {"15.0.0.1", "15.0.0", false}, {"", "15.0.0", false}, {"x.y.z", "0.0.0", false},
        {"15.x.0", "15.0.0", true}, {"100.0.0", "15.0.0", true},
    };
    for (const Case& c : cases) EXPECT_EQ(kb::CheckVersion(c.a, c.b), c.accepted) << c.a << " vs " << c.b;
}

TEST(FrameAdjust, ZeroBelowFiveElseTwiceTheExcessOverFour)
{
    EXPECT_EQ(kb::GetFrameAdjust(4), 0);
    EXPECT_EQ(kb::GetFrameAdjust(5), 2);
    EXPECT_EQ(kb::GetFrameAdjust(6), 4);
}

TEST(RegisteredForms, UnknownNameShowsTheInterfaceErrorAndAnswersMinusOne)
{
    std::vector<std::string> shown;
    kb::SetMessage2Interceptor([&](kb::TMessage2InfoRec& rec) {
        shown.push_back(rec.Lines[0].Text + "\r" + rec.Lines[1].Text);
        return kb::mrOk;
    });
    EXPECT_EQ(kb::OpenRegisteredForm("", 1, ""), -1);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(kb::OpenRegisteredForm("SzDataSenkaku", 1, "SyoriType=3"), -1);
    EXPECT_EQ(shown, std::vector<std::string>{"処理を起動するためのインターフェースが実装されていません。\rライブラリのロードに失敗した可能性があります。"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the wait cursor is given back
    EXPECT_EQ(kb::HostMenuStub(10, ""), 0);
    kb::SetMessage2Interceptor(nullptr);
}

// Forms that open others by name: from their creation (refused, another open is being set up) and
// from their Execute (allowed, also for a name nobody registered).
struct InnerForm : kb::TFormInstance, kb::ISyoriKidou {
    static inline std::vector<std::string> params;
    void SetParams(const std::vector<std::string>& lines) override { params = lines; }
    int Execute(int mode) override { return mode == 1 ? 7 : 8; }
};
struct OuterForm : kb::TFormInstance, kb::ISyoriKidou {
    static inline int duringCreation = 0;
    static inline std::vector<int> fromExecute;
    OuterForm() { duringCreation = kb::OpenRegisteredForm("TestInnerForm", 1, "A=1"); }
    void SetParams(const std::vector<std::string>&) override {}
    int Execute(int) override
    {
        fromExecute.push_back(kb::OpenRegisteredForm("TestInnerForm", 1, "SyoriType=5\rOnlySA_Syori=Backup"));
        fromExecute.push_back(kb::OpenRegisteredForm("SzKihonWiz", 1, "DataPath=/x"));
        fromExecute.push_back(QApplication::overrideCursor() == nullptr ? 1 : 0);
        return 1;
    }
};

TEST(RegisteredForms, AFormOpensAnotherFromItsExecuteButNotWhileItIsBeingCreated)
{
    std::vector<std::string> shown;
    kb::SetMessage2Interceptor([&](kb::TMessage2InfoRec& rec) {
        shown.push_back(rec.Lines[0].Text);
        return kb::mrOk;
    });
    kb::RegisterFormClass<InnerForm>("TestInnerForm");
    kb::RegisterFormClass<OuterForm>("TestOuterForm");
    EXPECT_EQ(kb::OpenRegisteredForm("TestOuterForm", 1, ""), 1);
    EXPECT_EQ(OuterForm::duringCreation, -1);
    EXPECT_EQ(OuterForm::fromExecute, (std::vector<int>{7, -1, 1}));
    EXPECT_EQ(InnerForm::params, (std::vector<std::string>{"SyoriType=5", "OnlySA_Syori=Backup", "FormStyle=2"}));
    // Only the unregistered name showed the box; the refused open during creation showed nothing.
    EXPECT_EQ(shown, std::vector<std::string>{"処理を起動するためのインターフェースが実装されていません。"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    kb::ResetFormRegistry();
    kb::SetMessage2Interceptor(nullptr);
}

// A main form on a root with AppInfo.ini and the product key, its folders redirected.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kb::ResetAccRecord();
        root = dir / "root";
        for (const char* v : {"KB_COMMON_APPDATA_DIR", "KB_APPDATA_DIR", "KB_CONFIG_ROOT", "KB_DOCUMENTS_DIR", "KB_TEMP_DIR"})
            env.Set(v, (root / v).string());
        env.Set("KB_CONFIG_ROOT", (root / "config").string());
        env.Set("KB_COMMON_APPDATA_DIR", (root / "common").string());
        env.Set("KB_RUNTIME_DIR", (dir / "run").string());
        env.Set("KB_APPINFO_DIR", std::nullopt);
        fs::create_directories(root / "program");
        kb::IniFile ini(root / "program" / "AppInfo.ini");
        ini.WriteString("Application", "OEM", "-");
        ini.WriteString("Application", "RegKey", "\\SOFTWARE\\ZANDREL");
        ini.WriteString("Zaimu", "AppName", "vqzaimu");
        ini.WriteString("Zaimu", "AppTitle", "パヴォナ財務");
        ini.WriteString("Zaimu", "RegKey", "DADOZIZIDIV");
        ini.WriteString("Zaimu", "HomeDir", "zandrel/dadozizidiv");
        ini.WriteString("Zaimu", "DataDefFile", "vqaccdef.fdb");
        ini.WriteString("Zaimu", "DataFile", "vqacc.fdb");
        ini.WriteString("Zaimu", "DataInitFile", "acc%d.gbk");
        const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\DADOZIZIDIV15";
        kb::Registry(root / "config" / "registry").WriteString(key, "Product", "パヴォナ財務");
        kb::Registry(root / "config" / "registry").WriteString(key, "Version", "15.0.0");
        kb::SetMessage2Interceptor([this](kb::TMessage2InfoRec& rec) {
            messages.push_back(rec.Lines[0].Text);
            return kb::mrOk;
        });
    }
    void TearDown() override
    {
        kb::FreeDM();
        kb::SetMessage2Interceptor(nullptr);
        kb::TLogonBox::ShownHook() = nullptr;
        kb::ResetAccRecord();
    }
    fs::path AppIni() const { return root / "common" / "zandrel" / "dadozizidiv" / "vqzaimu.ini"; }
    fs::path Program() const { return root / "program" / "kenbo-rendo"; }

    kbtest::TempDir dir;
    kbtest::ScopedEnv env;
    fs::path root;
    std::vector<std::string> messages;
};

TEST_F(MainFormTest, CreationFillsNamesAndPagesAndInstallsTheHooks)
{
    {
        kb::TForm1 form({"77,1025,3,/out/a.xml"}, Program());
        ASSERT_FALSE(form.Refused());
        EXPECT_EQ(form.CallerWindow, 77u);
        EXPECT_EQ(form.Outcome, 2);
        EXPECT_EQ(form.windowTitle().toStdString(), "所得税のKenbo from パヴォナ財務");
        EXPECT_EQ(form.Wizard->PageCount(), 4); // page4 goes: the caller names the file
        EXPECT_EQ(form.Wizard->currentWidget(), form.page1);
        EXPECT_EQ(form.txtExportFile->text().toStdString(), "/out/a.xml");
        EXPECT_EQ(kb::TemplateBackupNames[0], "acc11.gbk");
        EXPECT_EQ(kb::TemplateBackupNames[5], "acc31.gbk");
        EXPECT_TRUE(kb::HostMenuHook && kb::OpenRegisteredFormHook && kb::DataDamageCheckHook);
    }
    EXPECT_FALSE(kb::HostMenuHook || kb::OpenRegisteredFormHook || kb::DataDamageCheckHook);
    kb::TForm1 user({}, Program());
    EXPECT_EQ(user.Wizard->PageCount(), 5);
}

TEST_F(MainFormTest, TheDataChoicePageIsNotLeftWithoutAChosenDataSet)
{
    kb::TForm1 form({}, Program());
    // Not shown: showing starts the log-on.
    EXPECT_EQ(form.lblHeader->text().toStdString(), "連動データの作成");
    form.btnNext->click();
    EXPECT_EQ(form.Wizard->currentWidget(), form.page2);
    EXPECT_TRUE(messages.empty());
    form.btnNext->click();
    EXPECT_EQ(form.Wizard->currentWidget(), form.page2);
    EXPECT_EQ(messages, (std::vector<std::string>{"会計データの選択が行われていません。"}));
}

TEST_F(MainFormTest, InitialisationWritesAMissingIniAndReadsTheLocalSection)
{
    kb::TForm1 form({}, Program());
    ASSERT_TRUE(form.InitApplication());
    EXPECT_EQ(kb::SystemDef.AppTitle, "Kenbo連動コンポーネント");
    EXPECT_EQ(kb::SystemDef.IniFile, AppIni().string());
    const std::string data = (root / "common").string() + "/zandrel/dadozizidiv/data";
    const kb::IniFile ini(AppIni());
    EXPECT_EQ(ini.ReadString("APPLICATION", "CONNECT", "?"), "0");
    EXPECT_EQ(ini.ReadString("LOCAL", "SYSDIR", ""), data);
    EXPECT_EQ(ini.ReadString("LOCAL", "USER", ""), "PAVONA");
    EXPECT_EQ(kb::SystemDef.SysDir, data);
    EXPECT_EQ(kb::SystemDef.GroupId, 10000);
    EXPECT_EQ(kb::SystemDef.HostName, "");
    for (const char* sub : {"ini", "log", "temp"}) EXPECT_TRUE(fs::is_directory(AppIni().parent_path() / sub)) << sub;
    EXPECT_NE(kb::DM, nullptr);
    EXPECT_FALSE(kb::DM->IBDatabaseDEF.Connected());
}

TEST_F(MainFormTest, LocalSectionIsRewrittenOnlyWhenItHasNoEntries)
{
    fs::create_directories(AppIni().parent_path());
    {
        // Keys present with empty values: kept and read as they are.
        kb::IniFile ini(AppIni());
        ini.WriteString("APPLICATION", "CONNECT", "1");
        ini.WriteString("LOCAL", "HOSTNAME", "server9");
        ini.WriteString("LOCAL", "GROUP", "yes");
        ini.WriteString("LOCAL", "SYSDIR", "");
        ini.WriteString("LOCAL", "USER", "sysdba");
        ini.WriteString("LOCAL", "PASSWORD", "");
    }
    {
        kb::TForm1 form({}, Program());
        ASSERT_TRUE(form.InitApplication());
    }
    EXPECT_EQ(kb::SystemDef.HostName, ""); // stand-alone, whatever LOCAL says
    EXPECT_TRUE(kb::SystemDef.GroupMode);  // "yes" counts as YES at start-up
    EXPECT_EQ(kb::SystemDef.SysDir, "");
    EXPECT_EQ(kb::SystemDef.DbUser, "SYSDBA");
    EXPECT_EQ(kb::SystemDef.DbPassword, "");
    EXPECT_EQ(kb::IniFile(AppIni()).ReadString("APPLICATION", "CONNECT", ""), "1");

    // An empty LOCAL section: the whole file gets the defaults again.
    kbtest::WriteFile(AppIni(), "[APPLICATION]\r\nCONNECT=1\r\n[LOCAL]\r\n  \r\n[SERVER]\r\nHOSTNAME=x\r\n");
    kb::FreeDM();
    {
        kb::TForm1 form({}, Program());
        ASSERT_TRUE(form.InitApplication());
    }
    EXPECT_EQ(kb::IniFile(AppIni()).ReadString("APPLICATION", "CONNECT", ""), "0");
    EXPECT_EQ(kb::IniFile(AppIni()).ReadString("LOCAL", "USER", ""), "PAVONA");
    EXPECT_EQ(kb::IniFile(AppIni()).ReadString("SERVER", "HOSTNAME", "?"), "");
}

TEST_F(MainFormTest, UnwritableIniFailsTheInitialisationWithTheDisplayName)
{
    // A folder where the INI should be: it can neither be read nor written.
    fs::create_directories(AppIni());
    kb::TForm1 form({}, Program());
    EXPECT_FALSE(form.InitApplication());
    EXPECT_EQ(form.InitErrorText, "アプリケーションの初期設定がおこなわれていないため\rKenbo連動コンポーネントを終了します。");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "アプリケーションの初期設定がおこなわれていないため");
}

TEST_F(MainFormTest, DamageCheckPassesSoundDataAndMarksDamagedData)
{
    kbtest::PrepareFirebird();
    const char* buildEnv = std::getenv("KB_BUILD_DIR");
    const fs::path build = buildEnv && *buildEnv ? fs::path(buildEnv) : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    const fs::path full = dir / "full";
    kb::ChildProcess make({(build / "kb-make-fixture").string(), full.string()});
    make.SetOutputFile(dir / "fixture.log");
    make.Start();
    ASSERT_EQ(make.Wait(), 0);
    kb::SystemDef.SysDir = (full / "data").string();
    kb::SystemDef.DbUser = "SYSDBA";
    kb::SystemDef.DbPassword = "masterkey";
    kb::SystemDef.OpCode = 100000010;
    kb::SystemDef.OpName = "山田太郎";
    kb::CreateDM();
    ASSERT_TRUE(kb::DM->fnAccDefConnected("", true));

    EXPECT_EQ(kb::CheckDataDamage("", (full / "data/0001").string(), 0), 1);
    EXPECT_EQ(kb::SystemDef.DataCheckFailed, 0);
    EXPECT_TRUE(messages.empty());

    // Every page after the header and the first few overwritten: the validation reports damage.
    const fs::path db = full / "data/0002/vqacc.fdb";
    std::string bytes = kbtest::ReadFile(db);
    ASSERT_GT(bytes.size(), 64u * 1024u);
    for (std::size_t i = 16 * 1024; i < bytes.size(); i += 97) bytes[i] = static_cast<char>(0xA5);
    kbtest::WriteFile(db, bytes);
    EXPECT_EQ(kb::CheckDataDamage("", (full / "data/0002").string(), 0), 0);
    EXPECT_EQ(kb::SystemDef.DataCheckFailed, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "データ検証の結果、このデータは破損している恐れがあります。");
    const std::string status = kbtest::RunIsqlOn((full / "data/vqaccdef.fdb").string(),
        "SET HEADING OFF;\nSELECT 'S:' || REC || '=' || DATA_STATUS FROM DATALIST WHERE REC IN (1, 2) ORDER BY REC;\n");
    EXPECT_NE(status.find("S:1=0"), std::string::npos) << status;
    EXPECT_NE(status.find("S:2=1"), std::string::npos) << status;
    EXPECT_EQ(kb::IniFile(full / "data/0002/vqacc.ini").ReadString("DATASTS", "STATUS", ""), "10");
    EXPECT_EQ(kb::IniFile(full / "data/0001/vqacc.ini").ReadString("DATASTS", "STATUS", ""), "1");
}

TEST_F(MainFormTest, FailedSettingsReadAfterLogOnDeletesTheLogOnRecord)
{
    kbtest::PrepareFirebird();
    const char* buildEnv = std::getenv("KB_BUILD_DIR");
    const fs::path build = buildEnv && *buildEnv ? fs::path(buildEnv) : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    kb::ChildProcess make({(build / "kb-make-fixture").string(), (dir / "full").string()});
    make.SetOutputFile(dir / "fixture.log");
    make.Start();
    ASSERT_EQ(make.Wait(), 0);
    root = dir / "full";
    env.Set("KB_COMMON_APPDATA_DIR", (root / "common").string());
    env.Set("KB_CONFIG_ROOT", (root / "config").string());
    env.Set("KB_COMPUTER_NAME", "PC-A");

    kb::TLogonBox::ShownHook() = [](kb::TLogonBox& box) {
        box.txtOpCode->setText("10");
        box.txtPassword->setText("abc123");
        box.OKBtn->click();
    };
    kb::TForm1 form({}, root / "program" / "kenbo-rendo");
    ASSERT_TRUE(form.InitApplication());
    bool deleted = false, ready = false, sysDefAsked = false;
    form.Steps.GetSysDef = [&] {
        sysDefAsked = true;
        return false;
    };
    const auto realDelete = form.Steps.DeleteLogonInfo;
    form.Steps.DeleteLogonInfo = [&] {
        deleted = true;
        realDelete();
    };
    form.OnReady = [&] { ready = true; };
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return deleted; }, 60000));
    EXPECT_TRUE(sysDefAsked);
    EXPECT_FALSE(ready);
    EXPECT_FALSE(form.LoggedOn);
    const std::string rows = kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(),
                                               "SET HEADING OFF;\nSELECT 'ROW:' || OPCODE FROM LOGONUSERLIST;\n");
    EXPECT_EQ(rows.find("ROW:"), std::string::npos) << rows;
}

} // namespace

namespace {

// A shown wizard whose log-on and operator settings are stood in for: the keys and the title bar.
class WizardKeysTest : public MainFormTest {
protected:
    void ShowReady(kb::TForm1& form)
    {
        form.Steps.Logon = [] { return true; };
        form.Steps.GetSysDef = [] { return true; };
        form.Steps.LoadGengo = [] {};
        form.Steps.DeleteLogonInfo = [] {};
        bool ready = false;
        form.OnReady = [&] { ready = true; };
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ready; }, 10000));
        form.OnReady = nullptr;
    }
    // Answers every box with answer and records its first line.
    void AnswerWith(int answer)
    {
        kb::SetMessage2Interceptor([this, answer](kb::TMessage2InfoRec& rec) {
            messages.push_back(rec.Lines[0].Text);
            return answer;
        });
    }
};

TEST_F(WizardKeysTest, EnterOnTheFocusedNextButtonGoesOn)
{
    kb::TForm1 form({}, Program());
    ShowReady(form);
    form.btnNext->setFocus();
    QTest::keyClick(form.btnNext, Qt::Key_Return);
    EXPECT_EQ(form.Wizard->currentWidget(), form.page2);
    // The keypad's Enter too; page 2 refuses without a data set, so the press shows its warning.
    form.btnNext->setFocus();
    QTest::keyClick(form.btnNext, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(messages, (std::vector<std::string>{"会計データの選択が行われていません。"}));
    // Enter on a button without the focus presses nothing.
    form.btnBack->setFocus();
    QTest::keyClick(form.btnNext, Qt::Key_Return);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(form.Wizard->currentWidget(), form.page2);
}

TEST_F(WizardKeysTest, EscAndTheTitleBarAskAsCancelDoes)
{
    const std::string question = "[キャンセル]ボタンが押されました。";
    kb::TForm1 form({}, Program());
    ShowReady(form);
    AnswerWith(kb::mrNo);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(messages, std::vector<std::string>{question});
    // The title bar's close button: the close the window system delivers.
    EXPECT_FALSE(form.FormCloseQuery(true));
    EXPECT_EQ(messages, (std::vector<std::string>{question, question}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Outcome, 2);
    // The program's own closes (Finish, the application's quit) ask nothing.
    EXPECT_TRUE(form.FormCloseQuery(false));
    EXPECT_EQ(messages.size(), 2u);

    AnswerWith(kb::mrYes);
    EXPECT_TRUE(form.FormCloseQuery(true));
    EXPECT_EQ(form.Outcome, 1);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(messages.size(), 3u);
}

TEST_F(WizardKeysTest, EscAnsweredYesEndsTheWizardAsCancelled)
{
    kb::TForm1 form({}, Program());
    ShowReady(form);
    AnswerWith(kb::mrYes);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(messages, std::vector<std::string>{"[キャンセル]ボタンが押されました。"});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Outcome, 1);
}

} // namespace

namespace {

// The "参照" button's save dialog is Qt's own: its texts come from Qt's Japanese translation.
TEST_F(MainFormTest, TheSaveDialogReadsInJapanese)
{
    kb::TQtJapanese japanese;
    ASSERT_TRUE(japanese.Loaded()) << "qtbase_ja (qt6-translations-l10n) is not installed";
    kb::TForm1 form({}, Program());
    std::vector<std::string> buttons;
    std::string title;
    kbtest::WhenModal([&](QWidget* w) {
        title = w->windowTitle().toStdString();
        if (auto* box = w->findChild<QDialogButtonBox*>())
            for (QAbstractButton* b : box->buttons()) buttons.push_back(b->text().toStdString());
        static_cast<QDialog*>(w)->reject();
    });
    form.BitBtn4aClick();
    EXPECT_EQ(title, "中間ﾌｧｲﾙの指定");
    EXPECT_EQ(buttons, (std::vector<std::string>{"保存(&S)", "キャンセル"}));
}

} // namespace
