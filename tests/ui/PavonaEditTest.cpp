// The numeric edit: filters, zero keys, the minus key, number formatting with live separators and
// the caret, and the advance when the field is full.

#include "KeyFormFixture.h"

#include "ui/PavonaEdit.h"
#include "ui/xEdit.h"

#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;

TEST(PavonaEditRules, FormatNumberText)
{
    struct Case { const char* text; const char* pattern; const char* want; };
    const Case cases[] = {
        {"1234567", "#,##0", "1,234,567"},
        {"1,234,567", "#,##0", "1,234,567"},
        {"123", "#,##0", "123"},
        {"-1500", "#,##0", "-1,500"},
        {"", "#,##0", "0"},
        {"abc", "#,##0", "0"},
        {"0", "#,##0", "0"},
        {"999.5", "#,##0", "1,000"},  // half away from zero
        {"-2.5", "#,##0", "-3"},
        {"-0.4", "#,##0", "0"},       // no negative zero
        {"12.345", "#,##0.00", "12.35"},
        {"12.3", "#,##0.##", "12.3"},
        {"12", "#,##0.##", "12"},
        {"1234", "0", "1234"},
        {"5", "000", "005"},
        {"12345678901", "#,##0", "12,345,678,901"},
        {"99999999999999999999", "#,##0", "99,999,999,999,999,999,999"}, // no overflow: decimal text
    };
    for (const Case& c : cases) EXPECT_EQ(FormatNumberText(c.text, c.pattern), c.want) << c.text << " " << c.pattern;
}

TEST(PavonaEditRules, FiltersZeroKeysSignAndCaret)
{
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esNumeric, '7'));
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esNumeric, 8));
    EXPECT_FALSE(EditStyleAccepts(TEditStyle::esNumeric, '-'));
    EXPECT_FALSE(EditStyleAccepts(TEditStyle::esNumeric, '.'));
    EXPECT_FALSE(EditStyleAccepts(TEditStyle::esNumeric, 22)); // Ctrl+V
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esFloat, '.'));
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esNumericMinus, '-'));
    EXPECT_FALSE(EditStyleAccepts(TEditStyle::esNumericMinus, '.'));
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esFloatMinus, '.'));
    EXPECT_TRUE(EditStyleAccepts(TEditStyle::esNone, 'x'));

    EXPECT_TRUE(ZeroKeyActive(TZeroKey::zkDot, TEditStyle::esNumericMinus));
    EXPECT_FALSE(ZeroKeyActive(TZeroKey::zkDot, TEditStyle::esFloat));
    EXPECT_FALSE(ZeroKeyActive(TZeroKey::zkMinus, TEditStyle::esNumericMinus));
    EXPECT_TRUE(ZeroKeyActive(TZeroKey::zkMinus, TEditStyle::esNumeric));
    EXPECT_FALSE(ZeroKeyActive(TZeroKey::zkPlus, TEditStyle::esNone));

    EXPECT_EQ(NegatedNumberText("1,500"), "-1500");
    EXPECT_EQ(NegatedNumberText("-1500"), "1500");
    EXPECT_EQ(NegatedNumberText("2.50"), "-2.5");
    EXPECT_EQ(NegatedNumberText("0"), std::nullopt);
    EXPECT_EQ(NegatedNumberText(""), std::nullopt);

    // p, n, a, b: caret, length before, separators before and after.
    EXPECT_EQ(LiveSeparatorCaret(4, 4, 0, 1, 5), 5);  // 1234| -> 1,234|
    EXPECT_EQ(LiveSeparatorCaret(4, 4, 1, 0, 3), 3);  // 1,23| -> 123|
    EXPECT_EQ(LiveSeparatorCaret(2, 5, 1, 1, 5), 2);  // same separators: caret stays
    EXPECT_EQ(LiveSeparatorCaret(0, 0, 0, 0, 1), 1);  // emptied field shows 0 with the caret after it
}

namespace {
TPavonaEdit* AmountEdit(KeyForm& f)
{
    auto* e = f.Add(new TPavonaEdit);
    e->SetEditStyle(TEditStyle::esNumericMinus);
    e->SetOutputFormat("#,##0");
    e->SetComma(true);
    e->SetZero3Key(TZeroKey::zkDot);
    e->setAlignment(Qt::AlignRight);
    e->SetMaxLength(11);
    return e;
}
} // namespace

TEST(TPavonaEdit, LiveSeparatorsAndCaret)
{
    KeyForm f;
    auto* e = AmountEdit(f);
    f.Open();
    e->setFocus();
    QTest::keyClicks(e, "1234567");
    EXPECT_EQ(e->text(), "1,234,567");
    EXPECT_EQ(e->cursorPosition(), 9);
    EXPECT_EQ(e->PlainText(), "1234567");
    // Typing in the middle keeps the caret after the typed digit: 1,2|34,567 + 9 -> 12,9|34,567.
    e->setCursorPosition(3);
    QTest::keyClick(e, Qt::Key_9);
    EXPECT_EQ(e->text(), "12,934,567");
    EXPECT_EQ(e->cursorPosition(), 4);
    e->setCursorPosition(static_cast<int>(e->text().size()));
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "1,293,456");
    EXPECT_EQ(e->cursorPosition(), 9);
}

TEST(TPavonaEdit, ElevenDigitsFillTheFieldAndATwelfthIsRefused)
{
    KeyForm f;
    auto* e = AmountEdit(f);
    f.Open();
    e->setFocus();
    QTest::keyClicks(e, "12345678901");
    EXPECT_EQ(e->text(), "12,345,678,901");
    EXPECT_EQ(e->text().size(), 14);
    QTest::keyClick(e, Qt::Key_2);
    EXPECT_EQ(e->text(), "12,345,678,901");
}

