// The general reader's rules without a database: the sign rule, the placement of balances on
// statement lines and the totals of the statement.

#include <gtest/gtest.h>

#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "linkage/z5ComKojinKessansyo.h"

using kb::Currency;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

TEST(KessansyoSign, SideSignByModeAndSide)
{
    struct Case {
        int mode, side;
        long long out;
    } cases[] = {{0, 1, 100}, {0, 2, -100}, {0, 3, 100}, {0, 4, -100}, {0, 0, 100}, {0, 5, 100},
                 {1, 1, -100}, {1, 2, 100}, {1, 3, -100}, {1, 4, 100}, {2, 2, 100}, {-1, 1, 100}};
    for (const Case& c : cases) EXPECT_EQ(kb::SideSign(c.mode, Yen(100), c.side), Yen(c.out)) << c.mode << "/" << c.side;
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override
    {
        kb::AccInf = kb::TACCINF{};
        kb::AccInf.GENKA_USE = 1;
        r = std::make_unique<kb::TIppanKessansyoIO>(db, tr);
        r->MaxKamoku = 500;
        r->Balances.assign(500, kb::TBALANCE{});
        r->Sorts.assign(500, kb::TQSORT{kb::kAccZanEmptyKey, 0});
    }
    void TearDown() override { kb::AccInf = kb::TACCINF{}; }

    kb::TBALANCE& Add(const char* code, int subrec, int side, long long opening, long long closing,
                      const char* name = "科目")
    {
        const int i = next++;
        kb::TBALANCE& b = r->Balances[static_cast<std::size_t>(i)];
        b.KAMOKU.GROUPM1 = code;
        b.SUBREC = subrec;
        b.KAMOKU.TAISHAKU = side;
        b.KAMOKU.KNAME = name;
        b.ZENZAN = Yen(opening);
        b.TOUZAN = Yen(closing);
        r->Sorts[static_cast<std::size_t>(i)] = {code, i};
        return b;
    }

    kb::fb::Connection db;
    kb::fb::Transaction tr{nullptr};
    std::unique_ptr<kb::TIppanKessansyoIO> r;
    int next = 51;
};

TEST_F(Placement, BalancesGoToTheirLinesBySideAndRow)
{
    Add("1100", 1, 1, 100, 200, "現金");
    Add("1100", 17, 2, 10, 30, "貸倒引当金（資産）"); // side 2 in the asset group lowers the row
    Add("2100", 3, 3, 500, 400, "借入金");
    Add("5300", 1, 2, 0, 250, "期末商品");   // closing inventory: mode 1, side 2 unchanged
    Add("5530", 1, 1, 0, 70, "期末原材料"); // mode 1, side 1 negated
    Add("6100", 1, 1, 0, 50, "租税公課");
    Add("6100", 18, 1, 0, 33, "リース料");
    Add("7100", 1, 3, 0, 9, "貸倒引当金戻入");
    Add("7200", 2, 1, 0, 8, "貸倒引当金繰入");
    Add("8400", 1, 1, 0, 7, "控除");
    Add("5700", 6, 1, 0, 6, "製造経費");
    Add("5820", 1, 2, 0, 5, "期末仕掛品");
    Add("6100", 40, 1, 0, 99, "範囲外");  // line 47 does not exist
    Add("1100", 0, 1, 0, 99, "合計");     // no row
    Add("9100", 1, 1, 0, 99, "対象外");
    Add("5510", 0, 1, 0, 99, "行なし");   // manufacturing code without a row places nothing
    r->PlaceBalances();
    const kb::TKojinKessansyoRec& d = r->Data;
    EXPECT_EQ(d.Sisan[1].Name, "現金");
    EXPECT_EQ(d.Sisan[1].Kisyu, Yen(100));
    EXPECT_EQ(d.Sisan[1].Kimatu, Yen(200));
    EXPECT_EQ(d.Sisan[17].Kisyu, Yen(-10));
    EXPECT_EQ(d.Sisan[17].Kimatu, Yen(-30));
    EXPECT_EQ(d.Fusai[3].Kimatu, Yen(400));
    EXPECT_EQ(d.Soneki[5].Kingaku, Yen(250));
    EXPECT_EQ(d.Seizou[4].Kingaku, Yen(-70));
    EXPECT_EQ(d.Soneki[8].Kingaku, Yen(50));
    EXPECT_EQ(d.Soneki[25].Name, "リース料");
    EXPECT_EQ(d.Soneki[34].Kingaku, Yen(9));
    EXPECT_EQ(d.Soneki[39].Kingaku, Yen(8));
    EXPECT_EQ(d.Soneki[44].Kingaku, Yen(7));
    EXPECT_EQ(d.Seizou[12].Kingaku, Yen(6));
    EXPECT_EQ(d.Seizou[25].Kingaku, Yen(5));
    EXPECT_EQ(d.Seizou[1].Kingaku, Currency());
    EXPECT_EQ(d.Sisan[25].Kimatu, Currency());
}

