// The linkage's call sequence on real data sets: the closing-statement reading and the year's
// figures of the general fixture against tests/fixtures/README.md, a loss data set, the direct
// computation against the procedure-based reading, and failures that must end the call.

#include "uAccZanSisanhyoTestDb.h"

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccSisanhyou.h"
#include "accounting/uAccZanSisanhyo.h"
#include "core/ErrorReporter.h"
#include "core/z5ComFunc.h"
#include "fb/FbError.h"

#include <gtest/gtest.h>

#include <map>

using namespace kb;
using kbtest::ledger::LedgerDb;

namespace {

Currency Yen(std::int64_t y) { return Currency::FromYen(y); }

// The linkage's sequence: arrays sized and emptied, the year read and computed.
void ReadYear(std::vector<TBALANCE>& recs, std::vector<TQSORT>& sorts, int& last)
{
    last = AccZanPrepareArrays(recs, sorts);
    AccZanSisanhyoReadAll(recs, last, sorts, last, 1, AccInf.TAXDEFUH, SystemDef.DefJigyoKbn, 0);
    AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, SystemDef.DefJigyoKbn);
}

class GeneralLedger : public LedgerDb {
protected:
    static void SetUpTestSuite() { BuildSuite(kbtest::ledger::DataSetKind::General); }
    static void TearDownTestSuite() { FreeSuite(); }
};

TEST_F(GeneralLedger, YearBalancesAndGivesTheIncomeBeforeTheSpecialDeduction)
{
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
    ReadYear(recs, sorts, last);
    EXPECT_EQ(recs[11].KAMOKU.KNAME, "資産の部合計");
    EXPECT_EQ(recs[11].TOUZAN, Yen(9252000));
    EXPECT_EQ(recs[11].ZENZAN, Yen(7200000));
    EXPECT_EQ(recs[27].TOUZAN, recs[11].TOUZAN);
    EXPECT_EQ(recs[15].TOUZAN, Yen(7500000));
    EXPECT_EQ(recs[23].TOUZAN, Yen(1752000));
    EXPECT_EQ(recs[28].TOUZAN, Yen(12054000));
    EXPECT_EQ(recs[30].TOUZAN, Yen(4750000)); // 200,000 + 4,800,000 - 250,000
    EXPECT_EQ(recs[36].TOUZAN, Yen(7304000));
    EXPECT_EQ(recs[37].TOUZAN, Yen(4592000));
    EXPECT_EQ(recs[38].TOUZAN, Yen(2712000));
    EXPECT_EQ(recs[45].TOUZAN, Yen(1752000));
    EXPECT_EQ(recs[45].KAMOKU.KNAME, "青色申告特別控除前所得");
}

