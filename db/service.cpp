#include "db/service.h"

#include <utility>

#include "db/firebird_error.h"

namespace updater::db {

Service::Service(const ClientApi& api, const std::string& name, const ParameterBlock& params)
    : api_(&api) {
  Status status;
  api.isc_service_attach(status.get(), static_cast<unsigned short>(name.size()), name.c_str(),
                         &handle_, static_cast<unsigned short>(params.size()), params.data());
  if (status.Failed()) {
    handle_ = 0;
    status.Raise(api);
  }
}

Service::~Service() {
  Release();
}

Service::Service(Service&& other) noexcept
    : api_(other.api_), handle_(std::exchange(other.handle_, 0)) {}

Service& Service::operator=(Service&& other) noexcept {
  if (this != &other) {
    Release();
    api_ = other.api_;
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

void Service::Start(const ParameterBlock& request) {
  Status status;
  api_->isc_service_start(status.get(), &handle_, nullptr,
                          static_cast<unsigned short>(request.size()), request.data());
  status.Check(*api_);
}

std::string Service::Query(const std::string& items, std::size_t buffer_size) {
  std::string reply(buffer_size, '\0');
  Status status;
  api_->isc_service_query(status.get(), &handle_, nullptr, 0, nullptr,
                          static_cast<unsigned short>(items.size()), items.data(),
                          static_cast<unsigned short>(reply.size()), reply.data());
  status.Check(*api_);
  return reply;
}

void Service::Detach() {
  if (handle_ == 0) return;
  Status status;
  api_->isc_service_detach(status.get(), &handle_);
  status.Check(*api_);
  handle_ = 0;
}

void Service::Release() noexcept {
  if (handle_ == 0) return;
  Status status;
  api_->isc_service_detach(status.get(), &handle_);
  handle_ = 0;
}

}  // namespace updater::db
