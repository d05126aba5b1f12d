#include "update/run_observer.h"

namespace updater {

std::string RunStepName(RunStep step) {
  switch (step) {
    case RunStep::Detection:
      return "detection";
    case RunStep::ServerPreparation:
      return "server-preparation";
    case RunStep::Staging:
      return "staging";
    case RunStep::DatabaseUpdate:
      return "database-update";
    case RunStep::ClientUpdate:
      return "client-update";
    case RunStep::Swap:
      return "swap";
    case RunStep::Rollback:
      return "rollback";
    case RunStep::FinalStep:
      return "final-step";
    case RunStep::Recovery:
      return "recovery";
  }
  return "unknown";
}

}  // namespace updater
