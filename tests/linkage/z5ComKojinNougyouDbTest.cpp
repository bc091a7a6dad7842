// The agriculture reader and its DATA on the agriculture fixture (tests/fixtures/README.md, data
// set 0003): statement tables from the real database, balances placed from the README's figures.
// The written DATA is compared as a parsed tree with a file written by hand.

#include <gtest/gtest.h>

#include "linkage/EDataExportError.h"
#include "linkage/z5ComKojinNougyou.h"
#include "z5ComKojinFudosanNougyouSupport.h"

namespace fx = kbtest::fixture;
using kb::Currency;
using namespace kbtest::linkage;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

std::vector<HandLine> AgricultureBalances()
{
    return {
        {"1100", 1, "現金", 1, 500000, 330000},
        {"1100", 4, "普通預金", 1, 1000000, 2400000},
        {"2100", 23, "元入金", 3, 1500000, 1500000},
        {"4100", 1, "販売金額", 3, 0, 1400000},
        {"6100", 2, "種苗費", 1, 0, 50000},
        {"6100", 4, "肥料費", 1, 0, 80000},
        {"6100", 7, "農薬衛生費", 1, 0, 40000},
    };
}

const std::vector<std::string> kDetailBlocks = {
    "SYUUNYUUKINGAKU", "NOUSANBUTUIGAITANAOROSI", "YATOININHI",       "SENJUUSYA",  "KAJUGYUUBAHIYOU",
    "TINSYAKURYOU",    "RISIWARIBIKIRYOU",        "ZEIRISIHOUSYUU",   "KASIDAOREKURIIRE", "AOIROKOUJO",
    "TOKUSYUJIJOU"};

const std::string kTop = "REPORT/DATA/NOUGYOUSYOTOKU/";

class AgricultureStatement : public FixtureDataSet {
protected:
    static void SetUpTestSuite()
    {
        suiteDir_ = new kbtest::TempDir;
        fx::BuildAgricultureDataSet(suiteDir_->path() / "0003", 3);
    }
    static void TearDownTestSuite()
    {
        delete suiteDir_;
        suiteDir_ = nullptr;
    }
    void SetUp() override
    {
        Open(suiteDir_->path() / "0003", 4, AgricultureBalances());
        kb::AccInf.AO_YAGO = "農業三郎農園";
    }

    std::string Write(int kind, bool details) { return FixtureDataSet::Write(kind, details, 4); }
    static kbtest::TempDir* suiteDir_;
};
kbtest::TempDir* AgricultureStatement::suiteDir_ = nullptr;

TEST_F(AgricultureStatement, Kind4WithDetailsEqualsTheHandWrittenFile)
{
    EXPECT_TRUE(SameTree(ExpectedLines("nougyou-fixture.xml"), Write(4, true)));
}

TEST_F(AgricultureStatement, Kind4WithoutDetailsStillWritesTheFarmName)
{
    EXPECT_TRUE(
        SameTree(DropBlocks(ExpectedLines("nougyou-fixture.xml"), "NOUGYOUSYOTOKU", kDetailBlocks), Write(4, false)));
}

TEST_F(AgricultureStatement, ReaderRecordCarriesTheTotalsTheFileDoesNot)
{
    kb::TNougyouKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    const kb::TNougyouKessansyoRec& d = r.Data;
    EXPECT_EQ(d.Soneki[7].Kingaku, Yen(1400000));
    EXPECT_EQ(d.Soneki[31].Kingaku, Yen(170000));
    EXPECT_EQ(d.Soneki[46].Kingaku, Yen(1230000));
    EXPECT_EQ(d.Koujo11, Yen(100000));
    EXPECT_EQ(d.Soneki[48].Kingaku, Yen(1130000));
    EXPECT_EQ(d.Sisan[25].Kimatu, Yen(2730000));
    EXPECT_EQ(d.Fusai[25].Kimatu, Yen(2730000));
    EXPECT_EQ(d.NousanKei[1].Hanbaigaku, Yen(1200000));
    EXPECT_EQ(d.SyunyuGokei[1].Hanbaigaku, Yen(1400000));
    EXPECT_EQ(d.KajyuGyuba[1].IkuseiSyokei, Yen(50000));
    EXPECT_EQ(d.KajyuGyuba[1].YokunenKurikosigaku, Yen(350000));
    EXPECT_EQ(d.KajyuGyuba[1].SyutokuHizukeYY, "R06");
    EXPECT_EQ(d.KeisanHouhou[1], "育成費用の集計による");
    EXPECT_EQ(d.Soneki[1].Rec, 4);
}

