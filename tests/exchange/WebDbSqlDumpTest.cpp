// TWebDbSqlDump: the scripts of the general and medical fixtures and of a data set at 7.5.0 load
// into a real MariaDB with every table's row count as the catalogue selects it in Firebird; texts,
// NULLs, amounts and clamped dates read back as stored; the header stays CP932; the journal
// restarts its statement every 100 rows; the encoders by a table of cases; failures end cleanly.

#include "ExchangeTestEnv.h"
#include "MariaDbServer.h"

#include "exchange/WebDbSqlDump.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kb;
using namespace kbtest;

namespace {

const char* const kDb = "azim_d_ABCD1234EFGH_3";

// Rows that show the encodings: quote, backslash, CP932 extensions, a trail byte 0x5C (表),
// a long partner text cut at 20 bytes, NULLs, a large amount and dates outside MySQL's range.
const char* const kSpecialRows =
    "INSERT INTO SIWAKE (REC, SWKREC, HIZUKE, MNUM, KCODE, TEKTEXT, TORTEXT, \"COMMENT\", NUK, KINGAKU, CTIME, RTIME)"
    " VALUES (900001, 900001, '2025-06-30', 7, 'K111', 'O''Hara\\表㈱①～', 'A㈱表①～あいうえおかき', NULL, NULL,"
    " 1234567890.1234, '1899-12-30 00:00:00', '2050-04-01 12:00:00');\n"
    "INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (200, 'Sz''Quote', '');\n";

class WebDbSqlDumpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (MariaDbServer::Available()) server_ = std::make_unique<MariaDbServer>();
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override
    {
        if (!server_) GTEST_SKIP() << "MariaDB server (mariadb-server-core) is not installed";
    }
    static std::unique_ptr<MariaDbServer> server_;
};
std::unique_ptr<MariaDbServer> WebDbSqlDumpTest::server_;

std::string Count(TDM& dm, const std::string& sql)
{
    fb::Transaction tr(&dm.IBDatabaseDAT);
    tr.StartTransaction();
    fb::Statement q(dm.IBDatabaseDAT, &tr);
    q.SetSQL(sql);
    q.ExecQuery();
    const std::string n = std::to_string(q.FieldAt(0).AsInt64());
    q.Close();
    tr.Commit();
    return n;
}

// What the catalogue selects from Firebird, table by table, as MySQL should hold it afterwards.
std::vector<std::pair<std::string, std::string>> ExpectedCounts(int jobLevel, bool kind3, bool v802)
{
    const std::string none = "SELECT 0 FROM RDB$DATABASE";
    const auto all = [](const char* t) { return std::string("SELECT COUNT(*) FROM ") + t; };
    std::vector<std::pair<std::string, std::string>> c;
    for (const char* t : {"ACCDEF1", "ACCDEF2", "ACCDEF5", "ACCTOTALNAME", "BUMONMST", "BUNSEKI_SYUKEIHYO", "EXTERKS",
                          "FINMST", "GROUPLIST", "GROUPMST", "HIKAKU_BUMON", "HIKAKU_GROUP", "HIKAKU_PATTERN",
                          "HIKAKU_SISETU", "HIKAKU_SISETU_GROUP", "HIKAKU_SISETU_PATTERN", "HOJOMST", "KAKOSIWAKE1",
                          "KAKOSIWAKE2", "KAKOZAN", "KAMOKUMST", "KAMOKU_MS", "KAMOKU_SZ", "KAMOKU_TAX", "MB_KMKGROUP",
                          "AZIMO_HIKAKU", "AZIMO_HIKAKU_COL", "AZIMO_YOJITUHENDOU", "SISETUBUM", "SISETUGROUP",
                          "SISETUGROUPLIST", "SISETUMST", "SIWAKE", "SIWAKE2", "SWK_SEARCH", "TAXMST"})
        c.emplace_back(t, all(t));
    c.emplace_back("ACCREG", "SELECT COUNT(*) + 26 FROM ACCREG WHERE AGROUP<>'経営Azimo' AND AGROUP<>'ＷＥＢ会議設定'");
    c.emplace_back("ACCVERSION", "SELECT 1 FROM RDB$DATABASE");
    c.emplace_back("CHARTINF", "SELECT 1 FROM RDB$DATABASE");
    c.emplace_back("JOBCONTROL", v802 ? "SELECT COUNT(*) FROM JOBCONTROL2 WHERE LEVELNO=" + std::to_string(jobLevel) : none);
    c.emplace_back("MSD_HOUKOKU", kind3 ? all("MSD_HOUKOKU") : none);
    for (const char* t : {"AOPRO_YOSAN_KANRI", "AOPRO_KAMOKU_YOSAN", "AZIMO_YOJITU_HYOKARULE"})
        c.emplace_back(t, v802 ? all(t) : none);
    c.emplace_back("AOPRO_YOSAN_KIHONRULE",
                   v802 ? "SELECT (SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE WHERE FKOMOKU NOT IN ('納税','その他')"
                          " AND NOT (FKOMOKU IN ('売上債権','仕入債務') AND FKBN='設定単位') AND FKOMOKU<>'未払金／未払費用')"
                          " + MINVALUE(10, (SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE WHERE FKOMOKU='納税'))"
                          " + MINVALUE(10, (SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE WHERE FKOMOKU='その他'))"
                          " FROM RDB$DATABASE"
                        : none);
    c.emplace_back("KAMOKU_KOSEI_GROUP",
                   v802 ? "SELECT COUNT(*) FROM KAMOKU_KOSEI_GROUP WHERE FGNAME<>'未払金／未払費用'" : none);
    return c;
}

