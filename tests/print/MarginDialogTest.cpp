// The margin dialog offscreen: typed keys through the number filter, clamping when an edit is left,
// focus moves by Enter and the arrows, the up-down partners, and the values after OK.

#include "print/Plotivar_yohaku.h"
#include "ui/xEdit.h"

#include "ui/UiTestHelp.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kb;

namespace {

TEST(MarginDialog, NumericKeyFilter)
{
    struct Case {
        char32_t key;
        const char* text;
        bool whole, passes;
    } cases[] = {
        {U'5', "", false, true},   {U'0', "", false, true},   {U'0', "0", false, false}, {U'0', "-", false, false},
        {U'0', "0", true, true},   {U'0', "-5", false, true}, {U'\b', "0", false, true}, {U'-', "", false, true},
        {U'-', "12", true, true},  {U'-', "12", false, false}, {U'-', "-", false, false}, {U'a', "", true, false},
        {U'+', "", false, false},  {U'.', "1", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterNumericKey(c.key, c.text, c.whole), c.passes) << int(c.key) << " '" << c.text << "' " << c.whole;
}

class MarginDialogShown : public ::testing::Test {
protected:
    void SetUp() override
    {
        dlg_.show();
        QApplication::setActiveWindow(&dlg_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg_));
    }
    // Puts the focus into edit with its text and the whole text selected or the caret at the end.
    void Enter(TxEdit* edit, const char* text, bool selectAll)
    {
        edit->setFocus();
        edit->setText(QString::fromUtf8(text));
        if (selectAll)
            edit->selectAll();
        else
            edit->setCursorPosition(static_cast<int>(edit->text().size()));
    }
    Tfmyohaku dlg_;
};

TEST_F(MarginDialogShown, TypedKeysGiveTexts)
{
    struct Case {
        const char* start;
        bool selected;
        const char* keys;
        const char* text;
    } cases[] = {
        {"", false, "-50", "-50"},
        {"", false, "-0", "-"},
        {"", false, "--5", "-5"},
        {"0", true, "7", "7"},
        {"0", false, "0", "0"},
        {"12", true, "-9", "-9"},
        {"", false, "1234", "123"},  // three characters at most
        {"", false, "a1x2", "12"},
        {"-", false, "0", "-"},
    };
    for (const Case& c : cases) {
        Enter(dlg_.EdTop, c.start, c.selected);
        QTest::keyClicks(dlg_.EdTop, QString::fromUtf8(c.keys));
        EXPECT_EQ(dlg_.EdTop->text().toStdString(), c.text) << c.start << " + " << c.keys;
    }
}

TEST_F(MarginDialogShown, LeavingAnEditClampsItAndStoresTheValue)
{
    struct Case {
        TxEdit* edit;
        const char* typed;
        const char* text;
        std::int32_t Tfmyohaku::*value;
        int expected;
    } cases[] = {
        {dlg_.EdTop, "150", "100", &Tfmyohaku::TopValue, 100},
        {dlg_.EdTop, "-99", "-99", &Tfmyohaku::TopValue, -99},
        {dlg_.EdLeft, "999", "100", &Tfmyohaku::LeftValue, 100},
        {dlg_.EdVRatio, "60", "50", &Tfmyohaku::VRatioValue, 50},
        {dlg_.EdHRatio, "-51", "-50", &Tfmyohaku::HRatioValue, -50},
        {dlg_.EdHRatio, "-", "-", &Tfmyohaku::HRatioValue, 0},
    };
    for (const Case& c : cases) {
        Enter(c.edit, "", false);
        QTest::keyClicks(c.edit, QString::fromUtf8(c.typed));
        dlg_.Button1->setFocus(); // leaves the edit
        EXPECT_EQ(c.edit->text().toStdString(), c.text) << c.typed;
        EXPECT_EQ(dlg_.*c.value, c.expected) << c.typed;
    }
}

TEST_F(MarginDialogShown, EnterAndArrowsMoveByKeyStyles)
{
    dlg_.EdTop->setFocus();
    QTest::keyClick(dlg_.EdTop, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dlg_.EdLeft);
    QTest::keyClick(dlg_.EdLeft, Qt::Key_Down); // not in the default styles
    EXPECT_EQ(QApplication::focusWidget(), dlg_.EdLeft);
    QTest::keyClick(dlg_.EdLeft, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), dlg_.EdTop);

    dlg_.EdTop->SetKeyStyles(TKeyStyles{TKeyStyle::ksEnter, TKeyStyle::ksRight});
    Enter(dlg_.EdTop, "12", false);
    QTest::keyClick(dlg_.EdTop, Qt::Key_Right); // caret at the end, nothing selected: stays
    EXPECT_EQ(QApplication::focusWidget(), dlg_.EdTop);
    dlg_.EdTop->selectAll();
    QTest::keyClick(dlg_.EdTop, Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), dlg_.EdLeft);
}

TEST_F(MarginDialogShown, UpDownStepsThePartnerWithinItsRange)
{
    dlg_.EdTop->setText("95");
    dlg_.UpDown2->UpButton->click();
    EXPECT_EQ(dlg_.EdTop->text().toStdString(), "100");
    dlg_.UpDown2->DownButton->click();
    EXPECT_EQ(dlg_.EdTop->text().toStdString(), "90");
    dlg_.EdVRatio->setText("-50");
    dlg_.UpDown3->DownButton->click();
    EXPECT_EQ(dlg_.EdVRatio->text().toStdString(), "-50");
    dlg_.UpDown3->UpButton->click();
    EXPECT_EQ(dlg_.EdVRatio->text().toStdString(), "-49");
}

TEST(MarginDialog, ValuesAfterOk)
{
    Tfmyohaku dlg;
    dlg.SetTopOffset(-30);
    dlg.SetLeftOffset(40);
    dlg.SetVRatio(1030);
    EXPECT_EQ(dlg.EdVRatio->text().toStdString(), "30");
    dlg.SetHRatio(900); // outside 950..1050: shown as 0, kept until OK
    EXPECT_EQ(dlg.EdHRatio->text().toStdString(), "0");
    EXPECT_EQ(dlg.HRatioValue, 900);
    EXPECT_EQ(dlg.EdTop->text().toStdString(), "-30");

    kbtest::WhenModal([&](QWidget*) {
        dlg.EdVRatio->setText("-5");
        dlg.EdHRatio->setText("12");
        dlg.Button1->click();
    });
    ASSERT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.TopValue, -30);
    EXPECT_EQ(dlg.LeftValue, 40);
    EXPECT_EQ(dlg.VRatioValue, 995);
    EXPECT_EQ(dlg.HRatioValue, 1012);
}

} // namespace
