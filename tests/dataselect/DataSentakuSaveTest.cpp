// Saving and restoring data sets from the data selection, stand-alone on a whole fixture data root
// (five data sets in slots 1 to 5 of 120; tests/fixtures/README.md): the incoming facts of a
// restore, the consolidation settings it leaves, F6 and F7.

#include "DataSentakuBoxFixture.h"
#include "core/DataModuleAccReg.h"
#include "core/DataModuleBackup.h"
#include "core/z5ComFunc.h"
#include "FixtureBuilder.h"
#include "accounting/DataSetUseRecorder.h"
#include "core/FormRegistry.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/z5DataSentaku.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "accounting/BackupRestoreThread.h"
#include "dataselect/z5FileOperation.h"
#include "dataselect/z5WhichDataSet.h"
#include "platform/IniFile.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <deque>
#include <fstream>
#include <sstream>

#include <QCoreApplication>
#include <QTableView>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class DataSentakuSaveTest : public kbtest::DataSentakuBoxFixture {
protected:
    void SetUp() override
    {
        kbtest::DataSentakuBoxFixture::SetUp();
        if (HasFatalFailure()) return;
        SystemDef.JobLevel = 9; // the fixture's operator 10 is an administrator
        recorder = std::make_unique<TDataSetUseRecorder>(*DM);
        SetDataSetUseRecorder(recorder.get());
    }
    void TearDown() override
    {
        SetDataSetUseRecorder(nullptr);
        kbtest::DataSentakuBoxFixture::TearDown();
    }

    // An ACCREG value of the data set in folder as text ("" when the row is missing).
    static std::string AccReg(const std::string& folder, const std::string& group, const std::string& code)
    {
        fb::Connection db;
        OpenDataSet(db, folder);
        fb::Transaction tr(&db);
        return std::get<std::string>(GetAccReg(db, tr, group, code, kRegText, ""));
    }

    // The ini, work and Documents folders of the program, made; the work folder a safe root.
    void UseFolders()
    {
        SystemDef.IniDir = (tmp / "ini").string();
        SystemDef.WorkDir = (tmp / "work").string();
        SystemDef.DocumentsDir = (tmp / "docs").string();
        for (const auto& d : {SystemDef.IniDir, SystemDef.WorkDir, SystemDef.DocumentsDir}) fs::create_directories(d);
        SetSafeRoots({root.sysDir, tmp / "work"});
    }

    // One statement on the data set in folder, committed.
    static void OnData(const std::string& folder, const std::string& sql)
    {
        fb::Connection db;
        OpenDataSet(db, folder);
        fb::Transaction tr(&db);
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        g.Commit();
    }

    std::unique_ptr<TDataSetUseRecorder> recorder;
};

// Answers the location dialogs and the collation boxes as they are shown: each location dialog
// takes the next folder of `locations` ("" cancels), each collation box is recorded and closed
// with OK (agree) or Cancel.
class ModalScript : public QObject {
public:
    std::deque<std::string> locations;
    bool agree = false;
    std::vector<std::string> boxes;
    int locationDialogs = 0;
    ModalScript() { qApp->installEventFilter(this); }
    ~ModalScript() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() != QEvent::Show) return false;
        if (auto* f = qobject_cast<TFileOperationBox*>(o)) {
            QPointer<TFileOperationBox> box(f);
            QTimer::singleShot(0, this, [this, box] {
                if (!box || !box->isVisible()) return;
                ++locationDialogs;
                const std::string next = locations.empty() ? std::string() : locations.front();
                if (!locations.empty()) locations.pop_front();
                if (next.empty()) {
                    box->btnCancel->click();
                    return;
                }
                box->SelectInCombo(next);
                box->btnOK->click();
            });
        } else if (auto* m = qobject_cast<TMessageBox*>(o)) {
            QPointer<TMessageBox> box(m);
            QTimer::singleShot(0, this, [this, box] {
                if (!box || !box->isVisible()) return;
                boxes.push_back(box->MainText + "\n" + box->MessageArea->toPlainText().toStdString());
                box->done(agree ? mrOk : mrCancel);
            });
        }
        return false;
    }
};

