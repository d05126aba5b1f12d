#include <unistd.h>

#include "tests/support/test_database.h"

namespace updater::testing {

std::string DefaultTestDatabaseFolder() {
  return "/var/tmp/updater-test-db";
}

int OwnProcessId() {
  return static_cast<int>(::getpid());
}

// The fixture server is part of this platform's setup (scripts/setup): a server suite that
// cannot reach it fails.
std::optional<std::string> TestServerUnavailable() {
  return std::nullopt;
}

}  // namespace updater::testing
