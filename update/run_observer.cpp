#include "update/run_observer.h"

#include <array>

namespace updater {

std::string RunStepName(RunStep step) {
  // In the order of RunStep.
  static constexpr std::array<const char*, 9> kNames = {
      "detection", "server-preparation", "staging",    "database-update", "client-update",
      "swap",      "rollback",           "final-step", "recovery"};
  static_assert(static_cast<std::size_t>(RunStep::Recovery) + 1 == kNames.size());
  return kNames.at(static_cast<std::size_t>(step));
}

}  // namespace updater
