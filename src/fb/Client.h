#pragma once
// Shared by the access layer's sources: the client library's setup and the status-vector check.
// Not meant for callers outside src/fb.

#include "fb/FbError.h"

#include <ibase.h>

#include <string>

namespace kb::fb {

// Points the client library at the program's own Firebird root, once per process, before the
// first client call. Every entry point of the layer calls it.
void EnsureClient();

// Throws FbError when the status vector holds an error; origin names the failing call.
void Check(const ISC_STATUS* status, const char* origin);
FbError MakeError(const ISC_STATUS* status, const char* origin);
// An error of the layer itself (no engine code), for misuse such as a missing field name.
[[noreturn]] void Fail(const std::string& message, const char* origin);

// Firebird character-set ids the layer treats specially.
inline constexpr int kCharsetNone = 0;
inline constexpr int kCharsetOctets = 1;

} // namespace kb::fb
