#pragma once

// Backend-internal: the copy that ForceCopyFile and MovePath share.

#include <string>

namespace updater {

class ProgressStep;

// Copies a regular file with its mode, times and (as root) owner. Without `replace` an
// existing target makes it fail; with it the target is replaced at once by a complete copy.
// Bytes are counted on `progress` when one is given.
bool CopyFileContents(const std::string& source, const std::string& target, bool replace,
                      ProgressStep* progress = nullptr);

}  // namespace updater
