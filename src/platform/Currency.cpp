#include "platform/Currency.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

namespace kb {

std::int64_t DivRound(__int128 num, __int128 den, RoundMode mode)
{
    if (den == 0) throw std::domain_error("division by zero");
    if (den < 0) { num = -num; den = -den; }
    __int128 q = num / den; // truncates toward zero
    const __int128 r = num % den;
    if (r == 0) {
        if (q > INT64_MAX || q < INT64_MIN) throw std::overflow_error("currency value out of range");
        return static_cast<std::int64_t>(q);
    }
    const bool neg = num < 0;
    const __int128 twice = (r < 0 ? -r : r) * 2;
    bool up = false; // move one step away from zero
    switch (mode) {
    case RoundMode::TowardZero: up = false; break;
    case RoundMode::AwayFromZero: up = true; break;
    case RoundMode::HalfAwayFromZero: up = twice >= den; break;
    case RoundMode::HalfEven: up = twice > den || (twice == den && (q % 2 != 0)); break;
    case RoundMode::Floor: up = neg; break;
    case RoundMode::Ceiling: up = !neg; break;
    }
    if (up) q += neg ? -1 : 1;
    if (q > INT64_MAX || q < INT64_MIN) throw std::overflow_error("currency value out of range");
    return static_cast<std::int64_t>(q);
}

Currency Currency::FromDouble(double v)
{
    const double scaled = std::round(v * kScale);
    // 2^63 is exactly representable; anything at or past it (or not a number) has no count.
    if (!std::isfinite(scaled) || scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0)
        throw std::overflow_error("currency value out of range");
    return FromRaw(static_cast<std::int64_t>(scaled));
}

std::optional<Currency> Currency::Parse(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) { neg = text[i] == '-'; ++i; }
    __int128 whole = 0;
    int digits = 0;
    for (; i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == ','); ++i) {
        if (text[i] == ',') continue;
        whole = whole * 10 + (text[i] - '0');
        ++digits;
        if (whole > INT64_MAX / kScale) return std::nullopt;
    }
    std::int64_t frac = 0;
    int fd = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            if (++fd > 4) return std::nullopt;
            frac = frac * 10 + (text[i] - '0');
        }
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size() || (digits == 0 && fd == 0)) return std::nullopt;
    for (int k = fd; k < 4; ++k) frac *= 10;
    // The range is not symmetric: the most negative count has no positive twin.
    const __int128 raw = neg ? -(whole * kScale + frac) : whole * kScale + frac;
    if (raw > INT64_MAX || raw < INT64_MIN) return std::nullopt;
    return FromRaw(static_cast<std::int64_t>(raw));
}

std::string Currency::ToString() const
{
    const bool neg = raw_ < 0;
    const unsigned __int128 a = neg ? -static_cast<__int128>(raw_) : raw_;
    std::string s = std::to_string(static_cast<unsigned long long>(a / kScale));
    auto f = static_cast<unsigned>(a % kScale);
    if (f) {
        std::string d = std::to_string(f + kScale).substr(1);
        while (!d.empty() && d.back() == '0') d.pop_back();
        s += "." + d;
    }
    return neg ? "-" + s : s;
}

Currency Currency::MulDiv(std::int64_t num, std::int64_t den, RoundMode mode) const
{
    return FromRaw(DivRound(static_cast<__int128>(raw_) * num, den, mode));
}

Currency Currency::Mul(Currency o, RoundMode mode) const
{
    return FromRaw(DivRound(static_cast<__int128>(raw_) * o.raw_, kScale, mode));
}

Currency Currency::Div(Currency o, RoundMode mode) const
{
    return FromRaw(DivRound(static_cast<__int128>(raw_) * kScale, o.raw_, mode));
}

} // namespace kb
