#include "fb/Statement.h"

#include "fb/Client.h"
#include "fb/Database.h"
#include "platform/Text.h"

#include <cmath>
#include <cstring>
#include <iostream>

namespace kb::fb {
namespace {

using Value = std::variant<std::monostate, std::int64_t, Currency, double, Date, DateTime, std::string, Bytes, bool>;

constexpr int kIscDateToSysDays = -40587; // ISC_DATE counts days from 1858-11-17

bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// XSQLDA with room for n variables.
struct Sqlda {
    std::vector<char> mem;
    XSQLDA* get() { return reinterpret_cast<XSQLDA*>(mem.data()); }
    void resize(int n)
    {
        mem.assign(XSQLDA_LENGTH(n < 1 ? 1 : n), 0);
        get()->version = SQLDA_VERSION1;
        get()->sqln = static_cast<short>(n < 1 ? 1 : n);
    }
};

std::int64_t Pow10(int n)
{
    std::int64_t r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

} // namespace

struct Statement::Impl {
    std::string positional;                 // CP932 text with "?" markers
    std::vector<std::string> names;         // unique parameter names (upper case)
    std::vector<std::string> namesAsWritten;
    std::vector<std::size_t> positionName;  // position -> index into names
    std::vector<Value> values;              // per name

    Sqlda in, out;
    std::vector<XSQLVAR> inDescribed;       // the server's description of each position
    std::vector<std::string> inBuf;
    std::vector<short> inNull;
    std::vector<std::vector<char>> outBuf;
    std::vector<short> outNull;
    std::vector<std::string> fieldNames;    // UTF-8, as the server names them
    std::vector<std::string> fieldKeys;     // upper case

    void Parse(const std::string& sql)
    {
        names.clear();
        namesAsWritten.clear();
        positionName.clear();
        values.clear();
        std::string text;
        const std::size_t n = sql.size();
        for (std::size_t i = 0; i < n;) {
            const char c = sql[i];
            if (c == '\'' || c == '"') {
                const std::size_t end = sql.find(c, i + 1);
                const std::size_t stop = end == std::string::npos ? n : end + 1;
                text.append(sql, i, stop - i);
                i = stop;
            } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
                const std::size_t end = sql.find('\n', i);
                const std::size_t stop = end == std::string::npos ? n : end;
                text.append(sql, i, stop - i);
                i = stop;
            } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
                const std::size_t end = sql.find("*/", i + 2);
                const std::size_t stop = end == std::string::npos ? n : end + 2;
                text.append(sql, i, stop - i);
                i = stop;
            } else if (c == ':' && i + 1 < n && IdentStart(sql[i + 1])) {
                std::size_t j = i + 1;
                while (j < n && IdentChar(sql[j])) ++j;
                const std::string name = sql.substr(i + 1, j - i - 1);
                const std::string key = AsciiUpper(name);
                std::size_t idx = 0;
                while (idx < names.size() && names[idx] != key) ++idx;
                if (idx == names.size()) {
                    names.push_back(key);
                    namesAsWritten.push_back(name);
                }
                positionName.push_back(idx);
                text += '?';
                i = j;
            } else {
                text += c;
                ++i;
            }
        }
        values.assign(names.size(), Value{});
        positional = Utf8ToCp932(text);
    }
};

// ---- Statement

Statement::Statement(Connection& db, Transaction* tr)
    : db_(&db)
    , tr_(tr ? tr : db.DefaultTransaction())
    , d_(std::make_unique<Impl>())
{
    db_->Register(this);
}

Statement::~Statement()
{
    try {
        Release();
    } catch (...) {
    }
    if (db_) db_->Unregister(this);
}

void Statement::Forget()
{
    handle_ = 0;
    cursorOpen_ = false;
    db_ = nullptr;
}

void Statement::Release()
{
    if (handle_ && db_ && db_->Connected()) {
        ISC_STATUS_ARRAY st;
        isc_dsql_free_statement(st, &handle_, DSQL_drop);
    }
    handle_ = 0;
    cursorOpen_ = false;
    eof_ = true;
}

void Statement::SetTransaction(Transaction* tr)
{
    Close();
    tr_ = tr;
}

