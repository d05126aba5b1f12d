#pragma once

#include <string>

#include "seams/project_profile.h"

namespace updater {

// The parts of the product in a folder, found as the update run finds them.
struct ProductParts {
  bool has_client = false;
  bool has_server = false;
};
ProductParts FindProductParts(const ProjectProfile& profile, const std::string& product_dir);

// SHA-256 of the payload archive this program carries: the release it brings. Empty when it
// carries none.
std::string CarriedReleaseDigest();

}  // namespace updater
