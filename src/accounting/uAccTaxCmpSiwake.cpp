#include "accounting/uAccTaxCmpSiwake.h"

#include "core/z5ComFunc.h"

#include <limits>
#include <stdexcept>

namespace kb {

namespace {

// amount × rate / den as a currency, taken to the nearest ten-thousandth (ties to even) as the
// currency arithmetic does; den is in ten-thousandths of a percent point.
Currency TaxQuotient(Currency amount, Currency rate, __int128 den)
{
    if (den == 0) throw std::domain_error("tax rate divisor is zero");
    const __int128 num = static_cast<__int128>(amount.Raw()) * rate.Raw();
    // Round in 128 bits first, then make sure the result still fits a currency.
    __int128 q = num / den;
    const __int128 r = num % den;
    if (r != 0) {
        const __int128 twice = (r < 0 ? -r : r) * 2;
        const __int128 d = den < 0 ? -den : den;
        if (twice > d || (twice == d && q % 2 != 0)) q += ((num < 0) != (den < 0)) ? -1 : 1;
    }
    if (q > std::numeric_limits<std::int64_t>::max() || q < std::numeric_limits<std::int64_t>::min())
        throw std::overflow_error("tax amount out of range");
    return Currency::FromRaw(static_cast<std::int64_t>(q));
}

constexpr std::int64_t kHundred = 100 * Currency::kScale;

const char* const kCalcError = "仕訳の消費税額が計算できません。";

// Amounts typed by hand can be as large as the column holds; their sum or difference must not
// wrap around silently.
Currency Add(Currency a, Currency b)
{
    std::int64_t r = 0;
    if (__builtin_add_overflow(a.Raw(), b.Raw(), &r)) throw std::overflow_error("amount out of range");
    return Currency::FromRaw(r);
}

Currency Sub(Currency a, Currency b)
{
    std::int64_t r = 0;
    if (__builtin_sub_overflow(a.Raw(), b.Raw(), &r)) throw std::overflow_error("amount out of range");
    return Currency::FromRaw(r);
}

void ShowError(const TZeiErrorSink& showError)
{
    if (showError) showError(kCalcError);
    else MessageDlgLines(kCalcError, TMessageLinesKind::Error);
}

} // namespace

bool CalcZeigaku(const TZeiDataInfo& info, const TSWKREC& entry, TSwkBalance& side, const TZeiErrorSink& showError)
{
    TZeiCodeInfo code;
    GetZeiCodeInfo(side.TAXCODE, code);
    side.TAXUH = code.TAXUH;
    side.TAXDC = code.TAXDC;
    side.NUK = Currency();
    side.ZEI = Currency();
    side.RIT = Currency();
    try {
        Currency rate = GetZeiRitu(info, entry.OLDRATE, entry.HIZUKE);
        if (side.RITUNO != entry.OLDRATE) rate = GetZeiRitu(info, side.RITUNO, entry.HIZUKE);
        if (side.TAXUH != 0) side.RIT = rate;

        const bool taxAccount = IsZeiKamoku(info, side.KCODE);
        if (side.TAXUH == 0 || taxAccount) {
            side.NUK = entry.KINGAKU;
            side.ZEI = Currency();
            const bool neutral = side.TAXCODE == kZeiCodeTaisyougai || side.TAXCODE == kZeiCodeMitei;
            side.RIT = taxAccount && !neutral ? rate : Currency();
            return true;
        }

        if (entry.AUTCALCU == 0) {
            switch (entry.TAXCALCU) {
            case 0: side.NUK = Sub(entry.KINGAKU, entry.ZEIGAKU); side.ZEI = entry.ZEIGAKU; break;
            case 1: side.NUK = entry.KINGAKU; side.ZEI = entry.ZEIGAKU; break;
            default: side.NUK = entry.KINGAKU; side.ZEI = Currency(); break;
            }
            return true;
        }

        const int mode = side.TAXUH == 1 ? info.TAXU_HASUU : info.TAXH_HASUU;
        switch (entry.TAXCALCU) {
        case 0: {
            const Currency tax = HasuSyori(mode, TaxQuotient(entry.KINGAKU, rate, kHundred + rate.Raw()));
            side.NUK = Sub(entry.KINGAKU, tax);
            side.ZEI = tax;
            break;
        }
        case 1: {
            const Currency tax = HasuSyori(mode, TaxQuotient(entry.KINGAKU, rate, kHundred));
            side.NUK = entry.KINGAKU;
            side.ZEI = tax;
            break;
        }
        default:
            side.NUK = entry.KINGAKU;
            side.ZEI = Currency();
            break;
        }
        return true;
    } catch (const std::exception&) {
        ShowError(showError);
        return false;
    }
}

bool CalcSiwakeZeigaku(const TZeiDataInfo& info, TSWKREC& entry, const TZeiErrorSink& showError)
{
    if (IsTokuteiSiireCode(entry.L.TAXCODE) || IsTokuteiSiireCode(entry.R.TAXCODE)) entry.TAXCALCU = 2;
    entry.KINGAKU = HasuSyori(0, entry.KINGAKU);
    entry.ZEIGAKU = HasuSyori(0, entry.ZEIGAKU);

    if (!CalcZeigaku(info, entry, entry.L, showError)) return false;
    if (!CalcZeigaku(info, entry, entry.R, showError)) return false;

    const bool debitTaxed = entry.L.RIT > Currency();
    const bool creditTaxed = entry.R.RIT > Currency();
    if (debitTaxed && !creditTaxed) entry.OLDRATE = entry.L.RITUNO;
    else if (creditTaxed && !debitTaxed) entry.OLDRATE = entry.R.RITUNO;
    else if (debitTaxed && creditTaxed && entry.L.RITUNO == entry.R.RITUNO) entry.OLDRATE = entry.L.RITUNO;

    // Sizes are compared through __int128: the smallest currency has no positive counterpart.
    const auto size = [](Currency c) { return c.Raw() < 0 ? -static_cast<__int128>(c.Raw()) : c.Raw(); };
    if (entry.TAXCALCU == 1) {
        // The untaxed side carries the gross amount. The sums are compared by size, so that in a
        // negative entry (a reversal) it is still the untaxed side, not the taxed one, that takes it.
        Currency debit, credit;
        try {
            debit = Add(entry.L.NUK, entry.L.ZEI);
            credit = Add(entry.R.NUK, entry.R.ZEI);
        } catch (const std::exception&) {
            ShowError(showError);
            return false;
        }
        if (debit != credit) {
            const bool debitSmaller = size(debit) < size(credit) || (size(debit) == size(credit) && debit < credit);
            TSwkBalance& smaller = debitSmaller ? entry.L : entry.R;
            smaller.NUK = debitSmaller ? credit : debit;
            smaller.ZEI = Currency();
        }
    }

    // The taxed side's tax; by size, so that a reversal keeps its (negative) tax.
    entry.ZEIGAKU = size(entry.R.ZEI) >= size(entry.L.ZEI) ? entry.R.ZEI : entry.L.ZEI;
    return true;
}

bool CalcZeigaku(const TSWKREC& entry, TSwkBalance& side)
{
    return CalcZeigaku(ZeiDataInfoFromAccInf(), entry, side);
}

bool CalcSiwakeZeigaku(TSWKREC& entry)
{
    return CalcSiwakeZeigaku(ZeiDataInfoFromAccInf(), entry);
}

} // namespace kb
