#pragma once

#include <cstdint>

// The call contract between the binding and the script library: three exports and four
// callbacks, 32-bit values, zero-terminated 8-bit texts. 32-bit Windows uses stdcall, every
// other platform its own C convention.
#if defined(_WIN32) && !defined(_WIN64)
#define IBES_CALL __stdcall
#else
#define IBES_CALL
#endif

// How the library marks its exports.
#if defined(_WIN32)
#define IBES_EXPORT extern "C" __declspec(dllexport)
#else
#define IBES_EXPORT extern "C" __attribute__((visibility("default")))
#endif

extern "C" {

using IbesConnectErrorCallback = std::int32_t(IBES_CALL*)(const char* error_text);
using IbesScriptErrorCallback = std::int32_t(IBES_CALL*)(const char* statement,
                                                         const char* error_text);
// The library passes the statement's number in the script (from 1) and its text.
using IbesStatementCallback = std::int32_t(IBES_CALL*)(std::int32_t number, const char* text);
// The library passes the statement's number and 1 when it succeeded, 0 when it failed. The
// result is advisory: a script goes on after a failing statement either way.
using IbesStatementDoneCallback = std::int32_t(IBES_CALL*)(std::int32_t number,
                                                           std::int32_t succeeded);

using IbesConnectFunction = std::int32_t(IBES_CALL*)(const char* connect_params,
                                                     IbesConnectErrorCallback on_error);
using IbesExecScriptFunction = std::int32_t(IBES_CALL*)(const char* script,
                                                        IbesScriptErrorCallback on_error,
                                                        IbesStatementCallback on_statement,
                                                        IbesStatementDoneCallback on_done);
}

namespace updater {

inline constexpr const char* kConnectExport = "Connect";
inline constexpr const char* kExecScriptFileExport = "ExecScriptFile";
inline constexpr const char* kExecScriptTextExport = "ExecScriptText";

}  // namespace updater
