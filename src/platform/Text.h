#pragma once
// Text at the boundaries. Inside the program every text is UTF-8; files, the linkage XML, logs,
// INI files and the database carry CP932 (Shift_JIS with the Windows extensions). Lengths, widths
// and positions of texts count Shift_JIS bytes: every such rule goes through namespace sjis.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

struct TextError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// UTF-8 to CP932. A character CP932 cannot hold becomes "?" (as the Windows conversion does),
// so a text never fails to be written; invalid UTF-8 throws TextError.
std::string Utf8ToCp932(std::string_view utf8);
// CP932 to UTF-8. An invalid byte sequence becomes U+FFFD, so a damaged file still reads.
std::string Cp932ToUtf8(std::string_view cp932);

namespace sjis {

// Bytes the UTF-8 text occupies in CP932: 1 for ASCII and half-width katakana, 2 for the rest.
std::size_t ByteLength(std::string_view utf8);
// Longest prefix whose CP932 form fits in width bytes; never splits a character.
std::string Cut(std::string_view utf8, std::size_t width);
// The rest after Cut(utf8, width).
std::string After(std::string_view utf8, std::size_t width);
// Cut to width, then pad with half-width blanks to exactly width bytes (left-aligned text).
std::string PadRight(std::string_view utf8, std::size_t width);
// Cut to width, then blanks in front up to width bytes (right-aligned text).
std::string PadLeft(std::string_view utf8, std::size_t width);
// Byte-wise comparison of the CP932 forms: <0, 0, >0. This is the order Shift_JIS sorts in.
int Compare(std::string_view utf8a, std::string_view utf8b);
// True when the byte at pos of the CP932 text opens a double-byte character
// (scanning from the start, so a trail byte that looks like a lead byte is told apart).
bool IsLeadByte(std::string_view cp932, std::size_t pos);
// True for a byte value that can open a double-byte character in CP932.
constexpr bool IsLeadByteValue(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// True for a byte value that can close a double-byte character in CP932.
constexpr bool IsTrailByteValue(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

} // namespace sjis

// ---- the house's small text helpers (header-only, so the server's plugin uses them too).
// Find them here before writing one: a private copy in a .cpp drifts.

// ASCII letters to upper (lower) case; every other byte stays, so CP932 and UTF-8 texts are safe.
inline std::string AsciiUpper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}
inline std::string AsciiLower(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

namespace text_detail {
inline std::string TrimSet(std::string_view s, std::string_view set)
{
    const auto b = s.find_first_not_of(set);
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(set) - b + 1));
}
} // namespace text_detail

// Half-width blanks and tabs off both ends (INI values, parameter lines, typed codes).
inline std::string TrimBlanks(std::string_view s) { return text_detail::TrimSet(s, " \t"); }
// Blanks, tabs, CR and LF off both ends (texts that may end with a line break).
inline std::string Trim(std::string_view s) { return text_detail::TrimSet(s, " \t\r\n"); }
// Every byte up to the blank (control characters included) off both ends.
inline std::string TrimControls(std::string_view s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
    return std::string(s.substr(a, b - a));
}

// Lines split at CR, LF or CR LF; a text ending with a break gives no empty last line.
inline std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

// Every occurrence of from replaced by to, left to right (the replacement is not searched again).
inline std::string ReplaceAll(std::string text, std::string_view from, std::string_view to)
{
    if (from.empty()) return text;
    for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

// folder + "/" + name, with the folder's trailing separators dropped (the root "/" stays); an
// empty folder gives the name alone.
inline std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string f(folder);
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    if (f.empty()) return std::string(name);
    if (f.back() != '/') f += '/';
    return f + std::string(name);
}

} // namespace kb
