#pragma once
// Two ways of keeping a short text (a password) out of plain sight in the databases.
//
// 1. The family's own reversible letter-shift encoder over a 62-letter alphabet with a key. Data
//    sets hold data passwords in this form, so it is byte-exact with what they store. The callers
//    use PadLength = TextLength = 8 and the key kEasyEncodeKey.
// 2. Protected texts: authenticated encryption (AES-256-GCM over OpenSSL EVP) with a key derived
//    by PBKDF2 from a built-in secret and a salt of its own; the stored form is documented in
//    docs/formats.md. Texts protected by the Windows edition's closed library cannot be read back:
//    they decode to an empty text, the failure answer callers already handle.

#include <string>
#include <string_view>

namespace kb {

inline constexpr const char* kEasyEncodeKey = "qombrev";
inline constexpr const char* kEasyEncodeAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";
// Longest padded plain text, coded text and key the encoder takes (bytes).
inline constexpr std::size_t kEasyEncodeMax = 255;

struct TEasyEncodeInfo {
    int PadLength = 0;      // length the plain text is padded to before encoding
    int TextLength = 0;     // length of the real plain text; decoding stops there
    std::string Key;
    std::string PlainText;  // input of encoding (padded in place), output of decoding
    std::string CodedText;  // output of encoding, input of decoding
};

// Lengths 0, texts empty; the key stays.
void InitEasyEncodeInfo(TEasyEncodeInfo& info);
// Fills CodedText from PlainText and Key. A character outside the alphabet ends the coded text.
// False (CodedText empty) when the padded text or the key is longer than kEasyEncodeMax.
bool EasyEncode(TEasyEncodeInfo& info);
// Fills PlainText from CodedText and Key, stopping after TextLength characters.
// False (PlainText empty) when the coded text or the key is longer than kEasyEncodeMax.
bool EasyDecode(TEasyEncodeInfo& info);

// The protected form of text, or an empty text when text is blank or protecting fails.
// The protected form is ASCII and at most 255 bytes, so plain texts above 142 bytes are refused.
std::string EncodeProtectText(std::string_view text);
// The text restored, or an empty text for a blank input, a foreign or damaged protected text.
std::string DecodeProtectText(std::string_view protectedText);

} // namespace kb
