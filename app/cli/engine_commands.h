#pragma once

#include <string>
#include <vector>

#include "app/command_runner.h"

namespace updater {

// One command of the window's Start button and Service menu, by its command-line name.
struct EngineCommand {
  std::string name;
  std::string description;
  bool needs_admn_password;
  Command run;
};

// The table the command line is built from.
const std::vector<EngineCommand>& EngineCommands();

}  // namespace updater