void Statement::SetSQL(std::string sqlUtf8)
{
    if (sqlUtf8 == sql_ && !d_->positional.empty()) return;
    Release();
    sql_ = std::move(sqlUtf8);
    d_->Parse(sql_);
    type_ = Type::Unknown;
}

void Statement::Prepare()
{
    if (Prepared()) return;
    if (!db_ || !db_->Connected()) Fail("database is not connected", "Statement::Prepare");
    if (!tr_ || !tr_->InTransaction()) Fail("transaction is not active", "Statement::Prepare");
    if (sql_.empty()) Fail("SQL text is empty", "Statement::Prepare");
    ISC_STATUS_ARRAY st;
    isc_dsql_allocate_statement(st, db_->Handle(), &handle_);
    Check(st, "Statement::Prepare");
    Impl& d = *d_;
    d.out.resize(1);
    isc_dsql_prepare(st, tr_->Handle(), &handle_, 0, d.positional.c_str(), static_cast<unsigned short>(db_->SQLDialect()), d.out.get());
    if (st[0] == 1 && st[1]) {
        FbError e = MakeError(st, "Statement::Prepare");
        Release();
        throw e;
    }
    try {
        if (d.out.get()->sqld > d.out.get()->sqln) {
            const int n = d.out.get()->sqld;
            d.out.resize(n);
            isc_dsql_describe(st, &handle_, 1, d.out.get());
            Check(st, "Statement::Prepare");
        }
        d.in.resize(static_cast<int>(d.positionName.size()));
        isc_dsql_describe_bind(st, &handle_, 1, d.in.get());
        Check(st, "Statement::Prepare");
        if (d.in.get()->sqld != static_cast<short>(d.positionName.size()))
            Fail("parameter markers other than :NAME are not supported", "Statement::Prepare");

        // Statement type.
        const char item = isc_info_sql_stmt_type;
        char buf[16] = {};
        isc_dsql_sql_info(st, &handle_, 1, &item, sizeof buf, buf);
        Check(st, "Statement::Prepare");
        int t = 0;
        if (buf[0] == isc_info_sql_stmt_type) {
            const int len = isc_vax_integer(buf + 1, 2);
            t = isc_vax_integer(buf + 3, static_cast<short>(len));
        }
        switch (t) {
        case isc_info_sql_stmt_select: type_ = Type::Select; break;
        case isc_info_sql_stmt_select_for_upd: type_ = Type::SelectForUpdate; break;
        case isc_info_sql_stmt_insert: type_ = Type::Insert; break;
        case isc_info_sql_stmt_update: type_ = Type::Update; break;
        case isc_info_sql_stmt_delete: type_ = Type::Delete; break;
        case isc_info_sql_stmt_ddl: type_ = Type::Ddl; break;
        case isc_info_sql_stmt_exec_procedure: type_ = Type::ExecProcedure; break;
        default: type_ = Type::Other; break;
        }

        // Output buffers; every column gets a null indicator.
        XSQLDA* out = d.out.get();
        const int nOut = out->sqld;
        d.outBuf.assign(nOut, {});
        d.outNull.assign(nOut, 0);
        d.fieldNames.clear();
        d.fieldKeys.clear();
        for (int i = 0; i < nOut; ++i) {
            XSQLVAR& v = out->sqlvar[i];
            const int base = v.sqltype & ~1;
            std::size_t size = v.sqllen;
            if (base == SQL_VARYING) size += 2;
            d.outBuf[i].assign(size + 1, 0);
            v.sqldata = d.outBuf[i].data();
            v.sqltype = static_cast<short>(base | 1);
            v.sqlind = &d.outNull[i];
            std::string name(v.aliasname, v.aliasname_length);
            if (name.empty()) name.assign(v.sqlname, v.sqlname_length);
            d.fieldNames.push_back(Cp932ToUtf8(name));
            d.fieldKeys.push_back(AsciiUpper(d.fieldNames.back()));
        }
        XSQLDA* in = d.in.get();
        d.inDescribed.assign(in->sqlvar, in->sqlvar + in->sqld);
    } catch (...) {
        Release();
        throw;
    }
}

