// The closing-statement rows computed from grouped reads against the data set's own procedure
// SP_SISANHYO_KESSAN, column by column and line by line: on the general, real-estate and
// agriculture fixtures, and on a generated data set with facilities, departments, sub-accounts,
// shared layout lines, accounts of the other side, past-year figures, tax sums and a start month
// other than January. Then the linkage's reading through both row sources for every closing
// selection, and a few figures by hand.

#include "uAccZanSisanhyoTestDb.h"

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccSisanhyoKessan.h"
#include "accounting/uAccSisanhyou.h"
#include "accounting/uAccZanSisanhyo.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

using namespace kb;
namespace fx = kbtest::fixture;

namespace {

enum class Kind { General, RealEstate, Agriculture, Generated };

std::string Money(std::int64_t tenThousandths)
{
    const Currency c = Currency::FromRaw(tenThousandths);
    return c.ToString();
}

// A deterministic generator, so that a failure can be replayed.
struct Lcg {
    std::uint64_t s;
    int Next(int n)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((s >> 33) % static_cast<std::uint64_t>(n));
    }
};

// Facilities "" and "S1", departments " ", "00", "01"; start month 4. Accounts K101..K140 on 19
// layout lines (several share one, some lines carry a caption, line 19 a caption that repeats its
// one account's name with a trailing blank); every fourth account has sub-accounts; a few are on the other side
// of their line; K139 is not in use and K140 has no balance row. The provisional-tax accounts
// K335 / K152 (ACCDEF2) have tax sums, one of them NULL; a few balance amounts are NULL. Amounts are pseudo-random with four
// decimals, in every period -15..16 of KAMOKU_PZ / KAMOKU_MS.
void BuildGeneratedDataSet(const std::filesystem::path& folder)
{
    const auto db = folder / "vqacc.fdb";
    std::filesystem::create_directories(folder);
    fx::CreateDatabase(db, fx::SchemaDir() / "accounting.sql");
    Lcg g{20250401};
    std::string sql = "INSERT INTO ACCDEF1 (REC, DATATYPE, CODETYPE, KAISINO, BUMON, SITEN, TAXDEFUH) VALUES (1, 2, 1, 4, 1, 1, 0);\n"
                      "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K335', '仮受消費税');\n"
                      "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K152', '仮払消費税');\n";
    const char* groups[] = {"1100", "1100", "2100", "4100", "6100", "6100"};
    for (int line = 1; line <= 19; ++line) {
        std::string caption = line % 5 == 0 ? "見出し" + std::to_string(line) : "";
        if (line == 19) caption = "科目103 ";
        sql += "INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (" + std::to_string(line) + ", '" + groups[line % 6] +
               "', " + std::to_string(20 - line) + ", '" + caption + "');\n";
    }
    struct Acc { std::string kcode; int line; int dac; bool subs; };
    std::vector<Acc> accounts;
    for (int i = 101; i <= 140; ++i) {
        const int line = i == 103 ? 19 : 1 + (i * 7) % 18;
        const int dac = 1 + g.Next(4);
        accounts.push_back({"K" + std::to_string(i), line, dac, i % 4 == 0});
    }
    accounts.push_back({"K335", 4, 3, false});
    accounts.push_back({"K152", 4, 1, false});
    for (const auto& a : accounts) {
        const bool used = a.kcode != "K139";
        sql += "INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES ('" +
               a.kcode + "', '" + a.kcode.substr(1) + "', '1100', '1100', '科目" + a.kcode.substr(1) + "', " +
               (used ? "1" : "0") + ", " + std::to_string(a.dac) + ", " + std::to_string(a.dac) + ", 'B', " +
               std::to_string(a.line) + ");\n";
        if (a.subs)
            for (const char* h : {"1", "2"})
                sql += "INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('" + a.kcode + "', '" + h + "', '補助" + h + "');\n";
        if (a.kcode == "K140") continue;
        for (const char* s : {"", "S1"})
            for (const char* b : {" ", "00", "01"})
                for (const char* h : a.subs ? std::vector<const char*>{" ", "1", "2"} : std::vector<const char*>{" "}) {
                    if (g.Next(3) == 0) continue;  // not every combination has a row
                    const std::string key = "'" + std::string(s) + "', '" + a.kcode + "', '" + h + "', '" + b + "'";
                    sql += "INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KISHU_KOMI, KISHU_NUKI, KAKOZAN, KAISIZAN) VALUES (" +
                           key + ", " + Money(g.Next(20000000) - 5000000) + ", " + Money(g.Next(20000000) - 5000000) + ", " +
                           Money(g.Next(20000000)) + ", " + Money(g.Next(20000000)) + ");\n";
                    for (int m = 1; m <= 16; ++m)
                        if (g.Next(2) == 0)
                            sql += "UPDATE KAMOKU_MS SET KAR_NUK = " + Money(g.Next(9000000)) + ", KAR_TAX = " +
                                   Money(g.Next(900000)) + ", KAR_IKKATSU = " + Money(g.Next(300000)) + ", KAS_NUK = " +
                                   Money(g.Next(9000000)) + ", KAS_TAX = " + Money(g.Next(900000)) + ", KAS_IKKATSU = " +
                                   Money(g.Next(300000)) + " WHERE SCODE = '" + s + "' AND KCODE = '" + a.kcode +
                                   "' AND HCODE = '" + h + "' AND BCODE = '" + b + "' AND MNUM = " + std::to_string(m) + ";\n";
                    for (int m = -15; m <= 16; ++m)
                        if (g.Next(3) == 0)
                            sql += "INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU) VALUES (" + key +
                                   ", " + std::to_string(m) + ", " + Money(g.Next(8000000) - 2000000) + ", " +
                                   Money(g.Next(500000)) + ");\n";
                }
    }
    for (int kind = 1; kind <= 2; ++kind)
        for (const char* b : {" ", "00"})
            for (int m = 1; m <= 16; ++m)
                sql += "INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('', '" + std::string(b) + "', " +
                       std::to_string(kind) + ", " + std::to_string(m) + ", " +
                       (kind == 2 && m == 3 ? std::string("NULL") : Money(g.Next(700000))) + ", " + Money(g.Next(700000)) +
                       ");\n";
    // NULL amounts, which a sum leaves out (a NULL tax part leaves out the whole row's amount)
    sql += "UPDATE KAMOKU_MS SET KAR_TAX = NULL WHERE KCODE IN ('K105', 'K121') AND MNUM IN (2, 5);\n"
           "UPDATE KAMOKU_MS SET KAS_NUK = NULL WHERE KCODE = 'K105' AND MNUM = 7 AND SCODE = '';\n"
           "UPDATE KAMOKU_PZ SET ZEIGAKU = NULL WHERE KCODE IN ('K106', 'K121') AND MNUM < 0;\n"
           "UPDATE KAMOKU_SZ SET KAKOZAN = NULL, KISHU_NUKI = NULL WHERE KCODE = 'K107' AND BCODE = '00';\n";
    sql += fx::SummaryLinesSql();
    sql += "COMMIT;\n";
    fx::RunIsql(db, sql);
}