TEST(TPavonaEdit, MinusTogglesTheSignAndZeroKeyTypesThousands)
{
    KeyForm f;
    auto* e = AmountEdit(f);
    f.Open();
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Minus); // empty field: the minus is typed
    EXPECT_EQ(e->text(), "-");
    QTest::keyClicks(e, "15");
    QTest::keyClick(e, Qt::Key_Period); // "." types "000" here
    EXPECT_EQ(e->text(), "-15,000");
    QTest::keyClick(e, Qt::Key_Minus);
    EXPECT_EQ(e->text(), "15,000");
    EXPECT_EQ(e->cursorPosition(), 6);
    e->setText("1,500");
    e->setCursorPosition(1);
    QTest::keyClick(e, Qt::Key_Minus);
    EXPECT_EQ(e->text(), "-1,500");
    EXPECT_EQ(e->cursorPosition(), 6);
}

TEST(TPavonaEdit, WithoutCommaFormatsOnLeavingAndUnformatsOnEntering)
{
    KeyForm f;
    auto* e = f.Add(new TPavonaEdit);
    auto* other = f.Add(new TxEdit);
    e->SetEditStyle(TEditStyle::esNumeric);
    e->SetOutputFormat("#,##0");
    f.Open();
    e->setFocus();
    QTest::keyClicks(e, "12a-.34567");
    EXPECT_EQ(e->text(), "1234567"); // letters, "-" and "." dropped
    other->setFocus();
    EXPECT_EQ(e->text(), "1,234,567");
    e->setFocus();
    EXPECT_EQ(e->text(), "1234567");
    EXPECT_EQ(e->selectedText(), "1234567");
    e->clear();
    other->setFocus();
    EXPECT_EQ(e->text(), "0");
    e->SetAllowBlank(true);
    e->setFocus();
    e->clear();
    other->setFocus();
    EXPECT_EQ(e->text(), "");
}

TEST(TPavonaEdit, FloatPoint)
{
    KeyForm f;
    auto* e = f.Add(new TPavonaEdit);
    e->SetEditStyle(TEditStyle::esFloat);
    e->SetZero3Key(TZeroKey::zkDot); // idle: "." is the decimal point here
    f.Open();
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Period);
    EXPECT_EQ(e->text(), "");
    QTest::keyClicks(e, "12.5.");
    EXPECT_EQ(e->text(), "12.5");
}

TEST(TPavonaEdit, AdvanceWhenFull)
{
    KeyForm f;
    auto* e = f.Add(new TPavonaEdit);
    auto* next = f.Add(new TxEdit);
    e->SetEditStyle(TEditStyle::esNumeric);
    e->SetMaxLength(4);
    e->SetAutoNextCtls(TAutoNextCtls{TAutoNextCtl::acMaxLength});
    f.Open();
    e->setFocus();
    QTest::keyClicks(e, "1234");
    EXPECT_EQ(e->text(), "1234");
    EXPECT_EQ(KeyForm::Focus(), next);

    e->SetAutoNextCtls(TAutoNextCtls{TAutoNextCtl::acMaxLength, TAutoNextCtl::acSendEnter});
    e->setFocus();
    e->setText("123");
    e->setCursorPosition(3);
    QTest::keyClick(e, Qt::Key_4);
    EXPECT_EQ(e->text(), "1234");
    EXPECT_EQ(KeyForm::Focus(), e); // the owner decides
    EXPECT_TRUE(e->AutoNextCtls_Result().Has(TAutoNextCtl::acMaxLength));
    EXPECT_TRUE(e->AutoNextCtls_Result().Has(TAutoNextCtl::acSendEnter));

    // With acTabKey, Tab is reported instead of moving; Shift+Tab is swallowed.
    e->SetAutoNextCtls(TAutoNextCtls{TAutoNextCtl::acTabKey});
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(KeyForm::Focus(), e);
    EXPECT_TRUE(e->AutoNextCtls_Result().Has(TAutoNextCtl::acTabKey));
    QTest::keyClick(e, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(KeyForm::Focus(), e);

    e->SetAutoNextCtls(TAutoNextCtls{TAutoNextCtl::acDownKey});
    QTest::keyClick(e, Qt::Key_Down);
    EXPECT_EQ(KeyForm::Focus(), e);
    EXPECT_TRUE(e->AutoNextCtls_Result().Has(TAutoNextCtl::acDownKey));
    EXPECT_TRUE(e->AutoNextCtls_Result().Has(TAutoNextCtl::acSendEnter));
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(KeyForm::Focus(), next);
}

TEST(TPavonaEdit, ReadingCaptureOnlyWhenAsked)
{
    KeyForm f;
    auto* e = f.Add(new TPavonaEdit);
    f.Open();
    e->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("やまだ"));
    QApplication::sendEvent(e, &commit);
    EXPECT_EQ(e->Kana(), "");
    e->SetKanaMode(TKanaMode::kmHankaku);
    QApplication::sendEvent(e, &commit);
    EXPECT_EQ(e->Kana(), "ﾔﾏﾀﾞ");
    e->SetKana("");
    e->SetKanaMode(TKanaMode::kmZenkaku);
    QApplication::sendEvent(e, &commit);
    EXPECT_EQ(e->Kana(), "ヤマダ");
}