// The facts of a data set read over an attachment of the test's own.
struct DataFacts {
    std::string shougou, kishu, kimatu, listName;
    int entries = 0, cloudLine = -1;
};
DataFacts FactsOf(const std::string& folder)
{
    fb::Connection db;
    OpenDataSet(db, folder);
    fb::Transaction tr(&db);
    fb::TransactionGuard g(tr);
    fb::Statement q(db, &tr);
    q.SetSQL("SELECT SHOUGOU,KISHU,KIMATU,ENTTEXT,CLOUD_LINE,(SELECT COUNT(*) FROM SIWAKE) AS N FROM ACCDEF1 WHERE REC=1");
    q.ExecQuery();
    DataFacts f;
    f.shougou = q.FieldByName("SHOUGOU").AsString();
    f.kishu = q.FieldByName("KISHU").AsDate().ToString();
    f.kimatu = q.FieldByName("KIMATU").AsDate().ToString();
    f.listName = q.FieldByName("ENTTEXT").AsString();
    f.cloudLine = q.FieldByName("CLOUD_LINE").AsInteger();
    f.entries = q.FieldByName("N").AsInteger();
    q.Close();
    g.Commit();
    return f;
}

std::string Bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

// A restore's destination check keeps the backup's facts in a record of their own: a copy marked
// before it stays as it was, and the consolidation settings follow the kind they are given.
TEST_F(DataSentakuSaveTest, RestoreFactsNeverTouchTheCopyClipboard)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=0", "FormStyle=2"}, box);
    box->CopySource.SHOUGOU = "コピー元商店";
    box->CopySource.ENTTEXT = "コピー元";
    box->CopySource.GASSAN = 0;
    box->CopySource.DATALOCK = 5;

    TDataFolderInfoRec source;
    source.SHOUGOU = "復元商店";
    source.KISHU = "2024/01/01";
    source.KIMATU = "2024/12/31";
    source.VERSION2 = "15.0.0";
    source.GASSANKBN = 1;
    const std::string empty = Folder(7) + "/new";
    ASSERT_TRUE(box->CheckDestination("復元", source, empty));
    EXPECT_TRUE(fs::is_directory(empty));
    EXPECT_EQ(box->Incoming.SHOUGOU, "復元商店");
    EXPECT_EQ(box->Incoming.KISHU, Date(2024, 1, 1));
    EXPECT_EQ(box->Incoming.KIMATU, Date(2024, 12, 31));
    EXPECT_EQ(box->Incoming.VER_TEXT, "15.0.0");
    EXPECT_EQ(box->Incoming.GASSAN, 1);
    EXPECT_EQ(box->CopySource.SHOUGOU, "コピー元商店");
    EXPECT_EQ(box->CopySource.ENTTEXT, "コピー元");
    EXPECT_EQ(box->CopySource.GASSAN, 0);
    EXPECT_EQ(box->CopySource.DATALOCK, 5);

    // Incoming kind 1 over a slot loaded as kind 2 with three members keeps (2, 3); the clipboard's
    // kind 0 would have written nothing.
    const int line = 0;
    ASSERT_EQ(box->RowFolder(line), Folder(1));
    box->ApplyGassanSetting(line, box->Incoming.GASSAN, 2, 3);
    EXPECT_EQ(AccReg(Folder(1), "基本設定", "合算データ区分"), "2");
    EXPECT_EQ(AccReg(Folder(1), "基本設定", "合算データ数"), "3");
    EXPECT_TRUE(ui.shown.empty());
}

