// The data places of the server modes on a loopback Firebird server with the file-operation module:
// the table's seeding, the place dialog's writes, and the data selection's place combo. The module's
// data root is the folder above the system folder, where the places' folders ("…/data01") live.

#include "DataRootFixture.h"
#include "DataSentakuDriver.h"
#include "common/FakeUi.h"
#include "common/FirebirdServer.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/FormRegistry.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "dataselect/registry/DataPlace.h"
#include "dataselect/z5DataPlace.h"
#include "dataselect/z5DataSentaku.h"
#include "accounting/DataInfomation.h"
#include "accounting/DataSetUseRecorder.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "ui/xCheckBox.h"
#include "ui/z5MessageDlg.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "ui/UiTestHelp.h"
#include "ui/z5InputDlg.h"
#include "ui/xEdit.h"
#include "ui/xPlButton.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace kb;

namespace {

// Seeding names place 0 after the system folder while it fits the 40 bytes of the name column.
TEST(DataPlaceRules, SeedNameFitsFortyBytes)
{
    const std::string ascii40(40, 'a');
    std::string kanji20;
    for (int i = 0; i < 20; ++i) kanji20 += "デ";
    const struct {
        std::string sysDir, name;
    } cases[] = {
        {"/srv/data", "/srv/data"},
        {ascii40, ascii40},
        {ascii40 + "b", "標準の場所"},
        {kanji20, kanji20},
        {kanji20 + "b", "標準の場所"},
    };
    for (const auto& c : cases) EXPECT_EQ(SeedPlaceName(c.sysDir), c.name) << c.sysDir;
    EXPECT_EQ(SeedPlacePath("/srv/DATA", 7), "/srv/DATA07");
}

TEST(DataPlaceRules, KeysAndMoves)
{
    TDataPlaceList places(3);
    for (int i = 0; i < 3; ++i) {
        places[static_cast<std::size_t>(i)].REC = i;
        places[static_cast<std::size_t>(i)].ORDERKBN = i + 1;
    }
    places[0].NAME = "標準の場所";
    places[1].NAME = "東京";
    // The standard place can be renamed, never deleted; an unnamed place can only be named.
    TPlaceKeys k = PlaceKeysOf(places, 0);
    EXPECT_EQ(k.F2, "F2:");
    EXPECT_EQ(k.F3, "F3:名称変更");
    EXPECT_EQ(k.F5, "F5:");
    EXPECT_FALSE(k.UpEnabled);
    EXPECT_TRUE(k.DownEnabled);
    k = PlaceKeysOf(places, 1);
    EXPECT_EQ(k.F5, "F5:削除");
    k = PlaceKeysOf(places, 2);
    EXPECT_EQ(k.F2, "F2:新規作成");
    EXPECT_EQ(k.F3, "F3:");
    EXPECT_EQ(k.F5, "F5:");
    EXPECT_FALSE(k.DownEnabled);

    EXPECT_EQ(MovePlace(places, 2, 1), 2); // the last line cannot go down
    EXPECT_EQ(MovePlace(places, 0, -1), 0);
    EXPECT_EQ(MovePlace(places, 2, -1), 1);
    EXPECT_EQ(places[1].REC, 2);
    EXPECT_EQ(places[1].ORDERKBN, 2);
    EXPECT_EQ(places[1].State, 2);
    EXPECT_EQ(places[2].REC, 1);
    EXPECT_EQ(places[2].ORDERKBN, 3);
    EXPECT_EQ(places[2].State, 2);
    EXPECT_EQ(places[0].State, 0); // not shifted: not written
}

class DataPlaceServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
        server = std::make_unique<kbtest::FirebirdServer>(std::vector<fs::path>{kbtest::FileOperationModule()});
        root = server->DataDir() / "root";
        sysDir = root / "会計データの保管場所";
        // The scripts run under an ASCII name (isql takes no other in its connection string); the
        // folder gets its double-byte name before the program connects.
        const fs::path made = root / "sys";
        fs::create_directories(made);
        fs::create_directories(server->DataDir() / "log");
        std::ofstream(server->UdrDir() / "kbfileop.conf") << "DataRoot = " << root.string() << "\n";
        const fs::path sysDb = made / "vqaccdef.fdb";
        kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(sysDb) + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n",
                          server->Login());
        std::string script = kbtest::ReadFile(kbtest::SourceDir() / "db" / "system.sql");
        script += "\nINSERT INTO USERGROUP (GROUPID) VALUES (10000);\nCOMMIT;\n";
        kbtest::RunIsqlOn(server->Address(sysDb), script, server->Login());
        kbtest::RunIsqlOn(server->Address(sysDb), kbtest::ReadFile(kbtest::SourceDir() / "src/fb/udr/kbfileop.sql"), server->Login());
        fs::rename(made, sysDir);

        kbtest::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        ConnectMode = 1;
        SystemDef.HostName = "127.0.0.1/" + std::to_string(server->Port());
        SystemDef.SysDir = sysDir.string();
        SystemDef.LogDir = (server->DataDir() / "log").string();
        SystemDef.DbUser = kbtest::FirebirdServer::kUser;
        SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = 10000 * 10000 + 10;
        SystemDef.SysDbMajor = 12;
        SetSafeRoots({root});
        CreateDM();
        ASSERT_TRUE(DM->fnAccDefConnected("", true)) << Shown();
        {
            fb::TransactionGuard g(DM->IBTransactionDEF);
            fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
            q.SetSQL("SELECT REC FROM SP_DATALIST_INSERT(0, :PATH, 120)");
            q.ParamByName("PATH").SetString(sysDir.string());
            for (q.ExecQuery(); !q.Eof(); q.Next()) {
            }
            q.Close();
            g.Commit();
        }
        kbtest::RecordMessages(messages, answer);
    }
    void TearDown() override
    {
        SetMessage2Interceptor(nullptr);
        FreeDM();
        SetSafeRoots({});
        ConnectMode = 0;
        SystemDef.HostName.clear();
        SystemDef.DataPlaceRec = 0;
        SetErrorUi(nullptr);
        ResetErrorReporter();
        ResetAccRecord();
        server.reset();
    }

    std::string Shown() const { return ui.shown.empty() ? std::string() : ui.shown.front(); }

    // One value of the system database.
    std::string Value(const std::string& sql)
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL(sql);
        q.ExecQuery();
        const std::string v = q.Eof() ? "<none>" : q.FieldAt(0).AsString();
        q.Close();
        g.Commit();
        return v;
    }
    void Sql(const std::string& text)
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL(text);
        q.ExecQuery();
        g.Commit();
    }

    // Types name into the next input dialog and presses OK.
    static void TypeName(const std::string& name)
    {
        kbtest::WhenModal([name](QWidget* w) {
            auto* dlg = qobject_cast<TInputDlgBox*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->txtInput->setText(QString::fromStdString(name));
            dlg->btnOK->Click();
        });
    }

    std::unique_ptr<kbtest::FirebirdServer> server;
    fs::path root, sysDir;
    kbtest::RecordingErrorUi ui;
    std::vector<std::string> messages;
    int answer = mrOk;
};

} // namespace

