#include "common/TestDb.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Service.h"
#include "fb/Statement.h"
#include "fb/HoldingProcess.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

using kb::Currency;
using kb::Date;
using kb::DateTime;
using kb::FbError;
using namespace kb::fb;

namespace {

const char* kSchema = R"(
CREATE TABLE T (
  ID INTEGER NOT NULL PRIMARY KEY,
  NAME VARCHAR(40) CHARACTER SET SJIS_0208,
  CODE CHAR(6) CHARACTER SET SJIS_0208,
  AMOUNT NUMERIC(16,4),
  PRICE NUMERIC(9,2),
  BIG BIGINT,
  RATE DOUBLE PRECISION,
  DDAY DATE,
  STAMP TIMESTAMP,
  MEMO BLOB SUB_TYPE TEXT CHARACTER SET SJIS_0208,
  DATA BLOB SUB_TYPE 0,
  FLAG BOOLEAN
);
SET TERM ^ ;
CREATE PROCEDURE SP_DOUBLE (X INTEGER) RETURNS (Y INTEGER) AS
BEGIN
  Y = X * 2;
END^
CREATE PROCEDURE SP_RANGE (N INTEGER) RETURNS (I INTEGER) AS
BEGIN
  I = 1;
  WHILE (I <= N) DO BEGIN
    SUSPEND;
    I = I + 1;
  END
END^
SET TERM ; ^
COMMIT;
)";

class FbAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = kbtest::CreateDatabase(tmp / "t.fdb", kSchema);
        db.SetDatabaseName(file.string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&db);
        db.Open();
    }
    kbtest::TempDir tmp;
    std::filesystem::path file;
    Connection db;
    Transaction tr;
};

int Count(Connection& db, const std::string& where = "")
{
    Transaction t(&db);
    TransactionGuard g(t);
    Statement q(db, &t);
    q.SetSQL("SELECT COUNT(*) AS C FROM T" + where);
    q.ExecQuery();
    return q.FieldByName("C").AsInteger();
}

} // namespace

TEST_F(FbAccess, ValuesRoundTripByNameWithTextInCp932)
{
    const std::string name = "①㈱～ 髙橋 ｶﾅ";
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID, NAME, CODE, AMOUNT, PRICE, BIG, RATE, DDAY, STAMP, MEMO, DATA, FLAG) "
                   "VALUES (:ID, :NAME, :CODE, :AMOUNT, :PRICE, :BIG, :RATE, :DDAY, :STAMP, :MEMO, :DATA, :FLAG)");
        ins.ParamByName("ID").SetInteger(1);
        ins.ParamByName("name").SetString(name); // names are case-insensitive
        ins.ParamByName("CODE").SetString("Ａ1");
        ins.ParamByName("AMOUNT").SetCurrency(Currency::FromRaw(-123456789012345)); // -12345678901.2345
        ins.ParamByName("PRICE").SetCurrency(Currency::FromRaw(12345)); // 1.2345 -> 1.23 (server rounds)
        ins.ParamByName("BIG").SetInt64(9000000000000000001LL);
        ins.ParamByName("RATE").SetDouble(0.1);
        ins.ParamByName("DDAY").SetDate(Date(2024, 2, 29));
        ins.ParamByName("STAMP").SetDateTime(DateTime(Date(1899, 12, 30), 23, 59, 58, 123));
        ins.ParamByName("MEMO").SetString(std::string(70000, 'x') + "①");
        ins.ParamByName("DATA").SetBytes(std::string("\0\x81\xff", 3));
        ins.ParamByName("FLAG").SetBoolean(true);
        ins.ExecQuery();
        EXPECT_EQ(ins.RowsAffected(), 1);
        ins.ParamByName("ID").SetInteger(2);
        ins.ClearParams();
        ins.ParamByName("ID").SetInteger(2);
        ins.ExecQuery(); // every other column NULL
        g.Commit();
    }
    TransactionGuard g(tr);
    Statement q(db);
    q.SetSQL("SELECT * FROM T ORDER BY ID");
    q.ExecQuery();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("NAME").AsString(), name);
    EXPECT_EQ(q.FieldByName("NAME").AsBytes(), kb::Utf8ToCp932(name));
    EXPECT_EQ(q.FieldByName("code").AsString(), "Ａ1");
    EXPECT_EQ(q.FieldByName("AMOUNT").AsCurrency(), Currency::FromRaw(-123456789012345));
    EXPECT_EQ(q.FieldByName("AMOUNT").AsString(), "-12345678901.2345");
    EXPECT_EQ(q.FieldByName("AMOUNT").AsInt64(), -12345678901);
    EXPECT_EQ(q.FieldByName("PRICE").AsCurrency(), Currency::FromRaw(12300));
    EXPECT_EQ(q.FieldByName("BIG").AsInt64(), 9000000000000000001LL);
    EXPECT_DOUBLE_EQ(q.FieldByName("RATE").AsDouble(), 0.1);
    EXPECT_EQ(q.FieldByName("DDAY").AsDate(), Date(2024, 2, 29));
    EXPECT_EQ(q.FieldByName("STAMP").AsDateTime(), DateTime(Date(1899, 12, 30), 23, 59, 58, 123));
    EXPECT_EQ(q.FieldByName("MEMO").AsString(), std::string(70000, 'x') + "①");
    EXPECT_EQ(q.FieldByName("DATA").AsBytes(), std::string("\0\x81\xff", 3));
    EXPECT_TRUE(q.FieldByName("FLAG").AsBoolean());
    EXPECT_FALSE(q.FieldByName("NAME").IsNull());
    ASSERT_TRUE(q.Next());
    for (const char* f : {"NAME", "CODE", "AMOUNT", "BIG", "DDAY", "STAMP", "MEMO", "DATA", "FLAG"})
        EXPECT_TRUE(q.FieldByName(f).IsNull()) << f;
    EXPECT_EQ(q.FieldByName("AMOUNT").AsCurrency(), Currency());
    EXPECT_EQ(q.FieldByName("NAME").AsString(), "");
    EXPECT_TRUE(q.FieldByName("DDAY").AsDate().IsNull());
    EXPECT_FALSE(q.Next());
    EXPECT_TRUE(q.Eof());
    EXPECT_THROW(q.FieldByName("NOPE"), FbError);
}

