#include "comm/StatusReply.h"

#include "comm/xPzConv.h"
#include "core/z5DateVersion.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>

namespace kb {

std::string UrlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '+') out += "%2b";
        else if (c == '=') out += "%3d";
        else out += c;
    }
    return out;
}

std::string PercentEncode(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
            || c == '~' || c == '-') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string BuildStatusPath(int code, const std::vector<TStatusParam>& params)
{
    std::string path = "/request.php?Scode=" + std::to_string(code);
    for (const auto& p : params) {
        path += '&';
        path += p.Key;
        path += '=';
        if (p.Type == TStatusParam::Base64Text)
            path += UrlEscape(TxPzConv::EncodeBase64(Utf8ToCp932(p.Value)));
        else
            path += PercentEncode(p.Value);
    }
    return path;
}

std::string BuildStatusRequest(std::string_view host, int code, const std::vector<TStatusParam>& params)
{
    std::string r = "GET " + BuildStatusPath(code, params) + " HTTP/1.0\r\n";
    r += "Host: " + std::string(host) + "\r\n";
    r += "User-Agent: Lumora\r\n";
    r += "Connection: Close\r\n";
    r += "\r\n";
    return r;
}

TStatusReply::TStatusReply(std::string_view raw)
{
    raw = raw.substr(0, std::min(raw.size(), kMaxStatusReplyBytes));
    bool started = false;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t end = raw.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? raw.size() : end + 1;
        if (end == std::string_view::npos) end = raw.size();
        std::string_view line = raw.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (started || !line.empty()) {
            started = true;
            lines_.emplace_back(line);
        }
        pos = next;
    }
}

std::size_t TStatusReply::LineLength(std::size_t line) const
{
    return line >= 1 && line <= lines_.size() ? lines_[line - 1].size() : 0;
}

std::string TStatusReply::Value(std::size_t line, std::size_t from) const
{
    if (line < 1 || line > lines_.size() || from < 1) return {};
    const std::string& l = lines_[line - 1];
    if (from > l.size()) return {};
    return TrimBlanks(std::string_view(l).substr(from - 1));
}

std::string TStatusReply::Code(std::size_t line) const
{
    if (line < 1 || line > lines_.size()) return {};
    const std::string& l = lines_[line - 1];
    if (l.size() < 11) return {};
    return l.substr(10, 3);
}

namespace {

bool Digits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Characters [from, from+n) counted from 1; empty when the value is shorter.
std::string_view Piece(std::string_view v, std::size_t from, std::size_t n)
{
    if (v.size() < from - 1 + n) return {};
    return v.substr(from - 1, n);
}

std::string Compose(std::string_view y, std::string_view mo, std::string_view d, std::string_view h,
                    std::string_view mi, std::string_view s, bool withSeconds)
{
    if (!Digits(y) || y.size() != 4 || !Digits(mo) || !Digits(d) || !Digits(h) || !Digits(mi)) return {};
    if (withSeconds && !Digits(s)) return {};
    const int yy = std::stoi(std::string(y)), mm = std::stoi(std::string(mo)), dd = std::stoi(std::string(d));
    const int hh = std::stoi(std::string(h)), nn = std::stoi(std::string(mi)), ss = withSeconds ? std::stoi(std::string(s)) : 0;
    if (!Date::IsValid(yy, mm, dd) || hh > 23 || nn > 59 || ss > 59) return {};
    char buf[64];
    if (withSeconds)
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", yy, mm, dd, hh, nn, ss);
    else
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", yy, mm, dd, hh, nn);
    return buf;
}

// Short display form of a rewritten "yyyy/mm/dd hh:nn": era "yy/mm/dd" (with the time when asked)
// when the era display is on, else the text itself.
std::string ShortForm(const std::string& rewritten, bool eraForm, bool withTime)
{
    if (!eraForm || rewritten.empty()) return rewritten;
    const auto d = Date::Parse(std::string_view(rewritten).substr(0, 10));
    if (!d) return {};
    std::string s = DateToStrFmtW("yy/mm/dd", 2, *d, true);
    if (withTime) s += " " + rewritten.substr(11, 5);
    return s;
}

std::string NumberOrEmpty(std::string v) { return Digits(v) ? v : std::string(); }

} // namespace

std::string RewriteSeparatedTime(std::string_view v)
{
    return Compose(Piece(v, 1, 4), Piece(v, 6, 2), Piece(v, 9, 2), Piece(v, 12, 2), Piece(v, 15, 2), {}, false);
}