TEST_F(AgricultureStatement, RowsArePlacedInOrderOrByRecAsEachTableSays)
{
    Exec("DELETE FROM AO_SYUNYU WHERE ITEM='TAHATA'");
    for (int rec : {12, 5, 9, 20, 21, 22, 23, 24})
        Exec("INSERT INTO AO_SYUNYU (REC, ITEM, KUBUN1, HANBAIGAKU) VALUES (" + std::to_string(rec) + ", 'TAHATA', '作物" +
             std::to_string(rec) + "', 1000)");
    Exec("INSERT INTO AO_YATOININHI (REC, SIMEI, NISUU, SIKYU_GENKIN) VALUES (3, '臨時雇い', 20, 160000)");
    Exec("INSERT INTO AO_YATOININHI (REC, SIMEI, NISUU, SIKYU_GENKIN) VALUES (5, '範囲外', 1, 1)");
    for (int rec = 1; rec <= 12; ++rec)
        Exec("INSERT INTO AO_NOTE (REC, NOTE) VALUES (" + std::to_string(rec) + ", '記事" + std::to_string(rec) + "')");
    Exec("INSERT INTO AO_SYUNYU_ZASHUU (REC, KUBUN, KINGAKU) VALUES (7, '補助金', 30000.75)");
    kb::TNougyouKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    const kb::TNougyouKessansyoRec& d = r.Data;
    EXPECT_EQ(d.Tahata[1].Kubun1, "作物5");
    EXPECT_EQ(d.Tahata[2].Kubun1, "作物9");
    EXPECT_EQ(d.Tahata[3].Kubun1, "作物12");
    EXPECT_EQ(d.Tahata[6].Kubun1, "作物22");     // the seventh and eighth rows have no line
    EXPECT_EQ(d.NousanKei[1].Hanbaigaku, Yen(6000));
    EXPECT_EQ(d.Yatoinin[1].Simei, "");
    EXPECT_EQ(d.Yatoinin[3].Simei, "臨時雇い");
    EXPECT_EQ(d.Yatoinin[5].SikyuGenkin, Yen(160000)); // the total, not the row numbered 5
    EXPECT_EQ(d.Note[10], "記事10");
    EXPECT_EQ(d.Zassyu[1].Kingaku, Yen(30000));    // read as whole yen
}

TEST_F(AgricultureStatement, ClosingInventoriesFollowTheirSignMode)
{
    // mode 1 (closing inventories, rearing costs) reverses the debit side (1) and keeps the credit
    // minus side (2); mode 0 (the opening inventory) reverses side 2
    auto lines = AgricultureBalances();
    lines.push_back({"5100", 1, "期首農産物", 2, 0, -30000});
    lines.push_back({"5300", 1, "期末農産物", 1, 0, -50000});
    lines.push_back({"6130", 1, "育成費用", 2, 0, 20000});
    lines.push_back({"6120", 1, "期末農産物以外", 2, 0, 7000});
    kb::KessansyoBalanceMaker = HandBalances(lines);
    kb::TNougyouKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    EXPECT_EQ(r.Data.Soneki[5].Kingaku, Yen(30000));
    EXPECT_EQ(r.Data.Soneki[6].Kingaku, Yen(50000));
    EXPECT_EQ(r.Data.Soneki[34].Kingaku, Yen(20000));
    EXPECT_EQ(r.Data.Soneki[33].Kingaku, Yen(7000));
    EXPECT_EQ(r.Data.Soneki[34].Name, "育成費用");
    // 1,400,000 - 30,000 + 50,000 = 1,420,000; expenses 170,000 - 7,000 - 20,000 = 143,000
    EXPECT_EQ(r.Data.Soneki[36].Kingaku, Yen(1277000));
}

