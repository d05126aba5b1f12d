// The built library, loaded and called through its exports against the fixture's server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/scriptlib/script_library_fixture.h"

namespace updater {
namespace {

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
                   ("block_out_" + std::to_string(testing::OwnProcessId()) + ".txt");
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

TEST_F(ScriptLibraryServerTest, MissingScriptFileIsAnError) {
  ConnectOk();
  const std::string missing = testing::TestDatabaseFolder() + "/no_such_script.sql";
  file_(missing.c_str(), RecordError, RecordStatement, RecordDone);
  ASSERT_EQ(g_recorded.errors.size(), 1u);
  EXPECT_NE(g_recorded.errors[0].second.find("no_such_script.sql"), std::string::npos);
}

}  // namespace
}  // namespace updater
