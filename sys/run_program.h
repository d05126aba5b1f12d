#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "seams/operator.h"
#include "seams/progress.h"

namespace updater {

// Starts `program` (a relative path is taken from the current directory) with its own
// folder as the working folder, in a process group of its own, waits for it without a
// time limit and returns its exit code (128 + the signal's number when a signal ended it).
// `params` follows the program path directly, so callers begin it with a blank; it is
// split into words as Windows programs split theirs. Command lines of any length are
// started. Raises Error "Unable to run an external program!" when the start fails.
// `show_window` is how a window would be shown; POSIX programs have none to show. A line that
// `progress` draws on the terminal is taken away before the program may write there.
// How RunAndWait shows a program's window: the usual way.
inline constexpr int kShowNormal = 1;

std::int32_t RunAndWait(Operator& op, const std::string& program,
                        const std::optional<std::string>& params, int show_window,
                        Progress* progress = nullptr);

}  // namespace updater
