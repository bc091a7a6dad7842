#include "accounting/uAccTaxCmpSiwake.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kb;

namespace {

Currency Yen(const char* text) { return *Currency::Parse(text); }

// A data set with 仮払消費税 "155", 仮受消費税 "355", 諸口 "999"; the version picks the rate table.
TZeiDataInfo DataSet(int major = 15, int minor1 = 0, int minor2 = 0)
{
    TZeiDataInfo info;
    info.KaribaraiUserCode = "155";
    info.KariukeUserCode = "355";
    info.SyokutiUserCode = "999";
    info.DataVerMajor = major;
    info.DataVerMinor1 = minor1;
    info.DataVerMinor2 = minor2;
    return info;
}

TSWKREC Entry(const char* amount, int rateNo, int autcalcu, int taxcalcu)
{
    TSWKREC e;
    e.HIZUKE = Date(2021, 6, 30);
    e.KINGAKU = Yen(amount);
    e.OLDRATE = rateNo;
    e.L.RITUNO = rateNo;
    e.R.RITUNO = rateNo;
    e.AUTCALCU = autcalcu;
    e.TAXCALCU = taxcalcu;
    return e;
}

void Side(TSwkBalance& s, const char* account, int code)
{
    s.KCODE = account;
    s.TAXCODE = code;
}

class SiwakeZeigaku : public ::testing::Test {
protected:
    void SetUp() override { ZeiRituList.clear(); }
    void TearDown() override { ZeiRituList.clear(); }
};

} // namespace

TEST_F(SiwakeZeigaku, TaxIncludedPurchaseAtEightPercent)
{
    const auto info = DataSet();
    TSWKREC e = Entry("10800", 3, 1, 0); // five-rate table: number 3 is 8 %
    Side(e.L, "500", 511);               // purchase expense
    Side(e.R, "100", 810);               // cash
    ASSERT_TRUE(CalcSiwakeZeigaku(info, e));
    EXPECT_EQ(e.L.ZEI, Yen("800"));
    EXPECT_EQ(e.L.NUK, Yen("10000"));
    EXPECT_EQ(e.L.RIT, Yen("8"));
    EXPECT_EQ(e.L.TAXUH, 2);
    EXPECT_EQ(e.L.TAXDC, 1);
    EXPECT_EQ(e.R.NUK, Yen("10800"));
    EXPECT_EQ(e.R.ZEI, Yen("0"));
    EXPECT_EQ(e.R.RIT, Yen("0"));
    EXPECT_EQ(e.ZEIGAKU, Yen("800"));
    EXPECT_EQ(e.OLDRATE, 3);
}

TEST_F(SiwakeZeigaku, RoundingModeDecidesTheYen)
{
    // Sales take TAXU_HASUU, purchases TAXH_HASUU. 1,000 yen including 10 % is 90.909... yen tax;
    // 1,235 yen plus 10 % is 123.5 yen tax.
    struct Case { const char* amount; int taxcalcu; int mode; const char* tax; const char* net; };
    const Case cases[] = {
        {"1000", 0, 0, "90", "910"},      {"1000", 0, 1, "91", "909"},     {"1000", 0, 2, "91", "909"},
        {"1000", 0, 4, "91", "909"},      {"-1000", 0, 0, "-90", "-910"},  {"-1000", 0, 1, "-91", "-909"},
        {"-1000", 0, 2, "-91", "-909"},   {"1235", 1, 0, "123", "1235"},   {"1235", 1, 1, "124", "1235"},
        {"1235", 1, 2, "124", "1235"},    {"1235", 1, 9, "124", "1235"},   {"-1235", 1, 0, "-123", "-1235"},
        {"-1235", 1, 1, "-124", "-1235"}, {"-1235", 1, 2, "-124", "-1235"}, {"1230", 1, 2, "123", "1230"},
        // The amount is cut to whole yen before the tax is taken.
        {"1000.9", 0, 1, "91", "909"},
    };
    for (bool sales : {true, false}) {
        for (const auto& c : cases) {
            TZeiDataInfo info = DataSet();
            info.TAXU_HASUU = sales ? c.mode : 99;
            info.TAXH_HASUU = sales ? 99 : c.mode;
            TSWKREC e = Entry(c.amount, 0, 1, c.taxcalcu);
            if (sales) { Side(e.L, "100", 810); Side(e.R, "400", 110); }
            else { Side(e.L, "500", 511); Side(e.R, "100", 810); }
            ASSERT_TRUE(CalcSiwakeZeigaku(info, e));
            const TSwkBalance& taxed = sales ? e.R : e.L;
            const std::string what = std::string(sales ? "sales " : "purchase ") + c.amount + " mode " + std::to_string(c.mode);
            EXPECT_EQ(taxed.ZEI, Yen(c.tax)) << what;
            EXPECT_EQ(taxed.NUK, Yen(c.net)) << what;
            EXPECT_EQ(taxed.RIT, Yen("10")) << what;
        }
    }
}

