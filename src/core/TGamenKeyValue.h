#pragma once
// Two small stores of the system database: TGamenKeyValue keeps one value text per operator and
// screen in STYLECOLOR.SSTR, so a screen can restore what its operator entered last time;
// TCodeTaikeiIO maintains the saved code systems (USERCODE rows) and imports code-system files.

#include "fb/Database.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kb {

// "020-" + the form name upper-cased, fitted to 40 CP932 bytes (never splitting a character), trimmed.
std::string GamenStyleName(const std::string& prefix, const std::string& formName);
// The value as stored: trimmed of half- and full-width blanks, at most 1024 CP932 bytes, trimmed again.
std::string GamenValueToStore(const std::string& value);

class TGamenKeyValue {
public:
    // On the data module's system database and transaction, for the logged-in operator.
    TGamenKeyValue();
    TGamenKeyValue(fb::Connection& db, fb::Transaction& tr, int opCode);

    // The saved value of the screen, empty when none (or on an error, which is reported).
    std::string FukugenValue(const std::string& formName);
    void HozonValue(const std::string& formName, const std::string& value);

    int OpCode = 0;
    std::string Prefix = "020-";
    std::string StyleName;
    std::string Value;

private:
    fb::Connection* db_;
    fb::Transaction* tr_;
};

// One code system (a USERCODE row). The unnamed fields of the record are carried along.
struct TCodeTaikeiRec2 {
    int RECNO = 0;
    std::string NAME;
    int DATATYPE = 0;
    int CODETYPE = 0;
    std::string Text1;
    int Int1 = 0, Int2 = 0, Int3 = 0;
    std::string SeihinKubun = "-"; // the product kind the file names
    std::uint8_t Byte1 = 0;
    std::array<std::vector<std::string>, 8> INIDAT; // INIDAT1 .. INIDAT8
    std::string Text2;
    int Int4 = 0, Int5 = 0;
};

// The list (1..8) a code-system line of this type goes to; 0 = not stored.
int CodeTaikeiListOf(int lineType);
// Sorts the lines of a code-system file into rec's lists; the type-1 line also gives the name,
// data kind, code system and (with more than five items) the product kind.
void SortCodeTaikeiLines(const std::vector<std::string>& lines, TCodeTaikeiRec2& rec);
// The kind repair of one row: the (kind, code system) its INIDAT1 header names, when both are
// valid positive numbers and the kind is not 1; nullopt leaves the row alone.
std::optional<std::pair<int, int>> KubunSyufukuTarget(const std::string& inidat1);
// The product-kind check as a computation: oemFlag 0 accepts an empty or the expected kind, 1 and
// 2 only the expected one. A refusal fills message.
bool CheckSeihinKubunFor(const std::string& productKind, int oemFlag, const std::string& expected,
                         const std::string& appTitle, std::string& message);

class TCodeTaikeiIO {
public:
    // Runs KubunSyufuku at once, as every creation did.
    TCodeTaikeiIO();
    TCodeTaikeiIO(fb::Connection& db, fb::Transaction& tr);

    bool UpDateRecored(const TCodeTaikeiRec2& rec);
    bool ImportFromFile(const std::string& fileName, int recNo);
    void KubunSyufuku();
    // Against the application information's OEM and VerTest values and the OEM flag.
    bool CheckSeihinKubun(const std::string& productKind, std::string& message);

    int FormatMajor = 1, FormatMinor = 0;
    std::string FormatText = "1.0";

private:
    fb::Connection* db_;
    fb::Transaction* tr_;
};

} // namespace kb
