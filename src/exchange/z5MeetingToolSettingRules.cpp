#include "exchange/z5MeetingToolSettingRules.h"

#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "exchange/FtpWebDbSqlDump.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "platform/Text.h"

namespace kb {

namespace {
const char* const kGroup = "ＷＥＢ会議設定";
}

const char* const kMeetingIdMessage = "通信ＩＤを設定する場合はスペース無しの英数12桁で入力してください。(-を含めると14桁)";

TMeetingSettings LoadMeetingSettings(TDM& dm)
{
    TMeetingSettings s;
    s.MeetingUse = RegAsInteger(GetAccReg(dm, kGroup, "ＷＥＢ会議を行う", kRegInteger, "0"));
    s.MeetingUrl = TrimZen(RegAsString(GetAccReg(dm, kGroup, "ＵＲＬ", kRegText, "")));
    s.MeetingDateMode = RegAsInteger(GetAccReg(dm, kGroup, "開催日時を指定", kRegInteger, "2"));
    s.MeetingDate = RegAsDateTime(GetAccReg(dm, kGroup, "開催日時", kRegDateTime, "0.0"));
    AccInf.CloudKubun = RegAsInteger(GetAccReg(dm, "通信設定", "クラウド区分", kRegInteger, "0"));
    return s;
}

TMeetingEnabling MeetingEnabling(bool meetingUse, bool mailSousin, int cloudLine, int connectMode)
{
    TMeetingEnabling e;
    e.Url = meetingUse;
    e.Id = meetingUse && mailSousin;
    e.CloudLocked = connectMode != 2 && cloudLine != 0;
    return e;
}

std::optional<TMeetingCheck> CheckMeetingInput(const TMeetingInput& in)
{
    if (in.SyoriType == 0) {
        const std::string url = TrimZen(in.Url);
        if (in.MeetingUse && url.empty()) return TMeetingCheck{"Web会議のURLが入力されていません。", TMeetingControl::Url};
        if (in.MeetingUse && url.rfind("https://", 0) != 0 && url.rfind("http://", 0) != 0)
            return TMeetingCheck{"Web会議のURLが \"https://\" 又は \"http://\" で始まっていません。", TMeetingControl::Url};
        if (in.IdEnabled && DelAllSpace(in.IdText).size() != 14) return TMeetingCheck{kMeetingIdMessage, TMeetingControl::Id};
    }
    if (in.SyoriType == 1 && in.ContactHizuke && in.Date.IsNull())
        return TMeetingCheck{"会議の開始日時が入力されていません。", TMeetingControl::Date};
    return std::nullopt;
}

bool SaveMeetingSettings(TDM& dm, int meetingUse, const std::string& url, int cloudKubun, const std::string& webHolder,
                         const std::string& password)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDAT);
        PutAccReg(dm, kGroup, "ＷＥＢ会議を行う", kRegInteger, std::int32_t{meetingUse});
        PutAccReg(dm, kGroup, "ＵＲＬ", kRegText, url);
        PutAccReg(dm, "通信設定", "クラウド区分", kRegInteger, std::int32_t{cloudKubun});
        fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
        q.SetSQL("UPDATE ACCDEF1 SET PASWORD=:PASWORD,WEB_HOLDER=:WEB_HOLDER\nWHERE REC=:REC");
        q.ParamByName("PASWORD").SetString(password);
        q.ParamByName("WEB_HOLDER").SetString(webHolder);
        q.ParamByName("REC").SetInteger(1);
        q.ExecQuery();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TMeetingToolSettingBox.btnOKClick", "設定情報の更新に失敗しました。");
        return false;
    } catch (const std::exception& e) {
        ShowErrorDetail("設定情報の更新に失敗しました。", e.what());
        return false;
    }
    AccInf.CloudKubun = cloudKubun;
    AccInf.WebHolder = webHolder;
    AccInf.Pasword = password;
    return true;
}

void SaveMeetingDate(TDM& dm, int mode, const DateTime& date)
{
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    PutAccReg(dm, kGroup, "開催日時を指定", kRegInteger, std::int32_t{mode});
    PutAccReg(dm, kGroup, "開催日時", kRegDateTime, date);
    guard.Commit();
}

bool MeetingDateAsked(const TMeetingSettings& s)
{
    return AccInf.CloudKubun == 1 && s.MeetingUse == 1 && !s.MeetingUrl.empty();
}

int ResetMeetingDate(TDM& dm)
{
    if (MeetingDateAsked(LoadMeetingSettings(dm))) SaveMeetingDate(dm, 2, DateTime());
    return 1;
}

bool IsOpenableUrl(const std::string& url)
{
    const std::string lower = AsciiLower(url);
    return lower.rfind("https://", 0) == 0 || lower.rfind("http://", 0) == 0;
}

std::string MailAddressUrl(const std::string& host, const std::string& idWithoutDashes)
{
    return "https://" + host + "/SzMailAccountEdit?fname=" + TFtpWebDbSqlDump::EncodeQueryValue(idWithoutDashes, true);
}

} // namespace kb
