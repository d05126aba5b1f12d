#include "db/db_connection.h"

#include <algorithm>
#include <cctype>

#include "db/info_reply.h"
#include "db/parameter_block.h"
#include "sys/error.h"
#include "sys/text.h"

namespace updater::db {

namespace {

constexpr const char* kConnectionCharset = "WIN1251";

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

void CheckDBParams(const db::ConnectionParams& params) {
  if (IsBlank(params.client_library)) throw Error("The client's library was not specified!");
  if (IsBlank(params.database)) throw Error("The database was not specified!");
  if (IsBlank(params.user)) throw Error("The user's name was not specified!");
  if (IsBlank(params.password)) throw Error("The password was not specified!");
}

TDBConnection::TDBConnection(const std::string& client_lib, const std::string& database_name,
                             const std::string& user_name, const std::string& password,
                             const std::string& role_name)
    : client_lib_(client_lib),
      database_name_(database_name),
      user_name_(user_name),
      password_(password),
      role_name_(role_name) {}

void TDBConnection::Connect() {
  if (Connected()) return;
  const db::ClientApi& api = db::LoadClientApi(client_lib_);
  attachment_ =
      db::Attachment(api, database_name_,
                     db::DatabaseParameters(user_name_, password_, kConnectionCharset, role_name_));
}

void TDBConnection::Disconnect() {
  if (transaction_.active()) transaction_.Rollback();
  attachment_.Detach();
}

db::Transaction& TDBConnection::transaction() {
  if (!transaction_.active())
    transaction_ = db::Transaction(attachment_, db::ReadCommittedParameters());
  return transaction_;
}

void GetAttachedUsers(const std::string& client_lib, const std::string& database_name,
                      const std::string& user_name, const std::string& password,
                      const std::string& role_name, std::vector<std::string>& names) {
  CheckDBParams({.client_library = client_lib,
                 .database = database_name,
                 .user = user_name,
                 .password = password});
  TDBConnection connection(client_lib, database_name, user_name, password, role_name);
  connection.Connect();
  const std::string items(1, static_cast<char>(isc_info_user_names));
  std::vector<std::string> found =
      db::DecodeUserNames(connection.attachment().Info(items, kAttachedUsersReplySize));
  const auto own = std::find_if(found.begin(), found.end(), [&](const std::string& name) {
    return SameTextIgnoringCase(name, user_name);
  });
  if (own != found.end()) found.erase(own);
  connection.Disconnect();
  names = std::move(found);
}

}  // namespace updater::db
