#include "app/engine_commands.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "app/check_report.h"
#include "fbserver/fb_serv_params.h"
#include "fbserver/fb_service.h"
#include "fbserver/known_server.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "update/db_modes.h"
#include "update/preflight.h"
#include "update/product_state.h"
#include "update/run_recovery.h"
#include "update/update_run.h"

namespace updater {

namespace {

// The window discovers the server once at creation; a command-line run is one command, and a
// service command without a server to act on fails at once instead of after the service waits.
TFBServParams DiscoveredServer(const CommandContext& c) {
  TFBServParams params;
  try {
    params = KnownServer(c.server).Get();
  } catch (const std::exception& e) {
    throw Error(std::string(e.what()) + "\r" + GetMessageText(msg::uMain_FormCreate_2));
  }
  if (params.ServerType.empty() || params.ServiceName.empty()) {
    throw Error(std::string(kNoServerFoundText) + "\r" + GetMessageText(msg::uMain_FormCreate_2));
  }
  return params;
}

}  // namespace

const std::vector<EngineCommand>& EngineCommands() {
  static const std::vector<EngineCommand> commands = {
      {"update", "Bring the product up to the version this program carries", true,
       [](CommandContext& c) {
         UpdateRunSettings settings{c.profile, c.server, c.observer};
         UpdateProgramm(c.facilities, c.profile.ProductDir, c.profile.SystemPassword,
                        c.profile.AdmnPassword, c.op, c.profile.ProjectKey, settings);
       }},
      {"recover", "Bring the product back to one consistent version after an update that died",
       false,
       [](CommandContext& c) {
         if (c.observer != nullptr) {
           const ProductParts parts = FindProductParts(c.profile, c.profile.ProductDir);
           c.observer->PartsFound(parts.has_client, parts.has_server);
           c.observer->StepBegun(RunStep::Recovery);
         }
         RecoverRun(c.facilities, c.op, c.profile, c.profile.ProductDir, c.profile.SystemPassword,
                    c.server);
       }},
      {"check",
       "Find, without changing anything, what an update would meet; exit code 1 when it would "
       "not start",
       true,
       [](CommandContext& c) {
         const PreflightReport report =
             CheckBeforeUpdate(c.facilities, c.profile, c.profile.ProductDir,
                               c.profile.SystemPassword, c.profile.AdmnPassword);
         c.op.SaveExceptionToLog(CheckTable(report));
         if (c.document != nullptr) *c.document << CheckJson(report) << std::flush;
         // Every reason is in the table already: the exit code is all that is left to say.
         if (!report.WouldStart()) throw FailureAlreadyTold("The check found a failure");
       }},
      {"online", "Switch the product database to multi-user mode (online)", false,
       [](CommandContext& c) {
         UpdateOnLine(c.facilities, c.op, c.profile, c.profile.ProductDir,
                      c.profile.SystemPassword);
       }},
      {"shutdown", "Switch the product database to single-user mode (shutdown)", false,
       [](CommandContext& c) {
         UpdateShutdown(c.facilities, c.op, c.profile, c.profile.ProductDir,
                        c.profile.SystemPassword);
       }},
      {"start-service", "Start the service of the product's Firebird server", false,
       [](CommandContext& c) { StartFBService(c.facilities, c.op, DiscoveredServer(c), true); }},
      {"stop-service", "Stop the service of the product's Firebird server", false,
       [](CommandContext& c) { StopFBService(c.facilities, c.op, DiscoveredServer(c), true); }},
  };
  return commands;
}

const Command& EngineCommandNamed(const std::string& name) {
  const std::vector<EngineCommand>& commands = EngineCommands();
  auto found = std::find_if(commands.begin(), commands.end(),
                            [&name](const EngineCommand& c) { return c.name == name; });
  if (found == commands.end()) throw Error("No command named " + name);
  return found->run;
}

}  // namespace updater
