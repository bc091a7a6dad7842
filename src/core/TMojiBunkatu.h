#pragma once
// Splits one text into items: at a delimiter (comma text and the like, with double-quoted items),
// or into pieces of a fixed Shift_JIS byte width that never cut a double-byte character in two.
// The result always holds at least one item.

#include <string>
#include <string_view>
#include <vector>

namespace kb {

using TMojiArray = std::vector<std::string>;

class TMojiBunkatu {
public:
    char Delimiter = ',';
    TMojiArray Items;
    int Count = 0;
    // 0 standard: an unquoted blank also ends an item. 1 strict: items end only at the delimiter,
    // keep their inner blanks and are trimmed.
    unsigned char Mode = 0;

    void Bunkatu(std::string_view text);
    // Pieces of n CP932 bytes (n - 1 where the n-th byte would open a double-byte character).
    // Throws std::invalid_argument for n below 2, which could never advance.
    void BunkatuByLength(std::string_view text, int n);
    // Item i, or an empty text outside 0 .. Count - 1.
    std::string GetMoji(int i) const;
    void Clear();

private:
    void Finish();
};

} // namespace kb
