// Keyboard-first entry controls: key styles, focus walking through a form, TxEdit values,
// TxComboBox key search and the function-key caption.

#include "KeyFormFixture.h"

#include "platform/Currency.h"
#include "ui/PavonaEdit.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/xCheckBox.h"
#include "ui/xComboBox.h"
#include "ui/xEdit.h"
#include "ui/xKikanPanel16.h"
#include "ui/xMaskEdit.h"
#include "ui/xPFbtn.h"
#include "ui/xPlButton.h"
#include "ui/xRadioButton.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;

TEST(KeyStyles, KeyToMoveTable)
{
    const TKeyStyles def{TKeyStyle::ksEnter, TKeyStyle::ksUp};
    const TKeyStyles all{TKeyStyle::ksEnter, TKeyStyle::ksLeft, TKeyStyle::ksUp, TKeyStyle::ksRight, TKeyStyle::ksDown};
    struct Case { int key; Qt::KeyboardModifiers mods; TKeyStyles styles; TFocusMove want; };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, def, TFocusMove::Next},
        {Qt::Key_Enter, Qt::KeypadModifier, def, TFocusMove::Next},
        {Qt::Key_Up, Qt::NoModifier, def, TFocusMove::Prev},
        {Qt::Key_Down, Qt::NoModifier, def, TFocusMove::None}, // not in the default styles
        {Qt::Key_Up, Qt::ShiftModifier, def, TFocusMove::None}, // a modifier keeps the key ordinary
        {Qt::Key_Left, Qt::NoModifier, all, TFocusMove::Prev},
        {Qt::Key_Right, Qt::NoModifier, all, TFocusMove::Next},
        {Qt::Key_Down, Qt::NoModifier, all, TFocusMove::Next},
        {Qt::Key_Down, Qt::ControlModifier, all, TFocusMove::None},
        {Qt::Key_Return, Qt::NoModifier, TKeyStyles{}, TFocusMove::None},
        {Qt::Key_A, Qt::NoModifier, all, TFocusMove::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyStyleMove(c.key, c.mods, c.styles), c.want) << "key " << c.key;
    // Bits beyond the five styles are dropped when a set is read from its stored byte.
    EXPECT_EQ(TKeyStyles::FromByte(0xFF).Byte(), 0x1F);
}

TEST(KeyStyles, EditArrowsLeaveOnlyFromTheEnds)
{
    const TKeyStyles all{TKeyStyle::ksEnter, TKeyStyle::ksLeft, TKeyStyle::ksUp, TKeyStyle::ksRight, TKeyStyle::ksDown};
    struct Case { int key; int selStart, selLen, textLen; TFocusMove want; };
    const Case cases[] = {
        {Qt::Key_Left, 1, 0, 3, TFocusMove::None},  // caret after the first digit: moves the caret
        {Qt::Key_Left, 0, 0, 3, TFocusMove::Prev},  // caret at 0
        {Qt::Key_Left, 0, 3, 3, TFocusMove::Prev},  // all selected
        {Qt::Key_Left, 0, 2, 3, TFocusMove::None},  // part selected
        {Qt::Key_Right, 0, 3, 3, TFocusMove::Next}, // all selected
        {Qt::Key_Right, 3, 0, 3, TFocusMove::None}, // caret at the end, nothing selected
        {Qt::Key_Right, 0, 0, 0, TFocusMove::Next}, // empty field
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditArrowMove(c.key, Qt::NoModifier, all, c.selStart, c.selLen, c.textLen), c.want)
            << c.key << " " << c.selStart << "/" << c.selLen << "/" << c.textLen;
}

TEST(KeyStyles, ReadingConversions)
{
    EXPECT_EQ(ToKatakana("やまだ たろう"), "ヤマダ タロウ");
    EXPECT_EQ(ToHalfWidth("ヤマダ　ガッコウ"), "ﾔﾏﾀﾞ ｶﾞｯｺｳ");
    EXPECT_EQ(ToHalfWidth("パーティー１"), "ﾊﾟｰﾃｨｰ1");
    EXPECT_TRUE(IsKanaReading("やまだ"));
    EXPECT_TRUE(IsKanaReading("ｶﾅ"));
    EXPECT_FALSE(IsKanaReading("山田"));
    EXPECT_FALSE(IsKanaReading(""));
}