TEST_F(Placement, MonthsTakeTheSettlementPeriodOfTheirQuarterAndPurchasesAddUp)
{
    kb::TBALANCE& sales = Add("4100", 1, 3, 0, 0);
    sales.ZOUGEN[32 + 4] = Yen(1000); // settlement period after the first quarter
    sales.ZOUGEN[32 + 3] = Yen(1);
    sales.ZOUGEN[32 + 16] = Yen(7);
    sales.ZOUGEN[32 + 5] = Yen(40);
    kb::TBALANCE& buy = Add("5200", 1, 1, 0, 0);
    buy.ZOUGEN[32 + 1] = Yen(100);
    kb::TBALANCE& material = Add("5520", 1, 1, 0, 300);
    material.ZOUGEN[32 + 1] = Yen(20);
    material.ZOUGEN[32 + 12] = Yen(3);
    kb::TBALANCE& returns = Add("5200", 1, 4, 0, 0); // side 4: a debit-minus account lowers the purchases
    returns.ZOUGEN[32 + 1] = Yen(5);
    Add("4100", 2, 3, 0, 11);
    Add("4100", 3, 3, 0, 12);
    r->PlaceBalances();
    const kb::TKojinKessansyoRec& d = r->Data;
    EXPECT_EQ(d.Tukibetu[3].Uriage, Yen(1001));
    EXPECT_EQ(d.Tukibetu[4].Uriage, Yen(40));
    EXPECT_EQ(d.Tukibetu[12].Uriage, Yen(7));
    EXPECT_EQ(d.Tukibetu[1].Siire, Yen(100 + 20 - 5));
    EXPECT_EQ(d.Tukibetu[9].Siire, Yen(3));
    EXPECT_EQ(d.Seizou[2].Kingaku, Yen(300));
    EXPECT_EQ(d.Tukibetu[13].Uriage, Yen(11));
    EXPECT_EQ(d.Tukibetu[14].Uriage, Yen(12));
}

TEST_F(Placement, TheLaterRecordOnANamedLineWinsAndBrokenSortEntriesAreSkipped)
{
    Add("6100", 1, 1, 0, 10, "前");
    Add("6100", 1, 1, 0, 20, "後");
    r->Sorts[60] = {"6100", 100000};   // an index beyond the array
    r->Sorts[61] = {"6100", -1};
    r->PlaceBalances();
    EXPECT_EQ(r->Data.Soneki[8].Name, "後");
    EXPECT_EQ(r->Data.Soneki[8].Kingaku, Yen(20));
}

// ---- totals

class Totals : public Placement {};