TEST_F(DataPlaceServer, FirstOpeningSeedsAHundredPlaces)
{
    TDataPlaceIO io(*DM);
    ASSERT_TRUE(io.LoadPlaceList(false)) << Shown();
    ASSERT_EQ(io.Places.size(), 100u);
    // The system folder is longer than 40 bytes here.
    EXPECT_EQ(io.Places[0].NAME, "標準の場所");
    EXPECT_EQ(io.Places[0].PATH, sysDir.string());
    EXPECT_EQ(io.Places[99].REC, 99);
    EXPECT_EQ(io.Places[99].ORDERKBN, 100);
    EXPECT_EQ(io.Places[99].PATH, sysDir.string() + "99");
    EXPECT_EQ(io.Places[99].NAME, "");
    EXPECT_EQ(io.GetPlaceNames(), "標準の場所\r");
    // Loading again adds nothing.
    ASSERT_TRUE(io.LoadPlaceList(false));
    EXPECT_EQ(Value("SELECT COUNT(*) AS N FROM DATAPLACEMAN"), "100");

    // A folder of 40 bytes of double-byte characters is a name that fits whole.
    Sql("DELETE FROM DATAPLACEMAN");
    std::string folder = "/";
    for (int i = 0; i < 19; ++i) folder += "デ";
    folder += "x";
    SystemDef.SysDir = folder;
    ASSERT_TRUE(io.LoadPlaceList(true)) << Shown();
    ASSERT_EQ(io.Places.size(), 1u);
    EXPECT_EQ(io.Places[0].NAME, folder);
    EXPECT_TRUE(ui.shown.empty()) << Shown();
}

