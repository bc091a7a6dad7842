// The depreciation calculator against hand-computed statute cases: each rule and method, short
// years, the 5 per cent floor and write-down, the guarantee amount and revised rate, lump sum,
// small assets, lease, disposal, business share, rounding modes, and the refusals.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "linkage/z5ComGenkaSyokyaku.h"

using kb::Currency;
using kb::Date;
using kb::TGenkaSettei;
using kb::TGenkaSyokyakuSisanCalc;
using kb::TGenkaSyokyakuSisanRec;
using kb::TKsSisanRow;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

// Calendar 2024, full year; depreciation cut to whole yen, floor half up, business share cut.
TGenkaSettei Year2024(int months = 12)
{
    TGenkaSettei s;
    s.KISHU = months == 12 ? Date(2024, 1, 1) : Date(2024, 12, 1).AddMonths(1 - months);
    s.KIMATU = Date(2024, 12, 31);
    s.MonthNo = months;
    s.SDAI_HASUU1 = 0;
    s.SDAI_HASUU2 = 1;
    s.SDAI_HASUU3 = 0;
    return s;
}

TKsSisanRow Asset(int method, int life, Date acquired, long long cost, long long opening, int fromMonth = 1,
                  int toMonth = 12)
{
    TKsSisanRow r;
    r.REC = 1;
    r.GSHOUHOU = method;
    r.TAIYOUYY = life;
    r.SYUTODATE = acquired;
    r.SYUTOKIN = Yen(cost);
    r.KISYUMISYOUKIN = Yen(opening);
    r.SYOUKIKANSTR = fromMonth;
    r.SYOUKIKANEND = toMonth;
    r.JIGYOUWARIAI = Yen(100);
    r.MATUMISYOUKIN = Yen(opening > 0 ? opening / 2 : cost / 2); // a value left after the year
    return r;
}

TGenkaSyokyakuSisanRec Compute(const TGenkaSettei& s, const TKsSisanRow& row)
{
    TGenkaSyokyakuSisanCalc calc(s);
    TGenkaSyokyakuSisanRec rec;
    EXPECT_EQ(calc.CalcRow(row, rec), 1);
    return rec;
}

struct Case {
    std::string name;
    TGenkaSettei settei;
    TKsSisanRow row;
    int kubun;
    double rate;       // Syouritu
    long long kisokin; // base amount
    long long futu;    // ordinary depreciation
    int jyokyo;
};

TKsSisanRow With(TKsSisanRow r, void (*f)(TKsSisanRow&))
{
    f(r);
    return r;
}

} // namespace

