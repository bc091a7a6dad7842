#include "UiTestHelp.h"
#include "ui/z5InputDlg.h"
#include "core/z5ComFunc.h"

#include "ui/PavonaEdit.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/xCheckBox.h"
#include "ui/xComboBox.h"
#include "ui/xEdit.h"
#include "ui/xPlButton.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace kb;

TEST(InputDlg, CharFilterTable)
{
    struct Case { int filter; char32_t ch; bool passes; };
    const Case cases[] = {
        {10, U'5', true}, {10, U'-', true}, {10, U'.', true}, {10, U'a', false}, {10, 8, true}, {10, U'\r', true},
        {10, U'+', false}, {20, U'Z', true}, {20, U'1', false}, {30, U'z', true}, {30, U'9', true},
        {30, U'_', false}, {40, U'?', false}, {40, U'\\', false}, {40, U'|', false}, {40, U',', false},
        {40, U';', false}, {40, U'"', false}, {40, U'a', true}, {40, U'日', true}, {40, U' ', true},
        {0, U'?', true}, {99, U'?', true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InputDlgKeyPasses(c.filter, c.ch), c.passes) << c.filter << " " << int(c.ch);
}

TEST(InputDlg, TrimZenAndRefusals)
{
    EXPECT_EQ(TrimZen("\u3000 abc\t\u3000"), "abc");
    EXPECT_EQ(TrimZen("a b"), "a b");
    EXPECT_EQ(TrimZen("\u3000\u3000"), "");
    EXPECT_EQ(InputDlgTextRefusal("\u3000 ", true, {}, "ng"), std::optional<std::string>("入力してから[OK]ボタンを押して下さい。"));
    EXPECT_EQ(InputDlgTextRefusal(" abc ", false, {"x", "abc"}, "使用できません。"),
              std::optional<std::string>("使用できません。"));
    EXPECT_EQ(InputDlgTextRefusal("ABC", false, {"abc"}, "ng"), std::nullopt); // case-sensitive
    EXPECT_EQ(InputDlgTextRefusal("", false, {}, "ng"), std::nullopt);
}

TEST(InputDlg, PasswordRefusesEmptyEntryAndUnmasks)
{
    kbtest::MessageCatcher catcher;
    TInputDlgBox dlg;
    dlg.InputKind = 1;
    dlg.InputCaption = "パスワード入力";
    dlg.MainText = "データのパスワードを入力してください。";
    dlg.Setup(1);
    dlg.show();
    EXPECT_TRUE(dlg.Required);
    EXPECT_EQ(dlg.focusWidget(), dlg.txtInput);
    EXPECT_EQ(dlg.txtInput->echoMode(), QLineEdit::Password);
    dlg.btnOK->Click();
    ASSERT_EQ(catcher.Shown.size(), 1u);
    EXPECT_EQ(catcher.FirstLine(), "入力してから[OK]ボタンを押して下さい。");
    EXPECT_EQ(catcher.Shown[0].MsgType, 2);
    EXPECT_TRUE(dlg.isVisible());

    QTest::keyClicks(dlg.txtInput, "abc1");
    dlg.btnFuseji->click();
    EXPECT_EQ(dlg.txtInput->echoMode(), QLineEdit::Normal);
    QTest::keyClick(dlg.txtInput, Qt::Key_F12);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), mrOk);
    EXPECT_EQ(dlg.InputText, "abc1");
}

TEST(InputDlg, KeyFiltersOnTheTextInput)
{
    TInputDlgBox dlg;
    dlg.CharFilter = 10;
    dlg.Setup(1);
    dlg.show();
    QTest::keyClicks(dlg.txtInput, "a-1.5b");
    EXPECT_EQ(dlg.txtInput->text().toStdString(), "-1.5");

    dlg.txtInput->clear();
    dlg.CharFilter = 40;
    dlg.Setup(1);
    QTest::keyClicks(dlg.txtInput, "a?b\\c");
    QKeyEvent kanji(QEvent::KeyPress, 0, Qt::NoModifier, "日本"); // as an input method hands it over
    QApplication::sendEvent(dlg.txtInput, &kanji);
    EXPECT_EQ(dlg.txtInput->text().toStdString(), "abc日本");
}

TEST(InputDlg, NgListComparesTheTrimmedText)
{
    kbtest::MessageCatcher catcher;
    TInputDlgBox dlg;
    dlg.NgList = {"本店"};
    dlg.NgMessage = "この名称は使用できません。";
    dlg.InputText = "\u3000本店 ";
    dlg.Setup(1);
    dlg.show();
    dlg.btnOK->Click();
    ASSERT_EQ(catcher.Shown.size(), 1u);
    EXPECT_EQ(catcher.FirstLine(), "この名称は使用できません。");
    EXPECT_TRUE(dlg.isVisible());
    dlg.txtInput->setText(" 支店 ");
    dlg.btnOK->Click();
    EXPECT_EQ(dlg.result(), mrOk);
    EXPECT_EQ(dlg.InputText, " 支店 "); // kept as typed
}