TEST_F(SiwakeZeigaku, TaxAddedGivesTheUntaxedSideTheGrossAmount)
{
    TZeiDataInfo info = DataSet();
    TSWKREC e = Entry("1234", 0, 1, 1);
    Side(e.L, "500", 511);
    Side(e.R, "100", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, e));
    EXPECT_EQ(e.L.NUK, Yen("1234"));
    EXPECT_EQ(e.L.ZEI, Yen("123"));
    EXPECT_EQ(e.R.NUK, Yen("1357"));
    EXPECT_EQ(e.R.ZEI, Yen("0"));
    EXPECT_EQ(e.ZEIGAKU, Yen("123"));

    // The same the other way round: sales on the credit side, the debit side takes the gross.
    TSWKREC s = Entry("1234", 0, 1, 1);
    Side(s.L, "100", 810);
    Side(s.R, "400", 110);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, s));
    EXPECT_EQ(s.L.NUK, Yen("1357"));
    EXPECT_EQ(s.R.NUK, Yen("1234"));
    EXPECT_EQ(s.R.ZEI, Yen("123"));
    EXPECT_EQ(s.ZEIGAKU, Yen("123"));

    // A reversal: the untaxed side still takes the gross, the taxed side keeps its split.
    TSWKREC r = Entry("-1234", 0, 1, 1);
    Side(r.L, "500", 511);
    Side(r.R, "100", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, r));
    EXPECT_EQ(r.L.NUK, Yen("-1234"));
    EXPECT_EQ(r.L.ZEI, Yen("-123"));
    EXPECT_EQ(r.R.NUK, Yen("-1357"));
    EXPECT_EQ(r.R.ZEI, Yen("0"));
    EXPECT_EQ(r.ZEIGAKU, Yen("-123"));
}

TEST_F(SiwakeZeigaku, ManualTaxAmounts)
{
    struct Case { int taxcalcu; const char* nuk; const char* zei; };
    const Case cases[] = {{0, "1000", "100"}, {1, "1100", "100"}, {2, "1100", "0"}};
    for (const auto& c : cases) {
        TSWKREC e = Entry("1100", 0, 0, c.taxcalcu);
        e.ZEIGAKU = Yen("100.75"); // cut to 100 first
        Side(e.L, "500", 511);
        Side(e.R, "100", 810);
        ASSERT_TRUE(CalcSiwakeZeigaku(DataSet(), e));
        EXPECT_EQ(e.L.NUK, Yen(c.nuk)) << c.taxcalcu;
        EXPECT_EQ(e.L.ZEI, Yen(c.zei)) << c.taxcalcu;
        EXPECT_EQ(e.L.RIT, Yen("10")) << c.taxcalcu;
    }
}

