#pragma once
// The update run behind the dialog "データベースの更新": refuses while another connection uses the
// database, backs it up when a pending step asks for it, runs the pending steps in order, restores
// the backup after a failed step, reports and reconnects. It holds no widget: the dialog shows
// what it reports through IDbUpdateRunView, and tests drive it directly.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateList.h"

#include <string>

namespace kb {

class TDM;

class IDbUpdateRunView {
public:
    virtual ~IDbUpdateRunView() = default;
    // The animated progress dialog of a backup or restore.
    virtual void ShowJobProgress(const std::string& caption, const std::string& info) = 0;
    virtual void HideJobProgress() = 0;
    // The progress panel over the step list.
    virtual void StartSteps(int count) = 0;
    // Item index from 0 (FirstPending is item 0) and the step's result (kStepDone, or -1 when the
    // step threw).
    virtual void StepFinished(int item, int result) = 0;
    virtual void EndSteps() = 0;
};

// The status text a step result shows: "完了", "ﾌｧｲﾙ不足" for 18, else "失敗".
std::string StepStatusText(int result);

class TDbUpdateRun {
public:
    TDbUpdateRun(TDbUpdatePlan& plan, TDM& dm) : plan_(plan), dm_(dm) {}

    bool Succeeded = false;
    std::string BackupFile;
    // After a failed restore the backup is the only copy of the old database: it is kept here.
    std::string KeptBackupFile;
    TErrInfomation ErrInfo;

    // The OK button: the in-use refusal, the run, the failure message, the reconnection.
    // Returns the dialog's modal result: 1 done, 4 failed or refused.
    int Ok(IDbUpdateRunView& view);
    // 1 all steps done, 0 a step failed (its backup restored when there was one), -1 nothing
    // pending, the backup failed or the restore failed.
    int ExecuteUpdate(IDbUpdateRunView& view);
    // "[ %.4d ]:  %s\r" per other operator logged on to the system database.
    std::string GetLoginOperatorText();

private:
    bool Backup(IDbUpdateRunView& view, bool restore);
    void Reconnect();

    TDbUpdatePlan& plan_;
    TDM& dm_;
};

} // namespace kb