TEST(GenkaSyokyaku, StatuteCases)
{
    const Date y2019(2019, 1, 1), y2020(2020, 1, 1), y2005(2005, 4, 1);
    const Case cases[] = {
        // 2012 rules, straight line 0.100, acquired in April: 1,000,000 x 0.100 x 9/12.
        {"new straight line, first year", Year2024(), Asset(1, 10, Date(2024, 4, 10), 1000000, 0, 4, 12), 2, 0.1,
         1000000, 75000, 0},
        {"new straight line, later year", Year2024(), Asset(1, 10, y2019, 1000000, 500000), 2, 0.1, 1000000, 100000, 1},
        // Memorandum value: from 2 yen 1 yen is taken; from 1 yen nothing, and the asset is done.
        {"new straight line down to the memo yen", Year2024(),
         With(Asset(1, 10, y2019, 1000000, 2), [](TKsSisanRow& r) { r.MATUMISYOUKIN = Yen(1); }), 2, 0.1, 1000000, 1, 1},
        {"new straight line at the memo yen", Year2024(),
         With(Asset(1, 10, y2019, 1000000, 1), [](TKsSisanRow& r) { r.MATUMISYOUKIN = Yen(1); }), 2, 0.1, 1000000, 0, 2},
        // 200 %: 409,600 x 0.200 = 81,920 is above the guarantee 1,000,000 x 0.06552 = 65,520.
        {"200% declining balance", Year2024(), Asset(2, 10, y2020, 1000000, 409600), 2, 0.2, 409600, 81920, 1},
        // 262,144 x 0.200 = 52,428.8 is below 65,520: revised, 262,144 x 0.250 = 65,536.
        {"200% switches to the revised rate", Year2024(), Asset(2, 10, y2020, 1000000, 262144), 2, 0.2, 262144, 65536,
         5},
        // A stored revised cost is used instead of the opening value: 262,000 x 0.250.
        {"200% revised with the stored revised cost", Year2024(),
         With(Asset(2, 10, y2020, 1000000, 262144),
              [](TKsSisanRow& r) {
                  r.KAITEISYUTOKUKAGAKU_INPUT = Yen(262000);
                  r.ISINPKAITEISYUTOKUKAGAKU = 1;
              }),
         2, 0.2, 262144, 65500, 5},
        // 2007 rules, 250 %: 300,000 x 0.250 = 75,000 above 1,000,000 x 0.04448.
        {"250% declining balance", Year2024(), Asset(2, 10, Date(2010, 6, 1), 1000000, 300000), 1, 0.25, 300000, 75000,
         1},
        // A 2007-2012 asset under the 200 % election: 300,000 x 0.200, guarantee on the adjusted cost.
        {"250% asset elected into 200%", Year2024(),
         With(Asset(2, 10, Date(2010, 6, 1), 1000000, 300000),
              [](TKsSisanRow& r) {
                  r.TEIRITU200 = 1;
                  r.SYUTOKUKAGAKUCHOSEI = Yen(500000);
              }),
         2, 0.2, 300000, 60000, 1},
        // An asset of 2012 or later under the 250 % transitional election, life 8: 200,000 x 0.313.
        {"2012 asset under the 250% election", Year2024(),
         With(Asset(2, 8, Date(2012, 5, 1), 800000, 200000), [](TKsSisanRow& r) { r.TEIRITU250 = 1; }), 1, 0.313,
         200000, 62600, 1},
        // Old rules, straight line on 90 %: 900,000 x 0.100.
        {"old straight line", Year2024(), Asset(1, 10, y2005, 1000000, 370000), 0, 0.1, 900000, 90000, 1},
        // The year may not go below the floor 50,000: 80,000 - 50,000.
        {"old straight line stops at 5 per cent", Year2024(), Asset(1, 10, y2005, 1000000, 80000), 0, 0.1, 900000, 30000,
         1},
        // At the floor, from 2007/4 on: (50,000 - 1) x 12 / 60 = 9,999.8, cut to 9,999.
        {"old rules write-down after the floor", Year2024(), Asset(1, 10, y2005, 1000000, 50000), 0, 0.1, 900000, 9999,
         6},
        {"old declining balance", Year2024(), Asset(2, 10, Date(2004, 1, 1), 1000000, 400000), 0, 0.206, 400000, 82400,
         1},
        // Short year of 6 months: 0.167 x 6/12 = 0.0835, rounded up to 0.084; 1,200,000 x 0.084 x 6/6.
        {"short year, new straight line", Year2024(6), Asset(1, 6, Date(2024, 7, 1), 1200000, 0, 1, 6), 2, 0.084,
         1200000, 100800, 0},
        // Old declining balance in 6 months: the rate of life 20 (0.109), 500,000 x 0.109 x 6/6.
        {"short year, old declining balance", Year2024(6), Asset(2, 10, Date(2003, 1, 1), 1000000, 500000, 1, 6), 0,
         0.109, 500000, 54500, 1},
        // Life 50 in 5 months converts to 120, over 100: the own rate 0.045 over m/12 = 5/12.
        {"short year, converted life over 100", Year2024(5), Asset(2, 50, Date(2003, 1, 1), 2000000, 1000000, 1, 5), 0,
         0.045, 1000000, 18750, 1},
        // Revised rate in a short year: up3(0.250 x 6/12) = 0.125; 262,144 x 0.125 x 6/6.
        {"short year, 200% revised", Year2024(6), Asset(2, 10, y2019, 1000000, 262144, 1, 6), 2, 0.1, 262144, 32768, 5},
        {"equal amortisation, 3 months", Year2024(), Asset(3, 5, Date(2024, 10, 1), 500000, 0, 10, 12), 2, 0, 500000,
         25000, 0},
        {"lump sum, first third", Year2024(), Asset(4, 3, Date(2024, 2, 1), 300000, 0), 2, 0, 300000, 100000, 0},
        // Less than 3 yen would remain: the whole 100,002 goes.
        {"lump sum, last third takes the remainder", Year2024(), Asset(4, 3, Date(2022, 2, 1), 300000, 100002), 2, 0,
         300000, 100002, 1},
        {"lump sum in a short year still a third", Year2024(6), Asset(4, 3, Date(2024, 8, 1), 300000, 0, 2, 6), 2, 0,
         300000, 100000, 0},
        {"small asset of the year", Year2024(), Asset(5, 0, Date(2024, 5, 1), 250000, 0), 2, 0, 250000, 250000, 0},
        {"small asset of an earlier year", Year2024(), Asset(5, 0, Date(2023, 5, 1), 250000, 0), 2, 0, 250000, 0, 2},
        // Lease of 60 months: 600,000 x 12 / 60; with a residual guarantee of 100,000 the base is 500,000.
        {"lease", Year2024(), Asset(6, 60, Date(2024, 1, 1), 600000, 0), 2, 0, 600000, 120000, 0},
        {"lease with residual guarantee", Year2024(),
         With(Asset(6, 60, Date(2024, 1, 1), 600000, 0), [](TKsSisanRow& r) { r.ZANKAHOSYOUGAKU = Yen(100000); }), 2, 0,
         500000, 100000, 0},
        // 5,000 would remain, less than one month's 10,000: the whole 125,000 goes.
        {"lease takes a remainder below one month", Year2024(), Asset(6, 60, Date(2020, 1, 1), 600000, 125000), 2, 0,
         600000, 125000, 1},
        // Dated after the year: taken as acquired at its start.
        {"acquired after the year end", Year2024(), Asset(1, 10, Date(2025, 3, 1), 1000000, 0), 2, 0.1, 1000000, 100000,
         0},
        {"scrapped", Year2024(),
         With(Asset(1, 10, y2019, 1000000, 500000),
              [](TKsSisanRow& r) {
                  r.JYOBAI = 1;
                  r.GENSYODATE = Date(2024, 6, 30);
              }),
         2, 0.1, 1000000, 100000, 3},
        {"sold", Year2024(),
         With(Asset(1, 10, y2019, 1000000, 500000),
              [](TKsSisanRow& r) {
                  r.JYOBAI = 2;
                  r.GENSYODATE = Date(2024, 6, 30);
              }),
         2, 0.1, 1000000, 100000, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TGenkaSyokyakuSisanRec r = Compute(c.settei, c.row);
        EXPECT_EQ(r.SyokyakuKubun, c.kubun);
        EXPECT_EQ(r.Syouritu, Currency::FromDouble(c.rate));
        EXPECT_EQ(r.Kisokin, Yen(c.kisokin));
        EXPECT_EQ(r.FutuSyoukin, Yen(c.futu));
        EXPECT_EQ(r.Jyokyo, c.jyokyo);
    }
}

TEST(GenkaSyokyaku, GuaranteeAmountRevisedRateAndFlags)
{
    // 200 %, life 10: guarantee 1,000,000 x 0.06552; revised rate 0.250.
    auto r = Compute(Year2024(), Asset(2, 10, Date(2020, 1, 1), 1000000, 262144));
    EXPECT_EQ(r.Hosyougaku, 65520.0);
    EXPECT_DOUBLE_EQ(r.Hosyouritu, 0.06552);
    EXPECT_DOUBLE_EQ(r.KaiteiSyouritu, 0.25);
    EXPECT_TRUE(r.KaiteiFlag);
    EXPECT_EQ(r.KaiteiSyutokuKagaku, Yen(262144)) << "no stored revised cost: the opening value is the revised cost";

    // Not yet revised: no flag, and the guarantee still reported.
    r = Compute(Year2024(), Asset(2, 10, Date(2020, 1, 1), 1000000, 409600));
    EXPECT_FALSE(r.KaiteiFlag);
    EXPECT_EQ(r.Hosyougaku, 65520.0);

    // The elected adjusted cost carries the guarantee: 500,000 x 0.06552.
    TKsSisanRow e = Asset(2, 10, Date(2010, 6, 1), 1000000, 300000);
    e.TEIRITU200 = 1;
    e.SYUTOKUKAGAKUCHOSEI = Yen(500000);
    EXPECT_EQ(Compute(Year2024(), e).Hosyougaku, 32760.0);

    // Old rules carry none; the short-year conversion flag.
    r = Compute(Year2024(5), Asset(2, 50, Date(2003, 1, 1), 2000000, 1000000, 1, 5));
    EXPECT_EQ(r.Hosyougaku, 0.0);
    EXPECT_TRUE(r.KansanFlag);
    EXPECT_TRUE(Compute(Year2024(), Asset(1, 10, Date(2005, 4, 1), 1000000, 50000)).SaisyokyakuFlag);
}

TEST(GenkaSyokyaku, OldRulesAtTheFloorBeforeApril2007TakeNothing)
{
    TGenkaSettei s;
    s.KISHU = Date(2006, 1, 1);
    s.KIMATU = Date(2006, 12, 31);
    s.SDAI_HASUU1 = 0;
    TKsSisanRow row = Asset(1, 10, Date(1996, 4, 1), 1000000, 50000);
    row.MATUMISYOUKIN = Yen(50000);
    const auto r = Compute(s, row);
    EXPECT_EQ(r.FutuSyoukin, Currency());
    EXPECT_FALSE(r.SaisyokyakuFlag);
    EXPECT_EQ(r.Jyokyo, 2) << "the floor is the end under the old rules";
}

TEST(GenkaSyokyaku, RoundingModesAndBusinessShare)
{
    // 1,000,005 x 0.334 = 334,001.67: cut, half up, up.
    const std::pair<int, long long> modes[] = {{0, 334001}, {1, 334002}, {2, 334002}, {7, 334002}};
    for (auto [mode, expected] : modes) {
        TGenkaSettei s = Year2024();
        s.SDAI_HASUU1 = mode;
        EXPECT_EQ(Compute(s, Asset(1, 3, Date(2024, 1, 5), 1000005, 0)).FutuSyoukin, Yen(expected)) << "mode " << mode;
    }
    // Business share 50 of a stored total of 10,001: 5,000.5 half up 5,001, cut 5,000.
    TKsSisanRow row = Asset(1, 10, Date(2019, 1, 1), 1000000, 500000);
    row.SYOUKINKEI = Yen(10001);
    row.JIGYOUWARIAI = Yen(50);
    TGenkaSettei s = Year2024();
    s.SDAI_HASUU3 = 1;
    auto r = Compute(s, row);
    EXPECT_EQ(r.JigyouKin, Yen(5001));
    EXPECT_EQ(r.JigyouWariai, Yen(50));
    s.SDAI_HASUU3 = 0;
    EXPECT_EQ(Compute(s, row).JigyouKin, Yen(5000));
}

TEST(GenkaSyokyaku, StoredValuesWinAndStillGetTheGuarantee)
{
    TKsSisanRow row = Asset(2, 10, Date(2020, 1, 1), 1000000, 409600);
    row.ISINPSYOURITU = 1;
    row.SYOURITU = Currency::FromDouble(0.3);
    row.ISINPKISOKIN = 1;
    row.KISOKIN = Yen(400000);
    row.ISINPFUTUSYOUKIN = 1;
    row.FUTUSYOUKIN = Yen(12345);
    row.SYOUKIKANSTR = 2;
    row.SYOUKIKANEND = 11;
    const auto r = Compute(Year2024(), row);
    EXPECT_EQ(r.Syouritu, Currency::FromDouble(0.3));
    EXPECT_EQ(r.Kisokin, Yen(400000));
    EXPECT_EQ(r.FutuSyoukin, Yen(12345));
    EXPECT_EQ(r.SyoukikanStr, 2);
    EXPECT_EQ(r.SyoukikanEnd, 11);
    EXPECT_EQ(r.Hosyougaku, 65520.0) << "method and life are known before the guarantee step";
}

TEST(GenkaSyokyaku, OtherDataKindsCountTheYearAndCutTheGuarantee)
{
    TGenkaSettei s = Year2024(6);
    s.DATATYPE = 1;
    // The lump sum counts the year's 6 months: 300,000 x 6 / 36.
    EXPECT_EQ(Compute(s, Asset(4, 3, Date(2024, 8, 1), 300000, 0, 2, 6)).FutuSyoukin, Yen(50000));
    // 1,000,009 x 0.06552 = 65,520.59: cut to 65,520 although depreciation rounds half up.
    s = Year2024();
    s.DATATYPE = 1;
    s.SDAI_HASUU1 = 1;
    EXPECT_EQ(Compute(s, Asset(2, 10, Date(2020, 1, 1), 1000009, 409600)).Hosyougaku, 65520.0);
    s.DATATYPE = 2;
    EXPECT_EQ(Compute(s, Asset(2, 10, Date(2020, 1, 1), 1000009, 409600)).Hosyougaku, 65521.0);
}

// A straight-line or declining-balance asset whose life the tables do not cover, or a method code
// no rule knows, is refused with a message naming the asset and its life; other methods take any life.
TEST(GenkaSyokyaku, AssetsTheTablesCannotComputeAreRefused)
{
    struct Refusal { std::string name; TKsSisanRow row; int column; std::string says; };
    const Refusal refusals[] = {
        {"200% life 1", Asset(2, 1, Date(2020, 1, 1), 1000000, 500000), 3, "耐用年数1年の定率法の償却率が償却率表に収録されていない"},
        {"200% life 101", Asset(2, 101, Date(2020, 1, 1), 1000000, 500000), 3, "耐用年数101年の定率法の償却率"},
        {"250% stored rate, life 0: the full-year rate is still needed", With(Asset(2, 0, Date(2010, 1, 1), 1000000, 500000),
            [](TKsSisanRow& r) { r.ISINPSYOURITU = 1; r.SYOURITU = Currency::FromRaw(1000); }), 3, "耐用年数0年の定率法の償却率"},
        {"new straight line life 0", Asset(1, 0, Date(2024, 1, 1), 1000000, 0), 2, "耐用年数0年の定額法の償却率"},
        {"old straight line life 120", Asset(1, 120, Date(2000, 1, 1), 1000000, 500000), 6, "耐用年数120年の旧定額法の償却率"},
        {"old declining balance life 1", Asset(2, 1, Date(2000, 1, 1), 1000000, 500000), 7, "耐用年数1年の旧定率法の償却率"},
        {"method 7", Asset(7, 10, Date(2024, 1, 1), 1000000, 0), 0, "償却方法（7）が不明なため、耐用年数10年の減価償却費を計算できません。"},
    };
    for (auto f : refusals) {
        SCOPED_TRACE(f.name);
        f.row.KANRI = "0042";
        f.row.MEISYOU = "倉庫";
        TGenkaSyokyakuSisanCalc calc(Year2024());
        TGenkaSyokyakuSisanRec rec;
        try {
            calc.CalcRow(f.row, rec);
            ADD_FAILURE() << "computed without the statute's figure";
        } catch (const kb::EGenkaRateMissing& e) {
            EXPECT_EQ(e.Taiyou, f.row.TAIYOUYY);
            EXPECT_EQ(e.Column, f.column);
            EXPECT_EQ(e.Kanri, "0042");
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("資産「倉庫」（管理番号0042）：", 0), 0u) << what;
            EXPECT_NE(what.find(f.says), std::string::npos) << what;
        }
    }
    // Methods without a table rate take any life; a lease runs over its months, also beyond 100.
    EXPECT_EQ(Compute(Year2024(), Asset(3, 140, Date(2024, 1, 1), 1400000, 0)).FutuSyoukin, Yen(10000));
    EXPECT_EQ(Compute(Year2024(), Asset(6, 120, Date(2024, 1, 1), 1200000, 0)).FutuSyoukin, Yen(120000));
    EXPECT_EQ(Compute(Year2024(), Asset(4, 0, Date(2024, 1, 1), 300000, 0)).FutuSyoukin, Yen(100000));
    // A method column left empty is listed with nothing to depreciate.
    EXPECT_EQ(Compute(Year2024(), Asset(0, 0, Date(2024, 1, 1), 300000, 0)).FutuSyoukin, Currency());
    // Life 2: written off in the first year (memorandum yen), no guarantee amount to compare with.
    const auto two = Compute(Year2024(), Asset(2, 2, Date(2024, 1, 1), 300000, 0));
    EXPECT_EQ(two.FutuSyoukin, Yen(299999));
    EXPECT_EQ(two.Hosyougaku, 0.0);

    TGenkaSettei bad = Year2024();
    bad.MonthNo = -1;
    TGenkaSyokyakuSisanCalc calc(bad);
    TGenkaSyokyakuSisanRec rec;
    EXPECT_THROW(calc.CalcRow(Asset(1, 10, Date(2024, 1, 1), 1000, 0), rec), kb::EGenkaSetteiError);
}

