#include "scriptlib/script_runner.h"
#include "scriptlib/sql_words.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "scriptlib/block_statement.h"
#include "sys/path.h"
#include "sys/text.h"

namespace updater::scriptlib {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

// isql's own display and session options: nothing for the server. SET STATISTICS INDEX and
// SET TIME ZONE are the server's and go there.
bool IsClientOption(const std::vector<std::string>& words) {
  static const char* const kOptions[] = {"ECHO",
                                         "LIST",
                                         "STATS",
                                         "COUNT",
                                         "HEADING",
                                         "PLAN",
                                         "PLANONLY",
                                         "WARNINGS",
                                         "WNG",
                                         "BAIL",
                                         "BLOBDISPLAY",
                                         "BLOB",
                                         "WIDTH",
                                         "SQLDA_DISPLAY",
                                         "ROWCOUNT",
                                         "EXPLAIN",
                                         "PER_TABLE_STATS",
                                         "KEEP_TRAN_PARAMS",
                                         "EXEC_PATH_DISPLAY",
                                         "MAXROWS",
                                         "LOCAL_TIMEOUT",
                                         "NAMES"};
  if (words.size() < 2 || words[0] != "SET") return false;
  if (words[1] == "TIME") return words.size() == 2 || words[2] == "ON" || words[2] == "OFF";
  return std::any_of(std::begin(kOptions), std::end(kOptions),
                     [&](const char* option) { return words[1] == option; });
}

void WriteLinesAtomically(const std::string& target_name, const std::vector<std::string>& lines) {
  const std::filesystem::path target = FileSystemPath(target_name);
  const std::filesystem::path partial = FileSystemPath(target_name + ".partial");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Cannot create the file \"" + target_name + "\"");
    for (const auto& line : lines) out << line << "\r\n";
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the file \"" + target_name + "\"");
  }
  std::error_code error;
  std::filesystem::rename(partial, target, error);
  if (error) {
    std::filesystem::remove(partial, error);
    throw std::runtime_error("Cannot write the file \"" + target_name + "\"");
  }
}

}  // namespace

ScriptRunner::ScriptRunner(ScriptConnection& connection, int dialect, ScriptCallbacks callbacks)
    : connection_(connection), dialect_(dialect), callbacks_(std::move(callbacks)) {}

bool ScriptRunner::Feed(std::string_view chunk) {
  if (stopped_) return false;
  splitter_.Feed(chunk);
  Drain();
  return !stopped_;
}

void ScriptRunner::Finish() {
  if (!stopped_) {
    splitter_.Finish();
    Drain();
  }
  if (connection_.InTransaction()) {
    try {
      connection_.Commit(false);
    } catch (const std::exception& e) {
      ReportError("COMMIT", e.what());
    }
  }
}

void ScriptRunner::Drain() {
  try {
    while (!stopped_) {
      auto statement = splitter_.Next();
      if (!statement) return;
      Run(*statement);
    }
  } catch (const ScriptSyntaxError& e) {
    ++number_;
    if (callbacks_.on_statement != nullptr) callbacks_.on_statement(number_, e.statement().c_str());
    ReportError(e.statement(), e.what());
    stopped_ = true;
  }
}

void ScriptRunner::ReportError(const std::string& statement, const std::string& message) {
  ++failures_;
  if (callbacks_.on_error != nullptr) callbacks_.on_error(statement.c_str(), message.c_str());
  if (callbacks_.on_done != nullptr) callbacks_.on_done(number_, 0);
}

void ScriptRunner::Run(const ScriptStatement& statement) {
  ++number_;
  const std::string& text = statement.text;
  if (callbacks_.on_statement != nullptr) callbacks_.on_statement(number_, text.c_str());
  try {
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
      // The client would stop at it and run the statement's first part only.
      throw std::runtime_error(
          "NUL character at line " +
          std::to_string(statement.line + static_cast<std::size_t>(
                                              std::count(text.begin(), text.begin() + nul, '\n'))) +
          ": the statement is not run");
    }
    const auto words = Tokens(text, 4);
    const std::string first = words.empty() ? std::string() : words[0];
    const std::string second = words.size() > 1 ? words[1] : std::string();
    auto rest_is = [&](std::initializer_list<std::vector<std::string>> forms) {
      const std::vector<std::string> tail(words.begin() + 1, words.end());
      return std::any_of(forms.begin(), forms.end(), [&](const auto& f) { return f == tail; });
    };

    if (statement.set_term) {
      // Already applied by the splitter.
    } else if (first == "COMMIT" && rest_is({{}, {"WORK"}, {"RETAIN"}, {"WORK", "RETAIN"}})) {
      connection_.Commit(words.back() == "RETAIN");
    } else if (first == "ROLLBACK" && rest_is({{}, {"WORK"}, {"RETAIN"}, {"WORK", "RETAIN"}})) {
      connection_.Rollback(words.back() == "RETAIN");
    } else if (first == "SET" && second == "SQL" && words.size() == 4 && words[2] == "DIALECT") {
      if (words[3] != "1" && words[3] != "2" && words[3] != "3")
        throw std::runtime_error("Invalid SQL dialect " + words[3]);
      dialect_ = words[3][0] - '0';
    } else if (first == "SET" && second == "AUTODDL" && words.size() <= 3) {
      autoddl_ = words.size() == 2 || words[2] == "ON";
    } else if (first == "SET" && second == "TRANSACTION") {
      connection_.StartTransaction(text, dialect_);
    } else if (IsClientOption(words)) {
      // Display options and SET NAMES (the connection's character set is fixed at Connect).
    } else if ((first == "EXIT" || first == "QUIT") && words.size() == 1) {
      if (connection_.InTransaction()) {
        if (first == "EXIT")
          connection_.Commit(false);
        else
          connection_.Rollback(false);
      }
      stopped_ = true;
    } else if (IsBlockStatement(text)) {
      RunBlock(text);
    } else {
      connection_.Execute(text, dialect_, autoddl_);
    }
  } catch (const std::exception& e) {
    ReportError(text, e.what());
    return;
  }
  if (callbacks_.on_done != nullptr) callbacks_.on_done(number_, 1);
}

void ScriptRunner::RunBlock(const std::string& text) {
  const BlockStatement block = ParseBlockStatement(text);
  std::vector<std::string> lines;
  connection_.Query(block.sql, dialect_, [&](const std::string& line) { lines.push_back(line); });
  WriteLinesAtomically(block.output_file, lines);
}

int ScriptRunner::RunFile(ScriptConnection& connection, int dialect, const std::string& path,
                          ScriptCallbacks callbacks) {
  ScriptRunner runner(connection, dialect, callbacks);
  std::error_code error;
  const auto status = std::filesystem::status(FileSystemPath(path), error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    // A FIFO or a device would block the read or never end.
    runner.ReportError(path, "The script \"" + path + "\" is not a regular file");
    return runner.failures();
  }
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in) {
    runner.ReportError(path, "Cannot open the script file \"" + path + "\"");
    return runner.failures();
  }
  auto buffer = std::make_unique<char[]>(kChunkSize);
  while (in) {
    in.read(buffer.get(), kChunkSize);
    const auto got = in.gcount();
    if (got <= 0) break;
    if (!runner.Feed(std::string_view(buffer.get(), static_cast<std::size_t>(got)))) break;
  }
  if (in.bad()) runner.ReportError(path, "Cannot read the script file \"" + path + "\"");
  runner.Finish();
  return runner.failures();
}

}  // namespace updater::scriptlib
