// The data selection dialog as the wizard opens it, on a whole fixture data root (five data sets
// in slots 1 to 5 of 120; see tests/fixtures/README.md): shown offscreen, driven by keys and clicks.

#include "common/FakeUi.h"
#include "DataSentakuBoxFixture.h"
#include "FixtureBuilder.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/FormRegistry.h"
#include "core/uAccRecord.h"
#include "dataselect/z5DataSentaku.h"
#include "dbupdate/z5DbUpdateList.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "ui/z5MessageDlg2.h"

#include "ui/xAnimeProgressDialog.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kb;
namespace fx = kbtest::fixture;

namespace {

const std::vector<std::string> kWizardLines = {"SyoriType=3", "JyokenSet=1", "DataType=2", "CodeType=0", "DataVerMajor=15",
                                               "FormStyle=2"};

using DataSentakuBoxTest = kbtest::DataSentakuBoxFixture;

} // namespace

// The wizard's lines list only individuals' data of version 15; Enter on a row ends the modal run
// with 1 and leaves the row's folder in SystemDef.
TEST_F(DataSentakuBoxTest, WizardLinesListIndividualsOfVersion15AndEnterChooses)
{
    TDataSentakuBox* box = nullptr;
    auto form = Open(kWizardLines, box);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->SyoriType, 3);
    std::vector<std::string> codes;
    bool checked = false;
    QTimer::singleShot(0, box, [&] {
        for (int i = 0; i < box->LineCount(); ++i) codes.push_back(box->Cell(i, 1));
        const int line = LineOfCode(box, "0002");
        box->SetCurrentLine(line, 0);
        box->PerfectGrid1->setFocus();
        checked = true;
        QTest::keyClick(box->PerfectGrid1, Qt::Key_Return);
    });
    const int result = SupportsSyoriKidou(form.get())->Execute(1);
    ASSERT_TRUE(checked);
    EXPECT_EQ(codes, (std::vector<std::string>{"0001", "0002", "0003"}));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(SystemDef.DataDir, Folder(2));
    EXPECT_EQ(SystemDef.DataShareFolder, Folder(2));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(DataSentakuBoxTest, TypeThreeKeysAndEscKeepsThePreviousFolder)
{
    SystemDef.DataDir = Folder(3);
    TDataSentakuBox* box = nullptr;
    auto form = Show(kWizardLines, box);
    // The current data's row is selected on showing.
    EXPECT_EQ(box->Cell(box->CurrentLine(), 1), "0003");
    for (int k = fkF1; k <= fkF8; ++k)
        EXPECT_EQ(box->FuncButtons[static_cast<std::size_t>(k)]->text().toStdString(), BareCaptions()[static_cast<std::size_t>(k)]);
    EXPECT_EQ(box->FuncButtons[fkF12]->text().toStdString(), "F12:選択");
    EXPECT_FALSE(box->btnSearch->isEnabled());

    box->SetCurrentLine(LineOfCode(box, "0001"), 0);
    QTest::keyClick(box->PerfectGrid1, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), mrCancel);
    EXPECT_EQ(SystemDef.DataDir, Folder(3));
    EXPECT_EQ(SystemDef.DataShareFolder, "");
}

// The folder test warns that the previous folder holds no data; type 3 closes all the same and
// leaves the previous folder as it was.
TEST_F(DataSentakuBoxTest, EscAfterThePreviousDataWasDeletedWarnsAndCloses)
{
    SystemDef.DataDir = Folder(7); // an empty slot: no data file
    TDataSentakuBox* box = nullptr;
    auto form = Show(kWizardLines, box);
    box->ESCClick();
    EXPECT_FALSE(box->isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "このフォルダには財務データがありません。");
    EXPECT_EQ(SystemDef.DataDir, Folder(7));
}

// A damaged data set is red and cannot be chosen; an update-locked data set older than the newest
// update step is grey; an update-locked current one is not, and its cached answer becomes 0.
TEST_F(DataSentakuBoxTest, DamagedRowRedAndUpdateLockedOlderVersionGrey)
{
    Sql("UPDATE DATALIST SET DATA_STATUS=1 WHERE REC=2");
    Sql("UPDATE DATALIST SET UPDATE_LOCK=1 WHERE REC IN (1,5)");
    // The update subsystem's version check, as the program installs it: 0005 (14.9.0) is older
    // than the newest accounting step, 0001 (15.0.0) is not.
    SetDataVersionCheck(AccountingDataNeedsUpdate);
    struct Uninstall {
        ~Uninstall() { SetDataVersionCheck(nullptr); }
    } uninstall;
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=3", "JyokenSet=1", "DataType=2", "FormStyle=2"}, box);
    ASSERT_EQ(box->LineCount(), 4);
    const auto& lines = box->Model->Lines();
    const int damaged = LineOfCode(box, "0002"), old = LineOfCode(box, "0005"), current = LineOfCode(box, "0001");
    EXPECT_EQ(lines[static_cast<std::size_t>(damaged)].BackColor, 0x0000FFu);
    EXPECT_NE(lines[static_cast<std::size_t>(current)].BackColor, 0x0000FFu);
    EXPECT_EQ(lines[static_cast<std::size_t>(old)].TextColor, 0x808080u);
    EXPECT_EQ(lines[static_cast<std::size_t>(current)].TextColor, 0x000000u);
    EXPECT_EQ(lines[static_cast<std::size_t>(current)].State.UpdateFlag, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(old)].State.UpdateFlag, 1);
    const QColor red = box->Model->data(box->Model->index(damaged, 3), Qt::BackgroundRole).value<QColor>();
    EXPECT_EQ(red, QColor(255, 0, 0));

    box->SetCurrentLine(damaged, 0);
    EXPECT_EQ(box->FuncButtons[fkF12]->text().toStdString(), "F12:");
    QTest::keyClick(box->PerfectGrid1, Qt::Key_Return);
    EXPECT_TRUE(box->isVisible());
    // Type 3 takes update-locked data all the same.
    box->SetCurrentLine(old, 0);
    QTest::keyClick(box->PerfectGrid1, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), mrOk);
    EXPECT_EQ(SystemDef.DataDir, Folder(5));
}