std::string WriteDump(ExchangeEnv& env)
{
    TWebDbSqlDump w(*env.dm);
    w.DatabaseName = kDb;
    w.SetWorkFolder(env.dir / "out");
    EXPECT_TRUE(w.WriteSqlDump()) << (env.ui.shown.empty() ? "" : env.ui.shown.back());
    EXPECT_FALSE(env.dm->IBTransactionDATSS.InTransaction());
    return w.SqlFilePath;
}

void ExpectLoadsWithCounts(MariaDbServer& server, ExchangeEnv& env, const std::string& script)
{
    std::string out;
    ASSERT_EQ(server.Load(script, &out), 0) << out;
    const auto counts = ExpectedCounts(AccInf.DATATYPE == 3 ? 1200 : 200, AccInf.DATATYPE == 3,
                                       IsVersion802On(AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2));
    ASSERT_EQ(counts.size(), 46u);
    for (const auto& [table, sql] : counts)
        EXPECT_EQ(server.Scalar(kDb, "SELECT COUNT(*) FROM `" + table + "`"), Count(*env.dm, sql)) << table;
}

} // namespace

TEST_F(WebDbSqlDumpTest, GeneralFixtureLoadsAndReadsBackAsStored)
{
    ExchangeEnv env;
    const auto folder = env.dir / "general";
    fixture::BuildGeneralDataSet(folder, 1);
    RunIsql(folder / "vqacc.fdb", std::string(kSpecialRows) + "COMMIT;\n");
    env.Open(folder);
    ASSERT_EQ(Count(*env.dm, "SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE"), "0");

    const std::string script = WriteDump(env);
    // The six basic payment rules were added to the data set itself and committed.
    EXPECT_EQ(Count(*env.dm, "SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE"), "6");
    ExpectLoadsWithCounts(*server_, env, script);

    const auto row = server_->Query(kDb, "SELECT TEKTEXT, TORTEXT, `COMMENT`, NUK, KINGAKU, CTIME, RTIME, HIZUKE"
                                         " FROM SIWAKE WHERE REC=900001");
    ASSERT_EQ(row.size(), 1u);
    const std::vector<std::string> expected = {"O'Hara\\表㈱①～", "A㈱表①～あいうえお", "NULL", "NULL",
                                               "1234567890.123400", "1970-01-02 00:00:00", "2038-01-01 00:00:00",
                                               "2025/06/30"};
    EXPECT_EQ(row[0], expected);
    EXPECT_EQ(server_->Scalar(kDb, "SELECT COUNT(*) FROM JOBCONTROL WHERE PROC_ID='Sz''Quote' AND LEVELNO=200"), "1");
    EXPECT_EQ(server_->Scalar(kDb, "SELECT CONCAT(MAJOR,'.',MINOR,'.',REV) FROM ACCVERSION"), "15.0.0");
    EXPECT_EQ(server_->Scalar(kDb, "SELECT FKBN FROM AOPRO_YOSAN_KIHONRULE WHERE FKOMOKU='仕入債務' AND FROW=3"), "手形");

    // The header is CP932, the rows UTF-8; the journal restarts its INSERT every 100 rows.
    const std::string bytes = ReadFile(script);
    EXPECT_NE(bytes.find(Utf8ToCp932("--   Application     : パヴォナ財務 (15.0.0)\r\n")), std::string::npos);
    EXPECT_NE(bytes.find("'O\\'Hara\\\\表㈱①～'"), std::string::npos);
    const long entries = std::stol(Count(*env.dm, "SELECT COUNT(*) FROM SIWAKE"));
    std::size_t headers = 0;
    for (std::size_t p = 0; (p = bytes.find("\r\nINSERT INTO SIWAKE VALUES\r\n", p)) != std::string::npos; ++p) ++headers;
    EXPECT_GT(entries, 200);
    EXPECT_EQ(headers, static_cast<std::size_t>((entries + 99) / 100));
}

TEST_F(WebDbSqlDumpTest, MedicalFixtureLoadsWithItsOwnTablesAndLevel)
{
    ExchangeEnv env;
    const auto folder = env.dir / "medical";
    fixture::BuildMedicalDataSet(folder, 7);
    RunIsql(folder / "vqacc.fdb",
            "INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (1200, 'SzMedical', '');\n"
            "INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (200, 'SzOther', '');\nCOMMIT;\n");
    env.Open(folder);
    ASSERT_EQ(AccInf.DATATYPE, 3);
    ExpectLoadsWithCounts(*server_, env, WriteDump(env));
    EXPECT_EQ(server_->Scalar(kDb, "SELECT GROUP_CONCAT(PROC_ID) FROM JOBCONTROL"), "SzMedical");
}