TEST_F(GeneralLedger, AccountLinesInSortOrderCarryTheHandFigures)
{
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
    ReadYear(recs, sorts, last);
    // layout line -> (key, closing balance) from the README's "Periods per line"
    const std::map<int, std::pair<std::string, std::int64_t>> hand = {
        {1, {"110001", 329000}},   {2, {"110004", 1513000}},  {3, {"110006", 1000000}}, {4, {"110008", 250000}},
        {5, {"110011", 2850000}},  {6, {"110014", 1000000}},  {7, {"110015", 510000}},  {8, {"110024", 1800000}},
        {9, {"210002", 400000}},   {10, {"210003", 800000}},  {11, {"210004", 200000}}, {12, {"210022", 300000}},
        {13, {"210023", 5800000}}, {14, {"410001", 12054000}}, {15, {"510001", 200000}}, {16, {"520001", 4800000}},
        {17, {"530001", 250000}},  {18, {"610001", 50000}},   {19, {"610003", 180000}}, {20, {"610004", 80000}},
        {21, {"610005", 120000}},  {22, {"610010", 60000}},   {23, {"610011", 440000}}, {24, {"610013", 2400000}},
        {25, {"610015", 24000}},   {26, {"610016", 1200000}}, {27, {"610018", 33000}},  {28, {"610024", 5000}},
        {98, {"720001", 960000}},
    };
    std::vector<std::string> keys;
    int accounts = 0;
    for (int i = 0; i <= last && sorts[i].QKEY != kAccZanEmptyKey; ++i) {
        keys.push_back(sorts[i].QKEY);
        const TBALANCE& b = recs[sorts[i].QINDEX];
        if (sorts[i].QINDEX < FirstAccountRow) continue;
        ++accounts;
        SCOPED_TRACE(b.KAMOKU.KNAME);
        const auto it = hand.find(b.MSTREC);
        ASSERT_NE(it, hand.end());
        EXPECT_EQ(sorts[i].QKEY, it->second.first);
        EXPECT_EQ(b.TOUZAN, Yen(it->second.second));
        // the linkage reads the periods' net changes: they add up from the opening to the closing
        Currency sum = b.ZENZAN;
        for (int p = 33; p <= 48; ++p) sum += b.ZOUGEN[p];
        EXPECT_EQ(sum, b.TOUZAN);
    }
    EXPECT_EQ(accounts, 29);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    // the bank line: a caption of its own hides the account code
    for (int r = FirstAccountRow; r <= last; ++r)
        if (recs[r].MSTREC == 2) {
            EXPECT_EQ(recs[r].KAMOKU.KCODE, "-");
            EXPECT_EQ(recs[r].KAMOKU.KNAME, "その他の預金");
            EXPECT_EQ(recs[r].ZOUGEN[33], Yen(500000 - 940000));
        }
}

