#pragma once
// Money. A 64-bit count of ten-thousandths of a yen, as the databases store NUMERIC(16,4) and as
// the accounting family's currency type holds it. Arithmetic is exact; every rounding names its mode.
// Formatting lives outside the type (no process-wide separator state).

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kb {

enum class RoundMode {
    TowardZero,       // cut the fraction (切り捨て)
    AwayFromZero,     // any fraction goes up in magnitude (切り上げ)
    HalfAwayFromZero, // 0.5 goes up in magnitude (四捨五入)
    HalfEven,         // 0.5 goes to the even neighbour (the Pascal Round of the original)
    Floor,            // toward minus infinity
    Ceiling,          // toward plus infinity
};

// Divides exactly and rounds the quotient to an integer by mode. den must not be 0; a quotient
// past 64 bits throws std::overflow_error (so do MulDiv, Mul and Div).
std::int64_t DivRound(__int128 num, __int128 den, RoundMode mode);

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(std::int64_t raw) { Currency c; c.raw_ = raw; return c; }
    static constexpr Currency FromYen(std::int64_t yen) { return FromRaw(yen * kScale); }
    // Nearest ten-thousandth (half away from zero); only for values that came as floating point.
    // Throws std::overflow_error past the range (and for NaN).
    static Currency FromDouble(double v);
    // "-1234", "1234.5", "1,234.5678"; nullopt for anything else, more than four decimals or a
    // value past the range.
    static std::optional<Currency> Parse(std::string_view text);

    constexpr std::int64_t Raw() const { return raw_; }
    double ToDouble() const { return static_cast<double>(raw_) / kScale; }
    // Whole yen by the given rounding (TowardZero is the Pascal Trunc).
    std::int64_t ToYen(RoundMode mode = RoundMode::TowardZero) const { return DivRound(raw_, kScale, mode); }
    // Rounded to a whole yen, still a currency.
    Currency RoundYen(RoundMode mode) const { return FromYen(ToYen(mode)); }
    bool IsZero() const { return raw_ == 0; }
    bool HasFraction() const { return raw_ % kScale != 0; }

    // "1234.5" style: minus sign, no separators, trailing zero decimals dropped.
    std::string ToString() const;

    constexpr Currency operator-() const { return FromRaw(-raw_); }
    constexpr Currency operator+(Currency o) const { return FromRaw(raw_ + o.raw_); }
    constexpr Currency operator-(Currency o) const { return FromRaw(raw_ - o.raw_); }
    constexpr Currency operator*(std::int64_t n) const { return FromRaw(raw_ * n); }
    Currency& operator+=(Currency o) { raw_ += o.raw_; return *this; }
    Currency& operator-=(Currency o) { raw_ -= o.raw_; return *this; }
    Currency& operator*=(std::int64_t n) { raw_ *= n; return *this; }

    // this * num / den, exact in 128 bits, rounded to a ten-thousandth by mode.
    Currency MulDiv(std::int64_t num, std::int64_t den, RoundMode mode) const;
    // Product of two currencies, rounded to a ten-thousandth by mode.
    Currency Mul(Currency o, RoundMode mode = RoundMode::HalfEven) const;
    // Quotient of two currencies as a currency, rounded to a ten-thousandth by mode.
    Currency Div(Currency o, RoundMode mode = RoundMode::HalfEven) const;

    constexpr auto operator<=>(const Currency&) const = default;

private:
    std::int64_t raw_ = 0;
};

constexpr Currency operator*(std::int64_t n, Currency c) { return c * n; }

} // namespace kb
