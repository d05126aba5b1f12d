#pragma once

#include <functional>
#include <string>

#include "app/gui/main_window.h"

namespace updater {

// The window's part of start-up: creation, the profile installed, the working look, shown.
// An error before the run log exists cannot be logged: it is handed to `show_error` and the
// result is the exit code 1; otherwise 0 and the window is on screen.
int OpenMainWindow(MainWindow& window, const CreationChores& chores, const ProjectProfile& profile,
                   const std::function<void(const std::string&)>& show_error);

}  // namespace updater
