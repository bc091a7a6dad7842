#include "comm/DataTusinEngine.h"

#include "comm/LhaArchive.h"
#include "comm/WenCipher.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/NetClient.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace kb {

namespace fs = std::filesystem;

namespace {

const char* const kAntivirus = "送信処理に失敗しました。ウイルス対策ソフトを実行中の場合は、終了してから再度送信を行ってください。";

std::string Framed(const std::string& text) { return "　\r\n" + text + "\r\n "; }
std::string FramedCode(const std::string& head, const std::string& code)
{
    return "　\r\n" + head + "(" + code + ")" + "\r" + "\n" + " ";
}

// "yyyymmdd" + "0000", the period form the requests carry.
std::string PeriodParam(const Date& d)
{
    if (d.IsNull()) return "000000000000";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d0000", d.Year(), d.Month(), d.Day());
    return buf;
}

void RemoveQuietly(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
}

// Deletes a leftover; false when one is there and cannot be deleted.
bool ClearLeftover(const fs::path& p)
{
    std::error_code ec;
    if (!fs::exists(p, ec)) return true;
    return fs::remove(p, ec) && !ec;
}

// Esc guard around the archiver, off again on every way out.
class EscGuardScope {
public:
    explicit EscGuardScope(ITusinView& v) : v_(v) { v_.EscGuard(true); }
    ~EscGuardScope() { v_.EscGuard(false); }
    EscGuardScope(const EscGuardScope&) = delete;
    EscGuardScope& operator=(const EscGuardScope&) = delete;

private:
    ITusinView& v_;
};

} // namespace

TDataTusinEngine::TDataTusinEngine(ITusinView& view, ITusinDataSide& data) : view_(view), data_(data) {}

std::string TDataTusinEngine::FolderText(int number)
{
    const std::string s = "0" + std::to_string(number);
    return s.substr(s.size() - 2);
}

int TDataTusinEngine::RemoteFolder() const { return IsCloud() ? AccInf.CloudLine : SelectedRow + 1; }

std::string TDataTusinEngine::Id() const
{
    const bool own = SyoriType == 1 || SyoriType == 2 || IsCloud();
    return Trim(own ? AccInf.WebHolder : AccInf.TusinHolder[1]);
}

std::string TDataTusinEngine::Password() const
{
    const bool own = SyoriType == 1 || SyoriType == 2 || IsCloud();
    return Trim(own ? AccInf.Pasword : AccInf.TusinPasword[1]);
}

std::string TDataTusinEngine::BaseName() const { return fs::path(FileName).stem().string(); }

fs::path TDataTusinEngine::WorkFolder(bool send) const
{
    return fs::path(SystemDef.TempDir) / (send ? "ComS" : "ComR");
}

void TDataTusinEngine::Pause() const
{
    if (PauseSeconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(PauseSeconds));
}

void TDataTusinEngine::Line(int line, const std::string& text, TWaitLineState state)
{
    view_.WaitLine(line, text, state);
    Pause();
}

void TDataTusinEngine::FailMessage(const std::string& text)
{
    view_.WaitClose();
    view_.Error(text);
}

std::vector<TStatusParam> TDataTusinEngine::Params(std::vector<TStatusParam> rest) const
{
    rest.insert(rest.begin(), TStatusParam{"sSno", SystemDef.SerialText});
    return rest;
}

bool TDataTusinEngine::Request(int code, const std::vector<TStatusParam>& params, std::string& raw) const
{
    try {
        raw = net::HttpsGetRaw(AppInfo.StatusServer, AppInfo.StatusServerPort, BuildStatusPath(code, params),
                               {"Host: " + AppInfo.StatusServer, "User-Agent: Lumora", "Connection: Close"},
                               kMaxStatusReplyBytes);
        return true;
    } catch (const net::NetError&) {
        return false;
    }
}

