// The real-estate statement's pure rules: the splits of location and tenant, the completion of
// contract dates kept as era year and month, the totals with the deduction cap, and the let-area
// text of the linkage file.

#include <gtest/gtest.h>

#include "core/uAccDateCmp.h"
#include "linkage/st14Fudosan.h"
#include "linkage/z5ComKojinFudosan.h"
#include "platform/Text.h"

using kb::Currency;
using kb::Date;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

const kb::TGengoArray& Eras()
{
    if (kb::GengoList.empty()) kb::InitGengoTable();
    return kb::GengoList;
}

TEST(FudosanSplit, PiecesNeverHalveADoubleByteCharacter)
{
    struct Case {
        std::string text;
        int width;
        std::string p1, p2;
    } cases[] = {
        {"東京都杉並区3-3", 22, "東京都杉並区3-3", ""},
        {"1234567890123456789012345", 22, "1234567890123456789012", "345"},
        // 1 + 11 x 2 bytes: the 22nd byte would open the eleventh character, so the piece keeps 21
        {"aアイウエオカキクケコサ", 22, "aアイウエオカキクケコ", "サ"},
        {"東京都練馬区大泉学園町一丁目二番三号　賃借人三郎", 24, "東京都練馬区大泉学園町一", "丁目二番三号　賃借人三郎"},
        {"", 24, "", ""},
    };
    for (const Case& c : cases) {
        std::string p1, p2;
        kb::FudosanSplit(c.text, c.width, p1, p2);
        EXPECT_EQ(p1, c.p1) << c.text;
        EXPECT_EQ(p2, c.p2) << c.text;
        EXPECT_LE(kb::sjis::ByteLength(p1), static_cast<std::size_t>(c.width));
    }
}

