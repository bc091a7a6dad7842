#include "app/Program.h"

#include "app/MainForm.h"
#include "app/ShutdownOnSignal.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/Logon.h"
#include "dataselect/z5DataSentaku.h"
#include "exchange/z5MeetingToolSetting.h"
#include "dbupdate/z5DbUpdateBox.h"
#include "platform/AtomicFile.h"
#include "platform/NamedMutex.h"
#include "ui/EnterKeyRule.h"
#include "ui/QtJapanese.h"
#include "ui/xWizard.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <vector>

namespace kb {
namespace fs = std::filesystem;

namespace {

struct ExclusionName {
    const char* name;
    const char* message;
};

// Tested in this order; only the last is ever created by this program.
const ExclusionName kExclusion[] = {
    {"LUMORA000", "Orvex財務が起動しています。同時に起動することは出来ません。"},
    {"LUMORA_TOOLS", "Orvex財務ツールが起動しています。同時に起動することは出来ません。"},
    {"KENBO_RENDO", kAlreadyRunning},
};

const char* const kTitle = "連動ﾃﾞｰﾀの作成";

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// ---- test mode

int TestAnswer(TMessage2InfoRec& rec)
{
    std::string text;
    int last = -1;
    for (int i = 0; i < static_cast<int>(rec.Lines.size()); ++i)
        if (!rec.Lines[i].Text.empty()) last = i;
    for (int i = 0; i <= last; ++i) {
        if (i > 0) text += '\r';
        text += rec.Lines[i].Text;
    }
    std::cerr << "KB-MESSAGE " << static_cast<int>(rec.MsgType) << ": " << text << std::endl;

    const std::string want = Env("KB_TEST_ANSWER");
    std::optional<TMsgDlgBtn> wanted;
    if (want == "yes") wanted = TMsgDlgBtn::mbYes;
    if (want == "no") wanted = TMsgDlgBtn::mbNo;
    if (want == "ok") wanted = TMsgDlgBtn::mbOK;
    if (want == "cancel") wanted = TMsgDlgBtn::mbCancel;
    const std::vector<Message2Button> buttons = Message2Buttons(rec);
    for (const Message2Button& b : buttons)
        if (wanted && b.Kind == *wanted) return b.ModalResult;
    return buttons.empty() ? mrOk : buttons.front().ModalResult;
}

void InstallTestMode(TForm1* form)
{
    TLogonBox::ShownHook() = [](TLogonBox& box) {
        const std::string logon = Env("KB_TEST_LOGON");
        const auto comma = logon.find(',');
        if (comma != std::string::npos) {
            box.txtOpCode->setText(QString::fromStdString(logon.substr(0, comma)));
            box.txtPassword->setText(QString::fromStdString(logon.substr(comma + 1)));
            box.OKBtn->click();
        }
        // Refused (or nothing to enter): cancel, so the program ends as the user would end it.
        if (box.isVisible() && box.result() != QDialog::Accepted) box.CancelBtn->click();
    };
    if (!form) return;
    form->OnReady = [form] {
        std::cerr << "KB-READY " << form->Wizard->currentWidget()->objectName().toStdString() << std::endl;
        const std::string action = Env("KB_TEST_ON_READY");
        QTimer::singleShot(0, form, [form, action] {
            if (action == "cancel") form->btnCancel->click();
            if (action == "close") form->WMClose();
        });
    };
}

} // namespace

fs::path ProgramFilePath()
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = "kenbo-rendo";
    const std::string dir = Env("KB_PROGRAM_DIR");
    return dir.empty() ? self : fs::path(dir) / self.filename();
}

std::string SingleInstanceRefusal()
{
    for (const ExclusionName& e : kExclusion)
        if (NamedMutex::Exists(e.name)) return e.message;
    return {};
}

const char* UsageText()
{
    return "使い方: kenbo-rendo [<ウィンドウ>,<メッセージ番号>,<機能番号>,<中間ファイル>]\n"
           "  引数なし    利用者が起動します。中間ファイルはウィザードの4ページ目で指定します。\n"
           "  引数1つ     所得税のKenboから起動されます。4つの値をカンマで区切って1つの引数で渡します。\n"
           "              終了時、ウィンドウへメッセージ番号で結果(0 作成、1 キャンセル、2 失敗)を返します。\n"
           "  --help      この説明を表示します。\n"
           "画面が必要です(DISPLAYまたはWAYLAND_DISPLAY)。画面なしの確認はQT_QPA_PLATFORM=offscreenで行えます。\n";
}

int RunProgram(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cerr << UsageText();
        return 0;
    }
    QApplication app(argc, argv);
    TEnterKeyRule enterKeys;   // Enter presses the focused button in every form
    TQtJapanese qtJapanese;    // Qt's own dialogs and buttons in Japanese
    // The forms other units open by name (static libraries drop unreferenced registrations).
    RegisterDataSelectForms();
    RegisterExchangeForms();
    RegisterDbUpdateForms();
    const bool testMode = Env("KB_TEST_MODE") == "1";
    // Installed for this run and undone when it returns, on every path.
    TScopedMessage2Interceptor answers(testMode ? Message2Interceptor(TestAnswer) : GetMessage2Interceptor());
    TMessage2ErrorUi errorUi; // the database error reporter's boxes and end request
    TScopedErrorUi errorUiScope(&errorUi);

    const TMsgDlgButtons ok = Btn(TMsgDlgBtn::mbOK);
    std::optional<NamedMutex> own;
    try {
        if (const std::string refusal = SingleInstanceRefusal(); !refusal.empty()) {
            ShowMessage2(2, refusal, ok);
            return 1;
        }
        // Taking the name closes the gap between the test above and this point: a copy started in
        // the same instant is refused here instead of running beside us.
        own = NamedMutex::TryCreate("KENBO_RENDO");
        if (!own) {
            ShowMessage2(2, kAlreadyRunning, ok);
            return 1;
        }
    } catch (const std::exception& e) {
        // No runtime folder: the rule cannot be kept, so the program does not run.
        ShowMessage2(1, std::string("アプリケーションの起動に失敗しました。\r") + e.what(), ok);
        return 1;
    }
    QCoreApplication::setApplicationName(QString::fromUtf8(kTitle));

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    int rc = 0;
    {
        TForm1 form(arguments, ProgramFilePath());
        if (form.Refused()) {
            if (form.ArgumentRefused()) std::cerr << UsageText();
            rc = 1;
        } else {
            if (testMode) InstallTestMode(&form);
            const ShutdownOnSignal endOnSignal(form);
            // A fatal database report during the start has promised the end: no loop is entered.
            if (form.InitApplication() && !TerminateRequested()) {
                // Temporary files of a run that was killed: beside the linkage file and the INI files.
                for (const fs::path& folder : {fs::path(form.CallerFile).parent_path(), fs::path(SystemDef.AppDataDir),
                                               fs::path(SystemDef.IniDir)})
                    if (!folder.empty()) RemoveAtomicLeftovers(folder);
                QCoreApplication::processEvents();
                form.show();
                rc = app.exec();
            } else {
                QCoreApplication::processEvents();
                rc = 1;
            }
        }
    } // the form's destruction logs off and answers a calling window
    FreeDM();
    own->Release();
    return rc;
}

} // namespace kb
