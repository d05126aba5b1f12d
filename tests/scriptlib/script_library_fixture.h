#pragma once

// The built library, loaded through its exports, and a fresh database on the fixture's server.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/script_library.h"
#include "script/script_library_abi.h"
#include "tests/scriptlib/scratch_database.h"

namespace updater {
namespace {

using testing::kClientLibrary;
using testing::kSysdbaPassword;
using testing::ScratchDatabase;

struct Recorded {
  std::vector<std::string> connect_errors;
  std::vector<std::string> statements;
  std::vector<std::pair<std::string, std::string>> errors;  // statement, message
  std::vector<int> done;
};
Recorded g_recorded;

std::int32_t IBES_CALL RecordConnectError(const char* text) {
  g_recorded.connect_errors.emplace_back(text);
  return 0;
}
std::int32_t IBES_CALL RecordError(const char* statement, const char* text) {
  g_recorded.errors.emplace_back(statement, text);
  return 0;
}
std::int32_t IBES_CALL RecordStatement(std::int32_t, const char* text) {
  g_recorded.statements.emplace_back(text);
  return 0;
}
std::int32_t IBES_CALL RecordDone(std::int32_t, std::int32_t succeeded) {
  g_recorded.done.push_back(succeeded);
  return 0;
}

std::string Params(const std::string& database, const std::string& user = "SYSDBA",
                   const std::string& password = kSysdbaPassword) {
  return "db_name=" + database + "; password=" + password + "; user_name=" + user +
         "; lc_ctype=UTF8; sql_role_name=; sql_dialect=3; clientlib=\"" + kClientLibrary + "\"";
}

class ScriptLibraryServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    g_recorded = {};
    library_ = std::make_unique<ScriptLibrary>();
    connect_ = reinterpret_cast<IbesConnectFunction>(library_->Find("Connect"));
    text_ = reinterpret_cast<IbesExecScriptFunction>(library_->Find("ExecScriptText"));
    file_ = reinterpret_cast<IbesExecScriptFunction>(library_->Find("ExecScriptFile"));
    ASSERT_NE(connect_, nullptr);
    ASSERT_NE(text_, nullptr);
    ASSERT_NE(file_, nullptr);
  }

  void ConnectOk() {
    ASSERT_EQ(connect_(Params(db_.connection()).c_str(), RecordConnectError), 0)
        << (g_recorded.connect_errors.empty() ? "" : g_recorded.connect_errors[0]);
  }
  void RunText(const std::string& script) {
    text_(script.c_str(), RecordError, RecordStatement, RecordDone);
  }
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> values;
    for (const auto& row : db_.Query(sql)) values.push_back(row.at(0).value_or("<null>"));
    return values;
  }

  ScratchDatabase db_{"script_library"};
  std::unique_ptr<ScriptLibrary> library_;
  IbesConnectFunction connect_ = nullptr;
  IbesExecScriptFunction text_ = nullptr;
  IbesExecScriptFunction file_ = nullptr;
};

}  // namespace
}  // namespace updater
