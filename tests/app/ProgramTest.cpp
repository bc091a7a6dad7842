// The built program (kenbo-rendo) started as a process in test mode, its folders redirected into a
// private temporary folder: the single-instance rule, the command line, the start-up refusals, the
// log-on and the answer to a calling window.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "platform/CallerWindow.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"
#include "platform/NamedMutex.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;
using Msg = kb::CallerWindowMessage;

namespace {

// KB_BUILD_DIR, else the build folder this test program lies in (<build>/tests/<program>).
using kbtest::BuildDir;
Msg Enable(bool on)
{
    Msg m;
    m.kind = Msg::Kind::Enable;
    m.enable = on;
    return m;
}

Msg Front()
{
    Msg m;
    m.kind = Msg::Kind::BringToFront;
    return m;
}

Msg Post(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam)
{
    Msg m;
    m.kind = Msg::Kind::Post;
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    return m;
}

struct ProgramRun {
    int exitCode = -1;
    std::string output;
    bool Shows(const std::string& text) const { return output.find(text) != std::string::npos; }
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir / "root";
        runtime = dir / "run";
        // The test itself plays the caller and holds mutexes in the same runtime folder.
        env.Set("KB_RUNTIME_DIR", runtime.string());
    }

    // Only what the start-up reads before the log-on: AppInfo.ini and the product's registry key.
    void LightRoot(const std::string& version, bool withOem = true)
    {
        fs::create_directories(root / "program");
        kb::IniFile ini(root / "program" / "AppInfo.ini");
        if (withOem) ini.WriteString("Application", "OEM", "-");
        ini.WriteString("Application", "RegKey", "\\SOFTWARE\\ZANDREL");
        ini.WriteString("Zaimu", "AppName", "vqzaimu");
        ini.WriteString("Zaimu", "AppTitle", "パヴォナ財務");
        ini.WriteString("Zaimu", "RegKey", "DADOZIZIDIV");
        ini.WriteString("Zaimu", "HomeDir", "zandrel/dadozizidiv");
        ini.WriteString("Zaimu", "DataDefFile", "vqaccdef.fdb");
        ini.WriteString("Zaimu", "DataFile", "vqacc.fdb");
        kb::Registry(root / "config" / "registry")
            .WriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\DADOZIZIDIV15", "Version", version);
    }

    void FullRoot()
    {
        kb::ChildProcess make({(BuildDir() / "kb-make-fixture").string(), root.string()});
        make.SetOutputFile(dir / "fixture.log");
        make.Start();
        ASSERT_EQ(make.Wait(), 0) << kbtest::ReadFile(dir / "fixture.log");
    }

    ProgramRun Start(const std::vector<std::string>& arguments, const std::vector<std::pair<std::string, std::string>>& extra = {})
    {
        std::vector<std::string> argv = {(BuildDir() / "kenbo-rendo").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        kb::ChildProcess p(argv);
        p.SetEnv("QT_QPA_PLATFORM", "offscreen");
        p.SetEnv("KB_TEST_MODE", "1");
        p.SetEnv("KB_RUNTIME_DIR", runtime.string());
        p.SetEnv("KB_PROGRAM_DIR", (root / "program").string());
        p.SetEnv("KB_COMMON_APPDATA_DIR", (root / "common").string());
        p.SetEnv("KB_APPDATA_DIR", (root / "appdata").string());
        p.SetEnv("KB_CONFIG_ROOT", (root / "config").string());
        p.SetEnv("KB_DOCUMENTS_DIR", (root / "documents").string());
        p.SetEnv("KB_TEMP_DIR", (root / "temp").string());
        p.SetEnv("KB_COMPUTER_NAME", "PC-A");
        p.UnsetEnv("KB_APPINFO_DIR");
        for (const auto& [k, v] : extra) p.SetEnv(k, v);
        const fs::path out = dir / ("out" + std::to_string(++runs) + ".log");
        p.SetOutputFile(out);
        p.Start();
        // A hung program is ended so the test reports instead of waiting for ever.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        p.WaitPolling([&] { return std::chrono::steady_clock::now() > deadline; }, std::chrono::milliseconds(50));
        ProgramRun r;
        r.exitCode = p.ExitCode();
        r.output = kbtest::ReadFile(out);
        return r;
    }

    std::vector<std::string> LogonRows() const
    {
        return kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(),
                                 "SET HEADING OFF;\nSELECT 'ROW:' || OPCODE FROM LOGONUSERLIST;\n")
                       .find("ROW:") == std::string::npos
                   ? std::vector<std::string>{}
                   : std::vector<std::string>{"row"};
    }

    kbtest::TempDir dir;
    kbtest::ScopedEnv env;
    fs::path root, runtime;
    int runs = 0;
};

