#pragma once

#include <string>

#include "seams/operator.h"

namespace updater {

// The script library's connection parameter text:
// db_name=D; password=P; user_name=U; lc_ctype=C; sql_role_name=R; sql_dialect=3; clientlib="L"
// Throws Error when a value holds the pair separator "; ", which the library could not tell
// from the end of the value.
std::string BuildConnectParams(const std::string& database, const std::string& password,
                               const std::string& user, const std::string& charset,
                               const std::string& role, const std::string& client_library);

// Run one script through the script library: connect, run, unload. `ui` lets the window
// process its messages while the library works; the statements and errors are logged to
// `log_target` when there is one. Throws Error with the library's last error text when the
// connection or any statement failed. One run at a time.
void RunScriptFile(Operator& ui, const std::string& client_library, const std::string& database,
                   const std::string& user, const std::string& charset, const std::string& password,
                   const std::string& role, const std::string& script_file, Operator* log_target);
void RunScriptText(Operator& ui, const std::string& client_library, const std::string& database,
                   const std::string& user, const std::string& charset, const std::string& password,
                   const std::string& role, const std::string& script_text, Operator* log_target);

// The last error text the library reported (empty after a clean run).
const std::string& ScriptErrorText();

}  // namespace updater
