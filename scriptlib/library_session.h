#pragma once

#include <memory>

#include "script/script_library_abi.h"
#include "scriptlib/script_connection.h"

namespace updater::scriptlib {

// The library's state between its calls: the connection that "Connect" made, kept until the
// next "Connect", until the library is unloaded or until the host exits.
class LibrarySession {
 public:
  static LibrarySession& Instance();

  // 0 on success; otherwise the reason goes to `on_error` and the result is 1.
  std::int32_t Connect(const char* connect_params, IbesConnectErrorCallback on_error);
  // The number of failed statements; without a connection 1, reported through `on_error`.
  std::int32_t ExecScriptFile(const char* path, IbesScriptErrorCallback on_error,
                              IbesStatementCallback on_statement,
                              IbesStatementDoneCallback on_done);
  std::int32_t ExecScriptText(const char* text, IbesScriptErrorCallback on_error,
                              IbesStatementCallback on_statement,
                              IbesStatementDoneCallback on_done);
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

 private:
  LibrarySession() = default;

  std::unique_ptr<ScriptConnection> connection_;
  int dialect_ = 3;
};

}  // namespace updater::scriptlib
