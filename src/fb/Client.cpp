#include "fb/Client.h"

#include "platform/FirebirdRuntime.h"
#include "platform/Text.h"

#include <mutex>

namespace kb::fb {

void EnsureClient()
{
    static std::once_flag once;
    std::call_once(once, [] { kb::FirebirdRuntime::Prepare(); });
}

FbError MakeError(const ISC_STATUS* status, const char* origin)
{
    const std::int32_t code = static_cast<std::int32_t>(status[1]);
    const std::int32_t sqlCode = static_cast<std::int32_t>(isc_sqlcode(status));
    std::string message;
    char buf[1024];
    const ISC_STATUS* p = status;
    while (fb_interpret(buf, sizeof buf, &p) > 0) {
        if (!message.empty()) message += "\n";
        message += buf;
    }
    // With lc_ctype=SJIS_0208 the server's texts (names, values in messages) come as CP932.
    return FbError(code, sqlCode, Cp932ToUtf8(message), origin ? origin : "");
}

void Check(const ISC_STATUS* status, const char* origin)
{
    if (status[0] == 1 && status[1] != 0) throw MakeError(status, origin);
}

void Fail(const std::string& message, const char* origin)
{
    throw FbError(0, 0, message, origin ? origin : "");
}

} // namespace kb::fb
