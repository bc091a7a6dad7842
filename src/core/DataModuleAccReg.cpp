#include "core/DataModuleAccReg.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5DateVersion.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kb {
namespace {

namespace fs = std::filesystem;

std::int32_t ParseInt(std::string_view text)
{
    std::string t = TrimBlanks(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    std::int32_t v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || p != t.data() + t.size()) return 0;
    return v;
}

double ParseDouble(std::string_view text)
{
    std::string t = TrimBlanks(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    double v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || p != t.data() + t.size()) return 0;
    return v;
}

std::string DoubleText(double v)
{
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

bool IsBasicType(const std::string& t)
{
    return t == kRegText || t == kRegBool || t == kRegDate || t == kRegInteger || t == kRegCurrency;
}

bool IsKnownType(const std::string& t, TRegTypeSet types)
{
    return IsBasicType(t) || (types == TRegTypeSet::AccReg && (t == kRegFloat || t == kRegDateTime));
}

// Lines as the component library's string list splits them (CR, LF or CR LF end a line).
std::string JoinLinesCrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("ファイルを開けません: " + path);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("ファイルを読めません: " + path);
    return data;
}

// A new file with a unique name in the private folder; the bytes are written and the path given.
std::string WriteUniqueFile(const std::string& folder, const std::string& ext, const std::string& bytes)
{
    std::string pattern = (fs::path(folder) / ("accreg-" + FormatDatePattern("yyyymmddhhnnss", DateTime::Now()) + "-XXXXXX" + ext)).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(ext.size()));
    if (fd < 0) throw std::runtime_error("一時ファイルを作成できません: " + folder);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(name.data());
            throw std::runtime_error("一時ファイルに書き込めません: " + std::string(name.data()));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        ::unlink(name.data());
        throw std::runtime_error("一時ファイルに書き込めません: " + std::string(name.data()));
    }
    return std::string(name.data());
}

fb::Statement DataStatement(TDM& dm) { return fb::Statement(dm.IBDatabaseDAT, &dm.IBTransactionDAT); }

} // namespace

// ---- conversions

std::string RegAsString(const TRegValue& v)
{
    struct V {
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(bool b) const { return b ? "TRUE" : "FALSE"; }
        std::string operator()(const Date& d) const { return d.ToString(); }
        std::string operator()(std::int32_t i) const { return std::to_string(i); }
        std::string operator()(const Currency& c) const { return c.ToString(); }
        std::string operator()(double d) const { return DoubleText(d); }
        std::string operator()(const DateTime& t) const { return t.IsNull() ? std::string() : t.ToString(); }
    };
    return std::visit(V{}, v);
}

std::int32_t RegAsInteger(const TRegValue& v)
{
    if (auto p = std::get_if<std::int32_t>(&v)) return *p;
    if (auto p = std::get_if<bool>(&v)) return *p ? 1 : 0;
    if (auto p = std::get_if<Currency>(&v)) return static_cast<std::int32_t>(p->ToYen(RoundMode::HalfEven));
    if (auto p = std::get_if<double>(&v)) return static_cast<std::int32_t>(RoundToInt(*p));
    if (auto p = std::get_if<std::string>(&v)) return ParseInt(*p);
    return 0;
}

bool RegAsBool(const TRegValue& v)
{
    if (auto p = std::get_if<bool>(&v)) return *p;
    if (auto p = std::get_if<std::int32_t>(&v)) return *p != 0;
    if (auto p = std::get_if<std::string>(&v)) return StrToBool2(*p);
    return false;
}

Date RegAsDate(const TRegValue& v)
{
    if (auto p = std::get_if<Date>(&v)) return *p;
    if (auto p = std::get_if<DateTime>(&v)) return p->GetDate();
    if (auto p = std::get_if<std::string>(&v)) return StrToDate0(TrimBlanks(*p));
    return {};
}

Currency RegAsCurrency(const TRegValue& v)
{
    if (auto p = std::get_if<Currency>(&v)) return *p;
    if (auto p = std::get_if<std::int32_t>(&v)) return Currency::FromYen(*p);
    if (auto p = std::get_if<double>(&v)) return Currency::FromDouble(*p);
    if (auto p = std::get_if<std::string>(&v)) return StrToCurr0(TrimBlanks(*p));
    return {};
}

double RegAsDouble(const TRegValue& v)
{
    if (auto p = std::get_if<double>(&v)) return *p;
    if (auto p = std::get_if<std::int32_t>(&v)) return *p;
    if (auto p = std::get_if<Currency>(&v)) return p->ToDouble();
    if (auto p = std::get_if<std::string>(&v)) return ParseDouble(*p);
    return 0;
}

