// The gradient button: its arithmetic from tables, then clicks, keys and shapes on a real form.

#include "KeyFormFixture.h"

#include "ui/xPlButton.h"

#include <QImage>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;

TEST(TxPlButtonRules, GradientRows)
{
    const QColor white(255, 255, 255), grey(0xB6, 0xB6, 0xB6);
    struct Case { int y, h, want; };
    // 255 + 13 * (182 - 255) / 25 = 255 - 949 / 25 = 255 - 37 = 218 (truncated toward zero).
    const Case cases[] = {{0, 26, 255}, {25, 26, 182}, {13, 26, 218}, {1, 26, 253}, {0, 1, 255}};
    for (const Case& c : cases) {
        const QColor got = GradientRowColor(white, grey, c.y, c.h);
        EXPECT_EQ(got.red(), c.want) << c.y << "/" << c.h;
        EXPECT_EQ(got.green(), c.want);
        EXPECT_EQ(got.blue(), c.want);
    }
    // Rising channels truncate toward zero too: 0 + 1 * 100 / 3 = 33.
    EXPECT_EQ(GradientRowColor(QColor(0, 0, 0), QColor(100, 0, 0), 1, 4).red(), 33);
}

TEST(TxPlButtonRules, JustifiedCaptionAndLinePlacement)
{
    // Four characters of 12 pixels on a 90-pixel button, margins 0: w = 86, gap (86-48)/3 = 12, rest 2.
    EXPECT_EQ(EvenCaptionPositions({12, 12, 12, 12}, 2, 86), (std::vector<int>{2, 27, 52, 76}));
    // The last character ends exactly at the width: 76 + 12 = 88 = 2 + 86.
    EXPECT_TRUE(EvenCaptionPositions({12}, 2, 86).empty()); // one character: centred by the caller
    // Negative remainder when the text is wider than the room.
    EXPECT_EQ(EvenCaptionPositions({10, 10, 10}, 0, 25), (std::vector<int>{0, 7, 15}));

    const CaptionTops one = PlaceCaptions(26, 12, 12, true, false, 4, true, 0);
    EXPECT_EQ(one.topA, 8); // (26 - 12) / 2 + 1
    const CaptionTops two = PlaceCaptions(40, 12, 12, true, true, 4, true, 0);
    EXPECT_EQ(two.topA, 6); // (40 - 24 - 4) / 2
    EXPECT_EQ(two.topB, 22);
    const CaptionTops onlyB = PlaceCaptions(26, 12, 12, false, true, 4, true, 0);
    EXPECT_EQ(onlyB.topB, 7);
    EXPECT_EQ(onlyB.captionTop, 7);
    const CaptionTops fixed = PlaceCaptions(26, 12, 12, true, true, 4, false, 3);
    EXPECT_EQ(fixed.topA, 3);
    EXPECT_EQ(fixed.topB, 19);

    const QRect client(0, 0, 75, 26);
    EXPECT_EQ(FocusMarkRect(client, TxPlButtonStyle::bsNormal, TxPlBtnFrameType::bffFlat), QRect(3, 3, 69, 20));
    EXPECT_EQ(FocusMarkRect(client, TxPlButtonStyle::bsFlat, TxPlBtnFrameType::bffBump), QRect(2, 2, 71, 22));
    EXPECT_EQ(FocusMarkRect(client, TxPlButtonStyle::bsFlat, TxPlBtnFrameType::bffEtched), QRect(3, 3, 68, 19));
}

TEST(TxPlButton, PaintsTheGradient)
{
    TxPlButton b;
    b.resize(75, 26);
    b.SetGradEndColor(QColor(0xB6, 0xB6, 0xB6));
    b.SetButtonStyle(TxPlButtonStyle::bsFlatNoFrame);
    const QImage img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(40, 0), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(40, 13), QColor(218, 218, 218));
    EXPECT_EQ(img.pixelColor(40, 25), QColor(0xB6, 0xB6, 0xB6));
}

TEST(TxPlButton, ClickGivesTheFormItsModalResult)
{
    KeyForm f;
    auto* ok = f.Add(new TxPlButton);
    ok->SetModalResult(2);
    auto* none = f.Add(new TxPlButton);
    f.Open();
    QTest::mouseClick(none, Qt::LeftButton);
    EXPECT_TRUE(f.isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), 2);

    // A handler may still keep the form open.
    KeyForm g;
    auto* keep = g.Add(new TxPlButton);
    keep->SetModalResult(1);
    QObject::connect(keep, &TxPlButton::Clicked, [&] { g.setResult(0); });
    g.Open();
    QTest::mouseClick(keep, Qt::LeftButton);
    EXPECT_TRUE(g.isVisible());
}

TEST(TxPlButton, EnterAndEsc)
{
    KeyForm f;
    auto* a = f.Add(new TxPlButton);
    auto* cancel = f.Add(new TxPlButton);
    auto* plain = f.Add(new TxPlButton);
    int aClicks = 0, cancelClicks = 0, plainClicks = 0;
    QObject::connect(a, &TxPlButton::Clicked, [&] { ++aClicks; });
    QObject::connect(cancel, &TxPlButton::Clicked, [&] { ++cancelClicks; });
    QObject::connect(plain, &TxPlButton::Clicked, [&] { ++plainClicks; });
    cancel->SetCancel(true);
    f.Open();
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(aClicks, 1);
    QTest::keyClick(a, Qt::Key_Return, Qt::ShiftModifier); // with a modifier: not a click
    EXPECT_EQ(aClicks, 1);
    QTest::keyClick(a, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(plainClicks, 0);
    EXPECT_EQ(aClicks, 1);
}

TEST(TxPlButton, NoFocusButtonTakesNoFocus)
{
    KeyForm f;
    auto* first = f.Add(new QPushButton("x"));
    auto* b = f.Add(new TxPlButton);
    b->SetHasFocus(false);
    f.Open();
    first->setFocus();
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(KeyForm::Focus(), first);
}

TEST(TxPlButton, RoundedShapeFollowsStyleAndSize)
{
    KeyForm f;
    auto* b = f.Add(new TxPlButton);
    b->setFixedSize(75, 26);
    f.Open();
    EXPECT_TRUE(b->mask().isEmpty());
    b->SetButtonStyle(TxPlButtonStyle::bsRoundRect);
    EXPECT_FALSE(b->mask().isEmpty());
    EXPECT_FALSE(b->mask().contains(QPoint(0, 0)));   // the corner is cut off
    EXPECT_TRUE(b->mask().contains(QPoint(37, 13)));
    b->setFixedSize(120, 40);
    EXPECT_TRUE(b->mask().contains(QPoint(110, 20))); // the shape grew with the button
    EXPECT_FALSE(b->mask().contains(QPoint(119, 0)));
    b->SetButtonStyle(TxPlButtonStyle::bsNormal);
    EXPECT_TRUE(b->mask().isEmpty());
}
