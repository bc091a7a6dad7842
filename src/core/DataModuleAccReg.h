#pragma once
// DataModuleAccReg: the query factories of the data module and the typed settings stores of a
// data set's database: ACCREG (named settings, text-encoded by a type name), ACCREG_BLOB_BINARY
// (pictures and memo texts) and MSD_HOUKOKU (values of the medical-corporation report).
//
// Reading a missing setting inserts the caller's default, so every setting ever read is stored.
//
// Transactions: the ACCREG and blob stores work in the data transaction IBTransactionDAT. They
// start it when it is not active and commit what they started; inside a caller's transaction
// they join it and leave it open. On an error they roll back only what they started and throw
// the error on (FbError for the database, std::exception otherwise); they never report errors
// themselves. GetMsdHoukoku differs: see there.
//
// These are routines of the data module: each takes the TDM whose connections it uses
// (normally *DM).

#include "core/DataModule.h"
#include "platform/Currency.h"
#include "platform/Date.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace kb {

// Type names of the stores and of SYSREG.
inline constexpr const char* kRegText = "文字";
inline constexpr const char* kRegBool = "論理";
inline constexpr const char* kRegDate = "日付";
inline constexpr const char* kRegInteger = "整数";
inline constexpr const char* kRegCurrency = "金額";
inline constexpr const char* kRegFloat = "実数";
inline constexpr const char* kRegDateTime = "日時";
// What a value of an unknown type name reads as.
inline constexpr const char* kRegDataTypeError = "Data Type Error";

// Blob kinds of ACCREG_BLOB_BINARY.
inline constexpr const char* kBlobPicture = "画像"; // stored as a BMP picture
inline constexpr const char* kBlobBmp = "BMP";
inline constexpr const char* kBlobJpg = "JPG";
inline constexpr const char* kBlobMemo = "メモ";

// A typed setting value (the variant the stores answer with).
using TRegValue = std::variant<std::string, bool, Date, std::int32_t, Currency, double, DateTime>;

// Loose conversions of a value for callers that know what they asked for; a value of another
// kind converts the way its text would (a "Data Type Error" text gives 0, false, a null date).
std::string RegAsString(const TRegValue& v);
std::int32_t RegAsInteger(const TRegValue& v);
bool RegAsBool(const TRegValue& v);
Date RegAsDate(const TRegValue& v);
Currency RegAsCurrency(const TRegValue& v);
double RegAsDouble(const TRegValue& v);
DateTime RegAsDateTime(const TRegValue& v);

// Which type names a store knows: ACCREG all seven; MSD_HOUKOKU and SYSREG the first five.
enum class TRegTypeSet { AccReg, Basic };
// How "論理" reads: ACCREG upper-cases the text first; SYSREG takes exactly "TRUE".
enum class TRegBoolRule { IgnoreCase, Exact };

// The value a stored text stands for under typeName (an empty text reads as one blank first).
TRegValue RegTextToValue(const std::string& typeName, const std::string& text, TRegTypeSet types,
                         TRegBoolRule boolRule);
// The stored text of a value under typeName; nullopt for a type name outside the set (the row's
// text is then written as NULL). A value that cannot take the type throws std::invalid_argument.
std::optional<std::string> RegValueToText(const std::string& typeName, const TRegValue& value, TRegTypeSet types);

// True when the upper-cased text equals "TRUE".
bool StrToBool2(const std::string& text);

// ---- query factories
// A new statement on the system database ("ACCDEF") or on the data database (every other name;
// callers say "ACCDAT"); snapshot puts a data-database statement on IBTransactionDATSS. nullptr
// when it cannot be made. The caller fills the SQL, runs it and drops it.
std::unique_ptr<fb::Statement> CreateIBQuery(TDM& dm, const std::string& databaseName, bool snapshot = false);
std::unique_ptr<fb::Statement> CreateIBSQL(TDM& dm, const std::string& databaseName, bool snapshot = false);

// ---- ACCREG
TRegValue GetAccReg(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
                    const std::string& defaultText);
void PutAccReg(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
               const TRegValue& value);
void DeleteAccReg(TDM& dm, const std::string& group, const std::string& code);
// The same on a connection and transaction of the caller's (a data set other than the open one).
TRegValue GetAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code,
                    const std::string& typeName, const std::string& defaultText);
void PutAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code,
               const std::string& typeName, const TRegValue& value);
void DeleteAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code);

// ---- ACCREG_BLOB_BINARY
// A picture is written to a new file of its own (unique name, private temporary folder) and
// result becomes its path; the caller owns the file. A memo gives its text, every line ended by
// "\r\n". result is unchanged when there is no row or the kind is not known; true when it was set.
bool GetAccRegBlob(TDM& dm, const std::string& group, const std::string& key, std::string& result);
// value is a file path for the picture kinds and the text for "メモ"; another kind stores NULL.
void PutAccRegBlob(TDM& dm, const std::string& group, const std::string& key, const std::string& kind,
                   const std::string& value);
// The private folder the pictures are written to (created with mode 0700 when missing):
// SystemDef.TempDir when it is set, else a per-user folder under the system temporary folder.
std::string AccRegBlobTempDir();

// ---- MSD_HOUKOKU
// Like GetAccReg over MDGROUP/MDCODE/MDTYPE/MDTEXT1, with the five basic types. Unlike the other
// stores it ends the data transaction whatever started it: it commits at the end (on an error it
// rolls back) whenever a transaction is active, also a caller's. Callers of the medical report
// rely on that; do not call it inside a transaction whose work must stay open.
TRegValue GetMsdHoukoku(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
                        const std::string& defaultText);

// "法人概要": 財団社団 = "財団", or 医療法人 = "社会" or "特定".
bool GetHoujinGaiyouZaidan(TDM& dm);
// "法人概要" 基金 (default "無") = "有".
bool GetHoujinGaiyouKikin(TDM& dm);

} // namespace kb
