#include "app/cli/engine_commands.h"

#include "sys/error.h"

namespace updater {

Command NotAvailable(const std::string& name) {
  return [name](CommandContext&) { throw Error("The command " + name + " is not available yet"); };
}

const std::vector<EngineCommand>& EngineCommands() {
  static const std::vector<EngineCommand> commands = {
      {"update", "Bring the product up to the version this program carries", true,
       NotAvailable("update")},
      {"online", "Switch the product database to multi-user mode (online)", false,
       NotAvailable("online")},
      {"shutdown", "Switch the product database to single-user mode (shutdown)", false,
       NotAvailable("shutdown")},
      {"start-service", "Start the service of the product's Firebird server", false,
       NotAvailable("start-service")},
      {"stop-service", "Stop the service of the product's Firebird server", false,
       NotAvailable("stop-service")},
  };
  return commands;
}

}  // namespace updater
