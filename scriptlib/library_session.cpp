#include "scriptlib/library_session.h"

namespace updater::scriptlib {

LibrarySession& LibrarySession::Instance() {
  static LibrarySession session;
  return session;
}

std::int32_t LibrarySession::Connect(const char*, IbesConnectErrorCallback on_error) {
  if (on_error != nullptr) on_error("not built yet");
  return 1;
}

std::int32_t LibrarySession::ExecScriptFile(const char*, IbesScriptErrorCallback,
                                            IbesStatementCallback, IbesStatementDoneCallback) {
  return 1;
}

std::int32_t LibrarySession::ExecScriptText(const char*, IbesScriptErrorCallback,
                                            IbesStatementCallback, IbesStatementDoneCallback) {
  return 1;
}

}  // namespace updater::scriptlib
