#include "ui/z5WinFunc.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>

using namespace kb;

namespace {

// Posts the keys of a text to the widget, as queued input waits in the event queue.
void PostKeys(QWidget* w, const QString& text)
{
    for (const QChar ch : text) {
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch)));
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch)));
    }
}

void PostClick(QWidget* w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                   Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                   Qt::NoButton, Qt::NoModifier));
}

} // namespace

TEST(WinFunc, FlushDropsQueuedKeysAndClicksOfTheWindow)
{
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* edit = new QLineEdit(&form);
    auto* button = new QPushButton(QStringLiteral("OK"), &form);
    layout->addWidget(edit);
    layout->addWidget(button);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QSignalSpy clicked(button, &QPushButton::clicked);

    // Control: queued input arrives when nothing flushes it.
    PostKeys(edit, QStringLiteral("ab"));
    PostClick(button);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    EXPECT_EQ(clicked.count(), 1);

    // Queued before the window is handed to the user: dropped.
    PostKeys(edit, QStringLiteral("cd"));
    PostClick(button);
    FlushInputMessages(&form);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    EXPECT_EQ(clicked.count(), 1);

    // Other queued events of the window survive the flush.
    bool other = false;
    QMetaObject::invokeMethod(&form, [&other] { other = true; }, Qt::QueuedConnection);
    FlushInputMessages(&form);
    QCoreApplication::processEvents();
    EXPECT_TRUE(other);
}

TEST(WinFunc, ForceForegroundActivatesTheWindow)
{
    QWidget first;
    first.setWindowTitle(QStringLiteral("first"));
    QWidget second;
    second.setWindowTitle(QStringLiteral("second"));
    first.show();
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    second.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));

    auto* inside = new QLineEdit(&first);
    inside->show();
    ForceForegroundWindow(inside); // any widget of the window brings its window
    EXPECT_TRUE(QTest::qWaitForWindowActive(&first));
    EXPECT_EQ(QApplication::activeWindow(), &first);
    ForceForegroundWindow(nullptr); // nothing to do, no crash
}

TEST(WinFunc, FindWindowByClassAndCaption)
{
    QWidget wizard;
    wizard.setWindowTitle(QStringLiteral("連動ﾃﾞｰﾀの作成"));
    QLineEdit other;
    other.setWindowTitle(QStringLiteral("other"));

    EXPECT_EQ(FindWindowByName("QWidget", "連動ﾃﾞｰﾀの作成"), &wizard);
    EXPECT_EQ(FindWindowByName("qwidget", "連動ﾃﾞｰﾀの作成"), &wizard);
    EXPECT_EQ(FindWindowByName("", "連動ﾃﾞｰﾀの作成"), &wizard);
    EXPECT_EQ(FindWindowByName("QLineEdit", ""), &other);
    EXPECT_EQ(FindWindowByName("QLineEdit", "連動ﾃﾞｰﾀの作成"), nullptr);
    EXPECT_EQ(FindWindowByName("QWidget", "連動データの作成"), nullptr);
    EXPECT_EQ(FindWindowByName("", ""), nullptr);
    EXPECT_EQ(FindWindowByName("Desktop", ""), nullptr);
}

TEST(WinFunc, SizesFollowResolutionAndFrame)
{
    EXPECT_EQ(ScaleByPPI(1012, 120, 96), 1265);
    EXPECT_EQ(ScaleByPPI(1012, 96, 96), 1012);
    EXPECT_EQ(ScaleByPPI(648, 144, 96), 972);
    EXPECT_EQ(ScaleByPPI(41, 120, 96), 51); // 51.25 truncated
    // Base 0: the screen's own resolution.
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const int dpi = static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
    EXPECT_EQ(ScaleByPPI(500, dpi), 500);
    EXPECT_EQ(ScaleByPPI(500, 2 * dpi), 1000);

    struct Case { int size, kind, frame, want; };
    const Case cases[] = {
        {648, 0, 4, 648},  {648, 0, 3, 648}, {648, 0, 0, 648}, {648, 0, 5, 646},
        {648, 1, 5, 644},  {648, 2, 5, 648}, {1012, 0, 8, 1004}, {1012, 1, 8, 996},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdjustByFrame(c.size, c.kind, c.frame), c.want) << c.size << "/" << c.kind << "/" << c.frame;
    EXPECT_EQ(AdjustByFrame(648, 0), 648);
    EXPECT_EQ(AdjustByFrame(1012, 1), 1012);
}

TEST(WinFunc, TextWidthScalesAndTruncates)
{
    QFont font;
    font.setPixelSize(12);
    const int plain = TextWidthByFont("キャンセル", font, 1.0);
    ASSERT_GT(plain, 0);
    EXPECT_EQ(TextWidthByFont("キャンセル", font, 2.0), 2 * plain);
    EXPECT_EQ(TextWidthByFont("キャンセル", font, 1.3), static_cast<int>(plain * 1.3));
    EXPECT_GT(TextWidthByFont("キャンセルする", font, 1.0), plain);
    EXPECT_EQ(TextWidthByFont("", font, 1.3), 0);
}
