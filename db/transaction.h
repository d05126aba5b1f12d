#pragma once

#include <ibase.h>

#include <string>

#include "db/attachment.h"
#include "db/parameter_block.h"

namespace updater::db {

// One transaction on one attachment; rolled back when the object goes while it is still
// active. Move-only. The attachment must outlive it.
class Transaction {
 public:
  Transaction() = default;
  // Starts a transaction with `params` (an empty block gives the server's default).
  Transaction(Attachment& attachment, const ParameterBlock& params);

  // Starts a transaction with a SET TRANSACTION statement.
  static Transaction StartWithSql(Attachment& attachment, const std::string& sql, int dialect);

  bool active() const { return !handle_.empty(); }
  isc_tr_handle* handle() { return handle_.get(); }
  Attachment& attachment() { return *attachment_; }

  // A retained transaction stays open on the same handle; otherwise it ends.
  void Commit(bool retain = false);
  void Rollback(bool retain = false);

 private:
  using EndCall = decltype(&::isc_commit_transaction);
  void End(EndCall call, bool retain);

  Attachment* attachment_ = nullptr;
  TransactionHandle handle_;
};

// Read committed, record versions, no wait: what an interactive client uses.
ParameterBlock ReadCommittedParameters(bool read_only = false);

}  // namespace updater::db
