#pragma once
// uAccSisanhyoKessan: the rows of the closing-statement trial balance, with the columns and figures
// that the data set's procedure SP_SISANHYO_KESSAN(:TAX, :ZENTAX) returns, computed from one grouped
// read each of KAMOKU_SZ, KAMOKU_MS and KAMOKU_PZ (and, tax-excluded, KAMOKU_TAX) and the layout and
// account masters.
//
// Why: the procedure sums the three tables account by account for every layout line, and the
// schema as the accounting application makes it has no index that starts with KCODE, so every sum
// scans its table. The grouped reads visit each table once.
//
// One row per layout line of EXTERKS (in KGROUP, SUBREC, REC order) that has at least one account in
// use (KAMOKUMST.EXT1_KS, USE > 0, in USERCODE order) with a KAMOKU_SZ row:
//   - GROUPM1 = GROUPM2 = KGROUP, MSTREC = REC, SUBREC; TAISHAKU, BSPL, USERCODE, KCODE, KNAME of
//     the first such account; USERCODE and KCODE "-" when the line holds several accounts or a
//     caption (KNAME1, trimmed) of its own that is not the account's name; the caption replaces
//     the name when there is one;
//   - KAISIZAN: the openings (KISHU_KOMI, tax-excluded KISHU_NUKI) of all its accounts, an account
//     whose side is the other natural side than the line's counted negative; KAR01..16, KAS01..16:
//     the period sums, never signed (tax-excluded: KAR_NUK - KAR_IKKATSU, else KAR_NUK + KAR_TAX),
//     the provisional-tax accounts of ACCDEF2 with their KAMOKU_TAX sums added when tax-excluded;
//   - KISHU1 (KAKOZAN), KISHU0 (KAISIZAN, start month after 1 only), ZANM00..15 (periods 0..-15 of
//     KAMOKU_PZ) and ZANP01..15 (periods 1..15), signed like the opening; tax-excluded, only the
//     provisional-tax accounts carry their ZEIGAKU.
// The reads run on the caller's connection and transaction; database errors pass to the caller.

#include "accounting/uAccSisanhyou.h"
#include "platform/Currency.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

namespace fb {
class Connection;
class Transaction;
}

struct TKessanRow {
    std::string GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL;
    int TAISHAKU = 0;
    int MSTREC = 0;
    int SUBREC = 0;
    Currency KAISIZAN;
    std::array<Currency, 17> KAR{}, KAS{};  // 1..16
    Currency KISHU0, KISHU1;
    std::array<Currency, 16> ZANM{};        // 0..15
    std::array<Currency, 16> ZANP{};        // 1..15
};

// The rows as the procedure returns them for :TAX = Tax (1 tax-excluded).
std::vector<TKessanRow> AccSisanhyoKessanRows(fb::Connection& db, fb::Transaction& tr, int Tax);

// The procedure's result columns, in its order.
const std::vector<std::string>& AccSisanhyoKessanColumns();

// The rows as a row source for the placement, columns read by the procedure's names.
class TKessanRowSource : public ISisanhyoRowSource {
public:
    explicit TKessanRowSource(std::vector<TKessanRow> rows) : rows_(std::move(rows)) {}
    bool Eof() const override { return pos_ >= rows_.size(); }
    void Next() override { ++pos_; }
    bool HasColumn(std::string_view name) const override;
    std::string Text(std::string_view name) const override;
    int Integer(std::string_view name) const override;
    Currency Amount(std::string_view name) const override;

private:
    std::vector<TKessanRow> rows_;
    std::size_t pos_ = 0;
};

} // namespace kb