TEST_F(DataPlaceServer, DialogNamesRenamesMovesAndDeletesPlaces)
{
    TDataPlaceBox box(*DM);
    box.InitDisplay(1);
    box.show();
    ASSERT_EQ(box.PerfectGrid1->rowCount(), 100);
    EXPECT_EQ(box.F3->text().toStdString(), "F3:名称変更"); // the standard place
    EXPECT_EQ(box.F5->text().toStdString(), "F5:");

    // New: the folder is made on the server and the place's slots are created.
    box.PerfectGrid1->setCurrentCell(1, 1);
    EXPECT_EQ(box.F2->text().toStdString(), "F2:新規作成");
    TypeName("東京事務所");
    box.F2->click();
    const fs::path place1 = sysDir.string() + "01";
    EXPECT_TRUE(fs::is_directory(place1));
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=1"), "東京事務所");
    EXPECT_EQ(Value("SELECT COUNT(*) AS N FROM DATALIST_EX WHERE DATAPLACEREC=1"), "120");
    EXPECT_EQ(Value("SELECT PASNAME FROM DATALIST_EX WHERE DATAPLACEREC=1 AND REC=3"), place1.string() + "/0003");
    EXPECT_EQ(box.F3->text().toStdString(), "F3:名称変更");

    // A place whose folder is there already is named all the same, after a notice.
    fs::create_directories(sysDir.string() + "02");
    box.PerfectGrid1->setCurrentCell(2, 1);
    TypeName("大阪");
    box.F2->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "既にデータサーバーにフォルダが作成されています。");
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=2"), "大阪");

    // An empty name names nothing.
    box.PerfectGrid1->setCurrentCell(3, 1);
    TypeName("　 ");
    box.F2->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "名称が入力されていません。");
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=3"), "");
    EXPECT_EQ(Value("SELECT COUNT(*) AS N FROM DATALIST_EX WHERE DATAPLACEREC=3"), "0");

    // Rename.
    box.PerfectGrid1->setCurrentCell(1, 1);
    TypeName("東京本店");
    box.F3->click();
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=1"), "東京本店");

    // Move "大阪" up: it and "東京本店" exchange their order, nothing else moves.
    box.PerfectGrid1->setCurrentCell(2, 1);
    box.F6->click();
    EXPECT_EQ(box.PerfectGrid1->currentRow(), 1);
    EXPECT_EQ(Value("SELECT ORDERKBN FROM DATAPLACEMAN WHERE REC=2"), "2");
    EXPECT_EQ(Value("SELECT ORDERKBN FROM DATAPLACEMAN WHERE REC=1"), "3");
    EXPECT_EQ(Value("SELECT ORDERKBN FROM DATAPLACEMAN WHERE REC=0"), "1");
    EXPECT_EQ(box.PerfectGrid1->item(1, 1)->text().toStdString(), "大阪");
    box.PerfectGrid1->setCurrentCell(99, 1);
    EXPECT_FALSE(box.F7->isEnabled());

    // A place whose slot folder exists on the server cannot be deleted.
    fs::create_directories(place1 / "0005");
    box.PerfectGrid1->setCurrentCell(2, 1); // 東京本店
    box.F5->click();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2], "このフォルダ配下には会計データが存在しているため削除することが出来ません。\n"
                           "どうしても削除を行いたい場合は、配下の会計データをすべて削除してから処理して下さい。");
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=1"), "東京本店");

    // Without it the place is deleted after the question: name and slots go, row and folder stay.
    fs::remove(place1 / "0005");
    box.F5->click();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3], "[東京本店]を削除します。よろしいですか？");
    EXPECT_EQ(Value("SELECT NAME FROM DATAPLACEMAN WHERE REC=1"), "");
    EXPECT_EQ(Value("SELECT PATH FROM DATAPLACEMAN WHERE REC=1"), place1.string());
    EXPECT_EQ(Value("SELECT COUNT(*) AS N FROM DATALIST_EX WHERE DATAPLACEREC=1"), "0");
    EXPECT_TRUE(fs::is_directory(place1));
    EXPECT_TRUE(ui.shown.empty()) << Shown();
}

