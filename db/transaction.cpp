#include "db/transaction.h"

#include <utility>

#include "db/firebird_error.h"

namespace updater::db {

Transaction::Transaction(Attachment& attachment, const ParameterBlock& params)
    : attachment_(&attachment) {
  Status status;
  attachment.api().isc_start_transaction(status.get(), &handle_, 1, attachment.handle(),
                                         static_cast<unsigned>(params.size()),
                                         params.size() != 0 ? params.data() : nullptr);
  if (status.Failed()) {
    handle_ = 0;
    status.Raise(attachment.api());
  }
}

Transaction Transaction::StartWithSql(Attachment& attachment, const std::string& sql, int dialect) {
  Transaction transaction;
  transaction.attachment_ = &attachment;
  Status status;
  attachment.api().isc_dsql_execute_immediate(status.get(), attachment.handle(),
                                              &transaction.handle_, 0, sql.c_str(),
                                              static_cast<unsigned short>(dialect), nullptr);
  status.Check(attachment.api());
  return transaction;
}

Transaction::~Transaction() {
  Release();
}

Transaction::Transaction(Transaction&& other) noexcept
    : attachment_(other.attachment_), handle_(std::exchange(other.handle_, 0)) {}

Transaction& Transaction::operator=(Transaction&& other) noexcept {
  if (this != &other) {
    Release();
    attachment_ = other.attachment_;
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

void Transaction::Commit() {
  Status status;
  attachment_->api().isc_commit_transaction(status.get(), &handle_);
  status.Check(attachment_->api());
  handle_ = 0;
}

void Transaction::Rollback() {
  Status status;
  attachment_->api().isc_rollback_transaction(status.get(), &handle_);
  status.Check(attachment_->api());
  handle_ = 0;
}

void Transaction::CommitRetaining() {
  Status status;
  attachment_->api().isc_commit_retaining(status.get(), &handle_);
  status.Check(attachment_->api());
}

void Transaction::RollbackRetaining() {
  Status status;
  attachment_->api().isc_rollback_retaining(status.get(), &handle_);
  status.Check(attachment_->api());
}

void Transaction::Release() noexcept {
  if (handle_ == 0) return;
  Status status;
  attachment_->api().isc_rollback_transaction(status.get(), &handle_);
  handle_ = 0;
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
