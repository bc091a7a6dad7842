// The wait, comparison and confirmation forms used as a user uses them (offscreen).

#include "comm/z5HikakuMess2.h"
#include "comm/z5TusinSetteiPas.h"
#include "comm/z5WaitMess.h"
#include "common/FakeUi.h"
#include "ui/xAnimeProgressDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kb;

TEST(TusinForms, PasswordConfirmationNeedsTheTickAndTheMatchingPassword)
{
    kbtest::RecordingErrorUi ui;
    TScopedErrorUi install(&ui);
    struct Case { bool tick; const char* typed; const char* match; const char* tickText; int result; const char* notice; };
    const Case cases[] = {
        {true, "ABC123", "ABC123", "削除処理を実行します", 1, ""},
        {true, "", "", "削除処理を実行します", 1, ""},
        {true, "ABC124", "ABC123", "削除処理を実行します", 0, "パスワードが違います。"},
        {false, "ABC123", "ABC123", "削除処理を実行します", 0, "「削除処理を実行します」をチェックしてください。"},
        {false, "ABC123", "ABC123", "解除処理を実行します", 0, "「解除処理を実行します」をチェックしてください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ui.shown.clear();
        TfmTusinSettiPas form;
        form.MatchPassword = c.match;
        form.CheckBox1->setText(QString::fromUtf8(c.tickText));
        form.CheckBox1->setChecked(c.tick);
        form.show();
        QTest::keyClicks(form.txtConPasswd, QString::fromUtf8(c.typed));
        form.btnOK->click();
        EXPECT_EQ(form.result(), c.result);
        EXPECT_EQ(form.isVisible(), c.result == 0);
        if (*c.notice) {
            ASSERT_EQ(ui.shown.size(), 1u);
            EXPECT_EQ(ui.shown[0], c.notice);
        } else {
            EXPECT_TRUE(ui.shown.empty());
        }
    }
    TfmTusinSettiPas cancel;
    cancel.show();
    cancel.ESC->click();
    EXPECT_EQ(cancel.result(), 2);
    // Only letters and digits are typed, at most six.
    TfmTusinSettiPas typing;
    typing.show();
    QTest::keyClicks(typing.txtConPasswd, QStringLiteral("a-b_c1234567"));
    EXPECT_EQ(typing.txtConPasswd->text(), QStringLiteral("abc123"));
}

TEST(TusinForms, ComparisonAnswers)
{
    {
        TfmHikakuMess2 f;
        EXPECT_EQ(HikakuAnswer, 1);
        f.show();
        f.btnNo->click();
        EXPECT_EQ(HikakuAnswer, 0);
    }
    {
        TfmHikakuMess2 f;
        f.show();
        f.close(); // the system menu's close
        EXPECT_EQ(HikakuAnswer, 1);
    }
    TfmHikakuMess2 f;
    f.show();
    f.btnYes->click();
    EXPECT_EQ(HikakuAnswer, 1);
    EXPECT_FALSE(f.isVisible());
}

TEST(TusinForms, WaitLinesAndTheEscapeGuard)
{
    TfmWaitMess wait;
    wait.resize(435, 194);
    wait.show();
    EXPECT_TRUE(wait.Line(1)->isChecked());
    EXPECT_EQ(wait.Line(5)->text(), QStringLiteral("経営Azimo（クラウド）へデータ送信"));
    wait.SetLine(2, QStringLiteral("送信用データ圧縮　実行中"), TWaitLineState::Running);
    EXPECT_TRUE(wait.Line(2)->isChecked());
    EXPECT_EQ(wait.Line(2)->palette().color(QPalette::WindowText), QColor(Qt::blue));
    wait.SetLine(2, QStringLiteral("送信用データ圧縮　終了"), TWaitLineState::Done);
    EXPECT_EQ(wait.Line(2)->text(), QStringLiteral("送信用データ圧縮　終了"));
    EXPECT_EQ(wait.Line(2)->palette().color(QPalette::WindowText), QColor(Qt::gray));
    wait.SetLine(5, {}, TWaitLineState::Hidden);
    EXPECT_FALSE(wait.Line(5)->isVisible());
    EXPECT_TRUE(wait.Spinner()->Active());
    EXPECT_EQ(TfmWaitMess2().Line(1)->text(), QStringLiteral("クラウドシェア認証チェック"));

    QDialog dialog;
    dialog.show();
    {
        TEscKeyGuard guard;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
    }
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TusinForms, WaitViewFollowsTheEngineSteps)
{
    struct View : TTusinWaitView {
        using TTusinWaitView::TTusinWaitView;
        void Information(const std::string&) override {}
        void Warning(const std::string&) override {}
        void Error(const std::string&) override {}
        bool Confirm(const std::string&) override { return true; }
        bool AgreeDifferences(const std::string&, const std::vector<std::string>&) override { return true; }
        void ListButtons(bool) override {}
    } view(nullptr);
    view.WaitOpen("", {"送信用データ保存　実行中", "送信用データ圧縮", "送信用データ暗号化", "中継サーバーへデータ送信", "x"});
    ASSERT_NE(view.Form(), nullptr);
    EXPECT_EQ(view.Form()->size(), QSize(435, 194));
    EXPECT_EQ(view.Form()->Line(1)->text(), QStringLiteral("送信用データ保存　実行中"));
    view.WaitLine(5, "", TWaitLineState::Hidden);
    EXPECT_FALSE(view.Form()->Line(5)->isVisible());
    QDialog behind;
    behind.show();
    view.EscGuard(true);
    QTest::keyClick(&behind, Qt::Key_Escape);
    EXPECT_TRUE(behind.isVisible());
    view.EscGuard(false);
    view.WaitClose();
    EXPECT_EQ(view.Form(), nullptr);
}
