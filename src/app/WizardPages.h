#pragma once
// WizardPages: what the wizard's pages decide, kept apart from the widgets so that it can be
// checked without a window: the kind of income of a data set and the options page it gives, the
// output-file checks, the summary text, the four checks a chosen data set must pass and what a
// Finish result means for the user and the caller. TForm1 (WizardRun.cpp) applies them.

#include "platform/Date.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kb {

// ---- options page

// SyotokuSyurui of a data set: 0 refused (not an individual's data set), 1 business or 2 other
// income (general, clinic and every other code type), 3 real estate, 4 agriculture.
int SyotokuSyuruiOf(int dataType, int codeType, bool otherIncome);
// "営業所得用", "その他所得用", "不動産所得用", "農業所得用"; empty for any other value.
std::string SyotokuSyuruiText(int syotokuSyurui);

// How the options page shows for a kind of income.
struct TOptionsLayout {
    bool IncomeGroupVisible = false; // "所得種類（一般）" in the period group's place
    bool TaxGroupMoved = false;      // the tax group in the period group's place, the details below
    std::string DetailsCaption;
};
TOptionsLayout OptionsLayoutOf(int syotokuSyurui);

inline constexpr const char* kNotIndividualData =
    "指定された会計データは個人データではありません。\rもう一度、選びなおしてください。\r";
inline constexpr const char* kNoDataChosen =
    "会計データの選択が行われていません。\r「データ選択を開く」ボタンを押して選択して下さい。";

// Month offset (1..12) of a period index 0..15 of the period panel; 0 outside.
int MonthOffsetOfPeriod(int index);

// ---- output file

inline constexpr const char* kNoExportFile =
    "中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r";

// The file the run writes: a leading "~" is the home folder; a name without a folder goes into
// documentsDir.
std::string ResolveExportFile(const std::string& text, const std::string& documentsDir);
// True when text names a folder ("/" in it, or the home folder "~").
bool ExportFileHasFolder(const std::string& text);
// The refusal of the output-file page; empty when the file may be written. Each reason has its
// own message, naming the folder or file: no file name part, the system drive's root, a folder
// that does not exist, a folder part that is a file, an existing folder given as the file, and a
// folder this user may not write into.
std::string CheckExportFile(const std::string& text, const std::string& documentsDir);

// Why the linkage file could not be written, in words for the user, from the system's error
// number (errno) of the failed step; 0 or an unknown number gives the general reason.
std::string WriteFailureReason(int errorNumber);
// The system's error number a write of file would meet now, found by looking at the file and its
// folder (for failures that carry no number); 0 when nothing explains it.
int DiagnoseWriteFailure(const std::string& file);
// The box after a failed write: the file, then the reason.
std::string WriteFailureText(const std::string& file, int errorNumber);

// ---- summary

struct TSummaryInput {
    std::string KomonsakiName;
    int Nendo = 0;
    Date JigyouNendoFrom, JigyouNendoTo;
    int ClosingDay = 99;
    bool EraDisplay = false;     // dates with era names
    int SyotokuSyurui = 0;
    int Stno = 0, Edno = 15, LastNo = 15;
    int TaxMode = 0;
    bool StartedByUser = true;
    std::string ExportFileText;  // the page's edit
    std::string DocumentsDir;
};
// The lines of the summary memo.
std::vector<std::string> MakeSummary(const TSummaryInput& in);

// ---- checks of a chosen data set

inline constexpr const char* kReselect = "データ選択画面を開き、別のデータを選択しますか？";
inline constexpr const char* kConnectFailed = "データの接続に失敗しました。";

struct TDataCheckSteps {
    std::function<std::string()> DataVersion;   // "major.minor1.minor2" of the data set
    std::function<bool()> CheckDataPassword;     // asks the password (three tries)
    std::function<bool()> OperatorMayUse;        // a facility of the data for this operator
    std::function<bool()> HasAllBranchRights;    // every branch right
};
// The reason lines of the first check that fails, in the order version, password, operator,
// branches (a step not run after a failure); nothing when every check passes.
std::optional<std::vector<std::string>> RunDataChecks(const TDataCheckSteps& steps,
                                                      const std::string& requiredVersion);

// ---- Finish

inline constexpr int kRendoWritten = 1;
inline constexpr int kRendoFailed = 4;
inline constexpr const char* kRendoDone = "中間ファイルが作成されました。\r";
inline constexpr const char* kRendoFailedText = "中間ファイルの作成に失敗しました。\r";

struct TFinishOutcome {
    int Outcome = 2;        // for the caller
    int MessageKind = -1;   // -1 none, 1 error, 2 information
    std::string Message;
};
TFinishOutcome FinishOutcomeOf(int result, bool startedByUser);

} // namespace kb
