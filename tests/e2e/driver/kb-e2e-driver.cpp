// kb-e2e-driver: runs the real wizard (TForm1 with its real pages, the real data selection dialog,
// the real data module on the embedded engine) offscreen against any data root, and plays the
// user's part: logs on, picks the data set in the selection dialog, sets the options and the output
// file, finishes, prints what the program showed and exits with the outcome the caller would get.
//
//   kb-e2e-driver --root <data root> --data <data folder> [options]
//     --logon <code>,<password>   operator (default 10,abc123)
//     --output <file>             output file of page 4 (started by the user)
//     --caller <argument>         start as the tax-return application does: "<window>,<msg>,<fn>,<file>"
//     --other-income              "その他所得用" on the options page
//     --details                   include the detail breakdowns
//     --password <p1,p2,...>      answers of the data password prompt, in order (then closed)
//     --reselect <folder>|cancel  what to do when the wizard offers to choose again (default cancel)
//     --cancel-at <page>          press Cancel (answering Yes) on that page instead of going on
//     --wait-at <point>           stop playing there ("KB-WAITING <point>") and wait for a signal: a page
//                                 (page1 .. page5), "selection" (the selection dialog is up), "selected"
//                                 (page 2 after the data set was chosen) or "finished" (the linkage file
//                                 is written, the data set not yet released)
//     --auto-share                tick "共有データの取得と保管を自動化する" in the selection dialog
//     --block-output              make a folder of the output file's name after page 4 accepted it
//                                 (so the write at Finish fails)
//     --screenshots <folder>      save every page and the selection dialog as wizard-*.png
//
// Output lines: "KB-MESSAGE <kind>: <text>" for every message box, "KB-SHARE: <message>" for the
// share messages, "KB-PAGE <name>" on each page reached, "KB-LIST <key>=<value>" for page 2's
// list, "KB-SUMMARY <line>" for page 5, "KB-OUTCOME <n>" at the end. Exit code: the outcome
// (0 written, 1 cancelled, 2 failed), 3 when the driver itself could not run.

#include "app/MainForm.h"
#include "app/ShutdownOnSignal.h"
#include "app/WizardPages.h"
#include "core/DataModule.h"
#include "core/DataModulePassword.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/Logon.h"
#include "dataselect/z5DataSentaku.h"
#include "dataselect/z5KyoyuData.h"
#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "ui/xWizard.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string root, data, logon = "10,abc123", output, caller, reselect = "cancel", cancelAt, waitAt, screenshots;
    bool otherIncome = false, details = false, autoShare = false, blockOutput = false;
    std::vector<std::string> passwords;
};

std::vector<std::string> Split(const std::string& s, char c)
{
    std::vector<std::string> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, c)) out.push_back(item);
    return out;
}

std::string OneLine(std::string s)
{
    for (char& ch : s)
        if (ch == '\n') ch = '\r';
    return s;
}

class Driver {
public:
    Driver(Options o, kb::TForm1& form) : opt_(std::move(o)), form_(form) {}

    void Start() { QTimer::singleShot(0, &form_, [this] { Run(); }); }

    // Called by the message box interceptor.
    int Answer(kb::TMessage2InfoRec& rec)
    {
        std::string text;
        int last = -1;
        for (int i = 0; i < static_cast<int>(rec.Lines.size()); ++i)
            if (!rec.Lines[static_cast<std::size_t>(i)].Text.empty()) last = i;
        for (int i = 0; i <= last; ++i) {
            if (i > 0) text += '\r';
            text += rec.Lines[static_cast<std::size_t>(i)].Text;
        }
        std::cout << "KB-MESSAGE " << static_cast<int>(rec.MsgType) << ": " << text << std::endl;
        const std::vector<kb::Message2Button> buttons = kb::Message2Buttons(rec);
        auto pick = [&](kb::TMsgDlgBtn want) -> int {
            for (const kb::Message2Button& b : buttons)
                if (b.Kind == want) return b.ModalResult;
            return -1;
        };
        // The offer to choose again: per --reselect.
        if (text.find(kb::kReselect) != std::string::npos) {
            if (opt_.reselect == "cancel") return pick(kb::TMsgDlgBtn::mbCancel);
            return pick(kb::TMsgDlgBtn::mbOK);
        }
        if (int r = pick(kb::TMsgDlgBtn::mbYes); r >= 0) return r;
        if (int r = pick(kb::TMsgDlgBtn::mbOK); r >= 0) return r;
        return buttons.empty() ? kb::mrOk : buttons.front().ModalResult;
    }

private:
    void Shot(QWidget* w, const std::string& name)
    {
        if (opt_.screenshots.empty() || !w) return;
        fs::create_directories(opt_.screenshots);
        QCoreApplication::processEvents();
        w->grab().save(QString::fromStdString((fs::path(opt_.screenshots) / ("wizard-" + name + ".png")).string()));
    }

