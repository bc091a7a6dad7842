// System steps 7.0.0 to 12.0.0: their statements come from the installation's per-version files.
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DataUpScript.h"
#include "dbupdate/z5SystemDbUpdate.h"
#include "fb/FbError.h"

namespace kb {
namespace {

constexpr const char* kOemTitle = "機能強化および不具合修正";
constexpr const char* kOemMemo = "１）機能強化および不具合の修正（詳しくはＨＰで確認ください）";

enum class Missing { Skip, Fail };
enum class Memo { Time, Operator };

// Frame, SET NAMES, version record, COMMIT, the files' lines. A required file that is missing ends
// the step with 18 before anything is written or run.
int RunFileStep(int major, int minor1, int minor2, std::initializer_list<const char*> files, Missing missing, Memo memo)
{
    TDataUpScript s(0);
    s.Add("SET NAMES SJIS_0208;");
    if (memo == Memo::Time)
        s.AddVersionRecord(major, minor1, minor2, DataUpTimeText());
    else
        s.AddVersionRecordTwoLines(major, minor1, minor2, OperatorMemo());
    s.Add("COMMIT;");
    for (const char* f : files)
        if (!s.AddFile(PerVersionFile(major, minor1, minor2, f)) && missing == Missing::Fail) return kStepFileMissing;
    s.Save();
    return RunDataUpScript(VersionText(major, minor1, minor2));
}

// Runs a conversion after a successful script in the system database's transaction; an exception
// makes the step's result 19 (the run restores its backup then).
int ConvertAfter(int result, void (*convert)(TDM&))
{
    if (result != kStepDone) return result;
    if (!DM) return kStepConversionFailed;
    const bool wasConnected = DM->IBDatabaseDEF.Connected();
    try {
        if (!wasConnected && !DM->fnAccDefConnected(SystemDef.HostName, true)) return kStepConversionFailed;
        fb::TransactionGuard guard(DM->IBTransactionDEF, fb::TransactionGuard::Unfinished::Commit);
        try {
            convert(*DM);
        } catch (const FbError& e) {
            guard.Commit();
            ShowIBError(e, "TDbUpdateBox.ExecuteUpdate", "データの変換に失敗しました。");
            result = kStepConversionFailed;
        } catch (const std::exception& e) {
            guard.Commit();
            ShowErrorDetail("データの変換に失敗しました。", e.what());
            result = kStepConversionFailed;
        }
        if (result == kStepDone) guard.Commit();
    } catch (const std::exception& e) {
        ShowErrorDetail("データの変換に失敗しました。", e.what());
        result = kStepConversionFailed;
    }
    if (!wasConnected) DM->IBDatabaseDEF.Close();
    return result;
}

std::string Title700() { return AppInfo.ZaimuAppTitle + "１５のデータ形式に変換"; }

} // namespace

void RegisterSystemDbUpdate700(TDbUpdateListRec& r)
{
    if (OemFlag != 0)
        FillDbUpdateListRec(r, 7, 0, 0, SystemDbUpdate700, 0, "個別原価管理機能の追加", "１）個別原価管理機能を追加する。");
    else
        FillDbUpdateListRec(r, 7, 0, 0, SystemDbUpdate700, 0, Title700(), "１）" + AppInfo.ZaimuAppTitle + "１５のデータ形式に変換する。");
}
void RegisterSystemDbUpdate704(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 7, 0, 4, SystemDbUpdate704, 0, "消費税・特定課税仕入れ に対応", "１）特定課税仕入れの取引 に対応します。");
}
void RegisterSystemDbUpdate800(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 8, 0, 0, SystemDbUpdate800, 1, "マイナンバー制度に対応", "１）マイナンバー制度に対応しました。");
}
void RegisterSystemDbUpdate802(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 8, 0, 2, SystemDbUpdate802, 1, "メニューの起動管理方法を変更", "１）メニューの起動管理方法を変更しました。");
}
void RegisterSystemDbUpdate904(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 9, 0, 4, SystemDbUpdate904, 1, "仕訳帳、元帳の入力方法の管理項目を変更",
         "１）仕訳帳、元帳の入力方法の管理項目を変更しました。");
}
void RegisterSystemDbUpdate1004(TDbUpdateListRec& r)
{
    if (OemFlag != 0)
        FillDbUpdateListRec(r, 10, 0, 4, SystemDbUpdate1004, 1, kOemTitle, kOemMemo);
    else
        FillDbUpdateListRec(r, 10, 0, 4, SystemDbUpdate1004, 1, "オペレータの種類に承認者を追加", "１）オペレータの種類に承認者を追加しました。");
}
void RegisterSystemDbUpdate1101(TDbUpdateListRec& r)
{
    if (OemFlag != 0)
        FillDbUpdateListRec(r, 11, 0, 1, SystemDbUpdate1101, 1, kOemTitle, kOemMemo);
    else
        FillDbUpdateListRec(r, 11, 0, 1, SystemDbUpdate1101, 1, "新元号対応 他",
             "１）新元号「令和」を追加しました。\r２）クラウドシェア機能を追加しました。");
}
void RegisterSystemDbUpdate1200(TDbUpdateListRec& r)
{
    if (OemFlag != 0)
        FillDbUpdateListRec(r, 12, 0, 0, SystemDbUpdate1200, 1, kOemTitle, kOemMemo);
    else
        FillDbUpdateListRec(r, 12, 0, 0, SystemDbUpdate1200, 1, "仕訳入力の禁止設定",
             "１）仕訳入力を禁止にする設定を追加しました。※対象製品：パヴォナ財務");
}

