// Shared data in the data selection, stand-alone: a share root (a folder standing for the shared
// drive) holds the general fixture data set as "sv0001"; the communication's chooser is scripted.
// Fetching, storing, the refusals, and a consolidated share with a damaged member.

#include "DataRootFixture.h"
#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/FormRegistry.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/z5DataSentaku.h"
#include "dataselect/z5DataSyosaiInfo.h"
#include "dataselect/z5KyoyuData.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "platform/IniFile.h"
#include "ui/UiTestHelp.h"
#include "ui/xEdit.h"
#include "ui/z5MessageDlg2.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace kb;
namespace fx = kbtest::fixture;

namespace {

// The chooser: answers with the area the test names; keeps the drive it was offered.
struct ScriptedTusin : IDataTusinLink {
    TServerChoice answer;
    std::string offeredDrive;
    int ChooseSharedData(QWidget*, TServerChoice& choice) override
    {
        offeredDrive = choice.SharedDrive;
        choice = answer;
        return 1;
    }
    // The settings: the answers in turn (the last one repeats), each with the area chosen.
    std::vector<int> settingsAnswers{9};
    TCloudShareChoice area;
    std::vector<int> sendAnswers{1};
    int settingsRuns = 0, sends = 0;
    // What saving the settings writes into the data set (its cloud-share line).
    std::function<void(const std::string& folder, int line)> onSaved;
    int ExecuteCloudShare(QWidget*, const std::string& folder, TCloudShareChoice& choice) override
    {
        choice = area;
        const int i = std::min<int>(settingsRuns++, static_cast<int>(settingsAnswers.size()) - 1);
        const int r = settingsAnswers[static_cast<std::size_t>(i)];
        if (r == 0 && onSaved) onSaved(folder, area.SelectedCloudLine);
        return r;
    }
    int CloudShareSend(const std::string&, int) override
    {
        const int i = std::min<int>(sends++, static_cast<int>(sendAnswers.size()) - 1);
        return sendAnswers[static_cast<std::size_t>(i)];
    }
    int CloudShareReceive(const std::string&, int) override { return 1; }
    int ReleaseCloudShare(const std::string&) override { return 1; }
};

std::string Bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DataSentakuShare : public ::testing::Test {
protected:
    void SetUp() override
    {
        kbtest::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        root = fx::LayoutFor(tmp / "root");
        std::vector<fx::DataSetInfo> sets{fx::BuildGeneralDataSet(root.sysDir / "0001", 1)};
        fx::BuildSystemDatabase(root, sets);
        shareRoot = tmp / "share";
        share = shareRoot / "sv0001";
        fs::create_directories(shareRoot);
        fs::copy(root.sysDir / "0001", share, fs::copy_options::recursive);
        fs::create_directories(tmp / "log");
        SystemDef.SysDir = root.sysDir.string();
        SystemDef.AppDataDir = root.homeDir.string();
        SystemDef.LogDir = (tmp / "log").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.GroupId = fx::kGroupId;
        SystemDef.OpCode = fx::kGroupId * 10000 + fx::kOperatorWithPassword;
        SystemDef.OpName = "山田太郎";
        SystemDef.SysDbMajor = 12;
        SystemDef.ZenkaiDrive = "/mnt/before";
        // Only the local data root is safe at first: the share's parent must be let in by the fetch.
        SetSafeRoots({root.sysDir});
        CreateDM();
        ASSERT_TRUE(DM->fnAccDefConnected("", true));
        kbtest::RecordMessages(messages, answer);
        KyoyuMessageHook = [this](const std::string&, const std::string& message, const std::vector<std::string>& lines) {
            std::string text = message;
            for (const auto& l : lines) text += "\n" + l;
            messages.push_back(text);
        };
        ResetFormRegistry();
        RegisterDataSelectForms();
        form = CreateRegisteredForm("SzDataSenkaku");
        box = dynamic_cast<TDataSentakuBox*>(form.get());
        ASSERT_NE(box, nullptr);
        SupportsSyoriKidou(form.get())->SetParams({"SyoriType=3"});
        box->InitDisplay(1);
        box->show();
    }
    void TearDown() override
    {
        form.reset();
        ResetFormRegistry();
        KyoyuMessageHook = nullptr;
        SetMessage2Interceptor(nullptr);
        FreeDM();
        SetSafeRoots({});
        SetErrorUi(nullptr);
        ResetErrorReporter();
        ResetAccRecord();
    }

    int LineOfRec(int rec)
    {
        for (int i = 0; i < box->LineCount(); ++i)
            if (box->Cell(i, 0) == std::to_string(rec)) return i;
        return -1;
    }
    std::string Registry(const std::string& column, int rec) { return kbtest::DataListValue(column, rec); }
    std::string OnData(const fs::path& folder, const std::string& sql) { return kbtest::DataSetValue(folder, sql); }
    std::string ShareIni(const std::string& key) { return IniFile(share / "vqacc.ini").ReadString("DATASTS", key, ""); }

    kbtest::TempDir tmp;
    fx::DataRoot root;
    fs::path shareRoot, share;
    kbtest::RecordingErrorUi ui;
    std::unique_ptr<TFormInstance> form;
    TDataSentakuBox* box = nullptr;
    std::vector<std::string> messages;
    int answer = mrYes;
};

} // namespace

