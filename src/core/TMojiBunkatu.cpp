#include "core/TMojiBunkatu.h"

#include <stdexcept>

#include "core/z5StringList2.h"
#include "platform/Text.h"

namespace kb {

void TMojiBunkatu::Clear()
{
    Items.clear();
    Count = 0;
}

void TMojiBunkatu::Finish()
{
    if (Items.empty()) Items.emplace_back();
    Count = static_cast<int>(Items.size());
}

void TMojiBunkatu::Bunkatu(std::string_view text)
{
    Clear();
    if (Mode == 1) {
        TStringList2 list;
        list.Delimiter = Delimiter;
        list.QuoteChar = '"';
        list.TrimItems = true;
        SetDelimitedText2(list, text);
        Items = std::move(list.Items);
    } else {
        Items = SplitDelimitedText(text, Delimiter, '"');
    }
    Finish();
}

void TMojiBunkatu::BunkatuByLength(std::string_view text, int n)
{
    Clear();
    // A width of 1 would never get past a double-byte character.
    if (n < 2) throw std::invalid_argument("TMojiBunkatu.BunkatuByLength: width below 2");
    std::string_view rest = text;
    while (!rest.empty()) {
        // Cut never splits a character: where the n-th byte opens one, the piece is n - 1 bytes.
        std::string piece = sjis::Cut(rest, static_cast<std::size_t>(n));
        if (piece.empty()) throw std::invalid_argument("TMojiBunkatu.BunkatuByLength: no progress");
        rest.remove_prefix(piece.size());
        Items.push_back(std::move(piece));
    }
    Finish();
}

std::string TMojiBunkatu::GetMoji(int i) const
{
    if (i < 0 || i >= Count || static_cast<std::size_t>(i) >= Items.size()) return "";
    return Items[static_cast<std::size_t>(i)];
}

} // namespace kb
