#pragma once

#include <ibase.h>

#include <string>

#include "db/client_library.h"

namespace updater::db {

// The entry points of one Firebird client library, resolved once. Members carry the names
// and the types of the library's own declarations, so calls read as plain ISC calls:
// api.isc_attach_database(status, ...).
struct ClientApi {
  decltype(&::isc_attach_database) isc_attach_database = nullptr;
  decltype(&::isc_detach_database) isc_detach_database = nullptr;
  decltype(&::isc_drop_database) isc_drop_database = nullptr;
  decltype(&::isc_database_info) isc_database_info = nullptr;

  decltype(&::isc_start_transaction) isc_start_transaction = nullptr;
  decltype(&::isc_commit_transaction) isc_commit_transaction = nullptr;
  decltype(&::isc_rollback_transaction) isc_rollback_transaction = nullptr;
  decltype(&::isc_commit_retaining) isc_commit_retaining = nullptr;
  decltype(&::isc_rollback_retaining) isc_rollback_retaining = nullptr;

  decltype(&::isc_dsql_allocate_statement) isc_dsql_allocate_statement = nullptr;
  decltype(&::isc_dsql_prepare) isc_dsql_prepare = nullptr;
  decltype(&::isc_dsql_describe) isc_dsql_describe = nullptr;
  decltype(&::isc_dsql_describe_bind) isc_dsql_describe_bind = nullptr;
  decltype(&::isc_dsql_sql_info) isc_dsql_sql_info = nullptr;
  decltype(&::isc_dsql_execute) isc_dsql_execute = nullptr;
  decltype(&::isc_dsql_execute2) isc_dsql_execute2 = nullptr;
  decltype(&::isc_dsql_execute_immediate) isc_dsql_execute_immediate = nullptr;
  decltype(&::isc_dsql_fetch) isc_dsql_fetch = nullptr;
  decltype(&::isc_dsql_free_statement) isc_dsql_free_statement = nullptr;

  decltype(&::isc_open_blob2) isc_open_blob2 = nullptr;
  decltype(&::isc_get_segment) isc_get_segment = nullptr;
  decltype(&::isc_close_blob) isc_close_blob = nullptr;

  decltype(&::isc_service_attach) isc_service_attach = nullptr;
  decltype(&::isc_service_detach) isc_service_detach = nullptr;
  decltype(&::isc_service_start) isc_service_start = nullptr;

  decltype(&::fb_interpret) fb_interpret = nullptr;
  decltype(&::isc_sqlcode) isc_sqlcode = nullptr;
  decltype(&::fb_sqlstate) fb_sqlstate = nullptr;
  decltype(&::fb_shutdown_callback) fb_shutdown_callback = nullptr;

  // The file the entry points come from, for messages.
  std::string library_file;
};

}  // namespace updater::db