TEST_F(GeneralLedger, DirectComputationAgreesWithTheProceduresLineByLine)
{
    auto compare = [](const std::vector<TBALANCE>& a, const std::vector<TQSORT>& sa, int lastA, const std::vector<TBALANCE>& b,
                      const std::vector<TQSORT>& sb, int lastB) {
        ASSERT_EQ(lastA, lastB);
        for (int r = FirstAccountRow; r <= lastA; ++r) {
            const TBALANCE& x = a[r];
            const TBALANCE& y = b[r];
            SCOPED_TRACE(x.KAMOKU.KNAME + " row " + std::to_string(r));
            EXPECT_EQ(x.KAMOKU.KCODE, y.KAMOKU.KCODE);
            EXPECT_EQ(x.KAMOKU.KNAME, y.KAMOKU.KNAME);
            EXPECT_EQ(x.KAMOKU.GROUPM1, y.KAMOKU.GROUPM1);
            EXPECT_EQ(x.KAMOKU.GROUPM2, y.KAMOKU.GROUPM2);
            EXPECT_EQ(x.KAMOKU.TAISHAKU, y.KAMOKU.TAISHAKU);
            EXPECT_EQ(x.KAMOKU.BSPL, y.KAMOKU.BSPL);
            EXPECT_EQ(x.MSTREC, y.MSTREC);
            EXPECT_EQ(x.SUBREC, y.SUBREC);
            EXPECT_EQ(x.KAISIZAN, y.KAISIZAN);
            EXPECT_EQ(x.KARI, y.KARI);
            EXPECT_EQ(x.KASI, y.KASI);
            EXPECT_EQ(x.RUIZAN, y.RUIZAN);
            EXPECT_EQ(sa[r].QKEY, sb[r].QKEY);
            ASSERT_EQ(x.HOJCNT, y.HOJCNT);
            for (int j = 0; j < x.HOJCNT; ++j) {
                EXPECT_EQ(x.HOJUTIWAKE[j].HCODE, y.HOJUTIWAKE[j].HCODE);
                EXPECT_EQ(x.HOJUTIWAKE[j].HNAME, y.HOJUTIWAKE[j].HNAME);
                EXPECT_EQ(x.HOJUTIWAKE[j].KAISIZAN, y.HOJUTIWAKE[j].KAISIZAN);
                EXPECT_EQ(x.HOJUTIWAKE[j].RUIZAN, y.HOJUTIWAKE[j].RUIZAN);
            }
        }
    };

    // plain layout: the procedure (selection 0) and the direct computation (selection 6)
    std::vector<TBALANCE> proc, direct;
    std::vector<TQSORT> sp, sd;
    int last = AccZanPrepareArrays(proc, sp);
    AccZanPrepareArrays(direct, sd);
    AccZanSisanhyoRead(proc, last, sp, last, "", "", 0, 0, 0, 0, 0, 0, 0);
    AccZanSisanhyoRead(direct, last, sd, last, "", "", 0, 6, 0, 0, 0, 0, 0);
    int lastProc = 0, lastDirect = 0;
    for (int r = FirstAccountRow; r <= last; ++r) {
        if (!proc[r].KAMOKU.KCODE.empty()) lastProc = r;
        if (!direct[r].KAMOKU.KCODE.empty()) lastDirect = r;
    }
    EXPECT_EQ(lastProc, FirstAccountRow + 28);
    compare(proc, sp, lastProc, direct, sd, lastDirect);
    // the bank account's two sub-accounts (nothing booked without one)
    for (int r = FirstAccountRow; r <= lastProc; ++r)
        if (direct[r].KAMOKU.KCODE == "K131") {
            ASSERT_EQ(direct[r].HOJCNT, 2);
            EXPECT_EQ(direct[r].HOJUTIWAKE[0].HNAME, "Ａ銀行");
            EXPECT_EQ(direct[r].HOJUTIWAKE[0].RUIZAN[16], Yen(1237000));
            EXPECT_EQ(direct[r].HOJUTIWAKE[1].RUIZAN[16], Yen(276000));
        }

    // closing-statement layout: the procedure and the direct computation over the same lines
    std::vector<TBALANCE> kessan, kDirect;
    std::vector<TQSORT> sk, skd;
    AccZanPrepareArrays(kessan, sk);
    AccZanPrepareArrays(kDirect, skd);
    AccZanSisanhyoReadAll(kessan, last, sk, last, 1, 0, 0, 0);
    TCalcSisanhyoSettingRec s;
    s.Selection = 10;
    s.Layout = 4;
    s.StatementKind = 1;
    const int r = AccSisanhyoDirect(kDirect, last, skd, s, last);
    EXPECT_EQ(r, FirstAccountRow + 28);
    // the reader sorted its entries; compare against the direct rows by their own index
    std::vector<TQSORT> unsorted(sk.size());
    for (const auto& e : sk) unsorted[e.QINDEX] = e;
    compare(kessan, unsorted, r, kDirect, skd, r);
}

TEST_F(GeneralLedger, EveryLayoutAndSelectionRunsItsStatements)
{
    struct Case { int layout, selection; std::string sisetu, bumon; int accounts; };
    // the fixture has no branches, no departments and no A4/A3 layout lines
    const Case cases[] = {
        {0, 0, "", "", 29}, {0, 0, "", " 01", 0},  {0, 1, "G1", "", 0}, {0, 2, "", "", 29}, {0, 3, "", "01", 0},
        {0, 4, "", "G1", 0}, {1, 0, "", "", 0},    {1, 0, "", "01", 0}, {1, 1, "G1", "", 0}, {1, 2, "", "", 0},
        {1, 3, "", "01", 0}, {1, 4, "", "G1", 0},   {2, 0, "", "", 0},   {2, 0, "", "01", 0}, {2, 1, "G1", "", 0},
        {2, 2, "", "", 0},   {2, 3, "", "01", 0},   {2, 4, "", "G1", 0}, {4, 20, "", "", 29}, {4, 30, "", "", 29},
        {3, 0, "", "", 0},   {0, 5, "", "", 0},     {1, 6, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("layout " + std::to_string(c.layout) + " selection " + std::to_string(c.selection));
        std::vector<TBALANCE> recs;
        std::vector<TQSORT> sorts;
        const int last = AccZanPrepareArrays(recs, sorts);
        ASSERT_NO_THROW(AccZanSisanhyoRead(recs, last, sorts, last, c.sisetu, c.bumon, 0, c.selection, c.layout, 0, 0, 0, 0));
        int accounts = 0, summaries = 0;
        for (int i = 0; i <= last && sorts[i].QKEY != kAccZanEmptyKey; ++i)
            (sorts[i].QINDEX >= FirstAccountRow ? accounts : summaries) += 1;
        EXPECT_EQ(accounts, c.accounts);
        EXPECT_GT(summaries, 30); // the summary lines are there in every case
        EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction());
    }
}

