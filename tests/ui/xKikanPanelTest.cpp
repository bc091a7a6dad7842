// Period strips: the fiscal-month arithmetic and layouts from tables, then mouse and keys on a form.

#include "KeyFormFixture.h"

#include "platform/Date.h"
#include "ui/xEdit.h"
#include "ui/xKikanPanel12.h"
#include "ui/xKikanPanel16.h"
#include "ui/xKikanPanel4.h"

#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;

namespace {
// A key with Shift held, without the Shift press and release that QTest::keyClick would add.
void ShiftKey(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ShiftModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ShiftModifier);
    QApplication::sendEvent(w, &release);
}
} // namespace

TEST(KikanRules, ClosingDatesAndCells)
{
    struct Case { int n, sime; Date start; Date want; };
    const Case cases[] = {
        {0, 99, Date(2024, 4, 1), Date(2024, 4, 30)},
        {10, 99, Date(2024, 4, 1), Date(2025, 2, 28)},
        {10, 99, Date(2023, 4, 1), Date(2024, 2, 29)}, // leap February
        {0, 20, Date(2024, 4, 21), Date(2024, 5, 20)}, // first closing in the following month
        {0, 20, Date(2024, 4, 20), Date(2024, 4, 20)},
        {11, 25, Date(2024, 1, 1), Date(2024, 12, 25)},
        {3, 31, Date(2024, 4, 1), Date(2024, 4, 1)},   // no closing-day rule: the start itself
    };
    for (const Case& c : cases) EXPECT_EQ(KikanSimeDate(c.n, c.sime, c.start), c.want) << c.n << "/" << c.sime;
    bool invalid = false;
    KikanSimeDate(0, 0, Date(2024, 4, 1), &invalid);
    EXPECT_TRUE(invalid);

    EXPECT_EQ(KikanMonthShift(Date(2024, 1, 31), 1), Date(2024, 2, 29));
    EXPECT_EQ(KikanMonthShift(Date(2024, 3, 31), -1), Date(2024, 2, 29));
    EXPECT_EQ(KikanMonthShift(Date(2024, 2, 15), -2), Date(2023, 12, 15));
    EXPECT_EQ(KikanMonthShift(Date(2024, 12, 10), 1), Date(2025, 1, 10));

    const Date s(2024, 4, 1);
    struct Cell { Date x; int want16, want12; };
    const Cell cells[] = {
        {Date(2024, 4, 15), 0, 0},  {Date(2024, 6, 30), 2, 2},   {Date(2024, 7, 1), 4, 3},
        {Date(2025, 3, 31), 14, 11}, {Date(2025, 4, 1), 16, 11}, {Date(2025, 6, 30), 18, 11},
        {Date(2025, 7, 1), 15, 11}, {Date(2024, 3, 31), 15, 11}, // before the year: the last cell
    };
    for (const Cell& c : cells) {
        EXPECT_EQ(KikanCellIndex16(99, s, c.x), c.want16) << c.x.ToString();
        EXPECT_EQ(KikanMonthIndex(99, s, c.x), c.want12) << c.x.ToString();
    }
}

