#pragma once
// The history of the location dialogs: the recently used folders in one section of an INI file
// ("history.ini", section "DataBackFolder"), keys HIST1 (newest) to HIST8. The section is always
// rewritten whole; other sections of the file stay.

#include <string>
#include <vector>

namespace kb {

inline constexpr int kHistoryMax = 8;

// The values of the section in file order; empty when the file or the section is missing.
std::vector<std::string> ReadHistory(const std::string& file, const std::string& section);
// folder moved (or inserted) to the front.
std::vector<std::string> PushHistory(std::vector<std::string> history, const std::string& folder);
// Rewrites the section with "HIST%d=%s" for the first (at most) eight folders.
void WriteHistory(const std::string& file, const std::string& section, const std::vector<std::string>& history);

} // namespace kb