// Typed keys select the next line whose code starts with them (the grid's search column is the
// code); the edit shows what was typed until the search ran.
TEST_F(DataSentakuBoxTest, TypingTheStartOfACodeSelectsIt)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show(kWizardLines, box);
    box->SetCurrentLine(0, 0);
    box->PerfectGrid1->setFocus();
    QTest::keyClicks(box->PerfectGrid1, "0003");
    EXPECT_TRUE(box->txtIncSerch->isVisible());
    EXPECT_EQ(box->txtIncSerch->text().toStdString(), "0003");
    QTRY_COMPARE_WITH_TIMEOUT(box->IncSearchText.empty(), true, 5000);
    EXPECT_EQ(box->Cell(box->CurrentLine(), 1), "0003");
    EXPECT_FALSE(box->txtIncSerch->isVisible());
}

// Sorting by the name column lists the named data sets first (by name), then the empty slots;
// the header shows the direction, and the sort is kept for the next opening.
TEST_F(DataSentakuBoxTest, SortingByNamePutsNamedDataSetsBeforeEmptySlots)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=3", "FormStyle=2"}, box);
    ASSERT_EQ(box->LineCount(), 120);
    EXPECT_EQ(box->Cell(5, 0), "6") << "whole sort: by number";
    QHeaderView* h = box->PerfectGrid1->horizontalHeader();
    const QPoint at(h->sectionViewportPosition(3) + h->sectionSize(3) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(box->SortColumn, 3);
    EXPECT_EQ(box->Model->Headers[3], "データ名  ▲");
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(box->Cell(i, 3).empty()) << i;
    for (int i = 5; i < 120; ++i) EXPECT_TRUE(box->Cell(i, 3).empty()) << i;
    EXPECT_EQ(box->Cell(5, 0), "6");
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(box->Model->Headers[3], "データ名  ▼");
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(box->Cell(i, 3).empty()) << i;
    EXPECT_EQ(box->Cell(5, 0), "120");

    box->ESCClick();
    TDataSentakuBox* again = nullptr;
    auto second = Show({"SyoriType=3", "FormStyle=2"}, again);
    EXPECT_EQ(again->SortColumn, 3);
    EXPECT_EQ(again->SortDescending, 1);
}

// A whole refresh mirrors the folders: a slot whose data file went becomes an empty slot and loses
// its information file; Cancel stops before the next line.
TEST_F(DataSentakuBoxTest, RefreshMirrorsFoldersAndCancelStops)
{
    std::filesystem::remove(std::filesystem::path(Folder(4)) / "vqacc.fdb");
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=3", "FormStyle=2"}, box);
    int seen = 0;
    box->OnRefreshLine = [&](int line) {
        seen = line + 1;
        if (line == 9) box->xAnimeProgressDialog1->Cancelled = true;
    };
    box->DataListRefresh(-1);
    EXPECT_EQ(seen, 10);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(Folder(4)) / "vqacc.ini"));
    EXPECT_TRUE(box->Cell(3, 3).empty());
    EXPECT_EQ(box->Cell(3, 5), "～");
    EXPECT_EQ(box->Cell(0, 3), "青色一郎（一般）");
    TDataSentakuListCtl ctl;
    TDataListRec r;
    ctl.InitDataListRec(r, "");
    r.REC = 4;
    ctl.GetDataListRecord(0, r, true);
    EXPECT_EQ(r.ENTTEXT, "");
    EXPECT_EQ(r.SHOUGOU, "");
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// F12 on an empty slot leaves no folder behind, whatever the answer to the offer of new data (the
// new-data wizard is not part of this program, so nothing is created).
TEST_F(DataSentakuBoxTest, F12OnAnEmptySlotCreatesNoFolder)
{
    std::filesystem::remove_all(Folder(7));
    for (const char* type : {"SyoriType=0", "SyoriType=1"}) {
        for (int a : {int(mrYes), int(mrNo)}) {
            SCOPED_TRACE(std::string(type) + " answer " + std::to_string(a));
            answer = a;
            TDataSentakuBox* box = nullptr;
            auto form = Show({type, "FormStyle=2"}, box);
            const int line = 6; // slot 7, listed by number
            ASSERT_EQ(box->Cell(line, 0), "7");
            box->SetCurrentLine(line, 0);
            box->F12Click();
            EXPECT_FALSE(std::filesystem::exists(Folder(7)));
            EXPECT_TRUE(box->isVisible());
            EXPECT_NE(box->result(), mrOk);
            box->hide();
        }
    }
    EXPECT_TRUE(ui.shown.empty());
}