TEST_F(ProgramTest, HeldNamesRefuseTheStartWithTheFirstOnesMessage)
{
    LightRoot("15.0.0");
    struct Case {
        std::vector<std::string> held;
        std::string message;
    };
    const Case cases[] = {
        {{"KENBO_RENDO"}, "アプリケーションは既に起動しています。"},
        {{"LUMORA_TOOLS", "KENBO_RENDO"}, "Orvex財務ツールが起動しています。同時に起動することは出来ません。"},
        {{"LUMORA000", "KENBO_RENDO"}, "Orvex財務が起動しています。同時に起動することは出来ません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<kb::NamedMutex> held;
        for (const std::string& name : c.held) held.push_back(kb::NamedMutex::Create(name));
        kb::CallerWindowReceiver caller;
        const ProgramRun r = Start({std::to_string(caller.Handle()) + ",1025,3,/tmp/a.xml"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.Shows("KB-MESSAGE 2: " + c.message + "\n")) << r.output;
        // Only the first held name speaks, and no window was made: the caller hears nothing.
        EXPECT_EQ(r.output.find("KB-MESSAGE", r.output.find("KB-MESSAGE") + 1), std::string::npos) << r.output;
        EXPECT_TRUE(caller.Drain().empty());
    }
    // A refused copy takes nothing: with the names free, the next start passes the rule.
    EXPECT_FALSE(kb::NamedMutex::Exists("KENBO_RENDO"));
}

TEST_F(ProgramTest, MoreThanOneArgumentIsRefusedWithoutAnswer)
{
    LightRoot("15.0.0");
    kb::CallerWindowReceiver caller;
    const ProgramRun r = Start({std::to_string(caller.Handle()) + ",1025,3,/tmp/a.xml", "second"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: 不正な引数が渡されました。\r\rアプリケーションを強制終了します。\n")) << r.output;
    EXPECT_TRUE(r.Shows("使い方: kenbo-rendo")) << r.output;
    EXPECT_TRUE(caller.Drain().empty());

    // Asked for, the usage comes alone.
    const ProgramRun help = Start({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.Shows("使い方: kenbo-rendo")) << help.output;
    EXPECT_FALSE(help.Shows("KB-MESSAGE"));
}

TEST_F(ProgramTest, StartUpRefusalsShowTheirMessageAndAnswerTheCallerWithTwo)
{
    struct Case {
        std::string name;
        std::function<void()> prepare;
        std::string message;
    };
    const Case cases[] = {
        {"no AppInfo.ini", [] {}, "アプリケーションの設定ファイル(AppInfo.ini)が見つかりませんでした。\rアプリケーションを強制終了します。"},
        {"no OEM value", [this] { LightRoot("15.0.0", false); },
         "アプリケーションの設定ファイル(AppInfo.ini)の値を参照できませんでした。\rアプリケーションを強制終了します。"},
        {"product too old", [this] { LightRoot("14.9.99"); },
         "このアプリケーションはインストールされている「パヴォナ財務」のバージョンに対応していません。\r"
         "バージョン:15.0.0以降をインストールしてください。\r\rアプリケーションを強制終了します。"},
        {"four-part version", [this] { LightRoot("15.0.0.1"); },
         "このアプリケーションはインストールされている「パヴォナ財務」のバージョンに対応していません。"},
        {"product not installed",
         [this] {
             LightRoot("15.0.0");
             fs::remove_all(root / "config");
         },
         "「パヴォナ財務」がインストールされていません。\r「パヴォナ財務」のバージョン:15.0.0以降をインストールしてから起動してください。\r"
         "(登録情報: HKEY_LOCAL_MACHINE\\SOFTWARE\\ZANDREL\\DADOZIZIDIV15, "},
        // The application INI cannot be written (a folder in its place): the initialisation fails
        // before any event loop, and the display name fills the message.
        {"initialisation failed",
         [this] {
             LightRoot("15.0.0");
             fs::create_directories(root / "common/zandrel/dadozizidiv/vqzaimu.ini");
         },
         "アプリケーションの初期設定がおこなわれていないため\rKenbo連動コンポーネントを終了します。\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        c.prepare();
        kb::CallerWindowReceiver caller;
        const ProgramRun r = Start({std::to_string(caller.Handle()) + ",1025,3,/tmp/a.xml"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.Shows("KB-MESSAGE 1: " + c.message)) << r.output;
        EXPECT_EQ(caller.Drain(), (std::vector<Msg>{Enable(false), Front(), Enable(true), Post(1025, 3, 2)}));
    }
}

TEST_F(ProgramTest, LogOnOpensTheFirstPageAndCancellingAnswersOne)
{
    FullRoot();
    kb::CallerWindowReceiver caller;
    const fs::path file = dir / "out,with,commas.xml";
    const ProgramRun r = Start({std::to_string(caller.Handle()) + ",1025,3," + file.string()},
                        {{"KB_TEST_LOGON", "10,abc123"}, {"KB_TEST_ON_READY", "cancel"}, {"KB_TEST_ANSWER", "yes"}});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.Shows("KB-READY page1\n")) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 2: [キャンセル]ボタンが押されました。\r連動データの作成ウィザードを終了してもよろしいですか？\n"));
    EXPECT_EQ(caller.Drain(), (std::vector<Msg>{Enable(false), Front(), Enable(true), Post(1025, 3, 1)}));
    // Logged off at the close.
    EXPECT_TRUE(LogonRows().empty());
    // Function 3: the caller's file is never stored in the settings file.
    EXPECT_EQ(kb::IniFile(root / "common/zandrel/dadozizidiv/ini/Kenbo.ini").Find("SYOTOKUZEI", "EXPORTFILE"), std::nullopt);

    // A second start now passes the single-instance rule and logs on again.
    const ProgramRun again = Start({}, {{"KB_TEST_LOGON", "10,abc123"}, {"KB_TEST_ON_READY", "close"}});
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_TRUE(again.Shows("KB-READY page1\n")) << again.output;
}

TEST_F(ProgramTest, WrongPasswordShowsTheMessageAndTheCallerGetsTwo)
{
    FullRoot();
    kb::CallerWindowReceiver caller;
    const ProgramRun r = Start({std::to_string(caller.Handle()) + ",1025,4,/tmp/a.xml"}, {{"KB_TEST_LOGON", "10,wrong"}});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。\n")) << r.output;
    EXPECT_FALSE(r.Shows("KB-READY"));
    // Cancelling the log-on is a failed start (2), not the user's cancel (1).
    EXPECT_EQ(caller.Drain(), (std::vector<Msg>{Enable(false), Front(), Enable(true), Post(1025, 4, 2)}));
    EXPECT_TRUE(LogonRows().empty());
}

} // namespace
