// The general reader and the DATA step on the general fixture (tests/fixtures/README.md, data set
// 0001): the statement tables, the closing-statement lines, the reduced-rate journal sums and the
// depreciation rows come from the real database; the account balances come from the balance step,
// which here places the README's "Periods per line" figures (the ledger computes the same table
// from the journal). The written DATA is compared, as a parsed tree, with files written by hand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccZanTable.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "linkage/ComRendo.h"
#include "linkage/EDataExportError.h"
#include "linkage/st14.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "st14TestSupport.h"

namespace fs = std::filesystem;
namespace fx = kbtest::fixture;
using kb::Currency;
using kb::Date;
using namespace kbtest::linkage;

namespace {

constexpr int kMonths[12] = {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15};

struct Hand {
    const char* code;
    int subrec;
    const char* name;
    int side;                              // TAISHAKU: 1 debit, 2 credit minus, 3 credit
    std::int64_t opening;
    std::map<int, std::int64_t> change;    // net change by period, signed by the side
};

std::map<int, std::int64_t> Monthly(std::int64_t yen, std::map<int, std::int64_t> extra = {})
{
    for (int p : kMonths) extra[p] += yen;
    return extra;
}

// "Periods per line" of the README, as net changes by the line's side.
std::vector<Hand> GeneralFixtureBalances()
{
    std::map<int, std::int64_t> cash = Monthly(-15000, {{9, 300000}, {10, 54000 - 30000}, {3, -20000}, {7, -20000},
                                                        {11, -20000}, {15, -20000}, {2, -30000}, {14, -5000}});
    std::map<int, std::int64_t> bank = Monthly(1000000 - 940000, {{1, -500000}, {5, -400000}, {6, -50000}, {7, -112000},
                                                                  {13, -33000}, {15, -112000}});
    std::map<int, std::int64_t> receivable = Monthly(0, {{1, 500000}});
    std::map<int, std::int64_t> sales = Monthly(1000000, {{10, 54000}});
    return {
        {"1100", 1, "現金", 1, 300000, cash},
        {"1100", 4, "普通預金", 1, 2000000, bank},
        {"1100", 6, "売掛金", 1, 500000, receivable},
        {"1100", 8, "商品", 1, 200000, {{16, 50000}}},
        {"1100", 11, "建物", 1, 3000000, {{16, -150000}}},
        {"1100", 14, "車両運搬具", 1, 1200000, {{16, -200000}}},
        {"1100", 15, "工具器具備品", 1, 0, {{5, 600000}, {16, -90000}}},
        {"1100", 24, "事業主貸", 1, 0, Monthly(150000)},
        {"2100", 2, "買掛金", 3, 400000, {}},
        {"2100", 3, "借入金", 3, 1000000, {{7, -100000}, {15, -100000}}},
        {"2100", 4, "未払金", 3, 0, {{5, 200000}}},
        {"2100", 22, "事業主借", 3, 0, {{9, 300000}}},
        {"2100", 23, "元入金", 3, 5800000, {}},
        {"4100", 1, "売上高", 3, 0, sales},
        {"5100", 1, "期首商品棚卸高", 1, 0, {{16, 200000}}},
        {"5200", 1, "仕入高", 1, 0, Monthly(400000)},
        {"5300", 1, "期末商品棚卸高", 2, 0, {{16, 250000}}},
        {"6100", 1, "租税公課", 1, 0, {{6, 50000}}},
        {"6100", 3, "水道光熱費", 1, 0, Monthly(15000)},
        {"6100", 4, "旅費交通費", 1, 0, {{3, 20000}, {7, 20000}, {11, 20000}, {15, 20000}}},
        {"6100", 5, "通信費", 1, 0, Monthly(10000)},
        {"6100", 10, "消耗品費", 1, 0, {{2, 30000}, {10, 30000}}},
        {"6100", 11, "減価償却費", 1, 0, {{16, 440000}}},
        {"6100", 13, "給料賃金", 1, 0, Monthly(200000)},
        {"6100", 15, "利子割引料", 1, 0, {{7, 12000}, {15, 12000}}},
        {"6100", 16, "地代家賃", 1, 0, Monthly(100000)},
        {"6100", 18, "ﾘｰｽ料ｺﾋﾟｰ機の保守契約", 1, 0, {{13, 33000}}},
        {"6100", 24, "雑費", 1, 0, {{14, 5000}}},
        {"7200", 1, "専従者給与", 1, 0, Monthly(80000)},
    };
}

// The balance step of the tests: account lines from the first account row on, in the order given,
// and a hidden entry that must be skipped.
kb::TKessansyoBalanceMaker HandBalances(std::vector<Hand> lines)
{
    return [lines](std::vector<kb::TBALANCE>& recs, std::vector<kb::TQSORT>& sorts, int, int) {
        int row = kb::FirstAccountRow;
        for (const Hand& h : lines) {
            kb::TBALANCE& b = recs.at(static_cast<std::size_t>(row));
            b.KAMOKU.GROUPM1 = h.code;
            b.KAMOKU.KNAME = h.name;
            b.KAMOKU.TAISHAKU = h.side;
            b.SUBREC = h.subrec;
            b.ZENZAN = Currency::FromYen(h.opening);
            Currency closing = b.ZENZAN;
            for (const auto& [p, v] : h.change) {
                b.ZOUGEN[static_cast<std::size_t>(32 + p)] = Currency::FromYen(v);
                closing += Currency::FromYen(v);
            }
            b.TOUZAN = closing;
            sorts.at(static_cast<std::size_t>(row)).QKEY = std::string(h.code) + std::to_string(h.subrec);
            sorts.at(static_cast<std::size_t>(row)).QINDEX = row;
            ++row;
        }
        // a line the trial balance hides: its figures must reach no statement line
        kb::TBALANCE& hidden = recs.at(static_cast<std::size_t>(row));
        hidden.KAMOKU.GROUPM1 = "6100";
        hidden.SUBREC = 1;
        hidden.TOUZAN = Currency::FromYen(999999);
        sorts.at(static_cast<std::size_t>(row)).QKEY = kb::kAccZanEmptyKey;
        sorts.at(static_cast<std::size_t>(row)).QINDEX = row;
    };
}

// The hand-entered variant of the fixture (see expected/ippan-general-fixture-tegaki.xml).
std::vector<std::string> TegakiStatements()
{
    std::vector<std::string> out = {
        "UPDATE AO_SINKOKU SET TEGAKI=1, K8_KISAI=1",
        "INSERT INTO AO_URIAGE (REC, URIAGE, SIIRE) VALUES (1, 900000, 350000)",
        "INSERT INTO AO_URIAGE (REC, URIAGE, SIIRE) VALUES (13, 20000, 0)",
        "INSERT INTO AO_URIAGE (REC, URIAGE, SIIRE) VALUES (14, 30000, 0)",
        "INSERT INTO AO_URIAGE (REC, URIAGE, SIIRE) VALUES (15, 777777, 777777)", // the totals row is computed
        "INSERT INTO AO_URIAGE (REC, URIAGE, SIIRE) VALUES (16, 60000, 5000)",
    };
    // the closing-statement lines hold the computed figures except four
    const std::vector<std::tuple<int, long long, long long>> stored = {
        {1, 300000, 330000},    {2, 2000000, 1513000}, {3, 500000, 1000000}, {4, 200000, 250000},
        {5, 3000000, 2850000},  {6, 1200000, 1000000}, {7, 0, 510000},        {8, 0, 1800000},
        {9, 400000, 400000},    {10, 1000000, 800000}, {11, 0, 200000},       {12, 0, 300000},
        {13, 5800000, 5800000}, {15, 0, 200000},       {16, 0, 4800000},      {17, 0, 250000},
        {18, 0, 55000},         {19, 0, 180000},       {20, 0, 80000},        {21, 0, 120000},
        {22, 0, 60000},         {23, 0, 440000},       {24, 0, 2400000},      {25, 0, 24000},
        {26, 0, 1200000},       {27, 0, 33000},        {98, 0, 900000}};
    for (const auto& [rec, kisyu, kimatu] : stored)
        out.push_back("UPDATE EXTERKS SET AO_KISHUZAN=" + std::to_string(kisyu) + ", AO_KIMATUZAN=" +
                      std::to_string(kimatu) + " WHERE REC=" + std::to_string(rec));
    return out;
}

class GeneralStatement : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        suiteDir_ = new kbtest::TempDir;
        fx::BuildGeneralDataSet(suiteDir_->path() / "0001", 1);
    }
    static void TearDownTestSuite()
    {
        delete suiteDir_;
        suiteDir_ = nullptr;
    }

    void SetUp() override
    {
        // every test works on its own copy of the data set
        fs::copy_file(suiteDir_->path() / "0001" / "vqacc.fdb", tmp / "vqacc.fdb");
        db.SetDatabaseName((tmp / "vqacc.fdb").string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&db);
        db.Open();

        // what the data module reads from ACCDEF1 of the fixture
        kb::AccInf = kb::TACCINF{};
        kb::AccInf.DATATYPE = 2;
        kb::AccInf.CODETYPE = 1;
        kb::AccInf.KISHU = Date(2025, 1, 1);
        kb::AccInf.KIMATU = Date(2025, 12, 31);
        kb::AccInf.SIME = 99;
        kb::AccInf.KAISINO = 1;
        kb::AccInf.TAXDEFUH = 0;
        kb::AccInf.GENKA_USE = 0;
        kb::AccInf.SDAI_HASUU1 = 0;
        kb::AccInf.SDAI_HASUU2 = 0;
        kb::AccInf.SDAI_HASUU3 = 0;
        kb::AccInf.AO_KANYU = "新宿青色申告会";
        if (kb::GengoList.empty()) kb::InitGengoTable();
        kb::SetErrorUi(&ui);
        previous_ = kb::KessansyoBalanceMaker;
        kb::KessansyoBalanceMaker = HandBalances(GeneralFixtureBalances());
    }

    void TearDown() override
    {
        kb::KessansyoBalanceMaker = previous_;
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        if (tr.InTransaction()) tr.Rollback();
        db.Close();
        kb::AccInf = kb::TACCINF{};
    }

    void Exec(const std::string& sql)
    {
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement q(db, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        g.Commit();
    }

    std::string Write(int kind, bool details, int codeType = 1)
    {
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRoot("REPORT");
        kb::SyotokuzeiWriteData(doc, {kind, codeType, details, 0}, db, tr);
        return doc.SaveToBytes();
    }

    kbtest::TempDir tmp;
    kb::fb::Connection db;
    kb::fb::Transaction tr{nullptr};
    kbtest::RecordingErrorUi ui;
    kb::TKessansyoBalanceMaker previous_;
    static kbtest::TempDir* suiteDir_;
};
kbtest::TempDir* GeneralStatement::suiteDir_ = nullptr;

