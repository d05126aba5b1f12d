#pragma once

#include <cstddef>
#include <string>

#include "sys/text.h"

namespace updater {

// What the system tells about one process's name.
struct ProcessNames {
  std::string comm;      // the kernel's short name, cut to a fixed length
  std::string exe_path;  // the executable's path; empty when unknown
  std::string argv0;     // the first word of the command line
};

// Whether a process is the one named `wanted`: its executable file name (or whole
// executable path) equals `wanted` without regard to case. A short name of exactly
// `comm_limit` characters may be cut, so it counts only when the command line or
// the executable agree.
bool NamesMatch(const ProcessNames& names, const std::string& wanted, std::size_t comm_limit);

}  // namespace updater