bool TDataTusinEngine::CheckServer()
{
    const bool own = SyoriType == 1 || SyoriType == 2 || SyoriType == 20 || SyoriType == 21 || SyoriType == 22
                     || SyoriType == 25 || SyoriType == 26;
    const bool cloud = IsCloud();
    std::vector<TStatusParam> p;
    int code = 1720;
    if (own) {
        code = cloud ? 1725 : 1720;
        p.push_back({"sFName", Trim(AccInf.WebHolder)});
        if (OemFlag == 1 || OemFlag == 2) p.push_back({"sTRKubn", "10"});
        else if (cloud) p.push_back({"sRendou", (AppKind == 2 || AutoRun == 1) ? "1" : "0"});
    } else {
        p.push_back({"sFName", Trim(AccInf.TusinHolder[1])});
        p.push_back({"sTRKubn", "2"});
    }
    std::string raw;
    if (!Request(code, Params(p), raw)) {
        FailMessage(Framed("サーバーに接続出来ません。"));
        view_.ListButtons(false);
        return false;
    }
    const TCheckReply r = ReadCheckReply(TStatusReply(raw), cloud, SystemDef.Reserve4Bits[10] != 0, ServerInfo, CloudTimes);
    ServerInfo[kInfoSerial] = SystemDef.SerialText;
    switch (r.Result) {
    case TReplyResult::Ok: return true;
    case TReplyResult::ReadFailure:
        FailMessage(Framed("サーバーに接続出来ません。"));
        view_.ListButtons(false);
        return false;
    case TReplyResult::ServerError:
        if (r.Code == "920") FailMessage(Framed("サーバーに接続出来ません、通信IDを確認して下さい。"));
        else FailMessage(FramedCode("サーバーエラー", r.Code));
        return false;
    }
    return false;
}

bool TDataTusinEngine::SetShareStatus(int area, int shareFlag)
{
    std::string raw;
    if (!Request(1730,
                 Params({{"sFName", Trim(AccInf.WebHolder)},
                         {"fSname", FolderText(area)},
                         {"fShare", std::to_string(shareFlag)},
                         {"fOpName", OpTextEnc},
                         {"fPcName", PcTextEnc}}),
                 raw)) {
        FailMessage(Framed("サーバーに接続出来ません。"));
        return false;
    }
    const std::string code = ReadCodeLine5(TStatusReply(raw));
    if (code == "000") return true;
    if (code == "920") FailMessage(Framed("サーバーに接続出来ません、通信IDを確認して下さい。"));
    else FailMessage(FramedCode("サーバーエラー", code));
    return false;
}

bool TDataTusinEngine::NotifyCloudReceive()
{
    std::string raw;
    if (!Request(1833,
                 Params({{"sFName", Trim(AccInf.WebHolder)},
                         {"fSname", FolderText(AccInf.CloudLine)},
                         {"fOpName", OpTextEnc},
                         {"fPcName", PcTextEnc}}),
                 raw)) {
        FailMessage(Framed("サーバーに接続出来ません。(完了処理)"));
        return false;
    }
    const TTimeReply t = ReadTimeReply(TStatusReply(raw), 1833);
    CloudTimes[0] = t.TimeText;
    ServerTime = t.Time;
    if (t.Code != "000") {
        FailMessage(FramedCode("完了処理サーバーエラー", t.Code));
        return false;
    }
    if (t.Time.IsNull()) {
        FailMessage(Framed("受信完了処理エラー"));
        return false;
    }
    if (!data_.SetCloudTime(t.Time)) view_.Error("ローカルデータの最終更新日付更新エラー");
    return true;
}

