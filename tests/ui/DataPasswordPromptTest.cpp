// The data password check with the real input dialog, typed into offscreen.

#include "UiTestHelp.h"
#include "core/DataModulePassword.h"
#include "core/uAccRecord.h"
#include "ui/DataPasswordPrompt.h"
#include "ui/xCheckBox.h"
#include "ui/xEdit.h"
#include "ui/xPlButton.h"
#include "ui/z5InputDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kb;

namespace {

struct PromptEnv {
    TDataPasswordPrompt prompt;
    PromptEnv()
    {
        ResetAccRecord();
        AccInf.DataPassword = "abc123";
        SetDataPasswordPrompt(&prompt);
    }
    ~PromptEnv()
    {
        SetDataPasswordPrompt(nullptr);
        ResetAccRecord();
    }
};

// Types entries into the successive prompts; records what each prompt showed.
struct Typist {
    std::vector<std::string> entries;
    std::vector<std::string> prompts;
    std::vector<bool> red;
    std::size_t next = 0;
    void Arm()
    {
        kbtest::WhenModal([this](QWidget* w) {
            auto* dlg = qobject_cast<TInputDlgBox*>(w);
            ASSERT_NE(dlg, nullptr);
            prompts.push_back(dlg->lblMain->text().toStdString());
            red.push_back(dlg->lblMain->styleSheet().contains("#ff0000"));
            EXPECT_EQ(dlg->windowTitle().toStdString(), "パスワードの確認");
            EXPECT_EQ(dlg->txtInput->echoMode(), QLineEdit::Password);
            EXPECT_EQ(dlg->txtInput->maxLength(), 8);
            EXPECT_TRUE(dlg->btnFuseji->isVisible());
            const std::string entry = entries.at(next++);
            if (next < entries.size()) Arm();
            if (entry == "<esc>") {
                QTest::keyClick(dlg, Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(dlg->txtInput, QString::fromStdString(entry));
            dlg->btnOK->Click();
        });
    }
};

} // namespace

TEST(DataPasswordPrompt, AcceptsTheRightPasswordOnTheThirdTry)
{
    PromptEnv env;
    Typist t;
    t.entries = {"wrong1", "ABC123", "abc123"};
    t.Arm();
    EXPECT_TRUE(CheckDataPassword());
    ASSERT_EQ(t.prompts.size(), 3u);
    EXPECT_EQ(t.prompts[0], "パスワードを入力して下さい。");
    EXPECT_EQ(t.prompts[1], "正しいパスワードを入力して下さい。");
    EXPECT_EQ(t.prompts[2], "正しいパスワードを入力して下さい。");
    EXPECT_EQ(t.red, (std::vector<bool>{false, true, true}));
}

TEST(DataPasswordPrompt, RefusesAfterThreeWrongEntries)
{
    PromptEnv env;
    Typist t;
    t.entries = {"a1", "b2", "c3"};
    t.Arm();
    EXPECT_FALSE(CheckDataPassword());
    EXPECT_EQ(t.prompts.size(), 3u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(DataPasswordPrompt, EscapeRefusesAtOnceAndTheFilterKeepsOnlyLettersAndDigits)
{
    PromptEnv env;
    Typist t;
    t.entries = {"<esc>"};
    t.Arm();
    EXPECT_FALSE(CheckDataPassword());
    EXPECT_EQ(t.prompts.size(), 1u);

    // Symbols never reach the entry, so "abc-123" types as the password.
    Typist u;
    u.entries = {"abc-123"};
    u.Arm();
    EXPECT_TRUE(CheckDataPassword());
}

TEST(DataPasswordPrompt, PreparedDialogShowsTheRedSecondPrompt)
{
    TInputDlgBox dlg;
    TDataPasswordPrompt::Prepare(dlg, DataPasswordAsk(2));
    EXPECT_EQ(dlg.InputKind, 1);
    EXPECT_EQ(dlg.MainColor, clRed);
    EXPECT_EQ(dlg.CharFilter, 30);
    EXPECT_EQ(dlg.InputImeMode, TImeMode::imDisable);
    EXPECT_NE(dlg.lblMain->styleSheet().indexOf("#ff0000"), -1);
}
