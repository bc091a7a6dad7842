// The real-estate reader and its DATA on the real-estate fixture (tests/fixtures/README.md, data
// set 0002): statement tables from the real database, balances placed from the README's figures.
// The written DATA is compared as a parsed tree with a file written by hand.

#include <gtest/gtest.h>

#include "linkage/EDataExportError.h"
#include "linkage/z5ComKojinFudosan.h"
#include "z5ComKojinFudosanNougyouSupport.h"

namespace fs = std::filesystem;
namespace fx = kbtest::fixture;
using kb::Currency;
using kb::Date;
using namespace kbtest::linkage;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

std::vector<HandLine> RealEstateBalances(long long depreciation = 400000)
{
    return {
        {"1100", 4, "普通預金", 1, 1000000, 2720000},
        {"1100", 11, "建物", 1, 10000000, 10000000 - depreciation},
        {"1100", 24, "事業主貸", 1, 0, 1200000},
        {"2100", 1, "借入金", 3, 5000000, 4500000},
        {"2100", 23, "元入金", 3, 6000000, 6000000},
        {"4100", 1, "賃貸料", 3, 0, 3600000},
        {"6100", 1, "租税公課", 1, 0, 120000},
        {"6100", 4, "減価償却費", 1, 0, depreciation},
        {"6100", 5, "借入金利子", 1, 0, 60000},
    };
}

const std::vector<std::string> kDetailBlocks = {"FUDOUSANSYUUNYUU", "KYUURYOUTINGIN", "SENJUUSYA", "TIDAIYATIN",
                                                "KARIIREKINRISI", "ZEIRISIHOUSYUU", "TOKUSYUJIJOU"};

const char* kRowLeaves[] = {"KASIYA_KASITI",       "YOUTO",
                            "SYOZAITI_JOUDAN",     "SYOZAITI_GEDAN",
                            "JUUSYO_SIMEI_JOUDAN", "JUUSYO_SIMEI_GEDAN",
                            "KEIYAKUKIKAN_FROM",   "KEIYAKUKIKAN_TO",
                            "KASITUKEMENSEKI",     "TINTAIRYOU_TUKIGAKU",
                            "TINTAIRYOU_NENGAKU",  "REIKIN",
                            "KENRIKIN",            "KOUSINRYOU",
                            "MEIGISYOKANRYOU_SONOTA", "HOSYOUKIN_SIKIKIN"};

// The hand-written file holds the three properties; rows 4 to 1000 are empty and added here.
std::vector<std::string> ExpectedFudousan()
{
    std::vector<std::string> lines = ExpectedLines("fudousan-fixture.xml");
    const std::string block = "REPORT/DATA/FUDOUSANSYOTOKU/FUDOUSANSYUUNYUU";
    auto at = std::find(lines.begin(), lines.end(), "REPORT/DATA/FUDOUSANSYOTOKU/KYUURYOUTINGIN");
    std::vector<std::string> rows;
    for (int n = 4; n <= 1000; ++n) {
        const std::string row = block + "/FUDOUSAN_UTIWAKE[COUNT=" + std::to_string(n) + "]";
        rows.push_back(row);
        for (const char* leaf : kRowLeaves) rows.push_back(row + "/" + leaf + " = ");
    }
    lines.insert(at, rows.begin(), rows.end());
    return lines;
}

class RealEstateStatement : public FixtureDataSet {
protected:
    static void SetUpTestSuite()
    {
        suiteDir_ = new kbtest::TempDir;
        fx::BuildRealEstateDataSet(suiteDir_->path() / "0002", 2);
    }
    static void TearDownTestSuite()
    {
        delete suiteDir_;
        suiteDir_ = nullptr;
    }
    void SetUp() override { Open(suiteDir_->path() / "0002", 2, RealEstateBalances()); }

    std::string Write(int kind, bool details) { return FixtureDataSet::Write(kind, details, 2); }
    static kbtest::TempDir* suiteDir_;
};
kbtest::TempDir* RealEstateStatement::suiteDir_ = nullptr;

TEST_F(RealEstateStatement, Kind3WithDetailsEqualsTheHandWrittenFile)
{
    EXPECT_TRUE(SameTree(ExpectedFudousan(), Write(3, true)));
}

TEST_F(RealEstateStatement, Kind3WithoutDetailsKeepsOnlyTheStatementBlocks)
{
    EXPECT_TRUE(SameTree(DropBlocks(ExpectedFudousan(), "FUDOUSANSYOTOKU", kDetailBlocks), Write(3, false)));
}

