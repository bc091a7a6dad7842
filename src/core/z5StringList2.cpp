#include "core/z5StringList2.h"
#include "platform/Text.h"

namespace kb {

namespace {
bool IsCtl(char c) { return c >= 1 && c <= 31; }
bool IsBlankOrCtl(char c) { return c >= 1 && c <= 32; }

// A text ends at its end or at a zero character, as the original's zero-terminated scan did.
std::string_view UpToZero(std::string_view t)
{
    const auto z = t.find('\0');
    return z == std::string_view::npos ? t : t.substr(0, z);
}
} // namespace

std::string ExtractQuotedStr(std::string_view t, std::size_t& pos, char quote)
{
    std::string out;
    if (pos >= t.size() || t[pos] != quote) return out;
    ++pos;
    while (pos < t.size()) {
        if (t[pos] == quote) {
            if (pos + 1 < t.size() && t[pos + 1] == quote) {
                out += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return out;
        }
        out += t[pos++];
    }
    return out;
}

void SetCommaText2(TStringList2& list, std::string_view text)
{
    list.Delimiter = ',';
    list.QuoteChar = '"';
    SetDelimitedText2(list, text);
}

void SetDelimitedText2(TStringList2& list, std::string_view text)
{
    const std::string_view t = UpToZero(text);
    list.Items.clear();
    std::size_t p = 0;
    while (p < t.size() && IsCtl(t[p])) ++p;
    while (p < t.size()) {
        std::string item;
        if (t[p] == list.QuoteChar) {
            item = ExtractQuotedStr(t, p, list.QuoteChar);
        } else {
            // UTF-8 continuation bytes are never ASCII, so a byte scan steps by whole characters.
            const std::size_t b = p;
            while (p < t.size() && t[p] != list.Delimiter && !IsCtl(t[p])) ++p;
            item = std::string(t.substr(b, p - b));
        }
        if (list.TrimItems) item = TrimControls(item);
        list.Items.push_back(std::move(item));
        while (p < t.size() && IsCtl(t[p])) ++p;
        if (p < t.size() && t[p] == list.Delimiter) {
            if (p + 1 == t.size()) list.Items.emplace_back();
            ++p;
            while (p < t.size() && IsCtl(t[p])) ++p;
        }
    }
}

std::vector<std::string> SplitDelimitedText(std::string_view text, char delimiter, char quote)
{
    const std::string_view t = UpToZero(text);
    std::vector<std::string> items;
    std::size_t p = 0;
    while (p < t.size() && IsBlankOrCtl(t[p])) ++p;
    while (p < t.size()) {
        if (t[p] == quote) {
            items.push_back(ExtractQuotedStr(t, p, quote));
        } else {
            const std::size_t b = p;
            while (p < t.size() && static_cast<unsigned char>(t[p]) > 32 && t[p] != delimiter) ++p;
            items.emplace_back(t.substr(b, p - b));
        }
        while (p < t.size() && IsBlankOrCtl(t[p])) ++p;
        if (p < t.size() && t[p] == delimiter) {
            if (p + 1 == t.size()) items.emplace_back();
            ++p;
            while (p < t.size() && IsBlankOrCtl(t[p])) ++p;
        }
    }
    return items;
}

} // namespace kb
