// The agriculture statement's totals (done on records filled by hand), its line table with the
// sign modes, and the era letter of a rearing row's acquisition year.

#include <gtest/gtest.h>

#include "core/uAccDateCmp.h"
#include "linkage/st14Nougyou.h"
#include "linkage/z5ComKojinNougyou.h"

using kb::Currency;
using kb::Date;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

kb::TNougyouKessansyoRec Income(long long before, int kubun, long long koujo6)
{
    kb::TNougyouKessansyoRec d;
    d.Soneki[1].Kingaku = Yen(before);   // sales; no expenses, so line 46 = before
    d.KoujoKubun = kubun;
    d.Koujo6 = Yen(koujo6);
    return d;
}

TEST(NougyouSyukei, BlueReturnDeductionAfterRealEstate)
{
    struct Case {
        long long before;
        int kubun;
        long long koujo6, k8, k9, k10, k11, line47;
    } cases[] = {
        {2000000, 2, 400000, 400000, 250000, 0, 0, 250000},
        {2000000, 0, 600000, 550000, 0, 0, 0, 0},
        {-300000, 0, 0, 0, 0, 0, 0, 0},
        {1230000, 1, 0, 0, 0, 0, 100000, 100000},
        {80000, 1, 30000, 0, 0, 30000, 70000, 70000},
    };
    for (const Case& c : cases) {
        kb::TNougyouKessansyoRec d = Income(c.before, c.kubun, c.koujo6);
        kb::NougyouSyukei(d, {});
        EXPECT_EQ(d.Soneki[46].Kingaku, Yen(c.before));
        EXPECT_EQ(d.Koujo7, Yen(c.before < 0 ? 0 : c.before));
        EXPECT_EQ(d.Koujo8, Yen(c.k8)) << c.before << " " << c.kubun;
        EXPECT_EQ(d.Koujo9, Yen(c.k9)) << c.before << " " << c.kubun;
        EXPECT_EQ(d.Koujo10, Yen(c.k10)) << c.before << " " << c.kubun;
        EXPECT_EQ(d.Koujo11, Yen(c.k11)) << c.before << " " << c.kubun;
        EXPECT_EQ(d.Soneki[47].Kingaku, Yen(c.line47)) << c.before << " " << c.kubun;
        EXPECT_EQ(d.Soneki[48].Kingaku, Yen(c.before - c.line47));
        EXPECT_EQ(d.Fusai[24].Kimatu, Yen(c.before));
    }
    // another kind keeps line 47 as read; FusaiRisi is never cleared here
    kb::TNougyouKessansyoRec d = Income(500000, 7, 0);
    d.Soneki[47].Kingaku = Yen(1000);
    d.FusaiRisi = Yen(5000);
    kb::NougyouSyukei(d, {});
    EXPECT_EQ(d.Soneki[48].Kingaku, Yen(499000));
    EXPECT_EQ(d.FusaiRisi, Yen(5000));
}

TEST(NougyouSyukei, AllowanceLimitIsFiveAndAHalfPerCentRoundedByHasuu)
{
    struct Case {
        int hasuu;
        int gyoushu;
        long long limit;
    } cases[] = {{0, 0, 67901}, {1, 0, 67901}, {2, 0, 67902}, {0, 1, 67901}};
    for (const Case& c : cases) {
        kb::TNougyouKessansyoRec d;
        d.Kuriire1 = Yen(1000);
        d.Kuriire2 = Yen(1234567);   // 67,901.185
        d.Kuriire4 = Yen(60000);
        d.Hasuu = c.hasuu;
        d.GyoushuKubun = c.gyoushu;  // not consulted: always 5.5 per cent
        kb::NougyouSyukei(d, {});
        EXPECT_EQ(d.Kuriire3, Yen(c.limit)) << c.hasuu;
        EXPECT_EQ(d.Kuriire5, Yen(61000));
    }
}

