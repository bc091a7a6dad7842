#include "dataselect/registry/FileHistory.h"

#include "core/z5FileFunc.h"
#include "platform/Text.h"

#include <algorithm>

namespace kb {

std::vector<std::string> ReadHistory(const std::string& file, const std::string& section)
{
    std::vector<std::string> history;
    std::string text;
    try {
        ReadIniSection(file, section, text);
    } catch (const std::exception&) {
        return history; // an unreadable history is an empty one
    }
    for (const std::string& line : SplitLines(text)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) history.push_back(line.substr(eq + 1));
    }
    return history;
}

std::vector<std::string> PushHistory(std::vector<std::string> history, const std::string& folder)
{
    history.erase(std::remove(history.begin(), history.end(), folder), history.end());
    history.insert(history.begin(), folder);
    return history;
}

void WriteHistory(const std::string& file, const std::string& section, const std::vector<std::string>& history)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < history.size() && i < static_cast<std::size_t>(kHistoryMax); ++i)
        lines.push_back("HIST" + std::to_string(i + 1) + "=" + history[i]);
    WriteIniSection(file, section, lines);
}

} // namespace kb
