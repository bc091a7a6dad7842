#include "exchange/FtpWebDbSqlDump.h"

#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "exchange/ZipArchive.h"
#include "platform/NetClient.h"
#include "platform/TempFiles.h"
#include "platform/Text.h"

#include <cstdio>
#include <map>
#include <system_error>

namespace kb {

namespace {

// Removes the run's private folder (script and archive) whatever happened.
struct WorkFolder {
    std::filesystem::path path;
    ~WorkFolder()
    {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

bool IsTusinId(const std::string& id)
{
    if (id.size() != 12) return false;
    for (const unsigned char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

std::uintmax_t FileSize(const std::filesystem::path& p)
{
    std::error_code ec;
    const auto n = std::filesystem::file_size(p, ec);
    return ec ? 0 : n;
}

} // namespace

TFtpWebDbSqlDump::TFtpWebDbSqlDump(TDM& dm) : ServerHost(AppInfo.WebAzimobanServer), Dump(std::make_unique<TWebDbSqlDump>(dm)), dm_(dm)
{
}

TFtpWebDbSqlDump::~TFtpWebDbSqlDump() = default;

std::string TFtpWebDbSqlDump::GetStatusMessage(const std::string& status)
{
    static const std::map<std::string, std::string> messages = {
        {"000", "正常終了"},
        {"001", "「szaimu」データ無し"},
        {"002", "「szaimu」データより、認証不許可"},
        {"003", "「FtpUsers」データ無し"},
        {"801", "通信IDなし"},
        {"802", "データリスト番号不正"},
        {"811", "SQLDumpファイル作成失敗"},
        {"812", "SQLDumpファイル作成失敗(結果0バイト)"},
        {"813", "SQLDumpファイルZip圧縮失敗"},
        {"814", "SQLDumpファイルZip圧縮失敗(結果0バイト)"},
        {"821", "FTP コネクト失敗"},
        {"822", "FTP ログアウト失敗"},
        {"823", "FTP ディレクトリ移動失敗"},
        {"824", "FTP アップロード失敗"},
        {"825", "FTP ダウンロード失敗"},
        {"831", "HTTP GET失敗"},
        {"900", "ユーザーエージェント不正"},
        {"901", "制御モード不明"},
        {"902", "通信ID不明"},
        {"903", "該当制御コード無し"},
        {"911", "データ管理番号不正"},
        {"912", "データバージョン不正"},
        {"913", "データバージョン内容不正"},
        {"921", "Zipオープン失敗"},
        {"922", "Zip解凍パスワード失敗"},
        {"923", "Zip展開失敗"},
        {"924", "SQLDumpファイル不明"},
        {"999", "サーバープログラム例外エラー"},
    };
    const auto it = messages.find(status);
    return it == messages.end() ? "原因不明のエラー発生" : it->second;
}

std::string TFtpWebDbSqlDump::ReportVersionOf(int major, int minor1, int minor2)
{
    if (!IsVersion802On(major, minor1, minor2)) return "8.0.0";
    return std::to_string(major) + "." + std::to_string(minor1) + ".0";
}

std::vector<std::string> TFtpWebDbSqlDump::ParseHeaders(const std::string& rawReply)
{
    std::vector<std::string> out;
    const auto end = rawReply.find("\r\n\r\n");
    const auto lines = SplitLines(std::string_view(rawReply).substr(0, end));
    for (std::size_t i = 1; i < lines.size(); ++i) { // the first line is the status line
        const auto colon = lines[i].find(':');
        if (colon == std::string::npos) continue;
        out.push_back(TrimBlanks(lines[i].substr(0, colon)) + "=" + TrimBlanks(lines[i].substr(colon + 1)));
    }
    return out;
}

std::string TFtpWebDbSqlDump::HeaderValue(const std::vector<std::string>& headers, const std::string& name)
{
    const std::string wanted = AsciiUpper(name);
    for (const auto& h : headers) {
        const auto eq = h.find('=');
        if (AsciiUpper(h.substr(0, eq)) == wanted) return TrimBlanks(h.substr(eq + 1));
    }
    return {};
}

std::string TFtpWebDbSqlDump::EncodeQueryValue(const std::string& utf8, bool strict)
{
    const std::string bytes = Utf8ToCp932(utf8);
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool trail = i > 0 && sjis::IsLeadByte(bytes, i - 1);
        // A "\" of its own reads as a path separator; strictly it is data and travels encoded.
        if (c == '\\' && !trail && !strict) c = '/';
        bool encode = c < 33 || c > 128 || c == '*' || c == '%' || c == '<' || c == '>' || c == '[' || c == ']';
        if (strict && (c == '#' || c == '&' || c == '+' || c == '\\')) encode = true;
        if (encode) {
            char b[4];
            std::snprintf(b, sizeof b, "%%%02X", c);
            out += b;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string TFtpWebDbSqlDump::MeetingDateText(const DateTime& t)
{
    if (t.IsNull()) return {};
    char b[64];
    std::snprintf(b, sizeof b, "%d月%d日　%02d：%02d", t.GetDate().Month(), t.GetDate().Day(), t.Hour(), t.Minute());
    return b;
}

std::string TFtpWebDbSqlDump::ReportPath() const
{
    std::string p = "/request.php?pmd=1100&fnm=" + EncodeQueryValue(TusinID, false) +
                    "&dno=" + std::to_string(DataListNo) + "&dvr=" + EncodeQueryValue(ReportVersion, false) +
                    "&fpa=" + EncodeQueryValue(ZipPassword, false);
    if (MeetingUse == 1 && MeetingDateMode != 0)
        p += "&meeting_url=" + EncodeQueryValue(MeetingUrl, true) + "&meeting_date=" +
             (MeetingDateMode == 1 ? EncodeQueryValue(MeetingDateText(MeetingDate), false) : std::string());
    return p;
}

std::string TFtpWebDbSqlDump::Get(const std::string& pathAndQuery)
{
    std::string host = ServerHost;
    int port = 443;
    if (const auto colon = host.rfind(':'); colon != std::string::npos) {
        port = std::atoi(host.c_str() + colon + 1);
        host.resize(colon);
    }
    Headers.clear();
    std::string raw;
    try {
        raw = net::HttpsGetRaw(host, port, pathAndQuery, {"User-Agent: Lumora"}, 64 * 1024);
    } catch (const std::exception&) {
        return "831";
    }
    // "HTTP/1.x NNN ...": only a reply in the 200 range counts.
    const auto sp = raw.find(' ');
    if (sp == std::string::npos || raw.compare(sp + 1, 1, "2") != 0) return "831";
    Headers = ParseHeaders(raw);
    return HeaderValue(Headers, "X-Status");
}

std::string TFtpWebDbSqlDump::SendSqlDump(const std::string& tusinId, int dataListNo)
{
    TusinID = ReplaceAll(tusinId, "-", "");
    DataListNo = dataListNo;
    DatabaseName = "azim_d_" + TusinID + "_" + std::to_string(DataListNo);
    Status = "000";
    FtpHost.clear();
    FtpPassword.clear();
    Headers.clear();

    if (!IsTusinId(TusinID)) return Status = "801";
    if (DataListNo < 1 || DataListNo > 10) return Status = "802";

    WorkFolder work;
    try {
        MeetingUse = RegAsInteger(GetAccReg(dm_, "ＷＥＢ会議設定", "ＷＥＢ会議を行う", kRegInteger, "0"));
        MeetingUrl = TrimBlanks(RegAsString(GetAccReg(dm_, "ＷＥＢ会議設定", "ＵＲＬ", kRegText, "")));
        MeetingDateMode = RegAsInteger(GetAccReg(dm_, "ＷＥＢ会議設定", "開催日時を指定", kRegInteger, "0"));
        MeetingDate = RegAsDateTime(GetAccReg(dm_, "ＷＥＢ会議設定", "開催日時", kRegDateTime, "0.0"));
        work.path = TempFiles::CreateTempDir("azimoban");
        Dump->SetWorkFolder(work.path);
        Dump->DatabaseName = DatabaseName;
        if (!Dump->WriteSqlDump()) return Status = "811";
    } catch (const std::exception&) {
        return Status = "811";
    }
    const std::filesystem::path sqlPath(Dump->SqlFilePath);
    if (FileSize(sqlPath) < 1) return Status = "812";

    const std::filesystem::path zipPath = work.path / ZipFileName;
    if (ZipArchive(zipPath, sqlPath, SqlFileName, ZipPassword) != 0) return Status = "813";
    if (FileSize(zipPath) <= 22) return Status = "814";

    Status = Get("/request.php?pmd=1000&fnm=" + EncodeQueryValue(TusinID, false));
    if (Status == "831") return Status;
    FtpHost = HeaderValue(Headers, "X-Add");
    FtpPassword = HeaderValue(Headers, "X-Pas");
    if (Status != "000") return Status;

    {
        std::unique_ptr<net::TFtpClient> ftp;
        try {
            ftp = std::make_unique<net::TFtpClient>(FtpHost, net::FtpPort(), TusinID, FtpPassword);
            ftp->Connect();
        } catch (const std::exception&) {
            return Status = "821";
        }
        char folder[8];
        std::snprintf(folder, sizeof folder, "%.2d", DataListNo);
        try {
            if (!ftp->ChangeDir(folder)) return Status = "823";
        } catch (const std::exception&) {
            return Status = "823";
        }
        try {
            ftp->Upload(zipPath, ZipFileName);
        } catch (const std::exception&) {
            return Status = "824";
        }
        ftp->Quit();
    }

    ReportVersion = ReportVersionOf(AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2);
    return Status = Get(ReportPath());
}

} // namespace kb