TEST(InputDlg, AmountComboAndDates)
{
    {
        TInputDlgBox dlg;
        dlg.InputKind = 3;
        dlg.Setup(1);
        dlg.show();
        EXPECT_FALSE(dlg.pnlKingaku->isHidden());
        EXPECT_TRUE(dlg.pnlText->isHidden());
        EXPECT_EQ(dlg.pnlKingaku->pos(), QPoint(16, 72));
        dlg.btnOK->Click();
        EXPECT_EQ(dlg.InputText, "0");
    }
    {
        TInputDlgBox dlg;
        dlg.InputKind = 3;
        dlg.Setup(1);
        dlg.show();
        QTest::keyClicks(dlg.txtKingaku, "-12a34567");
        dlg.btnOK->Click();
        EXPECT_EQ(dlg.InputText, "-1,234,567"); // as displayed; letters never get in
    }
    {
        kbtest::MessageCatcher catcher;
        TInputDlgBox dlg;
        dlg.InputKind = 2;
        dlg.Required = true;
        dlg.ComboItems = {"東京", "大阪"};
        dlg.Setup(1);
        dlg.show();
        EXPECT_EQ(dlg.focusWidget(), dlg.cmbInput);
        dlg.btnOK->Click();
        ASSERT_EQ(catcher.Shown.size(), 1u);
        EXPECT_EQ(catcher.FirstLine(), "入力または選択してから[OK]ボタンを押して下さい。");
        dlg.cmbInput->setCurrentIndex(1);
        dlg.btnOK->Click();
        EXPECT_EQ(dlg.InputText, "大阪");
    }
    {
        TInputDlgBox dlg;
        dlg.InputKind = 4;
        dlg.Date1 = Date(2026, 4, 1);
        dlg.Setup(1);
        dlg.show();
        EXPECT_EQ(dlg.txtHizuke1->GetDate().GetDate(), Date(2026, 4, 1));
        EXPECT_TRUE(dlg.txtHizuke2->IsEmpty());
        dlg.txtHizuke2->SetDate(DateTime(Date(2026, 3, 31))); // either order comes back as entered
        dlg.btnOK->Click();
        EXPECT_EQ(dlg.Date1, Date(2026, 4, 1));
        EXPECT_EQ(dlg.Date2, Date(2026, 3, 31));
    }
    {
        TInputDlgBox dlg;
        dlg.InputKind = 4;
        dlg.Setup(1);
        dlg.btnOK->Click();
        EXPECT_TRUE(dlg.Date1.IsNull()); // an empty edit returns the empty date
    }
}

TEST(InputDlg, EscAndCancelLeaveTheValuesAlone)
{
    TInputDlgBox dlg;
    dlg.InputText = "元の値";
    dlg.Setup(1);
    kbtest::WhenModal([&](QWidget*) {
        dlg.txtInput->setText("変更");
        QTest::keyClick(dlg.txtInput, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.exec(), mrCancel);
    EXPECT_EQ(dlg.InputText, "元の値");
}

TEST(InputDlg, DisabledInputMethodRefusesPasting)
{
    QApplication::clipboard()->setText("pasted");
    TInputDlgBox dlg;
    dlg.InputImeMode = TImeMode::imDisable;
    dlg.Setup(1);
    dlg.show();
    QTest::keyClick(dlg.txtInput, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(dlg.txtInput->text().isEmpty());
    EXPECT_EQ(dlg.txtInput->contextMenuPolicy(), Qt::NoContextMenu);

    TInputDlgBox open;
    open.Setup(1);
    open.show();
    QTest::keyClick(open.txtInput, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(open.txtInput->text().toStdString(), "pasted");
}

TEST(InputDlg, HintAreaShowsTheLongHint)
{
    TInputDlgBox dlg;
    dlg.InputHint = "名称|データの名称を入力します。";
    dlg.Setup(1);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.txtInput->setFocus();
    EXPECT_EQ(dlg.HintArea->toPlainText().toStdString(), "データの名称を入力します。");
    dlg.btnOK->setFocus();
    EXPECT_EQ(dlg.HintArea->toPlainText().toStdString(), "内容を確定します。");
}

TEST(InputDlg, Screenshot)
{
    if (!kbtest::ScreenshotWanted())
        GTEST_SKIP() << "KB_SCREENSHOT_DIR not set";
    TInputDlgBox dlg;
    dlg.setFont(QFont("Noto Sans CJK JP", 10));
    dlg.InputKind = 1;
    dlg.InputCaption = "データパスワードの入力";
    dlg.MainText = "このデータにはパスワードが設定されています。\nパスワードを入力してください。";
    dlg.InputHint = "パスワード|データを開くためのパスワードを入力します。";
    dlg.Setup(1);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClicks(dlg.txtInput, "secret");
    dlg.txtInput->setFocus();
    kbtest::SaveScreenshot(&dlg, "input-dialog");
}