TEST_F(GeneralStatement, Kind1WithDetailsEqualsTheHandWrittenFile)
{
    EXPECT_TRUE(SameTree(ExpectedLines("ippan-general-fixture.xml"), Write(1, true)));
}

TEST_F(GeneralStatement, Kind1WithoutDetailsKeepsTheStatementBlocksAndOther)
{
    EXPECT_TRUE(SameTree(WithoutDetails(ExpectedLines("ippan-general-fixture.xml")), Write(1, false)));
}

TEST_F(GeneralStatement, Kind2WritesTheSameContentUnderSonotasyotoku)
{
    const auto expected = AsKind2(ExpectedLines("ippan-general-fixture.xml"));
    EXPECT_TRUE(SameTree(expected, Write(2, true)));
    EXPECT_TRUE(SameTree(WithoutDetails(expected), Write(2, false)));
}

TEST_F(GeneralStatement, CodeTypesOtherThanRealEstateAndAgricultureUseTheGeneralReader)
{
    // clinic (3) and an unknown code type (7) both give the general statement, never an empty DATA
    for (int codeType : {3, 0, 7})
        EXPECT_TRUE(SameTree(ExpectedLines("ippan-general-fixture.xml"), Write(1, true, codeType))) << codeType;
}

TEST_F(GeneralStatement, HandEnteredStatementTakesTheStoredAmounts)
{
    for (const std::string& sql : TegakiStatements()) Exec(sql);
    EXPECT_TRUE(SameTree(ExpectedLines("ippan-general-fixture-tegaki.xml"), Write(1, false)));
}

