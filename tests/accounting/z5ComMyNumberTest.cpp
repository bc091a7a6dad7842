// The individual-number settings around backup and restore, on copies of the general fixture
// data set whose settings say "＃USE" 1 with a management password: what a backup carries, who
// may include the numbers, the log rows, the safety copy, and the store's own rules.

#include "BackupRestoreTestSupport.h"
#include "core/z5EasyEncode.h"
#include "ui/MyNumberUi.h"
#include "ui/UiTestHelp.h"
#include "ui/z5InputDlg.h"
#include "ui/xEdit.h"
#include "ui/xPlButton.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace kb;

namespace {

// Answers in order; records every box.
struct ScriptedMyNumberUi : IMyNumberUi {
    std::vector<std::optional<std::string>> passwords;
    bool confirm = false;
    int asked = 0;
    std::vector<std::string> boxes;
    bool AskPassword(const TDataPasswordAsk&, std::string& entry) override
    {
        if (asked >= static_cast<int>(passwords.size()) || !passwords[asked]) return ++asked, false;
        entry = *passwords[asked++];
        return true;
    }
    bool Confirm(const std::string& line) override
    {
        boxes.push_back(line);
        return confirm;
    }
    void Inform(const std::string& line) override { boxes.push_back(line); }
    void Warn(const std::string& line) override { boxes.push_back(line); }
};

class MyNumberWorker : public kbtest::WorkerTest {
protected:
    void SetUp() override
    {
        kbtest::WorkerTest::SetUp();
        storedKey = EncodeProtectText("pw123");
        storedValue = EncodeProtectText("second");
        SetSettings(source, "1", storedKey, storedValue);
        backup = (env.dir / "save" / "vqacc.fbk").string();
        SystemDef.MyNumberAdmin = false;
    }
    void TearDown() override
    {
        TBackupRestoreThread::AfterMyNumberClear = nullptr;
        std::error_code ec;
        fs::remove(MyNumberSafetyCopyPath("", Db(source)), ec);
    }

    void Exec(const fs::path& folder, const std::string& sql, const std::vector<std::string>& params)
    {
        fb::Connection db;
        db.SetDatabaseName(Db(folder));
        TDM::SetLoginParams(db);
        db.Open();
        fb::Transaction tr(&db);
        fb::TransactionGuard g(tr);
        fb::Statement q(db, &tr);
        q.SetSQL(sql);
        for (std::size_t i = 0; i < params.size(); ++i) q.ParamByName("P" + std::to_string(i)).SetBytes(params[i]);
        q.ExecQuery();
        g.Commit();
    }
    // ＃USE, ＃KEY and ＃VALUE as stored bytes (an empty text: no row).
    void SetSettings(const fs::path& folder, const std::string& use, const std::string& key, const std::string& value)
    {
        Exec(folder, "DELETE FROM ACCREG WHERE AGROUP=:P0", {Utf8ToCp932(kMyNumberGroup)});
        const std::vector<std::pair<const char*, std::string>> rows{{kMyNumberUse, use}, {kMyNumberKey, key}, {kMyNumberValue, value}};
        for (const auto& [code, text] : rows)
            if (!text.empty())
                Exec(folder, "INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:P0,:P1,:P2,:P3)",
                     {Utf8ToCp932(kMyNumberGroup), Utf8ToCp932(code), Utf8ToCp932(code == std::string(kMyNumberUse) ? "整数" : "文字"), text});
    }
    std::string Setting(const fs::path& folder, const char* code)
    {
        return Text(folder, "SELECT ATEXT FROM ACCREG WHERE AGROUP='" + std::string(kMyNumberGroup) + "' AND ACODE='" + code + "'");
    }
    std::string LogStates(const fs::path& folder)
    {
        return Text(folder, "SELECT COALESCE(LIST(S, ','), '') FROM (SELECT CAST(FSTATE AS VARCHAR(3)) AS S FROM MYNUMBER_LOG ORDER BY FSTATE)");
    }

