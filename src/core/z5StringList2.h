#pragma once
// A string list whose delimited-text split keeps blanks inside items (the plain comma-text split
// of the component library ends an item at every blank).

#include <string>
#include <string_view>
#include <vector>

namespace kb {

class TStringList2 {
public:
    std::vector<std::string> Items;
    char Delimiter = ',';
    char QuoteChar = '"';
    bool TrimItems = false; // trim each item (blanks and control characters at both ends)

    int Count() const { return static_cast<int>(Items.size()); }
    const std::string& operator[](int i) const { return Items.at(static_cast<std::size_t>(i)); }
    void Clear() { Items.clear(); }
};

// Delimiter "," and quote '"', then SetDelimitedText2.
void SetCommaText2(TStringList2& list, std::string_view text);
// Replaces the items by those of text: items end at the delimiter or a control character (code
// below 32); a quoted item runs to its closing quote (a doubled quote is one quote character);
// a delimiter that is the last character adds one empty item.
void SetDelimitedText2(TStringList2& list, std::string_view text);

// The component library's own delimited-text split: like SetDelimitedText2, but a blank also ends
// an unquoted item and blanks after a delimiter are skipped.
std::vector<std::string> SplitDelimitedText(std::string_view text, char delimiter, char quote = '"');

// A quoted item starting at pos (on the quote): its text, pos moved past the closing quote
// (to the end when there is none). Exposed for the splitters above.
std::string ExtractQuotedStr(std::string_view text, std::size_t& pos, char quote);

} // namespace kb
