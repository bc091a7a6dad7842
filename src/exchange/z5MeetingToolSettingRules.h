#pragma once
// The decisions and database work of the web-meeting settings dialog, without widgets: reading
// and saving the settings, the enabling rules, CheckInput's messages, which URLs may open.
//
// The type-0 save is one transaction for all five values (ACCREG "ＷＥＢ会議を行う", "ＵＲＬ",
// "通信設定"/"クラウド区分" and ACCDEF1's PASWORD and WEB_HOLDER); AccInf takes the new values only
// after the commit, and a failure saves none of them.

#include "platform/Date.h"

#include <optional>
#include <string>

namespace kb {

class TDM;

struct TMeetingSettings {
    int MeetingUse = 0;
    std::string MeetingUrl;
    int MeetingDateMode = 2;
    DateTime MeetingDate;
};

// The four meeting values (a missing key is stored with the dialog's default: date mode 2) and
// "クラウド区分" into AccInf.CloudKubun.
TMeetingSettings LoadMeetingSettings(TDM& dm);

// Which controls are enabled for the two ticks (type 0).
struct TMeetingEnabling {
    bool Url = false;         // Label1, MemoUrl, btnPaste, cboxMailSousin
    bool Id = false;          // txtConID, txtConPasswd, btnMailAddress, Panel1, Label5..Label10
    bool CloudLocked = false; // the ID and password of a cloud-share data set stay as they are
};
TMeetingEnabling MeetingEnabling(bool meetingUse, bool mailSousin, int cloudLine, int connectMode);

// What CheckInput looks at, read off the form.
struct TMeetingInput {
    int SyoriType = 0;
    bool MeetingUse = false;
    std::string Url;
    bool IdEnabled = false;
    std::string IdText; // as shown, "-" included
    bool ContactHizuke = false;
    DateTime Date;      // null: none given
};
enum class TMeetingControl { None, Url, Id, Date };
struct TMeetingCheck {
    std::string Message;
    TMeetingControl Control = TMeetingControl::None;
};
// nullopt when the input may be saved.
std::optional<TMeetingCheck> CheckMeetingInput(const TMeetingInput& in);

extern const char* const kMeetingIdMessage;

// Type 0: saves the five values in one transaction; false (nothing saved, the error reported
// through ShowIBError) on a database failure.
bool SaveMeetingSettings(TDM& dm, int meetingUse, const std::string& url, int cloudKubun, const std::string& webHolder,
                         const std::string& password);
// Type 1: the date mode and date.
void SaveMeetingDate(TDM& dm, int mode, const DateTime& date);

// The three conditions of the meeting-date question: cloud upload on, meeting on, a URL.
bool MeetingDateAsked(const TMeetingSettings& s);
// ResetMeetingDate's writing: date mode 2 and no date when the question applies; always 1.
int ResetMeetingDate(TDM& dm);

// Only http:// and https:// addresses open in the browser (the value travels with data sets).
bool IsOpenableUrl(const std::string& url);
// The mail-address registration page of the service.
std::string MailAddressUrl(const std::string& host, const std::string& idWithoutDashes);

} // namespace kb