class LossLedger : public LedgerDb {
protected:
    static void SetUpTestSuite() { BuildSuite(kbtest::ledger::DataSetKind::Loss); }
    static void TearDownTestSuite() { FreeSuite(); }
};

TEST_F(LossLedger, ProfitLinesTakeTheLossWording)
{
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
    ReadYear(recs, sorts, last);
    // sales 100,000, expenses 300,000
    EXPECT_EQ(recs[36].TOUZAN, Yen(100000));
    EXPECT_EQ(recs[36].KAMOKU.KNAME, "売上総利益");
    EXPECT_EQ(recs[38].TOUZAN, Yen(-200000));
    EXPECT_EQ(recs[38].KAMOKU.KNAME, "営業損失");
    EXPECT_EQ(recs[41].KAMOKU.KNAME, "経常損失");
    EXPECT_EQ(recs[45].TOUZAN, Yen(-200000));
    EXPECT_EQ(recs[23].TOUZAN, Yen(-200000));
    EXPECT_EQ(recs[11].TOUZAN, recs[27].TOUZAN);
    SystemDef.KingakuPlus = 1;
    AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
    EXPECT_EQ(recs[38].KAMOKU.KNAME, "営業損失金額");
}

class BrokenLedger : public LedgerDb {
protected:
    static void SetUpTestSuite() { BuildSuite(kbtest::ledger::DataSetKind::NoProcedures); }
    static void TearDownTestSuite() { FreeSuite(); }
};

TEST_F(BrokenLedger, DatabaseErrorIsReportedAndFailsTheCall)
{
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    const int last = AccZanPrepareArrays(recs, sorts);
    EXPECT_THROW(AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0), FbError);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("試算表読込", 0), 0u);
    EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction()); // rolled back
}

TEST_F(GeneralLedger, MoreLinesThanTheArraysHoldIsReportedAndFailsTheCall)
{
    std::vector<std::string> shown;
    SetMessageLinesHook([&](const std::string& text, TMessageLinesKind) { shown.push_back(text); });
    std::vector<TBALANCE> recs(70); // room for 19 account lines; the closing statement has 29
    std::vector<TQSORT> sorts(70);
    EXPECT_THROW(AccZanSisanhyoReadAll(recs, 69, sorts, 69, 1, 0, 0, 0), ESisanhyoCapacity);
    SetMessageLinesHook({});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("上限（19行）"), std::string::npos);
    EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction());
}

TEST_F(GeneralLedger, MedicalCorporationDataTakesTheMedicalPath)
{
    // the medical flag sends the read to the medical procedures, which a general data set lacks:
    // the failure is reported and ends the call
    AccInf.IryouHoujin = true;
    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    const int last = AccZanPrepareArrays(recs, sorts);
    EXPECT_EQ(last, 699);
    EXPECT_THROW(AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0), FbError);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("試算表読込", 0), 0u);
    EXPECT_NE(ui.shown[0].find("SP_SISETUHIKAKU_SISANHYO"), std::string::npos);
    EXPECT_FALSE(DM->IBTransactionDATSS.InTransaction());
}

} // namespace
