#include "core/z5ComFunc2.h"

#include "platform/Text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace kb {

namespace {

// --- UTF-8 as code points -------------------------------------------------------------------

std::optional<std::u32string> Decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = 0;
        char32_t cp = 0;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else return std::nullopt;
        if (i + len > s.size()) return std::nullopt;
        for (int k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (t & 0x3F);
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

void Append(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Encode(const std::u32string& s)
{
    std::string out;
    out.reserve(s.size() * 3);
    for (char32_t cp : s) Append(out, cp);
    return out;
}

// --- width and kana tables ------------------------------------------------------------------

constexpr char32_t kHalfKanaFirst = 0xFF61; // ｡
constexpr char32_t kHalfVoiced = 0xFF9E;    // ﾞ
constexpr char32_t kHalfSemiVoiced = 0xFF9F; // ﾟ

// Full-width forms of the half-width katakana block U+FF61..U+FF9F, in order.
constexpr char32_t kHalfKanaToFull[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB,                         // ｡｢｣､･
    0x30F2,                                                         // ｦ
    0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,                         // ｧｨｩｪｫ
    0x30E3, 0x30E5, 0x30E7, 0x30C3,                                 // ｬｭｮｯ
    0x30FC,                                                         // ｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,                         // ｱｲｳｴｵ
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,                         // ｶｷｸｹｺ
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,                         // ｻｼｽｾｿ
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,                         // ﾀﾁﾂﾃﾄ
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE,                         // ﾅﾆﾇﾈﾉ
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,                         // ﾊﾋﾌﾍﾎ
    0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2,                         // ﾏﾐﾑﾒﾓ
    0x30E4, 0x30E6, 0x30E8,                                         // ﾔﾕﾖ
    0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED,                         // ﾗﾘﾙﾚﾛ
    0x30EF, 0x30F3,                                                 // ﾜﾝ
    0x309B, 0x309C,                                                 // ﾞﾟ
};
static_assert(sizeof(kHalfKanaToFull) / sizeof(char32_t) == 0xFF9F - 0xFF61 + 1);

// Katakana that take the voiced mark: カ..ト (voiced form is the next code point) and ハ..ホ.
bool TakesVoiced(char32_t k)
{
    if (k >= 0x30AB && k <= 0x30C2) return (k - 0x30AB) % 2 == 0;  // カキクケコサシスセソタチ
    if (k == 0x30C4 || k == 0x30C6 || k == 0x30C8) return true;    // ツテト
    if (k >= 0x30CF && k <= 0x30DB) return (k - 0x30CF) % 3 == 0;  // ハヒフヘホ
    return false;
}
bool TakesSemiVoiced(char32_t k) { return k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0; }

std::u32string ToFullWidth(const std::u32string& s)
{
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char32_t c = s[i];
        if (c == 0x20) { out.push_back(0x3000); continue; }
        if (c >= 0x21 && c <= 0x7E) { out.push_back(c + 0xFEE0); continue; }
        if (c >= kHalfKanaFirst && c <= kHalfSemiVoiced) {
            char32_t full = kHalfKanaToFull[c - kHalfKanaFirst];
            const char32_t next = i + 1 < s.size() ? s[i + 1] : 0;
            if (next == kHalfVoiced && full == 0x30A6) { full = 0x30F4; ++i; }       // ｳﾞ -> ヴ
            else if (next == kHalfVoiced && TakesVoiced(full)) { full += 1; ++i; }
            else if (next == kHalfSemiVoiced && TakesSemiVoiced(full)) { full += 2; ++i; }
            out.push_back(full);
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::u32string ToHalfWidth(const std::u32string& s)
{
    std::u32string out;
    out.reserve(s.size() * 2);
    for (const char32_t c : s) {
        if (c == 0x3000) { out.push_back(0x20); continue; }
        if (c >= 0xFF01 && c <= 0xFF5E) { out.push_back(c - 0xFEE0); continue; }
        if (c == 0xFFE5) { out.push_back(0x5C); continue; } // ￥: the yen sign is 0x5C in Shift_JIS
        if (c == 0x30F4) { out.push_back(0xFF73); out.push_back(kHalfVoiced); continue; } // ヴ -> ｳﾞ
        bool done = false;
        for (std::size_t k = 0; k < std::size(kHalfKanaToFull) && !done; ++k) {
            const char32_t full = kHalfKanaToFull[k];
            const char32_t half = kHalfKanaFirst + static_cast<char32_t>(k);
            if (c == full) {
                out.push_back(half);
                done = true;
            } else if (TakesVoiced(full) && c == full + 1) {
                out.push_back(half);
                out.push_back(kHalfVoiced);
                done = true;
            } else if (TakesSemiVoiced(full) && c == full + 2) {
                out.push_back(half);
                out.push_back(kHalfSemiVoiced);
                done = true;
            }
        }
        if (!done) out.push_back(c);
    }
    return out;
}

// Hiragana ぁ..ゖ and the iteration marks ゝゞ to katakana.
std::u32string ToKatakana(std::u32string s)
{
    for (char32_t& c : s) {
        if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E) c += 0x60;
    }
    return s;
}

// Katakana ァ..ン and ヽヾ to hiragana. ヴ, ヵ, ヶ stay: their hiragana are not in Shift_JIS.
std::u32string ToHiragana(std::u32string s)
{
    for (char32_t& c : s) {
        if ((c >= 0x30A1 && c <= 0x30F3) || c == 0x30FD || c == 0x30FE) c -= 0x60;
    }
    return s;
}

} // namespace

int GetOSMajorVersion()
{
    utsname u{};
    if (uname(&u) != 0) return 0;
    return std::atoi(u.release);
}

std::string GetLogonUserName()
{
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found || !found->pw_name) return {};
    std::string name = found->pw_name;
    if (name.size() > 1024) name.resize(1024);
    return name;
}

bool WaitMSec(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

std::string MapStringLC(std::uint32_t flags, std::string_view text)
{
    auto cps = Decode(text);
    if (!cps) return std::string(text);
    std::u32string s = std::move(*cps);
    if (flags & LCMAP_FULLWIDTH) s = ToFullWidth(s);
    if (flags & LCMAP_KATAKANA) s = ToKatakana(std::move(s));
    else if (flags & LCMAP_HIRAGANA) s = ToHiragana(std::move(s));
    if (flags & LCMAP_HALFWIDTH) s = ToHalfWidth(s);
    return sjis::Cut(Encode(s), 255);
}

bool IsSJISLead(unsigned char c)
{
    return sjis::IsLeadByteValue(c);
}

std::string ZenUpperCase(std::string_view text)
{
    auto cps = Decode(text);
    if (!cps) return std::string(text);
    for (char32_t& c : *cps)
        if (c >= 0xFF41 && c <= 0xFF5A) c -= 0x20; // ａ..ｚ -> Ａ..Ｚ
    return Encode(*cps);
}

std::string DelCtrlChars(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\t' && c != '\r' && c != '\n') out += c;
    return out;
}

std::string GetDelimitedItem(std::string_view text, std::string_view delimiter, int pos)
{
    if (pos < 1) return {};
    std::vector<std::string> items;
    std::string cur;
    bool open = false; // an item has begun since the last break
    for (std::size_t i = 0; i < text.size();) {
        if (!delimiter.empty() && text.substr(i, delimiter.size()) == delimiter) {
            items.push_back(std::move(cur));
            cur.clear();
            open = false;
            i += delimiter.size();
        } else if (text[i] == '\r' || text[i] == '\n') {
            items.push_back(std::move(cur));
            cur.clear();
            open = false;
            i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        } else {
            cur += text[i++];
            open = true;
        }
    }
    // The text after the last break is an item only when it holds something.
    if (open) items.push_back(std::move(cur));
    if (static_cast<std::size_t>(pos) > items.size()) return {};
    return items[static_cast<std::size_t>(pos) - 1];
}

std::string GetValueLine(std::string_view text, std::string_view key)
{
    if (text.empty() || key.empty()) return {};
    const std::string wanted = AsciiUpper(key);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && AsciiUpper(line.substr(0, eq)) == wanted) return std::string(line);
        if (end == text.size()) break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return {};
}

std::string FormatNumber(std::int64_t n)
{
    const bool neg = n < 0;
    // Through unsigned so that the smallest value has a magnitude too.
    std::uint64_t a = neg ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::string digits = std::to_string(a);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return neg ? "-" + out : out;
}

std::string ZeroPadLeft(std::string_view text, int width)
{
    if (width <= 0) return {};
    const auto w = static_cast<std::size_t>(width);
    std::string s(text);
    // Drop whole characters from the front until the rest fits.
    while (sjis::ByteLength(s) > w) {
        const auto c = static_cast<unsigned char>(s[0]);
        const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        s.erase(0, std::min(len, s.size()));
    }
    return std::string(w - sjis::ByteLength(s), '0') + s;
}

double RoundAtDigit(int d, double x)
{
    double y = x * std::pow(10.0, d - 1);
    if (y > 0) y = std::ceil(y - 0.000001);
    else if (y < 0) y = std::trunc(y - 0.000001);
    return y * std::pow(10.0, 1 - d);
}

double RoundAtDigit2(int d, double x)
{
    double y = x * std::pow(10.0, d - 1);
    if (y > 0) y = std::trunc(y + 0.000001);
    else if (y < 0) y = std::floor(y + 0.000001);
    return y * std::pow(10.0, 1 - d);
}

double PowerOf(double exponent, double base)
{
    if (base == 0) return 0;
    return std::pow(base, exponent);
}

void SetBitFlag(std::int32_t& flags, int n)
{
    if (n >= 1 && n <= 24) flags |= static_cast<std::int32_t>(1u << (n - 1));
}

int GetBitFlag(std::int32_t flags, int n)
{
    if (n < 1 || n > 32) return 0;
    return static_cast<int>((static_cast<std::uint32_t>(flags) >> (n - 1)) & 1u);
}

std::int16_t MakeLevelNo(int a, int b, int factor)
{
    // The level number column is 16 bits; the sum wraps as it did in that field.
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(b + a * factor));
}

void MakeLevelNo(std::int16_t& levelNo, int a, int b, int factor)
{
    levelNo = MakeLevelNo(a, b, factor);
}

std::uint32_t ColorToGray(std::uint32_t color)
{
    if (color == 0xFFFFFF || color == 0) return color;
    if (color > 0xFFFFFF) return 0x808080; // a system colour or "none": no RGB to average
    const std::uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    const auto m = static_cast<std::uint32_t>(std::lround((r + g + b) / 3.0));
    return m | (m << 8) | (m << 16);
}

} // namespace kb
