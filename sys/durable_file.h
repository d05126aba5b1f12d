#pragma once

#include <string>

namespace updater {

// Replaces `path` with `content` so that after a crash or a power loss the file holds either
// the whole old content or the whole new one: written beside it, flushed, renamed over it, and
// the rename flushed with its folder. Returns false when any of that failed; `path` then still
// holds its old content.
bool ReplaceFileDurably(const std::string& path, const std::string& content);

// Flushes the file `path`, or every file and folder under the folder `path` (links are not
// followed), from the page cache to the disk. Returns false when something could not be
// opened or flushed; a missing `path` is no failure.
bool FlushToDisk(const std::string& path);

}  // namespace updater
