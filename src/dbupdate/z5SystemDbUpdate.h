#pragma once
// The eighteen steps of the system database "vqaccdef.fdb", 0.3.1 to 12.0.0. Each has a
// registration routine (fills one list slot) and a step routine (writes and runs its script,
// converts data where the step needs it, returns the step's result code).
//
// Steps up to 5.0.0 carry their statements here; from 7.0.0 on they take them from the
// installation's per-version files (SqlDir/<digits>/sysup01.sql ...).

#include "dbupdate/z5DbUpdateList.h"

#include <string>
#include <vector>

namespace kb {

class TDM;

void RegisterSystemDbUpdate031(TDbUpdateListRec& r);
void RegisterSystemDbUpdate032(TDbUpdateListRec& r);
void RegisterSystemDbUpdate033(TDbUpdateListRec& r);
void RegisterSystemDbUpdate101(TDbUpdateListRec& r);
void RegisterSystemDbUpdate300(TDbUpdateListRec& r);
void RegisterSystemDbUpdate305(TDbUpdateListRec& r);
void RegisterSystemDbUpdate307(TDbUpdateListRec& r);
void RegisterSystemDbUpdate400(TDbUpdateListRec& r);
void RegisterSystemDbUpdate402(TDbUpdateListRec& r);
void RegisterSystemDbUpdate500(TDbUpdateListRec& r);
void RegisterSystemDbUpdate700(TDbUpdateListRec& r);
void RegisterSystemDbUpdate704(TDbUpdateListRec& r);
void RegisterSystemDbUpdate800(TDbUpdateListRec& r);
void RegisterSystemDbUpdate802(TDbUpdateListRec& r);
void RegisterSystemDbUpdate904(TDbUpdateListRec& r);
void RegisterSystemDbUpdate1004(TDbUpdateListRec& r);
void RegisterSystemDbUpdate1101(TDbUpdateListRec& r);
void RegisterSystemDbUpdate1200(TDbUpdateListRec& r);

int SystemDbUpdate031();
int SystemDbUpdate032();
int SystemDbUpdate033();
int SystemDbUpdate101();
int SystemDbUpdate300();
int SystemDbUpdate305();
int SystemDbUpdate307();
int SystemDbUpdate400();
int SystemDbUpdate402();
int SystemDbUpdate500();
int SystemDbUpdate700();
int SystemDbUpdate704();
int SystemDbUpdate800();
int SystemDbUpdate802();
int SystemDbUpdate904();
int SystemDbUpdate1004();
int SystemDbUpdate1101();
int SystemDbUpdate1200();

// Step 5.0.0's data places: place 0 is the system folder itself, places 1 to 99 the folder followed
// by their two-digit number. The folder names place 0 when it fits the name column (20 characters,
// 40 bytes), else "標準の場所".
std::string DataPlaceName(const std::string& folder);
std::vector<std::string> DataPlaceRows(const std::string& folder);

// The data conversions of the later steps, on the system database of dm (connected, in its
// transaction as the caller leaves it). They throw on a database error.
// Step 7.0.0: the office information row 10 of SYSTEMINI into the Name=Value form.
void ConvertSysIniOfficeInfo(TDM& dm);
// Step 8.0.2: JOBCONTROL's page and slot numbers into JOBCONTROL2's program ids.
void ConvertJobControl(TDM& dm);
// Step 9.0.4: each operator's dictionary switches of SYSDEF into eight SYSREG integers.
void ConvertSysDefInputMode(TDM& dm);

} // namespace kb
