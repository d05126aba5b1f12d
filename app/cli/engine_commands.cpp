#include "app/cli/engine_commands.h"

#include "fbserver/fb_serv_params.h"
#include "fbserver/fb_service.h"
#include "update/db_modes.h"
#include "update/update_run.h"

namespace updater {

namespace {

// The window discovers the server once at creation; a command-line run is one command.
TFBServParams DiscoveredServer() {
  TFBServParams params;
  GetFBServParams(params);
  return params;
}

}  // namespace

const std::vector<EngineCommand>& EngineCommands() {
  static const std::vector<EngineCommand> commands = {
      {"update", "Bring the product up to the version this program carries", true,
       [](CommandContext& c) {
         // The run discovers the server itself, as the window would have at start.
         UpdateRunSettings settings{c.profile, &c.rollback_done, std::nullopt};
         UpdateProgramm(c.profile.ProductDir, c.profile.SystemPassword, c.profile.AdmnPassword,
                        c.op, c.profile.ProjectKey, settings);
       }},
      {"online", "Switch the product database to multi-user mode (online)", false,
       [](CommandContext& c) {
         UpdateOnLine(c.op, c.profile, c.profile.ProductDir, c.profile.SystemPassword);
       }},
      {"shutdown", "Switch the product database to single-user mode (shutdown)", false,
       [](CommandContext& c) {
         UpdateShutdown(c.op, c.profile, c.profile.ProductDir, c.profile.SystemPassword);
       }},
      {"start-service", "Start the service of the product's Firebird server", false,
       [](CommandContext& c) { StartFBService(c.op, DiscoveredServer(), true); }},
      {"stop-service", "Stop the service of the product's Firebird server", false,
       [](CommandContext& c) { StopFBService(c.op, DiscoveredServer(), true); }},
  };
  return commands;
}

}  // namespace updater
