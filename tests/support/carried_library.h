#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/embedded_resource.h"

namespace updater::testing {

// The bytes of the library the executable carries as `name`; empty when it carries none.
inline std::string Carried(const char* name) {
  auto bytes = FindEmbeddedResource("DLL", name);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace updater::testing
