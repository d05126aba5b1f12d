#pragma once

#include <cstdint>
#include <string>

namespace updater {

// The names and defaults that bind the Updater to its one product.
struct ProjectProfile {
  std::string ClientLibName;
  std::string DbFileName;
  std::string ExeFileName;
  std::string SystemPassword;
  std::string AdmnPassword;
  std::string ProductDir;
  std::string ServerPrefix;
  std::int32_t FreeSpaceFactor = 0;
  std::string ProjectKey;
};

// The preset values installed at start-up; the client library and the default
// product folder are the platform's own.
ProjectProfile PresetProfile();

}  // namespace updater
