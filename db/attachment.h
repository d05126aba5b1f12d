#pragma once

#include <ibase.h>

#include <cstddef>
#include <string>

#include "db/client_library.h"
#include "db/owned_handle.h"
#include "db/parameter_block.h"

namespace updater::db {

// One database attachment; detached when the object goes. Move-only.
class Attachment {
 public:
  Attachment() = default;
  // Raises FirebirdError with the server's messages when the attachment fails.
  Attachment(const ClientApi& api, const std::string& database, const ParameterBlock& params);

  // Runs a CREATE DATABASE statement and keeps the new database's attachment.
  static Attachment Create(const ClientApi& api, const std::string& create_sql, int dialect);

  bool attached() const { return !handle_.empty(); }
  const ClientApi& api() const { return handle_.api(); }
  isc_db_handle* handle() { return handle_.get(); }

  // isc_database_info: the reply to `items`, `buffer_size` bytes (at most 32767) as the
  // server filled them.
  std::string Info(const std::string& items, std::size_t buffer_size);

  // Raises on failure and stays attached then.
  void Detach();
  // Deletes the database file; the attachment ends with it.
  void Drop();

 private:
  DatabaseHandle handle_;
};

}  // namespace updater::db
