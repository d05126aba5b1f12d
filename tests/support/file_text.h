#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace updater::testing {

// The file's bytes as they are on disk; empty when it does not open.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace updater::testing
