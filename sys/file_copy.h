#pragma once

#include <string>

namespace updater {

// Copies `source` over `target`, replacing a read-only target. Content, mode bits and
// times are copied, and owner and group too when run as root. A failed copy leaves an
// existing target as it was and no partial file behind. True when the copy succeeded.
bool ForceCopyFile(const std::string& source, const std::string& target);

// Moves `source` to `target` after making an existing target writable; like MoveFile it
// never replaces an existing target. True when the move succeeded.
bool ForceMoveFile(const std::string& source, const std::string& target);

}  // namespace updater
