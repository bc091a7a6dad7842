#pragma once
// The one reporter of database errors and the error box with a detail section.
//
// ShowIBError logs a failed database call (two lines appended to ErrFbAccess.log, the same two
// lines replacing ErrFbAccess.txt, both in SystemDef.LogDir), explains its status code in
// Japanese (GetIscErrorText) and shows the caller's message, or, for a lost connection and an
// internal consistency check, a fatal message after which the application is asked to end.
// Nothing is shown directly: the box and the end request go through IErrorUi, which the user
// interface installs and tests replace to see what would be shown.
//
// Texts use "\r" as the line break, as the system's messages do; the box turns it into lines.

#include "core/ScopedInstall.h"
#include "fb/FbError.h"

#include <cstdint>
#include <string>

namespace kb {

enum class TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };

class IErrorUi {
public:
    virtual ~IErrorUi() = default;
    // A modal box with one OK button.
    virtual void ShowMessageBox(const std::string& text, TMsgDlgType type) = 0;
    // Asks the application to end once control returns to its event loop.
    virtual void RequestTerminate() = 0;
};

// Installs the user interface of the reporter (nullptr: messages go to stderr and the end
// request only sets a flag, see TerminateRequested).
void SetErrorUi(IErrorUi* ui);
IErrorUi* GetErrorUi();
using TScopedErrorUi = TScopedInstall<IErrorUi*, &SetErrorUi, &GetErrorUi>;
// True once a report asked the application to end (kept for callers without an event loop).
bool TerminateRequested();
void ResetErrorReporter(); // for tests: no UI, no pending end request

// Reports a database error. context names the failing routine ("TDM.fnAccDefConnected");
// message is the caller's text for the user (empty: log only). Never throws.
void ShowIBError(const FbError& e, const std::string& context, const std::string& message);
// The log half of ShowIBError alone: the two lines in ErrFbAccess.log and ErrFbAccess.txt, naming
// databaseName as the database. For failures the caller explains itself (the log-on's connection).
// Never throws.
void LogIBError(const FbError& e, const std::string& context, const std::string& databaseName);
// A failed database job (backup, restore, rebuild) in ErrDbJob.log of SystemDef.LogDir: a line
// naming the time, computer and operator, then context, result code, message and detail (line
// breaks as " / "). Never throws.
void LogJobError(const std::string& context, const std::string& code, const std::string& message,
                 const std::string& detail);
// The file LogIBError appends to.
std::string IBErrorLogPath();
// Error box: text, then "\r\r[詳細情報]\r" and the detail when there is one; nothing when both
// are empty.
void ShowErrorDetail(const std::string& text, const std::string& detail, TMsgDlgType type = TMsgDlgType::mtError);
// The trial-balance readers' variant: shows the error and writes FB_ERROR.TXT / FB_ERROR.LOG
// (kept in SystemDef.LogDir: the program folder is not writable). Never throws.
void WriteFbErrorText(const FbError& e, const std::string& message);
// Japanese description of a Firebird status code; a single blank when there is none.
std::string GetIscErrorText(std::int32_t statusCode, std::int32_t sqlCode);
std::size_t IscErrorTextCount();

// Status codes after which the application cannot go on.
inline constexpr std::int32_t kIscNetworkError = 335544721;
inline constexpr std::int32_t kIscBugCheck = 335544333;

} // namespace kb
