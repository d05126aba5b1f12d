#pragma once

#include <string>

namespace updater {

// Reads a password from its first line (the line break is not part of it). Raises when the
// file cannot be read, is not a plain file, or other users may read it; the error names the
// file and never its content.
std::string ReadPasswordFile(const std::string& path);

}  // namespace updater