TEST_F(GeneralStatement, ReaderRecordCarriesTheTotalsTheFileDoesNot)
{
    kb::TIppanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    const kb::TKojinKessansyoRec& d = r.Data;
    EXPECT_EQ(d.Soneki[32].Kingaku, Currency::FromYen(4592000));
    EXPECT_EQ(d.Soneki[43].Kingaku, Currency::FromYen(1752000));
    EXPECT_EQ(d.Koujo7, Currency::FromYen(1752000));
    EXPECT_EQ(d.Koujo11, Currency::FromYen(100000)); // KOUJOKUBUN 1: the 100,000-yen deduction
    EXPECT_EQ(d.Soneki[45].Kingaku, Currency::FromYen(1652000));
    EXPECT_EQ(d.Sisan[25].Kisyu, Currency::FromYen(7200000));
    EXPECT_EQ(d.Sisan[25].Kimatu, Currency::FromYen(9252000));
    EXPECT_EQ(d.Fusai[25].Kimatu, Currency::FromYen(7500000 + 1752000));
    EXPECT_EQ(d.UriageKeigen, Currency::FromYen(54000)); // read even when K8_KISAI leaves it out of the file
    EXPECT_EQ(d.Kyuyo[7].Kyuyo, Currency::FromYen(2400000));
    EXPECT_EQ(d.Senjyusya[6].Goukei, Currency::FromYen(960000));
    // links to the closing-statement lines
    EXPECT_EQ(d.Sisan[1].Rec, 1);
    EXPECT_EQ(d.Soneki[25].Rec, 27);
    EXPECT_EQ(d.Soneki[38].Rec, 98);
    // depreciation rows of the register, totals in row 12
    EXPECT_EQ(d.GenkaSyokyaku[1].Meisyou, "店舗");
    EXPECT_EQ(d.GenkaSyokyaku[3].Meisyou, "レジスター");
    EXPECT_EQ(d.GenkaSyokyaku[12].SyoukinKei, Currency::FromYen(440000));
    EXPECT_EQ(d.GenkaBessi, 0);
    EXPECT_EQ(d.KikanFrom.GetDate(), Date(2025, 1, 1));
    EXPECT_EQ(d.HizukeUmu, 0);
}