// Upload with rollback: a replaced remote copy is parked as "<name>bak" and comes back under its
// name whenever the new copy did not arrive whole, also after a dropped link or a refused command.
bool TDataTusinEngine::Upload(const fs::path& local, std::uintmax_t localSize)
{
    const std::string folder = FolderText(RemoteFolder());
    const std::string remote = local.filename().string();
    const std::string bak = remote + "bak";
    std::unique_ptr<net::TFtpClient> ftp;
    try {
        ftp = std::make_unique<net::TFtpClient>(ServerInfo[kInfoFtpHost], net::FtpPort(), Id(), ServerInfo[kInfoFtpPassword]);
        ftp->Connect();
    } catch (const net::NetError&) {
        FailMessage(Framed("サーバーの接続に失敗しました。"));
        return false;
    }
    bool folderThere = false;
    try {
        folderThere = ftp->ChangeDir(folder);
    } catch (const net::NetError&) {
    }
    if (!folderThere) {
        FailMessage(Framed("転送先のディレクトリが存在しません。"));
        return false;
    }
    bool parked = false, storing = false;
    auto rollBack = [&] {
        // Each step on its own: a failed one must not keep the old copy from coming back.
        if (storing) {
            try {
                if (ftp->Size(remote) >= 0) ftp->Delete(remote);
            } catch (const net::NetError&) {
            }
        }
        if (parked) {
            try {
                if (ftp->Size(bak) > 0) ftp->Rename(bak, remote);
            } catch (const net::NetError&) {
            }
        }
    };
    try {
        if (ftp->Size(remote) > 0) {
            ftp->Rename(remote, bak);
            parked = true;
        }
        storing = true;
        ftp->Upload(local, remote);
        Pause();
        const std::int64_t remoteSize = ftp->Size(remote);
        if (remoteSize != static_cast<std::int64_t>(localSize)) {
            rollBack();
            FailMessage(kAntivirus);
            return false;
        }
        if (parked) {
            try {
                if (ftp->Size(bak) > 0) ftp->Delete(bak);
            } catch (const net::NetError&) {
            }
        }
    } catch (const net::NetError&) {
        rollBack();
        FailMessage(Framed("データの送信に失敗しました。"));
        return false;
    }
    return true;
}