TEST_F(RealEstateStatement, ReaderRecordCarriesTheTotalsTheFileDoesNot)
{
    kb::TFudosanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    const kb::TFudosanKessansyoRec& d = r.Data;
    EXPECT_EQ(d.Soneki[4].Kingaku, Yen(3600000));
    EXPECT_EQ(d.Soneki[18].Kingaku, Yen(580000));
    EXPECT_EQ(d.Soneki[21].Kingaku, Yen(3020000));
    EXPECT_EQ(d.Soneki[22].Kingaku, Yen(100000)); // KOUJOKUBUN 1
    EXPECT_EQ(d.Soneki[23].Kingaku, Yen(2920000));
    EXPECT_EQ(d.Sisan[25].Kimatu, Yen(13520000));
    EXPECT_EQ(d.Fusai[25].Kimatu, Yen(10500000 + 3020000));
    EXPECT_EQ(d.Fudosan[16].Nengaku, Yen(3600000));
    EXPECT_EQ(d.Fudosan[16].Sikikin, Yen(600000));
    ASSERT_EQ(r.SyotokuRows.size(), 3u);
    EXPECT_EQ(d.Fudosan[2].Shozaiti1, "東京都中野区4-4");
    // R7/1 .. R7/12 of the era that fits the fiscal year
    EXPECT_EQ(d.Fudosan[1].TinsyakuKaisi.GetDate(), Date(2025, 1, 1));
    EXPECT_EQ(d.Fudosan[1].TinsyakuSyuuryou.GetDate(), Date(2025, 12, 1));
    EXPECT_EQ(d.Sisan[4].Rec, 1);
    EXPECT_EQ(d.Soneki[9].Rec, 9);   // 6100/5
    EXPECT_EQ(d.HizukeUmu, 0);
}

TEST_F(RealEstateStatement, ANegativeIncomeKeepsTheInterestOnDebtForLand)
{
    Exec("UPDATE AO_SINKOKU SET FUSAIRISI=80000");
    // the same year with a depreciation of 4,000,000: 3,600,000 - 4,180,000 = -580,000
    kb::KessansyoBalanceMaker = HandBalances(RealEstateBalances(4000000));
    const std::string loss = Write(3, false);
    EXPECT_EQ(Leaf(loss, "REPORT/DATA/FUDOUSANSYOTOKU/SONEKIKEISANSYO/FUSAIRISIGAKU"), "80000");
    EXPECT_EQ(Leaf(loss, "REPORT/DATA/FUDOUSANSYOTOKU/TAISYAKUTAISYOUHYO/KOUJYOMAESYOTOKUKINNGAKU_KIMATU"), "-580000");
    kb::TFudosanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1);
    EXPECT_EQ(r.Data.Soneki[22].Kingaku, Currency());
    EXPECT_EQ(r.Data.Soneki[23].Kingaku, Yen(-580000));

    // with the fixture's income it is cleared
    kb::KessansyoBalanceMaker = HandBalances(RealEstateBalances());
    EXPECT_EQ(Leaf(Write(3, false), "REPORT/DATA/FUDOUSANSYOTOKU/SONEKIKEISANSYO/FUSAIRISIGAKU"), "");
}

TEST_F(RealEstateStatement, ContractDatesOfAnEarlierEraStayInTheirEra)
{
    Exec("DELETE FROM AO_FUDOUSAN");
    Exec("INSERT INTO AO_FUDOUSAN (REC, NUMBER, KUBUN, KAISI_YY, KAISI_MM, SHUURYOU_YY, SHUURYOU_MM, MENSEKI) "
         "VALUES (1, 1, '貸家', 28, 4, 30, 3, 12.5)");
    Exec("INSERT INTO AO_FUDOUSAN (REC, NUMBER, KUBUN, KAISI_YY, KAISI_MM, SHUURYOU_YY, SHUURYOU_MM) "
         "VALUES (2, 2, '貸家', 7, 4, 9, 3)");
    // stored dates win over the era fields
    Exec("INSERT INTO AO_FUDOUSAN (REC, NUMBER, KUBUN, KAISI_YY, KAISI_MM, FTINSYAKU_KAISI, FTINSYAKU_SHUURYOU) "
         "VALUES (3, 3, '貸地', 1, 1, '2010-10-05', '2030-09-30')");
    Exec("INSERT INTO AO_FUDOUSAN (REC, NUMBER, KUBUN) VALUES (4, 4, '貸地')");
    const std::string xml = Write(3, true);
    const std::string row = "REPORT/DATA/FUDOUSANSYOTOKU/FUDOUSANSYUUNYUU/FUDOUSAN_UTIWAKE[COUNT=";
    EXPECT_EQ(Leaf(xml, row + "1]/KEIYAKUKIKAN_FROM"), "201604");
    EXPECT_EQ(Leaf(xml, row + "1]/KEIYAKUKIKAN_TO"), "201803");
    EXPECT_EQ(Leaf(xml, row + "1]/KASITUKEMENSEKI"), " 12.50");
    EXPECT_EQ(Leaf(xml, row + "2]/KEIYAKUKIKAN_FROM"), "202504");
    EXPECT_EQ(Leaf(xml, row + "2]/KEIYAKUKIKAN_TO"), "202703");
    EXPECT_EQ(Leaf(xml, row + "3]/KEIYAKUKIKAN_FROM"), "201010");
    EXPECT_EQ(Leaf(xml, row + "3]/KEIYAKUKIKAN_TO"), "203009");
    EXPECT_EQ(Leaf(xml, row + "4]/KEIYAKUKIKAN_FROM"), "");
    EXPECT_EQ(Leaf(xml, row + "4]/KEIYAKUKIKAN_TO"), "");
    EXPECT_EQ(Leaf(xml, row + "4]/KASITUKEMENSEKI"), "  0.00");
    EXPECT_EQ(Leaf(xml, row + "5]/KASITUKEMENSEKI"), "");

    kb::TFudosanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1);
    EXPECT_EQ(r.Data.Fudosan[1].KaisiYY, 28);  // the era year read back from the completed date
    EXPECT_EQ(r.Data.Fudosan[1].SyuuryouYY, 30);
}

