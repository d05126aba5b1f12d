#pragma once

#include <string>
#include <vector>

namespace updater {

// The program's arguments as UTF-8, whatever the system's own code page, and the console
// set up to show UTF-8 text. Called once at the start of main.
std::vector<std::string> ProcessArguments(int argc, char** argv);

}  // namespace updater