// The location dialog keeps the last eight folders, newest first, moves a chosen folder to the
// front without doubling it, and deleting the history keeps only the selected folder. The file is
// CP932 with CR LF and other sections stay.
TEST_F(DataSentakuSaveTest, HistoryKeepsTheLastEightNewestFirst)
{
    const fs::path ini = tmp / "ini";
    fs::create_directories(ini);
    IniFile(ini / "history.ini").WriteString("Other", "Key", "値");
    TFileOperationBox box;
    box.Kind = 3;
    box.UseHistory = 1;
    box.HistoryFolder = ini.string();
    box.HistoryFileName = "history.ini";
    box.HistorySection = "DataBackFolder";
    box.DefaultFolder = (tmp / "ドキュメント").string();
    auto choose = [&](const fs::path& folder) {
        box.InitDisplay(1);
        box.SelectInCombo(folder.string());
        box.btnOK->click();
        EXPECT_EQ(box.Result, folder.string());
    };
    for (int i = 1; i <= 9; ++i) choose(tmp / ("保存" + std::to_string(i)));
    IniFile file(ini / "history.ini");
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(file.ReadString("DataBackFolder", "HIST" + std::to_string(n), ""), (tmp / ("保存" + std::to_string(10 - n))).string());
    EXPECT_EQ(file.ReadString("DataBackFolder", "HIST9", "-"), "-");
    EXPECT_EQ(file.ReadString("Other", "Key", ""), "値");
    const std::string bytes = Bytes(ini / "history.ini");
    EXPECT_NE(bytes.find(Utf8ToCp932("HIST1=" + (tmp / "保存9").string()) + "\r\n"), std::string::npos);

    // The list offers the history and then the default folder; choosing an older one moves it up.
    box.InitDisplay(1);
    ASSERT_EQ(box.cmbFileSelect->count(), 9);
    EXPECT_EQ(box.cmbFileSelect->itemText(8).toStdString(), box.DefaultFolder);
    choose(tmp / "保存4");
    EXPECT_EQ(IniFile(ini / "history.ini").ReadString("DataBackFolder", "HIST1", ""), (tmp / "保存4").string());
    EXPECT_EQ(IniFile(ini / "history.ini").ReadString("DataBackFolder", "HIST2", ""), (tmp / "保存9").string());
    EXPECT_EQ(IniFile(ini / "history.ini").ReadString("DataBackFolder", "HIST8", ""), (tmp / "保存2").string());

    answer = mrYes;
    box.InitDisplay(1);
    box.SelectInCombo((tmp / "保存6").string());
    box.btnHistDelete->click();
    EXPECT_EQ(box.cmbFileSelect->count(), 1);
    const auto kept = IniFile(ini / "history.ini").ReadSectionValues("DataBackFolder");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].second, (tmp / "保存6").string());
}