TEST_F(RealEstateStatement, MoreThanFifteenPropertiesGoToASeparateSheetButAllReachTheFile)
{
    for (int n = 4; n <= 16; ++n)
        Exec("INSERT INTO AO_FUDOUSAN (REC, NUMBER, KUBUN, SHOZAITI, NENGAKU) VALUES (" + std::to_string(n) + ", " +
             std::to_string(n) + ", '貸地', '埼玉県さいたま市浦和区高砂一丁目二番地の三', 10000)");
    kb::TFudosanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1);
    EXPECT_EQ(r.Data.FudosanBessi, 1);
    EXPECT_EQ(r.Data.Fudosan[1].Shozaiti1, "別紙参照");
    EXPECT_EQ(r.Data.Fudosan[1].Nengaku, Currency());
    EXPECT_EQ(r.Data.Fudosan[2].Kubun, "");
    ASSERT_EQ(r.SyotokuRows.size(), 16u);
    EXPECT_EQ(r.Data.Fudosan[16].Nengaku, Yen(3600000 + 13 * 10000));
    // 22-byte pieces of the location
    EXPECT_EQ(r.SyotokuRows[15].Shozaiti1, "埼玉県さいたま市浦和区");
    EXPECT_EQ(r.SyotokuRows[15].Shozaiti2, "高砂一丁目二番地の三");

    const std::string xml = Write(3, true);
    const std::string row = "REPORT/DATA/FUDOUSANSYOTOKU/FUDOUSANSYUUNYUU/FUDOUSAN_UTIWAKE[COUNT=";
    EXPECT_EQ(Leaf(xml, row + "16]/TINTAIRYOU_NENGAKU"), "10000");
    EXPECT_EQ(Leaf(xml, row + "16]/SYOZAITI_GEDAN"), "高砂一丁目二番地の三");
    EXPECT_EQ(Leaf(xml, row + "17]/KASIYA_KASITI"), "");
    EXPECT_EQ(Leaf(xml, row + "1000]/KASIYA_KASITI"), "");
    EXPECT_EQ(Leaf(xml, row + "1001]/KASIYA_KASITI"), "<missing>");
}

TEST_F(RealEstateStatement, HandEnteredStatementTakesTheClosingStatementAmounts)
{
    Exec("UPDATE AO_SINKOKU SET TEGAKI=1");
    Exec("UPDATE EXTERKS SET AO_KISHUZAN=0, AO_KIMATUZAN=0");
    Exec("UPDATE EXTERKS SET AO_KIMATUZAN=3500000 WHERE REC=6");            // 4100/1
    Exec("UPDATE EXTERKS SET AO_KISHUZAN=900000, AO_KIMATUZAN=2600000 WHERE REC=1"); // 1100/4
    Exec("INSERT INTO AO_NOTE (REC, NOTE) VALUES (1, '駐車場Ｃは本年より賃貸')");
    Exec("INSERT INTO AO_NOTE (REC, NOTE) VALUES (31, '読まない')");
    kb::TFudosanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1);
    EXPECT_EQ(r.Data.Soneki[1].Kingaku, Yen(3500000));
    EXPECT_EQ(r.Data.Soneki[1].Rec, 6);
    EXPECT_EQ(r.Data.Soneki[5].Kingaku, Currency());  // its stored amount is 0
    EXPECT_EQ(r.Data.Sisan[4].Kisyu, Yen(900000));
    EXPECT_EQ(r.Data.Sisan[4].Name, "普通預金");        // names always from the balances
    EXPECT_EQ(r.Data.Note[1], "駐車場Ｃは本年より賃貸");
    // flag 1 forbids the stored amounts
    ASSERT_EQ(r.Select(1), 1);
    EXPECT_EQ(r.Data.Soneki[1].Kingaku, Yen(3600000));
}

TEST_F(RealEstateStatement, AFailedReadMakesNoFile)
{
    Exec("DROP TABLE AO_TIDAI");
    EXPECT_THROW(Write(3, true), kb::EDataExportError);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("青色申告決算書レコードの取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(tr.InTransaction());
}

TEST_F(RealEstateStatement, OtherKindsOfIncomeAreNotMadeFromIt)
{
    for (int kind : {1, 2, 4}) EXPECT_THROW(Write(kind, false), kb::EDataExportError) << kind;
}

} // namespace
