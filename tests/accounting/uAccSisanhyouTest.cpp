// Placement of trial-balance rows on the working records, from rows given in memory: summary
// lines, account lines with their periods, the individual's group remapping, the closing
// statement's keys and names, sub-account breakdowns, accumulation, capacity and note lines.

#include "accounting/uAccSisanhyou.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace kb;

namespace {

using Row = TTableRowSource::Row;

Currency Yen(std::int64_t y) { return Currency::FromYen(y); }

std::string P2(const char* prefix, int p)
{
    char b[16];
    std::snprintf(b, sizeof b, "%s%02d", prefix, p);
    return b;
}

// An account row of a procedure: debit and credit of the given periods.
Row Account(const std::string& group, int mstrec, int subrec, const std::string& kcode, int side, std::int64_t opening,
            std::vector<std::pair<int, std::int64_t>> debit = {}, std::vector<std::pair<int, std::int64_t>> credit = {})
{
    Row r = {{"GROUPM1", group}, {"GROUPM2", group}, {"USERCODE", kcode.substr(1)}, {"KCODE", kcode},
             {"KNAME", "科目" + kcode}, {"BSPL", group < "4000" ? "B" : "P"}, {"TAISHAKU", std::to_string(side)},
             {"MSTREC", std::to_string(mstrec)}, {"SUBREC", std::to_string(subrec)}, {"KAISIZAN", std::to_string(opening)}};
    for (auto [p, v] : debit) r.emplace_back(P2("KAR", p), std::to_string(v));
    for (auto [p, v] : credit) r.emplace_back(P2("KAS", p), std::to_string(v));
    return r;
}

Row Name(int row, const std::string& code, const std::string& name, int keskubun = 0, int kessanUse = 0,
         const std::string& kessanText = "")
{
    return {{"ARRAYNUM", std::to_string(row)}, {"KGROUP", code}, {"PLUSNAME", name}, {"KESKUBUN", std::to_string(keskubun)},
            {"KESSAN_USE", std::to_string(kessanUse)}, {"KESSAN_TEXT", kessanText}};
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetAccZanTables();
        AccZanSetTables(false);
        AccInf.DATATYPE = 2;
        AccInf.CODETYPE = 1;
        AccInf.KAISINO = 1;
        last = AccZanPrepareArrays(recs, sorts);
    }
    void TearDown() override { ResetAccRecord(); }

    TSisanhyoPlacer Placer(int selection = 10, int layout = 4, int kind = 1)
    {
        TSisanhyoReadArgs a;
        a.Selection = selection;
        a.Layout = layout;
        a.StatementKind = kind;
        return TSisanhyoPlacer(recs, last, sorts, last, a);
    }

    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
};

TEST_F(Placement, ClosingRowsCarryOpeningPeriodsAndRunningBalances)
{
    auto placer = Placer();
    TTableRowSource rows({
        Account("1100", 1, 1, "K111", 1, 300000, {{9, 300000}, {10, 54000}}, {{2, 30000}}),
        {{"GROUPM1", "9900"}, {"KCODE", "K999"}}, // takes no row
        Account("2100", 9, 2, "K311", 3, 400000, {{1, 100000}}, {{1, 150000}, {16, 5000}}),
    });
    const int r = placer.AccSisanhyoSetRows(rows, true, false);
    ASSERT_EQ(r, 52);
    const TBALANCE& cash = recs[51];
    EXPECT_EQ(cash.KAMOKU.KCODE, "K111");
    EXPECT_EQ(cash.MSTREC, 1);
    EXPECT_EQ(cash.KAISIZAN, Yen(300000));
    EXPECT_EQ(cash.KaisizanCopy[0], Yen(300000));
    EXPECT_EQ(cash.KARI[41], Yen(300000)); // period 9 at 32 + 9
    EXPECT_EQ(cash.ZOUGEN[32], Yen(300000));
    EXPECT_EQ(cash.ZOUGEN[34], Yen(-30000));
    EXPECT_EQ(cash.RUIZAN[48], Yen(300000 - 30000 + 300000 + 54000));
    const TBALANCE& payable = recs[52];
    EXPECT_EQ(payable.ZOUGEN[33], Yen(50000)); // credit side: credit - debit
    EXPECT_EQ(payable.RUIZAN[48], Yen(400000 + 50000 + 5000));
    EXPECT_EQ(sorts[51].QKEY, "110001");
    EXPECT_EQ(sorts[52].QKEY, "210002");
    EXPECT_EQ(sorts[53].QKEY, kAccZanEmptyKey);
}

