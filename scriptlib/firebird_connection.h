#pragma once

#include <ibase.h>

#include "db/attachment.h"
#include "db/client_library.h"
#include "db/connection_params.h"
#include "db/statement.h"
#include "db/transaction.h"
#include "scriptlib/script_connection.h"

namespace updater::scriptlib {

// One attachment through the client library named in the connection parameters, with the
// script's transaction. Detaches when it goes; work still open then is rolled back.
class FirebirdConnection final : public ScriptConnection {
 public:
  explicit FirebirdConnection(const db::ConnectionParams& params);
  FirebirdConnection(const FirebirdConnection&) = delete;
  FirebirdConnection& operator=(const FirebirdConnection&) = delete;

  void Execute(const std::string& sql, int dialect, bool ddl_apart) override;
  void Query(const std::string& sql, int dialect,
             const std::function<void(const std::string&)>& line) override;
  void StartTransaction(const std::string& sql, int dialect) override;
  void Commit(bool retain) override;
  void Rollback(bool retain) override;
  bool InTransaction() const override { return transaction_.active(); }

 private:
  void EnsureTransaction();
  void EndOfTransaction() { metadata_changed_ = false; }
  // Runs `prepared` when given, else `sql` unprepared.
  void RunDdlApart(const std::string& sql, int dialect, db::Statement* prepared = nullptr);
  // Prepared where the statement sees the metadata committed apart.
  db::Statement Prepare(const std::string& sql, int dialect);

  const db::ClientApi& api_;
  db::Attachment attachment_;
  db::Transaction transaction_;
  // Metadata was committed apart while the script's transaction stayed open: statements are
  // then prepared in a fresh transaction, which sees the new objects and columns.
  bool metadata_changed_ = false;
};

}  // namespace updater::scriptlib
