#include "app/WizardPages.h"

#include "app/MainForm.h"
#include "core/uAccDateCmp.h"
#include "core/z5DateVersion.h"
#include "platform/ShellFolders.h"

#include <unistd.h>

#include <cerrno>

#include <filesystem>

namespace kb {
namespace fs = std::filesystem;

int SyotokuSyuruiOf(int dataType, int codeType, bool otherIncome)
{
    if (dataType != 2) return 0;
    if (codeType == 2) return 3;
    if (codeType == 4) return 4;
    return otherIncome ? 2 : 1;
}

std::string SyotokuSyuruiText(int syotokuSyurui)
{
    switch (syotokuSyurui) {
    case 1: return "営業所得用";
    case 2: return "その他所得用";
    case 3: return "不動産所得用";
    case 4: return "農業所得用";
    default: return {};
    }
}

TOptionsLayout OptionsLayoutOf(int syotokuSyurui)
{
    TOptionsLayout l;
    l.IncomeGroupVisible = syotokuSyurui == 1 || syotokuSyurui == 2;
    l.TaxGroupMoved = !l.IncomeGroupVisible;
    l.DetailsCaption = syotokuSyurui == 4 ? "「収入金額の内訳」を始めとした情報を含める"
                                          : "「給料賃金の内訳」を始めとした情報を含める";
    return l;
}

int MonthOffsetOfPeriod(int index)
{
    static const int table[16] = {1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12, 12};
    return index >= 0 && index < 16 ? table[index] : 0;
}

namespace {

// "~" and "~/..." name the home folder; "~user" is left as typed.
std::string ExpandHome(const std::string& text)
{
    if (text.empty() || text[0] != '~' || (text.size() > 1 && text[1] != '/')) return text;
    const std::string home = ShellFolders::HomeDir().string();
    if (home.empty()) return text;
    return home + text.substr(1);
}

std::string WithPlace(const char* format, const std::string& place)
{
    std::string text = format;
    text.replace(text.find("%s"), 2, place);
    return text;
}

} // namespace

bool ExportFileHasFolder(const std::string& text) { return ExpandHome(text).find('/') != std::string::npos; }

std::string ResolveExportFile(const std::string& text, const std::string& documentsDir)
{
    const std::string expanded = ExpandHome(text);
    if (expanded.find('/') != std::string::npos) return expanded;
    return (fs::path(documentsDir) / text).string();
}

std::string CheckExportFile(const std::string& text, const std::string& documentsDir)
{
    if (text.empty() || fs::path(text).filename().empty()) return kNoExportFile;
    const fs::path file(ResolveExportFile(text, documentsDir));
    fs::path folder = file.parent_path();
    if (folder.empty()) folder = "/";
    const std::string next = "\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r";
    // The root of the system drive is refused as the family always did.
    if (folder == folder.root_path())
        return WithPlace("ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(%s)直下にﾌｧｲﾙは指定できません。", folder.string()) + next;
    std::error_code ec;
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::exists(folderStatus))
        return WithPlace("指定されたﾌｫﾙﾀﾞ(%s)が見つかりません。", folder.string()) + next;
    if (!fs::is_directory(folderStatus))
        return WithPlace("指定されたﾌｫﾙﾀﾞ(%s)はﾌｫﾙﾀﾞではありません。", folder.string()) + next;
    if (fs::is_directory(fs::status(file, ec)))
        return WithPlace("指定された中間ﾌｧｲﾙ(%s)は既存のﾌｫﾙﾀﾞです。", file.string()) +
               "\rﾌｫﾙﾀﾞの中のﾌｧｲﾙ名を指定してから[次へ]をｸﾘｯｸしてください。\r";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return WithPlace("指定されたﾌｫﾙﾀﾞ(%s)にﾌｧｲﾙを作成する権限がありません。", folder.string()) + next;
    return {};
}