TEST_F(SiwakeZeigaku, TaxAccountsAndSpecificPurchases)
{
    const auto info = DataSet();
    // 仮払消費税 booked directly: no split, but the side carries the rate unless its code is neutral.
    TSWKREC e = Entry("500", 2, 1, 0);
    Side(e.L, "155", 711);
    Side(e.R, "100", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, e));
    EXPECT_EQ(e.L.NUK, Yen("500"));
    EXPECT_EQ(e.L.ZEI, Yen("0"));
    EXPECT_EQ(e.L.RIT, Yen("5"));
    EXPECT_EQ(e.ZEIGAKU, Yen("0"));

    TSWKREC n = Entry("500", 2, 1, 0);
    Side(n.L, "155", 910);
    Side(n.R, "355", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, n));
    EXPECT_EQ(n.L.RIT, Yen("0"));
    EXPECT_EQ(n.R.RIT, Yen("0"));

    // A taxable code on a tax account is not split either.
    TSWKREC k = Entry("1100", 0, 1, 0);
    Side(k.L, "100", 810);
    Side(k.R, "355", 110);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, k));
    EXPECT_EQ(k.R.NUK, Yen("1100"));
    EXPECT_EQ(k.R.ZEI, Yen("0"));
    EXPECT_EQ(k.R.RIT, Yen("10"));

    // A specific purchase is never split, even when asked to compute.
    TSWKREC t = Entry("1100", 0, 1, 0);
    Side(t.L, "500", 552);
    Side(t.R, "100", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, t));
    EXPECT_EQ(t.TAXCALCU, 2);
    EXPECT_EQ(t.L.NUK, Yen("1100"));
    EXPECT_EQ(t.L.ZEI, Yen("0"));
    EXPECT_EQ(t.L.RIT, Yen("10"));
}

TEST_F(SiwakeZeigaku, SideRateNumberAndEntryRateNumber)
{
    const auto info = DataSet();
    // The side's own number wins over the entry's; the entry then takes the taxed side's number.
    TSWKREC e = Entry("1050", 0, 1, 0);
    Side(e.L, "500", 511);
    e.L.RITUNO = 2; // 5 %
    Side(e.R, "100", 810);
    ASSERT_TRUE(CalcSiwakeZeigaku(info, e));
    EXPECT_EQ(e.L.RIT, Yen("5"));
    EXPECT_EQ(e.L.ZEI, Yen("50"));
    EXPECT_EQ(e.OLDRATE, 2);

    // Both sides taxed at different numbers: the entry keeps its own.
    TSWKREC b = Entry("1080", 0, 1, 0);
    Side(b.L, "500", 511);
    b.L.RITUNO = 3;
    Side(b.R, "400", 110);
    b.R.RITUNO = 4;
    ASSERT_TRUE(CalcSiwakeZeigaku(info, b));
    EXPECT_EQ(b.OLDRATE, 0);
    EXPECT_EQ(b.ZEIGAKU, Yen("80"));

    // Both at the same number: the entry takes it.
    b.R.RITUNO = 3;
    ASSERT_TRUE(CalcSiwakeZeigaku(info, b));
    EXPECT_EQ(b.OLDRATE, 3);
}

