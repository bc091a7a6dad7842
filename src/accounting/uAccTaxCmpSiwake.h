#pragma once
// The consumption tax of one journal entry: the net amount, tax and rate of each side and the
// entry's tax amount and rate number. The rules and tables it uses are in core/uAccTaxCmp.h.

#include "accounting/SwkRec.h"
#include "core/uAccTaxCmp.h"

#include <functional>
#include <string>

namespace kb {

// Where a failed computation's error text goes. Empty: the error box (MessageDlgLines).
using TZeiErrorSink = std::function<void(const std::string& message)>;

// Fills the side's TAXUH, TAXDC, NUK, ZEI and RIT. On a failure (an amount out of the currency's
// range) "仕訳の消費税額が計算できません。" is shown and the result is false; the side keeps what
// was written before.
bool CalcZeigaku(const TZeiDataInfo& info, const TSWKREC& entry, TSwkBalance& side,
                 const TZeiErrorSink& showError = {});
// Computes both sides and the entry's ZEIGAKU and OLDRATE; false when a side fails.
bool CalcSiwakeZeigaku(const TZeiDataInfo& info, TSWKREC& entry, const TZeiErrorSink& showError = {});
// The same for the open data set (AccInf).
bool CalcZeigaku(const TSWKREC& entry, TSwkBalance& side);
bool CalcSiwakeZeigaku(TSWKREC& entry);

} // namespace kb