TEST_F(Placement, IndividualProfitGroupsFollowTheLayoutLineByCodeSystem)
{
    struct Case { int codeType; std::string group; int mstrec; std::string key; };
    const Case cases[] = {
        {1, "4100", 98, "710001"}, {1, "4100", 97, "410001"}, {1, "6100", 98, "720001"}, {1, "7200", 28, "610001"},
        {1, "7100", 97, "410001"}, {3, "6100", 99, "720001"},
        {2, "6100", 64, "720001"}, {2, "6100", 63, "610001"}, {2, "4100", 90, "410001"}, {2, "7200", 10, "610001"},
        {4, "4100", 79, "710001"}, {4, "6100", 78, "610001"}, {4, "7100", 78, "410001"}, {4, "6100", 79, "720001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.codeType) + " " + c.group + " " + std::to_string(c.mstrec));
        AccInf.CODETYPE = c.codeType;
        AccZanInitRecords(recs, last, sorts);
        auto placer = Placer();
        TTableRowSource rows({Account(c.group, c.mstrec, 1, "K1", 1, 0)});
        placer.AccSisanhyoSetRows(rows, true, false);
        EXPECT_EQ(sorts[51].QKEY, c.key);
        EXPECT_EQ(recs[51].KAMOKU.GROUPM1, c.key.substr(0, 4));
        EXPECT_EQ(recs[51].KAMOKU.GROUPM2, c.group); // the summary classification keeps the account's group
    }
    // corporate data keeps the procedure's group
    AccInf.DATATYPE = 1;
    AccInf.CODETYPE = 1;
    AccZanInitRecords(recs, last, sorts);
    auto placer = Placer();
    TTableRowSource rows({Account("4100", 99, 1, "K1", 3, 0)});
    placer.AccSisanhyoSetRows(rows, true, false);
    EXPECT_EQ(sorts[51].QKEY, "410001");
}

TEST_F(Placement, LaterStartMonthTakesTheMonthsBeforeItAndPreviousYearOnSelection30)
{
    AccInf.KAISINO = 4; // bookkeeping starts in the fourth month: periods 1..4 lie before it
    EXPECT_EQ(PeriodsBeforeStartMonth(4), 4);
    auto placer = Placer(30);
    Row row = Account("1100", 1, 1, "K111", 1, 1000, {{5, 100}});
    row.insert(row.end(), {{"KISHU0", "700"}, {"ZANP01", "100"}, {"ZANP02", "50"}, {"ZANP03", "-20"}, {"ZANP04", "0"},
                           {"ZANP05", "999"}, {"KISHU1", "400"}, {"ZANM15", "10"}, {"ZANM14", "20"}, {"ZANM00", "5"}});
    TTableRowSource rows({row});
    placer.AccSisanhyoSetRows(rows, true, false);
    const TBALANCE& b = recs[51];
    EXPECT_EQ(b.KISHU0, Yen(700));
    EXPECT_EQ(b.ZOUGEN[33], Yen(100));
    EXPECT_EQ(b.RUIZAN[33], Yen(800));
    EXPECT_EQ(b.RUIZAN[35], Yen(830));
    EXPECT_EQ(b.RUIZAN[36], Yen(830));
    EXPECT_EQ(b.ZOUGEN[37], Yen(100)); // period 5 is the procedure's own again
    // previous year: index 17 is ZANM15 on top of KISHU1, then running
    EXPECT_EQ(b.RUIZAN[17], Yen(410));
    EXPECT_EQ(b.RUIZAN[18], Yen(430));
    EXPECT_EQ(b.ZOUGEN[32], Yen(5));
    EXPECT_EQ(b.RUIZAN[32], Yen(435));
}

TEST_F(Placement, StartMonthOneReadsNoMonthsBeforeIt)
{
    auto placer = Placer(10);
    Row row = Account("1100", 1, 1, "K111", 1, 1000, {{1, 100}});
    row.insert(row.end(), {{"KISHU0", "700"}, {"ZANP01", "999"}, {"ZANM15", "10"}});
    TTableRowSource rows({row});
    placer.AccSisanhyoSetRows(rows, true, false);
    EXPECT_EQ(recs[51].KISHU0, Currency());
    EXPECT_EQ(recs[51].ZOUGEN[33], Yen(100));
    EXPECT_EQ(recs[51].RUIZAN[17], Currency()); // selection 10 reads no previous year
}

TEST_F(Placement, SummaryLinesTakeNamesKeysAndTheClosingHeadings)
{
    auto placer = Placer(10, 4, 1);
    TTableRowSource names({
        Name(2, "1180", "当座資産"), Name(5, "1390", "流動資産", 0, 1, "流動資産の部"), Name(6, "1580", "有形固定資産", 0, 1, "有形"),
        Name(19, "3280", "資本剰余金", 0, 1, "資本"), Name(11, "1900", "資産の部合計", 0, 1, "資産計"),
        Name(35, "5880", "当期製造原価"), Name(28, "4800", "純売上高", 2), Name(45, "8400", "青色申告特別控除前所得"),
        Name(99, "9999", "範囲外"),
    });
    placer.SetTotalLines(names, false);
    EXPECT_EQ(recs[5].KAMOKU.KNAME, "【流動資産の部】");
    EXPECT_EQ(recs[6].KAMOKU.KNAME, "（有形）");
    EXPECT_EQ(recs[19].KAMOKU.KNAME, "資本");
    EXPECT_EQ(recs[11].KAMOKU.KNAME, "資産の部合計"); // row 11 keeps PLUSNAME
    EXPECT_EQ(recs[29].KAMOKU.KNAME, "当期製造原価");
    EXPECT_EQ(recs[45].KAMOKU.GROUPM1, "8400");
    EXPECT_EQ(recs[45].KAMOKU.BSPL, "P");
    EXPECT_EQ(recs[11].KAMOKU.BSPL, "B");
    EXPECT_EQ(sorts[11].QKEY, "1900");
    EXPECT_EQ(sorts[28].QKEY, kAccZanEmptyKey); // a monthly-statement line is not shown here
    // statement kind 1 hides the parts of the current assets
    EXPECT_EQ(sorts[2].QKEY, kAccZanEmptyKey);
    EXPECT_TRUE(recs[2].KAMOKU.GROUPM1.empty());
    EXPECT_EQ(recs[2].KAMOKU.KNAME, "当座資産");
}

TEST_F(Placement, DepartmentViewWithDepartmentsHidesTheBalanceSheetAndFinalLines)
{
    auto placer = Placer(3, 0, 0);
    TTableRowSource names({Name(11, "1900", "資産の部合計"), Name(45, "8400", "当期純利益"), Name(37, "6180", "販管費")});
    placer.SetTotalLines(names, true, [] { return 1; });
    EXPECT_EQ(sorts[11].QKEY, kAccZanEmptyKey);
    EXPECT_TRUE(recs[11].KAMOKU.KNAME.empty());
    EXPECT_EQ(sorts[45].QKEY, kAccZanEmptyKey);
    EXPECT_EQ(sorts[37].QKEY, "6180");
    EXPECT_EQ(sorts[47].QKEY, kAccZanEmptyKey);
}

TEST_F(Placement, ClosingSelection10SetsTheStatementKeysAndHeadings)
{
    AccInf.GENKA_HWORD = {"", "", "材料", "労務", "経費"};
    AccInf.GENKA_HWORD6 = "外注";
    auto placer = Placer(10);
    TTableRowSource names({Name(19, "3280", "資本剰余金"), Name(22, "3380", "利益剰余金")});
    placer.SetTotalLines(names, false);
    placer.SetClosingLines();
    EXPECT_EQ(sorts[5].QKEY, "110/");
    EXPECT_EQ(sorts[9].QKEY, "140-");
    EXPECT_EQ(recs[18].KAMOKU.KNAME, "その他資本剰余金");
    EXPECT_EQ(recs[21].KAMOKU.KNAME, "その他利益剰余金");
    EXPECT_EQ(recs[21].KAMOKU.GROUPM1, "3330");
    EXPECT_EQ(recs[31].KAMOKU.KNAME, "【材料】");
    EXPECT_EQ(recs[46].KAMOKU.KNAME, "【外注】");
    EXPECT_EQ(sorts[46].QKEY, "565/");
    EXPECT_EQ(recs[33].KAMOKU.KNAME, "【経費】");
    EXPECT_EQ(recs[25].KAMOKU.BSPL, "B");
}

TEST_F(Placement, PlainLayoutReadsSubAccountsAndSortsCostOfGoodsUnder5881)
{
    auto placer = Placer(0, 0, 0);
    auto sub = [](const std::string& kcode, const std::string& hcode, std::int64_t opening, std::int64_t d1) {
        Row r = {{"GROUPM1", "1100"}, {"GROUPM2", "1130"}, {"KCODE", kcode}, {"HCODE", hcode}, {"HNAME", "補助" + hcode},
                 {"KAISIZAN", std::to_string(opening)}, {"KAR01", std::to_string(d1)}};
        return r;
    };
    Row bank = Account("1130", 0, 0, "K131", 1, 2000000, {{1, 500}});
    bank.emplace_back("HOJCNT", "2");
    Row stock = Account("5300", 0, 0, "K631", 2, 0, {}, {{16, 250000}});
    stock.emplace_back("HOJCNT", "0");
    Row cash = Account("1130", 0, 0, "K111", 1, 10);
    cash.emplace_back("HOJCNT", "3"); // announces three, only one follows
    TTableRowSource rows({bank, sub("K131", " ", 0, 500), sub("K131", "1", 1500000, 0), sub("K131", "2", 500000, 0), stock,
                          cash, sub("K111", "1", 10, 0)});
    const int r = placer.AccSisanhyoSetRows(rows, false, false);
    ASSERT_EQ(r, 53);
    const TBALANCE& b = recs[51];
    ASSERT_EQ(b.HOJCNT, 3); // the part without a sub-account is counted too
    EXPECT_EQ(b.HOJUTIWAKE[0].HCODE, " ");
    EXPECT_EQ(b.HOJUTIWAKE[0].KARI[1], Yen(500));
    EXPECT_EQ(b.HOJUTIWAKE[1].RUIZAN[16], Yen(1500000));
    EXPECT_EQ(b.HOJUTIWAKE[2].HNAME, "補助2");
    EXPECT_EQ(sorts[51].QKEY, "1130131 ");
    EXPECT_EQ(recs[52].KAMOKU.KCODE, "K631");
    EXPECT_EQ(sorts[52].QKEY, "5881631 ");
    EXPECT_EQ(recs[53].HOJCNT, 1);
    EXPECT_EQ(recs[53].HOJUTIWAKE.size(), 1u);
}

TEST_F(Placement, SecondDepartmentAddsIntoTheSameRows)
{
    auto placer = Placer(4, 0, 0);
    for (int dept = 0; dept < 2; ++dept) {
        Row row = Account("6100", 0, 0, "K711", 1, 0, {{3, 1000 * (dept + 1)}});
        row.emplace_back("HOJCNT", "0");
        TTableRowSource rows({row});
        EXPECT_EQ(placer.AccSisanhyoSetRows(rows, false, false), 51);
    }
    EXPECT_EQ(recs[51].KARI[35], Yen(3000));
    EXPECT_EQ(recs[51].RUIZAN[48], Yen(3000));
}

TEST_F(Placement, MoreAccountLinesThanTheArraysHoldAreRefused)
{
    std::vector<Row> many;
    for (int i = 0; i < 450; ++i) many.push_back(Account("6100", i, i % 100, "K" + std::to_string(1000 + i), 1, 1));
    {
        auto placer = Placer();
        TTableRowSource rows(std::vector<Row>(many.begin(), many.begin() + 449));
        EXPECT_EQ(placer.AccSisanhyoSetRows(rows, true, false), 499); // exactly full
    }
    AccZanInitRecords(recs, last, sorts);
    auto placer = Placer();
    TTableRowSource rows(many);
    EXPECT_THROW(placer.AccSisanhyoSetRows(rows, true, false), ESisanhyoCapacity);
}

TEST_F(Placement, CorporateNotesAreNettedIntoTheReceivableLine)
{
    AccInf.DATATYPE = 1;
    AccInf.TegataKcode = {"K141", "K142", "K143"};
    SystemDef.KessanTegataSousai = 1;
    auto placer = Placer(10);
    TTableRowSource rows({
        Account("1100", 3, 2, "K141", 1, 1000, {{1, 500}}),
        Account("1100", 4, 3, "K142", 3, 300, {}, {{1, 100}}),
        Account("1100", 5, 4, "K143", 3, 200),
    });
    placer.AccSisanhyoSetRows(rows, true, false);
    const TBALANCE& t = recs[51];
    EXPECT_EQ(t.KAISIZAN, Yen(1000 - 300 - 200)); // credit-side notes reduce the receivable
    EXPECT_EQ(t.KASI[33], Yen(100));
    EXPECT_EQ(t.RUIZAN[48], Yen(500 + 500 - 100));
    EXPECT_EQ(recs[48].KAMOKU.KCODE, "K142");
    EXPECT_EQ(recs[48].KAISIZAN, Yen(300));
    EXPECT_EQ(recs[49].KAMOKU.KCODE, "K143");
    EXPECT_EQ(recs[52].KAISIZAN, Currency());
    EXPECT_EQ(sorts[52].QKEY, kAccZanEmptyKey);
    EXPECT_EQ(sorts[53].QKEY, kAccZanEmptyKey);
}

TEST_F(Placement, NotesFoundByLayoutLineWhenNotOnTheirOwnRow)
{
    AccInf.DATATYPE = 1;
    AccInf.TegataKcode = {"K141", "K142", ""};
    SystemDef.KessanTegataSousai = 1;
    auto placer = Placer(10);
    // the discounted notes share a layout line (7) with another account; found through EXT1_KS
    Row shared = Account("1100", 7, 5, "-", 3, 50);
    TTableRowSource rows({Account("1100", 3, 2, "K141", 1, 1000), shared});
    placer.AccSisanhyoSetRows(rows, true, false, [](const std::string& k) { return k == "K142" ? 7 : 0; });
    EXPECT_EQ(recs[51].KAISIZAN, Yen(950));
    EXPECT_EQ(recs[48].KAISIZAN, Yen(50));
    EXPECT_EQ(placer.FindAccountRow("K999", false, [](const std::string&) { return 0; }), 0); // cleared rows never match
}

TEST_F(Placement, SortPutsHiddenLinesAfterEveryRealLine)
{
    auto placer = Placer();
    TTableRowSource names({Name(11, "1900", "資産"), Name(45, "8400", "所得")});
    placer.SetTotalLines(names, false);
    TTableRowSource rows({Account("2100", 9, 2, "K311", 3, 1), Account("1100", 1, 1, "K111", 1, 1)});
    const int r = placer.AccSisanhyoSetRows(rows, true, false);
    placer.SortEntries(r);
    std::vector<std::string> keys;
    for (int i = 0; i <= r && sorts[i].QKEY != kAccZanEmptyKey; ++i) keys.push_back(sorts[i].QKEY);
    EXPECT_EQ(keys, (std::vector<std::string>{"110001", "1900", "210002", "8400"}));
    for (int i = static_cast<int>(keys.size()); i <= r; ++i) EXPECT_EQ(sorts[i].QKEY, kAccZanEmptyKey);
    EXPECT_EQ(recs[sorts[0].QINDEX].KAMOKU.KCODE, "K111");
}

} // namespace
