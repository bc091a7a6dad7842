#include "UiTestHelp.h"
#include "ui/z5MessageDlg2.h"
#include "ui/z5WinFunc.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kb;

namespace {

TMessage2InfoRec ThreeLines()
{
    TMessage2InfoRec r;
    InitMessage2Info(2, r);
    r.Lines[0].Text = "一行目";
    r.Lines[1].Text = "二行目";
    r.Lines[2].Text = "三行目";
    return r;
}

} // namespace

TEST(MessageDlg2, InitPresetsKindCaptionAndButtons)
{
    struct Case { int kind; int type; TMsgDlgButtons buttons; const char* caption; };
    const Case cases[] = {
        {0, 0, Btn(TMsgDlgBtn::mbOK), "警告"},
        {1, 1, Btn(TMsgDlgBtn::mbOK), "エラー"},
        {2, 2, Btn(TMsgDlgBtn::mbOK), "情報"},
        {3, 3, TMsgDlgButtons(Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel)), "確認"},
        {9, 4, Btn(TMsgDlgBtn::mbOK), ""},
    };
    for (const auto& c : cases) {
        TMessage2InfoRec r;
        r.Lines[3].Text = "left over";
        r.AgreeMode = 1;
        InitMessage2Info(c.kind, r);
        EXPECT_EQ(r.MsgType, c.type) << c.kind;
        EXPECT_EQ(r.Buttons, c.buttons) << c.kind;
        EXPECT_EQ(r.Caption, c.caption) << c.kind;
        EXPECT_TRUE(r.Lines[3].Text.empty());
        EXPECT_EQ(r.AgreeMode, 0);
    }
}

TEST(MessageDlg2, ButtonsFollowTheFixedOrderAndStopAtThree)
{
    TMessage2InfoRec r;
    r.Buttons = Btn(TMsgDlgBtn::mbCancel) | Btn(TMsgDlgBtn::mbNo) | Btn(TMsgDlgBtn::mbYes);
    auto b = Message2Buttons(r);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].Caption, "はい(&Y)");
    EXPECT_EQ(b[1].Caption, "いいえ(&N)");
    EXPECT_EQ(b[2].Caption, "ｷｬﾝｾﾙ(&C)");
    EXPECT_EQ(b[0].ModalResult, 6);
    EXPECT_EQ(b[1].ModalResult, 7);
    EXPECT_EQ(b[2].ModalResult, 2);

    r.Buttons |= Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbHelp);
    r.ButtonCaptions[1] = "保存しない";
    b = Message2Buttons(r);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[2].Kind, TMsgDlgBtn::mbOK); // Cancel and Help are the fourth and fifth: dropped
    EXPECT_EQ(b[1].Caption, "保存しない");
    EXPECT_EQ(b[1].ModalResult, mrNo);
}

TEST(MessageDlg2, ClientHeightAndButtonPlacement)
{
    // bottom panel 38, label tops 24, 48, 72 ...; client panel 297 at design size
    EXPECT_EQ(Message2ClientHeight(0, 38, 297), 38 + 72);
    EXPECT_EQ(Message2ClientHeight(1, 38, 297), 38 + 72);
    EXPECT_EQ(Message2ClientHeight(2, 38, 297), 38 + 96);
    EXPECT_EQ(Message2ClientHeight(3, 38, 297), 38 + 120);
    EXPECT_EQ(Message2ClientHeight(9, 38, 297), 38 + 264);
    EXPECT_EQ(Message2ClientHeight(10, 38, 297), 38 + 297);

    EXPECT_EQ(Message2ButtonLefts(530, {75}, 10), (std::vector<int>{227}));
    EXPECT_EQ(Message2ButtonLefts(530, {75, 75}, 10), (std::vector<int>{180, 275}));
    EXPECT_EQ(Message2ButtonLefts(530, {75, 75, 75}, 10), (std::vector<int>{142, 227, 312}));
    EXPECT_EQ(Message2ButtonLefts(531, {90, 75}, 10), (std::vector<int>{165, 275}));
}

