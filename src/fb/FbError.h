#pragma once
// The one exception type of the database layer. It carries what the error reporter needs:
// the Firebird status code (the first error code of the status vector, as the client library's
// error class of the original reported it), the SQL code, the server's message (UTF-8; lines
// separated by "\n") and where the call failed ("Transaction::Commit").

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kb {

class FbError : public std::runtime_error {
public:
    FbError(std::int32_t iscCode, std::int32_t sqlCode, std::string message, std::string origin);

    std::int32_t IBErrorCode() const { return iscCode_; }
    std::int32_t SQLCode() const { return sqlCode_; }
    const std::string& Message() const { return message_; }
    const std::string& Origin() const { return origin_; }

private:
    std::int32_t iscCode_;
    std::int32_t sqlCode_;
    std::string message_;
    std::string origin_;
};

// Well-known status codes.
namespace isc {
inline constexpr std::int32_t io_error = 335544344;        // file could not be opened/read
inline constexpr std::int32_t bad_db_format = 335544323;
inline constexpr std::int32_t lock_conflict = 335544345;
inline constexpr std::int32_t deadlock = 335544336;         // also: update conflicts with a concurrent update
inline constexpr std::int32_t network_error = 335544721;   // connection lost
inline constexpr std::int32_t bug_check = 335544333;       // internal consistency check
inline constexpr std::int32_t unique_key_violation = 335544665;
inline constexpr std::int32_t no_dup = 335544349;
inline constexpr std::int32_t conversion_error = 335544334;
inline constexpr std::int32_t dsql_error = 335544569;
inline constexpr std::int32_t login = 335544472;

// The codes by which the engine says the file itself is damaged (a page of the wrong type, a bad
// checksum, a failed consistency check, a lost header), as opposed to locks, logins or networks.
inline bool IsCorruption(std::int32_t code)
{
    switch (code) {
    case bug_check:
    case 335544335: // database file appears corrupt
    case 335544405: // page is of wrong type
    case 335544649: // bad checksum
    case 335544650: // page type mismatch
    case bad_db_format:
        return true;
    default:
        return false;
    }
}
} // namespace isc

} // namespace kb