TEST(NougyouSyukei, ProfitAndLossLines)
{
    kb::TNougyouKessansyoRec d;
    auto set = [&](int line, long long yen) { d.Soneki[line].Kingaku = Yen(yen); };
    set(1, 1000000); set(2, 20000); set(3, 5000);
    set(5, 100000); set(6, 150000);
    set(8, 1000); set(20, 2000); set(30, 3000);
    set(32, 40000); set(33, 30000); set(34, 6000);
    set(37, 700); set(39, 300);
    set(41, 50000); set(44, 1000);
    kb::NougyouSyukei(d, {});
    EXPECT_EQ(d.Soneki[4].Kingaku, Yen(1025000));
    EXPECT_EQ(d.Soneki[7].Kingaku, Yen(1075000));            // 1,025,000 - 100,000 + 150,000
    EXPECT_EQ(d.Soneki[31].Kingaku, Yen(6000));
    EXPECT_EQ(d.Soneki[35].Kingaku, Yen(10000));             // 6,000 + 40,000 - 30,000 - 6,000
    EXPECT_EQ(d.Soneki[36].Kingaku, Yen(1065000));
    EXPECT_EQ(d.Soneki[40].Kingaku, Yen(1000));
    EXPECT_EQ(d.Soneki[45].Kingaku, Yen(51000));
    EXPECT_EQ(d.Soneki[46].Kingaku, Yen(1015000));
}

TEST(NougyouSyukei, BreakdownTotals)
{
    kb::TNougyouKessansyoRec d;
    for (int i = 1; i <= 3; ++i) {
        d.Kajyu[i].Hanbaigaku = Yen(100);
        d.Kajyu[i].KisyuKingaku = Yen(1);
        d.Kajyu[i].KisyuSuryo = Yen(9);
    }
    d.Tokusyu[1].Kajisyohigaku = Yen(20);
    d.Tokusyu[2].KimatuKingaku = Yen(30);
    d.Tahata[6].Hanbaigaku = Yen(1000);
    d.NousanKei[1].Menseki = Yen(45);
    d.Tikusan[1].Hanbaigaku = Yen(5000);
    d.Tikusan[2].Kajisyohigaku = Yen(7);
    d.Zassyu[1].Kingaku = Yen(10);
    d.Zassyu[3].Kingaku = Yen(5);
    d.Misyukaku[5].KisyuSuryo = Yen(2);
    d.Syubyou[8].KimatuSuryo = Yen(3);
    d.IgaiSonota[1].KimatuKingaku = Yen(400);
    d.Yatoinin[1].SikyuGenkin = Yen(8000);
    d.Yatoinin[1].SikyuGenbutu = Yen(2000);
    d.Yatoinin[4].Nisuu = 12;
    d.Yatoinin[4].SikyuGenkin = Yen(1000);
    d.Senjyusya[4].Kyuyo = Yen(300);
    d.Senjyusya[4].Shouyo = Yen(30);
    d.KajyuGyuba[1].IkuseiSyubyouhi = Yen(100);
    d.KajyuGyuba[1].IkuseiHiryouhi = Yen(50);
    d.KajyuGyuba[1].IkuseiSyunyugaku = Yen(30);
    d.KajyuGyuba[1].ZennenKurikosigaku = Yen(200);
    d.KajyuGyuba[2].ZennenKurikosigaku = Yen(1000);
    d.KajyuGyuba[2].Syutokugaku = Yen(1000);
    kb::NougyouSyukei(d, {});
    EXPECT_EQ(d.NousanKei[1].Hanbaigaku, Yen(1300));
    EXPECT_EQ(d.NousanKei[1].KisyuKingaku, Yen(3));
    EXPECT_EQ(d.NousanKei[1].KisyuSuryo, Currency());     // quantities are not totalled
    EXPECT_EQ(d.NousanKei[1].Kajisyohigaku, Yen(20));
    EXPECT_EQ(d.NousanKei[1].KimatuKingaku, Yen(30));
    EXPECT_EQ(d.NousanKei[1].Menseki, Yen(45));           // as read
    EXPECT_EQ(d.SyunyuGokei[1].Hanbaigaku, Yen(6300));    // livestock only here
    EXPECT_EQ(d.SyunyuGokei[1].Kajisyohigaku, Yen(27));
    EXPECT_EQ(d.Zassyu[4].Kingaku, Yen(15));
    EXPECT_EQ(d.IgaiGokei[1].KisyuSuryo, Yen(2));
    EXPECT_EQ(d.IgaiGokei[1].KimatuSuryo, Yen(3));
    EXPECT_EQ(d.IgaiGokei[1].KimatuKingaku, Yen(400));
    EXPECT_EQ(d.Yatoinin[1].SikyuGokei, Yen(10000));
    EXPECT_EQ(d.Yatoinin[5].SikyuGokei, Yen(11000));
    EXPECT_EQ(d.Yatoinin[5].Nisuu, 12);
    EXPECT_EQ(d.Senjyusya[5].Goukei, Yen(330));
    // seedlings 100, fertiliser 50, income 30, carried 200: subtotal 150, added 120, next year 320
    EXPECT_EQ(d.KajyuGyuba[1].IkuseiSyokei, Yen(150));
    EXPECT_EQ(d.KajyuGyuba[1].IkuseiKasangaku, Yen(120));
    EXPECT_EQ(d.KajyuGyuba[1].YokunenKurikosigaku, Yen(320));
    EXPECT_EQ(d.KajyuGyuba[2].YokunenKurikosigaku, Currency());
    EXPECT_EQ(d.KajyuGyuba[3].ZennenKurikosigaku, Yen(1200));
    EXPECT_EQ(d.KajyuGyuba[3].YokunenKurikosigaku, Yen(320));
}

