#include "platform/Text.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <vector>

namespace kb {
namespace {

// Decodes one UTF-8 code point at s[i]; returns its length, 0 on an invalid sequence.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; n = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; n = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; n = 4; }
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    return n;
}

std::size_t CharWidth(char32_t cp)
{
    if (cp < 0x80) return 1;
    if (cp >= 0xFF61 && cp <= 0xFF9F) return 1; // half-width katakana
    return 2;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw TextError(std::string("iconv_open failed: ") + from + " -> " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one whole text; on an unconvertible or invalid input unit calls onBad(in, left, out)
    // which must consume input and may append output.
    template <class OnBad>
    std::string Run(std::string_view in, OnBad onBad)
    {
        std::lock_guard lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 2 + 4);
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        std::vector<char> buf(in.size() * 4 + 16);
        while (left > 0) {
            char* dst = buf.data();
            std::size_t room = buf.size();
            const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) continue;
                onBad(src, left, out);
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t cd_;
    std::mutex mutex_;
};

Converter& ToCp932()
{
    static Converter c("CP932", "UTF-8");
    return c;
}
Converter& FromCp932()
{
    static Converter c("UTF-8", "CP932");
    return c;
}

} // namespace

std::string Utf8ToCp932(std::string_view utf8)
{
    return ToCp932().Run(utf8, [](char*& src, std::size_t& left, std::string& out) {
        char32_t cp = 0;
        const std::size_t n = DecodeUtf8(std::string_view(src, left), 0, cp);
        if (n == 0) throw TextError("invalid UTF-8 text");
        out.push_back('?');
        src += n;
        left -= n;
    });
}

std::string Cp932ToUtf8(std::string_view cp932)
{
    return FromCp932().Run(cp932, [](char*& src, std::size_t& left, std::string& out) {
        const auto c = static_cast<unsigned char>(*src);
        // A lead byte swallows the next byte only when that byte can be a trail byte; before a
        // line break or "=" it is one bad byte alone, and the next byte keeps its meaning.
        const bool pair = sjis::IsLeadByteValue(c) && left >= 2 &&
                          sjis::IsTrailByteValue(static_cast<unsigned char>(src[1]));
        const std::size_t n = pair ? 2 : 1;
        out.append("\xEF\xBF\xBD");
        src += n;
        left -= n;
    });
}

namespace sjis {

std::size_t ByteLength(std::string_view utf8)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        std::size_t n = DecodeUtf8(utf8, i, cp);
        if (n == 0) { n = 1; cp = '?'; }
        total += CharWidth(cp);
        i += n;
    }
    return total;
}

namespace {
// Byte offset in the UTF-8 text where the CP932 width first exceeds width.
std::size_t CutPoint(std::string_view utf8, std::size_t width)
{
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        std::size_t n = DecodeUtf8(utf8, i, cp);
        if (n == 0) { n = 1; cp = '?'; }
        const std::size_t w = CharWidth(cp);
        if (used + w > width) break;
        used += w;
        i += n;
    }
    return i;
}
} // namespace

std::string Cut(std::string_view utf8, std::size_t width) { return std::string(utf8.substr(0, CutPoint(utf8, width))); }

std::string After(std::string_view utf8, std::size_t width) { return std::string(utf8.substr(CutPoint(utf8, width))); }

std::string PadRight(std::string_view utf8, std::size_t width)
{
    std::string s = Cut(utf8, width);
    s.append(width - ByteLength(s), ' ');
    return s;
}

std::string PadLeft(std::string_view utf8, std::size_t width)
{
    std::string s = Cut(utf8, width);
    return std::string(width - ByteLength(s), ' ') + s;
}

int Compare(std::string_view a, std::string_view b)
{
    const std::string x = Utf8ToCp932(a);
    const std::string y = Utf8ToCp932(b);
    const int r = x.compare(y); // std::string compares as unsigned char
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool IsLeadByte(std::string_view cp932, std::size_t pos)
{
    std::size_t i = 0;
    while (i < cp932.size()) {
        const bool lead = IsLeadByteValue(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size();
        if (i == pos) return lead;
        i += lead ? 2 : 1;
        if (i > pos) return false; // pos is a trail byte
    }
    return false;
}

} // namespace sjis
} // namespace kb
