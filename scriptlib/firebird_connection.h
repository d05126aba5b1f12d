#pragma once

#include <ibase.h>

#include "db/attachment.h"
#include "db/client_api.h"
#include "db/transaction.h"
#include "scriptlib/connect_params.h"
#include "scriptlib/script_connection.h"

namespace updater::scriptlib {

// One attachment through the client library named in the connection parameters, with the
// script's transaction and one reusable statement handle. Detaches when it goes; work still
// open then is rolled back.
class FirebirdConnection final : public ScriptConnection {
 public:
  explicit FirebirdConnection(const ConnectParams& params);
  ~FirebirdConnection() override;
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
  void ExecuteImmediate(isc_tr_handle* transaction, const std::string& sql, int dialect);
  void RunDdlApart(const std::string& sql, int dialect);
  int Prepare(const std::string& sql, int dialect);
  void Fetch(int type, int dialect, bool as_text,
             const std::function<void(const std::string&)>* line);
  std::string BlobText(ISC_QUAD* id);

  const db::ClientApi& api_;
  db::Attachment attachment_;
  db::Transaction transaction_;
  isc_stmt_handle statement_ = 0;
  // Metadata was committed apart while the script's transaction stayed open: statements are
  // then prepared in a fresh transaction, which sees the new objects and columns.
  bool metadata_changed_ = false;
};

}  // namespace updater::scriptlib
