#pragma once
// A statement with :NAME parameters and fields read by name. The SQL text is UTF-8; :NAME markers
// outside quotes and comments become positional markers, and one name may occur several times
// (every position takes the value). Texts travel as CP932 (the connection's lc_ctype is SJIS_0208);
// OCTETS columns and blobs of other sub-types travel as raw bytes.
//
// Usage, as with the original's SQL objects:
//   Statement q(db, tr);
//   q.SetSQL("SELECT NAME FROM T WHERE ID=:ID");
//   q.ParamByName("ID").SetInteger(5);
//   for (q.ExecQuery(); !q.Eof(); q.Next()) use(q.FieldByName("NAME").AsString());
// The statement is prepared once; setting the same text again keeps the prepared form, so a loop
// that only changes parameter values never prepares twice. Parameters not set are NULL.

#include "platform/Currency.h"
#include "platform/Date.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kb::fb {

class Connection;
class Transaction;
class Statement;

// Raw bytes for a blob or OCTETS parameter.
struct Bytes {
    std::string data;
};

class Param {
public:
    void SetNull();
    void SetInteger(std::int32_t v);
    void SetInt64(std::int64_t v);
    void SetCurrency(Currency v);
    void SetDouble(double v);
    void SetDate(Date v);           // the null date sets NULL
    void SetDateTime(DateTime v);   // the null date-time sets NULL
    void SetString(std::string utf8);
    void SetBytes(std::string bytes);
    void SetBoolean(bool v);
    const std::string& Name() const;

private:
    friend class Statement;
    Param(Statement* s, std::size_t i) : s_(s), i_(i) {}
    Statement* s_;
    std::size_t i_;
};

class Field {
public:
    bool IsNull() const;
    std::int32_t AsInteger() const;   // NULL gives 0; scaled numbers are cut toward zero
    std::int64_t AsInt64() const;
    Currency AsCurrency() const;      // exact for every scale up to 4 decimals
    double AsDouble() const;
    Date AsDate() const;              // NULL gives the null date
    DateTime AsDateTime() const;
    std::string AsString() const;     // UTF-8; CHAR padding removed; NULL gives ""
    std::string AsBytes() const;      // raw bytes of a blob or text
    bool AsBoolean() const;
    const std::string& Name() const;

private:
    friend class Statement;
    Field(const Statement* s, std::size_t i) : s_(s), i_(i) {}
    const Statement* s_;
    std::size_t i_;
};

class Statement {
public:
    enum class Type { Unknown, Select, Insert, Update, Delete, Ddl, ExecProcedure, SelectForUpdate, Other };

    // tr defaults to the connection's default transaction.
    explicit Statement(Connection& db, Transaction* tr = nullptr);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void SetTransaction(Transaction* tr);
    Transaction* GetTransaction() const { return tr_; }
    // Replaces the text; a different text drops the prepared form and the parameter values.
    void SetSQL(std::string sqlUtf8);
    const std::string& SQL() const { return sql_; }

    void Prepare();
    bool Prepared() const { return handle_ != 0; }
    Type StatementType() const { return type_; }

    Param ParamByName(std::string_view name);
    bool HasParam(std::string_view name) const;
    std::vector<std::string> ParamNames() const;
    void ClearParams();

    // Runs the statement (preparing it when needed). A SELECT opens its cursor and fetches the
    // first row; EXECUTE PROCEDURE makes its output row current.
    void ExecQuery();
    // Moves to the next row; false (and Eof) when there is none.
    bool Next();
    bool Eof() const { return eof_; }
    // Closes an open cursor.
    void Close();
    // Rows inserted, updated or deleted by the last execution.
    std::int64_t RowsAffected() const;

    Field FieldByName(std::string_view name) const;
    bool HasField(std::string_view name) const;
    std::size_t FieldCount() const;
    Field FieldAt(std::size_t index) const;

    struct Impl;

private:
    friend class Connection;
    friend class Param;
    friend class Field;
    void Release(); // the connection closes: drop the server handle
    void Forget();  // the connection is destroyed
    std::size_t FieldIndex(std::string_view name, const char* origin) const;

    Connection* db_;
    Transaction* tr_;
    std::string sql_;
    unsigned int handle_ = 0;
    Type type_ = Type::Unknown;
    bool cursorOpen_ = false;
    bool eof_ = true;
    std::unique_ptr<Impl> d_;
};

} // namespace kb::fb