Param Statement::ParamByName(std::string_view name)
{
    const std::string key = AsciiUpper(name);
    for (std::size_t i = 0; i < d_->names.size(); ++i)
        if (d_->names[i] == key) return Param(this, i);
    Fail("parameter not found: " + std::string(name), "Statement::ParamByName");
}

bool Statement::HasParam(std::string_view name) const
{
    const std::string key = AsciiUpper(name);
    for (const auto& n : d_->names)
        if (n == key) return true;
    return false;
}

std::vector<std::string> Statement::ParamNames() const { return d_->namesAsWritten; }

void Statement::ClearParams() { d_->values.assign(d_->names.size(), Value{}); }

namespace {

ISC_QUAD WriteBlob(Connection& db, Transaction& tr, const std::string& bytes)
{
    ISC_STATUS_ARRAY st;
    isc_blob_handle blob = 0;
    ISC_QUAD id{};
    isc_create_blob2(st, db.Handle(), tr.Handle(), &blob, &id, 0, nullptr);
    Check(st, "Statement::ExecQuery(blob)");
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t n = std::min<std::size_t>(32000, bytes.size() - pos);
        isc_put_segment(st, &blob, static_cast<unsigned short>(n), bytes.data() + pos);
        if (st[0] == 1 && st[1]) {
            FbError e = MakeError(st, "Statement::ExecQuery(blob)");
            ISC_STATUS_ARRAY st2;
            isc_cancel_blob(st2, &blob);
            throw e;
        }
        pos += n;
    }
    isc_close_blob(st, &blob);
    Check(st, "Statement::ExecQuery(blob)");
    return id;
}

bool IsTextType(int base) { return base == SQL_TEXT || base == SQL_VARYING; }

} // namespace

