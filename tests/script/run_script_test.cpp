#include "script/run_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "script/script_library.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::RecordingOperator;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

constexpr const char* kClient = "libfbclient.so.2";
const std::string kStatementHeader = "------- STATEMENT --------";
const std::string kErrorHeader = "-------   ERROR   --------";

// The connection of most cases: SYSDBA through the system's client, in UTF8.
db::ConnectionParams Params(const std::string& database, const std::string& password = "pw") {
  return {.client_library = kClient,
          .database = database,
          .user = "SYSDBA",
          .password = password,
          .charset = "UTF8"};
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

std::string DoublePath(const char* variant) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "doubles" /
          (std::string("libibes_double_") + variant + ".so"))
      .string();
}

TEST(ConnectParams, ValueHoldingTheSeparatorIsRefusedBeforeAnythingLoads) {
  // A library path that cannot load shows whether loading was tried.
  ScopedScriptLibraryFile missing("/nonexistent/libnothing.so");
  RecordingOperator ui;
  const std::vector<std::string> names = {"db_name",  "password",      "user_name",
                                          "lc_ctype", "sql_role_name", "clientlib"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::vector<std::string> v = {"localhost/3051:/x.fdb", "pw", "SYSDBA", "UTF8", "", kClient};
    v[i] = "x; user_name=SYSDBA";
    const std::string message = MessageOf([&] {
      RunScriptText(ui,
                    {.client_library = v[5],
                     .database = v[0],
                     .user = v[2],
                     .password = v[1],
                     .charset = v[3],
                     .role = v[4]},
                    "select 1 from rdb$database;", &ui);
    });
    EXPECT_EQ(message, "The value of the connection parameter \"" + names[i] +
                           "\" must not contain a semicolon followed by a blank!");
  }
  EXPECT_TRUE(ui.log.empty());
}

TEST(RunScript, BlankArgumentsAndScriptsAreRefused) {
  RecordingOperator ui;
  EXPECT_THAT([&] { RunScriptText(ui, Params("db", " \t"), "x", &ui); },
              ThrowsMessage<Error>(StrEq("The password was not specified!")));
  EXPECT_THAT(
      [&] {
        RunScriptText(ui,
                      {.client_library = " ",
                       .database = "db",
                       .user = "SYSDBA",
                       .password = "pw",
                       .charset = "UTF8"},
                      "x", &ui);
      },
      ThrowsMessage<Error>(StrEq("The client's library was not specified!")));
  EXPECT_THAT([&] { RunScriptText(ui, Params("db"), " \r\n\t ", &ui); },
              ThrowsMessage<Error>(StrEq("The script is empty!")));
  EXPECT_THAT([&] { RunScriptFile(ui, Params("db"), "  \r\n", &ui); },
              ThrowsMessage<Error>(StrEq("The script's file was not specified!")));
  EXPECT_THAT([&] { RunScriptFile(ui, Params("db"), " /var/tmp/no such dir/update.sql\r\n", &ui); },
              ThrowsMessage<Error>(
                  StrEq("The \"/var/tmp/no such dir/update.sql\" script file was not found!")));
  EXPECT_THAT([&] { RunScriptFile(ui, Params("db"), "/var/tmp", &ui); },
              ThrowsMessage<Error>(StrEq("The \"/var/tmp\" script file was not found!")));
}

TEST(RunScript, LibraryFaultsNameTheFileUsed) {
  EXPECT_EQ(ScriptLibraryFileName(), "libibes033008.so");
  RecordingOperator ui;
  auto run_text = [&] { RunScriptText(ui, Params("localhost/3051:/x.fdb"), "x;", &ui); };
  {
    ScopedScriptLibraryFile file("/nonexistent/libnothing.so");
    EXPECT_THAT(
        run_text,
        ThrowsMessage<Error>(StrEq("It is impossible to download the \"libnothing.so\" library!")));
  }
  {
    ScopedScriptLibraryFile file(DoublePath("bare"));
    EXPECT_THAT(
        run_text,
        ThrowsMessage<Error>(StrEq(
            "The \"Connect\" function was not found in the \"libibes_double_bare.so\" library!")));
  }
  {
    ScopedScriptLibraryFile file(DoublePath("partial"));
    const auto script =
        std::filesystem::temp_directory_path() / ("partial_" + std::to_string(getpid()) + ".sql");
    std::ofstream(script) << "select 1 from rdb$database;";
    EXPECT_THAT([&] { RunScriptFile(ui, Params("x"), script.string(), &ui); },
                ThrowsMessage<Error>(StrEq(
                    "The function was not found in the \"libibes_double_partial.so\" library! "
                    "(ExecScriptFile)")));
    std::filesystem::remove(script);
  }
}

