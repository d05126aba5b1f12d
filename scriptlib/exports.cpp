// The library's only visible symbols.
#include "script/script_library_abi.h"
#include "scriptlib/library_session.h"

IBES_EXPORT std::int32_t IBES_CALL Connect(const char* connect_params,
                                           IbesConnectErrorCallback on_error) {
  return updater::scriptlib::LibrarySession::Instance().Connect(connect_params, on_error);
}

IBES_EXPORT std::int32_t IBES_CALL ExecScriptFile(const char* path,
                                                  IbesScriptErrorCallback on_error,
                                                  IbesStatementCallback on_statement,
                                                  IbesStatementDoneCallback on_done) {
  return updater::scriptlib::LibrarySession::Instance().ExecScript(path, true, on_error,
                                                                   on_statement, on_done);
}

IBES_EXPORT std::int32_t IBES_CALL ExecScriptText(const char* text,
                                                  IbesScriptErrorCallback on_error,
                                                  IbesStatementCallback on_statement,
                                                  IbesStatementDoneCallback on_done) {
  return updater::scriptlib::LibrarySession::Instance().ExecScript(text, false, on_error,
                                                                   on_statement, on_done);
}
