#pragma once

#include <optional>

#include "fbserver/fb_serv_params.h"

namespace updater {

// The product's server: as the caller found it, else discovered from the machine's registry
// at first use. Parameters without a service name (a discovery that failed before) count as
// none, so that nothing is stopped or started under an empty name.
class KnownServer {
 public:
  explicit KnownServer(std::optional<TFBServParams> found = std::nullopt);

  // Raises what the discovery raises.
  const TFBServParams& Get();

 private:
  std::optional<TFBServParams> params_;
};

}  // namespace updater
