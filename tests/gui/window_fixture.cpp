#include "tests/gui/window_fixture.h"

#include <QDir>
#include <QTest>
#include <cstdlib>

namespace updater::testing {

void OnNextDialog(std::function<void(QWidget*)> handle, int timeout_ms) {
  auto* timer = new QTimer(qApp);
  auto waited = std::make_shared<int>(0);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, waited, handle, timeout_ms] {
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->isVisible()) {
      timer->stop();
      timer->deleteLater();
      handle(dialog);
      return;
    }
    if ((*waited += 20) > timeout_ms) {
      timer->stop();
      timer->deleteLater();
      QFAIL("no dialog opened");
    }
  });
  timer->start();
}

WindowFixture::WindowFixture(WindowCommands commands, WorkRunner runner, Clock* clock)
    : clock(clock != nullptr ? *clock : real_clock),
      window(std::make_unique<MainWindow>(this->clock, std::move(commands), std::move(runner))) {
  CreationChores chores;
  chores.executable_path = "/opt/updater/Updater_DunVeld";
  chores.create_log = [this](RunLog::LineSink sink) {
    return std::make_unique<RunLog>(this->clock, folder.path(), std::move(sink));
  };
  chores.discover_server = [] {
    TFBServParams params;
    params.ServiceName = "KorvaneFireXBirdServer";
    return params;
  };
  window->FormCreate(chores);
  ProjectProfile profile = PresetProfile();
  profile.ProductDir = folder.path();
  window->Presenter().InstallProfile(profile);
  window->FormShow();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
}

void WindowFixture::Screenshot(const std::string& name) const {
  const char* dir = std::getenv("UPDATER_SCREENSHOT_DIR");
  if (dir == nullptr || *dir == '\0') return;
  QDir().mkpath(dir);
  QApplication::processEvents();
  window->grab().save(QString("%1/%2.png").arg(dir, QString::fromStdString(name)));
}

}  // namespace updater::testing