TEST_F(SiwakeZeigaku, EveryCodeBeforeAndAfterTheRateSwitch)
{
    // Blocks of the code table: codes, group, names in code order, kind, TAXUH, TAXDC.
    struct Block { std::vector<int> codes; const char* group; std::vector<const char*> names; int kind, uh, dc; };
    const std::vector<const char*> kinds6 = {"第１種課税売上", "第２種課税売上", "第３種課税売上", "第４種課税売上", "第５種課税売上", "第６種課税売上"};
    const std::vector<const char*> back6 = {"第１種課税返還", "第２種課税返還", "第３種課税返還", "第４種課税返還", "第５種課税返還", "第６種課税返還"};
    const std::vector<const char*> free4 = {"免税売上", "非課税売上", "非課税売上（有価証券）", "非課税売上（輸出等）"};
    const std::vector<Block> blocks = {
        {{110}, "売上", {"課税売上"}, 1, 1, 3},
        {{111, 112, 113, 114, 115, 116}, "売上", kinds6, 2, 1, 3},
        {{120, 130, 140, 150}, "売上", free4, 0, 0, 3},
        {{210}, "貸倒回収", {"課税売上"}, 0, 1, 3},
        {{220, 230, 240, 250}, "貸倒回収", free4, 0, 0, 3},
        {{310}, "返還", {"課税売上"}, 1, 1, 1},
        {{311, 312, 313, 314, 315, 316}, "返還", back6, 2, 1, 1},
        {{320, 330, 340, 350}, "返還", free4, 0, 0, 1},
        {{410}, "貸倒", {"課税売上"}, 0, 1, 1},
        {{420, 430, 440, 450}, "貸倒", free4, 0, 0, 1},
        {{511, 512, 513}, "仕入", {"課税売上対応課税仕入", "共通売上対応課税仕入", "非課売上対応課税仕入"}, 0, 2, 1},
        {{521, 522, 523}, "仕入", {"課税売上対応課税輸入", "共通売上対応課税輸入", "非課売上対応課税輸入"}, 0, 2, 1},
        {{531, 532, 533}, "仕入", {"課税売上対応調整（棚卸）", "共通売上対応調整（棚卸）", "非課税売上対調整（棚卸）"}, 0, 2, 1},
        {{540}, "仕入", {"非課税仕入"}, 0, 0, 1},
        {{551, 552, 553}, "仕入", {"課税売上対応特定課税仕入", "共通売上対応特定課税仕入", "非課売上対応特定課税仕入"}, 0, 2, 1},
        {{561, 562, 563}, "仕入", {"課税売上対応課税仕入返還", "共通売上対応課税仕入返還", "非課売上対応課税仕入返還"}, 0, 2, 3},
        {{571, 572, 573}, "仕入", {"課税売上対応課税輸入返還", "共通売上対応課税輸入返還", "非課売上対応課税輸入返還"}, 0, 2, 3},
        {{581, 582, 583}, "仕入", {"課税売上対応特定仕入返還", "共通売上対応特定仕入返還", "非課売上対応特定仕入返還"}, 0, 2, 3},
        {{610}, "仮受", {"売上"}, 1, 0, 3},
        {{611, 612, 613, 614, 615, 616}, "仮受", kinds6, 2, 0, 3},
        {{620}, "仮受", {"貸倒回収"}, 0, 0, 3},
        {{630}, "仮受", {"返還"}, 1, 0, 1},
        {{631, 632, 633, 634, 635, 636}, "仮受", back6, 2, 0, 1},
        {{640}, "仮受", {"貸倒"}, 0, 0, 1},
        {{711, 712, 713}, "仮払", {"課税売上対応課税仕入", "共通売上対応課税仕入", "非課売上対応課税仕入"}, 0, 0, 1},
        {{721, 722, 723, 724, 725, 726}, "仮払", {"課税売上対応課税輸入", "共通売上対応課税輸入", "非課売上対応課税輸入", "課税売上対応課税輸入(国)", "共通売上対応課税輸入(国)", "非課売上対応課税輸入(国)"}, 0, 0, 1},
        {{731, 732, 733}, "仮払", {"課税売上対応調整（棚卸）", "共通売上対応調整（棚卸）", "非課売上対応調整（棚卸）"}, 0, 0, 1},
        {{761, 762, 763}, "仮払", {"課税売上対応課税仕入返還", "共通売上対応課税仕入返還", "非課売上対応課税仕入返還"}, 0, 0, 3},
        {{771, 772, 773, 774, 775, 776}, "仮払", {"課税売上対応課税輸入返還", "共通売上対応課税輸入返還", "非課売上対応課税輸入返還", "課税売対課税輸入返還(国)", "共通売対課税輸入返還(国)", "非課売対課税輸入返還(国)"}, 0, 0, 3},
        {{810}, "課税対象外", {"課税対象外・不課税"}, 0, 0, 0},
        {{910}, "区分未定", {"区分未定　　　　　　"}, 0, 0, 0},
    };

    std::size_t seen = 0;
    // 11.0.9 data: rate number 0 is 8 %; 11.1.0 data: rate number 0 is 10 %.
    struct Version { int minor1, minor2; const char* rate; const char* tax; };
    for (const Version v : {Version{0, 9, "8", "80"}, Version{1, 0, "10", "100"}}) {
        ZeiRituList.clear();
        const TZeiDataInfo info = DataSet(11, v.minor1, v.minor2);
        for (const auto& b : blocks) {
            ASSERT_EQ(b.codes.size(), b.names.size());
            for (std::size_t i = 0; i < b.codes.size(); ++i) {
                const int code = b.codes[i];
                TZeiCodeInfo ci;
                ASSERT_TRUE(GetZeiCodeInfo(code, ci)) << code;
                EXPECT_EQ(ci.GroupName, b.group) << code;
                EXPECT_EQ(ci.Name, sjis::PadRight(b.names[i], 24)) << code;
                EXPECT_EQ(ci.Kind, b.kind) << code;

                // Tax added at rate number 0 on an ordinary account, 1,000 yen.
                TSWKREC e = Entry("1000", 0, 1, 1);
                Side(e.L, "500", code);
                ASSERT_TRUE(CalcZeigaku(info, e, e.L));
                EXPECT_EQ(e.L.TAXUH, b.uh) << code;
                EXPECT_EQ(e.L.TAXDC, b.dc) << code;
                const bool taxed = b.uh != 0;
                EXPECT_EQ(e.L.RIT, Yen(taxed ? v.rate : "0")) << code << " 11." << v.minor1 << "." << v.minor2;
                // Specific purchases are split here; CalcSiwakeZeigaku is what switches them off.
                EXPECT_EQ(e.L.ZEI, Yen(taxed ? v.tax : "0")) << code;
                EXPECT_EQ(e.L.NUK, Yen("1000")) << code;
                ++seen;
            }
        }
    }
    EXPECT_EQ(seen, 2 * ZeiCodeList().size());
}

