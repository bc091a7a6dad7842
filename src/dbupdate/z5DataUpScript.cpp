#include "dbupdate/z5DataUpScript.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "core/z5DateVersion.h"
#include "platform/ChildProcess.h"
#include "platform/Date.h"
#include "platform/TempFiles.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kb {
namespace {

std::string& ToolOverride()
{
    static std::string path;
    return path;
}

bool ReadBytes(const fs::path& file, std::string& out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    out = ss.str();
    return true;
}

bool IsUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = s[i];
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

void Remove(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
}

void ShowError(const std::string& text) { ShowMessage2(1, text, Btn(TMsgDlgBtn::mbOK)); }

} // namespace

std::string SqlLiteral(const std::string& text) { return "'" + ReplaceAll(text, "'", "''") + "'"; }

std::string DataUpTimeText() { return FormatDatePattern("yyyy/mm/dd hh:nn:ss", DateTime::Now()); }

std::string PerVersionFile(int major, int minor1, int minor2, const std::string& name)
{
    return JoinPath(JoinPath(SystemDef.SqlDir, std::to_string(major) + std::to_string(minor1) + std::to_string(minor2)),
                    name);
}

std::string OperatorMemo()
{
    const int code = SystemDef.OpNo;
    const std::string memo = DataUpTimeText() + "," + std::to_string(code) + "," + SystemDef.OpName + "," + SystemDef.PCName;
    return TrimBlanks(sjis::Cut(memo, 127));
}

TDataUpScript::TDataUpScript(int kind) : kind_(kind)
{
    lines_.push_back("/* " + DataUpTimeText() + "," + SystemDef.PCName + "," + std::to_string(SystemDef.OpCode) + " */");
    lines_.push_back("");
    const std::string db = kind == 0 ? TDM::ServerPath(SystemDef.HostName, SystemDef.SysDir, DataDefFileName)
                                     : TDM::ServerPath(SystemDef.HostName, SystemDef.DataDir, DataFileName);
    lines_.push_back("CONNECT " + SqlLiteral(db) + ";");
}

void TDataUpScript::AddVersionRecord(int major, int minor1, int minor2, const std::string& memo)
{
    const std::string nums = std::to_string(major) + "," + std::to_string(minor1) + "," + std::to_string(minor2);
    if (kind_ == 0) {
        lines_.push_back("INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(" + nums + "," + SqlLiteral(memo) + ");");
    } else {
        lines_.push_back("UPDATE ACCVERSION SET MAJOR=" + std::to_string(major) + ",MINOR1=" + std::to_string(minor1) +
                         ",MINOR2=" + std::to_string(minor2) + ",MEMO=" + SqlLiteral(memo));
        lines_.push_back("WHERE REC=1;");
    }
}

void TDataUpScript::AddVersionRecordTwoLines(int major, int minor1, int minor2, const std::string& memo)
{
    lines_.push_back("INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO)");
    lines_.push_back("VALUES(" + std::to_string(major) + "," + std::to_string(minor1) + "," + std::to_string(minor2) + "," +
                     SqlLiteral(memo) + ");");
}

bool TDataUpScript::AddFile(const std::string& path)
{
    std::string bytes;
    if (!ReadBytes(path, bytes)) return false;
    const std::string text = IsUtf8(bytes) ? bytes : Cp932ToUtf8(bytes);
    for (const std::string& line : SplitLines(text))
        if (!line.empty()) lines_.push_back(line);
    return true;
}

std::string TDataUpScript::ScriptPath() { return JoinPath(SystemDef.TempDir, kDataUpScriptName); }
std::string TDataUpScript::LogPath() { return JoinPath(SystemDef.TempDir, kDataUpLogName); }

void TDataUpScript::Save() const
{
    std::string text;
    for (const std::string& l : lines_) text += l + "\r\n";
    text += "EXIT;\r\n";
    const std::string bytes = Utf8ToCp932(text);
    std::ofstream out(ScriptPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + ScriptPath());
}

void SetDataUpToolPath(const std::string& path) { ToolOverride() = path; }

std::string DataUpToolPath()
{
    if (!ToolOverride().empty()) return ToolOverride();
    if (!SystemDef.ExeDir.empty()) {
        const fs::path own = fs::path(SystemDef.ExeDir) / "isql-fb";
        std::error_code ec;
        if (fs::exists(own, ec)) return own.string();
    }
    return "isql-fb";
}

int RunDataUpScript(const std::string& versionText)
{
    const fs::path script = TDataUpScript::ScriptPath();
    const fs::path log = TDataUpScript::LogPath();
    int result = 1;
    std::error_code ec;
    if (!fs::exists(script, ec)) {
        ShowError("更新ファイル(" + script.string() + ")が見つかりません。\r処理を中止します。");
        Remove(log);
        return 18;
    }
    // -o appends: an output left by an earlier run would be judged with this one.
    Remove(log);
    // What the tool writes before its output file is open (a refused option, a crash) goes here.
    const fs::path console = TempFiles::UniqueTempPath("dataup-", ".out");
    ChildProcess tool({DataUpToolPath(), "-b", "-e", "-m", "-q", "-ch", "SJIS_0208", "-i", script.string(), "-o",
                       log.string()});
    tool.SetEnv("ISC_USER", SystemDef.DbUser);
    tool.SetEnv("ISC_PASSWORD", SystemDef.DbPassword);
    tool.SetOutputFile(console);
    try {
        tool.Start();
    } catch (const ChildProcessError&) {
        ShowError("ISQL.EXEが起動できません。\r処理を中止します。");
        Remove(console);
        Remove(log);
        return 17;
    }
    tool.WaitPolling();

    std::string output;
    const bool haveLog = ReadBytes(log, output);
    std::string consoleText;
    ReadBytes(console, consoleText);
    Remove(console);
    if (!haveLog || tool.ExitCode() != 0) {
        result = 16;
        std::string text = output;
        if (!consoleText.empty()) text += (text.empty() || text.back() == '\n' ? "" : "\r\n") + consoleText;
        if (!haveLog) text += "(" + Utf8ToCp932("出力ファイルがありません") + ")\r\n";
        if (tool.ExitCode() != 0)
            text += "isql-fb exit " + (tool.ExitCode() < 0 ? "signal " + std::to_string(tool.TermSignal())
                                                          : std::to_string(tool.ExitCode())) + "\r\n";
        ShowError("Ver " + versionText + "のデータベース更新に失敗しました。");
        if (!SystemDef.LogDir.empty()) {
            std::ofstream txt(JoinPath(SystemDef.LogDir, kDataUpErrText), std::ios::binary | std::ios::trunc);
            txt << text;
            std::ofstream hist(JoinPath(SystemDef.LogDir, kDataUpErrLog), std::ios::binary | std::ios::app);
            hist << text;
        }
    }
    Remove(script);
    Remove(log);
    return result;
}

} // namespace kb