TEST(GenkaSyokyaku, StatementRowAndSmallAssetSummary)
{
    TKsSisanRow row = Asset(1, 10, Date(2024, 4, 10), 1000000, 0, 4, 12);
    row.MEISYOU = "パソコン";
    row.TEKIYO = "事務用";
    row.SURYO = 2;
    row.TEIRITU250 = 0;
    row.SYOUKINKEI = Yen(75000);
    const auto r = Compute(Year2024(), row);
    auto g = kb::MakeGenkaRow(r, row, false);
    EXPECT_EQ(g.Meisyou, "パソコン");
    EXPECT_EQ(g.Tekiyo, "事務用");
    EXPECT_EQ(g.SyoukikanTukisu, 9);
    EXPECT_DOUBLE_EQ(g.Syouritu, 0.1);
    EXPECT_DOUBLE_EQ(g.JigyouWariai, 100.0);
    EXPECT_EQ(g.FutuSyoukin, Yen(75000));
    EXPECT_EQ(g.JigyouKin, Yen(75000));
    EXPECT_EQ(g.GokeiFlag, 0);

    std::vector<kb::TGenkaSyokyakuRec> small(2);
    small[0].Meisyou = "椅子";
    const auto s = kb::MakeSyougakuRow(small, Date(2024, 12, 31), Yen(450000), Yen(400000));
    EXPECT_EQ(s.Meisyou, "椅子");
    EXPECT_EQ(s.SyutoDate, Date(2024, 12, 31));
    EXPECT_EQ(s.Syutokin, Yen(450000));
    EXPECT_EQ(s.Gshouhou, 5);
    EXPECT_EQ(s.JigyouKin, Yen(400000));
    EXPECT_EQ(s.Tekiyo, "措法28の2");
    EXPECT_EQ(s.GokeiFlag, 1);
    EXPECT_EQ(s.FutuSyoukin, Currency());
}

