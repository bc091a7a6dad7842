#pragma once
// Small helpers shared by most of the system: fixed-width and blank handling of text (widths count
// Shift_JIS bytes through kb::sjis), a few conversions, a message box that puts comma-separated
// parts on lines of their own, guarded directory copy and delete, and the online manual opener.
//
// Texts are UTF-8. The byte-level routines FixKanjiCut, IsKanjiLead, IsKanjiTrail and IsKanjiLeadAt
// work on CP932 bytes (the form files, the database and fixed-width records carry).

#include "core/ScopedInstall.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Currency.h"
#include "platform/Date.h"
#include "platform/Text.h"

namespace kb {

// ---- text ------------------------------------------------------------------------------------

// Removes at both ends, repeatedly, blanks, control characters and full-width blanks.
std::string TrimZen(std::string_view text);
// Removes every blank and full-width blank; tabs and everything else stay.
std::string DelAllSpace(std::string_view text);
// n blanks for 1 <= n <= 510; empty otherwise (the limit callers have always met).
std::string SpaceStr(int n);
// Exactly n CP932 bytes, left-aligned: padded with blanks, or cut; a cut double-byte character
// becomes a blank. Empty for n <= 0.
std::string FixLeft(std::string_view text, int n);
// Exactly n CP932 bytes, right-aligned: blanks in front, or the last n bytes of a longer text
// (a double-byte character cut at the front becomes a blank). Empty for n <= 0.
std::string FixRight(std::string_view text, int n);
// CP932 bytes: a lead byte followed by no trail byte turns both into blanks; a lead byte at the end
// turns into a blank.
std::string FixKanjiCut(std::string_view cp932);
bool IsKanjiLead(unsigned char b);  // 0x81-0x9F, 0xE0-0xFC
bool IsKanjiTrail(unsigned char b); // 0x40-0x7E, 0x80-0xFC
// True when the byte at the 1-based position of the CP932 text is a lead byte, reading from the
// first byte; a position of 0 or less, or beyond the end, asks about the last byte. Empty: false.
bool IsKanjiLeadAt(std::string_view cp932, int position);

// Cuts the line at "//", then splits it at separator into parts (every part kept). Returns the
// index of the last part, which is the number of separators; an empty rest gives 0 and leaves
// parts untouched.
int SplitStr(std::string_view line, char separator, std::vector<std::string>& parts);

// ---- conversions -----------------------------------------------------------------------------

// Empty for a null date; kind 2 "yy/mm/dd", 4 "yyyy/mm/dd", others "yyyy/mm/dd hh:nn".
std::string DateToStrType(int kind, const DateTime& date);
// To a whole number: mode 0 toward zero, 1 away from zero when a fraction remains, other modes half
// away from zero. (Its mode numbers differ from HasuSyori's.)
Currency RoundCurr(int mode, Currency amount);
// Nearest integer, halves to the even neighbour.
std::int64_t RoundToInt(double value);
// The currency value of the text; 0 when it is not a number.
Currency StrToCurr0(std::string_view text);
// The date of a "yyyy/MM/dd" text; a null date when it is not a date.
Date StrToDate0(std::string_view text);
inline int BoolToInt(bool f) { return f ? 1 : 0; }
inline bool IntToBool(int v) { return v != 0; }
inline std::string BoolToStrTF(bool f) { return f ? "TRUE" : "FALSE"; }

// ---- sorting ---------------------------------------------------------------------------------

struct TNameRec {
    std::string Name;
    int Index = 0;
};

namespace detail {
// The lists' own quicksort over CP932 keys (compared as unsigned bytes) between first and last;
// perm is swapped along with the keys. It decides the order of equal keys.
void QuickSortKeys(std::vector<std::string>& keys, std::vector<int>& perm, int first, int last);
}

// Sorts items[first..last] by the key that keyOf gives (UTF-8), in CP932 byte order, with the
// lists' own quicksort: records of equal keys end in the order that sort gives them, as before.
template <class Rec, class KeyOf>
void SortNameRecs(std::vector<Rec>& items, int first, int last, KeyOf keyOf)
{
    if (first < 0) first = 0;
    if (last >= static_cast<int>(items.size())) last = static_cast<int>(items.size()) - 1;
    if (first >= last) return;
    std::vector<std::string> keys;
    std::vector<int> perm;
    for (int i = first; i <= last; ++i) {
        keys.push_back(Utf8ToCp932(keyOf(items[static_cast<std::size_t>(i)])));
        perm.push_back(i);
    }
    detail::QuickSortKeys(keys, perm, 0, last - first);
    std::vector<Rec> sorted;
    sorted.reserve(perm.size());
    for (int i : perm) sorted.push_back(std::move(items[static_cast<std::size_t>(i)]));
    std::move(sorted.begin(), sorted.end(), items.begin() + first);
}

void SortNameRecs(std::vector<TNameRec>& items, int first, int last);

// ---- machine and messages --------------------------------------------------------------------

// Connection mode 2 (server-based computing): the logon user, or "ANONYMOUS" when empty; otherwise
// the computer name, or "PCNAME-ERROR" when it cannot be had.
std::string GetPCName(int connectMode, const std::string& logonUser);

enum class TMessageLinesKind { Error, Warning, Information };
// Where MessageDlgLines shows its box: ui fills it; tests catch what would be shown. Without a
// hook the text goes to standard error.
using TMessageLinesHook = std::function<void(const std::string& text, TMessageLinesKind kind)>;
void SetMessageLinesHook(TMessageLinesHook hook);
TMessageLinesHook GetMessageLinesHook();
using TScopedMessageLinesHook = TScopedInstall<TMessageLinesHook, &SetMessageLinesHook, &GetMessageLinesHook>;
// Shows text with one OK button, each comma-separated part on a line of its own ("\r" after each);
// a "//" cuts the rest of the message.
void MessageDlgLines(std::string_view text, TMessageLinesKind kind);

// ---- folders and files -----------------------------------------------------------------------

// The data roots decided at start-up; only folders below one of them may be deleted, copied or
// moved. No roots: nothing is.
void SetSafeRoots(std::vector<std::filesystem::path> roots);
std::vector<std::filesystem::path> SafeRoots();
// The parent of a shared-server data folder joins the roots (once), so that fetching and storing
// shared data may replace the files of its areas.
void AllowShareFolder(const std::string& share);
// True for an absolute path that, with symbolic links and "." and ".." resolved, lies strictly below
// a data root and is none of "/", the home folder or above it, nor a system folder.
bool IsSafeDirectory(const std::string& path);
// Deletes a folder with its tree (or a file). allowUndo moves it into the user's trash instead.
// A refused path shows "ルート・システムディレクトリは、削除できません。<path> " and gives false.
bool DeleteDirectory(const std::string& path, bool allowUndo, bool showErrors);
// Mode 2 copies, mode 1 moves; other modes give false. A source whose last part holds "*" or "?"
// takes every match into the target folder; a single source goes into an existing target folder,
// or becomes the target. A refused path shows "指定ディレクトリ[src->dst]の複写・移動はできません。 ".
bool CopyMoveDirectory(const std::string& source, const std::string& target, int mode);
// Copies one file, replacing an existing target.
bool CopyFileOver(const std::string& source, const std::string& target);

// ---- online manual ---------------------------------------------------------------------------

// How a page is shown: ui or app may replace it; by default "xdg-open" runs with the path.
using TUrlOpener = std::function<void(const std::string& path)>;
void SetUrlOpener(TUrlOpener opener);
// Opens a page of the HTML manual under helpDir; the start pages sit in helpDir itself, others in
// "olm.files" (application kinds 0 to 2) or "csbolm.files" (kind 3). Always 0.
int OpenOnlineManual(const std::string& page, const std::string& helpDir, int appKind);

} // namespace kb
