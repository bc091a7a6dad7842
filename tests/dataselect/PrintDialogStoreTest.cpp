// The common print dialog and the form-colour dialog against a system database built by the fixture
// builder: the STYLECOLOR row of an operator and form, the palette row, and SYSDEF in environment
// mode.

#include "core/DataModule.h"
#include "core/DataModuleSysDef.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "print/z5PrintDlg.h"
#include "print/z5PrnColorSet.h"
#include "ui/xEdit.h"
#include "ui/z5MessageDlg2.h"

#include "FixtureBuilder.h"
#include "Isql.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "ui/UiTestHelp.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace kb;
namespace fx = kbtest::fixture;

namespace {

class PrintDialogStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui_);
        const fx::DataRoot root = fx::LayoutFor(tmp_ / "root");
        fx::BuildSystemDatabase(root, {});
        SystemDef.SysDir = root.sysDir.string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = 10000 * 10000 + fx::kOperatorWithPassword;
        SystemDef.SysDbMajor = 12;
        SystemDef.LogDir = tmp_.path().string();
        CreateDM();
        ASSERT_TRUE(DM->fnAccDefConnected("", true));
        ASSERT_TRUE(fnGetSysDef(*DM));
        SystemDef.PLineColor1 = 0x000080;
        SystemDef.PLineColor2 = 0x008000;
        SystemDef.NetColor1 = 0xC0C0C0;
        SystemDef.NetColor2 = 0x808080;
    }
    void TearDown() override
    {
        SetMessage2Interceptor(nullptr);
        FreeDM();
        ResetErrorReporter();
        ResetAccRecord();
    }

    // One row of the operator as "L1,L2,L3,L4,L5,N1,N2|SSTR"; "" when there is none.
    std::string Row(const std::string& style)
    {
        std::string out;
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("SELECT LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR FROM STYLECOLOR "
                 "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ParamByName("STYLENAME").SetString(style);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            for (const char* c : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1"})
                out += std::to_string(q.FieldByName(c).AsInteger()) + ",";
            out += std::to_string(q.FieldByName("NETCOLOR2").AsInteger()) + "|" + q.FieldByName("SSTR").AsString();
        }
        q.Close();
        g.Commit();
        return out;
    }
    int SysDefColumn(const char* column)
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL(std::string("SELECT ") + column + " FROM SYSDEF WHERE OPCODE=:OPCODE");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ExecQuery();
        const int v = q.FieldByName(column).AsInteger();
        q.Close();
        g.Commit();
        return v;
    }

    // A dialog of the form "TestForm" with the colour and two-sided choices as given.
    std::unique_ptr<TPrintDlgBox> Dialog(TDefaultPrintRec& rec, bool showColor)
    {
        auto dlg = std::make_unique<TPrintDlgBox>();
        rec.StyleName = "TestForm";
        dlg->PrintRec = &rec;
        dlg->UseStyleColor = true;
        dlg->ShowColor = showColor;
        dlg->ShowBothSides = true;
        dlg->ShowPreviewButton = true;
        dlg->Setup(0);
        return dlg;
    }

    kbtest::TempDir tmp_;
    kbtest::RecordingErrorUi ui_;
};

TEST_F(PrintDialogStore, RowOfTheOperatorAndForm)
{
    // First use: no row, the environment colours; OK with colour and two-sided inserts all -1.
    TDefaultPrintRec rec;
    InitDefaultPrintRec(rec);
    auto dlg = Dialog(rec, true);
    EXPECT_EQ(dlg->StyleKey, "020-TESTFORM");
    EXPECT_EQ(Row("020-TESTFORM"), "");
    EXPECT_EQ(rec.LineColor1, 0x000080u);
    dlg->btnColor->setChecked(true);
    dlg->chkBoth->setChecked(true);
    dlg->btnPreview->click();
    EXPECT_EQ(dlg->result(), mrOk);
    EXPECT_EQ(dlg->PrintResult, 2);
    EXPECT_EQ(rec.ColorMode, 1);
    EXPECT_EQ(Row("020-TESTFORM"), "-1,-1,-1,-1,-1,-1,-1|C010=1\r\nC020=1");

    // Shown again: both choices come back.
    TDefaultPrintRec again;
    InitDefaultPrintRec(again);
    dlg = Dialog(again, true);
    EXPECT_TRUE(dlg->btnColor->isChecked());
    EXPECT_TRUE(dlg->chkBoth->isChecked());
    EXPECT_EQ(again.ColorMode, 1);

    // With the colour choice hidden, "C010" is neither taken nor kept; a colour of the form's own is
    // stored, the others stay -1, and cancel writes the row all the same.
    TDefaultPrintRec hidden;
    InitDefaultPrintRec(hidden);
    dlg = Dialog(hidden, false);
    EXPECT_EQ(hidden.ColorMode, 0);
    EXPECT_FALSE(dlg->btnColor->isChecked());
    dlg->btnOK->click();
    EXPECT_EQ(hidden.ColorMode, 0);
    EXPECT_EQ(Row("020-TESTFORM"), "-1,-1,-1,-1,-1,-1,-1|C020=1");
    hidden.NetColor2 = 0x123456;
    dlg = Dialog(hidden, false);
    dlg->btnCancel->click();
    EXPECT_EQ(dlg->result(), mrCancel);
    EXPECT_EQ(Row("020-TESTFORM"), "-1,-1,-1,-1,-1,-1,1193046|C020=1");

    // A stored -1 follows a later change of the environment colour; the form's own colour stays.
    SystemDef.NetColor1 = 0x00FFFF;
    TDefaultPrintRec later;
    InitDefaultPrintRec(later);
    dlg = Dialog(later, false);
    EXPECT_EQ(later.NetColor1, 0x00FFFFu);
    EXPECT_EQ(later.NetColor2, 0x123456u);
}