// Enter walks every field of a form, in order, and never presses the default button.
TEST(KeyForm, EnterWalksEveryField)
{
    KeyForm f;
    auto* ok = new QPushButton("OK");
    ok->setDefault(true);
    bool accepted = false;
    QObject::connect(&f, &QDialog::accepted, [&] { accepted = true; });
    auto* edit = f.Add(new TxEdit);
    auto* check = f.Add(new TxCheckBox);
    auto* radio = f.Add(new TxRadioButton);
    auto* combo = f.Add(new TxComboBox);
    combo->addItems({"001:現金", "002:普通預金"});
    auto* mask = f.Add(new TxMaskEdit);
    mask->setInputMask("99/99");
    auto* amount = f.Add(new TPavonaEdit);
    auto* date = f.Add(new TPavonaExDateEdit);
    auto* kikan = f.Add(new TxKikanPanel16);
    auto* button = f.Add(new TxPlButton);
    bool clicked = false;
    QObject::connect(button, &TxPlButton::Clicked, [&] { clicked = true; });
    f.Add(ok);
    f.Open();
    edit->setFocus();
    ASSERT_EQ(KeyForm::Focus(), edit);
    const std::vector<QWidget*> want = {check, radio, combo, mask, amount, date->EraBox(), date->YearEdit(),
                                        date->MonthEdit(), date->DayEdit(), kikan, button};
    for (QWidget* w : want) {
        QTest::keyClick(KeyForm::Focus(), Qt::Key_Return);
        EXPECT_EQ(KeyForm::Focus(), w) << "expected " << w->metaObject()->className();
    }
    EXPECT_FALSE(accepted);
    QTest::keyClick(KeyForm::Focus(), Qt::Key_Return); // Enter on the button clicks it
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(accepted);
}

TEST(KeyForm, ArrowsFollowTheKeyStyles)
{
    KeyForm f;
    auto* first = f.Add(new TxEdit);
    auto* check = f.Add(new TxCheckBox);
    auto* after = f.Add(new TxEdit);
    f.Open();
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(KeyForm::Focus(), check);
    QTest::keyClick(check, Qt::Key_Up);
    EXPECT_EQ(KeyForm::Focus(), first);

    check->SetKeyStyles(TKeyStyles{TKeyStyle::ksDown});
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Down);
    EXPECT_EQ(KeyForm::Focus(), after);

    // No styles: Enter is the base control's again (a check box ignores it), the focus stays.
    check->SetKeyStyles(TKeyStyles{});
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Return);
    EXPECT_EQ(KeyForm::Focus(), check);
}

TEST(KeyForm, EditLeftRightByCaret)
{
    KeyForm f;
    auto* before = f.Add(new TxEdit);
    auto* e = f.Add(new TxEdit);
    auto* after = f.Add(new TxEdit);
    e->SetKeyStyles(TKeyStyles{TKeyStyle::ksEnter, TKeyStyle::ksLeft, TKeyStyle::ksRight});
    e->setText("123");
    f.Open();
    e->SetCursorPos(TCursorPoss::cpLeft);
    e->setFocus();
    e->setCursorPosition(1);
    QTest::keyClick(e, Qt::Key_Left);
    EXPECT_EQ(KeyForm::Focus(), e);
    EXPECT_EQ(e->cursorPosition(), 0);
    QTest::keyClick(e, Qt::Key_Left);
    EXPECT_EQ(KeyForm::Focus(), before);

    e->SetCursorPos(TCursorPoss::cpRight);
    e->setFocus();
    EXPECT_EQ(e->cursorPosition(), 3);
    QTest::keyClick(e, Qt::Key_Right); // caret at the end with nothing selected: stays
    EXPECT_EQ(KeyForm::Focus(), e);
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Right);
    EXPECT_EQ(KeyForm::Focus(), after);
}

TEST(TxEdit, CurrAndLong)
{
    TxEdit e;
    e.setText("45");
    e.SetLong(0);
    EXPECT_EQ(e.text(), "45");
    EXPECT_EQ(e.Long(), 45);
    e.setText("4a");
    EXPECT_EQ(e.Long(), 0);
    e.SetLong(-12);
    EXPECT_EQ(e.text(), "-12");
    e.setText("1234.5");
    EXPECT_EQ(e.Curr(), Currency::FromRaw(12345000));
    e.setText("x");
    EXPECT_TRUE(e.Curr().IsZero());
    e.SetCurr(Currency::FromRaw(-15000));
    EXPECT_EQ(e.text(), "-1.5");
}