    TBackupRestoreThread& Backup(TBackupRestoreThread& t)
    {
        t.DatabaseFile = Db(source);
        t.BackupFile = backup;
        t.AskMyNumber = 1;
        t.IncludeMyNumber = 1;
        t.USEMYNUMBER = 1;
        t.WriteZone = 1;
        t.SHOUGOU = "青色商店";
        t.ProcessName = "データ保存";
        Run(t);
        return t;
    }

    // Restores the backup (its trailer read off first) onto a new general data set; answers the
    // trailer's USEMYNUMBER, -1 when the restore failed.
    int RestoreIntoNewDataSet(const fs::path& dest)
    {
        TBackupRestoreThread load(*env.dm);
        EXPECT_TRUE(load.ReadZoneInfo(backup, true));
        const int use = load.USEMYNUMBER;
        kbtest::fixture::BuildGeneralDataSet(dest, 2);
        load.Mode = 1;
        load.DatabaseFile = Db(dest);
        load.BackupFile = backup;
        Run(load);
        EXPECT_EQ(load.Success, 1) << load.ErrInfo.Message << Shown();
        return load.Success == 1 ? use : -1;
    }

    std::string storedKey, storedValue, backup;
};

} // namespace

TEST_F(MyNumberWorker, ANonAdministratorsBackupLeavesTheNumbersOut)
{
    ScriptedMyNumberUi ui;
    TScopedMyNumberUi install(&ui);
    TBackupRestoreThread save(*env.dm);
    Backup(save);
    ASSERT_EQ(save.Success, 1) << save.ErrInfo.Message << Shown();
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"保存データにマイナンバー情報は含まれません。"});
    EXPECT_EQ(save.USEMYNUMBER, 1); // the source's own value again
    // The source keeps its settings and has no log row of the clearing.
    EXPECT_EQ(Setting(source, kMyNumberUse), "1");
    EXPECT_EQ(Setting(source, kMyNumberKey), storedKey);
    EXPECT_EQ(Setting(source, kMyNumberValue), storedValue);
    EXPECT_EQ(LogStates(source), "");
    EXPECT_FALSE(fs::exists(MyNumberSafetyCopyPath("", Db(source))));

    // The backup holds the cleared settings and the one operation-3 row.
    const fs::path dest = env.dir / "dest";
    ASSERT_EQ(RestoreIntoNewDataSet(dest), 0);
    EXPECT_EQ(Setting(dest, kMyNumberUse), "0");
    EXPECT_EQ(Setting(dest, kMyNumberKey), "<none>");
    EXPECT_EQ(LogStates(dest), "3");
    EXPECT_EQ(Text(dest, "SELECT FCOMMENT FROM MYNUMBER_LOG"), Utf8ToCp932("マイナンバー情報が削除されました。"));
    EXPECT_EQ(Text(dest, "SELECT FPROCNAME FROM MYNUMBER_LOG"), Utf8ToCp932("データ保存＞データ保存"));
}

TEST_F(MyNumberWorker, AnAdministratorIncludesThemWithThePasswordOnTheThirdTry)
{
    SystemDef.MyNumberAdmin = true;
    TMyNumberUi realUi;
    TScopedMyNumberUi install(&realUi);
    kbtest::MessageCatcher boxes(mrYes);
    std::vector<std::string> prompts;
    const std::vector<std::string> entries{"wrong", "PW123", "pw123"};
    std::size_t next = 0;
    std::function<void()> arm = [&] {
        kbtest::WhenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TInputDlgBox*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->windowTitle().toStdString(), "マイナンバー管理パスワードの確認");
            prompts.push_back(dlg->lblMain->text().toStdString());
            const std::string entry = entries.at(next++);
            if (next < entries.size()) arm();
            QTest::keyClicks(dlg->txtInput, QString::fromStdString(entry));
            dlg->btnOK->Click();
        });
    };
    arm();
    TBackupRestoreThread save(*env.dm);
    Backup(save);
    ASSERT_EQ(save.Success, 1) << save.ErrInfo.Message << Shown();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Lines[0].Text, "保存データにマイナンバー情報を含めますか？");
    EXPECT_EQ(prompts, (std::vector<std::string>{"マイナンバー管理パスワードを入力して下さい。", "正しいパスワードを入力して下さい。",
                                                 "正しいパスワードを入力して下さい。"}));
    EXPECT_EQ(LogStates(source), "6");
    EXPECT_EQ(Setting(source, kMyNumberKey), storedKey);

    // The backup carries the settings and the operation-6 row.
    const fs::path dest = env.dir / "dest";
    ASSERT_EQ(RestoreIntoNewDataSet(dest), 1);
    EXPECT_EQ(Setting(dest, kMyNumberKey), storedKey);
    EXPECT_EQ(LogStates(dest), "6");
}

