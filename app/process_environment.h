#pragma once

#include <string>

namespace updater {

// Sets a variable of this process's environment, which child processes and
// libraries loaded later inherit. Raises an Error when the system refuses.
void SetProcessEnvironment(const std::string& name, const std::string& value);

}  // namespace updater
