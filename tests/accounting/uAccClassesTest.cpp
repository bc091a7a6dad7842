// Balance records, sort entries, clearing, capacity and the ratio rounding.

#include "accounting/uAccClasses.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kb {
namespace {

Currency Pct(std::int64_t tenths) { return Currency::FromRaw(tenths * 1000); }

TEST(AccZanRatioPercent, RoundsToOneDecimalHalfAwayFromZero)
{
    const struct { double x; std::int64_t tenths; } cases[] = {
        {0.25, 250}, {0.12345, 123}, {0.12355, 124}, {-0.12355, -124}, {-0.12345, -123},
        {0.0, 0},    {1.0, 1000},    {0.00049, 0},   {0.0005, 1},      {-0.0005, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(AccZanRatioPercent(c.x), Pct(c.tenths)) << c.x;
}

TEST(AccZanRatioPercent, NonFiniteAndHugeRatiosStayInRange)
{
    EXPECT_EQ(AccZanRatioPercent(std::numeric_limits<double>::quiet_NaN()), Currency());
    EXPECT_EQ(AccZanRatioPercent(std::numeric_limits<double>::infinity()), Currency());
    EXPECT_GT(AccZanRatioPercent(1e300), Pct(1000000));
    EXPECT_LT(AccZanRatioPercent(-1e300), Pct(-1000000));
}

TBALANCE FilledRecord()
{
    TBALANCE r;
    r.SISETU = {"01", "本店", 1};
    r.BUMON.BCODE = "B1";
    r.BUMON.BNAME = "営業部";
    r.BUMON.HAIBU = 3;
    r.BUMON.HaibuKingaku[19] = Currency::FromYen(9);
    r.KAMOKU.KCODE = "K111";
    r.KAMOKU.USERCODE = "111";
    r.KAMOKU.GROUPM1 = "1100";
    r.KAMOKU.KNAME = "現金";
    r.KAMOKU.TAISHAKU = 1;
    r.KAMOKU.BSPL = "B";
    r.KAMOKU.EXT1_KS = 4;
    r.HOJO = {"1", "Ａ銀行", "ｴｰ", "x", 5, 6, 7};
    r.KAISIZAN = Currency::FromYen(300000);
    r.KISHU0 = Currency::FromYen(1);
    r.HOJCNT = 2;
    r.HOJUTIWAKE.resize(2);
    r.HOJUTIWAKE[1].TOUZAN = Currency::FromYen(7);
    r.MSTREC = 12;
    r.SUBREC = 3;
    r.GOUKEISU = 4;
    r.ZENZAN = r.KARIKATA = r.KASIKATA = r.TOUZAN = Currency::FromYen(5);
    r.KOUSEIHI = Pct(1000);
    r.ZENNEN = Currency::FromYen(77);
    r.KARI[33] = r.KASI[48] = r.ZOUGEN[32] = r.RUIZAN[51] = r.KIKANHI[0] = Currency::FromYen(8);
    r.KaisizanCopy = {Currency::FromYen(300000), Currency::FromYen(300000)};
    r.Extra = {Currency::FromYen(2), Currency::FromYen(3)};
    return r;
}

TEST(AccZanClearRecord, EmptiesEverythingButBreakdownLayoutCountAndPreviousYear)
{
    TBALANCE r = FilledRecord();
    AccZanClearRecord(r);

    EXPECT_TRUE(r.SISETU.SCODE.empty());
    EXPECT_EQ(r.SISETU.MB_JIGYOU, 0);
    EXPECT_TRUE(r.BUMON.BNAME.empty());
    EXPECT_EQ(r.BUMON.HaibuKingaku[19], Currency());
    EXPECT_TRUE(r.KAMOKU.KCODE.empty());
    EXPECT_TRUE(r.KAMOKU.KNAME.empty());
    EXPECT_TRUE(r.KAMOKU.BSPL.empty());
    EXPECT_EQ(r.KAMOKU.TAISHAKU, 0);
    EXPECT_EQ(r.KAMOKU.EXT1_KS, 0);
    EXPECT_TRUE(r.HOJO.HNAME.empty());
    EXPECT_EQ(r.HOJO.DELFLG, 0);
    EXPECT_EQ(r.KAISIZAN, Currency());
    EXPECT_EQ(r.KISHU0, Currency());
    EXPECT_EQ(r.HOJCNT, 0);
    EXPECT_EQ(r.TOUZAN, Currency());
    EXPECT_EQ(r.KOUSEIHI, Currency());
    for (int i = 0; i < kAccZanPeriods; ++i) {
        EXPECT_EQ(r.KARI[i], Currency());
        EXPECT_EQ(r.KASI[i], Currency());
        EXPECT_EQ(r.ZOUGEN[i], Currency());
        EXPECT_EQ(r.RUIZAN[i], Currency());
        EXPECT_EQ(r.KIKANHI[i], Currency());
    }
    EXPECT_EQ(r.KaisizanCopy[1], Currency());
    EXPECT_EQ(r.Extra[1], Currency());

    // kept
    ASSERT_EQ(r.HOJUTIWAKE.size(), 2u);
    EXPECT_EQ(r.HOJUTIWAKE[1].TOUZAN, Currency::FromYen(7));
    EXPECT_EQ(r.MSTREC, 12);
    EXPECT_EQ(r.SUBREC, 3);
    EXPECT_EQ(r.GOUKEISU, 4);
    EXPECT_EQ(r.ZENNEN, Currency::FromYen(77));
}

TEST(AccZanInitRecords, ClearsUpToLastAndMarksSortEntriesEmpty)
{
    std::vector<TBALANCE> recs(5, FilledRecord());
    std::vector<TQSORT> sorts(5, TQSORT{"1100", 99});
    AccZanInitRecords(recs, 3, sorts);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_TRUE(recs[i].KAMOKU.KCODE.empty()) << i;
        EXPECT_EQ(sorts[i].QKEY, "ﾟ");
        EXPECT_EQ(sorts[i].QINDEX, i);
    }
    EXPECT_EQ(recs[4].KAMOKU.KCODE, "K111");
    EXPECT_EQ(sorts[4].QINDEX, 99);
}

TEST(AccZanInitRecords, RefusesALastIndexBeyondEitherArrayWithoutTouchingThem)
{
    std::vector<TBALANCE> recs(3, FilledRecord());
    std::vector<TQSORT> sorts(2, TQSORT{"1100", 7});
    EXPECT_THROW(AccZanInitRecords(recs, 2, sorts), std::out_of_range);
    EXPECT_EQ(recs[0].KAMOKU.KCODE, "K111");
    EXPECT_EQ(sorts[0].QINDEX, 7);
    EXPECT_NO_THROW(AccZanInitRecords(recs, -1, sorts));
}

TEST(AccZanMaxKamoku, FollowsTheMedicalFlagAndSizesTheArrays)
{
    ResetAccRecord();
    EXPECT_EQ(AccZanMaxKamoku(), 500);
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    EXPECT_EQ(AccZanPrepareArrays(recs, sorts), 499);
    EXPECT_EQ(recs.size(), 500u);
    EXPECT_EQ(sorts[499].QINDEX, 499);
    AccInf.IryouHoujin = true;
    EXPECT_EQ(AccZanMaxKamoku(), 700);
    EXPECT_EQ(AccZanPrepareArrays(recs, sorts), 699);
    EXPECT_EQ(sorts.size(), 700u);
    ResetAccRecord();
}

TEST(TQSORT, EmptyEntriesSortAfterEveryRealLine)
{
    std::vector<TQSORT> sorts = {{"ﾟ", 0}, {"9900", 1}, {"ﾟ", 2}, {"1100A", 3}, {"zz", 4}, {"ﾟ", 5}, {"0001", 6}};
    SortNameRecs(sorts, 0, static_cast<int>(sorts.size()) - 1, [](const TQSORT& q) { return q.QKEY; });
    EXPECT_EQ(sorts[0].QINDEX, 6);
    EXPECT_EQ(sorts[1].QINDEX, 3);
    EXPECT_EQ(sorts[2].QINDEX, 1);
    EXPECT_EQ(sorts[3].QINDEX, 4);
    for (int i = 4; i < 7; ++i) EXPECT_EQ(sorts[i].QKEY, "ﾟ");
}

} // namespace
} // namespace kb