class KessanRows : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kbtest::PrepareFirebird();
        dir_ = new kbtest::TempDir;
        fx::BuildGeneralDataSet(Folder(Kind::General), 1);
        fx::BuildRealEstateDataSet(Folder(Kind::RealEstate), 2);
        fx::BuildAgricultureDataSet(Folder(Kind::Agriculture), 3);
        BuildGeneratedDataSet(Folder(Kind::Generated));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::filesystem::path Folder(Kind k) { return dir_->path() / std::to_string(static_cast<int>(k)); }

    void Open(Kind k)
    {
        ResetAccRecord();
        ResetAccZanTables();
        AccZanSetTables(false);
        ResetErrorReporter();
        SetErrorUi(&ui);
        SystemDef.LogDir = (dir_->path() / "log").string();
        std::filesystem::create_directories(SystemDef.LogDir);
        CreateDM();
        auto& db = DM->IBDatabaseDAT;
        db.SetDatabaseName((Folder(k) / "vqacc.fdb").string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
        if (k != Kind::Generated) {
            ASSERT_TRUE(fnGetAccInfo(*DM));
            return;
        }
        AccInf.DATATYPE = 2;
        AccInf.CODETYPE = 1;
        AccInf.KAISINO = 4;
    }
    void TearDown() override
    {
        if (DM) {
            DM->IBDatabaseDAT.Close();
            FreeDM();
        }
        SetErrorUi(nullptr);
        ResetErrorReporter();
        ResetAccRecord();
    }

    // Compares the grouped rows with the procedure's, every column; returns the number of lines.
    static std::size_t ExpectSameAsProcedure(int tax, int zentax)
    {
        fb::TransactionGuard guard(DM->IBTransactionDATSS);
        TKessanRowSource mine(AccSisanhyoKessanRows(DM->IBDatabaseDAT, DM->IBTransactionDATSS, tax));
        fb::Statement q(DM->IBDatabaseDAT, &DM->IBTransactionDATSS);
        q.SetSQL("SELECT * FROM SP_SISANHYO_KESSAN( :TAX , :ZENTAX ) ");
        q.ParamByName("TAX").SetInteger(tax);
        q.ParamByName("ZENTAX").SetInteger(zentax);
        q.ExecQuery();
        TStatementRowSource proc(q);
        const auto& columns = AccSisanhyoKessanColumns();
        std::size_t n = 0;
        for (; !proc.Eof(); proc.Next(), mine.Next(), ++n) {
            if (mine.Eof()) {
                ADD_FAILURE() << "the procedure has more lines than " << n;
                break;
            }
            SCOPED_TRACE("line " + std::to_string(n) + " " + proc.Text("GROUPM1") + "/" + std::to_string(proc.Integer("SUBREC")));
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const std::string& col = columns[c];
                EXPECT_TRUE(proc.HasColumn(col)) << col;
                if (c < 6) EXPECT_EQ(mine.Text(col), proc.Text(col)) << col;
                else if (c < 9) EXPECT_EQ(mine.Integer(col), proc.Integer(col)) << col;
                else EXPECT_EQ(mine.Amount(col).ToString(), proc.Amount(col).ToString()) << col;
            }
        }
        EXPECT_TRUE(mine.Eof()) << "grouped lines beyond the procedure's " << n;
        q.Close();
        guard.Commit();
        return n;
    }

    kbtest::RecordingErrorUi ui;
    static inline kbtest::TempDir* dir_ = nullptr;
};

