// Data management of the full data selection dialog (processing type 0, stand-alone) on a whole
// fixture data root: copy and paste (F2), delete (F5), new data and distributed children (F3).
// The dialog is shown offscreen and driven through its function buttons; its boxes are answered
// as a user would (the agree box ticked, then OK).

#include "DataRootFixture.h"
#include "DataSentakuDriver.h"
#include "core/DataModuleAccReg.h"
#include "core/FormRegistry.h"
#include "core/z5ComFunc.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/z5GassanDataCtl.h"
#include "dataselect/z5DataSentaku.h"
#include "accounting/DataInfomation.h"
#include "accounting/DataSetUseRecorder.h"
#include "ui/xCheckBox.h"
#include "ui/xPlButton.h"
#include "ui/z5MessageDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kb;
namespace fs = std::filesystem;

namespace {

struct TShownBox {
    std::string Caption, MainText, Lines;
};

class DataManagementTest : public kbtest::DataRootTest {
protected:
    void SetUp() override
    {
        kbtest::DataRootTest::SetUp();
        if (HasFatalFailure()) return;
        SetSafeRoots({root.sysDir});
        SystemDef.JobLevel = 9; // the operator of the fixture is an administrator
        recorder = std::make_unique<TDataSetUseRecorder>(*DM);
        recorderScope = std::make_unique<TScopedDataSetUseRecorder>(recorder.get());
        kbtest::RecordMessages(messages, answer);
        // The boxes of TMessageBox run modally: answer each as soon as it shows.
        boxTimer = new QTimer;
        boxTimer->setInterval(5);
        QObject::connect(boxTimer, &QTimer::timeout, [this] {
            auto* mb = qobject_cast<TMessageBox*>(QApplication::activeModalWidget());
            if (!mb || !mb->isVisible() || mb->property("answered").toBool()) return;
            mb->setProperty("answered", true);
            boxes.push_back({mb->MsgCaption, mb->MainText, mb->MessageArea->toPlainText().toStdString()});
            if (boxAnswer == mrOk) {
                if (mb->cboxAgree->isVisible()) QTest::mouseClick(mb->cboxAgree, Qt::LeftButton, {}, QPoint(4, mb->cboxAgree->height() / 2));
                mb->btnOK->Click();
            } else {
                mb->btnCancel->Click();
            }
        });
        boxTimer->start();
        ResetFormRegistry();
        RegisterDataSelectForms();
    }
    void TearDown() override
    {
        form.reset();
        delete boxTimer;
        OpenRegisteredFormHook = nullptr;
        SetCloudShareModeSource(nullptr);
        DataDamageCheckHook = nullptr;
        SetMessage2Interceptor(nullptr);
        ResetFormRegistry();
        SetSafeRoots({});
        recorderScope.reset();
        recorder.reset();
        kbtest::DataRootTest::TearDown();
    }

    void Show(const std::vector<std::string>& lines = {"SyoriType=0"})
    {
        form = kbtest::ShowDataSentaku(lines, box);
        ASSERT_NE(box, nullptr);
    }
    int LineOfRec(int rec) { return kbtest::LineOfRec(*box, rec); }
    int LineOfFolder(const std::string& folder)
    {
        for (int i = 0; i < box->LineCount(); ++i)
            if (box->RowFolder(i) == folder) return i;
        return -1;
    }
    void Press(int line, TFuncKey key) { kbtest::PressKey(*box, line, key); }
    std::string Caption(TFuncKey key) { return box->FuncButtons[static_cast<std::size_t>(key)]->text().toStdString(); }

