#pragma once

#include <string>
#include <vector>

#include "db/attachment.h"
#include "db/client_library.h"
#include "db/connection_params.h"
#include "db/transaction.h"

namespace updater::db {

// Raises the fixed text of the first value that is blank (empty once blanks and control
// characters at both ends are dropped), in the order client library, database, user name,
// password. Runs before anything is loaded or attached.
void CheckDBParams(const ConnectionParams& params);

// One attachment to one database (lc_ctype WIN1251, the role only when given) and its
// read-committed transaction, started on first use. Destroying it ends the transaction and
// then detaches.
class TDBConnection {
 public:
  TDBConnection(const std::string& client_lib, const std::string& database_name,
                const std::string& user_name, const std::string& password,
                const std::string& role_name);
  ~TDBConnection() = default;
  TDBConnection(const TDBConnection&) = delete;
  TDBConnection& operator=(const TDBConnection&) = delete;

  // Loads the client library at its first use; raises the server's messages on failure.
  void Connect();
  // Rolls back an open transaction and detaches; raises when the server refuses.
  void Disconnect();
  bool Connected() const { return attachment_.attached(); }

  db::Attachment& attachment() { return attachment_; }
  db::Transaction& transaction();

 private:
  std::string client_lib_;
  std::string database_name_;
  std::string user_name_;
  std::string password_;
  std::string role_name_;
  db::Attachment attachment_;
  db::Transaction transaction_;
};

// The users attached to `database_name`, one entry per attachment in the server's order,
// less one entry (compared without regard to case) for the caller's own attachment. `names`
// is replaced only on success.
void GetAttachedUsers(const std::string& client_lib, const std::string& database_name,
                      const std::string& user_name, const std::string& password,
                      const std::string& role_name, std::vector<std::string>& names);

// The size of the attached-users reply buffer.
inline constexpr std::size_t kAttachedUsersReplySize = 20480;

}  // namespace updater::db
