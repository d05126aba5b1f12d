#include "db/owned_handle.h"

#include "db/client_api.h"
#include "db/firebird_error.h"

namespace updater::db {

void DetachDatabase(const ClientApi& api, isc_db_handle* handle) noexcept {
  Status status;
  api.isc_detach_database(status.get(), handle);
}

void RollbackTransaction(const ClientApi& api, isc_tr_handle* handle) noexcept {
  Status status;
  api.isc_rollback_transaction(status.get(), handle);
}

void DetachService(const ClientApi& api, isc_svc_handle* handle) noexcept {
  Status status;
  api.isc_service_detach(status.get(), handle);
}

void DropStatement(const ClientApi& api, isc_stmt_handle* handle) noexcept {
  Status status;
  api.isc_dsql_free_statement(status.get(), handle, DSQL_drop);
}

}  // namespace updater::db
