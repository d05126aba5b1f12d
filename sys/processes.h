#pragma once

#include <cstdint>
#include <string>

namespace updater {

// Ends every process whose executable file name equals `exe_name`, without regard
// to case and only as a whole name; the own process is never ended.
// Returns -1 when no process matched, else the outcome of the last termination
// attempted: non-zero when it succeeded, 0 when it failed.
std::int32_t KillProcessByName(const std::string& exe_name);

// Whether this process may end processes of other users (the debug privilege on
// Windows). There is nothing to switch on POSIX, so `enable` only names the intent.
bool SetDebugPrivilege(bool enable);

}  // namespace updater