    std::string Registry(const std::string& column, int rec) { return kbtest::DataListValue(column, rec); }
    std::string OnData(const std::string& folder, const std::string& sql) { return kbtest::DataSetValue(folder, sql); }
    void SetGassan(const std::string& folder, int kind, int count)
    {
        fb::Connection db;
        OpenDataSet(db, folder);
        fb::Transaction tr(&db);
        fb::TransactionGuard g(tr);
        PutAccReg(db, tr, "基本設定", "合算データ区分", kRegInteger, TRegValue{std::to_string(kind)});
        PutAccReg(db, tr, "基本設定", "合算データ数", kRegInteger, TRegValue{std::to_string(count)});
        g.Commit();
        WriteIniValue(folder, "DATAINFO", "GASSANKBN", kind);
    }
    int GassanCount(const std::string& folder)
    {
        return std::stoi(OnData(folder, "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='合算データ数'"));
    }
    // Slot n as a consolidated copy of the general individual with children "001" and "003" and a
    // folder "tmp" that holds no data; the list shows it after a refresh of its line.
    void MakeConsolidated(int n)
    {
        fs::copy(Folder(1), Folder(n), fs::copy_options::recursive);
        SetGassan(Folder(n), 1, 2);
        for (const char* child : {"001", "003"}) {
            const std::string c = JoinPath(Folder(n), child);
            fs::create_directories(c);
            fs::copy_file(JoinPath(Folder(n), DataFileName), JoinPath(c, DataFileName));
            SetGassan(c, 10, 0);
        }
        fs::create_directories(JoinPath(Folder(n), "tmp"));
    }
    void ShowWithConsolidated(int n)
    {
        MakeConsolidated(n);
        Show();
        box->DataListRefresh(LineOfRec(n));
        ASSERT_EQ(box->Rows[static_cast<std::size_t>(n - 1)].DataRec.GASSAN, 1);
        ASSERT_EQ(box->Rows[static_cast<std::size_t>(n - 1)].ChildCount, 2);
    }
    int Status(const std::string& folder)
    {
        TDataFolderInfoRec r;
        ReadDataIni(folder, r);
        return r.STATUS;
    }
    TDataInfomationRec Facts(const std::string& folder)
    {
        TDataInfomation di(*DM);
        TDataInfomationRec r;
        TDataInfomation::ClearDataInfoRec(r);
        EXPECT_TRUE(di.ReadDataInfoFromFolder(folder, r)) << folder;
        DM->fnAccDatDisConnected(folder, false, false);
        return r;
    }

    std::unique_ptr<TDataSetUseRecorder> recorder;
    std::unique_ptr<TScopedDataSetUseRecorder> recorderScope;
    std::unique_ptr<TFormInstance> form;
    TDataSentakuBox* box = nullptr;
    QTimer* boxTimer = nullptr;
    std::vector<std::string> messages;
    std::vector<TShownBox> boxes;
    int answer = mrYes;
    int boxAnswer = mrOk;
};

// ---- copy and paste -------------------------------------------------------------------------

// F2 on the general individual, F2 on an empty slot: the copy opens with the same company and
// journal count, carries the source's locks, no cloud link, and both folders end free.
TEST_F(DataManagementTest, CopyOntoAnEmptySlotGivesAWholeCopy)
{
    Sql("UPDATE DATALIST SET UPDATE_LOCK=1 WHERE REC=1");
    Show();
    const int src = LineOfRec(1), dst = LineOfRec(7);
    Press(src, fkF2);
    EXPECT_EQ(Status(Folder(1)), 6);
    EXPECT_EQ(Caption(fkF2), "F2:貼り付け");
    Press(dst, fkF2);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    EXPECT_TRUE(boxes.empty()) << boxes.front().MainText; // an empty slot needs no collation
    EXPECT_TRUE(box->CopySourceFolder.empty());

    const TDataInfomationRec copy = Facts(Folder(7)), original = Facts(Folder(1));
    EXPECT_EQ(copy.SHOUGOU, original.SHOUGOU);
    EXPECT_EQ(copy.SIWAKE, 142);
    EXPECT_EQ(copy.DATALISTNAME, "青色一郎（一般）～コピー");
    EXPECT_EQ(copy.UPDATE_LOCK, 1);
    EXPECT_EQ(OnData(Folder(7), "SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1"), "0");
    EXPECT_EQ(Registry("ENTTEXT", 7), "青色一郎（一般）～コピー");
    EXPECT_EQ(Registry("UPDATE_LOCK", 7), "1");
    EXPECT_EQ(Status(Folder(1)), 1);
    EXPECT_EQ(Status(Folder(7)), 1);
    EXPECT_EQ(Caption(fkF2), "F2:コピー");
}

// The new list name is cut at 40 Shift_JIS bytes without splitting a double-byte character.
TEST_F(DataManagementTest, CopyNameIsCutAtFortyBytes)
{
    const std::string kanji18 = "ああああああああああああああああああ"; // 36 bytes
    const struct {
        std::string name, expected;
    } cases[] = {
        {"a" + kanji18, "a" + kanji18 + "～"},  // 37 + 2 bytes, "コ" does not fit
        {"ab" + kanji18, "ab" + kanji18 + "～"}, // exactly 40
        {"a" + kanji18 + "あ", "a" + kanji18 + "あ"}, // 39 bytes: the lead byte of "～" is cut and trimmed
    };
    Show();
    for (const auto& c : cases) {
        box->Rows[0].DataRec.ENTTEXT = c.name;
        Press(LineOfRec(1), fkF2);
        EXPECT_EQ(box->CopySource.ENTTEXT, c.expected) << c.name;
        box->ESCClick();
    }
}

// ESC while a copy is marked frees the source; a paste onto a consolidated slot of normal data is
// refused with the pattern box and leaves both as they were.
TEST_F(DataManagementTest, EscFreesTheSourceAndNormalDataDoesNotGoOntoConsolidated)
{
    ShowWithConsolidated(6);
    if (HasFatalFailure()) return;
    Press(LineOfRec(2), fkF2);
    EXPECT_EQ(Status(Folder(2)), 6);
    QTest::keyClick(box->PerfectGrid1, Qt::Key_Escape);
    EXPECT_EQ(Status(Folder(2)), 1);
    EXPECT_EQ(box->CopyPending, 0);
    EXPECT_TRUE(box->isVisible());

    Press(LineOfRec(2), fkF2);
    Press(LineOfRec(6), fkF2);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "警告");
    EXPECT_EQ(boxes[0].Lines, "以下のパターンの復元（貼付）は禁止されています。\n"
                              " ①通常データ       を 合算データ（合算本支店データ） へ\n"
                              " ②分散データ       を 合算データ（合算本支店データ） へ\n"
                              " ③合算データ       を 合算本支店データ へ\n"
                              " ④合算本支店データ を 合算データ へ");
    EXPECT_EQ(Facts(Folder(6)).SHOUGOU, Facts(Folder(1)).SHOUGOU);
    EXPECT_TRUE(fs::exists(JoinPath(Folder(6), "001/vqacc.fdb")));
    EXPECT_EQ(Status(Folder(2)), 1);
    EXPECT_EQ(Status(Folder(6)), 1);
}

