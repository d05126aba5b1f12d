#include "script/run_script.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "db/db_connection.h"
#include "messages/message_text.h"
#include "script/script_library.h"
#include "script/script_library_abi.h"
#include "seams/progress.h"
#include "sys/error.h"
#include "sys/path.h"
#include "sys/text.h"

namespace updater {

namespace {

// Module-level: the library's callbacks carry no context of ours.
Operator* g_ui = nullptr;
Operator* g_log_target = nullptr;
std::string g_error_text;
bool g_running = false;
ProgressStep* g_progress = nullptr;
// An error of the log target inside a callback must not cross the library; it is raised once
// the library returns.
std::exception_ptr g_callback_error;

constexpr const char* kStatementHeader = "------- STATEMENT --------";
constexpr const char* kErrorHeader = "-------   ERROR   --------";

template <typename Action>
void Guarded(Action action) {
  if (g_callback_error) return;
  try {
    action();
  } catch (...) {
    g_callback_error = std::current_exception();
  }
}

void LogLine(const char* text) {
  // A log entry must not be empty.
  if (g_log_target != nullptr && text != nullptr && *text != '\0')
    Guarded([&] { g_log_target->SaveExceptionToLog(text); });
}

void Pump() {
  if (g_ui != nullptr) Guarded([] { g_ui->ProcessMessages(); });
}

void RaiseCallbackError() {
  if (g_callback_error) std::rethrow_exception(std::exchange(g_callback_error, nullptr));
}

std::int32_t IBES_CALL OnConnectError(const char* error_text) {
  g_error_text = error_text != nullptr ? error_text : "";
  return 0;
}

std::int32_t IBES_CALL OnScriptError(const char* statement, const char* error_text) {
  const std::string s = statement != nullptr ? statement : "";
  const std::string e = error_text != nullptr ? error_text : "";
  if (g_log_target != nullptr) {
    LogLine(kStatementHeader);
    LogLine(s.c_str());
    LogLine(kErrorHeader);
    LogLine(e.c_str());
    Pump();
  }
  g_error_text = std::string(kErrorHeader) + "\r" + e + "\r\r" + kStatementHeader + "\r" + s;
  const std::string lower = AsciiLower(s);
  if (lower.find("execute procedure check_versio(") != std::string::npos)
    g_error_text =
        "\rProbably, there is incompatibility of update version and "
        "version of the databease "
        "being updated!\r\r" +
        g_error_text;
  return 0;
}

std::int32_t IBES_CALL OnScriptStatement(std::int32_t, const char* text) {
  LogLine(text);
  Pump();
  return 0;
}

std::int32_t IBES_CALL OnStatementDone(std::int32_t number, std::int32_t value) {
  if (g_progress != nullptr && number > 0) g_progress->Set(static_cast<std::uint64_t>(number));
  return value == 1 ? 0 : 1;
}

std::string Trim(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

struct RunGuard {
  RunGuard(Operator& ui, Operator* log_target) {
    if (g_running) throw Error("A script is already running!");
    g_running = true;
    g_ui = &ui;
    g_log_target = log_target;
    g_error_text.clear();
    g_callback_error = nullptr;
  }
  ~RunGuard() {
    g_running = false;
    g_ui = nullptr;
    g_progress = nullptr;
    g_callback_error = nullptr;
  }
};

void Run(Operator& ui, const db::ConnectionParams& params, const std::string& script,
         Operator* log_target, Progress* shown_on, bool is_file) {
  db::CheckDBParams(params);
  RunGuard guard(ui, log_target);

  const std::string trimmed = Trim(script);
  const char* export_name = is_file ? kExecScriptFileExport : kExecScriptTextExport;
  if (is_file) {
    if (trimmed.empty()) throw Error("The script's file was not specified!");
    std::error_code error;
    const auto status = std::filesystem::status(FileSystemPath(trimmed), error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
      throw Error("The \"" + trimmed + "\" " + "script file was not found!");
  } else if (trimmed.empty()) {
    throw Error("The script is empty!");
  }
  // Checked before anything is loaded.
  const std::string connect_params = db::BuildConnectParams(params);

  ScriptLibrary library;
  const std::string& file = library.file_name();
  auto connect = reinterpret_cast<IbesConnectFunction>(library.Find(kConnectExport));
  if (connect == nullptr)
    throw Error("The \"Connect\" function was not found in the \"" + file + "\" library!");
  auto execute = reinterpret_cast<IbesExecScriptFunction>(library.Find(export_name));
  if (execute == nullptr)
    throw Error("The function was not found in the \"" + file + "\" library! (" +
                std::string(export_name) + ")");

  const std::int32_t connected = connect(connect_params.c_str(), OnConnectError);
  RaiseCallbackError();
  if (connected != 0 || !g_error_text.empty())
    throw Error("Error of the connection to the database!\r" + g_error_text);
  // The library does not tell how many statements a script holds: counted, no total.
  ProgressStep progress(shown_on != nullptr ? *shown_on : SilentProgress(),
                        is_file ? GetMessageText(msg::uProgress_RunScript, FileNamePart(trimmed))
                                : GetMessageText(msg::uProgress_RunStatements),
                        ProgressUnit::Statements);
  g_progress = &progress;
  execute(trimmed.c_str(), OnScriptError, OnScriptStatement, OnStatementDone);
  g_progress = nullptr;
  RaiseCallbackError();
  if (!g_error_text.empty()) throw Error("Error of using script!\r" + g_error_text);
}

}  // namespace

void RunScriptFile(Operator& ui, const db::ConnectionParams& params, const std::string& script_file,
                   Operator* log_target, Progress* progress) {
  Run(ui, params, script_file, log_target, progress, true);
}

void RunScriptText(Operator& ui, const db::ConnectionParams& params, const std::string& script_text,
                   Operator* log_target, Progress* progress) {
  Run(ui, params, script_text, log_target, progress, false);
}

const std::string& ScriptErrorText() {
  return g_error_text;
}

}  // namespace updater
