#pragma once
// DataModuleAccInfo: the open data set's facts. After a data set has been connected, fnGetAccInfo
// reads its header (ACCDEF1), system accounts, settings and version once into AccInf, and
// switches the process-wide statement tables and cash-flow items to the data kind. Around it sit
// the questions asked when a data set is chosen (database version, facility defaults, read-only,
// cloud share, audit lock), the small lookups the load uses, the era table of the system database
// and the data-list identity of a folder.
//
// These are routines of the data module: each takes the TDM whose connections it uses (normally
// *DM). Database errors are reported through ShowIBError with the routine's context
// ("TDM.fnGetAccInfo") as each routine says.

#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "platform/Date.h"

#include <stdexcept>
#include <string>

namespace kb {

// The kind of data this program cannot handle (the message is the user's text).
class TDataKindError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads AccInf from the connected data set; false after a reported failure (fields already copied
// keep their new values).
bool fnGetAccInfo(TDM& dm);

// The named column of ACCTOTALNAME for the summary-line code (value unchanged when there is no
// row). column must be a plain column name; anything else is refused (std::invalid_argument).
void fnGetAccTotalName(TDM& dm, const std::string& code, const std::string& column, std::string& value);

// Names of the data kinds ("法人", "個人", "医療法人") and of the code types within them. A
// combination outside the table throws TDataKindError with the user's message.
void GetDataTypeName(int kind, std::string& name);
void GetCodeTypeName(int kind, int code, std::string& name, bool withKind);

// Switches the statement line tables and the cash-flow items to the kind; true for a medical
// corporation (kind 3, code type 1).
bool SetMedicalTables(int kind, int code);
bool GetMedicalFlag();

// KCODE and USERCODE of the account named name in ACCDEF2 (empty when none). Database errors are
// reported (context only) and thrown on.
void SetSystemCode(TDM& dm, const std::string& name, std::string& kcode, std::string& usercode);
// USERCODE of an account code (unchanged when there is none; nothing for a blank code).
void GetUserCode(TDM& dm, const std::string& kcode, std::string& usercode);
// The communication ID of TUSIN_ID row rec into AccInf.TusinHolder/TusinPasword[slot].
void GetTusinID(TDM& dm, int rec, int slot);

// Does the data database have the table / the column? Run in the data transaction (a caller's,
// or one of their own when none is active). Reported failures answer false.
bool fnExistence_Table(TDM& dm, const std::string& table);
bool fnExistence_Field(TDM& dm, const std::string& table, const std::string& field);

// "major.minor1.minor2" of ACCVERSION row 1; "0.0.0" when there is none or after a reported
// failure. Ends any data transaction that is active first (the version check runs alone).
void fnGetDataBaseVer(TDM& dm, std::string& version);

// Facilities.
bool IsAllSisetuAllowed();
bool fnGetExistsOpeDefSisetu(TDM& dm);
// The facility the operator starts in, into SystemDef (SisetuCode, DefSisetuCode, DefJigyoKbn,
// DefSisetuColor) and name.
void GetOpeDefSisetu(TDM& dm, std::string& name);
// The value of key in the "Name=Value" lines; "COLOR" gives an integer ($FFAF80 when not
// positive), every other key the text. 0 when the key is absent.
void GetSstrValue(const std::string& sstr, const std::string& key, TRegValue& value);

bool IsReadOnlyData();
// Is the data set's cloud share in force for this program? Never for OEM editions.
bool IsCloudShareMode(int flag);
// Is a journal date locked by the audit (flag 0 also locks the fix date itself)?
bool IsOverLimit(int flag, Date date);
int FixTaxCalcKbn(int kind);
std::string FixOptionKbn(const std::string& value);

// The era list from the system database's GENGO rows (the built-in table when none can be read).
void LoadGengo(TDM& dm);

// The group and data number texts of a data folder ".../DATA/<group>/<data>" (or CB_DATA).
void GetDataPathCodes(const std::string& path, std::string& groupText, std::string& dataText);
// The data-list row of a folder: from the path in stand-alone mode, from DATALIST otherwise.
void GetDataListRec(TDM& dm, const std::string& path, int& rec, int& rowno);

} // namespace kb