namespace {

kb::TGenkaComputed Computed(const TKsSisanRow& row)
{
    return {row, Compute(Year2024(), row)};
}

TKsSisanRow Named(TKsSisanRow r, const std::string& name, long long total, long long closing)
{
    r.MEISYOU = name;
    r.SYOUKINKEI = Yen(total);
    r.MATUMISYOUKIN = Yen(closing);
    return r;
}

} // namespace

TEST(GenkaRows, ShownRowsSummaryRowAndTotals)
{
    std::vector<kb::TGenkaComputed> assets = {
        Computed(Named(Asset(1, 10, Date(2019, 1, 1), 1000000, 500000), "車両", 100000, 400000)),
        Computed(Named(Asset(5, 0, Date(2024, 5, 1), 250000, 0), "椅子", 250000, 0)),
        Computed(Named(Asset(5, 0, Date(2023, 5, 1), 200000, 0), "机（前年）", 0, 0)),
        Computed(Named(Asset(5, 0, Date(2024, 9, 1), 150000, 0), "棚", 150000, 0)),
        Computed(Named(Asset(4, 3, Date(2024, 2, 1), 300000, 0), "器具", 100000, 200000)),
    };
    const auto l = kb::LayoutGenkaRows(assets, 11, true, Date(2024, 12, 31));
    EXPECT_FALSE(l.GenkaBessi);
    EXPECT_TRUE(l.GenkaTokurei);
    ASSERT_EQ(l.GenkaRows.size(), 2u);
    ASSERT_EQ(l.TokureiRows.size(), 2u) << "the small asset of an earlier year is not listed";
    ASSERT_EQ(l.Shown.size(), 11u);
    EXPECT_EQ(l.Shown[0].Meisyou, "車両");
    EXPECT_EQ(l.Shown[1].Meisyou, "器具");
    EXPECT_EQ(l.Shown[2].Tekiyo, "措法28の2");
    EXPECT_EQ(l.Shown[2].Meisyou, "椅子");
    EXPECT_EQ(l.Shown[2].Syutokin, Yen(400000));
    EXPECT_EQ(l.Shown[2].JigyouKin, Yen(400000));
    EXPECT_EQ(l.Shown[3].Meisyou, "");

    const auto t = kb::GenkaTotalsRow(l);
    EXPECT_EQ(t.FutuSyoukin, Yen(100000 + 100000));
    EXPECT_EQ(t.SyoukinKei, Yen(200000));
    EXPECT_EQ(t.MatumiSyoukin, Yen(600000));
    EXPECT_EQ(t.JigyouKin, Yen(200000 + 400000)) << "business amounts of the small assets are added";
}