TEST_F(GeneralStatement, DepreciationRowsShowTheRegistersStoredTotal)
{
    Exec("UPDATE KS_SISAN SET SYOUKINKEI=151000 WHERE REC=1");
    kb::TIppanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    EXPECT_EQ(r.Data.GenkaSyokyaku[1].SyoukinKei, Currency::FromYen(151000));
    EXPECT_EQ(r.Data.GenkaSyokyaku[1].FutuSyoukin, Currency::FromYen(150000)); // the calculation's
    EXPECT_EQ(r.Data.GenkaSyokyaku[12].SyoukinKei, Currency::FromYen(441000));
    EXPECT_EQ(r.Data.GenkaSyokyaku[12].FutuSyoukin, Currency::FromYen(440000));
}

TEST_F(GeneralStatement, AnAssetTheRateTablesCannotComputeFailsTheRun)
{
    // a declining-balance asset of the 2012 rules with a life beyond the published tables
    Exec("UPDATE KS_SISAN SET GSHOUHOU=2, TAIYOUYY=101, SYOURITU=NULL, SYUTODATE='2020-01-10' WHERE REC=2");
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRoot("REPORT");
    try {
        kb::SyotokuzeiWriteData(doc, {1, 1, false, 0}, db, tr);
        FAIL() << "the depreciation must not be written without the asset";
    } catch (const kb::EDataExportError& e) {
        EXPECT_NE(std::string(e.what()).find("資産「配送用貨物車」（管理番号002）：耐用年数101年の定率法の償却率が償却率表に"
                                             "収録されていないため、減価償却費を計算できません。"),
                  std::string::npos)
            << e.what();
    }
}

TEST_F(GeneralStatement, ReducedRateAmountsFollowTheDataSetsDefaultTaxMode)
{
    Exec("UPDATE SIWAKE SET NUK=50000, ZEI=4000 WHERE OLDRATE=4");
    Exec("UPDATE AO_SINKOKU SET K8_KISAI=1");
    for (const auto& [taxdefuh, yen] : std::vector<std::pair<int, long long>>{{0, 54000}, {1, 50000}}) {
        kb::AccInf.TAXDEFUH = taxdefuh;
        kb::TIppanKessansyoIO r(db, tr);
        r.TaxMode = 1 - taxdefuh; // the reader's tax mode does not decide
        ASSERT_EQ(r.Select(0), 1) << r.LastError;
        EXPECT_EQ(r.Data.UriageKeigen, Currency::FromYen(yen)) << taxdefuh;
        EXPECT_EQ(r.Data.SiireKeigen, Currency()) << taxdefuh;
    }
}

