// The dialog's decisions for accounting data and the step loop of a run, on steps of the test's own.
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateBox.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace kb;

namespace {

class DbUpdateBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        CreateDM();
    }
    void TearDown() override
    {
        FreeDM();
        ResetAccRecord();
    }
    std::vector<std::string> Statuses(TDbUpdateBox& box)
    {
        std::vector<std::string> out;
        for (int i = 0; i < box.ListView1->topLevelItemCount(); ++i)
            out.push_back(box.ListView1->topLevelItem(i)->text(2).toStdString());
        return out;
    }
};

TEST_F(DbUpdateBoxTest, AccountingDataNeedsConsentBeforeOk)
{
    TDbUpdateBox box(DM);
    box.PrepareUpdate(1, "13.0.0");
    box.show();
    ASSERT_EQ(box.ListView1->topLevelItemCount(), 3); // 13.0.3, 14.0.0, 15.0.0
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(0).toStdString(), "13.0.3");
    EXPECT_TRUE(box.btnCancel->isVisible());
    EXPECT_FALSE(box.btnOk->isEnabled());
    QTest::keyClick(&box, Qt::Key_F12); // nothing happens while OK is disabled
    EXPECT_TRUE(box.isVisible());
    box.cboxAgree->setChecked(true);
    EXPECT_TRUE(box.btnOk->isEnabled());
    box.cboxAgree->setChecked(false);
    EXPECT_FALSE(box.btnOk->isEnabled());
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_EQ(box.result(), 2);

    TDbUpdateBox system(DM);
    system.PrepareUpdate(0, "11.0.1");
    EXPECT_FALSE(system.cboxAgree->isVisibleTo(&system));
    EXPECT_TRUE(system.btnOk->isEnabled());
    EXPECT_EQ(system.RichEdit1->toPlainText().toStdString(), "１）仕訳入力を禁止にする設定を追加しました。※対象製品：パヴォナ財務");
}

TEST_F(DbUpdateBoxTest, TheLoopStopsAtTheFirstFailedStep)
{
    struct Case {
        std::vector<int> results; // -1: the step throws
        std::vector<std::string> statuses;
        int answer;
    };
    const Case cases[] = {
        {{1, 16, 1}, {"完了", "失敗", ""}, 0},
        {{1, 18, 1}, {"完了", "ﾌｧｲﾙ不足", ""}, 0},
        {{-1, 1, 1}, {"失敗", "", ""}, 0},
        {{1, 19, 1}, {"完了", "失敗", ""}, 0},
        {{1, 1, 1}, {"完了", "完了", "完了"}, 1},
    };
    for (const Case& c : cases) {
        TDbUpdateBox box(DM);
        // Three steps of the test's own, none asking for a backup: nothing is backed up or restored.
        box.Plan.UserList.resize(3);
        int calls = 0;
        for (int i = 0; i < 3; ++i) {
            FillDbUpdateListRec(box.Plan.UserList[i], 20, i, 0,
                                [&calls, r = c.results[i]]() -> int {
                                    ++calls;
                                    if (r < 0) throw std::runtime_error("step broke");
                                    return r;
                                },
                                0, "t", "m");
        }
        box.PrepareUpdate(1, "15.0.0");
        ASSERT_EQ(box.Plan.BackupCount, 0);
        EXPECT_EQ(box.Run().ExecuteUpdate(box), c.answer);
        EXPECT_EQ(Statuses(box), c.statuses);
        EXPECT_EQ(box.Run().Succeeded, c.answer == 1);
        EXPECT_EQ(calls, c.answer == 1 ? 3 : static_cast<int>(std::count(c.statuses.begin(), c.statuses.end(), "完了")) + 1);
        EXPECT_EQ(VersionText(box.Plan.DbVersion), c.answer == 1 ? "20.2.0" : "15.0.0");
        EXPECT_EQ(box.Plan.FirstPending, -1);
    }
}

} // namespace