void Statement::ExecQuery()
{
    if (!Prepared()) Prepare();
    if (!tr_ || !tr_->InTransaction()) Fail("transaction is not active", "Statement::ExecQuery");
    if (cursorOpen_) Close();
    Impl& d = *d_;
    XSQLDA* in = d.in.get();
    const std::size_t nIn = d.positionName.size();
    d.inBuf.assign(nIn, {});
    d.inNull.assign(nIn, 0);
    for (std::size_t i = 0; i < nIn; ++i) {
        XSQLVAR& v = in->sqlvar[i];
        const XSQLVAR& described = d.inDescribed[i];
        const int dbase = described.sqltype & ~1;
        v = described;
        std::string& buf = d.inBuf[i];
        const Value& val = d.values[d.positionName[i]];
        auto setType = [&](int type, std::size_t len, int scale = 0, int subtype = 0) {
            v.sqltype = static_cast<short>(type | 1);
            v.sqllen = static_cast<short>(len);
            v.sqlscale = static_cast<short>(scale);
            v.sqlsubtype = static_cast<short>(subtype);
        };
        auto putInt64 = [&](std::int64_t x, int scale) {
            buf.assign(reinterpret_cast<const char*>(&x), sizeof x);
            setType(SQL_INT64, 8, scale);
        };
        auto putText = [&](std::string bytes, int charset) {
            if (bytes.size() > 32767) Fail("text parameter too long", "Statement::ExecQuery");
            buf = std::move(bytes);
            setType(SQL_TEXT, buf.size(), 0, charset);
        };
        auto putBlob = [&](const std::string& bytes) {
            const ISC_QUAD id = WriteBlob(*db_, *tr_, bytes);
            buf.assign(reinterpret_cast<const char*>(&id), sizeof id);
            v.sqltype = static_cast<short>(SQL_BLOB | 1);
            v.sqllen = sizeof(ISC_QUAD);
        };
        const int textCharset = IsTextType(dbase) ? (described.sqlsubtype & 0xFF) : kCharsetNone;
        std::visit([&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                buf.assign(std::max<int>(described.sqllen, 8) + 2, '\0');
                v.sqltype = static_cast<short>(dbase | 1);
                d.inNull[i] = -1;
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                putInt64(x, 0);
            } else if constexpr (std::is_same_v<T, bool>) {
                if (dbase == SQL_BOOLEAN) {
                    buf.assign(1, x ? '\1' : '\0');
                    setType(SQL_BOOLEAN, 1);
                } else {
                    putInt64(x ? 1 : 0, 0);
                }
            } else if constexpr (std::is_same_v<T, Currency>) {
                putInt64(x.Raw(), -4);
            } else if constexpr (std::is_same_v<T, double>) {
                buf.assign(reinterpret_cast<const char*>(&x), sizeof x);
                setType(SQL_DOUBLE, 8);
            } else if constexpr (std::is_same_v<T, Date>) {
                const ISC_DATE dt = static_cast<ISC_DATE>(x.SysDays().time_since_epoch().count() - kIscDateToSysDays);
                buf.assign(reinterpret_cast<const char*>(&dt), sizeof dt);
                setType(SQL_TYPE_DATE, sizeof dt);
            } else if constexpr (std::is_same_v<T, DateTime>) {
                ISC_TIMESTAMP ts;
                ts.timestamp_date = static_cast<ISC_DATE>(x.GetDate().SysDays().time_since_epoch().count() - kIscDateToSysDays);
                ts.timestamp_time = static_cast<ISC_TIME>(x.MSecsOfDay()) * 10;
                buf.assign(reinterpret_cast<const char*>(&ts), sizeof ts);
                setType(SQL_TIMESTAMP, sizeof ts);
            } else if constexpr (std::is_same_v<T, std::string>) {
                if (dbase == SQL_BLOB) {
                    const bool binary = described.sqlsubtype != 1 || described.sqlscale == kCharsetOctets;
                    putBlob(binary ? x : Utf8ToCp932(x));
                } else {
                    putText(textCharset == kCharsetOctets ? x : Utf8ToCp932(x), textCharset);
                }
            } else if constexpr (std::is_same_v<T, Bytes>) {
                if (dbase == SQL_BLOB) putBlob(x.data);
                else putText(x.data, IsTextType(dbase) ? textCharset : kCharsetOctets);
            }
        }, val);
        v.sqldata = buf.data();
        v.sqlind = &d.inNull[i];
    }

    ISC_STATUS_ARRAY st;
    const unsigned short dialect = static_cast<unsigned short>(db_->SQLDialect());
    XSQLDA* inArg = nIn ? in : nullptr;
    if (type_ == Type::ExecProcedure) {
        XSQLDA* out = d.out.get()->sqld ? d.out.get() : nullptr;
        isc_dsql_execute2(st, tr_->Handle(), &handle_, dialect, inArg, out);
        Check(st, "Statement::ExecQuery");
        eof_ = out == nullptr;
    } else {
        isc_dsql_execute(st, tr_->Handle(), &handle_, dialect, inArg);
        Check(st, "Statement::ExecQuery");
        if (type_ == Type::Select || type_ == Type::SelectForUpdate) {
            cursorOpen_ = true;
            eof_ = false;
            Next();
        } else {
            eof_ = true;
        }
    }
}

bool Statement::Next()
{
    if (!cursorOpen_) {
        eof_ = true;
        return false;
    }
    ISC_STATUS_ARRAY st;
    const ISC_STATUS r = isc_dsql_fetch(st, &handle_, static_cast<unsigned short>(db_->SQLDialect()), d_->out.get());
    if (r == 100) {
        Close();
        eof_ = true;
        return false;
    }
    if (st[0] == 1 && st[1]) {
        FbError e = MakeError(st, "Statement::Next");
        Close();
        eof_ = true;
        throw e;
    }
    eof_ = false;
    return true;
}

void Statement::Close()
{
    if (cursorOpen_ && handle_ && db_ && db_->Connected()) {
        ISC_STATUS_ARRAY st;
        // The cursor is already closed when its transaction ended; that is not an error here.
        isc_dsql_free_statement(st, &handle_, DSQL_close);
    }
    cursorOpen_ = false;
    eof_ = true;
}

