#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace updater::testing {

bool UnderWine() {
  return false;
}

std::string MakeTempFolder() {
  std::string pattern = "/var/tmp/updater-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  ::chmod(pattern.c_str(), 0777);  // tests that drop to another user write here too
  return pattern;
}

void GiveRightsBack(const std::string& folder) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           folder, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0777);
  }
}

std::optional<std::string> GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void SetEnv(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace updater::testing
