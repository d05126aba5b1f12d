// A stand-in for the script library with the faults ours does not have: a connection failure
// reported only through the callback, a failure reported only by the result, a missing export.
#include <cstring>

#include "script/script_library_abi.h"

#define DOUBLE_EXPORT IBES_EXPORT

#ifndef DOUBLE_WITHOUT_EXPORTS
DOUBLE_EXPORT std::int32_t IBES_CALL Connect(const char* params,
                                             IbesConnectErrorCallback on_error) {
  if (std::strstr(params, "db_name=callback-only;") != nullptr) {
    on_error("Refused, said only through the callback");
    return 0;
  }
  if (std::strstr(params, "db_name=result-only;") != nullptr) return 5;
  return 0;
}

// Reports success whatever the script, with a result that says otherwise.
DOUBLE_EXPORT std::int32_t IBES_CALL ExecScriptText(const char* text, IbesScriptErrorCallback,
                                                    IbesStatementCallback on_statement,
                                                    IbesStatementDoneCallback) {
  on_statement(1, text);
  return 42;
}
#else
DOUBLE_EXPORT int NothingUseful() {
  return 0;
}
#endif
