#pragma once
// Small helpers shared by screens and services: facts of the machine, waiting while the event
// loop runs, width and kana mapping of Japanese text, delimited and key=value text, number
// formatting, rounding at a decimal digit, bit flags and the menu-permission level number.
// The window chores (bringing a window to the front, discarding queued input, sizes that follow
// the screen) need widgets and live in ui/z5WinFunc.h.
//
// As everywhere in the system, a helper reports failure through its result (0, an empty text or
// the unchanged input), never by raising.

#include <cstdint>
#include <string>
#include <string_view>

namespace kb {

// The operating system's major version (the kernel's here); 0 when it cannot be read.
int GetOSMajorVersion();
// The name of the user logged on to the system (at most 1024 characters); empty when unreadable.
std::string GetLogonUserName();
// Waits until the clock has advanced by the milliseconds, processing the event loop and sleeping
// 1 ms between checks. Call it only from the user-interface thread. Answers true.
bool WaitMSec(int milliseconds);

// Flags of MapStringLC, with the values the callers' settings were written with.
inline constexpr std::uint32_t LCMAP_HIRAGANA = 0x00100000;
inline constexpr std::uint32_t LCMAP_KATAKANA = 0x00200000;
inline constexpr std::uint32_t LCMAP_HALFWIDTH = 0x00400000;
inline constexpr std::uint32_t LCMAP_FULLWIDTH = 0x00800000;

// The text mapped by the flags: full width first, then hiragana or katakana, then half width,
// so that LCMAP_KATAKANA | LCMAP_HALFWIDTH turns hiragana into half-width katakana.
// Voiced and semi-voiced marks combine and split ("ｶﾞｷﾞ" <-> "ガギ"). Characters without a
// counterpart that Shift_JIS can hold stay as they are. The result is cut to 255 Shift_JIS
// bytes; a text that is not valid UTF-8 comes back unchanged.
std::string MapStringLC(std::uint32_t flags, std::string_view text);
// A Shift_JIS lead byte: 0x81 to 0x9F and 0xE0 to 0xFC.
bool IsSJISLead(unsigned char c);
// Full-width small Latin letters (ａ..ｚ) become capitals (Ａ..Ｚ); nothing else changes.
std::string ZenUpperCase(std::string_view text);
// The text without TAB, CR and LF.
std::string DelCtrlChars(std::string_view text);
// Item pos (1-based) after splitting at every delimiter and every line break; a final empty item
// counts as absent. Empty for a position out of range.
std::string GetDelimitedItem(std::string_view text, std::string_view delimiter, int pos);
// The whole "key=value" line of the first line whose key equals the key, ignoring letter case;
// empty when the text or the key is empty or no line has it.
std::string GetValueLine(std::string_view text, std::string_view key);

// "#,##0": 1234567 gives "1,234,567", -1234 gives "-1,234".
std::string FormatNumber(std::int64_t n);
// Left-padded with "0" to width Shift_JIS bytes; a longer text keeps its last width bytes.
std::string ZeroPadLeft(std::string_view text, int width);
// Rounds up (toward plus infinity) keeping d - 1 decimals (d = 0 rounds to tens); a value within
// 0.000001 above a step counts as that step.
double RoundAtDigit(int d, double x);
// Rounds down (toward minus infinity) keeping d - 1 decimals; a value within 0.000001 below a
// step counts as that step.
double RoundAtDigit2(int d, double x);
// base raised to the exponent; 0 when the base is 0.
double PowerOf(double exponent, double base);
// Sets bit n - 1 for n from 1 to 24; any other n leaves the set unchanged.
void SetBitFlag(std::int32_t& flags, int n);
// Bit n - 1 of the set, 0 or 1 (0 for n outside 1..32).
int GetBitFlag(std::int32_t flags, int n);
// The menu-permission level number b + a × factor in 16 bits. The data module forms it from
// the medical-corporation flag (a, 0 or 1), the job level (b) and the factor 1000.
std::int16_t MakeLevelNo(int a, int b, int factor);
void MakeLevelNo(std::int16_t& levelNo, int a, int b, int factor);

// A colour as stored ($00BBGGRR): white and black stay, any other colour becomes the grey of the
// rounded mean of its channels. A value that is not a plain RGB colour (a system colour or
// "none") gives the grey $808080.
std::uint32_t ColorToGray(std::uint32_t color);

} // namespace kb