TEST(KikanRules, Layouts)
{
    struct Case {
        const char* name;
        int sime; Date start, end, data; bool kessan;
        const char* captions; int firstSel, lastSel, lastNo;
    };
    const Case cases[] = {
        {"april year", 99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), true,
         "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決", 0, 15, 15},
        {"six months", 99, Date(2024, 4, 1), Date(2024, 9, 30), Date(2024, 4, 1), true, "4 5 6 ・ 7 8 9 決", 0, 7, 7},
        {"no settlement cell", 99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), false,
         "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3", 0, 14, 15},
        {"data from the fifth month", 99, Date(2024, 1, 1), Date(2024, 12, 31), Date(2024, 5, 10), true,
         "1 2 3 ・ 4 5 6 ・ 7 8 9 ・ 10 11 12 決", 5, 15, 15},
        {"closing day 20", 20, Date(2024, 4, 21), Date(2025, 4, 20), Date(2024, 4, 21), true,
         "5 6 7 ・ 8 9 10 ・ 11 12 1 ・ 2 3 4 決", 0, 15, 15},
    };
    for (const Case& c : cases) {
        const KikanLayout l = LayoutKikan16(c.sime, c.start, c.end, c.data, c.kessan, true);
        QStringList caps;
        for (const auto& cell : l.cells) caps << cell.caption;
        while (!caps.isEmpty() && caps.back().isEmpty()) caps.pop_back();
        EXPECT_EQ(caps.join(' ').toStdString(), c.captions) << c.name;
        EXPECT_EQ(l.firstSel, c.firstSel) << c.name;
        EXPECT_EQ(l.lastSel, c.lastSel) << c.name;
        EXPECT_EQ(l.lastNo, c.lastNo) << c.name;
        EXPECT_EQ(l.stno, c.firstSel) << c.name;
        EXPECT_EQ(l.edno, c.lastSel) << c.name;
        for (int j = 0; j < 16; ++j)
            EXPECT_EQ(l.cells[static_cast<std::size_t>(j)].enabled, j >= c.firstSel && j <= c.lastSel) << c.name << j;
    }
    // A bad closing day: every caption is the start's month, and the caller is told to beep.
    const KikanLayout bad = LayoutKikan16(31, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), true, true);
    EXPECT_TRUE(bad.invalidSime);
    EXPECT_EQ(bad.cells[0].caption, "4");
    EXPECT_EQ(bad.cells[5].caption, "4");

    const KikanLayout m = LayoutKikan12(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), true);
    EXPECT_EQ(m.cells[0].caption, "4");
    EXPECT_EQ(m.cells[11].caption, "3");
    EXPECT_EQ(m.cells[3].periodNo, 4);
    EXPECT_EQ(m.cells[11].periodNo, 14);

    const KikanLayout half = LayoutKikan4(2, 99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), false);
    EXPECT_EQ(half.stno, 0);
    EXPECT_EQ(half.edno, 0);
    EXPECT_EQ(LayoutKikan4(2, 99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1), true).edno, 1);
    const KikanLayout q = LayoutKikan4(4, 99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 8, 1), true);
    EXPECT_EQ(q.stno, 1);
    EXPECT_EQ(q.edno, 3);
    EXPECT_FALSE(q.cells[0].enabled);
}

TEST(KikanRules, CellRectangles)
{
    // 242 wide: w = trunc(234 / 16) = 14, 10 spare pixels widen cells 0..9.
    const auto r = KikanCellRects(242, 22, 16);
    EXPECT_EQ(r[0], QRect(4, 3, 15, 16));
    EXPECT_EQ(r[9], QRect(4 + 9 * 15, 3, 15, 16));
    EXPECT_EQ(r[10], QRect(4 + 10 * 15, 3, 14, 16));
    EXPECT_EQ(r[15].right(), 242 - 4 - 1);
}

TEST(TxKikanPanel16, ConstructorGivesACalendarYear)
{
    TxKikanPanel16 p;
    EXPECT_EQ(p.CaptionLine().toStdString(), "1 2 3 ・ 4 5 6 ・ 7 8 9 ・ 10 11 12 決");
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 15);
    EXPECT_EQ(p.LastNo(), 15);
    EXPECT_EQ(p.StMonthNo(), 0);
    EXPECT_EQ(p.EdMonthNo(), 15);
    EXPECT_EQ(p.width(), 14 * 16 + 8); // snapped so the cells divide it evenly
}

TEST(TxKikanPanel16, KessanOffAndEdnoCap)
{
    TxKikanPanel16 p;
    p.SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    EXPECT_EQ(p.CaptionLine().toStdString(), "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決");
    p.SetKESSAN(false);
    EXPECT_FALSE(p.Cell(15).enabled);
    EXPECT_EQ(p.Cell(15).caption, "");
    EXPECT_EQ(p.LastSelectable(), 14);
    EXPECT_EQ(p.LastNo(), 15);
    p.SetEdno(15);
    EXPECT_EQ(p.Edno(), 15);
    p.SetEdno(20);
    EXPECT_EQ(p.Edno(), 15);
    p.SetKESSAN(true);
    EXPECT_TRUE(p.Cell(15).enabled);
    EXPECT_EQ(p.Cell(15).caption, "決");
}