TEST_F(DataPlaceServer, SelectionFallsBackToTheStandardPlaceWhenTheShownOneIsDeleted)
{
    {
        TDataPlaceIO io(*DM);
        ASSERT_TRUE(io.LoadPlaceList(false));
        io.Places[4].NAME = "支店";
        io.Places[4].State = 1;
        io.SavePlaces();
    }
    Sql("UPDATE DATALIST_EX SET ENTTEXT='支店データ', SHOUGOU='支店商店' WHERE DATAPLACEREC=4 AND REC=1");
    ResetFormRegistry();
    RegisterDataSelectForms();
    auto form = CreateRegisteredForm("SzDataSenkaku");
    auto* box = dynamic_cast<TDataSentakuBox*>(form.get());
    ASSERT_NE(box, nullptr);
    SupportsSyoriKidou(form.get())->SetParams({"SyoriType=3"});
    SystemDef.DataPlaceRec = 4;
    box->PlaceRec = 4;
    box->InitDisplay(1);
    box->show();
    ASSERT_EQ(box->cmbDataMan->count(), 2);
    EXPECT_EQ(box->cmbDataMan->currentText().toStdString(), "支店");
    EXPECT_EQ(box->PlacePath, sysDir.string() + "04");
    EXPECT_EQ(box->Cell(0, 3), "支店データ");

    // Choosing the standard place in the combo and leaving it loads that place's list.
    box->cmbDataMan->setCurrentIndex(0);
    box->cmbDataManChange();
    EXPECT_FALSE(box->PerfectGrid1->isEnabled());
    box->cmbDataManExit();
    EXPECT_TRUE(box->PerfectGrid1->isEnabled());
    EXPECT_EQ(box->PlaceRec, 0);
    EXPECT_EQ(box->Cell(0, 3), "");
    box->cmbDataMan->setCurrentIndex(1);
    box->cmbDataManExit();
    EXPECT_EQ(box->PlaceRec, 4);

    // In the place dialog the shown place is deleted; closing it falls back to place 0.
    kbtest::WhenModal([](QWidget* w) {
        auto* places = qobject_cast<TDataPlaceBox*>(w);
        ASSERT_NE(places, nullptr);
        EXPECT_EQ(places->PerfectGrid1->currentRow(), 4); // SystemDef's place
        places->F5->click();
        places->btnOK->click();
    });
    box->btnDataManClick();
    EXPECT_EQ(box->PlaceRec, 0);
    EXPECT_EQ(box->PlacePath, sysDir.string());
    ASSERT_EQ(box->cmbDataMan->count(), 1);
    EXPECT_EQ(box->cmbDataMan->currentText().toStdString(), "標準の場所");
    EXPECT_EQ(box->Cell(0, 3), "");
    EXPECT_TRUE(ui.shown.empty()) << Shown();
    box->hide();
    ResetFormRegistry();
}