// F6 writes "vqacc.fbk" (a backup and the trailer of the data set's facts) and HIST1; the folder
// is "保存中" while the job runs and free afterwards. F7 of that file into an empty slot gives the
// same data set under the backup's list name without a collation box, its cloud link cleared, and
// a copy marked before stays as it was.
TEST_F(DataSentakuSaveTest, SaveAndRestoreIntoAnEmptySlot)
{
    UseFolders();
    OnData(Folder(1), "UPDATE ACCDEF1 SET CLOUD_LINE=3 WHERE REC=1");
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=0", "FormStyle=2"}, box);
    const fs::path target = tmp / "保存先";
    ModalScript script;
    script.locations = {target.string()};
    std::vector<int> statuses;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (BackupRestoreJobRunning()) statuses.push_back(IniFile(fs::path(Folder(1)) / "vqacc.ini").ReadInteger("DATASTS", "STATUS", 0));
    });
    watch.start();
    box->SetCurrentLine(LineOfCode(box, "0001"), 0);
    box->UpdateFunctionKeys();
    ASSERT_EQ(box->FuncButtons[fkF6]->text().toStdString(), "F6:保存");
    box->FuncKeyClick(fkF6);
    watch.stop();
    ASSERT_TRUE(fs::exists(target / "vqacc.fbk")) << script.locationDialogs << " " << (messages.empty() ? "" : messages[0])
                                                  << (ui.shown.empty() ? "" : ui.shown[0]);
    ASSERT_FALSE(statuses.empty());
    for (int s : statuses) EXPECT_EQ(s, 4);
    EXPECT_EQ(IniFile(fs::path(Folder(1)) / "vqacc.ini").ReadInteger("DATASTS", "STATUS", 0), 1);
    EXPECT_EQ(IniFile(tmp / "ini" / "history.ini").ReadString("DataBackFolder", "HIST1", ""), target.string());
    {
        const fs::path copy = tmp / "trailer.fbk";
        fs::copy_file(target / "vqacc.fbk", copy);
        TBackupRestoreThread reader(*DM);
        ASSERT_TRUE(reader.ReadZoneInfo(copy.string(), false));
        EXPECT_EQ(reader.SHOUGOU, "青色商店");
        EXPECT_EQ(reader.KISHU, "2025/01/01");
        EXPECT_EQ(reader.KIMATU, "2025/12/31");
        EXPECT_EQ(reader.SIWAKE, 142);
        EXPECT_EQ(reader.DATAVARSION, "15.0.0");
        EXPECT_EQ(reader.GASSAN, 0);
    }

    box->CopySource.ENTTEXT = "コピー元";
    box->CopySource.SHOUGOU = "コピー元商店";
    box->CopySource.GASSAN = 1;
    script.locations = {target.string()};
    const int empty = 6; // slot 7, listed by number
    ASSERT_EQ(box->Cell(empty, 0), "7");
    box->SetCurrentLine(empty, 0);
    box->UpdateFunctionKeys();
    ASSERT_EQ(box->FuncButtons[fkF7]->text().toStdString(), "F7:復元");
    box->FuncKeyClick(fkF7);
    EXPECT_TRUE(script.boxes.empty()) << script.boxes.front();
    ASSERT_TRUE(fs::exists(fs::path(Folder(7)) / "vqacc.fdb"))
        << script.locationDialogs << (messages.empty() ? "" : messages.back()) << (ui.shown.empty() ? "" : ui.shown.back());
    const DataFacts f = FactsOf(Folder(7));
    EXPECT_EQ(f.shougou, "青色商店");
    EXPECT_EQ(f.entries, FactsOf(Folder(1)).entries); // the same journal rows as the saved data set
    EXPECT_EQ(f.kishu, "2025/01/01");
    EXPECT_EQ(f.listName, "青色一郎（一般）");
    EXPECT_EQ(f.cloudLine, 0);
    EXPECT_EQ(box->Cell(empty, 3), "青色一郎（一般）");
    EXPECT_EQ(IniFile(fs::path(Folder(7)) / "vqacc.ini").ReadInteger("DATASTS", "STATUS", 0), 1);
    EXPECT_EQ(box->CopySource.ENTTEXT, "コピー元");
    EXPECT_EQ(box->CopySource.SHOUGOU, "コピー元商店");
    EXPECT_EQ(box->CopySource.GASSAN, 1);
    EXPECT_EQ(box->Incoming.SHOUGOU, "青色商店");
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// Over data of another company and year the collation box lists the differences; declining it, or
// a job failing on a backup that lost its second half (trailer intact), leaves the data set as it was,
// its line not red and free.
TEST_F(DataSentakuSaveTest, DeclinedOrFailedRestoreLeavesTheDataSet)
{
    UseFolders();
    OnData(Folder(2), "UPDATE ACCDEF1 SET KISHU='2024-01-01', KIMATU='2024-12-31' WHERE REC=1");
    const DataFacts before = FactsOf(Folder(2));
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=0", "FormStyle=2"}, box);
    const fs::path target = tmp / "保存先";
    box->SetCurrentLine(LineOfCode(box, "0001"), 0);
    ASSERT_EQ(box->SaveData(target.string()), 1);

    ModalScript script;
    const int line = LineOfCode(box, "0002");
    box->SetCurrentLine(line, 0);
    auto unchanged = [&] {
        const DataFacts f = FactsOf(Folder(2));
        EXPECT_EQ(f.shougou, before.shougou);
        EXPECT_EQ(f.kishu, "2024/01/01");
        EXPECT_EQ(f.kimatu, "2024/12/31");
        EXPECT_EQ(f.entries, before.entries);
        EXPECT_NE(box->Model->Lines()[static_cast<std::size_t>(line)].BackColor, 0x0000FFu);
        EXPECT_EQ(box->RowRecord(line)->DATA_STATUS, 0);
        EXPECT_EQ(IniFile(fs::path(Folder(2)) / "vqacc.ini").ReadInteger("DATASTS", "STATUS", 0), 1);
        for (const auto& e : fs::directory_iterator(Folder(2)))
            EXPECT_EQ(e.path().filename().string().rfind(".restore-", 0), std::string::npos) << e.path();
    };
    EXPECT_EQ(box->RestoreData(target.string(), 0), -1);
    ASSERT_EQ(script.boxes.size(), 1u);
    for (const char* difference : {"会社名に違いがありました。", "　【復元元】：青色商店", "　【復元先】：不動産次郎",
                                   "期首に違いがありました。", "　【復元先】：2024/01/01", "期末に違いがありました。"})
        EXPECT_NE(script.boxes[0].find(difference), std::string::npos) << difference << "\n" << script.boxes[0];
    unchanged();

    {
        // The backup's second half goes; the trailer stays.
        const std::string bytes = Bytes(target / "vqacc.fbk");
        const std::size_t zone = bytes.rfind(kZoneMarker);
        ASSERT_NE(zone, std::string::npos);
        std::ofstream(target / "vqacc.fbk", std::ios::binary | std::ios::trunc) << bytes.substr(0, zone / 2) << bytes.substr(zone);
    }
    script.agree = true;
    messages.clear();
    EXPECT_EQ(box->RestoreData(target.string(), 0), -1);
    EXPECT_EQ(script.boxes.size(), 2u);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("データベースの復元に失敗しました。"), std::string::npos) << messages.back();
    unchanged();
}