TEST(FudosanContractDates, TheStartTakesTheNewestEraNotAfterTheFiscalYear)
{
    const Date kimatu(2025, 12, 31);
    struct Case {
        int yy, mm;
        Date expected;
    } cases[] = {
        {28, 4, Date(2016, 4, 1)},   // 平成28: the current era would make it 2046
        {7, 1, Date(2025, 1, 1)},    // 令和7
        {7, 12, Date(2025, 12, 1)},
        {8, 1, Date(1996, 1, 1)},    // 令和8 lies after the year: 平成8
        {50, 6, Date(1975, 6, 1)},   // 昭和50
        {0, 4, Date()},
        {5, 0, Date()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kb::FudosanKaisiDate(c.yy, c.mm, kimatu, Eras()), c.expected) << c.yy << "/" << c.mm;
}

TEST(FudosanContractDates, TheEndTakesTheEraNearestOnOrAfterTheStart)
{
    const Date kimatu(2025, 12, 31);
    struct Case {
        int yy, mm;
        Date from;
        Date expected;
    } cases[] = {
        {30, 3, Date(2016, 4, 1), Date(2018, 3, 1)},  // same era as the start
        {31, 3, Date(2016, 4, 1), Date(2019, 3, 1)},  // 平成31, not 令和31
        {8, 3, Date(2025, 4, 1), Date(2026, 3, 1)},   // a lease running past the year stays in 令和
        {2, 3, Date(2018, 4, 1), Date(2020, 3, 1)},   // started in 平成, ends in 令和2
        {7, 4, Date(2025, 4, 15), Date(2025, 4, 1)},  // the start's own month
        {1, 1, Date(2025, 1, 1), Date(2019, 1, 1)},   // nothing on or after: the start's rule
        {0, 3, Date(2025, 1, 1), Date()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kb::FudosanSyuuryouDate(c.yy, c.mm, c.from, kimatu, Eras()), c.expected) << c.yy << "/" << c.mm;
}

// Income lines from one rent and one expense; line 21 = rent - expense - family employee.
kb::TFudosanKessansyoRec Statement(long long rent, long long expense, int kubun, long long fusairisi)
{
    kb::TFudosanKessansyoRec d;
    d.Soneki[1].Kingaku = Yen(rent);
    d.Soneki[17].Kingaku = Yen(expense);
    d.KoujoKubun = kubun;
    d.FusaiRisi = Yen(fusairisi);
    return d;
}

TEST(FudosanSyukei, DeductionIsCappedByKindAndFusaiRisiStaysOnlyForALoss)
{
    struct Case {
        long long rent, expense;
        int kubun;
        long long line22, line23, fusairisi;
    } cases[] = {
        {500000, 200000, 0, 300000, 0, 0},             // below the cap: income 0, interest cleared
        {100000, 150000, 0, 0, -50000, 80000},         // a loss: no deduction, interest kept
        {2000000, 0, 0, 550000, 1450000, 0},
        {2000000, 0, 2, 650000, 1350000, 0},
        {2000000, 0, 1, 100000, 1900000, 0},
        {50000, 0, 1, 50000, 0, 0},
    };
    for (const Case& c : cases) {
        kb::TFudosanKessansyoRec d = Statement(c.rent, c.expense, c.kubun, 80000);
        kb::FudosanSyukei(d, {}, {});
        EXPECT_EQ(d.Soneki[4].Kingaku, Yen(c.rent));
        EXPECT_EQ(d.Soneki[18].Kingaku, Yen(c.expense));
        EXPECT_EQ(d.Soneki[21].Kingaku, Yen(c.rent - c.expense));
        EXPECT_EQ(d.Soneki[22].Kingaku, Yen(c.line22)) << c.rent << " " << c.kubun;
        EXPECT_EQ(d.Soneki[23].Kingaku, Yen(c.line23)) << c.rent << " " << c.kubun;
        EXPECT_EQ(d.FusaiRisi, Yen(c.fusairisi)) << c.rent << " " << c.kubun;
        EXPECT_EQ(d.Fusai[24].Kimatu, Yen(c.rent - c.expense));
    }
}

TEST(FudosanSyukei, AKindWithoutACapKeepsLine22AsReadButNeverBelowZero)
{
    kb::TFudosanKessansyoRec d = Statement(1000000, 0, 9, 0);
    d.Soneki[22].Kingaku = Yen(30000);
    kb::FudosanSyukei(d, {}, {});
    EXPECT_EQ(d.Soneki[23].Kingaku, Yen(970000));
    d = Statement(1000000, 0, 9, 0);
    d.Soneki[22].Kingaku = Yen(-5);
    kb::FudosanSyukei(d, {}, {});
    EXPECT_EQ(d.Soneki[22].Kingaku, Currency());
}

TEST(FudosanSyukei, PropertyTotalsCoverEveryRowAndWagesAndBalanceSheetAddUp)
{
    kb::TFudosanKessansyoRec d;
    kb::TFudosanSyotokuRecArray rows(16);
    for (int i = 0; i < 16; ++i) {
        rows[static_cast<std::size_t>(i)].Nengaku = Yen(1000 * (i + 1));
        rows[static_cast<std::size_t>(i)].Sikikin = Yen(10);
    }
    d.Kyuyo[1].Kyuyo = Yen(300);
    d.Kyuyo[1].Shouyo = Yen(50);
    d.Kyuyo[1].Tukisuu = 12;
    d.Kyuyo[2].Kyuyo = Yen(200);
    d.Kyuyo[2].Gensen = Yen(7);
    d.Kyuyo[2].Tukisuu = 6;
    d.Senjyusya[1].Kyuyo = Yen(900);
    d.Senjyusya[1].Shouyo = Yen(100);
    d.Sisan[1].Kisyu = Yen(5);
    d.Sisan[1].Kimatu = Yen(6);
    d.Sisan[24].Kimatu = Yen(4);
    d.Fusai[23].Kisyu = Yen(5);
    kb::FudosanSyukei(d, rows, {});
    EXPECT_EQ(d.Fudosan[16].Nengaku, Yen(136000)); // 1,000 x (1 + ... + 16)
    EXPECT_EQ(d.Fudosan[16].Sikikin, Yen(160));
    EXPECT_EQ(d.Kyuyo[1].Goukei, Yen(350));
    EXPECT_EQ(d.Kyuyo[3].Goukei, Yen(550));
    EXPECT_EQ(d.Kyuyo[3].Tukisuu, 18);
    EXPECT_EQ(d.Kyuyo[3].Gensen, Yen(7));
    EXPECT_EQ(d.Senjyusya[1].Goukei, Yen(1000));
    EXPECT_EQ(d.Sisan[25].Kisyu, Yen(5));
    EXPECT_EQ(d.Sisan[25].Kimatu, Yen(10));
    EXPECT_EQ(d.Fusai[25].Kisyu, Yen(5));
}

TEST(FudosanLeaves, LetAreaHasTwoDecimalsPaddedToSixCharacters)
{
    struct Case {
        Currency area;
        const char* text;
    } cases[] = {
        {Currency::FromRaw(125000), " 12.50"},
        {Currency(), "  0.00"},
        {Currency::FromRaw(10050), "  1.01"},   // 1.005 goes up
        {Currency::FromRaw(1234567890), "123456.79"},
        {Currency::FromRaw(-35000), " -3.50"},
    };
    for (const Case& c : cases) EXPECT_EQ(kb::MensekiToStr(c.area), c.text);
}

TEST(FudosanTables, ItemTablesMatchTheirIndexTables)
{
    EXPECT_EQ(kb::FudosanTaisyakuItems().size(), 93u);
    EXPECT_EQ(kb::FudosanTaisyakuItems()[46], "JIGYOUNUSIKASI_KIMATU");
    EXPECT_EQ(kb::FudosanTaisyakuItems()[89], "JIGYOUNUSIKARI_KIMATU");
    EXPECT_EQ(kb::FudosanTaisyakuItems()[92], "KOUJYOMAESYOTOKUKINNGAKU_KIMATU");
    // every profit-and-loss item is fed by exactly one line
    std::vector<int> fed(kb::FudosanSonekiItems.size() + 1, 0);
    for (int pos : kb::FudosanSonekiIndex)
        if (pos != kb::kNoItem) ++fed[static_cast<std::size_t>(pos)];
    for (std::size_t i = 1; i < fed.size(); ++i) EXPECT_EQ(fed[i], 1) << kb::FudosanSonekiItems[i - 1];
    std::vector<int> bs(94, 0);
    for (const auto* index : {&kb::FudosanSisanIndex, &kb::FudosanFusaiIndex})
        for (int pos : *index)
            if (pos != kb::kNoItem) ++bs[static_cast<std::size_t>(pos)];
    for (std::size_t i = 1; i < bs.size(); ++i) EXPECT_EQ(bs[i], 1) << kb::FudosanTaisyakuItems()[i - 1];
}

} // namespace