// Reduced-rate lines of both sums, by the account's statement line and side: 雑費 moved to the first
// line of 5520 (counted as purchases), 水道光熱費 to the second line of 5200 (not counted); deleted
// lines and other rates are left out; a code stored with a trailing blank is the same account.
TEST_F(GeneralStatement, ReducedRateSumsTakeTheirAccountsLinesAndSides)
{
    Exec("INSERT INTO EXTERKS (REC, KUBUN, KGROUP, SUBREC, KNAME1) VALUES (901, 0, '5520', 1, '')");
    Exec("INSERT INTO EXTERKS (REC, KUBUN, KGROUP, SUBREC, KNAME1) VALUES (902, 0, '5200', 2, '')");
    Exec("UPDATE KAMOKUMST SET EXT1_KS=901 WHERE USERCODE='749'");
    Exec("UPDATE KAMOKUMST SET EXT1_KS=902 WHERE USERCODE='713'");
    struct Line {
        int rec;
        const char* user;
        int delflg, taishaku, oldrate;
        int nuk, zei;
        bool blank;
    };
    const Line lines[] = {
        {900001, "621", 0, 1, 4, 10000, 800, false},  // purchases +10,800
        {900002, "621", 0, 2, 4, 2000, 160, false},   // purchases -2,160 (a return)
        {900003, "621", 2, 1, 4, 5000, 400, false},   // replaced: not counted
        {900004, "621", 0, 1, 3, 7000, 700, false},   // standard rate: not counted
        {900005, "749", 0, 1, 4, 3000, 240, false},   // 5520 line 1: purchases +3,240
        {900006, "713", 0, 1, 4, 1000, 80, false},    // 5200 line 2: not counted
        {900007, "621", 0, 1, 4, 100, 8, true},       // purchases +108
        {900008, "511", 0, 2, 4, 1000, 80, false},    // sales (credit account) +1,080
        {900009, "511", 0, 1, 4, 500, 40, false},     // sales -540
    };
    for (const Line& l : lines)
        Exec("INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, MNUM, SCODE, KCODE, HCODE, BCODE, NUK, ZEI, OLDRATE) "
             "SELECT " + std::to_string(l.rec) + ", " + std::to_string(l.rec) + ", " + std::to_string(l.delflg) + ", " +
             std::to_string(l.taishaku) + ", 10, '', KCODE" + (l.blank ? " || ' '" : "") + ", ' ', ' ', " +
             std::to_string(l.nuk) + ", " + std::to_string(l.zei) + ", " + std::to_string(l.oldrate) +
             " FROM KAMOKUMST WHERE USERCODE='" + l.user + "'");
    kb::TIppanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    EXPECT_EQ(r.Data.SiireKeigen, Currency::FromYen(10800 - 2160 + 3240 + 108));
    EXPECT_EQ(r.Data.UriageKeigen, Currency::FromYen(54000 + 1080 - 540));
}

TEST_F(GeneralStatement, SettingsNotesAndPrintPeriod)
{
    Exec("INSERT INTO AO_SINKOKU (REC, TEGAKI, KOUJOKUBUN, GYOUSHUKUBUN, KURIIRE2, HASUU, HIZUKE) VALUES "
         "(2, 0, 2, 1, 1000000, 0, '2026-02-10')");
    Exec("INSERT INTO AO_NOTE (REC, NOTE) VALUES (2, '二行目')");
    Exec("INSERT INTO AO_NOTE (REC, NOTE) VALUES (7, '読まない')");
    kb::AccInf.PrintKikanUse = 1;
    kb::AccInf.PrintKikanFrom = Date(2025, 4, 1);
    kb::AccInf.PrintKikanTo = Date(2026, 3, 31);
    kb::TIppanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    const kb::TKojinKessansyoRec& d = r.Data;
    // the row with the higher REC decides every setting
    EXPECT_EQ(d.KoujoKubun, 2);
    EXPECT_EQ(d.Soneki[44].Kingaku, Currency::FromYen(650000));
    EXPECT_EQ(d.Kuriire[3], Currency::FromYen(33000)); // 1,000,000 x 3.3 %
    EXPECT_EQ(d.HizukeUmu, 1);
    EXPECT_EQ(d.Hizuke.GetDate(), Date(2026, 2, 10));
    EXPECT_EQ(d.ZeirisiSimei1, "");
    EXPECT_EQ(d.Tokusyu[1], "本年4月にレジスターを取得した。");
    EXPECT_EQ(d.Tokusyu[2], "二行目");
    EXPECT_EQ(d.Tokusyu[5], "");
    EXPECT_EQ(d.KikanFrom.GetDate(), Date(2025, 4, 1));
    EXPECT_EQ(d.KikanTo.GetDate(), Date(2026, 3, 31));
}