TEST_F(DataSentakuShare, AssignFetchStoreAndRefusals)
{
    // The drive is kept in the operator's settings, whose column holds 20 bytes: a short link
    // stands for the mount point of the share root.
    const fs::path drive = "/tmp/kb28-" + std::to_string(::getpid());
    fs::remove(drive);
    fs::create_directory_symlink(shareRoot, drive);
    struct Unlink {
        fs::path p;
        ~Unlink() { fs::remove(p); }
    } unlink{drive};
    ScriptedTusin tusin;
    tusin.answer = {drive.string(), share.string(), "青色一郎（一般）"};
    TScopedDataTusinLink link(&tusin);
    const fs::path local = root.sysDir / "0006";

    // An empty row gets the shared data set: it is fetched and held by this operator.
    box->SetCurrentLine(LineOfRec(6), 0);
    ASSERT_TRUE(box->btnKyoyuDataDown->isEnabled());
    box->btnKyoyuDataDown->click();
    EXPECT_EQ(tusin.offeredDrive, "/mnt/before");
    EXPECT_EQ(SystemDef.ZenkaiDrive, drive.string());
    EXPECT_EQ(OnData(local, "SELECT COUNT(*) FROM SIWAKE"), OnData(share, "SELECT COUNT(*) FROM SIWAKE"));
    EXPECT_EQ(ShareIni("SHARE_STATUS"), "2");
    EXPECT_EQ(ShareIni("SHARE_OPCODE"), std::to_string(SystemDef.OpCode));
    EXPECT_EQ(ShareIni("SHARE_OPERATOR"), "山田太郎");
    EXPECT_EQ(Registry("KYOYULOCK", 6), "1");
    EXPECT_EQ(Registry("NETDRIVE", 6), "1");
    EXPECT_EQ(Registry("PASNAME", 6), share.string());
    const int line = LineOfRec(6);
    ASSERT_GE(line, 0);
    EXPECT_EQ(box->Cell(line, 3), "青色一郎（一般）");
    EXPECT_EQ(box->Line(line).ShareState, 2);

    // A journal change here; "共有保管" stores it on the share and frees the share.
    OnData(local, "UPDATE SIWAKE SET KINGAKU=777777 WHERE REC=(SELECT MIN(REC) FROM SIWAKE)");
    box->SetCurrentLine(line, 0);
    ASSERT_TRUE(box->btnKyoyuDataUp->isEnabled());
    box->btnKyoyuDataUp->click();
    EXPECT_EQ(OnData(share, "SELECT KINGAKU FROM SIWAKE WHERE REC=(SELECT MIN(REC) FROM SIWAKE)"), "777777.0000");
    EXPECT_EQ(ShareIni("SHARE_STATUS"), "1");
    EXPECT_EQ(Registry("KYOYULOCK", 6), "0");
    EXPECT_EQ(box->Line(line).ShareState, 1);
    EXPECT_EQ(messages, (std::vector<std::string>{"共有データの保管を行います。よろしいですか？"}));
    messages.clear();

    // Taken by another operator meanwhile: refused with their code and name, the local work kept.
    OnData(local, "UPDATE SIWAKE SET KINGAKU=888888 WHERE REC=(SELECT MIN(REC) FROM SIWAKE)");
    {
        IniFile ini(share / "vqacc.ini");
        ini.WriteString("DATASTS", "SHARE_STATUS", "2");
        ini.WriteString("DATASTS", "SHARE_OPCODE", std::to_string(fx::kGroupId * 10000 + fx::kOperatorWithoutPassword));
        ini.WriteString("DATASTS", "SHARE_OPERATOR", "佐藤花子");
    }
    const std::string before = Bytes(local / "vqacc.fdb");
    box->SetCurrentLine(line, 0);
    ASSERT_TRUE(box->btnKyoyuDataDown->isEnabled());
    box->btnKyoyuDataDown->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "共有データの取得を行います。よろしいですか？");
    EXPECT_EQ(messages[1], std::string("共有データは現在使用されています。\n【データフォルダ】\n　") + share.string() +
                               "\n\n【オペレータ】\n　11\n\n【オペレータ名】\n　佐藤花子");
    EXPECT_EQ(Bytes(local / "vqacc.fdb"), before);
    EXPECT_EQ(Registry("KYOYULOCK", 6), "0");
    messages.clear();

    // The share root cannot be reached.
    fs::rename(shareRoot, tmp / "gone");
    box->SetCurrentLine(line, 0);
    box->btnKyoyuDataDown->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], std::string(kKyoyuUnreachable) + "\n【共有データパス】\n" + share.string());
    EXPECT_EQ(Bytes(local / "vqacc.fdb"), before);

    // A row that holds data is never assigned another.
    messages.clear();
    box->SetCurrentLine(LineOfRec(1), 0);
    box->btnKyoyuDataDownClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"選択したフォルダには既にデータが登録されています。"}));
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// A consolidated share row whose member is damaged is stored neither by hand nor automatically.
TEST_F(DataSentakuShare, ConsolidatedShareWithADamagedMemberIsNotStored)
{
    const fs::path local = root.sysDir / "0006";
    fs::copy(share, local, fs::copy_options::recursive);
    fs::copy(share, local / "001", fs::copy_options::recursive);
    fs::copy(share, local / "002", fs::copy_options::recursive);
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("UPDATE DATALIST SET ENTTEXT='合算', SHOUGOU='合算', NETDRIVE=1, KYOYULOCK=1, GASSAN=1, PASNAME=:P, "
                 "KISHU='2025-01-01', KIMATU='2025-12-31' WHERE REC=6");
        q.ParamByName("P").SetString(share.string());
        q.ExecQuery();
        for (int n : {1, 2}) {
            q.SetSQL("INSERT INTO CHILD_DATALIST (REC,ROWNO,GROUPID,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,KYOYULOCK,GASSAN) "
                     "VALUES (6,:N,10000,'支店','支店',:P,1,1,10)");
            q.ParamByName("N").SetInteger(n);
            q.ParamByName("P").SetString((share / ("00" + std::to_string(n))).string());
            q.ExecQuery();
        }
        g.Commit();
    }
    const std::string damaged = (local / "002").string();
    SystemDef.DataCheckKbn = 1;
    DataDamageCheckHook = [damaged](const std::string&, const std::string& folder, int) { return folder == damaged ? 0 : 1; };
    IniFile(share / "vqacc.ini").WriteString("DATASTS", "SHARE_STATUS", "2");
    const std::string shareBefore = Bytes(share / "vqacc.fdb");
    OnData(local, "UPDATE SIWAKE SET KINGAKU=777777 WHERE REC=(SELECT MIN(REC) FROM SIWAKE)");

    box->LoadDataList();
    box->FillGrid(-1);
    const int line = LineOfRec(6);
    ASSERT_GE(line, 0);
    ASSERT_EQ(box->Line(line + 2).ChildIndex, 1);
    box->SetCurrentLine(line, 0);
    box->btnKyoyuDataUpClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "合算・分散データに破損したデータが存在するため、共有データの保管を中止します。\n"
                           "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\n"
                           "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。");
    EXPECT_EQ(box->Line(line + 2).DataStatus, 1);
    EXPECT_EQ(box->Model->Lines()[static_cast<std::size_t>(line + 2)].BackColor, 0x0000FFu);
    EXPECT_EQ(box->Line(line + 1).DataStatus, 0);
    EXPECT_EQ(Bytes(share / "vqacc.fdb"), shareBefore);

    // The automatic store stops the same way, without a word.
    messages.clear();
    SystemDef.AutoShareFlag = 1;
    box->SetCurrentLine(line, 0);
    EXPECT_EQ(box->AutoShareStep("upload"), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Bytes(share / "vqacc.fdb"), shareBefore);
    EXPECT_EQ(Registry("KYOYULOCK", 6), "1");
    SystemDef.AutoShareFlag = 0;
}

