#pragma once
// The 62 steps of the accounting database "vqacc.fdb", 0.1.1 to 15.0.0.

#include "dbupdate/z5DbUpdateList.h"

namespace kb {

// The list in version order with each step's version and NeedBackup. Titles, memos and routines
// come with the step units; until a unit is built its routine throws std::logic_error, which the
// update run counts as a failed step.
TArrayDbUpdateListRec RegisterUserDbUpdates();

} // namespace kb
