#include "ui/xCheckedComboBox.h"

#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace kb;

namespace {
TCheckedComboLogic FiveItems()
{
    TCheckedComboLogic l;
    l.SetItems({"A", "B", "C", "D", "E"});
    return l;
}
} // namespace

TEST(CheckedCombo, CountDisplay)
{
    auto l = FiveItems();
    EXPECT_EQ(l.DisplayText(), "未選択");
    l.Tick(3, true);
    EXPECT_EQ(l.DisplayText(), "D");
    l.Tick(0, true);
    l.Tick(4, true);
    EXPECT_EQ(l.TickedCount, 3);
    EXPECT_EQ(l.TickedText, "D,A,E");
    EXPECT_EQ(l.DisplayText(), "3件選択");
    l.Tick(0, false);
    EXPECT_EQ(l.TickedText, "D,E");
    EXPECT_EQ(l.TickedCount, 2);
    l.Tick(1, false); // not ticked: nothing changes
    EXPECT_EQ(l.TickedCount, 2);
    EXPECT_EQ(l.TickedItems(), (std::vector<std::string>{"D", "E"}));
    l.SetItems({"X", "Y"});
    EXPECT_EQ(l.DisplayText(), "未選択");
    EXPECT_EQ(l.TickedCount, 0);
}

TEST(CheckedCombo, SingleSelectAndSelectAll)
{
    auto l = FiveItems();
    l.MultiSelect = false;
    l.Tick(0, true);
    l.Tick(1, true);
    EXPECT_EQ(l.TickedText, "B");
    EXPECT_EQ(l.TickedCount, 1);
    EXPECT_FALSE(l.Checked[0]);
    EXPECT_FALSE(l.SelectAll());
    EXPECT_EQ(l.TickedCount, 1);

    l.MultiSelect = true;
    EXPECT_TRUE(l.SelectAll());
    EXPECT_EQ(l.TickedText, "A,B,C,D,E");
    EXPECT_EQ(l.TickedCount, 5);
    l.ClearAll();
    EXPECT_EQ(l.TickedCount, 0);
    EXPECT_TRUE(l.TickedText.empty());
}

TEST(CheckedCombo, ItemsDisplayOrder)
{
    TCheckedComboLogic l;
    l.DispStyle = TCHBDispStyle::dsItems;
    l.SetItems({"Red", "Green", "Blue"});
    l.Tick(2, true);
    l.Tick(0, true);
    EXPECT_EQ(l.DisplayText(), "Blue,Red");
    l.SortDisplay = true;
    EXPECT_EQ(l.DisplayText(), "Red,Blue");
}

TEST(CheckedCombo, PopupLinesAndPlacement)
{
    EXPECT_EQ(TCheckedComboLogic::PopupLines(15, 0, 25), 15);
    EXPECT_EQ(TCheckedComboLogic::PopupLines(15, 2, 25), 13);
    EXPECT_EQ(TCheckedComboLogic::PopupLines(15, 0, 3), 3);
    EXPECT_EQ(TCheckedComboLogic::PopupLines(15, 3, 90), 20);
    // below the control: 16 px rows x 5 + 4
    EXPECT_EQ(TCheckedComboLogic::PopupRect({10, 100}, 120, 20, 150, 16, 5, 1000), QRect(10, 100, 150, 84));
    // it would reach the last 20 pixels: above the control
    EXPECT_EQ(TCheckedComboLogic::PopupRect({10, 900}, 120, 20, 100, 16, 5, 1000), QRect(10, 900 - 84 - 20, 120, 84));
}

TEST(CheckedCombo, ControlTicksThroughItsPopup)
{
    TxCheckedComboBox box;
    EXPECT_EQ(box.Version(), "1.0.3");
    box.show();
    box.DropDown(); // no items: pressed face, no pop-up
    EXPECT_EQ(box.ButtonState(), "DROPDOWN_PRESS");
    EXPECT_FALSE(box.IsDroppedDown());

    box.SetItems({"佐藤", "鈴木", "高橋"});
    int changes = 0;
    QObject::connect(&box, &TxCheckedComboBox::OnChange, [&] { ++changes; });
    box.DropDown();
    ASSERT_TRUE(box.IsDroppedDown());
    box.List()->item(0)->setCheckState(Qt::Checked);
    box.List()->item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(box.DisplayText(), "2件選択");
    EXPECT_EQ(box.TickedItems(), (std::vector<std::string>{"佐藤", "高橋"}));
    QTest::keyClick(box.List(), Qt::Key_Escape);
    EXPECT_FALSE(box.IsDroppedDown());
    EXPECT_EQ(box.ButtonState(), "DROPDOWN_NORMAL");

    int closeUps = 0;
    QObject::connect(&box, &TxCheckedComboBox::OnCloseUp, [&] { ++closeUps; });
    QTest::keyClick(&box, Qt::Key_F4); // F4 opens as the button does
    ASSERT_TRUE(box.IsDroppedDown());
    QTest::keyClick(box.List(), Qt::Key_Return); // Enter closes the list
    EXPECT_FALSE(box.IsDroppedDown());
    EXPECT_EQ(closeUps, 1);

    box.SelectAll();
    EXPECT_EQ(box.DisplayText(), "3件選択");
    EXPECT_TRUE(box.IsChecked(1));
    box.DeSelectAll();
    EXPECT_EQ(box.DisplayText(), "未選択");
    box.setEnabled(false);
    EXPECT_EQ(box.ButtonState(), "DROPDOWN_GRAY");
}

TEST(CheckedCombo, HeightFollowsTheFont)
{
    TxCheckedComboBox box;
    QFont f = box.font();
    f.setPixelSize(24);
    box.setFont(f);
    EXPECT_EQ(box.height(), QFontMetrics(f).height() + 6);
}

TEST(CheckedCombo, DropDownLinesAcceptsOneToTwenty)
{
    TxCheckedComboBox box;
    box.SetDropDownLines(0);
    EXPECT_EQ(box.DropDownLines(), 15);
    box.SetDropDownLines(21);
    EXPECT_EQ(box.DropDownLines(), 15);
    box.SetDropDownLines(20);
    EXPECT_EQ(box.DropDownLines(), 20);
}