    std::string PageName() const { return form_.Wizard->currentWidget()->objectName().toStdString(); }

    bool WaitHere(const std::string& point) const
    {
        if (opt_.waitAt != point) return false;
        std::cout << "KB-WAITING " << point << std::endl;
        return true;
    }

    bool CancelHere()
    {
        if (WaitHere(PageName())) return true;
        if (opt_.cancelAt != PageName()) return false;
        std::cout << "KB-CANCEL " << PageName() << std::endl;
        form_.btnCancel->click();
        return true;
    }

    // Picks the folder in the selection dialog once it is up (it runs modally inside the click).
    void WatchSelection()
    {
        auto* timer = new QTimer(&form_);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, &form_, [this, timer] {
            kb::TDataSentakuBox* box = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<kb::TDataSentakuBox*>(w); b && b->isVisible()) box = b;
            if (!box) return;
            timer->stop();
            timer->deleteLater();
            if (WaitHere("selection")) return;
            ++selections_;
            const std::string want = selections_ == 1 ? opt_.data : (opt_.reselect == "cancel" ? std::string() : opt_.reselect);
            if (selections_ == 1) Shot(box, "selection");
            if (opt_.autoShare && box->cboxKyoyuDataAuto && !box->cboxKyoyuDataAuto->isChecked()) box->cboxKyoyuDataAuto->click();
            std::cout << "KB-SELECTION " << selections_ << " " << (want.empty() ? "cancel" : want) << std::endl;
            int line = -1;
            for (int i = 0; i < box->LineCount() && !want.empty(); ++i)
                if (kb::NormalizeDataPath(box->RowFolder(i)) == kb::NormalizeDataPath(want)) line = i;
            if (line < 0) {
                if (!want.empty()) std::cout << "KB-NOT-LISTED " << want << std::endl;
                box->ESCClick();
            } else {
                box->SetCurrentLine(line, 0);
                box->F12Click();
            }
            // The wizard may open the selection again (a refused data set): watch again.
            if (selections_ < 8) WatchSelection();
        });
        timer->start();
    }

    void Next()
    {
        form_.btnNext->click();
        QCoreApplication::processEvents();
    }

    void Run()
    {
        std::cout << "KB-PAGE " << PageName() << std::endl;
        Shot(&form_, "page1");
        if (CancelHere()) return;
        Next();
        std::cout << "KB-PAGE " << PageName() << std::endl;
        if (CancelHere()) return;
        WatchSelection();
        form_.btnDataSelect->click();
        for (int i = 0; i < form_.listDataInfo->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* it = form_.listDataInfo->topLevelItem(i);
            std::cout << "KB-LIST " << it->text(0).toStdString() << "=" << it->text(1).toStdString() << std::endl;
        }
        Shot(&form_, "page2");
        if (WaitHere("selected")) return;
        Next();
        if (form_.Wizard->currentWidget() == form_.page2) {
            // Refused on page 2: the user gives up.
            std::cout << "KB-STAYED page2" << std::endl;
            form_.btnCancel->click();
            return;
        }
        std::cout << "KB-PAGE " << PageName() << std::endl;
        if (opt_.otherIncome) form_.RadioButton3d->setChecked(true);
        if (opt_.details) form_.chkDetails->setChecked(true);
        Shot(&form_, "page3");
        if (CancelHere()) return;
        Next();
        if (form_.page4 && form_.Wizard->currentWidget() == form_.page4) {
            std::cout << "KB-PAGE " << PageName() << std::endl;
            if (!opt_.output.empty()) form_.txtExportFile->setText(QString::fromStdString(opt_.output));
            Shot(&form_, "page4");
            if (CancelHere()) return;
            Next();
            if (form_.Wizard->currentWidget() == form_.page4) {
                std::cout << "KB-STAYED page4" << std::endl;
                form_.btnCancel->click();
                return;
            }
        }
        std::cout << "KB-PAGE " << PageName() << std::endl;
        for (const QString& l : form_.Memo5b->toPlainText().split('\n')) std::cout << "KB-SUMMARY " << l.toStdString() << std::endl;
        Shot(&form_, "page5");
        if (CancelHere()) return;
        if (opt_.blockOutput) fs::create_directories(kb::ResolveExportFile(opt_.output, form_.DocumentsDir));
        Next(); // Finish
    }

    Options opt_;
    kb::TForm1& form_;
    int selections_ = 0;
};