std::int64_t Statement::RowsAffected() const
{
    if (!handle_) return 0;
    ISC_STATUS_ARRAY st;
    const char item = isc_info_sql_records;
    char buf[64] = {};
    unsigned int h = handle_;
    isc_dsql_sql_info(st, &h, 1, &item, sizeof buf, buf);
    Check(st, "Statement::RowsAffected");
    if (buf[0] != isc_info_sql_records) return 0;
    std::int64_t total = 0;
    const char* p = buf + 3;
    const char* end = buf + sizeof buf;
    while (p < end && *p != isc_info_end) {
        const char code = *p++;
        const short len = static_cast<short>(isc_vax_integer(p, 2));
        p += 2;
        const std::int64_t count = isc_vax_integer(p, len);
        p += len;
        if (code == isc_info_req_insert_count || code == isc_info_req_update_count || code == isc_info_req_delete_count)
            total += count;
    }
    return total;
}

std::size_t Statement::FieldIndex(std::string_view name, const char* origin) const
{
    if (!Prepared()) Fail("statement is not prepared", origin);
    const std::string key = AsciiUpper(name);
    for (std::size_t i = 0; i < d_->fieldKeys.size(); ++i)
        if (d_->fieldKeys[i] == key) return i;
    Fail("field not found: " + std::string(name), origin);
}

Field Statement::FieldByName(std::string_view name) const { return Field(this, FieldIndex(name, "Statement::FieldByName")); }

bool Statement::HasField(std::string_view name) const
{
    const std::string key = AsciiUpper(name);
    for (const auto& k : d_->fieldKeys)
        if (k == key) return true;
    return false;
}

std::size_t Statement::FieldCount() const { return d_->fieldKeys.size(); }

Field Statement::FieldAt(std::size_t index) const
{
    if (index >= FieldCount()) Fail("field index out of range", "Statement::FieldAt");
    return Field(this, index);
}

// ---- Param

const std::string& Param::Name() const { return s_->d_->namesAsWritten[i_]; }
void Param::SetNull() { s_->d_->values[i_] = std::monostate{}; }
void Param::SetInteger(std::int32_t v) { s_->d_->values[i_] = static_cast<std::int64_t>(v); }
void Param::SetInt64(std::int64_t v) { s_->d_->values[i_] = v; }
void Param::SetCurrency(Currency v) { s_->d_->values[i_] = v; }
void Param::SetDouble(double v) { s_->d_->values[i_] = v; }
void Param::SetDate(Date v)
{
    if (v.IsNull()) SetNull();
    else s_->d_->values[i_] = v;
}
void Param::SetDateTime(DateTime v)
{
    if (v.IsNull()) SetNull();
    else s_->d_->values[i_] = v;
}
void Param::SetString(std::string utf8) { s_->d_->values[i_] = std::move(utf8); }
void Param::SetBytes(std::string bytes) { s_->d_->values[i_] = Bytes{std::move(bytes)}; }
void Param::SetBoolean(bool v) { s_->d_->values[i_] = v; }

// ---- Field

