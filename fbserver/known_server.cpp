#include "fbserver/known_server.h"

#include <utility>

namespace updater {

KnownServer::KnownServer(std::optional<TFBServParams> found) : params_(std::move(found)) {
  if (params_ && params_->ServiceName.empty()) params_.reset();
}

const TFBServParams& KnownServer::Get() {
  if (!params_) {
    TFBServParams discovered;
    GetFBServParams(discovered);
    params_ = std::move(discovered);
  }
  return *params_;
}

}  // namespace updater