// The data selection tests and makes data folders on the server: a folder that exists on this
// computer but outside the server's data roots counts as missing there.
TEST_F(DataPlaceServer, DataFoldersAreTheServers)
{
    const fs::path inside = sysDir / "0001", outside = server->DataDir() / "elsewhere" / "0001";
    // A database the server can open inside its roots (made under an ASCII name, then moved).
    const fs::path made0 = server->DataDir() / "made" / "vqacc.fdb";
    fs::create_directories(made0.parent_path());
    kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(made0) + "' DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n",
                      server->Login());
    kbtest::RunIsqlOn(server->Address(made0), kbtest::ReadFile(kbtest::SourceDir() / "db" / "accounting.sql"), server->Login());
    fs::create_directories(inside);
    fs::rename(made0, inside / "vqacc.fdb");
    fs::create_directories(outside);
    fs::copy_file(inside / "vqacc.fdb", outside / "vqacc.fdb");
    ResetFormRegistry();
    RegisterDataSelectForms();
    auto form = CreateRegisteredForm("SzDataSenkaku");
    auto* box = dynamic_cast<TDataSentakuBox*>(form.get());
    ASSERT_NE(box, nullptr);
    SupportsSyoriKidou(form.get())->SetParams({"SyoriType=3"});
    EXPECT_EQ(box->CheckDataStatus(inside.string(), true, false), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(box->CheckDataStatus(outside.string(), true, false), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "このフォルダには財務データがありません。");
    EXPECT_FALSE(ui.shown.empty()); // the server's refusal is reported

    // A destination that is not there is made on the server, and only inside its roots.
    TDataFolderInfoRec source;
    const fs::path made = sysDir / "0002" / "sub";
    EXPECT_TRUE(box->CheckDestination("復元", source, made.string()));
    EXPECT_TRUE(fs::is_directory(made));
    const fs::path refused = server->DataDir() / "elsewhere" / "0002";
    box->CheckDestination("復元", source, refused.string());
    EXPECT_FALSE(fs::exists(refused));
    ResetFormRegistry();
}

namespace {

// The full dialog (processing type 0) of client/server mode on the loopback server.
class DataManServer : public DataPlaceServer {
protected:
    void SetUp() override
    {
        DataPlaceServer::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SystemDef.JobLevel = 9;
        SystemDef.ServerTempDir = (root / "temp").string();
        recorder = std::make_unique<TDataSetUseRecorder>(*DM);
        recorderScope = std::make_unique<TScopedDataSetUseRecorder>(recorder.get());
        ResetFormRegistry();
        RegisterDataSelectForms();
    }
    void TearDown() override
    {
        form.reset();
        ResetFormRegistry();
        SystemDef.ServerTempDir.clear();
        recorderScope.reset();
        recorder.reset();
        DataPlaceServer::TearDown();
    }
    // The general individual in slot 1 (built under an ASCII name, then moved into place).
    void PutGeneralIntoSlotOne()
    {
        const fs::path made = server->DataDir() / "made";
        kbtest::fixture::BuildGeneralDataSet(made, 1);
        fs::rename(made, sysDir / "0001");
        Sql("UPDATE DATALIST SET ENTTEXT='青色一郎（一般）',DATACODE='0001' WHERE REC=1");
    }
    void Show()
    {
        form = kbtest::ShowDataSentaku({"SyoriType=0"}, box);
        ASSERT_NE(box, nullptr);
    }
    int LineOfRec(int rec) { return kbtest::LineOfRec(*box, rec); }
    void Press(int line, TFuncKey key) { kbtest::PressKey(*box, line, key); }
    // Answers the next box of TMessageBox: the agree box ticked, then OK.
    static void Agree()
    {
        kbtest::WhenModal([](QWidget* w) {
            auto* mb = qobject_cast<TMessageBox*>(w);
            ASSERT_NE(mb, nullptr);
            if (mb->cboxAgree->isVisible()) QTest::mouseClick(mb->cboxAgree, Qt::LeftButton, {}, QPoint(4, mb->cboxAgree->height() / 2));
            mb->btnOK->Click();
        });
    }