// "情報": the changed list name, update lock and read-only flag reach the data set's header, its
// information file and the registry; a share row keeps its registry number.
TEST_F(DataSentakuShare, DetailsAreWrittenBack)
{
    std::string name;  // 40 bytes: the whole width of the list name
    for (int i = 0; i < 20; ++i) name += "詳";
    const fs::path local1 = root.sysDir / "0001";
    bool shown = false;
    kbtest::WhenModal([&](QWidget* w) {
        auto* d = qobject_cast<TDataSyosaiInfoBox*>(w);
        ASSERT_NE(d, nullptr);
        shown = true;
        EXPECT_EQ(d->lblDataKbn->text().toStdString(), "個人(一般)");
        EXPECT_EQ(d->lblSiwakeKensu->text().toStdString(), "142件");
        EXPECT_TRUE(d->cboxDataReadOnly->isEnabled());
        EXPECT_FALSE(d->cboxStatusClear->isVisible());
        d->txtListName->setText(QString::fromStdString(name));
        d->cboxDataUpdateLock->setChecked(true);
        d->cboxDataReadOnly->setChecked(true);
        d->btnOK->click();
    });
    box->SetCurrentLine(LineOfRec(1), 0);
    box->btnDataInfoClick();
    ASSERT_TRUE(shown);
    EXPECT_EQ(OnData(local1, "SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1"), name);
    EXPECT_EQ(OnData(local1, "SELECT DATALOCK FROM ACCDEF1 WHERE REC=1"), "1");
    EXPECT_EQ(OnData(local1, "SELECT READ_ONLY FROM ACCDEF1 WHERE REC=1"), "1");
    const IniFile ini(local1 / "vqacc.ini");
    EXPECT_EQ(ini.ReadString("DATAINFO", "DATALISTNAME", ""), name);
    EXPECT_EQ(ini.ReadString("DATASTS", "UPDATE_LOCK", ""), "1");
    EXPECT_EQ(ini.ReadString("DATASTS", "READ_ONLY", ""), "1");
    EXPECT_EQ(Registry("ENTTEXT", 1), name);
    EXPECT_EQ(Registry("UPDATE_LOCK", 1), "1");
    EXPECT_EQ(Registry("READ_ONLY", 1), "1");
    EXPECT_EQ(box->Cell(LineOfRec(1), 3), name);

    // A share held here, of data version 11: the read-only box is disabled; the row keeps REC 6
    // and the share's own information file gets the name.
    const fs::path local6 = root.sysDir / "0006";
    fs::copy(share, local6, fs::copy_options::recursive);
    IniFile(local6 / "vqacc.ini").WriteString("DATAINFO", "VERSION1", "11.0.1");
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("UPDATE DATALIST SET ENTTEXT='共有', SHOUGOU='共有', NETDRIVE=1, KYOYULOCK=1, PASNAME=:P, "
                 "KISHU='2025-01-01', KIMATU='2025-12-31' WHERE REC=6");
        q.ParamByName("P").SetString(share.string());
        q.ExecQuery();
        g.Commit();
    }
    box->LoadDataList();
    box->FillGrid(-1);
    kbtest::WhenModal([&](QWidget* w) {
        auto* d = qobject_cast<TDataSyosaiInfoBox*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_FALSE(d->cboxDataReadOnly->isEnabled());
        EXPECT_TRUE(d->cboxDataUpdateLock->isEnabled());
        EXPECT_EQ(d->F[6]->text().toStdString(), "F7:再構築");
        d->txtListName->setText("共有の新名");
        d->btnOK->click();

    });
    const int line = LineOfRec(6);
    box->SetCurrentLine(line, 0);
    box->btnDataInfoClick();
    EXPECT_EQ(Registry("ENTTEXT", 6), "共有の新名");
    EXPECT_EQ(Registry("PASNAME", 6), share.string());
    EXPECT_EQ(box->RowRecord(line)->REC, 6);
    EXPECT_EQ(IniFile(share / "vqacc.ini").ReadString("DATAINFO", "DATALISTNAME", ""), "共有の新名");
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// A rebuild whose job breaks off after it touched the data set puts the copy taken before it back,
// says so and leaves no work file; with another attachment to the data set it is refused.
TEST_F(DataSentakuShare, FailedRebuildPutsTheDataSetBack)
{
    const fs::path local1 = root.sysDir / "0001", work = tmp / "work";
    fs::create_directories(work);
    SystemDef.WorkDir = work.string();
    SetSafeRoots({root.sysDir, work});
    const std::string entries = OnData(local1, "SELECT COUNT(*) FROM SIWAKE");
    int jobs = 0;
    const TRebuildJob worker = GetRebuildJob();
    SetRebuildJob([&](const std::string& source, const std::string& backup, std::string& error) {
        ++jobs;
        std::ofstream(backup, std::ios::binary) << "half a backup";
        std::ofstream(source, std::ios::binary | std::ios::trunc) << "half a restore";
        error = "the restore broke off";
        return false;
    });
    answer = mrOk;
    auto rebuild = [&] {
        kbtest::WhenModal([](QWidget* w) {
            auto* d = qobject_cast<TDataSyosaiInfoBox*>(w);
            ASSERT_NE(d, nullptr);
            ASSERT_EQ(d->F[6]->text().toStdString(), "F7:再構築");
            d->F[6]->click();
            d->btnCancel->click();
        });
        box->SetCurrentLine(LineOfRec(1), 0);
        box->btnDataInfoClick();
    };
    rebuild();
    EXPECT_EQ(jobs, 1);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "データ再構築の処理に失敗しました。\nthe restore broke off"); // with the worker's reason
    EXPECT_EQ(OnData(local1, "SELECT COUNT(*) FROM SIWAKE"), entries);
    for (const fs::path& dir : {local1, work})
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_TRUE(e.path().extension() != ".fd_" && e.path().extension() != ".fb_") << e.path();

    // Another attachment: refused before anything is copied.
    messages.clear();
    fb::Connection other;
    other.SetSQLDialect(3);
    other.SetDatabaseName((local1 / "vqacc.fdb").string());
    TDM::SetLoginParams(other);
    other.Open();
    rebuild();
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(messages, (std::vector<std::string>{"現在、他のユーザーがデータに接続中です。他のユーザーがデータに接続している間はデータの再構築は行えません。"}));
    other.Close();
    SetRebuildJob(worker);
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// The rebuild through the backup worker: the data set comes back from its own backup with its
// company and every journal line, the folder is free again and no work file is left.
TEST_F(DataSentakuShare, RebuildThroughTheWorkerKeepsCompanyAndJournal)
{
    const fs::path local1 = root.sysDir / "0001", work = tmp / "work";
    fs::create_directories(work);
    SystemDef.WorkDir = work.string();
    SetSafeRoots({root.sysDir, work});
    const std::string company = OnData(local1, "SELECT SHOUGOU FROM ACCDEF1");
    const std::string entries = OnData(local1, "SELECT COUNT(*) FROM SIWAKE");
    ASSERT_FALSE(company.empty());
    answer = mrOk;
    kbtest::WhenModal([](QWidget* w) {
        auto* d = qobject_cast<TDataSyosaiInfoBox*>(w);
        ASSERT_NE(d, nullptr);
        d->F[6]->click();
        d->btnCancel->click();
    });
    box->SetCurrentLine(LineOfRec(1), 0);
    box->btnDataInfoClick();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "データの再構築は適正に行われました。");
    EXPECT_EQ(OnData(local1, "SELECT SHOUGOU FROM ACCDEF1"), company);
    EXPECT_EQ(OnData(local1, "SELECT COUNT(*) FROM SIWAKE"), entries);
    EXPECT_EQ(IniFile(local1 / "vqacc.ini").ReadString("DATASTS", "STATUS", ""), "1");
    for (const fs::path& dir : {local1, work})
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_TRUE(e.path().extension() != ".fd_" && e.path().extension() != ".fb_") << e.path();
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}

