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
  // Runs the script file at `source`, or the script text `source`. The number of failed
  // statements; without a connection 1, reported through `on_error`.
  std::int32_t ExecScript(const char* source, bool is_file, IbesScriptErrorCallback on_error,
                          IbesStatementCallback on_statement, IbesStatementDoneCallback on_done);
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

 private:
  LibrarySession() = default;

  std::unique_ptr<ScriptConnection> connection_;
  int dialect_ = 3;
};

}  // namespace updater::scriptlib