bool TDataTusinEngine::SendData()
{
    const bool cloud = IsCloud();
    const int folder = RemoteFolder();
    const std::string base = BaseName();
    const fs::path work = WorkFolder(true);
    const fs::path backup = work / FileName, archive = work / (base + ".lzh"), enciphered = work / (base + ".wen");
    bool markSet = false, endDone = false;
    auto cleanup = [&] {
        RemoveQuietly(backup);
        RemoveQuietly(archive);
        RemoveQuietly(enciphered);
        if (markSet && !endDone) SetShareStatus(folder, 1);
        view_.WaitClose();
        view_.ListButtons(true);
    };
    auto fail = [&](const std::string& text) {
        FailMessage(text);
        cleanup();
        return true;
    };

    if (!cloud
        && !view_.Confirm("　\r\n中継サーバーの No." + FolderText(folder)
                          + " フォルダに、現在利用中のデータを送信します。実行しますか？" + "\r" + "\n" + " "))
        return true;
    const bool handOff = !cloud && CloudKubun == 1;
    if (handOff && HandOff == nullptr) {
        // The analysis-cloud hand-off is not part of this program yet: say so rather than send half.
        view_.Error("クラウド連携（経営分析）の送信は、このプログラムではまだ利用できません。");
        return true;
    }
    const std::string line4 = cloud ? "クラウドへデータ送信" : "中継サーバーへデータ送信";
    view_.WaitOpen(cloud ? WaitCaption : std::string(),
                   {"送信用データ保存　実行中", "送信用データ圧縮", "送信用データ暗号化", line4, "経営Azimo（クラウド）へデータ送信"});
    if (!handOff) view_.WaitLine(5, "", TWaitLineState::Hidden);
    Pause();
    if (handOff && !HandOff->AskMeetingDate()) {
        cleanup();
        return true;
    }

    // 4. cloud: start request, the area carries our mark from here on
    if (cloud) {
        std::string raw;
        if (!Request(1833,
                     Params({{"sFName", Id()}, {"fSname", FolderText(folder)}, {"fOpName", OpTextEnc}, {"fPcName", PcTextEnc}}),
                     raw))
            return fail(Framed("サーバーに接続出来ません。(送信開始処理)"));
        const TTimeReply t = ReadTimeReply(TStatusReply(raw), 1833);
        if (t.Code != "000") return fail(FramedCode("送信開始処理サーバーエラー", t.Code));
        if (t.Time.IsNull()) return fail(Framed("送信開始処理エラー"));
        markSet = true;
        if (!data_.SetCloudTime(t.Time)) view_.Error("ローカルデータの最終更新日付更新エラー");
    }

    // 5.-6. backup
    std::error_code ec;
    fs::create_directories(work, ec);
    if (!fs::is_directory(work)) return fail("送信用フォルダの作成に失敗しました。");
    if (!ClearLeftover(backup)) return fail("旧バックアップファイルが削除出来ません。");
    if (!data_.SaveSendData(backup)) {
        cleanup();
        return true;
    }
    Line(1, "送信用データ保存　終了", TWaitLineState::Done);
    Line(2, "送信用データ圧縮　実行中", TWaitLineState::Running);

    // 7. archive
    {
        EscGuardScope esc(view_);
        if (!ClearLeftover(archive)) return fail("旧圧縮ファイルが削除出来ません。");
        if (!fs::exists(backup)) return fail(Framed("バックアップファイルが見つかりません。"));
        try {
            lha::CreateArchive(archive, backup);
        } catch (const lha::LhaError&) {
            return fail("圧縮エラー");
        } catch (const std::exception&) {
            return fail("圧縮失敗");
        }
        if (fs::exists(archive) && !lha::CheckArchive(archive)) return fail(kAntivirus);
    }

    // 8. cipher
    Line(2, "送信用データ圧縮　終了", TWaitLineState::Done);
    Line(3, "送信用データ暗号化　実行中", TWaitLineState::Running);
    if (!fs::exists(archive)) return fail(Framed("圧縮ファイルが見つかりません。"));
    if (!ClearLeftover(enciphered)) return fail("旧ワークファイルが削除出来ません。");
    if (!wen::EncryptFile(archive, enciphered, wen::PackagePassword(Password())))
        return fail(Framed("暗号失敗"));
    Line(3, "送信用データ暗号化　終了", TWaitLineState::Done);
    Line(4, line4 + "　実行中", TWaitLineState::Running);

    // 9.-12. upload
    if (!fs::exists(enciphered)) return fail(Framed("暗号化ファイルが見つかりません。"));
    const std::uintmax_t localSize = fs::file_size(enciphered, ec);
    if (cloud && !CheckServer()) {
        cleanup();
        return true;
    }
    if (!Upload(enciphered, ec ? 0 : localSize)) {
        cleanup();
        return true;
    }

    // 13. end request
    std::vector<TStatusParam> p = {{"sFName", Id()},
                                   {"fSname", FolderText(folder)},
                                   {"fSg", AccInf.ENTTEXT, TStatusParam::Base64Text},
                                   {"fNe", std::to_string(AccInf.NENDO)},
                                   {"fKis", PeriodParam(AccInf.KISHU)},
                                   {"fKie", PeriodParam(AccInf.KIMATU)},
                                   {"fPa", Password()}};
    char yobi[16];
    if (cloud) std::snprintf(yobi, sizeof yobi, "%2.2d%2.2d", DataVerMajor % 100, DataVerMinor1 % 100);
    else std::snprintf(yobi, sizeof yobi, "%s", "0000"); // the product numbers this program does not set
    VersionText = yobi;
    p.push_back({"fYobi", VersionText});
    if (cloud) {
        p.push_back({"fOpName", OpTextEnc});
        p.push_back({"fPcName", PcTextEnc});
    }
    const int endCode = cloud ? 1823 : 1820;
    std::string raw;
    if (!Request(endCode, Params(p), raw)) return fail(Framed("サーバーに接続出来ません。(完了処理)"));
    const TTimeReply t = ReadTimeReply(TStatusReply(raw), endCode);
    if (t.Code != "000") return fail(FramedCode("サーバーエラー", t.Code));
    endDone = true;
    const int row = folder - 1;
    if (row >= 0 && row < 10) {
        ServerInfo[100 + row] = "-";
        ServerInfo[110 + row] = "-";
    }
    if (cloud) {
        CloudTimes[0] = t.TimeText;
        ServerTime = t.Time;
        if (!data_.SetCloudTime(t.Time)) view_.Error("ローカルデータの送信時間更新エラー");
    } else if (row >= 0 && row < 10) {
        ServerInfo[80 + row] = t.TimeText;
        ServerInfo[20 + row] = AccInf.ENTTEXT;
        ServerInfo[30 + row] = std::to_string(AccInf.NENDO);
        ServerInfo[120 + row] = Password();
        ServerInfo[130 + row] = VersionText;
    }
    Line(4, line4 + "　終了", TWaitLineState::Done);
    if (handOff && !HandOff->Upload()) {
        cleanup();
        return true;
    }
    cleanup();
    if (!cloud) {
        if (handOff) HandOff->ResetMeetingDate();
        view_.Information(Framed("データ送信処理が終了しました。"));
    }
    return false;
}