    std::unique_ptr<TDataSetUseRecorder> recorder;
    std::unique_ptr<TScopedDataSetUseRecorder> recorderScope;
    std::unique_ptr<TFormInstance> form;
    TDataSentakuBox* box = nullptr;
};

// F4 proposes the highest slot number + 1 and adds a slot row (no folder); a registered path, an
// existing folder and a full list are refused.
TEST_F(DataManServer, F4AddsASlotAndRefusesTakenNames)
{
    Show();
    EXPECT_EQ(box->FuncButtons[fkF4]->text().toStdString(), "F4:領域追加");
    std::string proposed;
    kbtest::WhenModal([&proposed](QWidget* w) {
        auto* dlg = qobject_cast<TInputDlgBox*>(w);
        ASSERT_NE(dlg, nullptr);
        proposed = dlg->txtInput->text().toStdString();
        dlg->txtInput->setText("extra");
        dlg->btnOK->Click();
    });
    Press(0, fkF4);
    EXPECT_EQ(proposed, "0121");
    const std::string extra = (sysDir / "extra").string();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM DATALIST WHERE PASNAME='" + extra + "'"), "1");
    EXPECT_FALSE(fs::exists(sysDir / "extra"));
    EXPECT_EQ(box->RowFolder(box->CurrentLine()), extra);

    fs::create_directories(sysDir / "made");
    const struct {
        std::string name, message;
    } refusals[] = {
        {"0001", "\"" + (sysDir / "0001").string() + "\"は既にデータリスト上に作成されています。"},
        {"made", "\"" + (sysDir / "made").string() + "\"に会計データが作成されています。"},
    };
    for (const auto& r : refusals) {
        messages.clear();
        TypeName(r.name);
        Press(0, fkF4);
        ASSERT_EQ(messages.size(), 1u) << r.name;
        EXPECT_EQ(messages[0], r.message);
    }
    messages.clear();
    box->Rows.resize(2000);
    Press(0, fkF4);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "これ以上の領域追加は行えません。(最大2000件)");
}

// A paste through the server's copy job gives a data set that opens with the source's company and
// journal; deleting it drops the database and removes the folder on the server.
TEST_F(DataManServer, PasteThroughTheCopyJobAndDeleteOnTheServer)
{
    PutGeneralIntoSlotOne();
    Show();
    box->SetCurrentLine(LineOfRec(1), 0);
    box->UpdateFunctionKeys();
    ASSERT_EQ(box->FuncButtons[fkF2]->text().toStdString(), "F2:コピー");
    Press(LineOfRec(1), fkF2);
    ASSERT_EQ(box->CopySourceFolder, (sysDir / "0001").string()) << (messages.empty() ? "" : messages[0]) << Shown();
    Press(LineOfRec(2), fkF2);
    EXPECT_TRUE(ui.shown.empty()) << Shown();
    const std::string copy = (sysDir / "0002").string();
    ASSERT_TRUE(DataSetOpens(copy));
    TDataInfomation di(*DM);
    di.Mode = 1;
    TDataInfomationRec facts;
    TDataInfomation::ClearDataInfoRec(facts);
    ASSERT_TRUE(di.ReadDataInfoFromFolder(copy, facts));
    DM->fnAccDatDisConnected(copy, false, false);
    EXPECT_EQ(facts.SHOUGOU, "青色商店");
    EXPECT_EQ(facts.SIWAKE, 142);
    EXPECT_EQ(facts.DATALISTNAME, "青色一郎（一般）～コピー");
    EXPECT_EQ(Value("SELECT DATALOCK FROM DATALIST WHERE REC=2"), "0");

    Agree();
    Press(LineOfRec(2), fkF5);
    EXPECT_TRUE(ui.shown.empty()) << Shown();
    EXPECT_FALSE(fs::exists(sysDir / "0002"));
    EXPECT_EQ(Value("SELECT ENTTEXT FROM DATALIST WHERE REC=2"), "");
    EXPECT_TRUE(DataSetOpens((sysDir / "0001").string()));
}

} // namespace
