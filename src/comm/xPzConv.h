#pragma once
// Base64 of byte strings for the status-server requests and replies. Encoding is the standard
// padded form; decoding keeps the old component's habits, which the server's names rely on:
// every character outside the alphabet counts as a zero sextet and keeps its place in the
// grouping, a zero second or third byte of a group is dropped, and an incomplete last group
// gives nothing.

#include <string>
#include <string_view>

namespace kb {

class TxPzConv {
public:
    static std::string EncodeBase64(std::string_view bytes);
    static std::string DecodeBase64(std::string_view text);
};

} // namespace kb