TEST_F(SiwakeZeigaku, AmountsBeyondTheCurrencyFailWithTheMessage)
{
    // 900 trillion yen less a tax of minus 100 trillion does not fit a currency.
    TSWKREC e = Entry("900000000000000", 0, 0, 0);
    e.ZEIGAKU = Yen("-100000000000000");
    Side(e.L, "500", 511);
    Side(e.R, "100", 810);
    std::vector<std::string> shown;
    EXPECT_FALSE(CalcSiwakeZeigaku(DataSet(), e, [&shown](const std::string& m) { shown.push_back(m); }));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "仕訳の消費税額が計算できません。");
    // What was written before the failure stays: the code's attributes, the cleared figures.
    EXPECT_EQ(e.L.TAXUH, 2);
    EXPECT_TRUE(e.L.NUK.IsZero());

    // Tax added by hand: the two sides' sums overflow when compared.
    TSWKREC t = Entry("900000000000000", 0, 0, 1);
    t.ZEIGAKU = Yen("900000000000000");
    Side(t.L, "500", 511);
    Side(t.R, "100", 810);
    shown.clear();
    EXPECT_FALSE(CalcSiwakeZeigaku(DataSet(), t, [&shown](const std::string& m) { shown.push_back(m); }));
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(SiwakeZeigaku, OpenDataSetAndTheErrorBox)
{
    ResetAccRecord();
    AccInf.SysUserCode[1] = "155";
    AccInf.SysUserCode[2] = "355";
    AccInf.TAXU_HASUU = 2;
    AccInf.DataVerMajor = 15;
    std::vector<std::pair<std::string, TMessageLinesKind>> boxes;
    SetMessageLinesHook([&boxes](const std::string& text, TMessageLinesKind kind) { boxes.emplace_back(text, kind); });

    TSWKREC e = Entry("1000", 0, 1, 0);
    Side(e.L, "100", 810);
    Side(e.R, "400", 110);
    ASSERT_TRUE(CalcSiwakeZeigaku(e));
    EXPECT_EQ(e.R.ZEI, Yen("91")); // 90.909... rounded up by the data set's sales mode
    EXPECT_TRUE(boxes.empty());

    TSWKREC bad = Entry("900000000000000", 0, 0, 0);
    bad.ZEIGAKU = Yen("-100000000000000");
    Side(bad.L, "500", 511);
    EXPECT_FALSE(CalcZeigaku(bad, bad.L));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first.rfind("仕訳の消費税額が計算できません。", 0), 0u);
    EXPECT_EQ(boxes[0].second, TMessageLinesKind::Error);

    SetMessageLinesHook({});
    ResetAccRecord();
}
