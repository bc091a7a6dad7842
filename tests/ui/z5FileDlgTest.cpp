// Folder, file and computer choice: the write check's question and its answers, the path-length
// refusal, and the typed computer name in the real dialog (offscreen, keys through QTest).

#include "UiTestHelp.h"
#include "common/TestDb.h"
#include "core/z5FileFunc.h"
#include "ui/z5FileDlg.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>

using namespace kb;

namespace {

// Answers the platform dialogs from scripted lists and records the boxes.
struct ScriptedDialogs {
    std::deque<std::optional<std::string>> folders;
    std::deque<bool> answers;
    std::vector<std::string> errors, questions;
    TFileDlgHooks previous;

    ScriptedDialogs()
    {
        TFileDlgHooks h;
        h.browseFolder = [this](const std::string&, const std::string&) { return Next(); };
        h.runFileDialog = [this](QFileDialog&) { return Next(); };
        h.showError = [this](const std::string& t) { errors.push_back(t); };
        h.askYesNo = [this](const std::string& t) {
            questions.push_back(t);
            const bool a = answers.front();
            answers.pop_front();
            return a;
        };
        previous = SetFileDlgHooks(h);
    }
    ~ScriptedDialogs() { SetFileDlgHooks(previous); }
    std::optional<std::string> Next()
    {
        auto f = folders.front();
        folders.pop_front();
        return f;
    }
};

class FileDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "docs");
        std::filesystem::create_directories(dir / "work");
        ::setenv("KB_DOCUMENTS_DIR", (dir / "docs").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KB_DOCUMENTS_DIR"); }
    kbtest::TempDir dir;
};

} // namespace

TEST_F(FileDlg, SelectFolderAsksAboutAPlaceThatCannotBeWritten)
{
    const std::string work = (dir / "work").string(), docs = (dir / "docs").string();
    struct Case {
        const char* what;
        std::deque<std::optional<std::string>> chosen;
        std::deque<bool> answers;
        bool noCheck;
        bool result;
        std::string folder;
        std::size_t questions;
    };
    const std::vector<Case> cases = {
        {"a writable folder", {work}, {}, false, true, work, 0},
        {"the root, Yes", {"/"}, {true}, false, true, docs, 1},
        {"the root, No, then another", {"/", work}, {false}, false, true, work, 1},
        {"the root without the check", {"/"}, {}, true, true, "/", 0},
        {"cancel", {std::nullopt}, {}, false, false, "start", 0},
    };
    for (const auto& c : cases) {
        ScriptedDialogs d;
        d.folders = c.chosen;
        d.answers = c.answers;
        std::string folder = "start";
        EXPECT_EQ(SelectFolderDlg("", folder, c.noCheck), c.result) << c.what;
        EXPECT_EQ(folder, c.folder) << c.what;
        EXPECT_EQ(d.questions.size(), c.questions) << c.what;
        for (const auto& q : d.questions) EXPECT_EQ(q, kMsgNoWriteAccess);
        EXPECT_TRUE(d.folders.empty()) << c.what;
    }

    ScriptedDialogs d;
    d.folders = {"/" + std::string(300, 'a')};
    std::string folder = "start";
    EXPECT_FALSE(SelectFolderDlg("", folder, false));
    EXPECT_EQ(folder, "start");
    EXPECT_EQ(d.errors, std::vector<std::string>{kMsgPathTooLong});
}

TEST_F(FileDlg, SaveDialogMovesTheFileIntoDocumentsOnYes)
{
    QFileDialog dialog;
    {
        ScriptedDialogs d;
        d.folders = {"/vqacc.fbk", "/again.fbk", (dir / "work" / "a.fbk").string()};
        d.answers = {false, false};
        std::string file;
        EXPECT_TRUE(CheckSaveFolder(dialog, file));
        EXPECT_EQ(file, (dir / "work" / "a.fbk").string());
        EXPECT_EQ(d.questions.size(), 2u);
    }
    {
        ScriptedDialogs d;
        d.folders = {"/vqacc.fbk"};
        d.answers = {true};
        std::string file;
        EXPECT_TRUE(CheckSaveFolder(dialog, file));
        EXPECT_EQ(file, (dir / "docs" / "vqacc.fbk").string());
    }
    {
        ScriptedDialogs d;
        d.folders = {std::nullopt};
        std::string file = "kept";
        EXPECT_FALSE(CheckSaveFolder(dialog, file));
        EXPECT_EQ(file, "kept");
    }
}

TEST_F(FileDlg, ComputerNameIsTypedAndBlankIsNoChoice)
{
    std::string name = "old-host";
    kbtest::WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<TSelectComputerDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("コンピュータを選択して下さい"));
        EXPECT_EQ(dlg->Edit()->text(), QStringLiteral("old-host"));
        dlg->Edit()->clear();
        EXPECT_FALSE(dlg->OkButton()->isEnabled());
        QTest::keyClick(dlg->Edit(), Qt::Key_Return); // a blank name chooses nothing
        EXPECT_TRUE(dlg->isVisible());
        QTest::keyClicks(dlg->Edit(), "dbserver");
        EXPECT_TRUE(dlg->OkButton()->isEnabled());
        QTest::keyClick(dlg->Edit(), Qt::Key_Return);
    });
    EXPECT_TRUE(SelectComputerDlg("", name));
    EXPECT_EQ(name, "dbserver");

    kbtest::WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_FALSE(SelectComputerDlg("サーバー", name));
    EXPECT_EQ(name, "dbserver");
}

TEST_F(FileDlg, InstalledAskAnswersThroughTheBox)
{
    ScriptedDialogs d;
    d.answers = {true};
    InstallWritableFolderAsk();
    std::string folder = "/";
    EXPECT_TRUE(CheckWritableFolder(folder));
    EXPECT_EQ(folder, (dir / "docs").string() + "/");
    EXPECT_EQ(d.questions.size(), 1u);
    SetWritableFolderAsk(nullptr);
}
