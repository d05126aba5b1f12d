#include "update/product_state.h"

#include "resources/embedded_resource.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/sha256.h"

namespace updater {

ProductParts FindProductParts(const ProjectProfile& profile, const std::string& product_dir) {
  const std::string dir = FullPath(product_dir);
  return {.has_client = FileExists(JoinPath(JoinPath(dir, "Program"), profile.ExeFileName)),
          .has_server = FileExists(JoinPath(JoinPath(dir, "DB_Data"), profile.DbFileName))};
}

std::string CarriedReleaseDigest() {
  // Hashed once: the archive may be tens of megabytes.
  static const std::string digest = [] {
    const auto bytes = FindEmbeddedResource("EXEFILE", "files");
    if (!bytes) return std::string();
    Sha256 sha;
    sha.Update(*bytes);
    return sha.HexDigest();
  }();
  return digest;
}

}  // namespace updater