DateTime RegAsDateTime(const TRegValue& v)
{
    if (auto p = std::get_if<DateTime>(&v)) return *p;
    if (auto p = std::get_if<Date>(&v)) return p->IsNull() ? DateTime() : DateTime(*p);
    if (auto p = std::get_if<std::string>(&v)) return StrToDateTimeSafe(TrimBlanks(*p));
    return {};
}

bool StrToBool2(const std::string& text) { return AsciiUpper(text) == "TRUE"; }

TRegValue RegTextToValue(const std::string& typeName, const std::string& stored, TRegTypeSet types, TRegBoolRule boolRule)
{
    const std::string text = stored.empty() ? std::string(" ") : stored;
    if (!IsKnownType(typeName, types)) return std::string(kRegDataTypeError);
    if (typeName == kRegText) return text;
    if (typeName == kRegBool) return boolRule == TRegBoolRule::Exact ? text == "TRUE" : StrToBool2(text);
    if (typeName == kRegDate) return StrToDate0(TrimBlanks(text));
    if (typeName == kRegInteger) return ParseInt(text);
    if (typeName == kRegCurrency) return StrToCurr0(TrimBlanks(text));
    if (typeName == kRegFloat) return ParseDouble(text);
    return StrToDateTimeSafe(TrimBlanks(text)); // 日時
}

std::optional<std::string> RegValueToText(const std::string& typeName, const TRegValue& value, TRegTypeSet types)
{
    if (!IsKnownType(typeName, types)) return std::nullopt;
    auto refuse = [&]() -> std::string {
        throw std::invalid_argument("value does not fit the type " + typeName + ": " + RegAsString(value));
    };
    const auto* text = std::get_if<std::string>(&value);
    if (typeName == kRegText) return RegAsString(value);
    if (typeName == kRegBool) {
        if (text) return StrToBool2(*text) ? "TRUE" : (AsciiUpper(TrimBlanks(*text)) == "FALSE" ? "FALSE" : refuse());
        if (std::holds_alternative<bool>(value) || std::holds_alternative<std::int32_t>(value))
            return RegAsBool(value) ? "TRUE" : "FALSE";
        return refuse();
    }
    if (typeName == kRegDate) {
        if (text) {
            if (TrimBlanks(*text).empty()) return std::string();
            const Date d = StrToDate0(TrimBlanks(*text));
            return d.IsNull() ? refuse() : d.ToString();
        }
        if (std::holds_alternative<Date>(value) || std::holds_alternative<DateTime>(value)) return RegAsDate(value).ToString();
        return refuse();
    }
    if (typeName == kRegInteger) {
        if (text) {
            const std::string t = TrimBlanks(*text);
            return (t == "0" || ParseInt(t) != 0) ? std::to_string(ParseInt(t)) : refuse();
        }
        if (std::holds_alternative<std::int32_t>(value) || std::holds_alternative<bool>(value))
            return std::to_string(RegAsInteger(value));
        if (auto c = std::get_if<Currency>(&value)) return std::to_string(c->ToYen(RoundMode::HalfEven));
        return refuse();
    }
    if (typeName == kRegCurrency) {
        if (text) {
            const auto c = Currency::Parse(TrimBlanks(*text));
            return c ? c->ToString() : refuse();
        }
        if (std::holds_alternative<Currency>(value) || std::holds_alternative<std::int32_t>(value) ||
            std::holds_alternative<double>(value))
            return RegAsCurrency(value).ToString();
        return refuse();
    }
    if (typeName == kRegFloat) {
        if (text) return DoubleText(ParseDouble(*text));
        if (std::holds_alternative<double>(value) || std::holds_alternative<std::int32_t>(value) ||
            std::holds_alternative<Currency>(value))
            return DoubleText(RegAsDouble(value));
        return refuse();
    }
    // 日時
    if (text) {
        if (TrimBlanks(*text).empty()) return std::string();
        const DateTime t = StrToDateTimeSafe(TrimBlanks(*text));
        return t.IsNull() ? refuse() : t.ToString();
    }
    if (std::holds_alternative<DateTime>(value) || std::holds_alternative<Date>(value)) {
        const DateTime t = RegAsDateTime(value);
        return t.IsNull() ? std::string() : t.ToString();
    }
    return refuse();
}

// ---- factories

