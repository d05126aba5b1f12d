#pragma once

#include <ibase.h>

#include <utility>

#include "db/client_library.h"

namespace updater::db {

// A client-library handle (0 when empty) with the call that releases it and the client that
// issued it. Moving hands the handle over; the release runs once, when the owner goes.
template <typename Handle, void (*ReleaseCall)(const ClientApi&, Handle*) noexcept>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(const ClientApi& api) : api_(&api) {}
  ~OwnedHandle() { Reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept
      : api_(other.api_), handle_(std::exchange(other.handle_, 0)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      api_ = other.api_;
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  const ClientApi& api() const { return *api_; }
  // For the client calls, which take the handle's address and may fill or clear it.
  Handle* get() { return &handle_; }
  bool empty() const { return handle_ == 0; }
  // After a call that ended the handle on the server (commit, detach, drop), or one that
  // failed half way and left a value behind.
  void Forget() noexcept { handle_ = 0; }
  void Reset() noexcept {
    if (handle_ != 0) ReleaseCall(*api_, &handle_);
    handle_ = 0;
  }

 private:
  const ClientApi* api_ = nullptr;
  Handle handle_ = 0;
};

// The release calls; their failures are dropped (the handle is gone either way).
void DetachDatabase(const ClientApi& api, isc_db_handle* handle) noexcept;
void RollbackTransaction(const ClientApi& api, isc_tr_handle* handle) noexcept;
void DetachService(const ClientApi& api, isc_svc_handle* handle) noexcept;
void DropStatement(const ClientApi& api, isc_stmt_handle* handle) noexcept;

using DatabaseHandle = OwnedHandle<isc_db_handle, DetachDatabase>;
using TransactionHandle = OwnedHandle<isc_tr_handle, RollbackTransaction>;
using ServiceHandle = OwnedHandle<isc_svc_handle, DetachService>;
using StatementHandle = OwnedHandle<isc_stmt_handle, DropStatement>;

}  // namespace updater::db