namespace {

struct Raw {
    const XSQLVAR* v;
    int base;
    bool null;
};

bool ReadScaled(const XSQLVAR& v, int base, std::int64_t& raw)
{
    switch (base) {
    case SQL_SHORT: { std::int16_t x; std::memcpy(&x, v.sqldata, 2); raw = x; return true; }
    case SQL_LONG: { std::int32_t x; std::memcpy(&x, v.sqldata, 4); raw = x; return true; }
    case SQL_INT64: { std::int64_t x; std::memcpy(&x, v.sqldata, 8); raw = x; return true; }
    default: return false;
    }
}

bool ReadDouble(const XSQLVAR& v, int base, double& out)
{
    if (base == SQL_DOUBLE || base == SQL_D_FLOAT) { std::memcpy(&out, v.sqldata, 8); return true; }
    if (base == SQL_FLOAT) { float f; std::memcpy(&f, v.sqldata, 4); out = f; return true; }
    return false;
}

Date FromIscDate(ISC_DATE d) { return Date::FromSysDays(std::chrono::sys_days(std::chrono::days(d + kIscDateToSysDays))); }

DateTime FromIscTimestamp(const ISC_TIMESTAMP& ts)
{
    const int ms = static_cast<int>(ts.timestamp_time / 10);
    return DateTime(FromIscDate(ts.timestamp_date), ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
}

std::string ScaledToString(std::int64_t raw, int scale)
{
    if (scale >= 0) return std::to_string(raw * Pow10(scale));
    const std::int64_t p = Pow10(-scale);
    const bool neg = raw < 0;
    const unsigned long long a = neg ? 0ULL - static_cast<unsigned long long>(raw) : static_cast<unsigned long long>(raw);
    std::string frac = std::to_string(a % static_cast<unsigned long long>(p));
    frac.insert(0, static_cast<std::size_t>(-scale) - frac.size(), '0');
    return (neg ? "-" : "") + std::to_string(a / static_cast<unsigned long long>(p)) + "." + frac;
}

} // namespace

bool Field::IsNull() const
{
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    if (s_->eof_) return true;
    return v.sqlind && *v.sqlind == -1;
}

const std::string& Field::Name() const { return s_->d_->fieldNames[i_]; }

std::string Field::AsBytes() const
{
    if (IsNull()) return {};
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    if (base == SQL_TEXT) return std::string(v.sqldata, v.sqllen);
    if (base == SQL_VARYING) {
        std::uint16_t len;
        std::memcpy(&len, v.sqldata, 2);
        return std::string(v.sqldata + 2, len);
    }
    if (base == SQL_BLOB) {
        if (!s_->tr_ || !s_->tr_->InTransaction()) Fail("transaction is not active", "Field::AsBytes");
        ISC_QUAD id;
        std::memcpy(&id, v.sqldata, sizeof id);
        ISC_STATUS_ARRAY st;
        isc_blob_handle blob = 0;
        isc_open_blob2(st, s_->db_->Handle(), s_->tr_->Handle(), &blob, &id, 0, nullptr);
        Check(st, "Field::AsBytes");
        std::string data;
        char buf[32768];
        for (;;) {
            unsigned short got = 0;
            isc_get_segment(st, &blob, &got, sizeof buf, buf);
            if (st[0] == 1 && st[1] == isc_segstr_eof) break;
            if (st[0] == 1 && st[1] && st[1] != isc_segment) {
                FbError e = MakeError(st, "Field::AsBytes");
                ISC_STATUS_ARRAY st2;
                isc_close_blob(st2, &blob);
                throw e;
            }
            data.append(buf, got);
        }
        isc_close_blob(st, &blob);
        return data;
    }
    return AsString();
}

std::string Field::AsString() const
{
    if (IsNull()) return {};
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    std::int64_t raw;
    double dbl;
    if (base == SQL_TEXT || base == SQL_VARYING) {
        std::string bytes = AsBytes();
        if ((v.sqlsubtype & 0xFF) == kCharsetOctets) return bytes;
        // CHAR columns come padded to their byte width; the padding is not part of the value.
        if (base == SQL_TEXT) bytes.erase(bytes.find_last_not_of(' ') + 1);
        return Cp932ToUtf8(bytes);
    }
    if (base == SQL_BLOB) {
        std::string bytes = AsBytes();
        const bool text = v.sqlsubtype == 1 && v.sqlscale != kCharsetOctets;
        return text ? Cp932ToUtf8(bytes) : bytes;
    }
    if (ReadScaled(v, base, raw)) return ScaledToString(raw, v.sqlscale);
    if (ReadDouble(v, base, dbl)) {
        char b[64];
        std::snprintf(b, sizeof b, "%.15g", dbl);
        return b;
    }
    if (base == SQL_TYPE_DATE) return AsDate().ToString();
    if (base == SQL_TIMESTAMP) return AsDateTime().ToString();
    if (base == SQL_TYPE_TIME) {
        ISC_TIME t;
        std::memcpy(&t, v.sqldata, sizeof t);
        return DateTime(Date(2000, 1, 1), 0, 0, 0, static_cast<int>(t / 10)).TimeString();
    }
    if (base == SQL_BOOLEAN) return *v.sqldata ? "TRUE" : "FALSE";
    Fail("unsupported column type", "Field::AsString");
}

std::int64_t Field::AsInt64() const
{
    if (IsNull()) return 0;
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    std::int64_t raw;
    double dbl;
    if (ReadScaled(v, base, raw)) return v.sqlscale >= 0 ? raw * Pow10(v.sqlscale) : raw / Pow10(-v.sqlscale);
    if (ReadDouble(v, base, dbl)) return static_cast<std::int64_t>(std::trunc(dbl));
    if (base == SQL_BOOLEAN) return *v.sqldata ? 1 : 0;
    if (base == SQL_TEXT || base == SQL_VARYING) {
        const std::string s = AsString();
        try {
            std::size_t pos = 0;
            const long long r = std::stoll(s, &pos);
            if (s.find_first_not_of(' ', pos) == std::string::npos) return r;
        } catch (...) {
        }
        Fail("not an integer: " + s, "Field::AsInt64");
    }
    Fail("column is not a number", "Field::AsInt64");
}

std::int32_t Field::AsInteger() const
{
    const std::int64_t r = AsInt64();
    if (r < INT32_MIN || r > INT32_MAX) Fail("integer overflow", "Field::AsInteger");
    return static_cast<std::int32_t>(r);
}

Currency Field::AsCurrency() const
{
    if (IsNull()) return {};
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    std::int64_t raw;
    double dbl;
    if (ReadScaled(v, base, raw)) {
        const int s = v.sqlscale;
        if (s >= -4) return Currency::FromRaw(raw * Pow10(s + 4));
        return Currency::FromRaw(DivRound(raw, Pow10(-4 - s), RoundMode::HalfAwayFromZero));
    }
    if (ReadDouble(v, base, dbl)) return Currency::FromDouble(dbl);
    if (base == SQL_TEXT || base == SQL_VARYING) {
        const std::string s = AsString();
        if (auto c = Currency::Parse(s)) return *c;
        Fail("not an amount: " + s, "Field::AsCurrency");
    }
    Fail("column is not a number", "Field::AsCurrency");
}

double Field::AsDouble() const
{
    if (IsNull()) return 0;
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    std::int64_t raw;
    double dbl;
    if (ReadScaled(v, base, raw)) return v.sqlscale >= 0 ? static_cast<double>(raw) * static_cast<double>(Pow10(v.sqlscale))
                                                        : static_cast<double>(raw) / static_cast<double>(Pow10(-v.sqlscale));
    if (ReadDouble(v, base, dbl)) return dbl;
    if (base == SQL_TYPE_DATE || base == SQL_TIMESTAMP) {
        const DateTime dt = AsDateTime();
        return dt.GetDate().Serial() + dt.MSecsOfDay() / 86400000.0;
    }
    if (base == SQL_TEXT || base == SQL_VARYING) {
        const std::string s = AsString();
        try {
            return std::stod(s);
        } catch (...) {
            Fail("not a number: " + s, "Field::AsDouble");
        }
    }
    Fail("column is not a number", "Field::AsDouble");
}

DateTime Field::AsDateTime() const
{
    if (IsNull()) return {};
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    if (base == SQL_TIMESTAMP) {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, v.sqldata, sizeof ts);
        return FromIscTimestamp(ts);
    }
    if (base == SQL_TYPE_DATE) {
        ISC_DATE d;
        std::memcpy(&d, v.sqldata, sizeof d);
        return DateTime(FromIscDate(d));
    }
    if (base == SQL_TEXT || base == SQL_VARYING) {
        const std::string s = AsString();
        if (s.empty()) return {};
        if (auto dt = DateTime::Parse(s)) return *dt;
        Fail("not a date: " + s, "Field::AsDateTime");
    }
    Fail("column is not a date", "Field::AsDateTime");
}

Date Field::AsDate() const { return AsDateTime().GetDate(); }

bool Field::AsBoolean() const
{
    if (IsNull()) return false;
    const XSQLVAR& v = s_->d_->out.get()->sqlvar[i_];
    const int base = v.sqltype & ~1;
    if (base == SQL_BOOLEAN) return *v.sqldata != 0;
    if (base == SQL_TEXT || base == SQL_VARYING) {
        const std::string s = AsciiUpper(AsString());
        return s == "TRUE" || s == "T" || s == "1" || s == "Y" || s == "YES";
    }
    return AsInt64() != 0;
}

} // namespace kb::fb
