#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/gui/main_window.h"
#include "app/gui/worker_runner.h"
#include "tests/support/temp_folder.h"

namespace updater::testing {

// Runs `handle` on the next modal dialog once it is open (a question, a box, the folder
// dialog); fails the test when none opens within `timeout_ms`.
void OnNextDialog(std::function<void(QWidget*)> handle, int timeout_ms = 10000);

// A created and shown window with its run log in a temporary folder, running its commands
// on a worker thread as the program does; on the real clock unless `clock` is given.
struct WindowFixture {
  explicit WindowFixture(WindowCommands commands, WorkRunner runner = RunOnWorker,
                         Clock* clock = nullptr);
  template <typename W>
  W* Find(const char* name) const {
    return window->findChild<W*>(name);
  }
  // Saves the window's picture as <dir>/<name>.png when UPDATER_SCREENSHOT_DIR is set.
  void Screenshot(const std::string& name) const;

  TempFolder folder;
  RealClock real_clock;
  Clock& clock;
  std::unique_ptr<MainWindow> window;
};

}  // namespace updater::testing