TEST(MessageDlg2, PresetsReplaceTheWholeRecord)
{
    TMessage2InfoRec r;
    r.ID = 268443665;
    r.ButtonCaptions[0] = "caller's";
    r.AgreeMode = 1;
    r.AgreeCaption = "同意";
    ASSERT_TRUE(ApplyMessage2Preset(r.ID, r));
    EXPECT_EQ(r.Caption, "確認");
    EXPECT_EQ(r.MsgType, 3);
    EXPECT_EQ(r.Buttons, TMsgDlgButtons(Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel)));
    EXPECT_EQ(r.Lines[2].Color, clRed);
    EXPECT_EQ(r.Lines[2].Text, "注意）上書き入力した項目は、会計データの集計値により書き換えられます。");
    EXPECT_TRUE(r.ButtonCaptions[0].empty());
    EXPECT_EQ(r.AgreeMode, 0);

    TMessage2InfoRec u;
    u.Lines[0].Text = "anything";
    EXPECT_FALSE(ApplyMessage2Preset(12345, u));
    EXPECT_EQ(u.Caption, "情報");
    EXPECT_EQ(u.Buttons, Btn(TMsgDlgBtn::mbOK));
    EXPECT_TRUE(u.Lines[0].Text.empty());

    TMessage2InfoRec d;
    ApplyMessage2Preset(268447761, d);
    EXPECT_EQ(d.Caption, "内訳書の削除");
    EXPECT_EQ(d.Lines[1].Text, "注意）削除を行うと、内訳に記述してある金融機関名などの情報は科目情報を取り込んでも記述されません。");
    EXPECT_EQ(d.Lines[3].Text, "入れてください。");
    EXPECT_EQ(d.Lines[0].Color, 0u);
}

TEST(MessageDlg2, BoxSizesToItsLines)
{
    TMessageBox2 box;
    box.SetInfo(ThreeLines());
    box.Rebuild();
    EXPECT_EQ(box.height(), 38 + 120);
    EXPECT_EQ(box.width(), 530); // short lines: 500 + 30

    TMessage2InfoRec wide = ThreeLines();
    wide.Lines[1].Text = std::string(40, 'W') + "とても長い行です。とても長い行です。とても長い行です。";
    box.SetInfo(wide);
    box.Rebuild();
    EXPECT_EQ(box.width(), box.Label(1)->x() + box.Label(1)->width() + 30);
    EXPECT_GT(box.width(), 530);
}

TEST(MessageDlg2, CustomCaptionsWidenTheirButton)
{
    TMessage2InfoRec r = ThreeLines();
    r.Buttons = Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo);
    r.ButtonCaptions[0] = "保存して終了する(&S)";
    r.ButtonCaptions[1] = "N";
    TMessageBox2 box;
    box.SetInfo(r);
    box.Rebuild();
    EXPECT_EQ(box.Button(0)->text().toStdString(), "保存して終了する(&S)");
    EXPECT_EQ(box.Button(0)->width(), std::max(75, TextWidthByFont("保存して終了する(&S)", box.font(), 1.3)));
    EXPECT_GT(box.Button(0)->width(), 75);
    EXPECT_EQ(box.Button(1)->width(), 75); // a short caption keeps the standard width
    // two buttons either side of the middle, 10 apart from it
    EXPECT_EQ(box.Button(0)->x() + box.Button(0)->width(), box.width() / 2 - 10);
    EXPECT_EQ(box.Button(1)->x(), box.width() / 2 + 10);
}