TEST_F(WebDbSqlDumpTest, DataSetAt750CarriesNoNewerTables)
{
    ExchangeEnv env;
    const auto folder = env.dir / "old";
    fixture::BuildGeneralDataSet(folder, 1);
    RunIsql(folder / "vqacc.fdb", std::string(kSpecialRows) +
                                      "UPDATE ACCVERSION SET MAJOR=7, MINOR1=5, MINOR2=0;\n"
                                      "INSERT INTO KAMOKU_KOSEI_GROUP (FGNAME, FKCODE) VALUES ('資金', 'K111');\nCOMMIT;\n");
    env.Open(folder);
    ASSERT_EQ(AccInf.DataVerMajor, 7);
    const std::string script = WriteDump(env);
    ExpectLoadsWithCounts(*server_, env, script);
    // Nothing was added to the data set, and JOBCONTROL's DELETE runs straight into the next table's.
    EXPECT_EQ(Count(*env.dm, "SELECT COUNT(*) FROM AOPRO_YOSAN_KIHONRULE"), "0");
    EXPECT_NE(ReadFile(script).find("DELETE FROM JOBCONTROL;\r\nDELETE FROM KAKOSIWAKE1;\r\n"), std::string::npos);
    EXPECT_EQ(server_->Scalar(kDb, "SELECT SUM(BYOSAN2) + SUM(BYOSAN3) FROM KAMOKU_MS"), "0.000000");
}

TEST(WebDbSqlDump, FailuresEndWhatTheyStartedAndWriteNothingWithoutADatabaseName)
{
    ExchangeEnv env;
    const auto folder = env.dir / "general";
    fixture::BuildGeneralDataSet(folder, 1);
    env.Open(folder);
    {
        TWebDbSqlDump w(*env.dm);
        w.SetWorkFolder(env.dir / "out");
        EXPECT_FALSE(w.WriteSqlDump());
        w.DatabaseName = "x`; DROP DATABASE mysql; --";
        EXPECT_FALSE(w.WriteSqlDump());
        EXPECT_FALSE(std::filesystem::exists(w.SqlFilePath));
    }
    TWebDbSqlDump w(*env.dm);
    w.SetWorkFolder(env.dir / "out");
    w.DatabaseName = kDb;
    w.IndexFilePath = (env.dir / "missing.sql").string();
    EXPECT_FALSE(w.WriteSqlDump());
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_EQ(env.ui.shown[0].rfind("SQLDumpファイルの作成に失敗しました。", 0), 0u);
    EXPECT_FALSE(env.dm->IBTransactionDATSS.InTransaction());
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    w.SetWorkFolder("/proc/kb-no-such-folder");
    EXPECT_THROW(w.WriteSqlDump(), std::runtime_error);
}

TEST(WebDbSqlDump, ValueEncodings)
{
    struct Case {
        std::string got, want;
    };
    const Case cases[] = {
        {TWebDbSqlDump::EscapeSqlText("O'Hara"), "O\\'Hara"},
        {TWebDbSqlDump::EscapeSqlText("a\\b"), "a\\\\b"},
        {TWebDbSqlDump::EscapeSqlText("表ソ能\"\r\n"), "表ソ能\"\r\n"},
        {TWebDbSqlDump::ColorToSqlInt(0x0000FF), "16711680"},        // $000000FF is red
        {TWebDbSqlDump::ColorToSqlInt(0xFF0000), "255"},             // blue
        {TWebDbSqlDump::ColorToSqlInt(0x123456), std::to_string(0x56 * 65536 + 0x34 * 256 + 0x12)},
        {TWebDbSqlDump::ColorToSqlInt(static_cast<std::int32_t>(0xFF00000F)), std::to_string(0xF0F0F0)}, // button face
        {TWebDbSqlDump::DateToSqlValue("DATE", DateTime(Date(2025, 3, 4), 10, 5, 6)), "'2025-03-04'"},
        {TWebDbSqlDump::DateToSqlValue("datetime", DateTime(Date(2025, 3, 4), 10, 5, 6)), "'2025-03-04 10:05:06'"},
        {TWebDbSqlDump::DateToSqlValue("DATETIME", DateTime(Date(1970, 1, 1))), "'1970-01-02 00:00:00'"},
        {TWebDbSqlDump::DateToSqlValue("DATETIME", DateTime(Date(1970, 1, 1), 0, 0, 1)), "'1970-01-01 00:00:01'"},
        {TWebDbSqlDump::DateToSqlValue("DATE", DateTime(Date(1899, 12, 30))), "'1970-01-02'"},
        {TWebDbSqlDump::DateToSqlValue("DATE", DateTime(Date(2038, 1, 1))), "'2038-01-01'"},
        {TWebDbSqlDump::DateToSqlValue("DATE", DateTime(Date(2037, 12, 31), 23, 59, 59)), "'2037-12-31'"},
        {TWebDbSqlDump::DateToSqlValue("STR", DateTime(Date(2025, 1, 1))), "'0000-00-00'"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}
