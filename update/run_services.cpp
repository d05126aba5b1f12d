#include <string>
#include <vector>

#include "db/db_connection.h"
#include "script/run_script.h"
#include "seams/project_profile.h"
#include "update/db_modes.h"
#include "update/privilege_cleanup.h"
#include "update/product_state.h"
#include "update/run_state.h"

namespace updater {

namespace {

constexpr const char* kSysdba = "SYSDBA";
constexpr const char* kScriptCharset = "UTF8";

db::ConnectionParams ScriptConnection(db::ConnectionParams db) {
  db.charset = kScriptCharset;
  return db;
}

}  // namespace

std::vector<std::string> ServerRunServices::AttachedUsers(const db::ConnectionParams& db) {
  std::vector<std::string> names;
  db::GetAttachedUsers(db.client_library, db.database, db.user, db.password, "", names);
  return names;
}

void ServerRunServices::Shutdown(const db::ConnectionParams& db, const std::string& server_prefix) {
  DBShutdown(f_, db, server_prefix);
}

void ServerRunServices::OnLine(const db::ConnectionParams& db, const std::string& server_prefix) {
  DBOnLine(db, server_prefix);
}

void ServerRunServices::RunScriptText(Operator& op, const db::ConnectionParams& db,
                                      const std::string& text) {
  updater::RunScriptText(op, ScriptConnection(db), text, &op, &f_.progress);
}

void ServerRunServices::RunScriptFile(Operator& op, const db::ConnectionParams& db,
                                      const std::string& file) {
  updater::RunScriptFile(op, ScriptConnection(db), file, &op, &f_.progress);
}

void ServerRunServices::CleanUpPrivileges(Operator& op, const db::ConnectionParams& db) {
  updater::CleanUpPrivileges(op, db.client_library, db.database, db.password,
                             db.user == kSysdba ? PrivilegeGrantor::Sysdba : PrivilegeGrantor::Admn,
                             &op, &f_.progress);
}

std::optional<DatabaseStamp> ServerRunServices::DatabaseStampOf(const db::ConnectionParams& db) {
  return ServerDatabaseProbe(db, "")(db.database);
}

}  // namespace updater
