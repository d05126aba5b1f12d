// The binding against the fixture server, with our script library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "script/run_script.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "tests/script/script_params.h"
#include "tests/support/error_of.h"
#include "tests/support/recording_operator.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

using testing::ErrorOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::RecordingOperator;
using ::testing::ThrowsMessage;

const std::string kStatementHeader = "------- STATEMENT --------";
const std::string kErrorHeader = "-------   ERROR   --------";

class RunScriptServerTest : public ::testing::Test {
 protected:
  void SetUp() override { UPDATER_SKIP_WITHOUT_TEST_SERVER(); }
  void Run(const std::string& script, Operator* log) {
    RunScriptText(ui_, Params(db_.connection_string(), testing::kTestSysdbaPassword), script, log);
  }
  // The first column of the first row, as SYSDBA sees it now.
  std::string Scalar(const std::string& sql) {
    auto attachment =
        testing::AttachToTestServer(db_.path(), "SYSDBA", testing::kTestSysdbaPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement query(attachment, transaction, sql, 3);
    query.Execute(transaction);
    if (!query.Fetch()) return "<no row>";
    return query.value(0).value_or("<null>");
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
  EXPECT_EQ(ErrorOf([&] {
              RunScriptText(quiet, Params(db_.connection_string(), testing::kTestSysdbaPassword),
                            "insert into r_t select id + 1 from r_t;", nullptr);
            }),
            "<no error>");
  EXPECT_EQ(Scalar("select list(id, ',') from (select id from r_t order by id)"), "7,8");
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
  EXPECT_EQ(Scalar("select count(*) from mon$attachments where mon$user = 'ADMN'"), "0");
}

TEST_F(RunScriptServerTest, TwoFailuresAreBothLoggedAndOnlyTheLaterIsRaised) {
  const std::string message = ErrorOf([&] {
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
  const std::string message = ErrorOf([&] { Run("EXECUTE PROCEDURE CHECK_VERSIO(1);", nullptr); });
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
  EXPECT_EQ(ErrorOf([&] { Run("execute procedure check_versio(2);", nullptr); }), "<no error>");
  EXPECT_THAT([&] { Run("execute procedure no_check_version(1);", nullptr); },
              ThrowsMessage<Error>(Not(HasSubstr("Probably"))));
}

TEST_F(RunScriptServerTest, RefusedLoginFailsWithTheServersMessage) {
  const std::string message = ErrorOf([&] {
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
  EXPECT_NE(ErrorOf([&] { Run("insert into no_such_c values (1);", nullptr); }), "<no error>");
  EXPECT_TRUE(ui_.log.empty());
  EXPECT_NE(ScriptErrorText().find("NO_SUCH_C"), std::string::npos);
  // The next run starts clean.
  Run("select 1 from rdb$database;", nullptr);
  EXPECT_TRUE(ScriptErrorText().empty());
}

TEST_F(RunScriptServerTest, ScriptFileRunsTrimmedPath) {
  const auto file = std::filesystem::path(testing::TestDatabaseFolder()) /
                    ("script_" + std::to_string(testing::OwnProcessId()) + ".sql");
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