TEST_F(AgricultureStatement, HandEnteredRearingCostsComeFromTheClosingStatementLine)
{
    Exec("UPDATE AO_SINKOKU SET TEGAKI=1");
    Exec("INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1, AO_KIMATUZAN) VALUES (50, '6130', 1, '育成費用', 45000)");
    kb::TNougyouKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    EXPECT_EQ(r.Data.Soneki[34].Kingaku, Yen(45000));
    EXPECT_EQ(r.Data.Soneki[34].Rec, 50);
}

TEST_F(AgricultureStatement, QuantitiesAreWrittenAsWholeUnits)
{
    Exec("UPDATE AO_SYUNYU SET KISHU_SURYO=2.5, KIMATU_SURYO=0.4 WHERE ITEM='TAHATA'");
    Exec("INSERT INTO AO_NOUSANBUTUIGAI (REC, ITEM, KUBUN, KISHU_SURYO, KISHU_TANI, KISHU_KINGAKU, KIMATU_SURYO,"
         " KIMATU_TANI) VALUES (1, 'MISYUKAKU', '白菜', 12.5, 'a', 60000, 0, 'a')");
    const std::string xml = Write(4, true);
    EXPECT_EQ(Leaf(xml, kTop + "SYUUNYUUKINGAKU/TAHATA_UTIWAKE[COUNT=1]/KISYU_SUURYOU"), "3");
    EXPECT_EQ(Leaf(xml, kTop + "SYUUNYUUKINGAKU/TAHATA_UTIWAKE[COUNT=1]/KIMATU_SUURYOU"), "");
    const std::string row = kTop + "NOUSANBUTUIGAITANAOROSI/MISYUUKAKU_UTIWAKE[COUNT=1]/";
    EXPECT_EQ(Leaf(xml, row + "KISYU_SUURYOU"), "13");
    EXPECT_EQ(Leaf(xml, row + "KISYU_TANNI"), "a");
    EXPECT_EQ(Leaf(xml, row + "KISYU_KINGAKU"), "60000");
    EXPECT_EQ(Leaf(xml, row + "KIMATU_SUURYOU"), "");
}

TEST_F(AgricultureStatement, AllowanceDeductionAndMeatCattleAmountReachTheFile)
{
    Exec("UPDATE AO_SINKOKU SET KURIIRE1=1000, KURIIRE2=1234567, KURIIRE4=67901, KOUJOKUBUN=2, KOUJO6=400000,"
         " FUSAIRISI=120000");
    Exec("INSERT INTO AO_TIDAI_CHINSHAKU (REC, JYUSHO1, KOSAKURYO, MENSEKI, SHIHARAIGAKU) VALUES "
         "(2, '地主一郎', 12000, 30, 12000)");
    const std::string xml = Write(4, true);
    EXPECT_EQ(Leaf(xml, kTop + "SONEKIKEISANSYO/NIKUYOUGYUU_TOKUREI"), "120000");
    EXPECT_EQ(Leaf(xml, kTop + "KASIDAOREKURIIRE/KOBETU_KURIIREGAKU"), "1000");
    EXPECT_EQ(Leaf(xml, kTop + "KASIDAOREKURIIRE/IKKATU_KURIIREGOUKEIGAKU"), "1234567");
    EXPECT_EQ(Leaf(xml, kTop + "KASIDAOREKURIIRE/IKKATU_KURIIREGAKU"), "67901");
    EXPECT_EQ(Leaf(xml, kTop + "AOIROKOUJO/FUDOUSANSYOTOKU"), "400000");
    EXPECT_EQ(Leaf(xml, kTop + "AOIROKOUJO/AOIROKOUJO_SENTAKU"), "1");
    EXPECT_EQ(Leaf(xml, kTop + "TINSYAKURYOU/TINSYAKURYOU_UTIWAKE[COUNT=2]/JUUSYO_SIMEI_JOUDAN"), "地主一郎");
    EXPECT_EQ(Leaf(xml, kTop + "TINSYAKURYOU/TINSYAKURYOU_UTIWAKE[COUNT=2]/KOSAKURYOU_TINKOURYOU"), "12000");
    EXPECT_EQ(Leaf(xml, kTop + "TINSYAKURYOU/TINSYAKURYOU_UTIWAKE[COUNT=2]/MENSEKISUURYOU"), "30");
    kb::TNougyouKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1);
    EXPECT_EQ(r.Data.Kuriire3, Yen(67901));
    EXPECT_EQ(r.Data.Koujo8, Yen(400000));
    EXPECT_EQ(r.Data.Koujo9, Yen(250000));
    EXPECT_EQ(r.Data.FusaiRisi, Yen(120000));   // kept whatever the income
}

