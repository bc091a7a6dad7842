// F8 of the data selection on the fixture's system database: the data-list print dialog, its
// orientation kept per operator in STYLECOLOR, and the preview it leads to; a search that hides
// every line stops before the dialog.

#include "DataSentakuBoxFixture.h"
#include "dataselect/z5DataSentakuPrintDlg.h"
#include "platform/Text.h"
#include "print/Plotivar_Class.h"

#include "common/TestEnv.h"
#include "ui/UiTestHelp.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kb;

namespace {

const std::vector<std::string> kAllKeys = {"SyoriType=0", "FormStyle=2"};

class DataSentakuPrint : public kbtest::DataSentakuBoxFixture {
protected:
    void SetUp() override
    {
        DataSentakuBoxFixture::SetUp();
        if (HasFatalFailure()) return;
        SystemDef.TempDir = (tmp / "temp").string();
        std::filesystem::create_directories(SystemDef.TempDir);
        savedPreview_ = TPlotivar::ShowPreview();
        TPlotivar::ShowPreview() = [this](TPlotivarDEF& d) {
            previewed_ = Cp932ToUtf8(kbtest::ReadFile(d.DataFile));
            previewOrientation_ = d.Orientation;
            return 1;
        };
    }
    void TearDown() override
    {
        TPlotivar::ShowPreview() = savedPreview_;
        DataSentakuBoxFixture::TearDown();
    }

    struct StyleRow {
        int rows = 0;
        std::vector<int> colours;
        std::string sstr;
    };
    StyleRow ReadStyleRow()
    {
        StyleRow r;
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("SELECT LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR FROM STYLECOLOR "
                 "WHERE OPCODE=:OPCODE AND STYLENAME='020-DATASENTAKULIST'");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            ++r.rows;
            r.colours.clear();
            for (const char* c : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
                r.colours.push_back(q.FieldByName(c).AsInteger());
            r.sstr = q.FieldByName("SSTR").AsString();
        }
        q.Close();
        g.Commit();
        return r;
    }

    TPlotivar::Runner savedPreview_;
    std::string previewed_;
    int previewOrientation_ = -1;
};

TEST_F(DataSentakuPrint, LandscapePreviewIsStoredAndOfferedAgain)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show(kAllKeys, box);
    QPushButton* f8 = box->FuncButtons[fkF8];
    ASSERT_TRUE(f8->isEnabled());
    EXPECT_EQ(ReadStyleRow().rows, 0);

    bool seen = false;
    kbtest::WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TDataSentakuPrintDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        seen = true;
        EXPECT_EQ(dlg->windowTitle().toStdString(), "データリストの印刷");
        EXPECT_TRUE(dlg->btnYousiTate->isChecked());
        EXPECT_FALSE(dlg->btnColor->isVisibleTo(dlg));
        EXPECT_FALSE(dlg->chkBoth->isVisibleTo(dlg));
        EXPECT_TRUE(dlg->btnPreview->isVisibleTo(dlg));
        EXPECT_FALSE(dlg->btnCopy->isVisibleTo(dlg));
        dlg->btnYousiYoko->setChecked(true);
        dlg->btnPreview->click();
    });
    QTest::mouseClick(f8, Qt::LeftButton);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(previewOrientation_, 1);
    // The landscape sheet: rules to 2820 and the code column.
    EXPECT_NE(previewed_.find("LINE;150;300;2820;300;4;0;黒;"), std::string::npos);
    EXPECT_NE(previewed_.find("TEXT;250;325;コード;ＭＳ 明朝;9;;黒;1;LEFT;0;0;"), std::string::npos);
    EXPECT_NE(previewed_.find("TEXT;250;405;" + box->Cell(0, 1) + ";"), std::string::npos);

    StyleRow row = ReadStyleRow();
    EXPECT_EQ(row.rows, 1);
    EXPECT_EQ(row.sstr, "P010=1");
    EXPECT_EQ(row.colours, std::vector<int>(7, -1));

    // Next time "横" is offered; cancel prints nothing and still writes the row.
    previewed_.clear();
    seen = false;
    kbtest::WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TDataSentakuPrintDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        seen = true;
        EXPECT_TRUE(dlg->btnYousiYoko->isChecked());
        EXPECT_FALSE(dlg->btnYousiTate->isChecked());
        dlg->btnYousiTate->setChecked(true);
        dlg->btnCancel->click();
    });
    QTest::mouseClick(f8, Qt::LeftButton);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(previewed_.empty());
    row = ReadStyleRow();
    EXPECT_EQ(row.rows, 1);
    EXPECT_EQ(row.sstr, "P010=1");
}

TEST_F(DataSentakuPrint, SearchHidingEveryLineStopsBeforeTheDialog)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show(kAllKeys, box);
    box->ActiveJyoken.DATANAME = "どこにもない名前";
    box->FilterDataList();
    ASSERT_TRUE(box->DispIndex.empty());
    bool dialog = false;
    kbtest::WhenModal([&](QWidget* w) {
        dialog = true;
        w->close();
    });
    box->PrintDataList();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "データリストが絞り込みにより表示されていません。");
    EXPECT_EQ(ReadStyleRow().rows, 0);
}

} // namespace
