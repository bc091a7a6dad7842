#include "core/ErrorReporter.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/Date.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

namespace kb {
namespace {

IErrorUi* g_ui = nullptr;
bool g_terminate = false;

const char* const kEndText =
    "\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回かメッセージが表示される場合があります）"
    "\rアプリケーションが終了しましたら再起動して下さい。\r";
const char* const kNetworkText =
    "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が切断されました。";
const char* const kSharedNote = "\r※注意 共有サーバーのデータ利用時は自動保管されません。\r";

void Show(const std::string& text, TMsgDlgType type)
{
    if (g_ui) g_ui->ShowMessageBox(text, type);
    else std::cerr << text << "\n";
}

void Terminate()
{
    g_terminate = true;
    if (g_ui) g_ui->RequestTerminate();
}

std::string DataDatabaseName()
{
    return DM ? DM->IBDatabaseDAT.DatabaseName() : std::string();
}

// Writes CP932 lines, each ended by CR LF. Throws std::runtime_error when the file cannot be written.
void WriteLines(const std::filesystem::path& file, const std::vector<std::string>& lines, bool append)
{
    std::ofstream out(file, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out) throw std::runtime_error("cannot open " + file.string());
    for (const auto& l : lines) out << Utf8ToCp932(l) << "\r\n";
    out.flush();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

} // namespace

void SetErrorUi(IErrorUi* ui) { g_ui = ui; }
IErrorUi* GetErrorUi() { return g_ui; }
bool TerminateRequested() { return g_terminate; }

void ResetErrorReporter()
{
    g_ui = nullptr;
    g_terminate = false;
}

void ShowErrorDetail(const std::string& text, const std::string& detail, TMsgDlgType type)
{
    if (text.empty() && detail.empty()) return;
    std::string shown = text;
    if (!detail.empty()) shown += "\r\r[詳細情報]\r" + detail;
    Show(shown, type);
}

std::string IBErrorLogPath() { return (std::filesystem::path(SystemDef.LogDir) / "ErrFbAccess.log").string(); }

void LogIBError(const FbError& e, const std::string& context, const std::string& databaseName)
{
    try {
        const std::int32_t code = e.IBErrorCode();
        const std::string description = GetIscErrorText(code, e.SQLCode());
        // Before the log-on names the computer, the platform's name stands in (never an empty field).
        const std::string pc = SystemDef.PCName.empty() ? ShellFolders::ComputerName() : SystemDef.PCName;
        const std::string line1 = DateTime::Now().ToString() + "," + pc + "," + std::to_string(SystemDef.OpCode) +
                                  ",Serial=" + SystemDef.SerialText + ",AppVer=" + SystemDef.AppVersion + ",DBName=" +
                                  SystemDef.HostName + ":" + databaseName + ",DataVer=" + DataVersionText;
        const std::string line2 = "Error=" + context + " [" + std::to_string(code) + "] (" + std::to_string(e.SQLCode()) + ") " +
                                  description + "," + e.Message();
        const std::filesystem::path dir = SystemDef.LogDir;
        WriteLines(dir / "ErrFbAccess.log", {line1, line2}, true);
        WriteLines(dir / "ErrFbAccess.txt", {line1, line2}, false);
    } catch (const std::exception& logError) {
        // A log that cannot be written must not hide the database error from the user: the
        // failure is noted on stderr and the report goes on.
        std::cerr << "LogIBError: " << logError.what() << "\n";
    }
}

void LogJobError(const std::string& context, const std::string& code, const std::string& message,
                 const std::string& detail)
{
    try {
        auto oneLine = [](std::string t) {
            for (const char* brk : {"\r\n", "\r", "\n"})
                for (std::size_t p; (p = t.find(brk)) != std::string::npos;) t.replace(p, std::strlen(brk), " / ");
            return t;
        };
        const std::string pc = SystemDef.PCName.empty() ? ShellFolders::ComputerName() : SystemDef.PCName;
        const std::string line1 = DateTime::Now().ToString() + "," + pc + "," + std::to_string(SystemDef.OpCode);
        const std::string line2 = "Error=" + context + " [" + code + "] " + oneLine(message) + "," + oneLine(detail);
        WriteLines(std::filesystem::path(SystemDef.LogDir) / "ErrDbJob.log", {line1, line2}, true);
    } catch (const std::exception& logError) {
        std::cerr << "LogJobError: " << logError.what() << "\n";
    }
}

void ShowIBError(const FbError& e, const std::string& context, const std::string& message)
{
    if (IBErrorShown) return;
    try {
        const std::int32_t code = e.IBErrorCode();
        const std::string description = GetIscErrorText(code, e.SQLCode());
        LogIBError(e, context, DataDatabaseName());

        std::string text = message;
        bool fatal = false;
        if (code == kIscNetworkError) {
            IBErrorShown = true;
            fatal = true;
            text = std::string(kNetworkText) + kEndText;
        } else if (code == kIscBugCheck) {
            IBErrorShown = true;
            fatal = true;
            text = description + kEndText;
        }
        if (!text.empty()) {
            if (fatal) {
                if (ConnectMode == 0) text += kSharedNote;
                Show(text, TMsgDlgType::mtError);
            } else {
                ShowErrorDetail(text, "IBXエラーコード:" + std::to_string(code) + "\r" + e.Message() + "\r" + description);
            }
        }
        if (fatal) Terminate();
    } catch (const std::exception& other) {
        std::cerr << "ShowIBError: " << other.what() << "\n";
    }
}

void WriteFbErrorText(const FbError& e, const std::string& message)
{
    try {
        const std::string description = GetIscErrorText(e.IBErrorCode(), e.SQLCode());
        const std::string text = message + "\r\n" + "ErrCode<" + std::to_string(e.IBErrorCode()) + ">  SQLCODE<" +
                                 std::to_string(e.SQLCode()) + ">" + "\r\n" + e.Message() + "\r\r\n" + description + "\r\n";
        Show(text, TMsgDlgType::mtError);

        // Split at every CR, LF or CR LF (so the server text is followed by one empty line).
        std::vector<std::string> lines = SplitLines(text);
        lines.push_back("PG_VERSION[" + SystemDef.AppVersion + "]");
        lines.push_back("DB_VERSION[" + DataVersionText + "]");
        lines.push_back("Serial[" + SystemDef.SerialText + "]");
        lines.push_back("Server[" + SystemDef.HostName + "]");
        lines.push_back("DatabaseName[" + DataDatabaseName() + "]");
        lines.push_back(DateTime::Now().ToString());
        lines.push_back(SystemDef.PCName);
        lines.push_back(std::to_string(SystemDef.OpCode));
        try {
            const std::filesystem::path dir = SystemDef.LogDir;
            WriteLines(dir / "FB_ERROR.TXT", lines, false);
            WriteLines(dir / "FB_ERROR.LOG", lines, true);
        } catch (const std::exception& logError) {
            std::cerr << "WriteFbErrorText: " << logError.what() << "\n";
        }
    } catch (const std::exception& other) {
        std::cerr << "WriteFbErrorText: " << other.what() << "\n";
    }
}

} // namespace kb