TEST_F(GeneralStatement, RowNumbersOutsideTheRecordPlaceNothing)
{
    Exec("INSERT INTO AO_KYUUYO (REC, NUMBER, SENJYU, SIMEI, KYUUYO) VALUES (10, 8, 0, '範囲外', 1000)");
    Exec("INSERT INTO AO_KYUUYO (REC, NUMBER, SENJYU, SIMEI, KYUUYO) VALUES (11, 0, 1, '範囲外', 1000)");
    Exec("INSERT INTO AO_RISI (REC, SIHARAISAKI1, RISI) VALUES (3, '範囲外', 1000)");
    Exec("INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (200, '6100', 40, '範囲外')");
    kb::TIppanKessansyoIO r(db, tr);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    EXPECT_EQ(r.Data.Kyuyo[7].Kyuyo, Currency::FromYen(2400000));
    EXPECT_EQ(r.Data.Senjyusya[6].Kyuyo, Currency::FromYen(960000));
}

TEST_F(GeneralStatement, AFailedReadRaisesAnExportErrorAndWritesNothing)
{
    Exec("DROP TABLE AO_TIDAI");
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRoot("REPORT");
    try {
        kb::SyotokuzeiWriteData(doc, {1, 1, true, 0}, db, tr);
        FAIL() << "a failed read must not make a file";
    } catch (const kb::EDataExportError& e) {
        EXPECT_NE(std::string(e.what()).find("青色申告決算書レコードの取得に失敗しました。"), std::string::npos);
    }
    // the reader started the transaction, so it reported the failure and ended the transaction
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("青色申告決算書レコードの取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(tr.InTransaction());
}

TEST_F(GeneralStatement, AFailureInsideTheCallersTransactionIsSilentButStillFails)
{
    Exec("DROP TABLE AO_NOTE");
    tr.StartTransaction();
    kb::TIppanKessansyoIO r(db, tr);
    EXPECT_EQ(r.Select(0), 0);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(tr.InTransaction()); // not the reader's to end
    // the record keeps what was read before the failure; no totals
    EXPECT_EQ(r.Data.Kyuyo[1].Simei, "田中一郎");
    EXPECT_EQ(r.Data.Risi[1].Risi, Currency::FromYen(24000));
    EXPECT_EQ(r.Data.Kyuyo[7].Kyuyo, Currency());
    EXPECT_EQ(r.Data.Soneki[1].Kingaku, Currency());
    EXPECT_FALSE(r.LastError.empty());
    tr.Rollback();
}

// Marks every data page of one relation as a b-tree page (the first byte of a page is its type:
// 5 data, 7 b-tree; a data page names its relation at byte 20), as a damaged disk would leave it.
void DamageDataPagesOf(const fs::path& file, int relationId)
{
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char header[20] = {};
    f.read(reinterpret_cast<char*>(header), sizeof header);
    const std::size_t pageSize = header[16] | (header[17] << 8);
    ASSERT_GE(pageSize, 1024u);
    const std::size_t pages = fs::file_size(file) / pageSize;
    int damaged = 0;
    for (std::size_t n = 1; n < pages; ++n) {
        unsigned char page[24] = {};
        f.seekg(static_cast<std::streamoff>(n * pageSize));
        f.read(reinterpret_cast<char*>(page), sizeof page);
        if (page[0] != 5 || (page[20] | (page[21] << 8)) != relationId) continue;
        f.seekp(static_cast<std::streamoff>(n * pageSize));
        f.put(7);
        ++damaged;
    }
    ASSERT_GT(damaged, 0);
}

// A damaged page met while reading the statements: the read fails, and the data set is checked and
// marked (the damage check of its folder) as a failed attach does.
TEST_F(GeneralStatement, ADamagedPageWhileReadingChecksTheDataSetAsAFailedAttachDoes)
{
    int relationId = 0;
    {
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement q(db, &tr);
        q.SetSQL("SELECT RDB$RELATION_ID FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='AO_KYUUYO'");
        q.ExecQuery();
        relationId = q.FieldByName("RDB$RELATION_ID").AsInteger();
        g.Commit();
    }
    db.Close();
    DamageDataPagesOf(tmp / "vqacc.fdb", relationId);
    db.Open();

    std::vector<std::string> checked;
    const auto previousHook = kb::DataDamageCheckHook;
    const auto previousKbn = kb::SystemDef.DataCheckKbn;
    const auto previousDir = kb::SystemDef.DataDir;
    kb::DataDamageCheckHook = [&](const std::string&, const std::string& folder, int quiet) {
        EXPECT_EQ(quiet, 1);
        checked.push_back(folder);
        return 0;
    };
    kb::SystemDef.DataCheckKbn = 1;
    kb::SystemDef.DataDir = tmp.path().string();
    kb::TIppanKessansyoIO r(db, tr);
    const int read = r.Select(0);
    kb::DataDamageCheckHook = previousHook;
    kb::SystemDef.DataCheckKbn = previousKbn;
    kb::SystemDef.DataDir = previousDir;
    kb::IBErrorShown = false;  // a consistency check silences later reports

    EXPECT_EQ(read, 0);
    EXPECT_FALSE(r.LastError.empty());
    EXPECT_EQ(checked, std::vector<std::string>{tmp.path().string()}) << r.LastError;
}

TEST_F(GeneralStatement, KindsWithoutAStatementOfThisDataSetFail)
{
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRoot("REPORT");
    // business income asked of a real-estate code type, real estate of an agriculture code type:
    // the code type's reader makes no general or real-estate statement
    EXPECT_THROW(kb::SyotokuzeiWriteData(doc, {1, 2, false, 0}, db, tr), kb::EDataExportError);
    EXPECT_THROW(kb::SyotokuzeiWriteData(doc, {3, 4, false, 0}, db, tr), kb::EDataExportError);
    // real-estate income asked of a general data set: an empty DATA is no success
    EXPECT_THROW(kb::SyotokuzeiWriteData(doc, {3, 1, false, 0}, db, tr), kb::EDataExportError);
}

TEST_F(GeneralStatement, WithoutABalanceStepTheReaderFailsClearly)
{
    kb::KessansyoBalanceMaker = nullptr;
    kb::TIppanKessansyoIO r(db, tr);
    EXPECT_THROW(r.Select(0), kb::EDataExportError);
}

TEST_F(GeneralStatement, ABalanceStepThatOverrunsTheArraysIsRefused)
{
    kb::KessansyoBalanceMaker = [](std::vector<kb::TBALANCE>& recs, std::vector<kb::TQSORT>& sorts, int, int) {
        recs.resize(recs.size() + 1);
        sorts.resize(sorts.size() + 1);
    };
    kb::TIppanKessansyoIO r(db, tr);
    EXPECT_EQ(r.MaxKamoku, 0);
    try {
        r.Select(0);
        FAIL();
    } catch (const kb::EDataExportError& e) {
        EXPECT_NE(std::string(e.what()).find("500"), std::string::npos) << e.what();
    }
}

} // namespace

