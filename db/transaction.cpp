#include "db/transaction.h"

#include <utility>

#include "db/client_api.h"
#include "db/firebird_error.h"
#include "db/statement.h"

namespace updater::db {

Transaction::Transaction(Attachment& attachment, const ParameterBlock& params)
    : attachment_(&attachment), handle_(attachment.api()) {
  Status status;
  attachment.api().isc_start_transaction(status.get(), handle_.get(), 1, attachment.handle(),
                                         static_cast<unsigned>(params.size()),
                                         params.size() != 0 ? params.data() : nullptr);
  status.Check(attachment.api(), handle_);
}

Transaction Transaction::StartWithSql(Attachment& attachment, const std::string& sql, int dialect) {
  Transaction transaction;
  transaction.attachment_ = &attachment;
  transaction.handle_ = TransactionHandle(attachment.api());
  ExecuteImmediate(attachment, transaction, sql, dialect);
  return transaction;
}

void Transaction::Commit(bool retain) {
  const ClientApi& api = attachment_->api();
  End(retain ? api.isc_commit_retaining : api.isc_commit_transaction, retain);
}

void Transaction::Rollback(bool retain) {
  const ClientApi& api = attachment_->api();
  End(retain ? api.isc_rollback_retaining : api.isc_rollback_transaction, retain);
}

void Transaction::End(EndCall call, bool retain) {
  Status status;
  call(status.get(), handle());
  status.Check(attachment_->api());
  if (!retain) handle_.Forget();
}

ParameterBlock ReadCommittedParameters(bool read_only) {
  ParameterBlock block;
  block.Byte(isc_tpb_version3)
      .Byte(read_only ? isc_tpb_read : isc_tpb_write)
      .Byte(isc_tpb_read_committed)
      .Byte(isc_tpb_rec_version)
      .Byte(isc_tpb_nowait);
  return block;
}

}  // namespace updater::db