std::string WriteFailureReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR: return "保存先のﾌｫﾙﾀﾞが見つかりません。";
    case EISDIR: return "同じ名前のﾌｫﾙﾀﾞがあるため、ﾌｧｲﾙを作成できません。";
    case EACCES:
    case EPERM: return "保存先のﾌｫﾙﾀﾞにﾌｧｲﾙを作成する権限がありません。";
    case EROFS: return "保存先は読み取り専用です。";
    case ENOSPC:
    case EDQUOT: return "ﾃﾞｨｽｸの空き容量が足りません。";
    case ENAMETOOLONG: return "ﾌｧｲﾙ名が長すぎます。";
    case EIO: return "ﾃﾞｨｽｸの読み書きに失敗しました。";
    default: return "ﾌｧｲﾙを書き込めませんでした。";
    }
}

int DiagnoseWriteFailure(const std::string& file)
{
    const fs::path target(file);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::exists(folderStatus)) return ENOENT;
    if (!fs::is_directory(folderStatus)) return ENOTDIR;
    if (fs::is_directory(fs::status(target, ec))) return EISDIR;
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return errno;
    return 0;
}

std::string WriteFailureText(const std::string& file, int errorNumber)
{
    return "中間ﾌｧｲﾙ(" + file + ")を保存できませんでした。\r" + WriteFailureReason(errorNumber) + "\r";
}

std::vector<std::string> MakeSummary(const TSummaryInput& in)
{
    std::vector<std::string> out;
    out.push_back("【連動元情報】");
    out.push_back(" 会社名        : " + in.KomonsakiName);
    out.push_back(" 会計年度      : " + (in.Nendo > 0 ? std::to_string(in.Nendo) : std::string("-")) + " 期");
    out.push_back(" 会計期間      : " + DateToStrFmtJ("yyyy年m月d日", 1, in.JigyouNendoFrom, in.EraDisplay) + " ～ " +
                  DateToStrFmtJ("yyyy年m月d日", 1, in.JigyouNendoTo, in.EraDisplay));
    out.push_back("");
    out.push_back("【データ区分】");
    out.push_back(" 所得種類      : " + SyotokuSyuruiText(in.SyotokuSyurui));
    out.push_back("");
    out.push_back("【計算条件】");
    const Date start = GetSimeDate(MonthOffsetOfPeriod(in.Stno) - 1, in.ClosingDay, in.JigyouNendoFrom);
    std::string period = " 計算対象期間  : " + DateToStrFmtJ("yyyy年m月", 1, start, in.EraDisplay);
    if (in.Stno != in.Edno) {
        int ofs = MonthOffsetOfPeriod(in.Edno) - 1;
        if (in.LastNo != 15 && in.LastNo == in.Edno) ofs -= 1;
        const Date end = GetSimeDate(ofs, in.ClosingDay, in.JigyouNendoFrom);
        period += " ～ " + DateToStrFmtJ("yy年m月", 1, end, in.EraDisplay);
    }
    out.push_back(period);
    out.push_back(in.TaxMode == 0 ? " 消費税計算区分: 税込み" : " 消費税計算区分: 税抜き");
    if (in.StartedByUser) {
        out.push_back("");
        out.push_back("【中間ファイル】");
        out.push_back(" " + ResolveExportFile(in.ExportFileText, in.DocumentsDir));
    }
    return out;
}

std::optional<std::vector<std::string>> RunDataChecks(const TDataCheckSteps& steps, const std::string& requiredVersion)
{
    if (!CheckVersion(steps.DataVersion(), requiredVersion))
        return std::vector<std::string>{"このプログラムで処理できるデータバージョンに達していません。",
                                        "データバージョン:" + requiredVersion + "以降のデータを選択して下さい。"};
    if (!steps.CheckDataPassword())
        return std::vector<std::string>{"このデータに設定されている「パスワード」と一致しませんでした。"};
    if (!steps.OperatorMayUse()) return std::vector<std::string>{"このデータを扱う権限がありません。"};
    if (!steps.HasAllBranchRights())
        return std::vector<std::string>{"このデータを扱う権限が不足しています。（支店毎の処理権限をすべて有していない）"};
    return std::nullopt;
}

TFinishOutcome FinishOutcomeOf(int result, bool startedByUser)
{
    TFinishOutcome o;
    if (result == kRendoWritten) {
        o.Outcome = 0;
        if (startedByUser) {
            o.MessageKind = 2;
            o.Message = kRendoDone;
        }
        return o;
    }
    o.Outcome = 2;
    o.MessageKind = 1;
    o.Message = kRendoFailedText;
    return o;
}

} // namespace kb
