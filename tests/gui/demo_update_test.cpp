#include <unistd.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/engine_commands.h"
#include "app/gui/main_window.h"
#include "app/gui/window_startup.h"
#include "app/gui/worker_runner.h"
#include "fbserver/fb_serv_params.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"

namespace updater::testing {
namespace {

namespace fs = std::filesystem;

// Standard output of a shell command; empty when it could not run.
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
    out += buffer.data();
  ::pclose(pipe);
  return out;
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// Answers every question of the run with Yes (every box with OK) while it is running,
// and keeps the texts it was asked.
class Answerer {
 public:
  Answerer() {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      asked.push_back(box->text());
      for (const char* name : {"Yes", "OK"}) {
        if (auto* button = box->findChild<QAbstractButton*>(name)) {
          button->click();
          return;
        }
      }
    });
    timer_.start();
  }
  QStringList asked;

 private:
  QTimer timer_;
};

}  // namespace

class DemoUpdateTest : public QObject {
  Q_OBJECT

 private:
  // Makes the demo product, updates it through the window in `language` and checks the
  // verdict, the log and the product. Saves a screenshot named after the language.
  void UpdateDemoProductIn(int language, const char* shot) {
    const fs::path product =
        fs::path(TestDatabaseFolder()) / ("window-demo-" + std::to_string(::getpid()) + "-" + shot);
    const std::string make = "bash " + Quoted(UPDATER_SOURCE_DIR "/scripts/make-demo-product") +
                             " " + Quoted(UPDATER_BINARY_DIR) + " " + Quoted(product.string()) +
                             " >/dev/null 2>&1";
    QCOMPARE(std::system(make.c_str()), 0);
    struct Cleanup {
      fs::path path;
      ~Cleanup() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
      }
    } cleanup{product};

    ChangeLanguage(language);
    ScaledClock clock(10, Shortens::PausesOnly);
    TempFolder logs;
    MainWindow window(
        clock,
        {EngineCommandNamed("update"), EngineCommandNamed("online"), EngineCommandNamed("shutdown"),
         EngineCommandNamed("start-service"), EngineCommandNamed("stop-service")},
        RunOnWorker);
    CreationChores chores;
    chores.executable_path = UPDATER_BINARY_DIR "/bin/updater";
    chores.create_log = [&](RunLog::LineSink sink) {
      return std::make_unique<RunLog>(clock, logs.path(), std::move(sink));
    };
    chores.discover_server = [] {
      TFBServParams params;
      GetFBServParams(params);
      return params;
    };
    ProjectProfile profile = PresetProfile();
    profile.ProductDir = product.string();
    profile.SystemPassword = kTestSysdbaPassword;
    profile.AdmnPassword = kTestAdmnPassword;
    QCOMPARE(
        OpenMainWindow(window, chores, profile, [](const std::string& m) { QFAIL(m.c_str()); }), 0);
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    Answerer answerer;
    QTest::mouseClick(window.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);

    const QString log = window.findChild<QPlainTextEdit*>("mLog")->toPlainText();
    auto* captions = window.findChild<QLabel*>("mCaptions");
    QVERIFY2(!answerer.asked.isEmpty(), "the run asked nothing");
    QCOMPARE(captions->text(), QString::fromStdString(GetMessageText(msg::uMain_Finished_1)));
    QVERIFY2(window.Presenter().Look().picture == Picture::Success, qPrintable(log));
    QVERIFY(window.findChild<QLabel*>("Image1")->isVisible());
    QVERIFY(window.findChild<QPushButton*>("OKBtn")->isEnabled());
    QVERIFY(log.contains(QString::fromStdString(GetMessageText(msg::uMain_Finished_2))));

    // The product itself: the new client, the database at version 2 and online.
    const std::string client = Output(Quoted((product / "Program" / "DunVeld.exe").string()));
    QVERIFY2(client.find("DunVeld version 2") != std::string::npos, client.c_str());
    const std::string answer = Output(
        "echo 'select max(VERSION_NO), (select MON$SHUTDOWN_MODE from MON$DATABASE) from "
        "DV_VERSION;' | isql-fb -q -user SYSDBA -password " +
        std::string(kTestSysdbaPassword) + " " +
        Quoted(std::string(kTestServerPrefix) + (product / "DB_Data" / "DunVeld.fdb").string()) +
        " 2>&1");
    // Version 2, shutdown mode 0 (online).
    QVERIFY2(QString::fromStdString(answer).simplified().endsWith(" 2 0"), answer.c_str());

    const char* dir = std::getenv("UPDATER_SCREENSHOT_DIR");
    if (dir != nullptr && *dir != '\0') {
      QApplication::processEvents();
      window.grab().save(QString("%1/%2.png").arg(dir, shot));
    }
  }

 private slots:
  void cleanup() { ChangeLanguage(1); }

  void windowUpdatesTheDemoProductEndToEnd() { UpdateDemoProductIn(3, "window-success-en"); }

  // Only for the screenshots: one more product, updated in Russian.
  void windowUpdatesTheDemoProductInRussian() {
    const char* dir = std::getenv("UPDATER_SCREENSHOT_DIR");
    if (dir == nullptr || *dir == '\0') QSKIP("taken by scripts/screenshots only");
    UpdateDemoProductIn(2, "window-success-ru");
  }
};

}  // namespace updater::testing

QTEST_MAIN(updater::testing::DemoUpdateTest)
#include "demo_update_test.moc"
