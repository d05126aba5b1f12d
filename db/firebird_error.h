#pragma once

#include <ibase.h>

#include <string>

#include "db/client_library.h"
#include "sys/error.h"

namespace updater::db {

// A failed client call: the text is the client library's own formatting of the status
// vector, one message a line.
class FirebirdError : public Error {
 public:
  FirebirdError(const std::string& message, ISC_STATUS gds_code, long sql_code,
                std::string sql_state)
      : Error(message),
        gds_code_(gds_code),
        sql_code_(sql_code),
        sql_state_(std::move(sql_state)) {}

  ISC_STATUS gds_code() const { return gds_code_; }  // the first error code of the vector
  long sql_code() const { return sql_code_; }
  const std::string& sql_state() const { return sql_state_; }

 private:
  ISC_STATUS gds_code_;
  long sql_code_;
  std::string sql_state_;
};

// One status vector, passed to each client call.
class Status {
 public:
  ISC_STATUS* get() { return vector_; }
  const ISC_STATUS* get() const { return vector_; }
  bool Failed() const { return vector_[0] == isc_arg_gds && vector_[1] != 0; }
  // Raises FirebirdError when the last call failed.
  void Check(const ClientApi& api) const {
    if (Failed()) Raise(api);
  }
  // The same for a call that issues `handle`: a failed one may leave a value behind there.
  template <typename Handle>
  void Check(const ClientApi& api, Handle& handle) const {
    if (!Failed()) return;
    handle.Forget();
    Raise(api);
  }
  [[noreturn]] void Raise(const ClientApi& api) const;

 private:
  ISC_STATUS_ARRAY vector_ = {};
};

// The messages of a status vector as the client library formats them, one a line.
std::string FormatStatus(const ClientApi& api, const ISC_STATUS* status);

}  // namespace updater::db