// A source whose data file vanished after the mark: the failure is shown and the destination keeps
// its data, its name and its status (before, the old database was renamed as the copy).
TEST_F(DataManagementTest, PasteOfAVanishedSourceLeavesTheDestination)
{
    Show();
    const TDataInfomationRec before = Facts(Folder(3));
    Press(LineOfRec(2), fkF2);
    fs::remove(JoinPath(Folder(2), DataFileName));
    Press(LineOfRec(3), fkF2);
    ASSERT_EQ(boxes.size(), 1u); // the collation: another company, agreed
    EXPECT_EQ(boxes[0].Caption, "データ照合チェックの結果");
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_NE(ui.shown.back().find("データのコピーに失敗しました。"), std::string::npos);
    const TDataInfomationRec after = Facts(Folder(3));
    EXPECT_EQ(after.SHOUGOU, before.SHOUGOU);
    EXPECT_EQ(after.SIWAKE, before.SIWAKE);
    EXPECT_EQ(after.DATALISTNAME, before.DATALISTNAME);
    EXPECT_EQ(Registry("ENTTEXT", 3), "農業三郎");
    EXPECT_EQ(Status(Folder(3)), 1);
    EXPECT_FALSE(fs::exists(root.sysDir / ".0003.paste"));
}

// ---- delete ---------------------------------------------------------------------------------

