// The same scripts through isql-fb and through the built library, on two fresh databases of
// the fixture's server: what stays committed must be the same.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "script/script_library.h"
#include "script/script_library_abi.h"
#include "tests/scriptlib/scratch_database.h"

namespace updater {
namespace {

using testing::kClientLibrary;
using testing::kSysdbaPassword;
using testing::ScratchDatabase;
using namespace std::string_literals;

std::vector<std::string> g_errors;

std::int32_t IBES_CALL NoteConnectError(const char* text) {
  g_errors.emplace_back(text);
  return 0;
}
std::int32_t IBES_CALL NoteError(const char*, const char* text) {
  g_errors.emplace_back(text);
  return 0;
}
std::int32_t IBES_CALL Ignore(std::int32_t, const char*) {
  return 0;
}
std::int32_t IBES_CALL IgnoreDone(std::int32_t, std::int32_t) {
  return 0;
}

struct Case {
  const char* name;
  std::string script;  // X names the case's table (i int), X_D a table the script may create
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// The rows of a table as text, or "missing" when it does not exist.
std::string Contents(const ScratchDatabase& db, const std::string& table) {
  try {
    std::string text;
    for (const auto& row : db.Query("select * from " + table + " order by 1")) {
      for (const auto& value : row) text += value.value_or("<null>") + ",";
      text += ";";
    }
    return text;
  } catch (const std::exception&) {
    return "missing";
  }
}

class IsqlAgreementServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    g_errors.clear();
    library_ = std::make_unique<ScriptLibrary>();
    connect_ = reinterpret_cast<IbesConnectFunction>(library_->Find("Connect"));
    file_ = reinterpret_cast<IbesExecScriptFunction>(library_->Find("ExecScriptFile"));
    ASSERT_NE(connect_, nullptr);
    ASSERT_NE(file_, nullptr);
    const std::string params = "db_name=" + ours_.connection() + "; password=" + kSysdbaPassword +
                               "; user_name=SYSDBA; lc_ctype=UTF8; sql_role_name=; " +
                               "sql_dialect=3; clientlib=\"" + kClientLibrary + "\"";
    ASSERT_EQ(connect_(params.c_str(), NoteConnectError), 0) << g_errors.at(0);
  }

  std::string WriteScript(const std::string& name, const std::string& text) {
    const auto file = std::filesystem::path(ours_.path()).parent_path() /
                      (name + "_" + std::to_string(testing::OwnProcessId()) + ".sql");
    std::ofstream(file, std::ios::binary) << text;
    files_.push_back(file);
    return file.string();
  }

  void RunIsql(const std::string& file) {
    const std::string command = "isql-fb -q -user SYSDBA -password " +
                                std::string(kSysdbaPassword) + " " + isql_.connection() + " -i " +
                                file + " >/dev/null 2>&1";
    // isql's exit code reports failed statements; the databases are compared instead.
    static_cast<void>(std::system(command.c_str()));
  }

  void RunBoth(const std::string& script) {
    const std::string file = WriteScript("agree", script);
    RunIsql(file);
    file_(file.c_str(), NoteError, Ignore, IgnoreDone);
  }

  void TearDown() override {
    for (const auto& file : files_) std::filesystem::remove(file);
  }

  ScratchDatabase isql_{"agree_isql"};
  ScratchDatabase ours_{"agree_ours"};
  std::unique_ptr<ScriptLibrary> library_;
  IbesConnectFunction connect_ = nullptr;
  IbesExecScriptFunction file_ = nullptr;
  std::vector<std::filesystem::path> files_;
};

TEST_F(IsqlAgreementServerTest, TransactionsAndMetadataEndAsInIsql) {
  ASSERT_EQ(std::system("command -v isql-fb >/dev/null"), 0) << "isql-fb is not installed";
  const std::vector<Case> cases = {
      {"ddl then rollback", "insert into X values (1); create table X_D (x int); rollback;"},
      {"dml on a new column",
       "insert into X (i) values (1); alter table X add c int; update X set c = 1; "
       "insert into X values (2, 2); commit;"},
      {"quit",
       "insert into X values (1); create table X_D (x int); insert into X_D values (1); "
       "quit; insert into X values (2);"},
      {"exit",
       "insert into X values (1); create table X_D (x int); insert into X_D values (1); "
       "exit; insert into X values (2);"},
      {"end of script",
       "insert into X values (1); create table X_D (x int); insert into X_D values (2); "
       "rollback; insert into X values (3); insert into X_D values (4);"},
      {"autoddl off",
       "set autoddl off; insert into X values (1); create table X_D (x int); rollback; "
       "insert into X values (2); create table X_D (y int); commit;"},
      {"ddl first",
       "create table X_D (x int); insert into X_D values (1); rollback; "
       "insert into X values (1); drop table X_D; quit;"},
      {"retain",
       "insert into X values (1); commit retain; create table X_D (x int); "
       "insert into X_D values (5); insert into X values (2); rollback;"},
      {"nul byte",
       "insert into X values (1);\ninsert into X values (2);\ndelete from X\0 where i = 1;\n"s},
  };
  int number = 0;
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string table = "AGREE" + std::to_string(++number);
    RunBoth(Replace("create table X (i int); commit;", "X", table));
    RunBoth(Replace(test.script, "X", table));
    for (const std::string& name : {table, table + "_D"}) {
      EXPECT_EQ(Contents(ours_, name), Contents(isql_, name)) << name;
    }
  }
  // Not agreement by both doing nothing: the cases leave rows behind.
  EXPECT_EQ(Contents(ours_, "AGREE2"), "1,1,;2,2,;");
  EXPECT_EQ(Contents(ours_, "AGREE1"), "");  // there, but empty
  EXPECT_EQ(Contents(ours_, "AGREE1_D"), "");
  EXPECT_EQ(Contents(ours_, "AGREE3_D"), "");
  EXPECT_EQ(Contents(ours_, "AGREE7_D"), "missing");
  EXPECT_EQ(Contents(ours_, "AGREE9"), "1,;2,;");
}

TEST_F(IsqlAgreementServerTest, ANulByteRefusesTheStatementAndNamesItsLine) {
  const std::string file =
      WriteScript("nul",
                  "create table n (i int);\ninsert into n values (1);\n"
                  "delete\nfrom n\0 where i = 1;\ninsert into n values (2);\n"s);
  file_(file.c_str(), NoteError, Ignore, IgnoreDone);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0], "NUL character at line 4: the statement is not run");
  EXPECT_EQ(Contents(ours_, "N"), "1,;2,;");
}

}  // namespace
}  // namespace updater
