#include "db/service_attachment.h"

#include <utility>

#include "db/client_api.h"
#include "db/firebird_error.h"

namespace updater::db {

ServiceAttachment::ServiceAttachment(const ClientApi& api, const std::string& name,
                                     const ParameterBlock& params)
    : handle_(api) {
  Status status;
  api.isc_service_attach(status.get(), static_cast<unsigned short>(name.size()), name.c_str(),
                         handle_.get(), static_cast<unsigned short>(params.size()), params.data());
  status.Check(api, handle_);
}

void ServiceAttachment::Start(const ParameterBlock& request) {
  Status status;
  api().isc_service_start(status.get(), handle_.get(), nullptr,
                          static_cast<unsigned short>(request.size()), request.data());
  status.Check(api());
}

void ServiceAttachment::Detach() {
  if (!attached()) return;
  Status status;
  api().isc_service_detach(status.get(), handle_.get());
  status.Check(api());
  handle_.Forget();
}

}  // namespace updater::db