// Each refusal names its reason and leaves the folder and its row.
TEST_F(DataManagementTest, DeleteRefusals)
{
    MakeConsolidated(6);
    const struct Case {
        const char* what;
        std::function<void(DataManagementTest&)> prepare;
        int rec;
        std::string message; // a message box's text, or a status box's main text
    } cases[] = {
        {"shared drive", [](DataManagementTest& t) { t.Sql("UPDATE DATALIST SET NETDRIVE=1,KYOYULOCK=1,PASNAME='/mnt/share/0002' WHERE REC=2"); }, 2,
         "共有データの削除は行えません。\n[F4:割当解除]後に「共有データの選択」ウィンドウを表示して削除を行って下さい。"},
        {"cloud", [](DataManagementTest& t) {
             t.Sql("UPDATE DATALIST SET CLOUD=1 WHERE REC=2");
             SetCloudShareModeSource([] { return true; });
         }, 2, "クラウドシェアデータのため削除処理は行えません。"},
        {"open data", [](DataManagementTest& t) { SystemDef.DataDir = t.Folder(2); }, 2,
         "このデータは前回起動データのため削除は行えません。"},
        {"another operator", [](DataManagementTest& t) {
             WriteIniValue(t.Folder(2), "DATASTS", "STATUS", 3);
             WriteIniValue(t.Folder(2), "DATASTS", "OPCODE", 100000011);
         }, 2, "このデータはデータロック中のため処理が行えません。"},
        {"damaged member", [](DataManagementTest& t) { t.Sql("UPDATE DATALIST SET DATA_STATUS=0 WHERE REC=6"); }, 6,
         "合算・分散データに破損したデータが存在するため、データの削除を中止します。\n"
         "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\n"
         "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare(*this);
        Show();
        box->DataListRefresh(LineOfRec(6));
        if (c.rec == 6) box->Rows[5].ChildList[0].DATA_STATUS = 1;
        messages.clear();
        boxes.clear();
        // F5 is bare on a shared-drive row; the check behind it still stands on its own.
        if (std::string(c.what) == "shared drive") {
            box->SetCurrentLine(LineOfRec(c.rec), 0);
            box->DeleteDataSet(true);
        } else {
            Press(LineOfRec(c.rec), fkF5);
        }
        const std::string shown = !messages.empty() ? messages.front() : !boxes.empty() ? boxes.front().MainText : "";
        EXPECT_EQ(shown, c.message);
        EXPECT_TRUE(fs::exists(JoinPath(Folder(c.rec), DataFileName)));
        EXPECT_NE(Registry("ENTTEXT", c.rec), "");
        form.reset();
        SetCloudShareModeSource(nullptr);
        SystemDef.DataDir.clear();
        Sql("UPDATE DATALIST SET NETDRIVE=0,KYOYULOCK=0,CLOUD=0,PASNAME='" + Folder(2) + "' WHERE REC=2");
        WriteIniValue(Folder(2), "DATASTS", "STATUS", 1);
    }
}

// The caller's open data in processing type 2 has its own text; another attachment to the
// database (a second program holding it) refuses the delete as in use.
TEST_F(DataManagementTest, DeleteRefusesTheSelectedDataAndAnAttachedDatabase)
{
    SystemDef.DataDir = Folder(2);
    Show({"SyoriType=2"});
    Press(LineOfRec(2), fkF5);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "このデータは現在選択中のデータのため削除は行えません。");

    messages.clear();
    fb::Connection other;
    other.SetSQLDialect(3);
    other.SetDatabaseName(JoinPath(Folder(3), DataFileName));
    TDM::SetLoginParams(other);
    other.Open();
    Press(LineOfRec(3), fkF5);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "このデータは他のオペレータが使用中のため削除は行えません。");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fs::exists(JoinPath(Folder(3), DataFileName)));
}

// An agreed delete removes the folder and empties the slot; declining keeps everything.
TEST_F(DataManagementTest, AgreedDeleteEmptiesTheSlot)
{
    Show();
    boxAnswer = mrCancel;
    Press(LineOfRec(2), fkF5);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "データの削除");
    EXPECT_EQ(boxes[0].MainText, "選択したデータを削除します。");
    EXPECT_EQ(boxes[0].Lines, "【データ名】\n　不動産次郎\n\n【会計期間】\n　2025/01/01 ～ 2025/12/31\n\n【データフォルダ】\n　" +
                                  box->Cell(LineOfRec(2), 6));
    EXPECT_TRUE(fs::exists(Folder(2)));

    boxAnswer = mrOk;
    Press(LineOfRec(2), fkF5);
    EXPECT_FALSE(fs::exists(Folder(2)));
    EXPECT_EQ(Registry("ENTTEXT", 2), "");
    EXPECT_EQ(box->Cell(LineOfRec(2), 3), "");
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// Deleting a distributed child lowers the parent's child count by one.
TEST_F(DataManagementTest, DeletingAChildLowersTheParentsCount)
{
    ShowWithConsolidated(6);
    if (HasFatalFailure()) return;
    const int child = LineOfFolder(JoinPath(Folder(6), "003"));
    ASSERT_GE(child, 0);
    Press(child, fkF5);
    EXPECT_FALSE(fs::exists(JoinPath(Folder(6), "003")));
    EXPECT_TRUE(fs::exists(JoinPath(Folder(6), "001")));
    EXPECT_EQ(GassanCount(Folder(6)), 1);
    EXPECT_EQ(box->Rows[5].ChildCount, 1);
}

// ---- new data and distributed children -------------------------------------------------------