int SystemDbUpdate700()
{
    if (DM) {
        const bool wasConnected = DM->IBDatabaseDEF.Connected();
        try {
            if (wasConnected || DM->fnAccDefConnected(SystemDef.HostName, true)) ConvertSysIniOfficeInfo(*DM);
        } catch (const FbError& e) {
            // The row stays unconverted and the step goes on.
            ShowIBError(e, "TDM.GetSysIni", "");
        } catch (const std::exception& e) {
            ShowErrorDetail("データの変換に失敗しました。", e.what());
        }
        if (!wasConnected) DM->IBDatabaseDEF.Close();
    }
    return RunFileStep(7, 0, 0, {"sysup01.sql"}, Missing::Skip, Memo::Time);
}

int SystemDbUpdate704() { return RunFileStep(7, 0, 4, {"sysup01.sql"}, Missing::Skip, Memo::Time); }
int SystemDbUpdate800() { return RunFileStep(8, 0, 0, {"sysup01.sql"}, Missing::Fail, Memo::Time); }

int SystemDbUpdate802()
{
    return ConvertAfter(RunFileStep(8, 0, 2, {"sysup01.sql"}, Missing::Fail, Memo::Time), ConvertJobControl);
}

int SystemDbUpdate904() { return ConvertAfter(RunFileStep(9, 0, 4, {}, Missing::Fail, Memo::Time), ConvertSysDefInputMode); }

int SystemDbUpdate1004() { return RunFileStep(10, 0, 4, {"sysup01.sql"}, Missing::Fail, Memo::Time); }

int SystemDbUpdate1101()
{
    const int result = RunFileStep(11, 0, 1, {"sysup01.sql", "sysup02.sql"}, Missing::Fail, Memo::Operator);
    if (result == kStepFileMissing) return result; // nothing ran
    // The era table now knows the new era.
    if (DM) {
        const bool wasConnected = DM->IBDatabaseDEF.Connected();
        if (wasConnected || DM->fnAccDefConnected(SystemDef.HostName, true)) LoadGengo(*DM);
        if (!wasConnected) DM->IBDatabaseDEF.Close();
    }
    return result;
}

int SystemDbUpdate1200() { return RunFileStep(12, 0, 0, {"sysup01.sql"}, Missing::Fail, Memo::Operator); }

} // namespace kb