TEST_F(FbAccess, CurrencyReadsExactlyAtAnyScale)
{
    TransactionGuard g(tr);
    Statement q(db);
    q.SetSQL("SELECT CAST(1234567.89 AS NUMERIC(18,2)) AS A, CAST(-0.000051 AS NUMERIC(18,6)) AS B, "
             "CAST(0.00005 AS NUMERIC(18,5)) AS C, CAST(7 AS INTEGER) AS D, CAST(2.5 AS DOUBLE PRECISION) AS E, "
             "'-12.5' AS F, CAST(922337203685477.5807 AS NUMERIC(18,4)) AS G FROM RDB$DATABASE");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("A").AsCurrency(), Currency::FromRaw(12345678900));
    EXPECT_EQ(q.FieldByName("B").AsCurrency(), Currency::FromRaw(-1));   // -0.000051 -> -0.0001
    EXPECT_EQ(q.FieldByName("C").AsCurrency(), Currency::FromRaw(1));    // 0.00005 -> 0.0001 (half away)
    EXPECT_EQ(q.FieldByName("D").AsCurrency(), Currency::FromYen(7));
    EXPECT_EQ(q.FieldByName("E").AsCurrency(), Currency::FromRaw(25000));
    EXPECT_EQ(q.FieldByName("F").AsCurrency(), Currency::FromRaw(-125000));
    EXPECT_EQ(q.FieldByName("G").AsCurrency(), Currency::FromRaw(9223372036854775807LL));
    EXPECT_EQ(q.FieldByName("A").AsInteger(), 1234567);
}

TEST_F(FbAccess, NamedParametersRepeatAndIgnoreQuotesAndComments)
{
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID, NAME) VALUES (:ID, :NAME)");
        for (int i = 1; i <= 50; ++i) { // prepared once, run fifty times
            ins.ParamByName("ID").SetInteger(i);
            ins.ParamByName("NAME").SetString(i % 2 ? "奇数" : "偶数");
            ins.ExecQuery();
        }
        g.Commit();
    }
    TransactionGuard g(tr);
    Statement q(db);
    q.SetSQL("SELECT COUNT(*) AS C, ':NOT_A_PARAM' AS S /* :NOR_THIS */ FROM T -- :NOR_THAT\n"
             "WHERE ID = :X OR ID = :x + 1 OR NAME = :NAME");
    EXPECT_EQ(q.ParamNames(), (std::vector<std::string>{"X", "NAME"}));
    q.ParamByName("X").SetInteger(10);
    q.ParamByName("NAME").SetString("該当なし");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("C").AsInteger(), 2);
    EXPECT_EQ(q.FieldByName("S").AsString(), ":NOT_A_PARAM");
    q.ParamByName("NAME").SetString("奇数");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("C").AsInteger(), 26); // 25 odd ones + 10 (even) ; 11 is odd
}