TEST(NougyouLines, GroupsPlaceTheirRowsWithTheirSignModes)
{
    struct Case {
        const char* group;
        int subrec;
        bool placed;
        int line, mode;
    } cases[] = {
        {"4100", 1, true, 1, 0},  {"4100", 3, true, 3, 0},  {"4100", 4, false, 0, 0}, {"5100", 1, true, 5, 0},
        {"5300", 1, true, 6, 1},  {"6100", 1, true, 8, 0},  {"6100", 23, true, 30, 0}, {"6100", 24, false, 0, 0},
        {"6110", 1, true, 32, 0}, {"6120", 1, true, 33, 1}, {"6130", 1, true, 34, 1},  {"7100", 3, true, 39, 0},
        {"7200", 4, true, 44, 0}, {"7200", 5, false, 0, 0}, {"8400", 1, false, 0, 0},  {"6100", 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        int line = 0, mode = 0;
        EXPECT_EQ(kb::NougyouSonekiLine(c.group, c.subrec, line, mode), c.placed) << c.group << "/" << c.subrec;
        if (!c.placed) continue;
        EXPECT_EQ(line, c.line) << c.group << "/" << c.subrec;
        EXPECT_EQ(mode, c.mode) << c.group << "/" << c.subrec;
    }
}

TEST(NougyouRearing, ABareEraYearGetsTheLetterOfTheEraThatFitsTheYear)
{
    if (kb::GengoList.empty()) kb::InitGengoTable();
    const Date kimatu(2025, 12, 31);
    struct Case {
        const char* yy;
        int mm, dd;
        const char* text;
    } cases[] = {
        {"6", 4, 1, "R06"}, {"30", 4, 1, "H30"}, {"7", 12, 31, "R07"}, {"8", 1, 1, "H08"},
        {"R03", 4, 1, "R03"}, {"", 4, 1, ""},   {"0", 4, 1, ""},     {"6", 2, 30, "R06"},
    };
    for (const Case& c : cases) EXPECT_EQ(kb::NougyouSyutokuYY(c.yy, c.mm, c.dd, kimatu, kb::GengoList), c.text) << c.yy;
}

TEST(NougyouTables, ItemTablesMatchTheirIndexTables)
{
    EXPECT_EQ(kb::NougyouTaisyakuItems().size(), 93u);
    EXPECT_EQ(kb::NougyouTaisyakuItems()[24], "KASITUKEKIN_KISYU");   // asset row 13 opens at item 25
    EXPECT_EQ(kb::NougyouTaisyakuItems()[47 + 26], "KASIDAOREHIKIATEKIN_KISYU");
    std::vector<int> fed(kb::NougyouSonekiItems.size() + 1, 0);
    for (int pos : kb::NougyouSonekiIndex)
        if (pos != kb::kNoItem) ++fed[static_cast<std::size_t>(pos)];
    for (std::size_t i = 1; i < fed.size(); ++i) EXPECT_EQ(fed[i], 1) << kb::NougyouSonekiItems[i - 1];
    // line 34 (rearing costs) feeds KAJYUGYUUBATONOIKUSEIHIYOU
    EXPECT_STREQ(kb::NougyouSonekiItems[static_cast<std::size_t>(kb::NougyouSonekiIndex[33] - 1)],
                 "KAJYUGYUUBATONOIKUSEIHIYOU");
}

} // namespace