TEST(TxKikanPanel16, DragChoosesARangeAndReportsIt)
{
    KeyForm f;
    auto* p = f.Add(new TxKikanPanel16);
    p->setFixedSize(242, 22);
    p->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 5, 1)); // data from May: cell 1
    f.Open();
    int ups = 0;
    QObject::connect(p, &TxKikanPanelBase::MouseUp, [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++ups; });
    QTest::mousePress(p, Qt::LeftButton, {}, p->CellRect(2).center());
    QTest::mouseMove(p, p->CellRect(5).center());
    EXPECT_EQ(p->CellFill(4), p->BackColor());
    QTest::mouseRelease(p, Qt::LeftButton, {}, p->CellRect(5).center());
    EXPECT_EQ(p->Stno(), 2);
    EXPECT_EQ(p->Edno(), 5);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(p->CellFill(1), QColor(240, 240, 240));
    EXPECT_EQ(p->CellFill(5), QColor(0, 0, 128));
    EXPECT_EQ(p->CellTextColor(5), QColor(255, 255, 255));

    // A disabled cell before the data start cannot be chosen.
    QTest::mouseClick(p, Qt::LeftButton, {}, p->CellRect(0).center());
    EXPECT_EQ(p->Stno(), 2);
    EXPECT_EQ(p->Edno(), 5);
}

TEST(TxKikanPanel16, KeysMoveWidenAndReport)
{
    KeyForm f;
    auto* before = f.Add(new TxEdit);
    auto* p = f.Add(new TxKikanPanel16);
    auto* after = f.Add(new TxEdit);
    p->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    p->SetKikanMove(false); // one cell
    p->SetKikanMove(true);
    f.Open();
    p->setFocus();
    std::vector<std::pair<int, int>> reports;
    QObject::connect(p, &TxKikanPanelBase::MouseUp, [&](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint pos) {
        EXPECT_EQ(b, Qt::LeftButton);
        EXPECT_EQ(pos, QPoint(0, 0));
        reports.push_back({p->Stno(), p->Edno()});
    });
    ASSERT_EQ(p->Stno(), 0);
    QTest::keyClick(p, Qt::Key_Right);
    QTest::keyClick(p, Qt::Key_Right);
    EXPECT_EQ(p->Stno(), 2);
    EXPECT_EQ(p->Edno(), 2);
    EXPECT_TRUE(p->KBDMOUSE());
    // Shift+Left past the anchor leaves Stno after Edno until Shift is released.
    ShiftKey(p, Qt::Key_Left);
    ShiftKey(p, Qt::Key_Left);
    EXPECT_EQ(p->Stno(), 2);
    EXPECT_EQ(p->Edno(), 0);
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(p, &shiftUp);
    EXPECT_EQ(p->Stno(), 0);
    EXPECT_EQ(p->Edno(), 2);
    QTest::keyClick(p, Qt::Key_Return);
    EXPECT_EQ(KeyForm::Focus(), after);
    EXPECT_FALSE(p->KBDMOUSE());
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{0, 2}})); // once: Enter cleared the flag

    p->setFocus();
    QTest::keyClick(p, Qt::Key_Up);
    EXPECT_EQ(KeyForm::Focus(), before);
}

TEST(TxKikanPanel16, SingleCellModeMovesTheChosenCell)
{
    KeyForm f;
    auto* p = f.Add(new TxKikanPanel16);
    p->SetKikanMove(false);
    p->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    f.Open();
    p->setFocus();
    EXPECT_EQ(p->Edno(), 0);
    ShiftKey(p, Qt::Key_Right); // no widening
    EXPECT_EQ(p->Stno(), 1);
    EXPECT_EQ(p->Edno(), 1);
    const QPoint c4 = p->CellRect(4).center(), c8 = p->CellRect(8).center();
    QTest::mousePress(p, Qt::LeftButton, {}, c4);
    QTest::mouseMove(p, c8);
    QTest::mouseRelease(p, Qt::LeftButton, {}, c8);
    EXPECT_EQ(p->Stno(), 4);
    EXPECT_EQ(p->Edno(), 4);
}

