#pragma once
// The outcome of a processing log, shared by the cash-book sender and the cash-book import: the code
// of the first entry that is an error (kind 3) or has code 1; without one, the code of the last
// entry; 0 for an empty log. 1 means success, a negative value an aborted run.

#include "core/uAccRecord.h"
#include "fb/FbError.h"

#include <exception>
#include <string>

namespace kb {

inline int LumoraResultCode(const TLumoraSyoriLog& log)
{
    for (const auto& e : log)
        if (e.Kind == 3 || e.Code == 1) return e.Code;
    return log.empty() ? 0 : log.back().Code;
}

// The text after "原因: ": the server's message for a database error, else the error's own text.
inline std::string ErrorCause(const std::exception& e)
{
    if (const auto* fb = dynamic_cast<const FbError*>(&e)) return fb->Message();
    return e.what();
}

} // namespace kb