// "ｸﾗｳﾄﾞ": data of version 11.0.0 is refused; from 11.0.1 the settings run, an empty area gets the
// data set first (a failed send opens the settings again), and the row records the cloud share.
TEST_F(DataSentakuShare, CloudButtonChecksTheVersionAndRecordsTheSetting)
{
    SetCloudShareModeSource([] { return true; });
    SystemDef.AllSisetu = true;  // an operator who may use every data set
    ScriptedTusin tusin;
    tusin.onSaved = [this](const std::string& folder, int line) {
        OnData(folder, "UPDATE ACCDEF1 SET CLOUD_LINE=" + std::to_string(line) + " WHERE REC=1");
    };
    TScopedDataTusinLink link(&tusin);
    auto setVersion = [this](int minor2) {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("UPDATE DATALIST SET VER_MAJOR=11, VER_MINOR1=0, VER_MINOR2=:M WHERE REC=1");
        q.ParamByName("M").SetInteger(minor2);
        q.ExecQuery();
        g.Commit();
        box->LoadDataList();
        box->FillGrid(-1);
        box->SetCurrentLine(LineOfRec(1), 0);
    };
    setVersion(0);
    box->btnCloudShareClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"データバージョンが \"Ver11.0.1\" に達していないため、クラウドシェアはご利用できません。\n"
                                                  "クラウドシェアを利用するには、データを選択しデータ更新をおこなってください。"}));
    EXPECT_EQ(tusin.settingsRuns, 0);

    messages.clear();
    setVersion(1);
    tusin.area = {3, 1};
    tusin.settingsAnswers = {0, 0};
    tusin.sendAnswers = {2, 0};
    box->btnCloudShareClick();
    EXPECT_EQ(tusin.settingsRuns, 2);
    EXPECT_EQ(tusin.sends, 2);
    EXPECT_EQ(messages, (std::vector<std::string>{"クラウドシェア送信処理でエラーが発生しました。設定画面を開きます。"}));
    EXPECT_EQ(Registry("CLOUD", 1), "1");
    EXPECT_EQ(IniFile(root.sysDir / "0001" / "vqacc.ini").ReadString("DATAINFO", "CLOUD_SHARE", ""), "1");

    // Closed without saving: nothing is recorded.
    tusin.settingsRuns = 0;
    tusin.area = {0, 0};
    tusin.settingsAnswers = {9};
    box->SetCurrentLine(LineOfRec(1), 0);
    box->btnCloudShareClick();
    EXPECT_EQ(tusin.settingsRuns, 1);
    EXPECT_EQ(Registry("CLOUD", 1), "1");
    SetCloudShareModeSource(nullptr);
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
}
