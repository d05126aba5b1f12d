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

std::int32_t LibrarySession::ExecScript(const char* source, bool is_file,
                                        IbesScriptErrorCallback on_error,
                                        IbesStatementCallback on_statement,
                                        IbesStatementDoneCallback on_done) {
  const std::string script = source != nullptr ? source : "";
  // A failure of the whole script goes out as one error against the file name or the text.
  const auto fail = [&](const char* message) {
    if (on_error != nullptr) on_error(script.c_str(), message);
    return 1;
  };
  if (!connection_) return fail(kNotConnected);
  try {
    const ScriptCallbacks callbacks{on_error, on_statement, on_done};
    if (is_file) return ScriptRunner::RunFile(*connection_, dialect_, script, callbacks);
    ScriptRunner runner(*connection_, dialect_, callbacks);
    runner.Feed(script);
    runner.Finish();
    return runner.failures();
  } catch (const std::exception& e) {
    return fail(e.what());
  } catch (...) {
    return fail("Unknown error");
  }
}

}  // namespace updater::scriptlib
