#include "accounting/uAccClasses.h"

#include "core/uAccRecord.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace kb {

void AccZanClearRecord(TBALANCE& Rec)
{
    Rec.SISETU = TSISREC{};
    Rec.BUMON = TBUMREC{};
    Rec.KAMOKU = TKMKREC{};
    Rec.HOJO = THOJREC{};
    Rec.KAISIZAN = {};
    Rec.KISHU0 = {};
    Rec.HOJCNT = 0;
    Rec.ZENZAN = Rec.KARIKATA = Rec.KASIKATA = Rec.TOUZAN = Rec.KOUSEIHI = {};
    Rec.KARI.fill({});
    Rec.KASI.fill({});
    Rec.ZOUGEN.fill({});
    Rec.RUIZAN.fill({});
    Rec.KIKANHI.fill({});
    Rec.KaisizanCopy.fill({});
    Rec.Extra.fill({});
}

void AccZanInitRecords(std::vector<TBALANCE>& Recs, int Last, std::vector<TQSORT>& Sorts)
{
    if (Last < 0) return;
    const auto need = static_cast<std::size_t>(Last) + 1;
    if (need > Recs.size() || need > Sorts.size())
        throw std::out_of_range("AccZanInitRecords: last index " + std::to_string(Last) + " beyond the arrays (" +
                                std::to_string(Recs.size()) + ", " + std::to_string(Sorts.size()) + ")");
    for (int i = 0; i <= Last; ++i) {
        AccZanClearRecord(Recs[i]);
        Sorts[i].QKEY = kAccZanEmptyKey;
        Sorts[i].QINDEX = i;
    }
}

Currency AccZanRatioPercent(double X)
{
    if (!std::isfinite(X)) return {};
    const double tenths = std::trunc(X >= 0 ? X * 1000 + 0.5 : X * 1000 - 0.5);
    // One tenth of a percent is 1000 ten-thousandths.
    constexpr double limit = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 1000);
    if (tenths >= limit) return Currency::FromRaw(std::numeric_limits<std::int64_t>::max() / 1000 * 1000);
    if (tenths <= -limit) return Currency::FromRaw(-(std::numeric_limits<std::int64_t>::max() / 1000 * 1000));
    return Currency::FromRaw(static_cast<std::int64_t>(tenths) * 1000);
}

int AccZanMaxKamoku() { return AccInf.IryouHoujin ? kAccZanMaxKamokuMedical : kAccZanMaxKamokuNormal; }

int AccZanPrepareArrays(std::vector<TBALANCE>& Recs, std::vector<TQSORT>& Sorts)
{
    const int n = AccZanMaxKamoku();
    Recs.clear();
    Sorts.clear();
    Recs.resize(n);
    Sorts.resize(n);
    AccZanInitRecords(Recs, n - 1, Sorts);
    return n - 1;
}

} // namespace kb
