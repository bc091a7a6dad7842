#include "comm/CloudShare.h"

#include "comm/DataTusinDb.h"
#include "comm/TusinDataSide.h"
#include "comm/xPzConv.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <charconv>
#include <stdexcept>

namespace kb {

namespace {

const char* const kWaitLine = "クラウドシェア認証チェック";

std::string TrimRightBlanks(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The data set of the call stays connected only while the call runs; the wait form closes too.
class CallScope {
public:
    CallScope(TTusinDataSide& data, ITusinView& view) : data_(data), view_(view) {}
    ~CallScope()
    {
        view_.WaitClose();
        data_.DisconnectData();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    TTusinDataSide& data_;
    ITusinView& view_;
};

std::string ExceptionText(const char* head, const std::exception& e)
{
    return std::string(head) + "\r\n" + "std::exception error , with message : " + e.what();
}

} // namespace

TCloudCopyDecision DecideCloudCopy(const TCloudCopyFacts& f)
{
    TCloudCopyDecision d;
    bool valid = f.SendTime.size() >= 10 && f.SendTime.compare(0, 4, "0000") != 0;
    if (valid) {
        const auto t = DateTime::Parse(f.SendTime);
        valid = t.has_value();
        if (t) d.ServerTime = *t;
    }
    bool current = valid && !f.LocalTime.IsNull() && d.ServerTime == f.LocalTime;
    // On a server the same data set may be held from another computer or by another operator.
    if (current && f.Mode != 0)
        current = (f.HolderPc.empty() || f.HolderPc == f.OwnPc) && (f.HolderOp.empty() || f.HolderOp == f.OwnOp);
    const bool inUse = f.Status == "2";
    if (current) d.Action = f.AppKind == 2 ? (inUse ? TCloudCopyAction::Nothing : TCloudCopyAction::Receive)
                                           : TCloudCopyAction::Notify;
    else if (f.AppKind == 2) d.Action = TCloudCopyAction::Receive;
    else d.Action = inUse && !f.Check ? TCloudCopyAction::InUse : TCloudCopyAction::Receive;
    return d;
}

void SplitHolderText(const std::string& text, std::string& code, std::string& name)
{
    // The code is the first four characters (single-byte digits and blanks when well formed).
    const std::string head = Trim(text.substr(0, std::min<std::size_t>(4, text.size())));
    int v = 0;
    const auto [end, ec] = std::from_chars(head.data(), head.data() + head.size(), v);
    code = !head.empty() && ec == std::errc() && end == head.data() + head.size() ? std::to_string(v) : std::string();
    name = text.size() > 4 ? text.substr(4) : std::string();
}

bool TCloudShareOps::GetOperatorAndPcName()
{
    try {
        engine_.OpText = FixRight(std::to_string(SystemDef.OpCode), 4) + SystemDef.OpName;
        engine_.PcText = TrimRightBlanks(FixLeft(ShellFolders::ComputerName(), 15));
        // The request form: the engine's request writer escapes the Base64 text.
        engine_.OpTextEnc = TxPzConv::EncodeBase64(Utf8ToCp932(engine_.OpText));
        engine_.PcTextEnc = TxPzConv::EncodeBase64(Utf8ToCp932(engine_.PcText));
        return true;
    } catch (const std::exception& e) {
        view_.Error(ExceptionText("コンピュータ名取得エラー", e));
        return false;
    }
}

bool TCloudShareOps::CheckTusinSettings()
{
    if (Trim(AccInf.WebHolder).empty()) {
        view_.Warning("　\r\n通信IDが設定されてません。クラウドシェア設定で設定して下さい。\r\n ");
        return false;
    }
    if (Trim(AccInf.Pasword).empty()) {
        view_.Warning("　\r\nパスワードが設定されてません。クラウドシェア設定で設定して下さい。\r\n ");
        return false;
    }
    return true;
}

bool TCloudShareOps::Begin(int type, const std::string& folder, int automatic)
{
    data_.Engine = &engine_;
    engine_.SyoriType = type;
    GetOperatorAndPcName();
    if (folder.empty()) return false;
    engine_.DataFolder = folder;
    engine_.FileName = "xqacc.fbk";
    engine_.AutoRun = automatic == 1 ? 1 : 0;
    return true;
}

void TCloudShareOps::InUseMessage(int row)
{
    const std::string holder = engine_.ServerInfo[150 + row];
    if (holder.empty()) {
        view_.Information("現在使用中のため選択できません。 ");
        return;
    }
    std::string code, name;
    SplitHolderText(holder, code, name);
    view_.Information("現在使用中のため選択できません。\r\nオペレータコード: [ " + code + " ]" + "\r" + "\n" + "オペレータ名:     [ "
                      + name + " ]" + "\r" + "\n" + "コンピュータ名:   [ " + engine_.ServerInfo[160 + row] + " ]");
}

int TCloudShareOps::CloudShareReceive(const std::string& folder, int automatic, int check)
{
    if (!Begin(21, folder, automatic)) return 1;
    CallScope scope(data_, view_);
    try {
        view_.WaitOpen("", {std::string(kWaitLine) + "　実行中"});
        if (!data_.ConnectData()) return 1;
        if (automatic != 1 && !CheckTusinSettings()) return 1;
        if (!engine_.CheckServer()) return 1;
        const int area = AccInf.CloudLine;
        if (area < 1 || area > 10) {
            view_.WaitClose();
            view_.Information("クラウド領域を選択していません。");
            return 1;
        }
        const int row = area - 1;
        if (Trim(engine_.ServerInfo[20 + row]).empty()) {
            view_.WaitClose();
            view_.Information("設定された領域にはデータがありません。 ");
            return 1;
        }
        view_.WaitLine(1, std::string(kWaitLine) + "　終了", TWaitLineState::Done);
        TCloudCopyFacts f;
        f.SendTime = engine_.CloudTimes[area];
        f.LocalTime = AccInf.CloudTime;
        f.Status = engine_.ServerInfo[140 + row];
        f.HolderOp = engine_.ServerInfo[150 + row];
        f.HolderPc = engine_.ServerInfo[160 + row];
        f.OwnOp = engine_.OpText;
        f.OwnPc = engine_.PcText;
        f.Mode = ConnectMode;
        f.AppKind = AppKind;
        f.Check = check == 1;
        const TCloudCopyDecision d = DecideCloudCopy(f);
        if (!d.ServerTime.IsNull()) engine_.ServerTime = d.ServerTime;
        const int done = check == 1 && f.Status == "2" ? 5 : 0;
        switch (d.Action) {
        case TCloudCopyAction::Nothing: return 0;
        case TCloudCopyAction::Notify: return engine_.NotifyCloudReceive() ? done : 1;
        case TCloudCopyAction::InUse:
            view_.WaitClose();
            InUseMessage(row);
            return 1;
        case TCloudCopyAction::Receive: break;
        }
        view_.WaitClose();
        return engine_.ReceiveData() ? 1 : done;
    } catch (const std::exception& e) {
        // Whatever happened, the copy was not fetched: the caller must not read the data set.
        view_.WaitClose();
        view_.Error(ExceptionText("クラウドシェアデータ受信処理中にエラーになりました。", e));
        return 1;
    }
}

int TCloudShareOps::CloudShareReceiveToFolder(const std::string& folder, int automatic)
{
    if (!Begin(22, folder, automatic)) return 1;
    CallScope scope(data_, view_);
    try {
        view_.WaitOpen("", {std::string(kWaitLine) + "　実行中"});
        engine_.ReceiveFolder = SystemDef.WorkDir + "/receive";
        if (!data_.ConnectData()) return 1;
        if (automatic != 1 && !CheckTusinSettings()) return 1;
        if (!engine_.CheckServer()) return 1;
        view_.WaitLine(1, std::string(kWaitLine) + "　終了", TWaitLineState::Done);
        const int row = AccInf.CloudLine - 1;
        if (row >= 0 && row < 10 && engine_.ServerInfo[140 + row] == "2") {
            view_.WaitClose();
            InUseMessage(row);
            return 1;
        }
        view_.WaitClose();
        return engine_.ReceiveData() ? 1 : 0;
    } catch (const std::exception& e) {
        view_.WaitClose();
        view_.Error(ExceptionText("クラウドシェアデータ受信処理中にエラーになりました。", e));
        return 1;
    }
}

int TCloudShareOps::CloudShareSend(const std::string& folder, const std::string& caption, int automatic)
{
    if (!Begin(20, folder, automatic)) return 1;
    engine_.WaitCaption = caption;
    CallScope scope(data_, view_);
    try {
        if (!data_.ConnectData()) return 1;
        if (!TDataTusinDb(folder).GetDataVersion(1, engine_.DataVerMajor, engine_.DataVerMinor1, engine_.DataVerMinor2)) {
            view_.Warning("データバージョンが取得できません。");
            return 1;
        }
        if (AccInf.CloudLine <= 0) {
            view_.Warning("クラウドシェア領域が選択されていません。");
            return 1;
        }
        if (automatic != 1 && !CheckTusinSettings()) return 1;
        if (!engine_.CheckServer()) return 1;
        return engine_.SendData() ? 1 : 0;
    } catch (const std::exception& e) {
        view_.WaitClose();
        view_.Error(ExceptionText("クラウドシェアデータ送信処理中にエラーになりました。", e));
        return 1;
    }
}

int TCloudShareOps::ReleaseCloudShare(const std::string& folder)
{
    if (!Begin(23, folder, 0)) return 1;
    if (AccInf.CloudLine <= 0) {
        view_.Warning("クラウドシェア領域が設定されていません。");
        return 1;
    }
    // A read-only context never marks nor frees an area.
    if (AppKind == 2) return 1;
    return engine_.SetShareStatus(AccInf.CloudLine, 1) ? 0 : 1;
}

} // namespace kb
