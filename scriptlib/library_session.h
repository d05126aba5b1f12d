#pragma once

#include "script/script_library_abi.h"

namespace updater::scriptlib {

// The library's state between its calls: the connection that "Connect" made.
class LibrarySession {
 public:
  static LibrarySession& Instance();

  std::int32_t Connect(const char* connect_params, IbesConnectErrorCallback on_error);
  std::int32_t ExecScriptFile(const char* path, IbesScriptErrorCallback on_error,
                              IbesStatementCallback on_statement,
                              IbesStatementDoneCallback on_done);
  std::int32_t ExecScriptText(const char* text, IbesScriptErrorCallback on_error,
                              IbesStatementCallback on_statement,
                              IbesStatementDoneCallback on_done);
};

}  // namespace updater::scriptlib
