#include "fb/FbError.h"

namespace kb {

FbError::FbError(std::int32_t iscCode, std::int32_t sqlCode, std::string message, std::string origin)
    : std::runtime_error(origin.empty() ? message : origin + ": " + message)
    , iscCode_(iscCode)
    , sqlCode_(sqlCode)
    , message_(std::move(message))
    , origin_(std::move(origin))
{
}

} // namespace kb
