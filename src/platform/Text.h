#pragma once
// Text at the boundaries. Inside the program every text is UTF-8; files, the linkage XML, logs,
// INI files and the database carry CP932 (Shift_JIS with the Windows extensions). Lengths, widths
// and positions of texts count Shift_JIS bytes: every such rule goes through namespace sjis.

#include <stdexcept>
#include <string>
#include <string_view>

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
} // namespace kb
