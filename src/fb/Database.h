#pragma once
// Connection and transaction of the access layer, over the Firebird 3 client's ISC API (ibase.h).
//
// A Connection is named like the database components of the original: a database name (a file path
// for the embedded engine, "host:path" or "host/port:path" for a server) and a list of parameters
// ("user_name=...", "password=...", "lc_ctype=SJIS_0208"). A Transaction names its default database
// and a list of parameters ("read_committed", "rec_version", "nowait" ...). TransactionGuard is the
// house rule in one object: it starts the transaction only when it is not active, ends only what it
// started, and rolls back what it started when the scope is left unfinished.
//
// A transaction may span further databases (AddDatabase): it then starts over all of them at once,
// and the client library commits it in two phases, so the work in every database is kept or lost
// together. Closing any of its connections rolls it back as a whole.

#include <functional>
#include <string>
#include <vector>

namespace kb::fb {

class Transaction;
class Statement;

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void SetDatabaseName(std::string name) { databaseName_ = std::move(name); }
    const std::string& DatabaseName() const { return databaseName_; }
    // "name=value" lines: user_name, password, lc_ctype, sql_role_name.
    std::vector<std::string>& Params() { return params_; }
    const std::vector<std::string>& Params() const { return params_; }
    void SetSQLDialect(int dialect) { dialect_ = dialect; }
    int SQLDialect() const { return dialect_; }
    void SetDefaultTransaction(Transaction* tr) { defaultTransaction_ = tr; }
    Transaction* DefaultTransaction() const { return defaultTransaction_; }

    void Open();
    // Rolls back the transactions still active on it (work not committed is not kept) and releases
    // its statements, then detaches. No-op when not connected.
    void Close();
    bool Connected() const { return handle_ != 0; }
    // Drops the connected database; the connection is closed afterwards.
    void DropDatabase();

    // Client handle, for the layer's own classes.
    unsigned int* Handle() { return &handle_; }

private:
    friend class Transaction;
    friend class Statement;
    void Register(Transaction* t);
    void Unregister(Transaction* t);
    void Register(Statement* s);
    void Unregister(Statement* s);
    void ReleaseDependents();

    std::string databaseName_;
    std::vector<std::string> params_;
    int dialect_ = 3;
    Transaction* defaultTransaction_ = nullptr;
    unsigned int handle_ = 0;
    std::vector<Transaction*> transactions_;
    std::vector<Statement*> statements_;
};

class Transaction {
public:
    // The three parameter sets the system uses.
    static std::vector<std::string> ReadCommitted() { return {"read_committed", "rec_version", "nowait"}; }
    static std::vector<std::string> Snapshot() { return {"concurrency", "nowait"}; }
    static std::vector<std::string> Stable() { return {"write", "consistency"}; }

    explicit Transaction(Connection* db = nullptr, std::vector<std::string> params = ReadCommitted());
    // Rolls back when still active; a failure there is written to stderr, never thrown.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void SetDefaultDatabase(Connection* db);
    Connection* DefaultDatabase() const { return db_; }
    // Adds a further database to the ones the next start covers (none twice); not while active.
    void AddDatabase(Connection* db);
    void RemoveDatabase(Connection* db);
    // The default database first, then the added ones.
    std::vector<Connection*> Databases() const;
    std::vector<std::string>& Params() { return params_; }

    void StartTransaction();
    void Commit();
    void Rollback();
    void CommitRetaining();
    void RollbackRetaining();
    bool InTransaction() const { return handle_ != 0; }

    unsigned int* Handle() { return &handle_; }

private:
    friend class Connection;
    void Forget(Connection* db); // that connection went away

    Connection* db_ = nullptr;
    std::vector<Connection*> extra_;
    std::vector<std::string> params_;
    unsigned int handle_ = 0;
};

// Joins the caller's transaction or starts one. Commit()/Rollback() act only when this guard
// started it; leaving the scope unfinished ends what it started (and never throws): by a rollback,
// or by a commit for a guard made with Unfinished::Commit (a read: nothing to undo, and the
// transaction need not be lost). A failure at that ending is logged, never swallowed silently.
//
// A few readers must end the active transaction whoever started it, so that what they read is
// final; they say so with an Owner other than Started, and the guard then ends it as its own:
// - Owner::Active adopts a caller's active transaction (or starts one);
// - Owner::Fresh commits a caller's active transaction first, then starts its own.
class TransactionGuard {
public:
    enum class Unfinished { Rollback, Commit };
    enum class Owner { Started, Active, Fresh };

    explicit TransactionGuard(Transaction& tr, Unfinished ending = Unfinished::Rollback, Owner owner = Owner::Started);
    ~TransactionGuard();
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;

    bool Started() const { return started_; }
    void Commit();
    void Rollback();
    // Commits what this guard started; a transaction the caller started is commit-retained, so
    // a writer's work is kept while the caller's transaction stays open.
    void CommitOrRetain();
    // Ends now what this guard started, as leaving the scope unfinished would (logged, never
    // thrown): for a failure path that reports after the transaction is over.
    void EndUnfinished();

private:
    Transaction& tr_;
    Unfinished ending_;
    bool started_ = false;
    bool done_ = false;
};

} // namespace kb::fb