TEST(GenkaRows, MoreRowsThanTheStatementHoldsGoToASeparateSheet)
{
    // Real estate: 12 shown rows, 12 ordinary assets and one small asset of the year: 13 > 12.
    std::vector<kb::TGenkaComputed> assets;
    for (int i = 0; i < 12; ++i)
        assets.push_back(Computed(Named(Asset(1, 10, Date(2019, 1, 1), 1000000, 500000), "建物" + std::to_string(i),
                                        100000, 400000)));
    assets.push_back(Computed(Named(Asset(5, 0, Date(2024, 5, 1), 250000, 0), "椅子", 250000, 0)));
    const auto l = kb::LayoutGenkaRows(assets, 12, false, Date(2024, 12, 31));
    EXPECT_TRUE(l.GenkaBessi);
    EXPECT_EQ(l.Shown[0].Meisyou, "別紙参照");
    for (size_t i = 1; i < l.Shown.size(); ++i) EXPECT_EQ(l.Shown[i].Meisyou, "");
    ASSERT_EQ(l.GenkaRows.size(), 13u);
    EXPECT_EQ(l.GenkaRows.back().GokeiFlag, 1);
    EXPECT_EQ(kb::GenkaTotalsRow(l).FutuSyoukin, Yen(1200000)) << "the summary row is not counted";
}

TEST(GenkaSyokyaku, MonthsOfTheYearComeFromTheFiscalPeriods)
{
    EXPECT_EQ(TGenkaSettei::ForYear(Date(2024, 1, 1), Date(2024, 12, 31), 99, 2, 0, 1, 0).MonthNo, 12);
    EXPECT_EQ(TGenkaSettei::ForYear(Date(2024, 7, 1), Date(2024, 12, 31), 99, 2, 0, 1, 0).MonthNo, 6);
    // A year starting mid-month with closing day 20: 2024/3/21 .. 2025/3/20 is twelve months.
    EXPECT_EQ(TGenkaSettei::ForYear(Date(2024, 3, 21), Date(2025, 3, 20), 20, 2, 0, 1, 0).MonthNo, 12);
}
