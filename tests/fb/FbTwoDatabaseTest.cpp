// One transaction over two databases: the work in both is committed or undone together.

#include "common/TestDb.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kb::fb;

namespace {

class TwoDatabases : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [c, name] : {std::pair{&a, "a.fdb"}, std::pair{&b, "b.fdb"}}) {
            const auto file = kbtest::CreateDatabase(tmp / name, "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY);\nCOMMIT;\n");
            c->SetDatabaseName(file.string());
            c->Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
            c->Open();
        }
        tr.SetDefaultDatabase(&a);
        tr.AddDatabase(&b);
    }

    static void Insert(Connection& c, Transaction& t, int id)
    {
        Statement q(c, &t);
        q.SetSQL("INSERT INTO T (ID) VALUES (:ID)");
        q.ParamByName("ID").SetInteger(id);
        q.ExecQuery();
    }
    static int Count(Connection& c)
    {
        Transaction t(&c);
        TransactionGuard g(t);
        Statement q(c, &t);
        q.SetSQL("SELECT COUNT(*) AS C FROM T");
        q.ExecQuery();
        return q.FieldByName("C").AsInteger();
    }

    kbtest::TempDir tmp;
    Connection a, b;
    Transaction tr;
};

TEST_F(TwoDatabases, CommitAndRollbackReachBoth)
{
    tr.StartTransaction();
    Insert(a, tr, 1);
    Insert(b, tr, 1);
    tr.Commit();
    EXPECT_EQ(Count(a), 1);
    EXPECT_EQ(Count(b), 1);

    tr.StartTransaction();
    Insert(a, tr, 2);
    Insert(b, tr, 2);
    tr.Rollback();
    EXPECT_EQ(Count(a), 1);
    EXPECT_EQ(Count(b), 1);
}

TEST_F(TwoDatabases, AFailedStatementInOneUndoesTheOther)
{
    {
        TransactionGuard g(tr);
        Insert(b, tr, 5);
        Insert(a, tr, 5);
        try {
            Insert(b, tr, 5); // duplicate key
            g.Commit();
        } catch (const kb::FbError&) {
        }
    }
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Count(a), 0);
    EXPECT_EQ(Count(b), 0);
}

TEST_F(TwoDatabases, ClosingEitherConnectionRollsBackTheWhole)
{
    for (Connection* closed : {&a, &b}) {
        tr.StartTransaction();
        Insert(a, tr, 9);
        Insert(b, tr, 9);
        closed->Close();
        EXPECT_FALSE(tr.InTransaction());
        closed->Open();
        EXPECT_EQ(Count(a), 0);
        EXPECT_EQ(Count(b), 0);
    }
}

TEST_F(TwoDatabases, StartNeedsEveryDatabaseConnectedAndAddingIsRefusedWhileActive)
{
    b.Close();
    EXPECT_THROW(tr.StartTransaction(), kb::FbError);
    EXPECT_FALSE(tr.InTransaction());
    b.Open();
    tr.StartTransaction();
    Connection c;
    EXPECT_THROW(tr.AddDatabase(&c), kb::FbError);
    tr.Rollback();
    tr.RemoveDatabase(&b); // back to one database
    tr.StartTransaction();
    Insert(a, tr, 3);
    EXPECT_THROW(Insert(b, tr, 3), kb::FbError);
    tr.Rollback();
}

TEST_F(TwoDatabases, ADestroyedConnectionLeavesTheTransactionOnTheOther)
{
    auto c = std::make_unique<Connection>();
    c->SetDatabaseName(b.DatabaseName());
    c->Params() = b.Params();
    c->Open();
    Transaction t(&a);
    t.AddDatabase(c.get());
    c.reset();
    ASSERT_EQ(t.Databases().size(), 1u);
    t.StartTransaction();
    Insert(a, t, 4);
    t.Commit();
    EXPECT_EQ(Count(a), 1);
}

} // namespace