TEST(TxKikanPanel12, WritersClampAndOrder)
{
    TxKikanPanel12 p;
    p.SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    EXPECT_EQ(p.Edno(), 11);
    p.SetEdno(20);
    EXPECT_EQ(p.Edno(), 11);
    p.SetStno(5);
    p.SetEdno(2);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 5);
    EXPECT_EQ(p.StMonNo(), 2);
    EXPECT_EQ(p.EdMonNo(), 6);
}

TEST(TxKikanPanel4, HalvesAndQuarters)
{
    TxKikanPanel4 p;
    EXPECT_EQ(p.CaptionLine().toStdString(), "1 2 3 4");
    EXPECT_EQ(p.Edno(), 3);
    p.SetBtnCnt(3); // ignored
    EXPECT_EQ(p.BtnCnt(), 4);
    p.SetBtnCnt(2);
    EXPECT_EQ(p.CaptionLine().toStdString(), "上 下");
    EXPECT_FALSE(p.Cell(2).visible);
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 1);
    p.SetKikanMove(false);
    p.SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 0);
}

TEST(TxKikanPanel12, KeyboardChoiceIsReportedOnEnterAndAgainOnLeaving)
{
    KeyForm f;
    auto* p = f.Add(new TxKikanPanel12);
    auto* after = f.Add(new TxEdit);
    p->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    f.Open();
    p->setFocus();
    int ups = 0;
    QObject::connect(p, &TxKikanPanelBase::MouseUp, [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++ups; });
    QTest::keyClick(p, Qt::Key_Right);
    EXPECT_EQ(p->Stno(), 1);
    QTest::keyClick(p, Qt::Key_Return);
    EXPECT_EQ(KeyForm::Focus(), after);
    EXPECT_EQ(ups, 2); // the month strip keeps KBDMOUSE set on Enter
}

TEST(TxKikanPanel4, LeftJumpsToTheLastButton)
{
    KeyForm f;
    auto* p = f.Add(new TxKikanPanel4);
    f.Open();
    p->setFocus();
    QTest::mouseClick(p, Qt::LeftButton, {}, p->CellRect(1).center());
    EXPECT_EQ(p->Stno(), 1);
    EXPECT_EQ(p->Edno(), 1);
    // Both key bounds sit on the last button: Left from 1 jumps there, Right from there goes back to it.
    QTest::keyClick(p, Qt::Key_Left);
    EXPECT_EQ(p->Stno(), 3);
    QTest::keyClick(p, Qt::Key_Right);
    EXPECT_EQ(p->Stno(), 3);
    EXPECT_EQ(p->Edno(), 3);
}

TEST(TxKikanPanel16, ColoursOfClosedMonthsAndOfADisabledPanel)
{
    TxKikanPanel16 p;
    p.SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    p.SetStno(5);
    p.SetEdno(6);
    p.SetKakuteiMode(true);
    p.SetKakuteiMNo(6);
    const QColor orange(255, 128, 64), navy(0, 0, 128), face(240, 240, 240), white(255, 255, 255);
    EXPECT_EQ(p.CellFill(0), orange);
    EXPECT_EQ(p.CellTextColor(0), white);
    EXPECT_EQ(p.CellFill(5), navy); // chosen wins over closed
    EXPECT_EQ(p.CellFill(7), face);
    EXPECT_EQ(p.CellTextColor(7), QColor(0, 0, 0));
    p.setEnabled(false);
    EXPECT_EQ(p.CellFill(5), QColor(192, 192, 192));
    EXPECT_EQ(p.CellFill(0), face);
    EXPECT_EQ(p.CellTextColor(5), QColor(128, 128, 128));
    p.SetDisabelColor(QColor(10, 20, 30));
    EXPECT_EQ(p.CellFill(6), QColor(10, 20, 30));
}