TEST_F(PrintDialogStore, StartPageAndForeignModes)
{
    TDefaultPrintRec rec;
    InitDefaultPrintRec(rec);
    auto dlg = Dialog(rec, true);
    dlg->ShowStartPage = true;
    const struct {
        const char* text;
        int page;
    } cases[] = {{"7", 7}, {"0", 1}, {"abc", 1}, {"", 1}};
    for (const auto& c : cases) {
        dlg->txtStartPage->setText(c.text);
        dlg->btnOK->click();
        EXPECT_EQ(rec.StartPage, c.page) << c.text;
    }
    // Modes are compared upper-cased; another mode does nothing.
    rec.Options = "C010=1";
    rec.ColorMode = 0;
    dlg->OptionsIO("restore");
    EXPECT_EQ(rec.ColorMode, 0);
    dlg->OptionsIO("fukugen");
    EXPECT_EQ(rec.ColorMode, 1);
}

// A failed write is reported under the writing operation's own label.
TEST_F(PrintDialogStore, FailedWriteIsReportedAsTheWrite)
{
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("ALTER TABLE STYLECOLOR ADD CONSTRAINT CK_TEST_NO_DEFAULT CHECK (LINECOLOR5 <> -1)");
        q.ExecQuery();
        g.Commit();
    }
    TDefaultPrintRec rec;
    InitDefaultPrintRec(rec);
    auto dlg = Dialog(rec, true);
    dlg->btnCancel->click();
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_NE(ui_.shown[0].find("ユーザー別帳票色情報の更新に失敗しました。"), std::string::npos);
    const std::string log = kbtest::ReadFile(IBErrorLogPath());
    EXPECT_NE(log.find("TPrintDlgBox.PutStyleColorRec"), std::string::npos);
    EXPECT_EQ(log.find("TPrintDlgBox.GetStyleColorRec"), std::string::npos);
    EXPECT_EQ(Row("020-TESTFORM"), "");
}

TEST_F(PrintDialogStore, ColourDialogPerFormAndEnvironment)
{
    const std::string white = "ColorA=FFFFFF\r\nColorB=FFFFFF\r\nColorC=FFFFFF\r\nColorD=FFFFFF\r\n"
                              "ColorE=FFFFFF\r\nColorF=FFFFFF\r\nColorG=FFFFFF\r\nColorH=FFFFFF\r\n"
                              "ColorI=FFFFFF\r\nColorJ=FFFFFF\r\nColorK=FFFFFF\r\nColorL=FFFFFF\r\n"
                              "ColorM=FFFFFF\r\nColorN=FFFFFF\r\nColorO=FFFFFF\r\nColorP=FFFFFF\r\n";
    // Per-form: the chosen colour is returned; SystemDef and SYSDEF stay.
    {
        TPrnColorSetBox box;
        box.PerForm = 1;
        box.Setup(1);
        EXPECT_EQ(box.Palette, white);
        EXPECT_TRUE(box.lblKankyoColor->isVisibleTo(&box));
        box.ChooseColor = [](TColor start, TColor& chosen) {
            EXPECT_EQ(start, 0x000080u);
            chosen = 0x0000FF;
            return true;
        };
        box.Buttons[0]->click();
        box.btnOK->click();
        EXPECT_EQ(box.result(), mrOk);
        EXPECT_EQ(box.LineColor1, 0x0000FFu);
        EXPECT_EQ(SystemDef.PLineColor1, 0x000080);
    }
    EXPECT_EQ(Row("Pallet_CustomColor"), "-1,-1,-1,-1,-1,-1,-1|" + white);
    const int storedBefore = SysDefColumn("PLineColor1");

    // Back to the environment colours, then cancel: nothing changes but the palette row.
    {
        kbtest::MessageCatcher yes(mrYes);
        TPrnColorSetBox box;
        box.PerForm = 1;
        box.SetNetColor1(0x112233);
        box.Setup(1);
        QColorDialog::setCustomColor(2, QColor(0x12, 0x34, 0x56));
        box.lblKankyoColorClick();
        ASSERT_EQ(yes.Shown.size(), 1u);
        EXPECT_EQ(box.PanelColor(2), 0xC0C0C0u);
        box.btnCancel->click();
        EXPECT_EQ(box.result(), mrCancel);
    }
    EXPECT_EQ(SysDefColumn("PLineColor1"), storedBefore);
    EXPECT_NE(Row("Pallet_CustomColor").find("ColorC=563412\r\n"), std::string::npos);
    EXPECT_EQ(SystemDef.NetColor1, 0xC0C0C0);

    // Environment mode: SystemDef and the SYSDEF row take the colours.
    {
        TPrnColorSetBox box;
        box.PerForm = 0;
        box.Setup(1);
        EXPECT_FALSE(box.lblKankyoColor->isVisibleTo(&box));
        box.ChooseColor = [](TColor, TColor& chosen) {
            chosen = 0x00AA00;
            return true;
        };
        box.Buttons[0]->click();
        box.btnOK->click();
    }
    EXPECT_EQ(SystemDef.PLineColor1, 0x00AA00);
    EXPECT_NE(storedBefore, 0x00AA00);
    EXPECT_EQ(SysDefColumn("PLineColor1"), 0x00AA00);
}

} // namespace
