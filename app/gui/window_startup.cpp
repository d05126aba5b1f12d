#include "app/gui/window_startup.h"

#include <exception>

namespace updater {

int OpenMainWindow(MainWindow& window, const CreationChores& chores, const ProjectProfile& profile,
                   const std::function<void(const std::string&)>& show_error) {
  try {
    window.FormCreate(chores);
  } catch (const std::exception& e) {
    show_error(e.what());
    return 1;
  }
  window.Presenter().InstallProfile(profile);
  window.FormShow();
  window.show();
  return 0;
}

}  // namespace updater