TEST_F(KessanRows, EqualTheProcedureOnEveryFixtureInBothTaxModes)
{
    for (Kind k : {Kind::General, Kind::RealEstate, Kind::Agriculture, Kind::Generated}) {
        SCOPED_TRACE("data set " + std::to_string(static_cast<int>(k)));
        Open(k);
        for (int tax : {0, 1})
            for (int zentax : {1, -1}) {
                SCOPED_TRACE("tax " + std::to_string(tax) + " zentax " + std::to_string(zentax));
                EXPECT_GT(ExpectSameAsProcedure(tax, zentax), 3u);
            }
        TearDown();
    }
}

// The reading of the linkage (closing layout) placed from the procedure and from the grouped rows
// gives the same records and sort entries for every closing selection; then the year's figures.
TEST_F(KessanRows, ReadingFromEitherSourceGivesTheSameRecords)
{
    for (Kind k : {Kind::General, Kind::Generated}) {
        Open(k);
        for (int selection : {10, 20, 30})
            for (int tax : {0, 1}) {
                SCOPED_TRACE("data set " + std::to_string(static_cast<int>(k)) + " selection " + std::to_string(selection) +
                             " tax " + std::to_string(tax));
                const TSisanhyoReadArgs args{"dummy", "dummy", tax, selection, 4, 1, 0, 0};
                std::vector<TBALANCE> a, b;
                std::vector<TQSORT> sa, sb;
                const int last = AccZanPrepareArrays(a, sa);
                AccZanPrepareArrays(b, sb);
                fb::TransactionGuard guard(DM->IBTransactionDATSS);
                int lastA = 0, lastB = 0;
                {
                    TSisanhyoPlacer pa(a, last, sa, last, args);
                    fb::Statement q(DM->IBDatabaseDAT, &DM->IBTransactionDATSS);
                    q.SetSQL("SELECT * FROM SP_SISANHYO_KESSAN( :TAX , :ZENTAX ) ");
                    q.ParamByName("TAX").SetInteger(tax);
                    q.ParamByName("ZENTAX").SetInteger(-1);
                    q.ExecQuery();
                    TStatementRowSource rows(q);
                    lastA = pa.AccSisanhyoSetRows(rows, true, false);
                    pa.SetClosingLines();
                    pa.SortEntries(lastA);
                }
                {
                    TSisanhyoPlacer pb(b, last, sb, last, args);
                    TKessanRowSource rows(AccSisanhyoKessanRows(DM->IBDatabaseDAT, DM->IBTransactionDATSS, tax));
                    lastB = pb.AccSisanhyoSetRows(rows, true, false);
                    pb.SetClosingLines();
                    pb.SortEntries(lastB);
                }
                guard.Commit();
                ASSERT_EQ(lastA, lastB);
                for (int period : {16, 4}) {
                    pcBalanceSheet_Calcu(a, lastA, 0, -1, 1, period, {});
                    pcBalanceSheet_Calcu(b, lastB, 0, -1, 1, period, {});
                    for (int r = 0; r <= lastA; ++r) {
                        SCOPED_TRACE("row " + std::to_string(r) + " " + a[r].KAMOKU.KNAME);
                        EXPECT_EQ(sa[r].QKEY, sb[r].QKEY);
                        EXPECT_EQ(sa[r].QINDEX, sb[r].QINDEX);
                        EXPECT_EQ(a[r].KAMOKU.KCODE, b[r].KAMOKU.KCODE);
                        EXPECT_EQ(a[r].KAMOKU.KNAME, b[r].KAMOKU.KNAME);
                        EXPECT_EQ(a[r].KAMOKU.TAISHAKU, b[r].KAMOKU.TAISHAKU);
                        EXPECT_EQ(a[r].KISHU0, b[r].KISHU0);
                        EXPECT_EQ(a[r].ZOUGEN, b[r].ZOUGEN);
                        EXPECT_EQ(a[r].RUIZAN, b[r].RUIZAN);
                        EXPECT_EQ(a[r].ZENZAN, b[r].ZENZAN);
                        EXPECT_EQ(a[r].TOUZAN, b[r].TOUZAN);
                        EXPECT_EQ(a[r].ZENNEN, b[r].ZENNEN);
                    }
                }
            }
        TearDown();
    }
}