std::unique_ptr<fb::Statement> CreateIBQuery(TDM& dm, const std::string& databaseName, bool snapshot)
{
    try {
        if (databaseName == "ACCDEF") return std::make_unique<fb::Statement>(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        return std::make_unique<fb::Statement>(dm.IBDatabaseDAT, snapshot ? &dm.IBTransactionDATSS : &dm.IBTransactionDAT);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::unique_ptr<fb::Statement> CreateIBSQL(TDM& dm, const std::string& databaseName, bool snapshot)
{
    // The access layer has one statement class for both kinds of the original.
    return CreateIBQuery(dm, databaseName, snapshot);
}

// ---- ACCREG

TRegValue GetAccReg(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
                    const std::string& defaultText)
{
    return GetAccReg(dm.IBDatabaseDAT, dm.IBTransactionDAT, group, code, typeName, defaultText);
}

TRegValue GetAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code,
                    const std::string& typeName, const std::string& defaultText)
{
    fb::TransactionGuard guard(tr);
    fb::Statement q(db, &tr);
    q.SetSQL("SELECT ATYPE,ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE ");
    q.ParamByName("AGROUP").SetString(group);
    q.ParamByName("ACODE").SetString(code);
    q.ExecQuery();
    std::string text;
    if (!q.Eof()) {
        // The stored type is ignored: the caller's type name decides the conversion.
        text = q.FieldByName("ATEXT").AsString();
        q.Close();
    } else {
        q.Close();
        text = defaultText;
        fb::Statement ins(db, &tr);
        ins.SetSQL("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
        ins.ParamByName("AGROUP").SetString(group);
        ins.ParamByName("ACODE").SetString(code);
        ins.ParamByName("ATYPE").SetString(typeName);
        ins.ParamByName("ATEXT").SetString(defaultText);
        ins.ExecQuery();
    }
    guard.Commit();
    return RegTextToValue(typeName, text, TRegTypeSet::AccReg, TRegBoolRule::IgnoreCase);
}

void PutAccReg(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
               const TRegValue& value)
{
    PutAccReg(dm.IBDatabaseDAT, dm.IBTransactionDAT, group, code, typeName, value);
}

void PutAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code,
               const std::string& typeName, const TRegValue& value)
{
    const std::optional<std::string> text = RegValueToText(typeName, value, TRegTypeSet::AccReg);
    fb::TransactionGuard guard(tr);
    fb::Statement q(db, &tr);
    q.SetSQL("SELECT COUNT(AGROUP) AS RECCNT FROM ACCREG\nWHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)");
    q.ParamByName("AGROUP").SetString(group);
    q.ParamByName("ACODE").SetString(code);
    q.ExecQuery();
    const bool exists = q.FieldByName("RECCNT").AsInteger() != 0;
    q.Close();
    fb::Statement w(db, &tr);
    if (exists) {
        // The stored type stays as it is.
        w.SetSQL("UPDATE ACCREG SET ATEXT=:ATEXT\nWHERE AGROUP=:AGROUP AND ACODE=:ACODE");
    } else {
        w.SetSQL("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT)\nVALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
        w.ParamByName("ATYPE").SetString(typeName);
    }
    w.ParamByName("AGROUP").SetString(group);
    w.ParamByName("ACODE").SetString(code);
    if (text) w.ParamByName("ATEXT").SetString(*text);
    else w.ParamByName("ATEXT").SetNull();
    w.ExecQuery();
    guard.Commit();
}

void DeleteAccReg(TDM& dm, const std::string& group, const std::string& code)
{
    DeleteAccReg(dm.IBDatabaseDAT, dm.IBTransactionDAT, group, code);
}

void DeleteAccReg(fb::Connection& db, fb::Transaction& tr, const std::string& group, const std::string& code)
{
    fb::TransactionGuard guard(tr);
    fb::Statement q(db, &tr);
    q.SetSQL("DELETE FROM ACCREG\nWHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)");
    q.ParamByName("AGROUP").SetString(group);
    q.ParamByName("ACODE").SetString(code);
    q.ExecQuery();
    guard.Commit();
}

// ---- ACCREG_BLOB_BINARY

std::string AccRegBlobTempDir()
{
    if (!SystemDef.TempDir.empty()) {
        fs::create_directories(SystemDef.TempDir);
        return SystemDef.TempDir;
    }
    const fs::path dir = fs::temp_directory_path() / ("kenbo-" + std::to_string(::getuid()));
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("一時フォルダを作成できません: " + dir.string());
    struct stat st {};
    // A folder someone else made (or made open to others) in the shared temporary folder is not ours.
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
        throw std::runtime_error("一時フォルダが安全ではありません: " + dir.string());
    return dir.string();
}

bool GetAccRegBlob(TDM& dm, const std::string& group, const std::string& key, std::string& result)
{
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    fb::Statement q = DataStatement(dm);
    q.SetSQL("SELECT FGROUP,FKEY,FTYPE,FVALUE FROM ACCREG_BLOB_BINARY\nWHERE FGROUP=:FGROUP AND FKEY=:FKEY");
    q.ParamByName("FGROUP").SetString(group);
    q.ParamByName("FKEY").SetString(key);
    q.ExecQuery();
    bool set = false;
    if (!q.Eof()) {
        const std::string kind = q.FieldByName("FTYPE").AsString();
        const std::string bytes = q.FieldByName("FVALUE").AsBytes();
        if (kind == kBlobPicture || kind == kBlobBmp || kind == kBlobJpg) {
            // Each read gets a file of its own: two reads in the same second must not overwrite.
            result = WriteUniqueFile(AccRegBlobTempDir(), kind == kBlobJpg ? ".jpg" : ".bmp", bytes);
            set = true;
        } else if (kind == kBlobMemo) {
            result = JoinLinesCrLf(SplitLines(Cp932ToUtf8(bytes)));
            set = true;
        }
    }
    q.Close();
    guard.Commit();
    return set;
}

void PutAccRegBlob(TDM& dm, const std::string& group, const std::string& key, const std::string& kind,
                   const std::string& value)
{
    std::optional<std::string> bytes;
    if (kind == kBlobPicture || kind == kBlobBmp || kind == kBlobJpg) bytes = ReadWholeFile(value);
    else if (kind == kBlobMemo) bytes = Utf8ToCp932(JoinLinesCrLf(SplitLines(value)));

    fb::TransactionGuard guard(dm.IBTransactionDAT);
    fb::Statement q = DataStatement(dm);
    q.SetSQL("SELECT COUNT(FGROUP) AS RECCNT FROM ACCREG_BLOB_BINARY\nWHERE (FGROUP=:FGROUP) AND (FKEY=:FKEY)");
    q.ParamByName("FGROUP").SetString(group);
    q.ParamByName("FKEY").SetString(key);
    q.ExecQuery();
    const bool exists = q.FieldByName("RECCNT").AsInteger() != 0;
    q.Close();
    fb::Statement w = DataStatement(dm);
    if (exists) w.SetSQL("UPDATE ACCREG_BLOB_BINARY SET FTYPE=:FTYPE,FVALUE=:FVALUE\nWHERE FGROUP=:FGROUP AND FKEY=:FKEY");
    else w.SetSQL("INSERT INTO ACCREG_BLOB_BINARY(FGROUP,FKEY,FTYPE,FVALUE)\nVALUES(:FGROUP,:FKEY,:FTYPE,:FVALUE)");
    w.ParamByName("FGROUP").SetString(group);
    w.ParamByName("FKEY").SetString(key);
    w.ParamByName("FTYPE").SetString(kind);
    if (bytes) w.ParamByName("FVALUE").SetBytes(*bytes);
    else w.ParamByName("FVALUE").SetNull();
    w.ExecQuery();
    guard.Commit();
}

// ---- MSD_HOUKOKU

TRegValue GetMsdHoukoku(TDM& dm, const std::string& group, const std::string& code, const std::string& typeName,
                        const std::string& defaultText)
{
    // Deliberately also a caller's transaction: the report readers expect each read to be final,
    // and a failure rolls back whatever is active before the error is passed on.
    fb::TransactionGuard guard(dm.IBTransactionDAT, fb::TransactionGuard::Unfinished::Rollback,
                               fb::TransactionGuard::Owner::Active);
    std::string text;
    fb::Statement q = DataStatement(dm);
    q.SetSQL("SELECT MDTEXT1 FROM MSD_HOUKOKU WHERE MDGROUP=:MDGROUP AND MDCODE=:MDCODE ");
    q.ParamByName("MDGROUP").SetString(group);
    q.ParamByName("MDCODE").SetString(code);
    q.ExecQuery();
    if (!q.Eof()) {
        text = q.FieldByName("MDTEXT1").AsString();
        q.Close();
    } else {
        q.Close();
        text = defaultText;
        fb::Statement ins = DataStatement(dm);
        ins.SetSQL("INSERT INTO MSD_HOUKOKU(MDGROUP,MDCODE,MDTYPE,MDTEXT1) VALUES(:MDGROUP,:MDCODE,:MDTYPE,:MDTEXT1)");
        ins.ParamByName("MDGROUP").SetString(group);
        ins.ParamByName("MDCODE").SetString(code);
        ins.ParamByName("MDTYPE").SetString(typeName);
        ins.ParamByName("MDTEXT1").SetString(defaultText);
        ins.ExecQuery();
    }
    guard.Commit();
    return RegTextToValue(typeName, text, TRegTypeSet::Basic, TRegBoolRule::IgnoreCase);
}

bool GetHoujinGaiyouZaidan(TDM& dm)
{
    auto read = [&](const char* code) { return RegAsString(GetAccReg(dm, "法人概要", code, kRegText, "")); };
    if (read("財団社団") == "財団") return true;
    if (read("医療法人") == "社会") return true;
    return read("医療法人") == "特定";
}

bool GetHoujinGaiyouKikin(TDM& dm) { return RegAsString(GetAccReg(dm, "法人概要", "基金", kRegText, "無")) == "有"; }

} // namespace kb
