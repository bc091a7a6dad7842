#pragma once
// The process-wide summary-line tables of the statements: which working row each summary line
// occupies (AccZanLineRows) and which four-digit code each entry stands for (AccZanLineCodes).
// They differ between medical corporations and every other data set; loading the open data set
// switches them (AccZanSetTables), so they always describe the data set opened last.
//
// They sit in core, below the balance records of the accounting subsystem, because the open-data
// loader of the data module switches them and reads codes from them.
// User-interface thread only: a computation must not run while another data set is being opened.

#include <array>
#include <cstdint>
#include <string>

namespace kb {

inline constexpr int kAccZanLineRowCount = 115;
inline constexpr int kAccZanLineCodeCount = 150;
// The code of an entry without a line in the current layout.
inline constexpr const char* kAccZanNoLine = "****";

// Entry e gives a working row number; 0 = the layout has no such line.
extern std::array<std::uint16_t, kAccZanLineRowCount> AccZanLineRows;
// Entry e gives a four-digit summary-line code, or "****".
extern std::array<std::string, kAccZanLineCodeCount> AccZanLineCodes;

// Sets both tables to the medical-corporation layout (Medical) or the general layout. Every entry
// is written.
void AccZanSetTables(bool Medical);

// Back to the values at program load (general rows; general codes with the medical entries 88..141).
void ResetAccZanTables();

} // namespace kb
