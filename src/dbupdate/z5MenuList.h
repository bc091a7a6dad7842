#pragma once
// The old menu layout (level, page, slot) and the program id each slot started: the general table
// for levels up to 1000 and the medical-corporation table above. Only step 8.0.2's conversion of
// the menu permissions reads it.

#include <string>

namespace kb {

// ProcId and OptionLine ("SyoriType=n" or empty) of a slot; both empty for an empty slot or a
// page the table does not have. ProcIdCopy receives ProcId.
void GetProcIdFromMenuNo(int level, int pageNo, int menuNo, std::string& procId, std::string& optionLine,
                         std::string& procIdCopy);

} // namespace kb
