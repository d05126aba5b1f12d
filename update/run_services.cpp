#include <string>
#include <vector>

#include "db/db_connection.h"
#include "script/run_script.h"
#include "seams/project_profile.h"
#include "update/db_modes.h"
#include "update/privilege_cleanup.h"
#include "update/run_state.h"

namespace updater {

namespace {

constexpr const char* kSysdba = "SYSDBA";
constexpr const char* kScriptCharset = "UTF8";

db::ConnectionParams ScriptConnection(const std::string& client_lib, const std::string& database,
                                      const std::string& user, const std::string& password) {
  return {.client_library = client_lib,
          .database = database,
          .user = user,
          .password = password,
          .charset = kScriptCharset};
}

}  // namespace

std::vector<std::string> ServerRunServices::AttachedUsers(const std::string& client_lib,
                                                          const std::string& database,
                                                          const std::string& password) {
  std::vector<std::string> names;
  db::GetAttachedUsers(client_lib, database, kSysdba, password, "", names);
  return names;
}

void ServerRunServices::Shutdown(const std::string& client_lib, const std::string& database,
                                 const std::string& password, const std::string& server_prefix) {
  DBShutdown(client_lib, database, kSysdba, password, server_prefix);
}

void ServerRunServices::OnLine(const std::string& client_lib, const std::string& database,
                               const std::string& password, const std::string& server_prefix) {
  DBOnLine(client_lib, database, kSysdba, password, server_prefix);
}

void ServerRunServices::RunScriptText(Operator& op, const std::string& client_lib,
                                      const std::string& database, const std::string& user,
                                      const std::string& password, const std::string& text) {
  updater::RunScriptText(op, ScriptConnection(client_lib, database, user, password), text, &op);
}

void ServerRunServices::RunScriptFile(Operator& op, const std::string& client_lib,
                                      const std::string& database, const std::string& user,
                                      const std::string& password, const std::string& file) {
  updater::RunScriptFile(op, ScriptConnection(client_lib, database, user, password), file, &op);
}

void ServerRunServices::CleanUpPrivileges(Operator& op, const std::string& client_lib,
                                          const std::string& database, const std::string& user,
                                          const std::string& password) {
  updater::CleanUpPrivileges(op, client_lib, database, password,
                             user == kSysdba ? PrivilegeGrantor::Sysdba : PrivilegeGrantor::Admn,
                             &op);
}

}  // namespace updater
