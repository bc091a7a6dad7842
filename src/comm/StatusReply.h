#pragma once
// The status server's requests and replies, as pure functions: the request path with its
// parameters, and the raw reply read by line and byte position. Nothing here touches the network;
// a reply that is short, damaged or hostile reads as empty values and never raises.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Date.h"

namespace kb {

// The most of a reply the client keeps; a longer one is a read failure.
inline constexpr std::size_t kMaxStatusReplyBytes = 1u << 20;

// Entries of the server check's table.
inline constexpr int kServerInfoSize = 222;
inline constexpr int kInfoFtpHost = 170;
inline constexpr int kInfoFtpPassword = 172;
inline constexpr int kInfoSerial = 173;
using TServerInfo = std::array<std::string, kServerInfoSize>;
using TCloudTimes = std::array<std::string, 11>;

// ---- requests

// "+" as "%2b" and "=" as "%3d", every other character unchanged (for Base64 values).
std::string UrlEscape(std::string_view text);
// Every byte outside [A-Za-z0-9._~-] as "%XX", so a value sent as it is cannot break the request.
std::string PercentEncode(std::string_view bytes);

struct TStatusParam {
    enum Kind { Plain, Base64Text };
    std::string Key;
    std::string Value; // Plain: sent percent-encoded; Base64Text: UTF-8 text sent as CP932 Base64
    Kind Type = Plain;
};

// "/request.php?Scode=<code>&key=value..." in the order given.
std::string BuildStatusPath(int code, const std::vector<TStatusParam>& params);
// The whole request as the server reads it (request line, Host, User-Agent, Connection, end).
std::string BuildStatusRequest(std::string_view host, int code, const std::vector<TStatusParam>& params);

// ---- replies

class TStatusReply {
public:
    // At most kMaxStatusReplyBytes of raw are read; lines end at LF (a CR before it is dropped);
    // line 1 is the first non-empty line.
    explicit TStatusReply(std::string_view raw);
    std::size_t LineCount() const { return lines_.size(); }
    // Bytes of line `line` from byte `from` on (both 1-based), blanks trimmed; empty beyond the end.
    std::string Value(std::size_t line, std::size_t from) const;
    // The three bytes at 11 to 13 of a line: the result code.
    std::string Code(std::size_t line) const;
    std::size_t LineLength(std::size_t line) const;

private:
    std::vector<std::string> lines_;
};

enum class TReplyResult { Ok, ServerError, ReadFailure };

// "yyyy/mm/dd hh:nn" from a value laid out with one separator between the parts
// (characters 1-4, 6-7, 9-10, 12-16); empty when it is not a real date and time.
std::string RewriteSeparatedTime(std::string_view value);
// "yyyy/mm/dd hh:nn:ss" from characters 1-4, 6-7, 9-10, 12-13, 15-16, 18-19; empty when bad.
std::string RewriteSeparatedSeconds(std::string_view value);
// From digits without separators: "yyyy/mm/dd hh:nn" (withSeconds false) or "... :ss".
std::string RewriteDigitsTime(std::string_view digits, bool withSeconds);

// Server check (1720 relay, 1725 cloud): fills the table as the check layout says.
// Ok only when the code is "000" and every record was there.
struct TCheckReply {
    TReplyResult Result = TReplyResult::ReadFailure;
    std::string Code;
};
TCheckReply ReadCheckReply(const TStatusReply& reply, bool cloud, bool eraForm, TServerInfo& info,
                           TCloudTimes& cloudTimes);

// A reply with only a code on line 5 (1730, 1750, 1753).
std::string ReadCodeLine5(const TStatusReply& reply);

// A reply with a time on line 5 and the code on line 6 (1810, 1820, 1823, 1830, 1833).
struct TTimeReply {
    std::string Code;
    std::string RawTime;  // the value from character 8 of line 5
    std::string TimeText; // rewritten as the code's rule says; empty when bad
    DateTime Time;        // null when the text is not a date-time
};
TTimeReply ReadTimeReply(const TStatusReply& reply, int code);

} // namespace kb
