#include "scriptlib/library_session.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "db/client_library.h"
#include "db/connection_params.h"
#include "scriptlib/firebird_connection.h"
#include "scriptlib/script_runner.h"

namespace updater::scriptlib {

namespace {

constexpr const char* kNotConnected = "There is no connection to the database";

LibrarySession* g_session = nullptr;
bool g_release_after_client = false;

// Runs when the library is unloaded, and at exit for a host that exits with it loaded. The
// run registered after the first attachment comes before the client library's own exit
// handlers, which were registered earlier, so the detach still finds the client whole.
void ReleaseSession() {
  delete g_session;
  g_session = nullptr;
  db::ForgetClientApis();
}

}  // namespace

LibrarySession& LibrarySession::Instance() {
  // Not a function-local static: its destructor would run after the client library's exit
  // handlers and detach through freed state.
  if (g_session == nullptr) {
    g_session = new LibrarySession();
    std::atexit(ReleaseSession);
  }
  return *g_session;
}

std::int32_t LibrarySession::Connect(const char* connect_params,
                                     IbesConnectErrorCallback on_error) {
  // No exception may cross the library's boundary.
  try {
    connection_.reset();
    const db::ConnectionParams params =
        db::ParseConnectParams(connect_params != nullptr ? connect_params : "");
    connection_ = std::make_unique<FirebirdConnection>(params);
    dialect_ = params.dialect;
    if (!g_release_after_client) {
      // After the attachment, so after whatever the client registered for its own exit.
      g_release_after_client = std::atexit(ReleaseSession) == 0;
    }
    return 0;
  } catch (const std::exception& e) {
    if (on_error != nullptr) on_error(e.what());
  } catch (...) {
    if (on_error != nullptr) on_error("Unknown error");
  }
  return 1;
}

std::int32_t LibrarySession::ExecScriptFile(const char* path, IbesScriptErrorCallback on_error,
                                            IbesStatementCallback on_statement,
                                            IbesStatementDoneCallback on_done) {
  const std::string file = path != nullptr ? path : "";
  if (!connection_) {
    if (on_error != nullptr) on_error(file.c_str(), kNotConnected);
    return 1;
  }
  try {
    return ScriptRunner::RunFile(*connection_, dialect_, file, {on_error, on_statement, on_done});
  } catch (const std::exception& e) {
    if (on_error != nullptr) on_error(file.c_str(), e.what());
  } catch (...) {
    if (on_error != nullptr) on_error(file.c_str(), "Unknown error");
  }
  return 1;
}

std::int32_t LibrarySession::ExecScriptText(const char* text, IbesScriptErrorCallback on_error,
                                            IbesStatementCallback on_statement,
                                            IbesStatementDoneCallback on_done) {
  const std::string script = text != nullptr ? text : "";
  if (!connection_) {
    if (on_error != nullptr) on_error(script.c_str(), kNotConnected);
    return 1;
  }
  try {
    ScriptRunner runner(*connection_, dialect_, {on_error, on_statement, on_done});
    runner.Feed(script);
    runner.Finish();
    return runner.failures();
  } catch (const std::exception& e) {
    if (on_error != nullptr) on_error(script.c_str(), e.what());
  } catch (...) {
    if (on_error != nullptr) on_error(script.c_str(), "Unknown error");
  }
  return 1;
}

}  // namespace updater::scriptlib