TEST_F(Totals, SpecialDeductionByKind)
{
    struct Case {
        int kubun;
        long long koujo6, income, deduction, after;
    } cases[] = {
        {0, 700000, 1000000, 0, 1000000},    // real estate used the whole 550,000
        {0, 100000, 1000000, 450000, 550000},
        {2, 0, 400000, 400000, 0},           // no more than the income
        {1, 30000, 1000000, 70000, 930000},
        {0, 0, -200000, 0, -200000},         // a loss takes no deduction
        {5, 0, 1000000, 123, 999877},        // an unknown kind keeps the amount of group 8400
    };
    for (const Case& c : cases) {
        r->Data = kb::TKojinKessansyoRec{};
        r->Data.KoujoKubun = c.kubun;
        r->Data.Koujo6 = Yen(c.koujo6);
        r->Data.Tukibetu[1].Uriage = Yen(c.income);
        r->Data.Soneki[44].Kingaku = Yen(123);
        r->Syukei();
        EXPECT_EQ(r->Data.Soneki[43].Kingaku, Yen(c.income)) << c.kubun;
        EXPECT_EQ(r->Data.Soneki[44].Kingaku, Yen(c.deduction)) << c.kubun << " " << c.koujo6;
        EXPECT_EQ(r->Data.Soneki[45].Kingaku, Yen(c.after)) << c.kubun << " " << c.koujo6;
        EXPECT_EQ(r->Data.Fusai[24].Kimatu, Yen(c.income));
    }
}

TEST_F(Totals, AllowanceLimitIsHeldToFourDecimalsThenRounded)
{
    struct Case {
        int gyoushu, hasuu;
        long long base, limit;
    } cases[] = {{0, 0, 1000001, 55000}, {0, 2, 1000001, 55001}, {0, 1, 1000001, 55000},
                 {1, 0, 1000001, 33000}, {1, 2, 1000001, 33001}, {7, 0, 1000001, 444}};
    for (const Case& c : cases) {
        r->Data = kb::TKojinKessansyoRec{};
        r->Data.GyoushuKubun = c.gyoushu;
        r->Data.Hasuu = c.hasuu;
        r->Data.Kuriire[2] = Yen(c.base);
        r->Data.Kuriire[3] = Yen(444); // the stored limit
        r->Data.Kuriire[1] = Yen(10);
        r->Data.Kuriire[4] = Yen(20);
        r->Syukei();
        EXPECT_EQ(r->Data.Kuriire[3], Yen(c.limit)) << c.gyoushu << "/" << c.hasuu;
        EXPECT_EQ(r->Data.Kuriire[5], Yen(30));
    }
}