// The accounting application stores the planting year with its era letter and what is leased as
// a text; a bare year of older data still reads.
TEST_F(AgricultureStatement, EraYearAndLeasedLandAreReadAsTheTextsStored)
{
    Exec("INSERT INTO AO_KAJYU (REC, MEISHOU1, SYUTOKUHIZUKE_YY, SYUTOKUHIZUKE_MM, SYUTOKUHIZUKE_DD) VALUES "
         "(2, 'うめ', 'H03', 4, 1)");
    Exec("INSERT INTO AO_TIDAI_CHINSHAKU (REC, JYUSHO1, KOSAKURYO, MENSEKI, SHIHARAIGAKU) VALUES "
         "(1, '地主二郎', '田', 20, 40000)");
    const std::string rearing = kTop + "KAJUGYUUBAHIYOU/KAJUGYUUBA_UTIWAKE";
    std::string xml = Write(4, true);
    EXPECT_EQ(Leaf(xml, rearing + "[COUNT=2]/SYUTOKU_NENGAPPI"), "19910401");
    EXPECT_EQ(Leaf(xml, rearing + "[COUNT=1]/SYUTOKU_NENGAPPI"), "20240401"); // the fixture's "R06"
    EXPECT_EQ(Leaf(xml, kTop + "TINSYAKURYOU/TINSYAKURYOU_UTIWAKE[COUNT=1]/KOSAKURYOU_TINKOURYOU"), "田");
    Exec("UPDATE AO_KAJYU SET SYUTOKUHIZUKE_YY='6' WHERE REC=1");
    xml = Write(4, true);
    EXPECT_EQ(Leaf(xml, rearing + "[COUNT=1]/SYUTOKU_NENGAPPI"), "20240401");
}

TEST_F(AgricultureStatement, TheAllowanceLimitRoundsByTheStoredMode)
{
    // 1,234,567 x 5.5 % = 67,901.185: 0 toward zero, 1 half away from zero, 2 up, any other as 1
    Exec("UPDATE AO_SINKOKU SET KURIIRE2=1234567");
    for (const auto& [mode, limit] : {std::pair{0, 67901LL}, {1, 67901LL}, {2, 67902LL}, {3, 67901LL}}) {
        Exec("UPDATE AO_SINKOKU SET HASUU=" + std::to_string(mode));
        kb::TNougyouKessansyoIO r(db, tr);
        ASSERT_EQ(r.Select(0), 1) << r.LastError;
        EXPECT_EQ(r.Data.Kuriire3, Yen(limit)) << "mode " << mode;
    }
}

TEST_F(AgricultureStatement, AFailureInsideTheCallersTransactionIsSilent)
{
    Exec("DROP TABLE AO_KAJYU_KEISAN");
    tr.StartTransaction();
    kb::TNougyouKessansyoIO r(db, tr);
    EXPECT_EQ(r.Select(0), 0);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(r.Data.Tahata[1].Kubun1, "米");          // read before the failure
    EXPECT_EQ(r.Data.NousanKei[1].Hanbaigaku, Currency()); // no totals
    tr.Rollback();
}

TEST_F(AgricultureStatement, OtherKindsOfIncomeAreNotMadeFromIt)
{
    for (int kind : {1, 3}) EXPECT_THROW(Write(kind, false), kb::EDataExportError) << kind;
}

} // namespace