// Figures by hand on the small department data set: the cash line (one account, caption equal to
// its name), the bank line (opening 100 + 1,000 on its sub-account) and the rent line shared by
// two accounts (period 1: 50,001 + 100,000 + 40,000 + 7 and 9,999 + 3,000).
TEST(KessanRowsByHand, SharedLinesSumTheirAccountsAndShowNoSingleAccount)
{
    kbtest::PrepareFirebird();
    kbtest::TempDir dir;
    kbtest::ledger::BuildDepartmentDataSet(dir.path());
    CreateDM();
    auto& db = DM->IBDatabaseDAT;
    db.SetDatabaseName((dir.path() / "vqacc.fdb").string());
    db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    db.Open();
    std::map<int, TKessanRow> byLine;
    {
        fb::TransactionGuard guard(DM->IBTransactionDATSS);
        for (auto& r : AccSisanhyoKessanRows(db, DM->IBTransactionDATSS, 1)) byLine[r.MSTREC] = r;
        guard.Commit();
    }
    db.Close();
    FreeDM();
    ASSERT_EQ(byLine.size(), 4u);
    EXPECT_EQ(byLine[1].KCODE, "K111");
    EXPECT_EQ(byLine[1].KNAME, "現金");
    EXPECT_EQ(byLine[1].KAISIZAN, Currency::FromYen(1200));
    EXPECT_EQ(byLine[3].KCODE, "K131");
    EXPECT_EQ(byLine[3].KAISIZAN, Currency::FromYen(1100));
    EXPECT_EQ(byLine[2].KCODE, "-");
    EXPECT_EQ(byLine[2].USERCODE, "-");
    EXPECT_EQ(byLine[2].KNAME, "通信費");  // the first account by its number: 715 before 726
    EXPECT_EQ(byLine[2].KAR[1], Currency::FromYen(50001 + 100000 + 40000 + 7 + 9999 + 3000));
    EXPECT_EQ(byLine[2].KAR[2], Currency());
    // tax-excluded: the provisional tax received takes the tax sums of every department (1,000 + 300)
    EXPECT_EQ(byLine[4].KAS[1], Currency::FromYen(1300));
    EXPECT_EQ(byLine[4].KCODE, "K335");
}

} // namespace