bool ParseArgs(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--root") o.root = value();
        else if (a == "--data") o.data = value();
        else if (a == "--logon") o.logon = value();
        else if (a == "--output") o.output = value();
        else if (a == "--caller") o.caller = value();
        else if (a == "--reselect") o.reselect = value();
        else if (a == "--cancel-at") o.cancelAt = value();
        else if (a == "--wait-at") o.waitAt = value();
        else if (a == "--screenshots") o.screenshots = value();
        else if (a == "--password") o.passwords = Split(value(), ',');
        else if (a == "--other-income") o.otherIncome = true;
        else if (a == "--details") o.details = true;
        else if (a == "--auto-share") o.autoShare = true;
        else if (a == "--block-output") o.blockOutput = true;
        else {
            std::cerr << "unknown argument " << a << "\n";
            return false;
        }
    }
    return !o.root.empty() && !o.data.empty();
}

class DriverErrorUi : public kb::IErrorUi {
public:
    void ShowMessageBox(const std::string& text, kb::TMsgDlgType type) override
    {
        kb::ShowMessage2(static_cast<int>(type), text, kb::Btn(kb::TMsgDlgBtn::mbOK));
    }
    void RequestTerminate() override
    {
        QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
    }
};

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!ParseArgs(argc, argv, opt)) {
        std::cerr << "usage: kb-e2e-driver --root <data root> --data <data folder> [options]\n";
        return 3;
    }
    // Point the program at the data root, as the demonstration does.
    const auto layout = kbtest::fixture::LayoutFor(fs::absolute(opt.root));
    for (const auto& [k, v] : kbtest::fixture::EnvironmentFor(layout)) setenv(k.c_str(), v.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    DriverErrorUi errorUi;
    kb::SetErrorUi(&errorUi);
    kbtest::ScriptedPasswordPrompt prompt;
    prompt.answers.assign(opt.passwords.begin(), opt.passwords.end());
    prompt.onAsk = [](const kb::TDataPasswordAsk& ask) {
        std::cout << "KB-PASSWORD-PROMPT " << ask.Attempt << ": " << ask.Prompt << std::endl;
    };
    kb::SetDataPasswordPrompt(&prompt);
    kb::KyoyuMessageHook = [](const std::string&, const std::string& message, const std::vector<std::string>& lines) {
        std::cout << "KB-SHARE: " << OneLine(message);
        for (const std::string& l : lines) std::cout << "\r" << l;
        std::cout << std::endl;
    };
    kb::TLogonBox::ShownHook() = [logon = opt.logon](kb::TLogonBox& box) {
        const auto comma = logon.find(',');
        box.txtOpCode->setText(QString::fromStdString(logon.substr(0, comma)));
        box.txtPassword->setText(QString::fromStdString(comma == std::string::npos ? "" : logon.substr(comma + 1)));
        box.OKBtn->click();
        if (box.isVisible() && box.result() != QDialog::Accepted) box.CancelBtn->click();
    };

    std::vector<std::string> arguments;
    if (!opt.caller.empty()) arguments.push_back(opt.caller);
    int outcome = 2;
    {
        kb::TForm1 form(arguments, layout.programDir / "kenbo-rendo");
        Driver driver(opt, form);
        kb::SetMessage2Interceptor([&driver](kb::TMessage2InfoRec& rec) { return driver.Answer(rec); });
        if (form.Refused()) {
            std::cout << "KB-OUTCOME refused" << std::endl;
            return 3;
        }
        form.OnReady = [&driver] { driver.Start(); };
        form.OnFinished = [&opt](int o) {
            std::cout << "KB-FINISHED " << o << std::endl;
            if (opt.waitAt != "finished") return;
            std::cout << "KB-WAITING finished" << std::endl;
            QEventLoop hold;  // the application's exit (a signal) ends it
            hold.exec();
        };
        const kb::ShutdownOnSignal endOnSignal(form);  // as the program's entry does
        if (form.InitApplication()) {
            form.show();
            app.exec();
        }
        form.close();
        outcome = form.Outcome;
    } // destruction answers a calling window
    kb::FreeDM();
    kb::SetMessage2Interceptor({});
    kb::SetErrorUi(nullptr);
    std::cout << "KB-OUTCOME " << outcome << std::endl;
    return outcome;
}
