#pragma once

#include <ibase.h>

#include <string>

#include "db/client_library.h"
#include "db/owned_handle.h"
#include "db/parameter_block.h"

namespace updater::db {

// One services-manager attachment; detached when the object goes. Move-only.
class ServiceAttachment {
 public:
  // `name` is "service_mgr" (local) or "server:service_mgr". Raises FirebirdError with the
  // server's messages when the attachment fails.
  ServiceAttachment(const ClientApi& api, const std::string& name, const ParameterBlock& params);

  bool attached() const { return !handle_.empty(); }

  // isc_service_start with one request (an action and its items).
  void Start(const ParameterBlock& request);
  // Raises on failure and stays attached then.
  void Detach();

 private:
  const ClientApi& api() const { return handle_.api(); }

  ServiceHandle handle_;
};

}  // namespace updater::db