TEST(RunScript, ConnectionFailureReportedEitherWayFailsTheRun) {
  ScopedScriptLibraryFile file(DoublePath("partial"));
  RecordingOperator ui;
  EXPECT_THAT(
      [&] { RunScriptText(ui, Params("callback-only"), "x;", &ui); },
      ThrowsMessage<Error>(StrEq(
          "Error of the connection to the database!\rRefused, said only through the callback")));
  EXPECT_THAT([&] { RunScriptText(ui, Params("result-only"), "x;", &ui); },
              ThrowsMessage<Error>(StrEq("Error of the connection to the database!\r")));
  // A script export's result alone is no failure.
  EXPECT_EQ(MessageOf([&] { RunScriptText(ui, Params("fine"), "  y;  ", &ui); }), "<no error>");
  EXPECT_EQ(ui.log, (std::vector<std::string>{"y;"}));
  EXPECT_TRUE(ScriptErrorText().empty());
}

class RunScriptServerTest : public ::testing::Test {
 protected:
  void Run(const std::string& script, Operator* log) {
    RunScriptText(ui_, Params(db_.connection_string(), testing::kTestSysdbaPassword), script, log);
  }
  // The first value of the first row, read as SYSDBA on an attachment of its own.
  std::optional<std::string> FirstValue(const std::string& sql) {
    auto attachment =
        testing::AttachToTestServer(db_.path(), "SYSDBA", testing::kTestSysdbaPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement query(attachment, transaction, sql, 3);
    query.Execute(transaction);
    if (!query.Fetch()) return "<no row>";
    return query.value(0);
  }
  testing::TestDatabase db_{"run_script"};
  RecordingOperator ui_;
};

TEST_F(RunScriptServerTest, CleanScriptChangesTheDatabaseAndLogsEachStatement) {
  Run("SET SQL DIALECT 3; create table r_t (id integer); insert into r_t values (7); commit;",
      &ui_);
  EXPECT_TRUE(ScriptErrorText().empty());
  EXPECT_EQ(ui_.log, (std::vector<std::string>{"SET SQL DIALECT 3", "create table r_t (id integer)",
                                               "insert into r_t values (7)", "commit"}));
  EXPECT_GE(ui_.pumps, 4);
  // A second run sees the first one's work.
  RecordingOperator quiet;
  EXPECT_EQ(MessageOf([&] {
              RunScriptText(quiet, Params(db_.connection_string(), testing::kTestSysdbaPassword),
                            "insert into r_t select id + 1 from r_t;", nullptr);
            }),
            "<no error>");
  EXPECT_EQ(FirstValue("select list(id, ',') from (select id from r_t order by id)"),
            std::optional<std::string>("7,8"));
  EXPECT_TRUE(quiet.log.empty());
}

TEST_F(RunScriptServerTest, NoAttachmentOutlivesTheRun) {
  RunScriptText(ui_,
                {.client_library = kClient,
                 .database = db_.connection_string(),
                 .user = "ADMN",
                 .password = testing::kTestAdmnPassword,
                 .charset = "UTF8"},
                "select 1 from rdb$database;", nullptr);
  EXPECT_EQ(FirstValue("select count(*) from mon$attachments where mon$user = 'ADMN'"),
            std::optional<std::string>("0"));
}

TEST_F(RunScriptServerTest, TwoFailuresAreBothLoggedAndOnlyTheLaterIsRaised) {
  const std::string message = MessageOf([&] {
    Run("insert into no_such_a values (1);\ncreate table r_ok (id integer);\n"
        "insert into no_such_b values (2);\n",
        &ui_);
  });
  // Entries: statement, 4 error lines, statement, statement, 4 error lines.
  ASSERT_EQ(ui_.log.size(), 11u);
  EXPECT_EQ(ui_.log[1], kStatementHeader);
  EXPECT_EQ(ui_.log[2], "insert into no_such_a values (1)");
  EXPECT_EQ(ui_.log[3], kErrorHeader);
  EXPECT_NE(ui_.log[4].find("NO_SUCH_A"), std::string::npos);
  EXPECT_EQ(ui_.log[7], kStatementHeader);
  EXPECT_EQ(ui_.log[8], "insert into no_such_b values (2)");
  const std::string later_error = ui_.log[10];
  EXPECT_NE(later_error.find("NO_SUCH_B"), std::string::npos);
  EXPECT_EQ(message, "Error of using script!\r" + kErrorHeader + "\r" + later_error + "\r\r" +
                         kStatementHeader + "\rinsert into no_such_b values (2)");
  EXPECT_EQ(message.find("NO_SUCH_A"), std::string::npos);
}

TEST_F(RunScriptServerTest, FailingVersionCheckGetsTheIncompatibilityText) {
  Run("create exception e_version 'Wrong version';\n"
      "set term ^ ;\n"
      "create procedure check_versio (v integer) as begin\n"
      "  if (v <> 2) then exception e_version;\nend^\nset term ; ^\n",
      &ui_);
  const std::string message =
      MessageOf([&] { Run("EXECUTE PROCEDURE CHECK_VERSIO(1);", nullptr); });
  const std::string head =
      "Error of using script!\r\rProbably, there is incompatibility of update version and "
      "version of the databease being updated!\r\r" +
      kErrorHeader + "\r";
  EXPECT_EQ(message.rfind(head, 0), 0u) << message;
  EXPECT_NE(message.find("Wrong version"), std::string::npos);
  const std::string tail = "\r\r" + kStatementHeader + "\rEXECUTE PROCEDURE CHECK_VERSIO(1)";
  ASSERT_GT(message.size(), tail.size());
  EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
  // The right version passes, and another failing procedure gets no such text.
  EXPECT_EQ(MessageOf([&] { Run("execute procedure check_versio(2);", nullptr); }), "<no error>");
  EXPECT_THAT([&] { Run("execute procedure no_check_version(1);", nullptr); },
              ThrowsMessage<Error>(Not(HasSubstr("Probably"))));
}

TEST_F(RunScriptServerTest, RefusedLoginFailsWithTheServersMessage) {
  const std::string message = MessageOf([&] {
    RunScriptText(ui_,
                  {.client_library = kClient,
                   .database = db_.connection_string(),
                   .user = "ADMN",
                   .password = "wrong",
                   .charset = "UTF8"},
                  "SET SQL DIALECT 3; ", &ui_);
  });
  EXPECT_EQ(message.rfind("Error of the connection to the database!\r", 0), 0u);
  EXPECT_NE(message.find("password"), std::string::npos) << message;
  EXPECT_TRUE(ui_.log.empty());
  // The right password connects.
  RunScriptText(ui_,
                {.client_library = kClient,
                 .database = db_.connection_string(),
                 .user = "ADMN",
                 .password = testing::kTestAdmnPassword,
                 .charset = "UTF8"},
                "SET SQL DIALECT 3; ", &ui_);
}

TEST_F(RunScriptServerTest, WithoutALogTargetErrorsAreStillCollected) {
  EXPECT_NE(MessageOf([&] { Run("insert into no_such_c values (1);", nullptr); }), "<no error>");
  EXPECT_TRUE(ui_.log.empty());
  EXPECT_NE(ScriptErrorText().find("NO_SUCH_C"), std::string::npos);
  // The next run starts clean.
  Run("select 1 from rdb$database;", nullptr);
  EXPECT_TRUE(ScriptErrorText().empty());
}

TEST_F(RunScriptServerTest, ScriptFileRunsTrimmedPath) {
  const auto file = std::filesystem::path(testing::TestDatabaseFolder()) /
                    ("script_" + std::to_string(getpid()) + ".sql");
  std::ofstream(file, std::ios::binary) << "create table f_t (id integer);\r\n"
                                           "insert into f_t values (1);\r\n";
  RunScriptFile(ui_, Params(db_.connection_string(), testing::kTestSysdbaPassword),
                "  " + file.string() + "\r\n", &ui_);
  std::filesystem::remove(file);
  EXPECT_EQ(ui_.log, (std::vector<std::string>{"create table f_t (id integer)",
                                               "insert into f_t values (1)"}));
}

}  // namespace
}  // namespace updater
