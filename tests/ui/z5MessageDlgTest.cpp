#include "UiTestHelp.h"
#include "ui/z5MessageDlg.h"

#include "ui/xCheckBox.h"
#include "ui/xPlButton.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace kb;

TEST(MessageBox, ButtonsAndAgreeBoxByKind)
{
    struct Case { int kind; bool okVisible; const char* cancelCaption; int cancelResult; bool agree; bool okEnabled; };
    const Case cases[] = {
        {0, true, "キャンセル", mrCancel, false, true},
        {1, false, "OK", mrOk, false, true},
        {2, true, "キャンセル", mrCancel, true, false},
        {3, true, "キャンセル", mrCancel, true, true},
        {7, true, "キャンセル", mrCancel, false, true},
    };
    for (const auto& c : cases) {
        const auto b = MessageBoxButtons(c.kind);
        EXPECT_EQ(b.OkVisible, c.okVisible) << c.kind;
        EXPECT_EQ(b.CancelCaption, c.cancelCaption) << c.kind;
        EXPECT_EQ(b.CancelResult, c.cancelResult) << c.kind;
        EXPECT_EQ(b.AgreeVisible, c.agree) << c.kind;
        EXPECT_EQ(b.OkEnabled, c.okEnabled) << c.kind;
    }
}

TEST(MessageBox, KindOneHasOneOkButtonAndEscCancels)
{
    TMessageInfoRec r;
    InitMessageBoxRec(r);
    EXPECT_EQ(r.MainColor, clRed);
    EXPECT_EQ(r.Position, poOwnerFormCenter);
    r.MsgType = 1;
    r.Caption = "データの更新";
    r.MainText = "更新が完了しました。";
    kbtest::WhenModal([](QWidget* w) {
        auto* box = static_cast<TMessageBox*>(w);
        EXPECT_FALSE(box->btnOK->isVisible());
        EXPECT_EQ(box->btnCancel->CaptionA().Caption().toStdString(), "OK");
        EXPECT_EQ(box->focusWidget(), box->btnCancel);
        box->btnCancel->Click();
    });
    EXPECT_EQ(ShowMessageBox(r), mrOk);

    kbtest::WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox(r), mrCancel);

    r.MsgType = 0;
    kbtest::WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_F12); }); // F12 presses OK
    EXPECT_EQ(ShowMessageBox(r), mrOk);
}

TEST(MessageBox, KindTwoGatesOkWithTheAgreeBox)
{
    TMessageBox box;
    box.Kind = 2;
    box.MainText = "処理を続行します。";
    box.SetLines({"一", "二"});
    box.Setup();
    box.show();
    EXPECT_TRUE(box.cboxAgree->isVisible());
    EXPECT_FALSE(box.btnOK->isEnabled());
    box.cboxAgree->click();
    EXPECT_TRUE(box.btnOK->isEnabled());
    box.cboxAgree->click();
    EXPECT_FALSE(box.btnOK->isEnabled());
    // F12 does nothing while OK is disabled
    QTest::keyClick(&box, Qt::Key_F12);
    EXPECT_TRUE(box.isVisible());
    box.close();

    TMessageBox three;
    three.Kind = 3;
    three.Setup();
    EXPECT_FALSE(three.cboxAgree->isHidden());
    EXPECT_TRUE(three.btnOK->isEnabled());
}

TEST(MessageBox, NoLinesHidesTheMemoAndShortensTheBox)
{
    TMessageBox withLines;
    withLines.SetLines({"詳細1"});
    withLines.Setup();
    EXPECT_EQ(withLines.height(), 293);
    EXPECT_FALSE(withLines.MessageArea->isHidden());
    EXPECT_EQ(withLines.MessageArea->toPlainText().toStdString(), "詳細1");

    TMessageBox none;
    none.Setup();
    EXPECT_TRUE(none.MessageArea->isHidden());
    EXPECT_EQ(none.height(), 293 - 156);
}

TEST(MessageBox, EmptyAgreeCaptionStillShowsTheBox)
{
    TMessageInfoRec r;
    r.MsgType = 3;
    kbtest::WhenModal([](QWidget* w) {
        auto* box = static_cast<TMessageBox*>(w);
        EXPECT_TRUE(box->cboxAgree->isVisible());
        EXPECT_TRUE(box->cboxAgree->text().isEmpty());
        box->btnOK->Click();
    });
    EXPECT_EQ(ShowMessageBox(r), mrOk);
}