TEST_F(MyNumberWorker, RefusedPasswordsStopTheBackupBeforeAnythingIsTouched)
{
    SystemDef.MyNumberAdmin = true;
    ScriptedMyNumberUi ui;
    ui.confirm = true;
    ui.passwords = {"a", "b", "c"};
    TScopedMyNumberUi install(&ui);
    TBackupRestoreThread save(*env.dm);
    Backup(save);
    EXPECT_EQ(save.Success, 0);
    EXPECT_EQ(ui.asked, 3);
    EXPECT_EQ(save.ErrInfo.ResultCode, "100");
    EXPECT_EQ(save.ErrInfo.Message, "データベースの保存処理を中止しました。");
    EXPECT_EQ(save.ErrInfo.Detail, "");
    EXPECT_FALSE(fs::exists(backup));
    EXPECT_EQ(LogStates(source), "");

    // A password stored in a form this program cannot read cannot be confirmed: no prompt.
    SetSettings(source, "1", "FOREIGN-FORM\x01\x02", storedValue);
    ScriptedMyNumberUi foreign;
    foreign.confirm = true;
    TScopedMyNumberUi install2(&foreign);
    TBackupRestoreThread again(*env.dm);
    Backup(again);
    EXPECT_EQ(again.ErrInfo.ResultCode, "100");
    EXPECT_EQ(foreign.asked, 0);
    EXPECT_EQ(foreign.boxes.back(), "保存されているマイナンバー管理パスワードを確認できません。");
}

TEST_F(MyNumberWorker, AForeignProtectedPasswordSurvivesAClearedBackup)
{
    const std::string foreignKey = "FOREIGN-FORM\x01\x02";
    SetSettings(source, "1", foreignKey, "");
    ScriptedMyNumberUi ui;
    TScopedMyNumberUi install(&ui);
    TBackupRestoreThread save(*env.dm);
    Backup(save);
    ASSERT_EQ(save.Success, 1) << Shown();
    EXPECT_EQ(Setting(source, kMyNumberKey), foreignKey);
    EXPECT_EQ(Setting(source, kMyNumberValue), "<none>");
    EXPECT_EQ(Setting(source, kMyNumberUse), "1");
}

