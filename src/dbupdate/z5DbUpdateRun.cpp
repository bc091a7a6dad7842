#include "dbupdate/z5DbUpdateRun.h"

#include "accounting/BackupRestoreThread.h"
#include "accounting/UserList.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/z5ServerFile.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

namespace fs = std::filesystem;

namespace kb {
namespace {

void WaitMs(int ms)
{
    QCoreApplication::processEvents();
    QThread::msleep(ms);
    QCoreApplication::processEvents();
}

std::string DatabasePath(int kind)
{
    return kind == 0 ? JoinPath(SystemDef.SysDir, DataDefFileName) : JoinPath(SystemDef.DataDir, DataFileName);
}

// A name of its own beside the backup, so a later run cannot overwrite the only copy.
std::string KeepName(const std::string& backup)
{
    std::random_device rd;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08x", rd());
    return backup + "." + buf + ".keep";
}

int Box(int kind, const std::string& caption, const std::vector<std::string>& lines)
{
    TMessage2InfoRec m;
    InitMessage2Info(kind, m);
    if (!caption.empty()) m.Caption = caption;
    m.Buttons = Btn(TMsgDlgBtn::mbOK);
    std::size_t i = 0;
    for (const std::string& l : lines)
        if (i < m.Lines.size()) m.Lines[i++].Text = l;
    return MessageDlg2(m);
}

} // namespace

std::string StepStatusText(int result)
{
    if (result == kStepDone) return "完了";
    if (result == kStepFileMissing) return "ﾌｧｲﾙ不足";
    return "失敗";
}

std::string TDbUpdateRun::GetLoginOperatorText()
{
    std::string text;
    const bool wasConnected = dm_.IBDatabaseDEF.Connected();
    try {
        if (wasConnected || dm_.fnAccDefConnected(SystemDef.HostName, true)) {
            TLoginUserListOnDef list(dm_);
            list.Execute(SystemDef.GroupId, SystemDef.OpCode, false);
            for (const TLoginUserListRec& e : list.Entries) {
                char code[16];
                std::snprintf(code, sizeof code, "%.4d", e.OPERATORCODE);
                text += "[ " + std::string(code) + " ]:  " + e.OPNAME + "\r";
            }
        }
    } catch (const std::exception&) {
        // Reported by the list; the message goes out without names.
    }
    if (!wasConnected) dm_.IBDatabaseDEF.Close();
    return text;
}

bool TDbUpdateRun::Backup(IDbUpdateRunView& view, bool restore)
{
    const int kind = plan_.Kind;
    if (!restore && kind == 0 && !dm_.IBDatabaseDEF.Connected()) dm_.fnAccDefConnected(SystemDef.HostName, true);
    view.ShowJobProgress(restore ? "更新前データの復元中" : "データ更新の準備中",
                         restore ? "復元中、しばらくお待ちください…" : "準備中、しばらくお待ちください…");
    bool ok = false;
    try {
        auto job = std::make_unique<TBackupRestoreThread>(dm_);
        job->Mode = restore ? 1 : 0;
        job->Route = (ConnectMode == 1 || ConnectMode == 2) ? 1 : 0;
        job->HostName = SystemDef.HostName;
        job->DatabaseFile = DatabasePath(kind);
        job->BackupFile = BackupFile;
        job->ActivateIndexes = 1;
        job->AskMyNumber = 0;
        if (restore) job->CheckMyNumberFlag = AccInf.MyNumberUse != 0 ? 1 : 0;
        job->Resume();
        while (!job->GetTerminated()) WaitMs(300);
        job->wait();
        ErrInfo = job->ErrInfo;
        ok = job->Success == 1;
    } catch (const std::exception& e) {
        ErrInfo.ErrFlag = 1;
        ErrInfo.Message = restore ? "データベースの復元に失敗しました。" : "データベースのバックアップに失敗しました。";
        ErrInfo.Detail = e.what();
    }
    if (kind == 0) dm_.IBDatabaseDEF.Close();
    view.HideJobProgress();
    return ok;
}

int TDbUpdateRun::ExecuteUpdate(IDbUpdateRunView& view)
{
    const int kind = plan_.Kind;
    BackupFile = JoinPath(SystemDef.WorkDir, "dataup.fbk");
    Succeeded = false;
    ErrInfo = TErrInfomation{};
    if (!plan_.NeedUpdate) return -1;
    if (plan_.BackupCount > 0) {
        const bool ok = Backup(view, false);
        // The backup replaces what an earlier version kept before an update.
        const std::string before = JoinPath(SystemDef.DocumentsDir, "更新前データ");
        std::error_code ec;
        if (!SystemDef.DocumentsDir.empty() && fs::is_directory(before, ec) && fs::is_empty(before, ec))
            fs::remove(before, ec); // only when empty: it may hold the user's own files
        if (!ok) {
            plan_.FirstPending = plan_.LastPending = -1;
            return -1;
        }
    }
    const auto& list = plan_.CurrentList();
    view.StartSteps(plan_.LastPending - plan_.FirstPending + 1);
    bool allDone = true;
    for (int i = plan_.FirstPending; i <= plan_.LastPending; ++i) {
        int result = -1;
        try {
            result = list[i].ExecProc ? list[i].ExecProc() : -1;
        } catch (const std::exception& e) {
            result = -1;
            ErrInfo.ErrFlag = 1;
            ErrInfo.Message = e.what();
        }
        view.StepFinished(i - plan_.FirstPending, result);
        if (result != kStepDone) {
            allDone = false;
            break;
        }
    }
    WaitMs(300);
    view.EndSteps();
    if (!allDone && plan_.BackupCount > 0) {
        if (!Backup(view, true)) {
            plan_.FirstPending = plan_.LastPending = -1;
            std::error_code ec;
            if (fs::exists(BackupFile, ec)) {
                KeptBackupFile = KeepName(BackupFile);
                fs::rename(BackupFile, KeptBackupFile, ec);
                if (ec) KeptBackupFile = BackupFile;
            }
            return -1;
        }
    }
    plan_.FirstPending = plan_.LastPending = -1;
    int result = 0;
    if (allDone) {
        plan_.DbVersion = plan_.TargetVersion;
        result = 1;
    }
    Succeeded = result == 1;
    return result;
}

int TDbUpdateRun::Ok(IDbUpdateRunView& view)
{
    const int kind = plan_.Kind;
    int modal = 4;
    bool inUse = false;
    if (kind == 0) {
        dm_.IBDatabaseDEF.Close();
        inUse = dm_.AccDatInConnection(0, SystemDef.HostName, false, SystemDef.SysDir);
    } else {
        if (dm_.IBDatabaseDAT.Connected()) dm_.fnAccDatDisConnected(SystemDef.DataDir, false, false);
        inUse = dm_.AccDatInConnection(1, SystemDef.HostName, false, SystemDef.DataDir);
    }
    if (inUse) {
        if (kind == 0) {
            std::vector<std::string> lines = {"現在、他のオペレータがシステムを利用中です。",
                                              "データベースの更新を行うには、システムを終了するようにご連絡して下さい。",
                                              "利用中のオペレータ (異常終了時のオペレータ含む)", ""};
            for (const std::string& l : SplitLines(ReplaceAll(GetLoginOperatorText(), "\r", "\n")))
                if (!l.empty()) lines.push_back(l);
            Box(2, "情報", lines);
        } else {
            Box(2, "",
                {"現在、他のオペレータが会計データを利用中です。",
                 "データベースの更新を行うには、会計データの利用を停止するようにご連絡して下さい。"});
        }
    } else {
        KeptBackupFile.clear();
        ExecuteUpdate(view);
        std::error_code ec;
        if (!BackupFile.empty() && KeptBackupFile.empty() && fs::exists(BackupFile, ec)) fs::remove(BackupFile, ec);
        if (!Succeeded) {
            std::vector<std::string> lines = {kind == 0 ? "システムデータの更新に失敗しました。" : "会計データの更新に失敗しました。"};
            if (!ErrInfo.Message.empty()) {
                lines.push_back("[エラー内容]");
                lines.push_back(ErrInfo.Message);
                lines.push_back(ErrInfo.Detail);
            }
            if (!KeptBackupFile.empty()) lines.push_back("更新前のデータ: " + KeptBackupFile);
            Box(1, "", lines);
        } else {
            modal = 1;
        }
    }
    Reconnect();
    return modal;
}

void TDbUpdateRun::Reconnect()
{
    if (plan_.Kind == 0) {
        if (!dm_.IBDatabaseDEF.Connected()) dm_.fnAccDefConnected(SystemDef.HostName, true);
        return;
    }
    if (!dm_.IBDatabaseDAT.Connected()) dm_.fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, false);
    if (dm_.IBDatabaseDAT.Connected()) {
        try {
            dm_.fnAccDatDisConnected(SystemDef.DataDir, true, true);
        } catch (const std::exception&) {
            // Without a use recorder the registry row is refreshed on the next connection.
        }
        dm_.fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, false);
    }
    if (dm_.IBDatabaseDAT.Connected()) fnGetAccInfo(dm_);
}

} // namespace kb
