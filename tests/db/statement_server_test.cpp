#include <gtest/gtest.h>

#include <ibase.h>

#include <string>
#include <vector>

#include "db/firebird_error.h"
#include "db/statement.h"
#include "db/transaction.h"
#include "sys/error.h"
#include "tests/support/test_database.h"

namespace updater::db {
namespace {

using testing::AttachToTestServer;
using testing::kTestSysdbaPassword;

class StatementServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    attachment_ = AttachToTestServer(db_.path(), "SYSDBA", kTestSysdbaPassword);
  }
  std::vector<std::vector<Statement::Value>> Rows(
      const std::string& sql, const std::vector<Statement::Value>& params = {}) {
    Transaction transaction(attachment_, ReadCommittedParameters());
    Statement statement(attachment_, transaction, sql, 3);
    statement.Execute(transaction, params);
    std::vector<std::vector<Statement::Value>> rows;
    while (statement.Fetch()) rows.push_back(statement.row());
    return rows;
  }

  testing::TestDatabase db_{"statements"};
  Attachment attachment_;
};

TEST_F(StatementServerTest, ANameTooLongForTheClientIsRefusedNotCut) {
  // Cut to its length modulo 65536, this name would be the test database's own.
  const std::string name = std::string(testing::kTestServerPrefix) + db_.path();
  const std::string padded = name + std::string(65536, 'x');
  try {
    Attachment attachment(testing::TestClientApi(), padded,
                          DatabaseParameters("SYSDBA", kTestSysdbaPassword, "UTF8", ""));
    FAIL() << "attached through a name of " << padded.size() << " bytes";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "The database name is " + std::to_string(padded.size()) +
                                         " bytes long; at most 32767 can be attached");
  }
}

TEST_F(StatementServerTest, ColumnsComeBackAsText) {
  const auto rows = Rows(
      "SELECT ID, TITLE, AMOUNT, CAST(CREATED AS DATE) - CAST(CREATED AS DATE), BODY,"
      " CAST('2024-03-01 10:20:30.5' AS TIMESTAMP), CAST(NULL AS INTEGER), 1.5e0,"
      " DATE '1858-11-17', DATE '2000-02-29', DATE '0001-01-01', TIME '23:59:59.9999'"
      " FROM DV_DOCUMENTS");
  ASSERT_EQ(rows.size(), 1u);
  const auto& r = rows[0];
  EXPECT_EQ(r[0], "1");
  EXPECT_EQ(r[1], "First");
  EXPECT_EQ(r[2], "12.50");
  EXPECT_EQ(r[3], "0");
  EXPECT_EQ(r[4], "Body text");
  EXPECT_EQ(r[5], "2024-03-01 10:20:30.5000");
  EXPECT_EQ(r[6], std::nullopt);
  EXPECT_EQ(r[7].value_or("").substr(0, 3), "1.5");
  EXPECT_EQ(r[8], "1858-11-17");
  EXPECT_EQ(r[9], "2000-02-29");
  EXPECT_EQ(r[10], "0001-01-01");
  EXPECT_EQ(r[11], "23:59:59.9999");
}

TEST_F(StatementServerTest, FixedLengthTextKeepsItsPadding) {
  const auto rows = Rows("SELECT CAST('ab' AS CHAR(4)) FROM RDB$DATABASE");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "ab  ");
}

TEST_F(StatementServerTest, RowsInOrderAndNullsAsNothing) {
  const auto rows = Rows("SELECT ID, VAL FROM DV_SETTINGS ORDER BY ID");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<Statement::Value>{"1", "1.0"}));
  EXPECT_EQ(rows[1], (std::vector<Statement::Value>{"2", std::nullopt}));
}

TEST_F(StatementServerTest, ParametersGoInAsText) {
  EXPECT_EQ(Rows("SELECT NAME FROM DV_SETTINGS WHERE ID = ?", {"2"}),
            (std::vector<std::vector<Statement::Value>>{{"Language"}}));
  {
    Transaction transaction(attachment_, ReadCommittedParameters());
    Statement insert(attachment_, transaction,
                     "INSERT INTO DV_SETTINGS (ID, NAME, VAL) VALUES (?, ?, ?)", 3);
    EXPECT_EQ(insert.type(), isc_info_sql_stmt_insert);
    EXPECT_EQ(insert.parameter_count(), 3u);
    insert.Execute(transaction, {"3", "Empty", std::nullopt});
    insert.Execute(transaction, {"4", "Text", "x'y"});
    EXPECT_THROW(insert.Execute(transaction, {"5"}), Error);
    transaction.Commit();
  }
  EXPECT_EQ(Rows("SELECT ID, VAL FROM DV_SETTINGS WHERE ID > 2 ORDER BY ID"),
            (std::vector<std::vector<Statement::Value>>{{"3", std::nullopt}, {"4", "x'y"}}));
}

TEST_F(StatementServerTest, TextGoesIntoBlobParameters) {
  {
    Transaction transaction(attachment_, ReadCommittedParameters());
    Statement update(attachment_, transaction, "UPDATE DV_DOCUMENTS SET BODY = ? WHERE ID = ?", 3);
    update.Execute(transaction, {"New body", "1"});
    transaction.Commit();
  }
  EXPECT_EQ(Rows("SELECT BODY FROM DV_DOCUMENTS"),
            (std::vector<std::vector<Statement::Value>>{{"New body"}}));
}