TEST(TxEdit, ReadingCaptureIsOffByDefaultAndKeepsTypedKana)
{
    KeyForm f;
    auto* e = f.Add(new TxEdit);
    auto* other = f.Add(new TxEdit);
    f.Open();
    e->setFocus();
    QTest::keyClicks(e, "abc");
    EXPECT_EQ(e->kana(), "");
    e->SetKanaSw(true);
    other->setFocus();
    e->setFocus(); // entering clears the buffer and switches the capture on
    QTest::keyClicks(e, "yamada");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("やまだ"));
    QApplication::sendEvent(e, &commit);
    QInputMethodEvent kanji;
    kanji.setCommitString(QStringLiteral("山田")); // converted text carries no reading here
    QApplication::sendEvent(e, &kanji);
    EXPECT_EQ(e->kana(), "yamadaﾔﾏﾀﾞ");
}

TEST(TxComboBox, KeyPartNeverSplitsADoubleByteCharacter)
{
    EXPECT_EQ(ComboKeyPart("002:Bank", 3, ":"), "002");
    EXPECT_EQ(ComboKeyPart("02:Bank", 3, ":"), "02");
    EXPECT_EQ(ComboKeyPart("0021", 3, ":"), "002");
    EXPECT_EQ(ComboKeyPart("現金預金", 3, ":"), "現"); // 3 bytes: one whole character and no half
    EXPECT_EQ(ComboKeyPart(" 7 ", 3, ":"), "7");
    const QStringList items{"001:Cash", "002:Bank", "003:Cards"};
    EXPECT_EQ(ComboFindPrefix(items, "00", 1), 1); // the current item wins
    EXPECT_EQ(ComboFindPrefix(items, "001", 2), 0); // wraps to the top
    EXPECT_EQ(ComboFindPrefix(items, "009", 0), -1);
}

TEST(TxComboBox, KeySearchRemembersAndRestoresOnLeaving)
{
    KeyForm f;
    auto* c = f.Add(new TxComboBox);
    auto* other = f.Add(new TxEdit);
    c->setEditable(true);
    c->addItems({"001:Cash", "002:Bank"});
    c->SetKeyLen(3);
    c->SetItemIndex(0);
    f.Open();
    c->setFocus();
    c->lineEdit()->selectAll();
    QTest::keyClicks(c, "002");
    EXPECT_EQ(c->RememberedIndex(), 1);
    EXPECT_EQ(c->currentText(), "002");
    other->setFocus();
    EXPECT_EQ(c->currentIndex(), 1);
    EXPECT_EQ(c->currentText(), "002:Bank");

    c->setFocus();
    c->lineEdit()->selectAll();
    QTest::keyClicks(c, "009");
    EXPECT_EQ(c->currentIndex(), -1);
    EXPECT_EQ(c->currentText(), "009");
    other->setFocus();
    EXPECT_EQ(c->currentText(), "002:Bank");
}

TEST(TxComboBox, DeleteInAnEmptyFieldSelectsTheFirstItem)
{
    KeyForm f;
    auto* c = f.Add(new TxComboBox);
    c->setEditable(true);
    c->addItems({"001:Cash", "002:Bank"});
    c->setCurrentIndex(-1);
    c->setEditText("");
    f.Open();
    c->setFocus();
    QTest::keyClick(c, Qt::Key_Delete);
    EXPECT_EQ(c->currentIndex(), 0);
    EXPECT_EQ(c->currentText(), "001:Cash");
    EXPECT_EQ(c->RememberedIndex(), 0);
}

TEST(TxPFbtn, NameGivesTheOwnersTag)
{
    KeyForm f;
    auto* f10 = f.Add(new TxPFbtn);
    f10->setObjectName("F10");
    f10->setFixedSize(40, 20);
    auto* lower = f.Add(new TxPFbtn);
    lower->setObjectName("f1");
    lower->setFixedSize(40, 20);
    f.setProperty("Tag", -5);
    f.Open();
    QTest::mouseClick(lower, Qt::LeftButton);
    EXPECT_EQ(f.property("Tag").toInt(), -5);
    QTest::mousePress(f10, Qt::LeftButton);
    EXPECT_TRUE(f10->Lowered());
    QTest::mouseRelease(f10, Qt::LeftButton);
    EXPECT_FALSE(f10->Lowered());
    EXPECT_EQ(f.property("Tag").toInt(), 10);
    EXPECT_EQ(PFbtnKeyNumber("ESC"), 0);
    EXPECT_EQ(PFbtnKeyNumber("F11"), -1);
}
