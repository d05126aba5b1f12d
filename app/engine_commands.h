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

// A service command's error when the registry names no server of the product.
inline constexpr const char* kNoServerFoundText =
    "No Firebird server of the product was found in the registry.";

// The command of that name; raises an Error for a name the table does not hold.
const Command& EngineCommandNamed(const std::string& name);

}  // namespace updater