bool TDataTusinEngine::ReceiveData()
{
    const bool cloud = IsCloud();
    const int folder = RemoteFolder();
    const int row = folder - 1;
    if (row < 0 || row > 9) {
        view_.Error(Framed("選択したフォルダには、データは存在しません。"));
        return true;
    }
    if (cloud) {
        if (ServerInfo[120 + row] != Password()) {
            view_.Warning(Framed("クラウドデータと現在利用中のデータではパスワードが一致しません。"));
            return true;
        }
    } else {
        if (Trim(ServerInfo[20 + row]).empty()) {
            view_.Information(Framed("選択したフォルダには、データは存在しません。"));
            return true;
        }
        if (ServerInfo[120 + row] != Password()) {
            view_.Warning(Framed("選択したデータと現在利用中のデータではパスワードが一致しません。"));
            return true;
        }
        if (!view_.Confirm(Framed("受信処理を開始します。現在利用中のデータが中継サーバーのデータで上書きされます。実行しますか？")))
            return true;
    }
    bool gassanRead = false;
    if (ConnectMode == 0 && AppKind != 3) gassanRead = data_.ReadGassanSettings(GassanKubun, GassanCount);

    const std::string base = BaseName();
    const fs::path work = WorkFolder(false);
    const fs::path backup = work / FileName, archive = work / (base + ".lzh"), enciphered = work / (base + ".wen");
    const std::string line1 = cloud ? "クラウドからデータ受信" : "中継サーバーからデータ受信";
    bool markSet = false, done = false;
    auto cleanup = [&] {
        RemoveQuietly(backup);
        RemoveQuietly(archive);
        RemoveQuietly(enciphered);
        if (cloud && markSet && !done && AppKind != 2) SetShareStatus(folder, 1);
        view_.WaitClose();
        view_.ListButtons(true);
    };
    auto fail = [&](const std::string& text) {
        FailMessage(text);
        cleanup();
        return true;
    };
    auto quiet = [&] {
        cleanup();
        return true;
    };
    if (!cloud) view_.ListButtons(false);
    view_.WaitOpen(std::string(), {line1 + "　実行中", "受信データ暗号解読", "受信データ圧縮解凍", "受信データ復元・照合"});
    Pause();

    std::error_code ec;
    fs::create_directories(work, ec);
    if (!fs::is_directory(work)) return fail(Framed("受信用フォルダの作成に失敗しました。"));

    if (cloud && AppKind != 2) {
        std::string raw;
        if (!Request(1833,
                     Params({{"sFName", Id()}, {"fSname", FolderText(folder)}, {"fOpName", OpTextEnc}, {"fPcName", PcTextEnc}}),
                     raw))
            return fail(Framed("サーバーに接続出来ません。(受信開始処理)"));
        const TStatusReply reply(raw);
        // A start reply whose time line is cut short is a failed start, said as such.
        if (reply.LineLength(5) <= 10) return fail(Framed("受信開始処理エラー"));
        const TTimeReply t = ReadTimeReply(reply, 1833);
        CloudTimes[0] = t.TimeText;
        ServerTime = t.Time;
        if (t.Code != "000") return fail(FramedCode("受信開始処理サーバーエラー", t.Code));
        markSet = true;
    }

    // 6. download
    if (!ClearLeftover(enciphered)) return fail("旧ワークファイルが削除出来ません。");
    try {
        net::TFtpClient ftp(ServerInfo[kInfoFtpHost], net::FtpPort(), Id(), ServerInfo[kInfoFtpPassword]);
        try {
            ftp.Connect();
        } catch (const net::NetError&) {
            return fail(Framed("サーバーの接続に失敗しました。"));
        }
        if (!ftp.ChangeDir(FolderText(folder)) || ftp.Size(enciphered.filename().string()) < 1) {
            view_.WaitClose();
            view_.Warning(Framed("ダウンロードファイルが見つかりません。"));
            return quiet();
        }
        ftp.Download(enciphered.filename().string(), enciphered);
    } catch (const net::NetError& e) {
        RemoveQuietly(enciphered);
        return fail("受信処理中にエラーになりました。\r\nNetError error , with message : " + std::string(e.what()));
    }

    // 7. decipher
    Line(1, line1 + "　終了", TWaitLineState::Done);
    Line(2, "受信データ暗号解読　実行中", TWaitLineState::Running);
    if (!fs::exists(enciphered)) return fail(Framed("受信ファイルが見つかりません。"));
    if (!ClearLeftover(archive)) return fail("旧圧縮ファイルが削除出来ません。");
    if (wen::DecryptFile(enciphered, archive, wen::PackagePassword(Password())) != wen::DecryptResult::Ok)
        return fail(Framed("暗号解読失敗"));

    // 8. extract
    Line(2, "受信データ暗号解読　終了", TWaitLineState::Done);
    Line(3, "受信データ圧縮解凍　実行中", TWaitLineState::Running);
    {
        EscGuardScope esc(view_);
        if (!fs::exists(archive)) return fail(Framed("解読ファイルが見つかりません。"));
        if (!ClearLeftover(backup)) return fail("旧復元ファイルが削除出来ません。");
        if (!lha::ExtractArchive(archive, work)) return fail(Framed("解凍失敗"));
    }

    // 9.-10. restore
    Line(3, "受信データ圧縮解凍　終了", TWaitLineState::Done);
    Line(4, "受信データ復元・照合　実行中", TWaitLineState::Running);
    if (!fs::exists(backup)) {
        return fail(AppKind == 3 ? std::string("解凍ファイルが見つかりません。\r\nプログラムの更新を実行して下さい。\r\n ")
                                 : Framed("解凍ファイルが見つかりません。"));
    }
    if (!data_.RestoreReceivedData(backup)) return quiet();
    Completed = 1;
    Line(4, "受信データ復元　終了", TWaitLineState::Done);

    // 11. consolidation settings of the received data
    if (ConnectMode == 1 || ConnectMode == 2) {
        data_.WriteGassanSettings("0", "0");
    } else if (gassanRead && AppKind != 3) {
        if (GassanKubun == "1" || GassanKubun == "2" || GassanKubun == "10") {
            data_.WriteGassanSettings(GassanKubun, GassanCount);
        } else if (GassanKubun == "0") {
            std::string k, c;
            if (data_.ReadGassanSettings(k, c) && k == "10") data_.WriteGassanSettings("0", "0");
        }
    }

    // 13. end request
    if (!cloud) {
        std::string raw;
        if (!Request(1830, Params({{"sFName", Id()}, {"fSname", FolderText(folder)}}), raw))
            return fail(Framed("サーバーに接続出来ません。(完了処理)"));
        const TTimeReply t = ReadTimeReply(TStatusReply(raw), 1830);
        if (t.Code != "000") return fail(FramedCode("完了処理サーバーエラー", t.Code));
        ServerInfo[100 + row] = t.TimeText;
        ServerInfo[110 + row] = t.TimeText.empty() ? std::string("-") : t.TimeText;
    } else if (SyoriType == 21 && AppKind != 2) {
        if (!data_.SetCloudTime(ServerTime)) view_.Error("ローカルデータの最終更新日付更新エラー");
    }
    done = true;
    cleanup();
    if (!cloud) view_.Information(Framed("データ受信処理が終了しました。"));
    return false;
}

} // namespace kb
