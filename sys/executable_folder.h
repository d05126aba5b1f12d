#pragma once

#include <string>

namespace updater {

// The folder that holds the running executable, without a trailing separator.
// The run log and the libraries written at start-up live there.
std::string ExecutableFolder();

}  // namespace updater