TEST_F(StatementServerTest, StatementCanRunAgain) {
  Transaction transaction(attachment_, ReadCommittedParameters());
  Statement select(attachment_, transaction, "SELECT NAME FROM DV_SETTINGS WHERE ID = ?", 3);
  for (const char* id : {"1", "2", "1"}) {
    select.Execute(transaction, {id});
    ASSERT_TRUE(select.Fetch());  // the cursor is left open on purpose
  }
  EXPECT_EQ(select.value(0), "Version");
  EXPECT_EQ(select.column_name(0), "NAME");
}

TEST_F(StatementServerTest, ProcedureOutputIsOneRow) {
  {
    Transaction ddl(attachment_, ReadCommittedParameters());
    ExecuteImmediate(attachment_, ddl,
                     "CREATE PROCEDURE P_ANSWER (X INTEGER) RETURNS (R INTEGER, S VARCHAR(10))"
                     " AS BEGIN R = X * 2; S = 'done'; END",
                     3);
    ddl.Commit();
  }
  Transaction transaction(attachment_, ReadCommittedParameters());
  Statement call(attachment_, transaction, "EXECUTE PROCEDURE P_ANSWER(?)", 3);
  EXPECT_EQ(call.type(), isc_info_sql_stmt_exec_procedure);
  call.Execute(transaction, {"21"});
  ASSERT_TRUE(call.Fetch());
  EXPECT_EQ(call.row(), (std::vector<Statement::Value>{"42", "done"}));
  EXPECT_FALSE(call.Fetch());
}

TEST_F(StatementServerTest, PrepareErrorCarriesServerMessageAndCodes) {
  Transaction transaction(attachment_, ReadCommittedParameters());
  try {
    Statement bad(attachment_, transaction, "SELECT * FROM NO_SUCH_TABLE", 3);
    FAIL();
  } catch (const FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("Table unknown"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
    EXPECT_EQ(e.sql_code(), -204);
    EXPECT_EQ(e.sql_state(), "42S02");
    EXPECT_EQ(e.gds_code(), isc_dsql_error);
  }
  // The attachment is still usable.
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM DV_SETTINGS")[0][0], "2");
}

TEST_F(StatementServerTest, UnfinishedTransactionIsRolledBack) {
  {
    Transaction transaction(attachment_, ReadCommittedParameters());
    ExecuteImmediate(attachment_, transaction, "DELETE FROM DV_SETTINGS", 3);
  }
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM DV_SETTINGS")[0][0], "2");
}

TEST_F(StatementServerTest, TransactionFromSetTransaction) {
  Transaction read_only = Transaction::StartWithSql(attachment_, "SET TRANSACTION READ ONLY", 3);
  ASSERT_TRUE(read_only.active());
  try {
    ExecuteImmediate(attachment_, read_only, "DELETE FROM DV_SETTINGS", 3);
    FAIL();
  } catch (const FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
  }
  read_only.Rollback();
  EXPECT_FALSE(read_only.active());
}

TEST_F(StatementServerTest, SkippedRowsLeaveTheStatementReadyToRunAgain) {
  Transaction transaction(attachment_, ReadCommittedParameters());
  Statement select(attachment_, transaction, "SELECT ID, BODY FROM DV_DOCUMENTS", 3);
  select.Execute(transaction);
  select.SkipRows();
  EXPECT_FALSE(select.Fetch());
  select.Execute(transaction);
  ASSERT_TRUE(select.Fetch());
  EXPECT_EQ(select.row(), (std::vector<Statement::Value>{"1", "Body text"}));
}

TEST_F(StatementServerTest, ANulInsideTheTextIsRefusedNotCut) {
  // Cut at the NUL, the statement would delete every row.
  const std::string sql = std::string("DELETE FROM DV_SETTINGS\0 WHERE ID = 5", 37);
  Transaction transaction(attachment_, ReadCommittedParameters());
  EXPECT_THROW(ExecuteImmediate(attachment_, transaction, sql, 3), Error);
  EXPECT_THROW(Statement(attachment_, transaction, sql, 3), Error);
  transaction.Commit();
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM DV_SETTINGS")[0][0], "2");
}

TEST_F(StatementServerTest, AMovedHandleIsReleasedOnceByItsLastOwner) {
  Transaction first(attachment_, ReadCommittedParameters());
  ExecuteImmediate(attachment_, first, "DELETE FROM DV_SETTINGS", 3);
  Transaction second = std::move(first);
  EXPECT_FALSE(first.active());
  ASSERT_TRUE(second.active());
  Statement count(attachment_, second, "SELECT COUNT(*) FROM DV_SETTINGS", 3);
  Statement moved = std::move(count);
  moved.Execute(second);
  ASSERT_TRUE(moved.Fetch());
  EXPECT_EQ(moved.value(0), "0");
  // Replacing the transaction rolls the delete back.
  second = Transaction(attachment_, ReadCommittedParameters());
  moved.Execute(second);
  ASSERT_TRUE(moved.Fetch());
  EXPECT_EQ(moved.value(0), "2");
}

TEST_F(StatementServerTest, StatementTypes) {
  Transaction transaction(attachment_, ReadCommittedParameters());
  EXPECT_EQ(Statement(attachment_, transaction, "SELECT 1 FROM RDB$DATABASE", 3).type(),
            isc_info_sql_stmt_select);
  EXPECT_EQ(Statement(attachment_, transaction, "CREATE TABLE T_X (A INTEGER)", 3).type(),
            isc_info_sql_stmt_ddl);
  EXPECT_EQ(Statement(attachment_, transaction, "UPDATE DV_SETTINGS SET VAL = NULL", 3).type(),
            isc_info_sql_stmt_update);
}

}  // namespace
}  // namespace updater::db
