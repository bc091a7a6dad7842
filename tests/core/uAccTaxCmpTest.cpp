#include "core/uAccTaxCmp.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

Currency Yen(const char* text) { return *Currency::Parse(text); }

TZeiDataInfo DataSet(int kanni = 0, int jigyou = 0)
{
    TZeiDataInfo info;
    info.TAXKANNI = kanni;
    info.TAXJIGYOU = jigyou;
    info.KaribaraiUserCode = "155";
    info.KariukeUserCode = "355";
    info.SyokutiUserCode = "999";
    info.DataVerMajor = 15;
    return info;
}

class ZeiRitu : public ::testing::Test {
protected:
    void SetUp() override { ZeiRituList.clear(); }
    void TearDown() override { ZeiRituList.clear(); }
};

} // namespace

TEST(HasuSyori, ModesOnBothSigns)
{
    struct Case { int mode; const char* amount; const char* want; };
    const Case cases[] = {
        {0, "123.4567", "123"}, {1, "123.4567", "123"}, {2, "123.4567", "124"}, {5, "123.4567", "123"},
        {1, "123.5", "124"},    {7, "123.5", "124"},    {-1, "123.5", "124"},   {0, "123.9999", "123"},
        {1, "-123.5", "-124"},  {3, "-123.4999", "-123"}, {0, "-123.4", "-123"}, {2, "-123.4", "-124"},
        {2, "123", "123"},      {2, "0.0001", "1"},     {2, "-0.0001", "-1"},   {0, "-0.9999", "0"},
        {2, "0", "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasuSyori(c.mode, Yen(c.amount)), Yen(c.want)) << "mode " << c.mode << " amount " << c.amount;
}

TEST(HasuSyori, NumbersItsModesUnlikeRoundCurr)
{
    // HasuSyori: 0 cut, 2 up, others half away from zero. RoundCurr: 0 cut, 1 up, others half.
    struct Case { int mode; const char* amount; const char* hasu; const char* curr; };
    const Case cases[] = {
        {0, "2.5", "2", "2"},     {1, "2.5", "3", "3"},     {2, "2.5", "3", "3"},
        {1, "2.2", "2", "3"},     {2, "2.2", "3", "2"},     {1, "-1.2", "-1", "-2"},
        {2, "-1.2", "-2", "-1"},  {3, "-1.2", "-1", "-1"},  {0, "-1.7", "-1", "-1"},
        {1, "-1.5", "-2", "-2"},  {2, "7", "7", "7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasuSyori(c.mode, Yen(c.amount)), Yen(c.hasu)) << "HasuSyori mode " << c.mode << " " << c.amount;
        EXPECT_EQ(RoundCurr(c.mode, Yen(c.amount)), Yen(c.curr)) << "RoundCurr mode " << c.mode << " " << c.amount;
    }
}

TEST(ZeiCodeInfo, UnknownCodesGiveTheErrorRow)
{
    for (int code : {117, 0, -110, 599, 911, 100000}) {
        TZeiCodeInfo info;
        info.Kind = 1;
        info.TAXUH = 2;
        EXPECT_FALSE(GetZeiCodeInfo(code, info)) << code;
        EXPECT_EQ(info.GroupName, "Error               ");
        EXPECT_EQ(info.Name, " ");
        EXPECT_EQ(info.Kind, 9);
        EXPECT_EQ(info.TAXUH, 0);
        EXPECT_EQ(info.TAXDC, 0);
    }
    EXPECT_EQ(ZeiCodeList().size(), 93u);
}

TEST(ZeiCodeInfo, NamesArePaddedTo24ShiftJisBytes)
{
    std::string group, name;
    int kind = -1, uh = -1, dc = -1;
    ASSERT_TRUE(GetZeiCodeInfo(910, group, name, kind, uh, dc));
    // 区分未定 and six full-width blanks are 20 bytes; four half-width blanks make 24.
    EXPECT_EQ(name, "区分未定　　　　　　    ");
    EXPECT_EQ(group, "区分未定");
    ASSERT_TRUE(GetZeiCodeInfo(110, group, name, kind, uh, dc));
    EXPECT_EQ(name, "課税売上                ");
    EXPECT_EQ(Utf8ToCp932(name).size(), 24u);
    ASSERT_TRUE(GetZeiCodeInfo(774, group, name, kind, uh, dc));
    EXPECT_EQ(name, "課税売対課税輸入返還(国)");
    for (int code : ZeiCodeList()) {
        TZeiCodeInfo info;
        ASSERT_TRUE(GetZeiCodeInfo(code, info));
        EXPECT_EQ(sjis::ByteLength(info.Name), 24u) << code;
    }
}

TEST(ConvZeiCode, FollowsTheTaxationMethod)
{
    struct Case { int kanni, jigyou, code, want; };
    const Case cases[] = {
        {1, 5, 630, 635}, {1, 5, 111, 111}, {1, 3, 110, 113}, {1, 6, 310, 316}, {1, 1, 610, 611},
        {1, 3, 210, 210}, {0, 5, 635, 630}, {0, 5, 110, 110}, {0, 0, 116, 110}, {0, 0, 311, 310},
        {0, 0, 613, 610}, {2, 0, 636, 630}, {0, 0, 117, 117},
        // A category the data set cannot hold keeps the code rather than making an unknown one.
        {1, 0, 110, 110}, {1, 7, 630, 630},
    };
    for (const auto& c : cases) {
        int code = c.code;
        EXPECT_EQ(ConvZeiCode(DataSet(c.kanni, c.jigyou), code), c.want) << c.kanni << "/" << c.jigyou << "/" << c.code;
        EXPECT_EQ(code, c.want);
    }
}

TEST(CheckZeiKamoku, PairsCodesWithTheTaxAccounts)
{
    const std::string keep = "前のメッセージ";
    struct Case { int kanni; const char* account; int code; bool ok; const char* msg; };
    const Case cases[] = {
        {0, "155", 711, true, ""},
        {0, "155", 776, true, ""},
        {0, "155", 910, true, ""},
        {0, "155", 511, false, "仮払消費税の税コードは[700番台,810,910]を使用してください。"},
        {0, "155", 740, false, "仮払消費税の税コードは[700番台,810,910]を使用してください。"},
        {0, "500", 711, false, "税コードが[700番台]は、科目に仮払消費税を使用してください。"},
        {0, "500", 610, false, "税コードが[600番台]は、科目に仮受消費税を使用してください。"},
        {0, "500", 511, true, "前のメッセージ"},
        {0, "355", 610, true, ""},
        {0, "355", 613, true, "注意：原則課税が選択されています。"},
        {0, "355", 711, false, "税コードが[700番台]は、科目に仮払消費税を使用してください。"},
        {0, "355", 110, false, "仮受消費税の税コードは[600番台,810,910]を使用してください。"},
        {1, "355", 610, true, "注意：簡易課税が選択されています。"},
        {1, "355", 613, true, ""},
        {1, "355", 640, true, ""},
        {1, "355", 650, false, "仮受消費税の税コードは[600番台,810,910]を使用してください。"},
        {2, "355", 110, true, "前のメッセージ"},
        // The sundry account takes any code here; its own check is CheckSyokutiZeiCode.
        {0, "999", 110, true, "前のメッセージ"},
    };
    for (const auto& c : cases) {
        std::string msg = keep;
        EXPECT_EQ(CheckZeiKamoku(DataSet(c.kanni), msg, c.account, c.code), c.ok) << c.account << "/" << c.code;
        EXPECT_EQ(msg, c.msg) << c.account << "/" << c.code;
    }
}

TEST(CheckZeiKamoku, DataWithoutATaxAccountTreatsNoAccountAsIt)
{
    // A data set without 仮払消費税: an empty account code must not pass for it.
    TZeiDataInfo info = DataSet();
    info.KaribaraiUserCode.clear();
    std::string msg;
    EXPECT_FALSE(CheckZeiKamoku(info, msg, "", 711));
    EXPECT_EQ(msg, "税コードが[700番台]は、科目に仮払消費税を使用してください。");
    EXPECT_FALSE(IsZeiKamoku(info, ""));
}

TEST(CheckAiteAndSyokuti, ForceTheNeutralCode)
{
    const auto info = DataSet();
    struct Case { const char* account; int code; bool aiteOk; bool syokutiOk; };
    const Case cases[] = {
        {"155", 511, false, true}, {"355", 110, false, true}, {"155", 810, true, true},
        {"355", 910, true, true},  {"999", 110, true, false}, {"999", 810, true, true},
        {"500", 110, true, true},
    };
    for (const auto& c : cases) {
        std::string msg = "x";
        int code = c.code;
        EXPECT_EQ(CheckAiteZeiCode(info, msg, c.account, code), c.aiteOk) << c.account << "/" << c.code;
        EXPECT_EQ(code, c.aiteOk ? c.code : 810);
        EXPECT_EQ(msg, c.aiteOk ? "x" : "仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。");

        msg = "x";
        code = c.code;
        EXPECT_EQ(CheckSyokutiZeiCode(info, msg, c.account, code), c.syokutiOk) << c.account << "/" << c.code;
        EXPECT_EQ(code, c.syokutiOk ? c.code : 810);
        EXPECT_EQ(msg, c.syokutiOk ? "x" : "諸口の消費税コードは、[810,910]を使用してください。");
    }
}

TEST(CheckTokuteiSiire, DateAndRateLimits)
{
    const std::string dateMsg = "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では[2015/10/01]より前の取引を登録できません。";
    const std::string head = "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では税率[";
    struct Case { int code, rateNo; Date date; bool ok; std::string msg; };
    const Case cases[] = {
        {552, 2, Date(2015, 9, 30), false, head + "5%]は使用できません。"},
        {552, 3, Date(2015, 10, 1), true, "x"},
        {551, 0, Date(2015, 9, 30), false, dateMsg},
        {583, 1, Date(2020, 1, 1), false, head + "3%]は使用できません。"},
        {581, 4, Date(2020, 1, 1), false, head + "軽減8%]は使用できません。"},
        {511, 1, Date(2000, 1, 1), true, "x"},
        {554, 2, Date(2000, 1, 1), true, "x"},
    };
    for (const auto& c : cases) {
        std::string msg = "x";
        EXPECT_EQ(CheckTokuteiSiire(msg, c.code, c.rateNo, c.date), c.ok) << c.code;
        EXPECT_EQ(msg, c.msg) << c.code;
    }
    for (int code : {551, 552, 553, 581, 582, 583}) EXPECT_TRUE(IsTokuteiSiireCode(code));
    for (int code : {550, 554, 580, 584, 561}) EXPECT_FALSE(IsTokuteiSiireCode(code));
}

TEST_F(ZeiRitu, TableFollowsTheDataVersion)
{
    struct Case { int major, minor1, minor2; std::size_t rows; };
    const Case cases[] = {{11, 0, 9, 3}, {11, 1, 0, 5}, {12, 0, 0, 5}, {10, 255, 255, 3}, {0, 0, 0, 3}};
    for (const auto& c : cases) {
        TZeiDataInfo info = DataSet();
        info.DataVerMajor = c.major;
        info.DataVerMinor1 = c.minor1;
        info.DataVerMinor2 = c.minor2;
        InitZeiRituList(info, Date(2020, 3, 31));
        EXPECT_EQ(ZeiRituList.size(), c.rows) << c.major << "." << c.minor1 << "." << c.minor2;
    }
}

TEST_F(ZeiRitu, RatesByNumberBeforeAndAfterTheSwitch)
{
    TZeiDataInfo old = DataSet();
    old.DataVerMajor = 11;
    old.DataVerMinor1 = 0;
    old.DataVerMinor2 = 9;
    TZeiDataInfo now = DataSet();
    now.DataVerMajor = 11;
    now.DataVerMinor1 = 1;

    // rate number -> percent with the three-rate table and with the five-rate table;
    // unknown numbers take the newest standard rate (row 0).
    struct Case { int rateNo; int oldPercent; int newPercent; };
    const Case cases[] = {{0, 8, 10}, {1, 3, 3}, {2, 5, 5}, {3, 8, 8}, {4, 8, 8}, {7, 8, 10}, {-1, 8, 10}};
    for (const auto& c : cases) {
        ZeiRituList.clear();
        EXPECT_EQ(GetZeiRitu(old, c.rateNo, Date(2021, 1, 1)), Currency::FromYen(c.oldPercent)) << c.rateNo;
        ZeiRituList.clear();
        EXPECT_EQ(GetZeiRitu(now, c.rateNo, Date(2021, 1, 1)), Currency::FromYen(c.newPercent)) << c.rateNo;
    }
    // Once built, the list stays until the next data set is opened.
    EXPECT_EQ(GetZeiRitu(old, 0, Date()), Currency::FromYen(10));
}

TEST_F(ZeiRitu, RateNumberInForceOnADate)
{
    TZeiDataInfo info = DataSet(); // 15.0.0: five rates
    struct Case { int rateNo; Date date; int want; };
    const Case cases[] = {
        {2, Date(2020, 1, 1), 2},   {0, Date(2019, 9, 30), 3}, {4, Date(2015, 1, 1), 4},
        {0, Date(1988, 1, 1), 0},   {0, Date(2019, 10, 1), 0}, {3, Date(2019, 10, 1), 3},
        {1, Date(1989, 3, 31), 0},  {2, Date(1997, 3, 31), 1}, {3, Date(2000, 1, 1), 2},
        {9, Date(2015, 1, 1), 3},   {0, Date(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetZeiRituNo(info, c.rateNo, c.date), c.want) << c.rateNo << " " << c.date.ToString();

    ZeiRituList.clear();
    info.DataVerMajor = 11; // 11.0.0: three rates, 8 % is number 0
    EXPECT_EQ(GetZeiRituNo(info, 0, Date(2014, 3, 31)), 2);
    EXPECT_EQ(GetZeiRituNo(info, 2, Date(2020, 1, 1)), 2);
    EXPECT_EQ(GetZeiRituNo(info, 4, Date(2020, 1, 1)), 0);
}

TEST_F(ZeiRitu, FiveRateTableRows)
{
    const auto list = MakeZeiRituList(15, 0, 0);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[1].Label, "8*%");
    EXPECT_EQ(list[1].RituNo, 4);
    EXPECT_EQ(list[1].ByDate, 0);
    EXPECT_EQ(list[1].IsCurrent, 1);
    EXPECT_EQ(list[1].StartDateText, "2019/10/01");
    EXPECT_EQ(list[2].IsCurrent, 0);
    EXPECT_EQ(list[4].Order, 0);
    EXPECT_EQ(list[4].UseIndex, 0);
    for (const auto& r : list) EXPECT_EQ(r.InUse, 1);
}

TEST_F(ZeiRitu, OpenDataSetFactsComeFromAccInf)
{
    ResetAccRecord();
    AccInf.TAXKANNI = 1;
    AccInf.TAXJIGYOU = 4;
    AccInf.SysUserCode[1] = "155";
    AccInf.SysUserCode[2] = "355";
    AccInf.SysUserCode[3] = "999";
    AccInf.DataVerMajor = 11;
    AccInf.DataVerMinor1 = 0;
    AccInf.DataVerMinor2 = 9;

    int code = 110;
    EXPECT_EQ(ConvZeiCode(code), 114);
    std::string msg;
    EXPECT_TRUE(CheckZeiKamoku(msg, "355", 610));
    EXPECT_EQ(msg, "注意：簡易課税が選択されています。");
    code = 110;
    EXPECT_FALSE(CheckAiteZeiCode(msg, "155", code));
    EXPECT_EQ(code, 810);
    code = 511;
    EXPECT_FALSE(CheckSyokutiZeiCode(msg, "999", code));
    EXPECT_EQ(code, 810);

    // 11.0.9: the three-rate table, number 0 is 8 %.
    EXPECT_EQ(GetZeiRitu(0, Date(2020, 1, 1)), Currency::FromYen(8));
    EXPECT_EQ(GetZeiRituNo(4, Date(2020, 1, 1)), 0);
    // The loader rebuilds the table when a newer data set opens.
    AccInf.DataVerMinor1 = 1;
    AccInf.DataVerMinor2 = 0;
    InitZeiRituList(Date(2021, 3, 31));
    EXPECT_EQ(GetZeiRitu(0, Date(2020, 1, 1)), Currency::FromYen(10));
    EXPECT_EQ(GetZeiRituNo(4, Date(2020, 1, 1)), 4);
    ResetAccRecord();
}