TEST(MessageDlg2, AgreeBoxGatesTheFirstButton)
{
    TMessage2InfoRec r = ThreeLines();
    r.Buttons = Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel);
    r.AgreeMode = 1;
    r.AgreeCaption = "内容を確認しました";
    TMessageBox2 box;
    box.SetInfo(r);
    box.Rebuild();
    box.show();
    EXPECT_TRUE(box.AgreeBox()->isVisible());
    EXPECT_EQ(box.height(), 38 + 120 + 32);
    EXPECT_FALSE(box.Button(0)->isEnabled());
    QTest::mouseClick(box.AgreeBox(), Qt::LeftButton, {}, QPoint(5, box.AgreeBox()->height() / 2));
    EXPECT_TRUE(box.Button(0)->isEnabled());
    QTest::mouseClick(box.AgreeBox(), Qt::LeftButton, {}, QPoint(5, box.AgreeBox()->height() / 2));
    EXPECT_FALSE(box.Button(0)->isEnabled());
    EXPECT_TRUE(box.Button(1)->isEnabled());

    r.AgreeCaption = "  "; // blank caption: no agree box, no gating
    box.SetInfo(r);
    box.Rebuild();
    EXPECT_FALSE(box.AgreeBox()->isVisible());
    EXPECT_TRUE(box.Button(0)->isEnabled());
}

TEST(MessageDlg2, ModalResultsEscAndAgreeTick)
{
    TMessage2InfoRec r = ThreeLines();
    r.Buttons = Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo) | Btn(TMsgDlgBtn::mbCancel);
    kbtest::WhenModal([](QWidget* w) { static_cast<TMessageBox2*>(w)->Button(1)->click(); });
    EXPECT_EQ(MessageDlg2(r), mrNo);

    kbtest::WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(MessageDlg2(r), mrCancel);

    r.Buttons = Btn(TMsgDlgBtn::mbOK);
    r.AgreeMode = 2;
    r.AgreeCaption = "同意する";
    r.AgreeResult = false;
    kbtest::WhenModal([](QWidget* w) {
        auto* box = static_cast<TMessageBox2*>(w);
        box->AgreeBox()->click();
        box->Button(0)->click();
    });
    EXPECT_EQ(MessageDlg2(r), mrOk);
    EXPECT_TRUE(r.AgreeResult);
}

TEST(MessageDlg2, EnterPressesTheFocusedButton)
{
    TMessage2InfoRec r = ThreeLines();
    r.Buttons = Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo) | Btn(TMsgDlgBtn::mbCancel);
    r.DefaultButton = 1; // "いいえ(&N)" has the focus
    kbtest::WhenModal([](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); });
    EXPECT_EQ(MessageDlg2(r), mrNo);

    // The focus moved on by Tab: the keypad's Enter presses the button it reached.
    r.DefaultButton = 0;
    kbtest::WhenModal([](QWidget* w) {
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        QTest::keyClick(w->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_EQ(MessageDlg2(r), mrNo);
}

TEST(MessageDlg2, HelpButtonDoesNotClose)
{
    TMessage2InfoRec r = ThreeLines();
    r.Buttons = Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbHelp);
    TMessageBox2 box;
    box.SetInfo(r);
    box.Rebuild();
    box.show();
    box.Button(1)->click();
    EXPECT_TRUE(box.isVisible());
    box.Button(0)->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), mrOk);
}

TEST(MessageDlg2, LinkLineOpensItsAddressAndTurnsPurple)
{
    std::vector<std::string> opened;
    auto saved = TMessageBox2::UrlOpener();
    TMessageBox2::UrlOpener() = [&](const std::string& u) { opened.push_back(u); };
    TMessage2InfoRec r = ThreeLines();
    r.Lines[1].URL = "https://example.invalid/help";
    TMessageBox2 box;
    box.SetInfo(r);
    box.Rebuild();
    box.show();
    EXPECT_TRUE(box.Label(1)->font().underline());
    EXPECT_TRUE(box.Label(1)->styleSheet().contains("#0000ff"));
    QTest::mouseClick(box.Label(1), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/help"}));
    EXPECT_TRUE(box.Label(1)->styleSheet().contains("#800080"));
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.Label(0), Qt::LeftButton); // a plain line is no link
    EXPECT_EQ(opened.size(), 1u);
    TMessageBox2::UrlOpener() = saved;
}

