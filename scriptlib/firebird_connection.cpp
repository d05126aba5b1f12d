#include "scriptlib/firebird_connection.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "db/firebird_error.h"
#include "db/parameter_block.h"
#include "db/statement.h"
#include "scriptlib/sql_words.h"

namespace updater::scriptlib {

namespace {

// Plain data changes without results and metadata changes run in one round trip each.
bool IsPlainChange(const std::string& sql) {
  const std::string head = FirstWord(sql);
  return (head == "INSERT" || head == "UPDATE" || head == "DELETE" || head == "MERGE") &&
         !ContainsWord(sql, "RETURNING");
}

bool IsDdl(const std::string& sql) {
  static const char* const kHeads[] = {"CREATE",  "ALTER",   "RECREATE", "DROP",
                                       "DECLARE", "COMMENT", "GRANT",    "REVOKE"};
  const std::string head = FirstWord(sql);
  return std::any_of(std::begin(kHeads), std::end(kHeads),
                     [&](const char* word) { return head == word; });
}

db::ParameterBlock AttachParameters(const db::ConnectionParams& params) {
  db::ParameterBlock block =
      db::DatabaseParameters(params.user, params.password, params.charset, params.role);
  block.SizedInt32(isc_dpb_sql_dialect, params.dialect);
  return block;
}

}  // namespace

FirebirdConnection::FirebirdConnection(const db::ConnectionParams& params)
    : api_(db::LoadClientApi(params.client_library)),
      attachment_(api_, params.database, AttachParameters(params)) {}

void FirebirdConnection::EnsureTransaction() {
  if (!transaction_.active()) transaction_ = db::Transaction(attachment_, db::ParameterBlock());
}

void FirebirdConnection::Commit(bool retain) {
  if (!transaction_.active()) return;
  transaction_.Commit(retain);
  if (!retain) EndOfTransaction();
}

void FirebirdConnection::Rollback(bool retain) {
  if (!transaction_.active()) return;
  transaction_.Rollback(retain);
  if (!retain) EndOfTransaction();
}

void FirebirdConnection::StartTransaction(const std::string& sql, int dialect) {
  Commit(false);
  transaction_ = db::Transaction::StartWithSql(attachment_, sql, dialect);
  EndOfTransaction();
}

// The way isql runs metadata under AUTODDL: committed on its own, the open work untouched.
void FirebirdConnection::RunDdlApart(const std::string& sql, int dialect, db::Statement* prepared) {
  db::Transaction ddl(attachment_, db::ParameterBlock());
  if (prepared != nullptr) {
    prepared->Execute(ddl);
  } else {
    db::ExecuteImmediate(attachment_, ddl, sql, dialect);
  }
  ddl.Commit();
  if (transaction_.active()) metadata_changed_ = true;
}

db::Statement FirebirdConnection::Prepare(const std::string& sql, int dialect) {
  if (!metadata_changed_) return db::Statement(attachment_, transaction_, sql, dialect);
  // The script's older transaction would not see what was committed apart since it began.
  db::Transaction metadata(attachment_, db::ReadCommittedParameters(true));
  db::Statement statement(attachment_, metadata, sql, dialect);
  metadata.Commit();
  return statement;
}

void FirebirdConnection::Execute(const std::string& sql, int dialect, bool ddl_apart) {
  if (ddl_apart && IsDdl(sql)) {
    RunDdlApart(sql, dialect);
    return;
  }
  EnsureTransaction();
  if (!metadata_changed_ && (IsDdl(sql) || IsPlainChange(sql))) {
    db::ExecuteImmediate(attachment_, transaction_, sql, dialect);
    return;
  }
  db::Statement statement = Prepare(sql, dialect);
  if (statement.type() == isc_info_sql_stmt_start_trans) {
    StartTransaction(sql, dialect);
    return;
  }
  if (statement.type() == isc_info_sql_stmt_ddl && ddl_apart) {
    // Metadata that its first words did not show (SET GENERATOR, SET STATISTICS ...).
    RunDdlApart(sql, dialect, &statement);
    return;
  }
  statement.Execute(transaction_);
  statement.SkipRows();
}

void FirebirdConnection::Query(const std::string& sql, int dialect,
                               const std::function<void(const std::string&)>& line) {
  EnsureTransaction();
  db::Statement statement = Prepare(sql, dialect);
  statement.Execute(transaction_);
  while (statement.Fetch()) {
    std::string text;
    for (const auto& value : statement.row()) text += value.value_or(std::string());
    line(text);
  }
}

}  // namespace updater::scriptlib
