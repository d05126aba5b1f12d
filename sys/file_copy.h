#pragma once

#include <string>

namespace updater {

class ProgressStep;

// Copies `source` over `target`, replacing a read-only target. Content, mode bits and
// times are copied, and owner and group too when run as root. A failed copy leaves an
// existing target as it was and no partial file behind. True when the copy succeeded.
// The bytes are counted on `progress` as they are copied, when one is given.
bool ForceCopyFile(const std::string& source, const std::string& target,
                   ProgressStep* progress = nullptr);

// Moves `source` to `target` after making an existing target writable; like MoveFile it
// never replaces an existing target. True when the move succeeded.
bool ForceMoveFile(const std::string& source, const std::string& target);

}  // namespace updater
