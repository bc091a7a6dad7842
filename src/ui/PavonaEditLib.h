#pragma once
#include "ui/ImeMode.h"
// Types shared by the keyboard-first entry controls, and the decisions they make about keys.
// The decisions are plain functions so that they can be checked without a window.

#include <Qt>
#include <initializer_list>
#include <cstdint>

class QWidget;

namespace kb {

enum class TKeyStyle : std::uint8_t { ksEnter = 0, ksLeft = 1, ksUp = 2, ksRight = 3, ksDown = 4 };
enum class TAutoNextCtl : std::uint8_t { acMaxLength = 0, acTabKey = 1, acDownKey = 2, acSendEnter = 3 };

// A small set held in one byte (bit n = ordinal n), as the stored forms keep it.
template <typename E, int Count>
class TSmallSet {
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<E> items)
    {
        for (E e : items) bits_ |= Bit(e);
    }
    static constexpr TSmallSet FromByte(std::uint8_t b)
    {
        TSmallSet s;
        s.bits_ = static_cast<std::uint8_t>(b & ((1u << Count) - 1)); // undefined members are dropped
        return s;
    }
    constexpr std::uint8_t Byte() const { return bits_; }
    constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(E e) { bits_ |= Bit(e); }
    constexpr void Exclude(E e) { bits_ &= static_cast<std::uint8_t>(~Bit(e)); }
    constexpr bool operator==(const TSmallSet&) const = default;

private:
    static constexpr std::uint8_t Bit(E e) { return static_cast<std::uint8_t>(1u << static_cast<int>(e)); }
    std::uint8_t bits_ = 0;
};

using TKeyStyles = TSmallSet<TKeyStyle, 5>;
using TAutoNextCtls = TSmallSet<TAutoNextCtl, 4>;

// Where a key sends the focus.
enum class TFocusMove { None, Next, Prev };

// The direction a key stands for when its style is set and no modifier is held; None otherwise.
// Enter is included here; controls that test Enter apart simply ask for the arrows.
TFocusMove KeyStyleMove(int qtKey, Qt::KeyboardModifiers mods, TKeyStyles styles);

// Edit fields decide Left and Right by the caret: Left leaves only from position 0 with nothing or
// everything selected, Right only when the selection covers the whole text (or the field is empty).
TFocusMove EditArrowMove(int qtKey, Qt::KeyboardModifiers mods, TKeyStyles styles, int selStart, int selLength,
                         int textLength);

// Moves the focus to the next or previous control of the form that holds w, as the dialog's own
// Tab order has it. Returns false (and moves nothing) when w is not on a form.
bool MoveFocusOnForm(QWidget* w, bool next);

} // namespace kb

#include <string>
#include <string_view>

namespace kb {

// Input-method modes a field may ask for; only imDisable changes anything on Linux (no input method).
// TImeMode: see ui/ImeMode.h

// Readings: the capture keeps kana; callers read it as katakana, or as half-width katakana.
// Each conversion looks at most at the first 1024 CP932 bytes, as the original mapping call did.
std::string ToKatakana(std::string_view utf8);
std::string ToHalfWidth(std::string_view utf8);
// True when every character is hiragana, katakana (full or half width), the prolonged sound mark or
// a blank: committed text of this kind is its own reading and may be captured honestly.
bool IsKanaReading(std::string_view utf8);

} // namespace kb
