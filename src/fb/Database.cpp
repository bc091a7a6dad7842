#include "fb/Database.h"

#include "fb/Client.h"
#include "fb/Statement.h"
#include "platform/ShutdownSignals.h"

#include <algorithm>
#include <iostream>
#include <map>

namespace kb::fb {
namespace {

std::pair<std::string, std::string> SplitParam(const std::string& line)
{
    const auto eq = line.find('=');
    std::string name = eq == std::string::npos ? line : line.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return {name, value};
}

void AddString(std::string& pb, char tag, const std::string& value)
{
    if (value.size() > 255) Fail("parameter value too long", "Connection::Open");
    pb += tag;
    pb += static_cast<char>(value.size());
    pb += value;
}

std::string BuildDpb(const std::vector<std::string>& params, int dialect)
{
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    for (const auto& line : params) {
        auto [name, value] = SplitParam(line);
        if (name.empty()) continue;
        if (name == "user_name" || name == "user") AddString(dpb, isc_dpb_user_name, value);
        else if (name == "password") AddString(dpb, isc_dpb_password, value);
        else if (name == "lc_ctype") AddString(dpb, isc_dpb_lc_ctype, value);
        else if (name == "sql_role_name") AddString(dpb, isc_dpb_sql_role_name, value);
        else Fail("unknown connection parameter: " + name, "Connection::Open");
    }
    dpb += static_cast<char>(isc_dpb_sql_dialect);
    dpb += static_cast<char>(1);
    dpb += static_cast<char>(dialect);
    return dpb;
}

std::string BuildTpb(const std::vector<std::string>& params)
{
    static const std::map<std::string, char> kTags = {
        {"read_committed", isc_tpb_read_committed}, {"rec_version", isc_tpb_rec_version},
        {"no_rec_version", isc_tpb_no_rec_version}, {"nowait", isc_tpb_nowait},
        {"wait", isc_tpb_wait}, {"concurrency", isc_tpb_concurrency},
        {"consistency", isc_tpb_consistency}, {"write", isc_tpb_write}, {"read", isc_tpb_read},
    };
    std::string tpb(1, static_cast<char>(isc_tpb_version3));
    for (const auto& line : params) {
        auto name = SplitParam(line).first;
        if (name.empty()) continue;
        auto it = kTags.find(name);
        if (it == kTags.end()) Fail("unknown transaction parameter: " + name, "Transaction::StartTransaction");
        tpb += it->second;
    }
    return tpb;
}

} // namespace

// ---- Connection

Connection::~Connection()
{
    try {
        Close();
    } catch (const std::exception& e) {
        std::cerr << "Connection::Close: " << e.what() << "\n";
    }
    for (auto* t : std::vector<Transaction*>(transactions_)) t->Forget(this);
    for (auto* s : statements_) s->Forget();
}

void Connection::Open()
{
    if (Connected()) return;
    EnsureClient();
    if (databaseName_.empty()) Fail("database name is empty", "Connection::Open");
    const std::string dpb = BuildDpb(params_, dialect_);
    ISC_STATUS_ARRAY st;
    isc_attach_database(st, static_cast<short>(databaseName_.size()), databaseName_.c_str(), &handle_,
                        static_cast<short>(dpb.size()), dpb.data());
    ShutdownSignals::Reassert();  // the client library takes SIGINT and SIGTERM as it starts up
    if (st[0] == 1 && st[1]) {
        handle_ = 0;
        throw MakeError(st, "Connection::Open");
    }
}

void Connection::ReleaseDependents()
{
    for (auto* s : statements_) s->Release();
    for (auto* t : transactions_) {
        if (!t->InTransaction()) continue;
        ISC_STATUS_ARRAY st;
        isc_rollback_transaction(st, t->Handle());
        *t->Handle() = 0;
    }
}

void Connection::Close()
{
    if (!Connected()) return;
    ReleaseDependents();
    ISC_STATUS_ARRAY st;
    isc_detach_database(st, &handle_);
    // A lost connection cannot be detached cleanly; the handle is gone either way.
    const bool failed = st[0] == 1 && st[1];
    FbError err = failed ? MakeError(st, "Connection::Close") : FbError(0, 0, "", "");
    handle_ = 0;
    if (failed && err.IBErrorCode() != isc::network_error) throw err;
}

void Connection::DropDatabase()
{
    if (!Connected()) Fail("database is not connected", "Connection::DropDatabase");
    ReleaseDependents();
    ISC_STATUS_ARRAY st;
    isc_drop_database(st, &handle_);
    Check(st, "Connection::DropDatabase");
    handle_ = 0;
}

void Connection::Register(Transaction* t) { transactions_.push_back(t); }
void Connection::Unregister(Transaction* t) { std::erase(transactions_, t); }
void Connection::Register(Statement* s) { statements_.push_back(s); }
void Connection::Unregister(Statement* s) { std::erase(statements_, s); }

// ---- Transaction

Transaction::Transaction(Connection* db, std::vector<std::string> params)
    : params_(std::move(params))
{
    SetDefaultDatabase(db);
}

Transaction::~Transaction()
{
    if (InTransaction()) {
        ISC_STATUS_ARRAY st;
        isc_rollback_transaction(st, &handle_);
        if (st[0] == 1 && st[1]) std::cerr << MakeError(st, "Transaction::~Transaction").what() << "\n";
    }
    for (auto* c : Databases()) c->Unregister(this);
}

void Transaction::SetDefaultDatabase(Connection* db)
{
    if (db == db_) return;
    if (InTransaction()) Fail("transaction is active", "Transaction::SetDefaultDatabase");
    if (db_ && std::find(extra_.begin(), extra_.end(), db_) == extra_.end()) db_->Unregister(this);
    db_ = db;
    if (!db_) return;
    if (std::find(extra_.begin(), extra_.end(), db_) != extra_.end()) std::erase(extra_, db_); // stays registered
    else db_->Register(this);
}

void Transaction::AddDatabase(Connection* db)
{
    if (!db || db == db_ || std::find(extra_.begin(), extra_.end(), db) != extra_.end()) return;
    if (InTransaction()) Fail("transaction is active", "Transaction::AddDatabase");
    extra_.push_back(db);
    db->Register(this);
}

void Transaction::RemoveDatabase(Connection* db)
{
    if (!db || std::find(extra_.begin(), extra_.end(), db) == extra_.end()) return;
    if (InTransaction()) Fail("transaction is active", "Transaction::RemoveDatabase");
    std::erase(extra_, db);
    db->Unregister(this);
}

std::vector<Connection*> Transaction::Databases() const
{
    std::vector<Connection*> all;
    if (db_) all.push_back(db_);
    all.insert(all.end(), extra_.begin(), extra_.end());
    return all;
}

void Transaction::Forget(Connection* db)
{
    // The connection rolled the transaction back before it went (Close); the others keep theirs.
    handle_ = 0;
    if (db == db_) db_ = nullptr;
    std::erase(extra_, db);
}

void Transaction::StartTransaction()
{
    if (InTransaction()) Fail("transaction is already active", "Transaction::StartTransaction");
    const auto all = Databases();
    if (all.empty()) Fail("database is not connected", "Transaction::StartTransaction");
    for (auto* c : all)
        if (!c->Connected()) Fail("database is not connected", "Transaction::StartTransaction");
    const std::string tpb = BuildTpb(params_);
    const int len = static_cast<int>(tpb.size());
    const char* p = tpb.data();
    ISC_STATUS_ARRAY st;
    // One start over every database: the client library then commits in two phases.
    switch (all.size()) {
    case 1: isc_start_transaction(st, &handle_, 1, all[0]->Handle(), len, p); break;
    case 2: isc_start_transaction(st, &handle_, 2, all[0]->Handle(), len, p, all[1]->Handle(), len, p); break;
    case 3:
        isc_start_transaction(st, &handle_, 3, all[0]->Handle(), len, p, all[1]->Handle(), len, p, all[2]->Handle(), len, p);
        break;
    default: Fail("a transaction spans at most three databases", "Transaction::StartTransaction");
    }
    if (st[0] == 1 && st[1]) {
        handle_ = 0;
        throw MakeError(st, "Transaction::StartTransaction");
    }
}

void Transaction::Commit()
{
    if (!InTransaction()) Fail("transaction is not active", "Transaction::Commit");
    ISC_STATUS_ARRAY st;
    isc_commit_transaction(st, &handle_);
    Check(st, "Transaction::Commit");
    handle_ = 0;
}

void Transaction::Rollback()
{
    if (!InTransaction()) Fail("transaction is not active", "Transaction::Rollback");
    ISC_STATUS_ARRAY st;
    isc_rollback_transaction(st, &handle_);
    const bool failed = st[0] == 1 && st[1];
    // A failed rollback leaves nothing to finish (the server undoes it when the attachment ends),
    // so the handle is dropped before the error is passed on.
    FbError err = failed ? MakeError(st, "Transaction::Rollback") : FbError(0, 0, "", "");
    handle_ = 0;
    if (failed) throw err;
}

void Transaction::CommitRetaining()
{
    if (!InTransaction()) Fail("transaction is not active", "Transaction::CommitRetaining");
    ISC_STATUS_ARRAY st;
    isc_commit_retaining(st, &handle_);
    Check(st, "Transaction::CommitRetaining");
}

void Transaction::RollbackRetaining()
{
    if (!InTransaction()) Fail("transaction is not active", "Transaction::RollbackRetaining");
    ISC_STATUS_ARRAY st;
    isc_rollback_retaining(st, &handle_);
    Check(st, "Transaction::RollbackRetaining");
}

// ---- TransactionGuard

TransactionGuard::TransactionGuard(Transaction& tr, Unfinished ending, Owner owner)
    : tr_(tr), ending_(ending)
{
    if (tr_.InTransaction()) {
        if (owner == Owner::Started) return;
        if (owner == Owner::Active) {
            started_ = true;
            return;
        }
        tr_.Commit();
    }
    tr_.StartTransaction();
    started_ = true;
}

TransactionGuard::~TransactionGuard() { EndUnfinished(); }

void TransactionGuard::EndUnfinished()
{
    if (!started_ || done_) return;
    done_ = true;
    if (!tr_.InTransaction()) return;
    if (ending_ == Unfinished::Commit) {
        try {
            tr_.Commit();
            return;
        } catch (const std::exception& e) {
            std::cerr << "TransactionGuard: commit after a failure: " << e.what() << "\n";
        }
        if (!tr_.InTransaction()) return;
    }
    try {
        tr_.Rollback();
    } catch (const std::exception& e) {
        std::cerr << "TransactionGuard: " << e.what() << "\n";
    }
}

void TransactionGuard::Commit()
{
    if (started_ && !done_) {
        // A reader that ends the active transaction itself may have finished it already.
        if (tr_.InTransaction()) tr_.Commit(); // a failed commit stays unfinished: the destructor rolls it back
        done_ = true;
    }
}

void TransactionGuard::CommitOrRetain()
{
    if (started_) {
        Commit();
    } else if (!done_ && tr_.InTransaction()) {
        tr_.CommitRetaining();
        done_ = true;
    }
}

void TransactionGuard::Rollback()
{
    if (started_ && !done_) {
        done_ = true;
        if (tr_.InTransaction()) tr_.Rollback();
    }
}

} // namespace kb::fb