// A backup without trailer is first restored into the work folder for its facts; the work folder
// itself is refused as a location and the dialog comes back.
TEST_F(DataSentakuSaveTest, BackupWithoutTrailerIsReadThroughTheWorkFolder)
{
    UseFolders();
    const fs::path plain = tmp / "plain";
    fs::create_directories(plain);
    ASSERT_TRUE(BackupFDB(*DM, kProtocolLocal, "", true, (plain / "vqacc.fbk").string(), Folder(1) + "/vqacc.fdb"));
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=0", "FormStyle=2"}, box);
    ModalScript script;
    script.locations = {SystemDef.WorkDir + "/", plain.string()};
    box->SetCurrentLine(LineOfCode(box, "0002"), 0);
    EXPECT_EQ(box->RestoreData("", 0), -1); // declined at the collation
    EXPECT_EQ(script.locationDialogs, 2);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "このフォルダは選択出来ません。他の場所を選んで下さい。");
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_NE(script.boxes[0].find("　【復元元】：青色商店"), std::string::npos) << script.boxes[0];
    EXPECT_TRUE(fs::exists(tmp / "work" / "vqacc.fdb")); // the trial restore
    EXPECT_EQ(FactsOf(Folder(2)).shougou, "不動産次郎");
}

// The take-out choice: a line taken out already offers only the bring-back, preselected; OK reads
// the chosen direction; Cancel leaves BringBack as the caller set it.
TEST(WhichDataSetBox, ChoiceFollowsTheTakenOutMark)
{
    struct Case {
        int takenOut;
        bool chooseBringBack, cancel;
        int result, bringBack;
        bool takeOutEnabled;
    };
    const Case cases[] = {
        {0, false, false, mrOk, 0, true},
        {0, true, false, mrOk, 1, true},
        {1, false, false, mrOk, 1, false},
        {0, true, true, mrCancel, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.takenOut) + (c.chooseBringBack ? " bring back" : " take out") + (c.cancel ? " cancel" : ""));
        TWhichDataSetBox box;
        box.BringBack = 0;
        box.TakenOut = c.takenOut;
        box.InitDisplay(1);
        EXPECT_EQ(box.btnMochidashi->isEnabled(), c.takeOutEnabled);
        EXPECT_EQ(box.btnMochikaeri->isChecked(), c.takenOut == 1);
        if (c.chooseBringBack) box.btnMochikaeri->setChecked(true);
        QTimer::singleShot(0, &box, [&] { (c.cancel ? box.btnCancel : box.btnOK)->click(); });
        EXPECT_EQ(box.exec(), c.result);
        EXPECT_EQ(box.BringBack, c.bringBack);
    }
}
