#pragma once

#include <string>

#include "db/connection_params.h"
#include "seams/operator.h"
#include "seams/progress.h"

namespace updater {

// Run one script through the script library: connect, run, unload. `ui` lets the window
// process its messages while the library works; the statements and errors are logged to
// `log_target` when there is one; the statements done are counted on `progress` when there is
// one. Throws Error with the library's last error text when the
// connection or any statement failed. One run at a time.
void RunScriptFile(Operator& ui, const db::ConnectionParams& params, const std::string& script_file,
                   Operator* log_target, Progress* progress = nullptr);
void RunScriptText(Operator& ui, const db::ConnectionParams& params, const std::string& script_text,
                   Operator* log_target, Progress* progress = nullptr);

// The last error text the library reported (empty after a clean run).
const std::string& ScriptErrorText();

}  // namespace updater