TEST_F(FbAccess, GuardJoinsCallerTransactionAndEndsOnlyWhatItStarted)
{
    tr.StartTransaction(); // the caller's bracket
    {
        TransactionGuard g(tr);
        EXPECT_FALSE(g.Started());
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID) VALUES (1)");
        ins.ExecQuery();
        g.Commit(); // not ours: nothing happens
    }
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(Count(db), 0); // not committed yet, invisible to another transaction
    tr.Commit();
    EXPECT_EQ(Count(db), 1);

    {
        TransactionGuard g(tr);
        EXPECT_TRUE(g.Started());
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID) VALUES (2)");
        ins.ExecQuery();
        // left without Commit: rolled back
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 1);

    // The three parameter sets start and the snapshot does not see later commits.
    Transaction snap(&db, Transaction::Snapshot());
    Transaction stable(&db, Transaction::Stable());
    snap.StartTransaction();
    Statement qs(db, &snap);
    qs.SetSQL("SELECT COUNT(*) AS C FROM T");
    qs.ExecQuery();
    EXPECT_EQ(qs.FieldByName("C").AsInteger(), 1);
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID) VALUES (3)");
        ins.ExecQuery();
        g.Commit();
    }
    qs.ExecQuery();
    EXPECT_EQ(qs.FieldByName("C").AsInteger(), 1);
    snap.Commit();
    stable.StartTransaction();
    stable.Rollback();
}

TEST_F(FbAccess, GuardEndsAFailedReadWithACommitAndRetainsACallersWork)
{
    auto insert = [&](int id) {
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID) VALUES (:ID)");
        ins.ParamByName("ID").SetInteger(id);
        ins.ExecQuery();
    };
    // A reader's guard left by an exception commits what it started (the row shows it).
    try {
        TransactionGuard g(tr, TransactionGuard::Unfinished::Commit);
        insert(1);
        throw std::runtime_error("read failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 1);
    // EndUnfinished ends it early; a later Commit does nothing more.
    {
        TransactionGuard g(tr, TransactionGuard::Unfinished::Commit);
        insert(2);
        g.EndUnfinished();
        EXPECT_FALSE(tr.InTransaction());
        g.Commit();
    }
    EXPECT_EQ(Count(db), 2);
    // The default ending stays a rollback.
    {
        TransactionGuard g(tr);
        insert(3);
        g.EndUnfinished();
    }
    EXPECT_EQ(Count(db), 2);

    // CommitOrRetain: the caller's transaction stays open, its work so far is committed.
    tr.StartTransaction();
    {
        TransactionGuard g(tr);
        insert(4);
        g.CommitOrRetain();
    }
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(Count(db), 3);
    insert(5); // still usable
    tr.Rollback();
    EXPECT_EQ(Count(db), 3);
    // ... and a guard that started its own commits it outright.
    {
        TransactionGuard g(tr);
        insert(6);
        g.CommitOrRetain();
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 4);
}

// The readers that must end the active transaction whoever started it: Active adopts the caller's
// (its work goes with the ending, kept or lost), Fresh commits the caller's work before its own.
TEST_F(FbAccess, GuardThatEndsTheActiveTransactionSaysSo)
{
    using Owner = TransactionGuard::Owner;
    using Unfinished = TransactionGuard::Unfinished;
    auto insert = [&](int id) {
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID) VALUES (:ID)");
        ins.ParamByName("ID").SetInteger(id);
        ins.ExecQuery();
    };
    tr.StartTransaction();
    insert(1);
    {
        TransactionGuard g(tr, Unfinished::Rollback, Owner::Active);
        EXPECT_TRUE(g.Started());
        insert(2);
        g.Commit();
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 2);

    tr.StartTransaction();
    insert(3);
    try {
        TransactionGuard g(tr, Unfinished::Rollback, Owner::Active);
        insert(1); // duplicate key
        ADD_FAILURE() << "no error";
    } catch (const FbError&) {
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 2); // the caller's row 3 went with the rollback

    tr.StartTransaction();
    insert(3);
    try {
        TransactionGuard g(tr, Unfinished::Rollback, Owner::Fresh);
        EXPECT_EQ(Count(db), 3); // committed before the guard's own began
        insert(4);
        insert(1);
        ADD_FAILURE() << "no error";
    } catch (const FbError&) {
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(db), 3); // row 3 kept, row 4 rolled back

    // Without a caller both start their own, as a plain guard does.
    for (Owner owner : {Owner::Active, Owner::Fresh}) {
        TransactionGuard g(tr, Unfinished::Rollback, owner);
        EXPECT_TRUE(g.Started());
        insert(10 + static_cast<int>(owner));
    }
    EXPECT_EQ(Count(db), 3);

    // A guard whose transaction a callee already ended has nothing left to commit.
    {
        TransactionGuard outer(tr);
        {
            TransactionGuard inner(tr, Unfinished::Rollback, Owner::Active);
            insert(5);
            inner.Commit();
        }
        EXPECT_NO_THROW(outer.Commit());
    }
    EXPECT_EQ(Count(db), 4);
}