std::string RewriteSeparatedSeconds(std::string_view v)
{
    return Compose(Piece(v, 1, 4), Piece(v, 6, 2), Piece(v, 9, 2), Piece(v, 12, 2), Piece(v, 15, 2), Piece(v, 18, 2),
                   true);
}

std::string RewriteDigitsTime(std::string_view v, bool withSeconds)
{
    return Compose(Piece(v, 1, 4), Piece(v, 5, 2), Piece(v, 7, 2), Piece(v, 9, 2), Piece(v, 11, 2),
                   withSeconds ? Piece(v, 13, 2) : std::string_view(), withSeconds);
}

TCheckReply ReadCheckReply(const TStatusReply& reply, bool cloud, bool eraForm, TServerInfo& info,
                           TCloudTimes& cloudTimes)
{
    TCheckReply r;
    r.Code = reply.Code(5);
    if (r.Code != "000") {
        r.Result = TReplyResult::ServerError;
        return r;
    }
    const std::size_t perRecord = cloud ? 12 : 9;
    if (reply.LineCount() < 8 + 10 * perRecord) {
        r.Result = TReplyResult::ReadFailure;
        return r;
    }
    info[kInfoFtpHost] = reply.Value(6, 8);
    info[kInfoFtpPassword] = reply.Value(7, 8);
    for (int i = 0; i < 10; ++i) {
        const std::size_t base = 9 + static_cast<std::size_t>(i) * perRecord; // line 1 of the record
        const auto line = [&](std::size_t n, std::size_t from) { return reply.Value(base + n - 1, from); };
        if (cloud) {
            info[150 + i].clear();
            info[160 + i].clear();
        }
        info[i] = line(1, 14);
        info[20 + i] = Cp932ToUtf8(TxPzConv::DecodeBase64(line(2, 11)));
        if (Trim(info[20 + i]).empty()) continue;
        info[30 + i] = NumberOrEmpty(line(3, 11));
        info[40 + i] = RewriteSeparatedTime(line(4, 12));
        info[50 + i] = ShortForm(info[40 + i], eraForm, false);
        info[60 + i] = RewriteSeparatedTime(line(5, 12));
        info[70 + i] = ShortForm(info[60 + i], eraForm, false);
        const std::string rawSend = line(6, 11);
        info[80 + i] = RewriteSeparatedTime(rawSend);
        info[90 + i] = ShortForm(info[80 + i], eraForm, true);
        if (cloud) {
            const std::string secs = RewriteSeparatedSeconds(rawSend);
            cloudTimes[static_cast<std::size_t>(i) + 1] = secs;
        }
        info[120 + i] = line(7, 11);
        info[130 + i] = line(8, 13);
        const std::string rawReceive = line(9, 11);
        info[100 + i] = RewriteSeparatedTime(rawReceive);
        if (Piece(rawReceive, 1, 4) == "0000" || info[100 + i].empty() || (!cloud && !(rawSend < rawReceive)))
            info[110 + i] = "-";
        else
            info[110 + i] = ShortForm(info[100 + i], eraForm, true);
        if (cloud) {
            info[140 + i] = line(10, 14);
            if (info[140 + i] == "2") {
                info[150 + i] = Cp932ToUtf8(TxPzConv::DecodeBase64(line(11, 15)));
                info[160 + i] = Cp932ToUtf8(TxPzConv::DecodeBase64(line(12, 15)));
            }
        }
    }
    r.Result = TReplyResult::Ok;
    return r;
}

std::string ReadCodeLine5(const TStatusReply& reply) { return reply.Code(5); }

TTimeReply ReadTimeReply(const TStatusReply& reply, int code)
{
    TTimeReply r;
    r.Code = reply.Code(6);
    r.RawTime = reply.Value(5, 8);
    switch (code) {
    case 1833: r.TimeText = RewriteSeparatedSeconds(r.RawTime); break;
    case 1823: r.TimeText = RewriteDigitsTime(r.RawTime, true); break;
    case 1830: r.TimeText = RewriteDigitsTime(r.RawTime, false); break;
    default: r.TimeText = RewriteDigitsTime(r.RawTime, false); break; // 1810, 1820: the send time
    }
    if (!r.TimeText.empty()) {
        if (auto dt = DateTime::Parse(r.TimeText)) r.Time = *dt;
    }
    return r;
}

} // namespace kb