// ---- the whole road on the data module: the ledger computes the balances from the journal

namespace {

class GeneralStatementOnTheLedger : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kbtest::PrepareFirebird();
        suiteDir_ = new kbtest::TempDir;
        fx::BuildGeneralDataSet(suiteDir_->path() / "0001", 1);
    }
    static void TearDownTestSuite()
    {
        delete suiteDir_;
        suiteDir_ = nullptr;
    }

    void SetUp() override
    {
        const fs::path file = tmp / "vqacc.fdb";
        fs::copy_file(suiteDir_->path() / "0001" / "vqacc.fdb", file);
        std::string script = "UPDATE ACCDEF1 SET AO_KANYU = '新宿青色申告会';\n";
        for (const std::string& sql : ExtraStatements()) script += sql + ";\n";
        kbtest::RunIsql(file, script + "COMMIT;\n");
        kb::ResetAccRecord();
        kb::ResetAccZanTables();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::SystemDef.LogDir = (tmp / "log").string();
        fs::create_directories(kb::SystemDef.LogDir);
        if (kb::GengoList.empty()) kb::InitGengoTable();
        kb::CreateDM();
        auto& db = kb::DM->IBDatabaseDAT;
        db.SetDatabaseName(file.string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
        ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
        ASSERT_EQ(kb::AccInf.AO_KANYU, "新宿青色申告会");
        kb::KessansyoBalanceMaker = kb::LedgerKessansyoBalance;
    }

    void TearDown() override
    {
        kb::DM->IBDatabaseDAT.Close();
        kb::FreeDM();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    // changes of the data set before it is opened
    virtual std::vector<std::string> ExtraStatements() const { return {}; }

    std::string Write(int kind, bool details)
    {
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRoot("REPORT");
        kb::SyotokuzeiWriteData(doc, {kind, kb::AccInf.CODETYPE, details, kb::AccInf.TAXDEFUH});
        return doc.SaveToBytes();
    }

    kbtest::TempDir tmp;
    kbtest::RecordingErrorUi ui;
    static kbtest::TempDir* suiteDir_;
};
kbtest::TempDir* GeneralStatementOnTheLedger::suiteDir_ = nullptr;

TEST_F(GeneralStatementOnTheLedger, DataOfBothKindsEqualsTheHandWrittenFile)
{
    const auto expected = ExpectedLines("ippan-general-fixture.xml");
    EXPECT_TRUE(SameTree(expected, Write(1, true)));
    EXPECT_TRUE(SameTree(WithoutDetails(expected), Write(1, false)));
    EXPECT_TRUE(SameTree(AsKind2(expected), Write(2, true)));
    EXPECT_TRUE(ui.shown.empty());
}

// The rounding modes the data set stores, ACCDEF1.SDAI_HASUU1..3 for the depreciation and
// AO_SINKOKU.HASUU for the allowance limit, all count 0 toward zero, 2 up when a fraction remains,
// and 1 or any other value half away from zero.
class StoredRoundingModes : public GeneralStatementOnTheLedger, public ::testing::WithParamInterface<int> {
protected:
    std::vector<std::string> ExtraStatements() const override
    {
        const std::string m = std::to_string(GetParam());
        return {"UPDATE ACCDEF1 SET SDAI_HASUU1=" + m + ", SDAI_HASUU2=" + m + ", SDAI_HASUU3=" + m,
                "UPDATE AO_SINKOKU SET HASUU=" + m + ", GYOUSHUKUBUN=0, KURIIRE2=1234567",
                // ordinary depreciation 2,000,005 x 0.100 = 200,000.5; business share 10,001 x 30 % = 3,000.3
                "UPDATE KS_SISAN SET SYUTOKIN=2000005, SYOUKINKEI=10001, JIGYOUWARIAI_NEW=30 WHERE REC=2"};
    }
};

TEST_P(StoredRoundingModes, DepreciationAndAllowanceRoundByTheStoredMode)
{
    struct Want { long long futu, jigyou, limit; };
    // the limit: 1,234,567 x 5.5 % = 67,901.185
    const Want want[] = {{200000, 3000, 67901}, {200001, 3000, 67901}, {200001, 3001, 67902}, {200001, 3000, 67901}};
    const Want& w = want[GetParam()];
    ASSERT_EQ(kb::AccInf.SDAI_HASUU1, GetParam());
    kb::TIppanKessansyoIO r(kb::DM->IBDatabaseDAT, kb::DM->IBTransactionDAT);
    ASSERT_EQ(r.Select(0), 1) << r.LastError;
    ASSERT_EQ(r.Data.GenkaSyokyaku[2].Meisyou, "配送用貨物車");
    EXPECT_EQ(r.Data.GenkaSyokyaku[2].FutuSyoukin, Currency::FromYen(w.futu));
    EXPECT_EQ(r.Data.GenkaSyokyaku[2].JigyouKin, Currency::FromYen(w.jigyou));
    EXPECT_EQ(r.Data.Kuriire[3], Currency::FromYen(w.limit));
}

INSTANTIATE_TEST_SUITE_P(Modes, StoredRoundingModes, ::testing::Values(0, 1, 2, 3));

class HandEnteredStatementOnTheLedger : public GeneralStatementOnTheLedger {
protected:
    std::vector<std::string> ExtraStatements() const override { return TegakiStatements(); }
};

TEST_F(HandEnteredStatementOnTheLedger, DataEqualsTheHandWrittenFile)
{
    EXPECT_TRUE(SameTree(ExpectedLines("ippan-general-fixture-tegaki.xml"), Write(1, false)));
}

} // namespace