TEST_F(FbAccess, ErrorsCarryEngineCodeSqlCodeAndOrigin)
{
    TransactionGuard g(tr);
    Statement ins(db);
    ins.SetSQL("INSERT INTO T (ID) VALUES (:ID)");
    ins.ParamByName("ID").SetInteger(1);
    ins.ExecQuery();
    try {
        ins.ExecQuery();
        FAIL() << "duplicate key accepted";
    } catch (const FbError& e) {
        EXPECT_EQ(e.IBErrorCode(), 335544665);
        EXPECT_EQ(e.SQLCode(), -803);
        EXPECT_EQ(e.Origin(), "Statement::ExecQuery");
        EXPECT_NE(e.Message().find("PRIMARY"), std::string::npos) << e.Message();
    }
    Statement bad(db);
    bad.SetSQL("SELECT * FROM NO_SUCH_TABLE");
    try {
        bad.ExecQuery();
        FAIL();
    } catch (const FbError& e) {
        EXPECT_EQ(e.SQLCode(), -204);
        EXPECT_EQ(e.Origin(), "Statement::Prepare");
    }

    Connection missing;
    missing.SetDatabaseName((tmp / "missing.fdb").string());
    missing.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    try {
        missing.Open();
        FAIL();
    } catch (const FbError& e) {
        EXPECT_EQ(e.IBErrorCode(), kb::isc::io_error);
        EXPECT_EQ(e.Origin(), "Connection::Open");
    }
    EXPECT_FALSE(missing.Connected());

    Transaction idle(&db);
    Statement q(db, &idle);
    q.SetSQL("SELECT 1 AS X FROM RDB$DATABASE");
    EXPECT_THROW(q.ExecQuery(), FbError); // no transaction: refused, not started behind the caller's back
}

TEST_F(FbAccess, SelectableAndExecutableProcedures)
{
    TransactionGuard g(tr);
    Statement ex(db);
    ex.SetSQL("EXECUTE PROCEDURE SP_DOUBLE(:X)");
    ex.ParamByName("X").SetInteger(21);
    ex.ExecQuery();
    EXPECT_EQ(ex.StatementType(), Statement::Type::ExecProcedure);
    ASSERT_FALSE(ex.Eof());
    EXPECT_EQ(ex.FieldByName("Y").AsInteger(), 42);

    Statement sel(db);
    sel.SetSQL("SELECT I FROM SP_RANGE(:N)");
    sel.ParamByName("N").SetInteger(3);
    std::vector<int> got;
    for (sel.ExecQuery(); !sel.Eof(); sel.Next()) got.push_back(sel.FieldByName("I").AsInteger());
    EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
}

TEST_F(FbAccess, CloseRollsBackAndReleasesStatements)
{
    Statement ins(db);
    ins.SetSQL("INSERT INTO T (ID) VALUES (7)");
    tr.StartTransaction();
    ins.ExecQuery();
    db.Close();
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_FALSE(ins.Prepared());
    db.Open();
    EXPECT_EQ(Count(db), 0);
    tr.StartTransaction();
    ins.ExecQuery(); // prepares again on the new attachment
    tr.Commit();
    EXPECT_EQ(Count(db), 1);
}

