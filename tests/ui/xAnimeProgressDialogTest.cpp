#include "UiTestHelp.h"
#include "core/uAccRecord.h"
#include "ui/xAnimeProgressDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace kb;

TEST(ProgressDialog, LayoutTable)
{
    const int h = 17; // height of "Wq"
    auto l = ComputeProgressLayout(true, TxLabelPosition::xlpRight, 100, h);
    EXPECT_EQ(l.Anime, QRect(20, 16, 32, 32));
    EXPECT_EQ(l.Label, QRect(60, 24, 300, h));
    EXPECT_EQ(l.Cancel, QRect(152, 67, 76, 23));
    l = ComputeProgressLayout(true, TxLabelPosition::xlpBottom, 100, h);
    EXPECT_EQ(l.Label, QRect(20, 52, 300, h));
    // Without Cancel the line is centred vertically: 100 / 2 - 8 (right) or + 20 (below).
    l = ComputeProgressLayout(false, TxLabelPosition::xlpRight, 100, h);
    EXPECT_EQ(l.Anime.top(), 30);
    EXPECT_EQ(l.Label.top(), 42);
    l = ComputeProgressLayout(false, TxLabelPosition::xlpBottom, 100, h);
    EXPECT_EQ(l.Label.top(), 70);
}

TEST(ProgressDialog, ModalWorkRunsInsideAndCancelOnlyFlags)
{
    TxAnimeProgressDialog dlg;
    dlg.SetCaption("データの作成");
    dlg.SetCommonAVI(TCommonAVI::aviCopyFiles);
    bool ran = false;
    bool windowUp = false;
    bool playing = false;
    int closes = 0;
    dlg.OnClose = [&](TxAnimeProgressDialog* d) { EXPECT_EQ(d, &dlg); ++closes; };
    dlg.OnShow = [&](QWidget* sender) {
        windowUp = sender && sender->isVisible() && dlg.Handle() == sender && dlg.Running;
        playing = dlg.AnimeActive();
        dlg.SetInfoLabel("仕訳を集計しています...");
        EXPECT_EQ(sender->findChild<QLabel*>("InfoLabel")->text().toStdString(), "仕訳を集計しています...");
        sender->findChild<QPushButton*>("btnCancel")->click();
        EXPECT_TRUE(dlg.Cancelled);
        ran = true; // the work goes on to its end: Cancel only sets the flag
    };
    dlg.Execute(nullptr);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(windowUp);
    EXPECT_TRUE(playing);
    EXPECT_EQ(dlg.Handle(), nullptr);
    EXPECT_FALSE(dlg.Running);
    EXPECT_TRUE(dlg.Cancelled);
    EXPECT_EQ(closes, 1);
}

TEST(ProgressDialog, ExceptionOfTheWorkReachesTheCallerAfterTheWindowClosed)
{
    QWidget owner;
    owner.show();
    TxAnimeProgressDialog dlg;
    QPointer<QWidget> window;
    dlg.OnShow = [&](QWidget* sender) {
        window = sender;
        throw std::runtime_error("集計に失敗しました");
    };
    try {
        dlg.Execute(&owner);
        FAIL() << "Execute swallowed the work's exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "集計に失敗しました");
        EXPECT_TRUE(window.isNull()); // gone before the caller sees the error
        EXPECT_EQ(dlg.Handle(), nullptr);
    }
    EXPECT_TRUE(owner.isEnabled());
}

TEST(ProgressDialog, ModelessDisablesTheOwnerUntilClose)
{
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    TxAnimeProgressDialog dlg;
    dlg.SetInfoLabel("お待ちください");
    dlg.Execute(&owner);
    ASSERT_NE(dlg.Handle(), nullptr);
    EXPECT_TRUE(dlg.Handle()->isVisible());
    EXPECT_TRUE(dlg.Running);
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(dlg.Handle()->isEnabled()); // its Cancel still works
    // centred over the owner
    const QRect r = owner.frameGeometry();
    EXPECT_EQ(dlg.Handle()->x(), r.x() + (r.width() - dlg.Handle()->frameGeometry().width()) / 2);
    QWidget* first = dlg.Handle();
    dlg.Execute(&owner); // a second Execute reuses the window
    EXPECT_EQ(dlg.Handle(), first);
    dlg.Close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(dlg.Handle(), nullptr);
    EXPECT_FALSE(dlg.Running);
}

TEST(ProgressDialog, MissingAviFileIsClearedAndNothingPlays)
{
    TxAnimeProgressDialog dlg;
    dlg.SetAviFile("/nonexistent/clip.avi");
    EXPECT_TRUE(dlg.AviFile().empty());
    dlg.CancelBtnShow = false;
    dlg.Execute(nullptr);
    EXPECT_FALSE(dlg.AnimeActive());
    auto* label = dlg.Handle()->findChild<QLabel*>("InfoLabel");
    EXPECT_EQ(label->y(), 42);
    EXPECT_FALSE(dlg.Handle()->findChild<QPushButton*>("btnCancel")->isVisible());
    dlg.Close();
}

TEST(ProgressDialog, Screenshot)
{
    if (!kbtest::ScreenshotWanted())
        GTEST_SKIP() << "KB_SCREENSHOT_DIR not set";
    QWidget owner;
    owner.setFont(QFont("Noto Sans CJK JP", 10));
    owner.show();
    TxAnimeProgressDialog dlg;
    dlg.SetCaption("所得税連動データの作成");
    dlg.SetInfoLabel("決算書の金額を集計しています...");
    dlg.SetCommonAVI(TCommonAVI::aviCopyFiles);
    dlg.Execute(&owner);
    QTest::qWait(200);
    kbtest::SaveScreenshot(dlg.Handle(), "progress-dialog");
    dlg.Close();
}

TEST(ProgressDialog, SharedInstanceIsHeldBySystemDef)
{
    ResetAccRecord();
    auto* shared = new TProgressDialog;
    SystemDef.ProgressDialog = shared; // the pointer type core code holds
    TxAnimeProgressDialog* d = SystemDef.ProgressDialog;
    d->Execute(nullptr);
    EXPECT_TRUE(d->Running);
    // what callers do before they show an error
    if (SystemDef.ProgressDialog->Running)
        SystemDef.ProgressDialog->Close();
    EXPECT_FALSE(shared->Running);
    delete shared;
    ResetAccRecord();
}

// The caller's work follows Execute at once and holds the event loop: the modeless window is on
// screen with its text before Execute returns.
TEST(ProgressDialog, ModelessWindowIsPaintedBeforeExecuteReturns)
{
    struct PaintSpy : QObject {
        QStringList painted;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            auto* l = qobject_cast<QLabel*>(o);
            if (e->type() == QEvent::Paint && l && l->objectName() == "InfoLabel") painted << l->text();
            return false;
        }
    } spy;
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    TxAnimeProgressDialog dlg;
    dlg.SetInfoLabel("連動データの作成中です…");
    qApp->installEventFilter(&spy);
    dlg.Execute(&owner);
    qApp->removeEventFilter(&spy);
    ASSERT_NE(dlg.Handle(), nullptr);
    ASSERT_NE(dlg.Handle()->windowHandle(), nullptr);
    EXPECT_TRUE(dlg.Handle()->windowHandle()->isExposed());
    EXPECT_TRUE(spy.painted.contains("連動データの作成中です…"));
    dlg.Close();
}