TEST_F(MyNumberWorker, AStopBetweenClearAndWriteBackIsRepairedByTheNextConnect)
{
    ScriptedMyNumberUi ui;
    TScopedMyNumberUi install(&ui);
    TBackupRestoreThread::AfterMyNumberClear = [] { return false; };
    TBackupRestoreThread save(*env.dm);
    Backup(save);
    EXPECT_EQ(save.Success, 0);
    EXPECT_EQ(Setting(source, kMyNumberUse), "0");
    EXPECT_EQ(Setting(source, kMyNumberKey), "<none>");
    const fs::path keep = MyNumberSafetyCopyPath("", Db(source));
    ASSERT_TRUE(fs::exists(keep));
    EXPECT_EQ(fs::status(keep).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    TDataConnectedHook previous = DataConnectedHook;
    DataConnectedHook = RepairMyNumberSetting;
    ASSERT_TRUE(env.dm->fnAccDatConnected("", source.string(), false)) << Shown();
    env.dm->fnAccDatDisConnected(source.string(), false, false);
    DataConnectedHook = previous;
    EXPECT_EQ(Setting(source, kMyNumberUse), "1");
    EXPECT_EQ(Setting(source, kMyNumberKey), storedKey);
    EXPECT_EQ(Setting(source, kMyNumberValue), storedValue);
    EXPECT_EQ(LogStates(source), "");
    EXPECT_FALSE(fs::exists(keep));
}

TEST_F(MyNumberWorker, RestoreRules)
{
    ScriptedMyNumberUi ui;
    TScopedMyNumberUi install(&ui);
    // A backup without numbers (a non-administrator's): refused onto a data set that manages them.
    {
        TBackupRestoreThread save(*env.dm);
        Backup(save);
        ASSERT_EQ(save.Success, 1) << Shown();
    }
    TBackupRestoreThread refused(*env.dm);
    ASSERT_TRUE(refused.ReadZoneInfo(backup, true));
    kbtest::RunIsql(source / "vqacc.fdb", "UPDATE ACCDEF1 SET SHOUGOU='CHANGED' WHERE REC=1;\nCOMMIT;\n");
    refused.Mode = 1;
    refused.DatabaseFile = Db(source);
    refused.BackupFile = backup;
    Run(refused);
    EXPECT_EQ(refused.ErrInfo.ResultCode, "200");
    EXPECT_EQ(refused.ErrInfo.Message, "マイナンバー情報を管理しているデータへの復元はおこなえません。");
    EXPECT_EQ(Facts(source).first, "CHANGED");

    // An operation-7 restore puts back the destination's older log rows.
    const fs::path dest = env.dir / "dest";
    kbtest::fixture::BuildGeneralDataSet(dest, 2);
    SetSettings(dest, "1", storedKey, "");
    const std::string old = "INSERT INTO MYNUMBER_LOG(FHIZUKE,FSERIAL,FOPCODE,FHOST,FSTATE) VALUES('2020-01-02 03:04:05.6789','S','9','old-pc',4)";
    Exec(dest, old, {});
    auto restore = [&](const fs::path& onto) {
        TBackupRestoreThread t(*env.dm);
        t.Mode = 1;
        t.DatabaseFile = Db(onto);
        t.BackupFile = backup;
        t.USEMYNUMBER = 1;
        t.IncludeMyNumber = 1;
        t.ProcessName = "データ受信";
        Run(t);
        EXPECT_EQ(t.Success, 1) << t.ErrInfo.Message << Shown();
    };
    restore(dest);
    EXPECT_EQ(LogStates(dest), "3,4,7");
    EXPECT_EQ(Text(dest, "SELECT CAST(FHIZUKE AS VARCHAR(24)) FROM MYNUMBER_LOG WHERE FSTATE=4"), "2020-01-02 03:04:05.6789");
    EXPECT_EQ(Text(dest, "SELECT FCOMMENT FROM MYNUMBER_LOG WHERE FSTATE=7"), Utf8ToCp932("マイナンバー情報を含むデータが受信されました。"));

    // Not into a data set of another company name.
    const fs::path other = env.dir / "other";
    kbtest::fixture::BuildGeneralDataSet(other, 3);
    kbtest::RunIsql(other / "vqacc.fdb", "UPDATE ACCDEF1 SET SHOUGOU='OTHER' WHERE REC=1;\nCOMMIT;\n");
    Exec(other, old, {});
    restore(other);
    EXPECT_EQ(LogStates(other), "3,7");
}

TEST_F(MyNumberWorker, AFailingGbakIsRecordedAndTheSettingsComeBack)
{
    ScriptedMyNumberUi ui;
    TScopedMyNumberUi install(&ui);
    const fs::path exe = env.dir / "exe";
    fs::create_directories(exe);
    {
        std::ofstream s(exe / "gbak");
        s << "#!/bin/sh\necho 'gbak: ERROR: cannot write' >&2\nexit 1\n";
    }
    fs::permissions(exe / "gbak", fs::perms::owner_all);
    SystemDef.ExeDir = exe.string();
    SystemDef.SysDir = (env.dir / "nosys").string(); // no transfer database: gbak
    TBackupRestoreThread save(*env.dm);
    save.Route = 1;
    Backup(save);
    SystemDef.ExeDir.clear();
    EXPECT_EQ(save.Success, 0);
    EXPECT_EQ(save.ErrInfo.ResultCode, "100");
    EXPECT_EQ(save.ErrInfo.Message, "データベースの保存に失敗しました。");
    EXPECT_EQ(save.ErrInfo.Detail.rfind("バックアップ中にエラーが発生しました。\r", 0), 0u) << save.ErrInfo.Detail;
    EXPECT_EQ(Setting(source, kMyNumberUse), "1");
    EXPECT_EQ(Setting(source, kMyNumberKey), storedKey);
    EXPECT_EQ(LogStates(source), "");
}

// ---- the store on its own

TEST_F(MyNumberWorker, LogRowsKeepTheirTimeExactlyAndCollisionsTakeANewOne)
{
    std::vector<std::string> ticks{"2026-12-11 10:00:00.1234", "2026-12-11 10:00:00.1234", "2026-12-11 10:00:00.1235"};
    std::size_t n = 0;
    const auto saved = TMyNumberIO::Clock;
    TMyNumberIO::Clock = [&] { return ticks.at(n++); };
    env.OpenData(source / "vqacc.fdb");
    TMyNumberIO io(*env.dm);
    TMyNumberLogRec a, b;
    io.MakeLogRec(a, 4, "参照");
    io.MakeLogRec(b, 4, "参照");
    EXPECT_TRUE(io.AddLog(a));
    EXPECT_TRUE(io.AddLog(b));
    TMyNumberIO::Clock = saved;
    EXPECT_EQ(b.FHIZUKE, "2026-12-11 10:00:00.1235");
    // A row of the same moment from another computer.
    TMyNumberLogRec c = a;
    c.FHOST = "other-pc";
    EXPECT_TRUE(io.AddLog(c));

    ASSERT_TRUE(io.ReadLogList(0));
    ASSERT_EQ(io.LogCount, 3);
    EXPECT_EQ(io.LogList[0].FHIZUKE, "2026-12-11 10:00:00.1234");
    EXPECT_EQ(io.LogList[0].FOPCODE, "10");
    EXPECT_EQ(io.LogList[0].FCOMMENT, "マイナンバー情報が参照されました。");
    EXPECT_TRUE(io.DeleteLog(io.LogList[0]));
    ASSERT_TRUE(io.ReadLogList(1));
    EXPECT_EQ(io.LogCount, 2); // only the row itself went
    EXPECT_TRUE(env.ui.shown.empty()) << Shown();
}

TEST_F(MyNumberWorker, SettingsOfAnotherDataSetAreReadOnItsOwnConnection)
{
    const fs::path other = env.dir / "other";
    kbtest::fixture::BuildGeneralDataSet(other, 3);
    env.OpenData(other / "vqacc.fdb");
    TMyNumberIO io(*env.dm);
    ASSERT_TRUE(io.ReadSetting("", Db(source), "", "x"));
    EXPECT_EQ(io.Use, 1);
    EXPECT_EQ(io.Password, "pw123");
    EXPECT_EQ(io.SecondText, "second");
    EXPECT_EQ(env.dm->IBDatabaseDAT.DatabaseName(), (other / "vqacc.fdb").string());
    EXPECT_TRUE(env.dm->IBDatabaseDAT.Connected());
    // A data set that is not there: nothing.
    EXPECT_FALSE(io.ReadSetting("", (env.dir / "none" / "vqacc.fdb").string(), "", "x"));
    EXPECT_EQ(io.Use, 0);
}

TEST(MyNumberPassword, WhoIsAskedAndTheComments)
{
    ResetAccRecord();
    SystemDef.MyNumberAdmin = false;
    EXPECT_TRUE(MyNumberPasswordCheck("")); // no right: nothing to ask
    SystemDef.MyNumberAdmin = true;
    EXPECT_FALSE(MyNumberPasswordCheck("")); // no password stored
    ResetAccRecord();
    const std::vector<std::tuple<int, std::string, std::string>> cases{
        {6, "データ保存", "マイナンバー情報を含むデータが保存されました。"},
        {6, "データ送信", "マイナンバー情報を含むデータが送信されました。"},
        {8, "データ送信", "マイナンバー情報を含めずにデータが送信されました。"},
        {8, "データ保存", "マイナンバー情報を含めずにデータが保存されました。"},
        {7, "データ受信", "マイナンバー情報を含むデータが受信されました。"},
        {9, "", "マイナンバー管理パスワードを既定値に設定しました。"},
        {0, "", "マイナンバー情報**されました。"},
    };
    for (const auto& [code, process, comment] : cases) EXPECT_EQ(MyNumberLogComment(code, process), comment) << code << process;
}