TEST_F(FbAccess, SecondProcessAttachmentIsSeenInMonitoring)
{
    auto others = [&] {
        Transaction t(&db);
        TransactionGuard g(t);
        Statement q(db, &t);
        q.SetSQL("SELECT COUNT(*) AS C FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                 "AND MON$SYSTEM_FLAG = 0");
        q.ExecQuery();
        return q.FieldByName("C").AsInteger();
    };
    EXPECT_EQ(others(), 0);
    {
        kbtest::HoldingProcess isql(file.string());
        EXPECT_EQ(others(), 1);
    }
}

TEST_F(FbAccess, ServiceBacksUpRestoresAndValidates)
{
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID, NAME) VALUES (1, :N)");
        ins.ParamByName("N").SetString("㈱テスト");
        ins.ExecQuery();
        g.Commit();
    }
    db.Close();
    Service svc("", "SYSDBA", "masterkey");
    std::vector<std::string> lines;
    svc.Backup(file.string(), (tmp / "t.fbk").string(), {}, [&](const std::string& l) { lines.push_back(l); return true; });
    EXPECT_FALSE(lines.empty());
    EXPECT_TRUE(std::filesystem::exists(tmp / "t.fbk"));
    svc.Detach();

    const auto restored = tmp / "r.fdb";
    Service::RestoreOptions ro;
    ro.pageSize = 16384;
    svc.Restore((tmp / "t.fbk").string(), restored.string(), ro);
    svc.Detach();
    EXPECT_TRUE(svc.Validate(restored.string(), {}).empty());
    svc.Detach();

    Connection r;
    r.SetDatabaseName(restored.string());
    r.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    r.Open();
    Transaction t(&r);
    TransactionGuard g(t);
    Statement q(r, &t);
    q.SetSQL("SELECT NAME, MON$PAGE_SIZE AS PS FROM T, MON$DATABASE");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("NAME").AsString(), "㈱テスト");
    EXPECT_EQ(q.FieldByName("PS").AsInteger(), 16384);
}

TEST_F(FbAccess, ServiceOnMissingDatabaseFailsWithEngineCode)
{
    Service svc("", "SYSDBA", "masterkey");
    EXPECT_THROW(svc.Backup((tmp / "none.fdb").string(), (tmp / "none.fbk").string(), {}), FbError);
}

TEST_F(FbAccess, SelectPreparedAgainAfterReconnectReadsValues)
{
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID, NAME) VALUES (1, '①')");
        ins.ExecQuery();
        g.Commit();
    }
    Statement q(db);
    for (int round = 0; round < 3; ++round) {
        TransactionGuard g(tr);
        q.SetSQL("SELECT NAME FROM T");
        q.ExecQuery();
        EXPECT_EQ(q.FieldByName("NAME").AsString(), "①") << round;
        g.Rollback();
        if (round == 1) {
            db.Close();
            db.Open();
        }
    }
}

TEST_F(FbAccess, ValidationOfADamagedDatabaseIsNeverSilent)
{
    {
        TransactionGuard g(tr);
        Statement ins(db);
        ins.SetSQL("INSERT INTO T (ID, NAME) VALUES (:ID, :NAME)");
        for (int i = 0; i < 500; ++i) {
            ins.ParamByName("ID").SetInteger(i);
            ins.ParamByName("NAME").SetString(std::string(30, static_cast<char>('a' + i % 26)));
            ins.ExecQuery();
        }
        g.Commit();
    }
    db.Close();
    Service svc("", "SYSDBA", "masterkey");
    EXPECT_TRUE(svc.Validate(file.string(), {}).empty());
    svc.Detach();
    {
        // Overwrite the record area of every data page (page type 5).
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        const std::size_t pageSize = 8192, pages = std::filesystem::file_size(file) / pageSize;
        for (std::size_t p = 0; p < pages; ++p) {
            char type = 0;
            io.seekg(static_cast<std::streamoff>(p * pageSize));
            io.read(&type, 1);
            if (type != 5) continue;
            const std::string junk(3000, '\xAB');
            io.seekp(static_cast<std::streamoff>(p * pageSize + 200));
            io.write(junk.data(), static_cast<std::streamsize>(junk.size()));
        }
    }
    bool reported = false;
    try {
        reported = !svc.Validate(file.string(), {}).empty();
    } catch (const FbError& e) {
        reported = e.IBErrorCode() != 0;
    }
    EXPECT_TRUE(reported);
}

TEST_F(FbAccess, BackupOutputCanBeStoppedBetweenLines)
{
    db.Close();
    Service svc("", "SYSDBA", "masterkey");
    int lines = 0;
    svc.Backup(file.string(), (tmp / "t.fbk").string(), {}, [&](const std::string&) { return ++lines < 2; });
    EXPECT_EQ(lines, 2);
    EXPECT_FALSE(svc.Active());
}
