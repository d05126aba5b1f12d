// The built library, loaded and called through its exports against the fixture's server.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "script/script_library.h"
#include "script/script_library_abi.h"
#include "sys/executable_folder.h"
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

long PeakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class ScriptLibraryServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
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

TEST_F(ScriptLibraryServerTest, ConnectReportsTheServersMessageAndBadParameters) {
  EXPECT_NE(connect_(Params(db_.connection(), "SYSDBA", "wrong").c_str(), RecordConnectError), 0);
  ASSERT_EQ(g_recorded.connect_errors.size(), 1u);
  EXPECT_NE(g_recorded.connect_errors[0].find("user name and password are not defined"),
            std::string::npos)
      << g_recorded.connect_errors[0];

  EXPECT_NE(connect_("db_name=x; colour=blue", RecordConnectError), 0);
  ASSERT_EQ(g_recorded.connect_errors.size(), 2u);
  EXPECT_NE(g_recorded.connect_errors[1].find("colour"), std::string::npos);

  // Without a connection a script is refused, not run.
  RunText("create table never (a int);");
  EXPECT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_TRUE(Column("select rdb$relation_name from rdb$relations where rdb$relation_name = "
                     "'NEVER'")
                  .empty());
}

TEST_F(ScriptLibraryServerTest, RunsAScriptEchoingEveryStatementFirst) {
  ConnectOk();
  RunText(
      "SET SQL DIALECT 3;\r\n"
      "create table t (id integer not null, name varchar(20));\n"
      "insert into t values (1, 'one;1');\n"
      "insert into t values (2, 'two');\n"
      "commit;\n");
  EXPECT_TRUE(g_recorded.errors.empty());
  EXPECT_EQ(g_recorded.statements,
            (std::vector<std::string>{
                "SET SQL DIALECT 3", "create table t (id integer not null, name varchar(20))",
                "insert into t values (1, 'one;1')", "insert into t values (2, 'two')", "commit"}));
  EXPECT_EQ(g_recorded.done, (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_EQ(Column("select name from t order by id"), (std::vector<std::string>{"one;1", "two"}));
}

TEST_F(ScriptLibraryServerTest, AFailingStatementIsReportedAndTheScriptGoesOn) {
  ConnectOk();
  RunText(
      "create table t (id integer primary key);\n"
      "insert into t values (1);\n"
      "insert into t values (1);\n"
      "insert into missing_table values (2);\n"
      "insert into t values (3);\n");
  ASSERT_EQ(g_recorded.errors.size(), 2u);
  EXPECT_EQ(g_recorded.errors[0].first, "insert into t values (1)");
  EXPECT_NE(g_recorded.errors[0].second.find("violation of PRIMARY or UNIQUE KEY"),
            std::string::npos)
      << g_recorded.errors[0].second;
  EXPECT_EQ(g_recorded.errors[1].first, "insert into missing_table values (2)");
  EXPECT_NE(g_recorded.errors[1].second.find("MISSING_TABLE"), std::string::npos);
  EXPECT_EQ(g_recorded.done, (std::vector<int>{1, 1, 0, 0, 1}));
  // Work left open at the end is committed.
  EXPECT_EQ(Column("select id from t order by id"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(ScriptLibraryServerTest, CommitRollbackAndAutoDdl) {
  ConnectOk();
  RunText(
      "create table t (id integer);\n"
      "insert into t values (1);\n"  // the table's DDL was committed already
      "commit work;\n"
      "insert into t values (2);\n"
      "rollback;\n"
      "insert into t values (3);\n"
      "commit retain;\n"
      "insert into t values (4);\n"
      "rollback work;\n"
      "set autoddl off;\n"
      "create table u (id integer);\n"
      "rollback;\n");
  EXPECT_TRUE(g_recorded.errors.empty()) << g_recorded.errors[0].second;
  EXPECT_EQ(Column("select id from t order by id"), (std::vector<std::string>{"1", "3"}));
  EXPECT_TRUE(
      Column("select rdb$relation_name from rdb$relations where rdb$relation_name = 'U'").empty());
}

TEST_F(ScriptLibraryServerTest, IsqlOptionsAreAcceptedAndServerSetCommandsRun) {
  ConnectOk();
  RunText(
      "set names utf8; set echo on; set list on; set stats off; set time on; set bail on;\n"
      "set width name 10; set heading off; set warnings on; set plan off;\n"
      "create table t (id integer);\n"
      "create index t_id on t (id);\n"
      "insert into t values (1); insert into t values (2);\n"
      "insert into t values (3); insert into t values (4);\n"
      "commit;\n"
      "set statistics index t_id;\n"
      "set sql dialect 1;\n"
      "select \"a\" from rdb$database;\n"  // a string in dialect 1, a missing column in 3
      "set sql dialect 3;\n"
      "select \"a\" from rdb$database;\n");
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_EQ(g_recorded.errors[0].first, "select \"a\" from rdb$database");
  EXPECT_EQ(Column("select cast(rdb$statistics * 100 as integer) from rdb$indices "
                   "where rdb$index_name = 'T_ID'"),
            (std::vector<std::string>{"25"}));
}

TEST_F(ScriptLibraryServerTest, SetTransactionStartsTheScriptsTransactionAndExitStops) {
  ConnectOk();
  RunText(
      "create table t (id integer);\n"
      "insert into t values (1);\n"
      "set transaction read only;\n"  // commits the insert before it
      "insert into t values (2);\n"
      "commit;\n"
      "insert into t values (3);\n"
      "exit;\n"
      "insert into t values (4);\n");
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_EQ(g_recorded.errors[0].first, "insert into t values (2)");
  EXPECT_NE(g_recorded.errors[0].second.find("read-only"), std::string::npos)
      << g_recorded.errors[0].second;
  EXPECT_EQ(Column("select id from t order by id"), (std::vector<std::string>{"1", "3"}));
  EXPECT_EQ(g_recorded.statements.back(), "exit");
}

TEST_F(ScriptLibraryServerTest, PsqlBodiesBetweenChangedTerminators) {
  ConnectOk();
  RunText(
      "create table log_t (v varchar(10));\n"
      "set term ^^ ;\n"
      "create procedure add_row (v varchar(10)) as\n"
      "begin\n"
      "  insert into log_t values (:v); -- a terminator of old; here\n"
      "end^^\n"
      "set term ; ^^\n"
      "execute procedure add_row('a;b');\n"
      "select count(*) from log_t;\n");
  EXPECT_TRUE(g_recorded.errors.empty()) << g_recorded.errors[0].second;
  EXPECT_EQ(Column("select v from log_t"), (std::vector<std::string>{"a;b"}));
}

TEST_F(ScriptLibraryServerTest, UnterminatedStringStopsWithAClearError) {
  ConnectOk();
  RunText(
      "create table t (v varchar(10));\n"
      "insert into t values ('fine');\n"
      "insert into t values ('never closed);\n"
      "insert into t values (1);\n");
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_EQ(g_recorded.errors[0].second, "Unterminated string literal starting at line 3");
  EXPECT_EQ(g_recorded.errors[0].first.rfind("insert into t values ('never closed);", 0), 0u);
  EXPECT_EQ(Column("select v from t"), (std::vector<std::string>{"fine"}));
}

TEST_F(ScriptLibraryServerTest, BlockWritesItsRowsToTheNamedFile) {
  ConnectOk();
  const auto out = std::filesystem::path(db_.path()).parent_path() /
                   ("block_out_" + std::to_string(getpid()) + ".txt");
  std::filesystem::remove(out);
  RunText(
      "create table t (id integer, name varchar(10));\n"
      "insert into t values (1, 'x''y');\ninsert into t values (2, null);\n"
      "execute ibeblock(Title = 'T:', Target = '" +
      out.string() +
      "') output to Target\n"
      "returns (line varchar(100))\nas\ndeclare variable n varchar(10);\nbegin\n"
      "  for select name from t order by id into :n do\n"
      "  begin\n    line = :Title || coalesce(n, '-') || ';';\n    suspend;\n  end\n"
      "end;\n"
      "insert into t values (3, 'after');\n");
  EXPECT_TRUE(g_recorded.errors.empty()) << g_recorded.errors[0].second;
  std::ifstream in(out, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(written, "T:x'y;\r\nT:-;\r\n");
  EXPECT_EQ(Column("select count(*) from t"), (std::vector<std::string>{"3"}));

  // A failing body leaves no file behind and is an error like any other.
  std::filesystem::remove(out);
  RunText("execute ibeblock(F = '" + out.string() +
          "') returns (line varchar(10)) as begin select 1 from nowhere into :line; end;");
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_NE(g_recorded.errors[0].second.find("NOWHERE"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));
  std::filesystem::remove(out);
}

TEST_F(ScriptLibraryServerTest, LargeScriptFileRunsInFlatMemory) {
  ConnectOk();
  const auto file = std::filesystem::path(db_.path()).parent_path() /
                    ("large_" + std::to_string(getpid()) + ".sql");
  {
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF"
           "create table t (id integer);\r\n";
    const std::string filler = "-- " + std::string(1000, 'x') + " ; 'not a string\r\n";
    for (int i = 0; i < 64 * 1024; ++i) {  // about 64 MB
      out << filler;
      if (i % 4096 == 0) out << "insert into t values (" << i << ");\r\n";
    }
  }
  const long before = PeakResidentKilobytes();
  file_(file.string().c_str(), RecordError, RecordStatement, RecordDone);
  const long growth = PeakResidentKilobytes() - before;
  std::filesystem::remove(file);
  EXPECT_TRUE(g_recorded.errors.empty()) << g_recorded.errors[0].second;
  EXPECT_EQ(Column("select count(*) from t"), (std::vector<std::string>{"16"}));
  EXPECT_LT(growth, 16 * 1024) << "peak memory grew by " << growth << " kB";
}

TEST_F(ScriptLibraryServerTest, OnlyRegularFilesAreRunAsScripts) {
  ConnectOk();
  const auto fifo = std::filesystem::path(db_.path()).parent_path() /
                    ("fifo_" + std::to_string(getpid()) + ".sql");
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto folder = fifo.parent_path();
  for (const auto& path : {fifo, folder}) {
    g_recorded = {};
    file_(path.string().c_str(), RecordError, RecordStatement, RecordDone);
    ASSERT_EQ(g_recorded.errors.size(), 1u) << path;
    EXPECT_EQ(g_recorded.errors[0].second,
              "The script \"" + path.string() + "\" is not a regular file");
  }
  std::filesystem::remove(fifo);
}

TEST_F(ScriptLibraryServerTest, MissingScriptFileIsAnError) {
  ConnectOk();
  file_("/var/tmp/updater-test-db/no_such_script.sql", RecordError, RecordStatement, RecordDone);
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_NE(g_recorded.errors[0].second.find("no_such_script.sql"), std::string::npos);
}

}  // namespace
}  // namespace updater

namespace updater {
namespace {

TEST(ScriptLibraryHostServerTest, AHostMayExitWithTheLibraryLoadedAndConnected) {
  ScratchDatabase db("host_exit");
  const std::string command =
      "'" + ExecutableFolder() + "/scriptlib_exit_host' '" + Params(db.connection()) + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace updater
