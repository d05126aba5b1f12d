#pragma once

#include <functional>

#include "seams/operator.h"

namespace updater {

// Runs a command's work on a thread of its own while the window's thread keeps handling
// events, so log lines appear as they are written and the window repaints during long copies
// and scripts. Every call the work makes on the operator runs on the window's thread and
// the work waits for it (a question waits for its answer). Whatever the work throws is
// thrown here again. Call it on the window's thread.
void RunOnWorker(const std::function<void(Operator&)>& work, Operator& op);

}  // namespace updater
