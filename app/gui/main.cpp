// updater: the window.

#include <QApplication>
#include <QSessionManager>
#include <cstdio>

#include "app/command_runner.h"
#include "app/engine_commands.h"
#include "app/gui/dialogs.h"
#include "app/gui/main_window.h"
#include "app/gui/window_startup.h"
#include "app/gui/worker_runner.h"
#include "app/startup.h"
#include "app/terminal.h"
#include "db/client_library.h"
#include "fbserver/fb_serv_params.h"
#include "messages/message_text.h"
#include "seams/application_title.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "sys/stop_request.h"
#include "update/carried_libraries.h"

namespace updater {
namespace {

// Start-up shows its errors before the window and its run log exist.
class StartupOperator final : public Operator {
 public:
  void SaveExceptionToLog(const std::string&) override {
    throw Error("The run log has not been created");
  }
  void ProcessMessages() override { QCoreApplication::processEvents(); }
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override {
    return ShowMessageDlg(nullptr, kind, text, buttons, focus);
  }
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override {
    ShowMessageBox(nullptr, kind, caption, text);
  }
  void SetStatus(const std::string&) override {}
};

WindowCommands EngineWindowCommands() {
  return {EngineCommandNamed("update"),       EngineCommandNamed("online"),
          EngineCommandNamed("shutdown"),     EngineCommandNamed("start-service"),
          EngineCommandNamed("stop-service"), EngineCommandNamed("recover")};
}

// A log-off, a system shut-down or a stop signal while a command changes the product is a
// request to stop at the end of its step, as for the command-line front end; with nothing
// under way the program ends at once. The close box stays blocked during a command.
void ListenForStopRequests(StopRequest& stop) {
  AnswerStopRequests(stop);
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, [&stop](QSessionManager& session) {
    if (!stop.Armed()) return;
    stop.Request();
    if (session.allowsInteraction()) session.cancel();
  });
}

int Main(int argc, char** argv) {
  SetFirebirdMsgEnv();  // before anything loads the client library
  // Before any thread: the stop signals are the program's, not the client library's.
  static StopRequest stop;
  WatchStopSignals(stop);
  db::RefuseClientShutdownOnSignals();
  QApplication app(argc, argv);
  ListenForStopRequests(stop);
  QGuiApplication::setApplicationDisplayName(kApplicationTitle);
  StartupOperator startup;
  std::optional<ProjectProfile> profile = StartWithoutWindow(startup);
  if (!profile) return 1;

  RealClock clock;
  MainWindow window(clock, EngineWindowCommands(), RunOnWorker, &stop);
  CreationChores chores;
  chores.executable_path = QCoreApplication::applicationFilePath().toStdString();
  chores.write_libraries = [] { WriteCarriedLibraries(); };
  chores.create_log = [&clock](RunLog::LineSink sink) {
    return std::make_unique<RunLog>(RunLog::BesideExecutable(clock, std::move(sink)));
  };
  chores.discover_server = [] {
    TFBServParams params;
    GetFBServParams(params);
    return params;
  };
  if (OpenMainWindow(window, chores, *profile, [](const std::string& message) {
        ShowMessageBox(nullptr, DialogKind::Error, kApplicationTitle, message);
      }) != 0)
    return 1;
  return QApplication::exec() == 0 ? 0 : 1;
}

}  // namespace
}  // namespace updater

int main(int argc, char** argv) {
  return updater::Main(argc, argv);
}