TEST(MessageDlg2, CopyShortcutPutsCaptionAndTenRows)
{
    TMessage2InfoRec r = ThreeLines();
    r.Caption = "確認";
    const std::string expected = "---------------------------\r\n確認\r\n---------------------------\r\n"
                                 "一行目\r\n二行目\r\n三行目\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(Message2ClipboardText(r), expected);
    TMessageBox2 box;
    box.SetInfo(r);
    box.Rebuild();
    box.show();
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
}

TEST(MessageDlg2, ShortMessagesSplitAtCarriageReturns)
{
    kbtest::MessageCatcher catcher(mrYes);
    EXPECT_EQ(ShowMessage2(0, "一行目\r二行目", Btn(TMsgDlgBtn::mbYes)), mrYes);
    ASSERT_EQ(catcher.Shown.size(), 1u);
    EXPECT_EQ(catcher.Shown[0].Caption, "警告");
    EXPECT_EQ(catcher.Shown[0].Lines[0].Text, "一行目");
    EXPECT_EQ(catcher.Shown[0].Lines[1].Text, "二行目");
    EXPECT_EQ(catcher.Shown[0].Buttons, Btn(TMsgDlgBtn::mbYes));
}

TEST(MessageDlg2, ErrorReporterBoxes)
{
    kbtest::MessageCatcher catcher;
    TMessage2ErrorUi ui;
    ui.ShowMessageBox("データベースに接続できません。\r処理を終了します。", TMsgDlgType::mtError);
    ASSERT_EQ(catcher.Shown.size(), 1u);
    EXPECT_EQ(catcher.Shown[0].Caption, "エラー");
    EXPECT_EQ(catcher.Shown[0].MsgType, 1);
    EXPECT_EQ(catcher.Shown[0].Lines[1].Text, "処理を終了します。");
}

// After a fatal database report (a lost connection, a consistency check) the box promises the end:
// the request ends every running loop, a modal one included, even when a window refuses to close.
TEST(MessageDlg2, ErrorReporterEndRequestEndsTheProgramsLoops)
{
    class Stubborn : public QWidget {
    protected:
        void closeEvent(QCloseEvent* e) override { e->ignore(); }
    } window;
    window.show();
    TMessage2ErrorUi ui;
    int nested = -1;
    QTimer::singleShot(0, [&] {
        QEventLoop modal;  // as a message box's own loop
        QTimer::singleShot(0, [&] { ui.RequestTerminate(); });
        nested = modal.exec();
    });
    QObject thisTest;  // the guard below must not outlive the test
    QTimer::singleShot(5000, &thisTest, [] { QCoreApplication::exit(99); });  // the request was lost
    EXPECT_EQ(QCoreApplication::exec(), 1);
    EXPECT_EQ(nested, 1);
}

TEST(MessageDlg2, Screenshot)
{
    if (!kbtest::ScreenshotWanted())
        GTEST_SKIP() << "KB_SCREENSHOT_DIR not set";
    TMessage2InfoRec r;
    InitMessage2Info(3, r);
    r.Caption = "確認";
    r.Lines[0].Text = "所得税の申告データを作成します。";
    r.Lines[1].Text = "作成済みのデータは上書きされます。よろしいですか？";
    r.Lines[2] = {"注意）連動ファイルは申告ソフトで取り込んでください。", clRed, ""};
    r.Lines[3] = {"詳しくはこちら", 0, "https://example.invalid/"};
    r.AgreeMode = 1;
    r.AgreeCaption = "内容を確認しました";
    TMessageBox2 box;
    box.setFont(QFont("Noto Sans CJK JP", 10));
    box.SetInfo(r);
    box.Rebuild();
    box.show();
    kbtest::SaveScreenshot(&box, "message-box");
}
