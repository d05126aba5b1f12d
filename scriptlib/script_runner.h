#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/script_library_abi.h"
#include "scriptlib/script_connection.h"
#include "scriptlib/statement_splitter.h"

namespace updater::scriptlib {

struct ScriptCallbacks {
  IbesScriptErrorCallback on_error = nullptr;
  IbesStatementCallback on_statement = nullptr;
  IbesStatementDoneCallback on_done = nullptr;
};

// Runs a script fed in pieces: each statement is echoed, then run; a failing one is reported
// and the script goes on. COMMIT and ROLLBACK end the transaction; while AUTODDL is on, DDL
// runs and is committed in a transaction of its own, as in isql; work left open at the end is
// committed. A statement holding a NUL character is refused, never run in part.
class ScriptRunner {
 public:
  ScriptRunner(ScriptConnection& connection, int dialect, ScriptCallbacks callbacks);

  // Returns false once the script asked to stop (EXIT, QUIT) or could not be read on.
  bool Feed(std::string_view chunk);
  void Finish();

  int failures() const { return failures_; }

  // Runs a whole script file in chunks; a file that cannot be read is reported as an error.
  // Returns the number of failed statements.
  static int RunFile(ScriptConnection& connection, int dialect, const std::string& path,
                     ScriptCallbacks callbacks);

 private:
  void Drain();
  void Run(const ScriptStatement& statement);
  void RunBlock(const std::string& text);
  void ReportError(const std::string& statement, const std::string& message);

  ScriptConnection& connection_;
  int dialect_;
  ScriptCallbacks callbacks_;
  StatementSplitter splitter_;
  bool autoddl_ = true;
  bool stopped_ = false;
  std::int32_t number_ = 0;
  int failures_ = 0;
};

}  // namespace updater::scriptlib
