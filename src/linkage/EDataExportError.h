#pragma once
// The export's own failure: raised while the linkage file is being built, shown by the wizard with
// its location text and counted as a failed run (no file is written). The export frame and the
// statement readers raise it; it lives in its own header so both can include it without each other.

#include <stdexcept>
#include <string>

namespace kb {

class EDataExportError : public std::runtime_error {
public:
    EDataExportError(const std::string& message, std::string location, int code)
        : std::runtime_error(message), Location(std::move(location)), Code(code) {}

    const char* Message() const noexcept { return what(); }

    std::string Location; // where it was raised, for the user ("SetBasicNode(BASICﾉｰﾄﾞを作成)")
    int Code = 0;
};

} // namespace kb
