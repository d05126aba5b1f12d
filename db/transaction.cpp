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
  if (status.Failed()) {
    handle_.Forget();
    status.Raise(attachment.api());
  }
}

Transaction Transaction::StartWithSql(Attachment& attachment, const std::string& sql, int dialect) {
  Transaction transaction;
  transaction.attachment_ = &attachment;
  transaction.handle_ = TransactionHandle(attachment.api());
  Status status;
  attachment.api().isc_dsql_execute_immediate(status.get(), attachment.handle(),
                                              transaction.handle(), SqlLength(sql), sql.c_str(),
                                              static_cast<unsigned short>(dialect), nullptr);
  status.Check(attachment.api());
  return transaction;
}

void Transaction::Commit() {
  Status status;
  attachment_->api().isc_commit_transaction(status.get(), handle());
  status.Check(attachment_->api());
  handle_.Forget();
}

void Transaction::Rollback() {
  Status status;
  attachment_->api().isc_rollback_transaction(status.get(), handle());
  status.Check(attachment_->api());
  handle_.Forget();
}

void Transaction::CommitRetaining() {
  Status status;
  attachment_->api().isc_commit_retaining(status.get(), handle());
  status.Check(attachment_->api());
}

void Transaction::RollbackRetaining() {
  Status status;
  attachment_->api().isc_rollback_retaining(status.get(), handle());
  status.Check(attachment_->api());
}

ParameterBlock ReadCommittedParameters() {
  ParameterBlock block;
  block.Byte(isc_tpb_version3)
      .Byte(isc_tpb_write)
      .Byte(isc_tpb_read_committed)
      .Byte(isc_tpb_rec_version)
      .Byte(isc_tpb_nowait);
  return block;
}

}  // namespace updater::db