TEST_F(Totals, LinesOfTheStatementAndItsSchedules)
{
    kb::TKojinKessansyoRec& d = r->Data;
    d.Tukibetu[1] = {Yen(1000), Yen(300)};
    d.Tukibetu[14] = {Yen(50), Yen(0)};
    d.Soneki[2].Kingaku = Yen(100);
    d.Soneki[3].Kingaku = Yen(999999); // replaced by the purchases
    d.Soneki[5].Kingaku = Yen(80);
    d.Soneki[8].Kingaku = Yen(40);
    d.Soneki[31].Kingaku = Yen(2);
    d.Soneki[34].Kingaku = Yen(5);
    d.Soneki[38].Kingaku = Yen(60);
    d.Seizou[1].Kingaku = Yen(10);
    d.Seizou[2].Kingaku = Yen(200);
    d.Seizou[4].Kingaku = Yen(30);
    d.Seizou[6].Kingaku = Yen(70);
    d.Seizou[20].Kingaku = Yen(4);
    d.Seizou[23].Kingaku = Yen(6);
    d.Seizou[25].Kingaku = Yen(9);
    d.Kyuyo[1] = {"甲", 30, 12, Yen(100), Yen(20), Yen(0), Yen(5)};
    d.Kyuyo[6] = {"2", 0, 24, Yen(50), Yen(0), Yen(0), Yen(1)};
    d.Senjyusya[2] = {"乙", "妻", 40, 12, Yen(70), Yen(7), Yen(0), Yen(0)};
    d.Sisan[1] = {0, "", Yen(1), Yen(2)};
    d.Sisan[24] = {0, "", Yen(0), Yen(3)};
    d.Fusai[23] = {0, "", Yen(4), Yen(5)};
    d.KoujoKubun = 9;
    kb::TGenkaSyokyakuRec a;
    a.Gshouhou = 1;
    a.SyoukinKei = Yen(100);
    a.JigyouKin = Yen(90);
    kb::TGenkaSyokyakuRec summary;
    summary.Gshouhou = 5;
    summary.JigyouKin = Yen(1000); // the small-asset row in an overflowing schedule is skipped
    kb::TGenkaSyokyakuRec small;
    small.JigyouKin = Yen(8);
    r->GenkaRows = {a, summary};
    r->TokureiRows = {small};
    r->Syukei();

    EXPECT_EQ(d.Tukibetu[15].Uriage, Yen(1050));
    EXPECT_EQ(d.Tukibetu[15].Siire, Yen(300));
    // manufacturing: 3 = 210, 5 = 180, 21 = 4, 22 = 254, 24 = 260, 26 = 251
    EXPECT_EQ(d.Seizou[3].Kingaku, Yen(210));
    EXPECT_EQ(d.Seizou[5].Kingaku, Yen(180));
    EXPECT_EQ(d.Seizou[21].Kingaku, Yen(4));
    EXPECT_EQ(d.Seizou[22].Kingaku, Yen(254));
    EXPECT_EQ(d.Seizou[26].Kingaku, Yen(251));
    // 3 = 300 + 251 - 200; 4 = 451; 6 = 371; 7 = 679; 32 = 42; 33 = 637; 37 = 5; 42 = 60; 43 = 582
    EXPECT_EQ(d.Soneki[1].Kingaku, Yen(1050));
    EXPECT_EQ(d.Soneki[3].Kingaku, Yen(351));
    EXPECT_EQ(d.Soneki[6].Kingaku, Yen(371));
    EXPECT_EQ(d.Soneki[7].Kingaku, Yen(679));
    EXPECT_EQ(d.Soneki[32].Kingaku, Yen(42));
    EXPECT_EQ(d.Soneki[37].Kingaku, Yen(5));
    EXPECT_EQ(d.Soneki[42].Kingaku, Yen(60));
    EXPECT_EQ(d.Soneki[43].Kingaku, Yen(582));
    EXPECT_EQ(d.Kyuyo[1].Goukei, Yen(120));
    EXPECT_EQ(d.Kyuyo[7].Tukisuu, 36);
    EXPECT_EQ(d.Kyuyo[7].Goukei, Yen(170));
    EXPECT_EQ(d.Kyuyo[7].Gensen, Yen(6));
    EXPECT_EQ(d.Kyuyo[7].Simei, "");
    EXPECT_EQ(d.Senjyusya[6].Goukei, Yen(77));
    EXPECT_EQ(d.Sisan[25].Kisyu, Yen(1));
    EXPECT_EQ(d.Sisan[25].Kimatu, Yen(5));
    EXPECT_EQ(d.Fusai[25].Kimatu, Yen(5 + 582));
    EXPECT_EQ(d.GenkaSyokyaku[12].SyoukinKei, Yen(100));
    EXPECT_EQ(d.GenkaSyokyaku[12].JigyouKin, Yen(98));
}

TEST_F(Totals, WithoutAManufacturingStatementItsLinesReadZeroButPurchasesKeepThem)
{
    kb::AccInf.GENKA_USE = 0;
    kb::TKojinKessansyoRec& d = r->Data;
    d.Tukibetu[1].Siire = Yen(300);
    d.Seizou[2].Kingaku = Yen(200);
    d.Seizou[6].Kingaku = Yen(70);
    r->Syukei();
    EXPECT_EQ(d.Soneki[3].Kingaku, Yen(300 + 270 - 200));
    for (int i = 1; i <= 26; ++i) EXPECT_EQ(d.Seizou[i].Kingaku, Currency()) << i;
}

} // namespace