// F3 on the consolidated line adds "004" (after "001", "003" and the data-less "tmp"): an emptied
// copy marked as a child, registered under the parent, and the parent counts one child more.
TEST_F(DataManagementTest, F3AddsAnEmptiedChild)
{
    ShowWithConsolidated(6);
    if (HasFatalFailure()) return;
    const int line = LineOfRec(6);
    box->SetCurrentLine(line, 0);
    box->UpdateFunctionKeys();
    EXPECT_EQ(Caption(fkF3), "F3:分散追加");
    Press(line, fkF3);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "分散入力用のデータを追加します。\nよろしいですか？");
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    const std::string c = JoinPath(Folder(6), "004");
    ASSERT_TRUE(fs::exists(JoinPath(c, DataFileName)));
    EXPECT_EQ(OnData(c, "SELECT COUNT(*) FROM SIWAKE"), "0");
    EXPECT_EQ(OnData(c, "SELECT COUNT(*) FROM KAMOKU_MS WHERE KAR_NUK<>0 OR KAS_NUK<>0"), "0");
    EXPECT_EQ(OnData(c, "SELECT COUNT(*) FROM KAKOZAN WHERE KISHU<>0 OR KOMIZAN_1<>0 OR HAIBUN_16<>0"), "0");
    EXPECT_EQ(OnData(c, "SELECT SUM(SIWAKECOUNT) FROM SISETUMST"), "0");
    EXPECT_EQ(OnData(c, "SELECT GEN_ID(SIWAKE_REC_GEN,0) FROM RDB$DATABASE"), "0");
    EXPECT_EQ(OnData(c, "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='合算データ区分'"), "10");
    EXPECT_EQ(GassanCount(Folder(6)), 3);
    EXPECT_EQ(box->Rows[5].ChildCount, 3);
    EXPECT_GE(LineOfFolder(c), 0);
    // The parent keeps its journal.
    EXPECT_EQ(Facts(Folder(6)).SIWAKE, 142);
}

// A failing initialisation shows its error and leaves no folder and no count change.
TEST_F(DataManagementTest, FailingChildInitialisationLeavesNothing)
{
    MakeConsolidated(6);
    kbtest::RunIsql(fs::path(Folder(6)) / DataFileName,
                    "CREATE EXCEPTION E_NO_DELETE 'no delete';\n"
                    "SET TERM ^ ;\nCREATE TRIGGER SIWAKE_NO_DELETE FOR SIWAKE BEFORE DELETE AS BEGIN EXCEPTION E_NO_DELETE; END^\n"
                    "SET TERM ; ^\nCOMMIT;\n");
    Show();
    box->DataListRefresh(LineOfRec(6));
    Press(LineOfRec(6), fkF3);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_NE(ui.shown.front().find("分散入力用データの初期化に失敗しました。"), std::string::npos);
    EXPECT_FALSE(fs::exists(JoinPath(Folder(6), "004")));
    EXPECT_EQ(GassanCount(Folder(6)), 2);
    EXPECT_EQ(box->Rows[5].ChildCount, 2);
}

// F3 on an empty slot opens the new-data form by name; nobody registers it here, so its box is
// shown, the result is -1 and only the created folder stays (the refresh that follows finds no
// data file in it, so the slot stays empty).
TEST_F(DataManagementTest, NewDataOnAnEmptySlotLeavesOnlyTheFolder)
{
    std::vector<std::string> opened;
    OpenRegisteredFormHook = [&](const std::string& name, int mode, const std::string& params) {
        opened.push_back(name + "|" + std::to_string(mode) + "|" + params.substr(0, params.find("\rPHandle=")));
        if (CreateRegisteredForm(name)) return 1;
        ShowMessage2(1, "処理を起動するためのインターフェースが実装されていません。\rライブラリのロードに失敗した可能性があります。",
                     Btn(TMsgDlgBtn::mbOK));
        return -1;
    };
    Show();
    Press(LineOfRec(8), fkF3);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "SzKihonWiz|1|DataPath=" + Folder(8) + "\rDataListRec=8");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "処理を起動するためのインターフェースが実装されていません。\nライブラリのロードに失敗した可能性があります。");
    EXPECT_TRUE(fs::is_directory(Folder(8)));
    EXPECT_FALSE(fs::exists(JoinPath(Folder(8), DataFileName)));
    EXPECT_EQ(Registry("ENTTEXT", 8), "");
}

} // namespace
