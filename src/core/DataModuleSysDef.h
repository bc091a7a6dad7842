#pragma once
// DataModuleSysDef: the logged-on operator's settings in the system database, loaded into
// SystemDef right after log-on and written back from it: the SYSDEF row (screen colours, fonts,
// window position, switches), the typed SYSREG values, the group-wide SYSTEMINI rows, the
// STYLECOLOR rows of forms, the menu permissions of JOBCONTROL2, the log-on row and the system
// database's version.
//
// Everything runs on IBDatabaseDEF in IBTransactionDEF, started only when it is not active and
// ended only by the routine that started it.
//
// These are routines of the data module: each takes the TDM whose connections it uses (normally
// *DM). Errors are reported through ShowIBError (or ShowErrorDetail) as each routine says.

#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/uAccRecord.h"

#include <functional>
#include <string>

namespace kb {

// Index of a font name in the screen's font list (the user interface installs it). Without it
// no font is known and the stored screen font is not applied.
using TScreenFontIndexHook = std::function<int(const std::string& fontName)>;
inline TScreenFontIndexHook ScreenFontIndexHook;

// Loads the operator's SYSDEF row (creating it with the defaults and the seed SYSREG keys on the
// first log-on), the SYSREG values, the office texts of SYSTEMINI and the system database version
// into SystemDef. False after a reported failure; the start-up treats that as fatal.
bool fnGetSysDef(TDM& dm);
// Writes SystemDef back into the operator's SYSDEF row and SYSREG keys. The column Shouhyou is
// left as it is: the accounting application keeps its own value there.
bool fnPutSysDef(TDM& dm);

// A SYSREG value of an operator; a missing key is inserted with type and default. The type set is
// the five basic ones ("論理" true only for exactly "TRUE"); any other type reads as "Data Type
// Error". False after a reported failure (value untouched).
bool funcGetSysReg(TDM& dm, const std::string& key, const std::string& type, TRegValue& value, int opcode,
                   const std::string& defaultText);
bool GetSysRegOp(TDM& dm, const std::string& key, const std::string& type, TRegValue& value,
                 const std::string& defaultText);
// Writes a SYSREG value (an existing row keeps its type). False after a reported failure.
bool funcPutSysReg(TDM& dm, const std::string& key, const std::string& type, int opcode, const TRegValue& value);
bool PutSysRegOp(TDM& dm, const std::string& key, const std::string& type, const TRegValue& value);

// rec.REC in, the rest out (zeros and an empty text when there is no row). Inside a caller's
// transaction a database error is thrown on; otherwise it is reported and the answer is false.
bool GetSysIni(TDM& dm, TSystemIniRec& rec);
bool SetSysIni(TDM& dm, const TSystemIniRec& rec);

// The saved settings of a form (Name=Value lines); sstr is unchanged when there is none. Both
// swallow database errors.
void GetStyleColor(TDM& dm, int opcode, const std::string& style, std::string& sstr);
void PutStyleColor(TDM& dm, int opcode, const std::string& style, const std::string& sstr);

// May the logged-on operator run the menu job procId (with option when not blank)? A job level
// without JOBCONTROL2 rows may run everything.
bool SetJobControl(TDM& dm, const std::string& procId, const std::string& option);
// Removes the operator's LOGONUSERLIST row. False after a reported failure.
bool DeleteLogonInfo(TDM& dm);
// SystemDef.SysDbMajor/Minor1/Minor2 from the highest VERSION row (zeros on failure, silently).
void GetMaxVersion(TDM& dm);

// The value after "name=" among the lines (CR, LF or CR LF separated; the name compared without
// regard to letter case); empty when absent.
void GetTextValue(const std::string& lines, const std::string& name, std::string& value);

} // namespace kb
