#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <set>

#include <QDir>

#include "app/engine_commands.h"
#include "app/gui/window_startup.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "sys/progress_pause.h"
#include "tests/gui/window_fixture.h"
#include "update/folder_ops.h"
#include "update/run_journal.h"

namespace updater::testing {

// Moves on a little at every reading and by the whole length of every wait, from any thread,
// so that the progress's throttle lets every few reports through without real time passing.
class TickingClock final : public Clock {
 public:
  TimePoint Now() override { return TimePoint(std::chrono::milliseconds(ms_ += kTickMs)); }
  void Sleep(std::chrono::milliseconds duration) override { ms_ += duration.count(); }

 private:
  static constexpr std::int64_t kTickMs = 20;
  std::atomic<std::int64_t> ms_{std::int64_t{40} * 365 * 24 * 3600 * 1000};
};

// The next widget that Tab moves to.
QWidget* NextTabStop(QWidget* widget) {
  QWidget* next = widget->nextInFocusChain();
  while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ChangeLanguage(3); }
  void cleanup() { ChangeLanguage(1); }

  void controlsCarryTheirNamesAndTextsInEnglishAndRussian() {
    WindowFixture f({});
    QCOMPARE(f.window->windowTitle(), QString("Updater_DunVeld"));
    QCOMPARE(f.Find<QGroupBox>("gbConnection")->title(), QString("Connection"));
    QCOMPARE(f.Find<QLabel>("lProgramLocation")->text(), QString("Path to the update program:"));
    QCOMPARE(f.Find<QLabel>("lPassword")->text(),
             QString("System password: (by the server's update required"));
    QCOMPARE(f.Find<QLabel>("Label1")->text(), QString("is as a rule not edited)"));
    QCOMPARE(f.Find<QGroupBox>("gbLog")->title(), QString("The operation log"));
    QCOMPARE(f.Find<QPushButton>("OKBtn")->text(), QString("&Start"));
    QCOMPARE(f.Find<QPushButton>("CancelBtn")->text(), QString("Exit"));
    QCOMPARE(f.Find<QMenu>("mmOperations")->title(), QString("Service"));
    QCOMPARE(f.Find<QAction>("mmOperations_Online")->text(),
             QString("Switch database to multi-user mode (Online)"));
    QCOMPARE(f.Find<QAction>("mmOperations_StopService")->text(),
             QString("Stop the service of the Firebird-server"));
    QCOMPARE(f.Find<QLineEdit>("ePassword")->echoMode(), QLineEdit::Password);
    QCOMPARE(f.Find<QLineEdit>("eAdmnPassword")->echoMode(), QLineEdit::Password);
    QVERIFY(f.Find<QPlainTextEdit>("mLog")->isReadOnly());
    QVERIFY(!f.Find<QLabel>("Image1")->isVisible());
    QVERIFY(!f.Find<QLabel>("mCaptions")->isVisible());
    QCOMPARE(f.window->centralWidget()->size(), QSize(476, 473));
    QCOMPARE(f.window->minimumSize(), f.window->maximumSize());  // fixed size

    // Tab order of the connection group.
    QWidget* folder = f.Find<QLineEdit>("eProgramLocation");
    QCOMPARE(NextTabStop(folder), f.Find<QToolButton>("bbProgramLocation"));
    QCOMPARE(NextTabStop(f.Find<QToolButton>("bbProgramLocation")),
             f.Find<QLineEdit>("eAdmnPassword"));
    QCOMPARE(NextTabStop(f.Find<QLineEdit>("eAdmnPassword")), f.Find<QLineEdit>("ePassword"));

    // Switching the language retranslates, and never clears the fields or the log.
    f.Find<QLineEdit>("eProgramLocation")->setText("/opt/OVN/DunVeld");
    f.Screenshot("window-idle-en");
    f.Find<QLineEdit>("eProgramLocation")->setText("/typed/by/hand");
    f.Find<QPlainTextEdit>("mLog")->appendPlainText("a logged line");
    ChangeLanguage(2);
    QCOMPARE(f.Find<QGroupBox>("gbConnection")->title(), QString::fromUtf8(" Подключение  "));
    QCOMPARE(f.Find<QPushButton>("OKBtn")->text(), QString::fromUtf8("&Старт"));
    QCOMPARE(f.Find<QMenu>("mmOperations")->title(), QString::fromUtf8("Сервис"));
    QCOMPARE(f.Find<QAction>("mmOperations_Shutdown")->text(),
             QString::fromUtf8("Перевести базу данных в однопользовательский режим (Shutdown)"));
    QCOMPARE(f.Find<QLineEdit>("eProgramLocation")->text(), QString("/typed/by/hand"));
    QCOMPARE(f.Find<QPlainTextEdit>("mLog")->toPlainText(), QString("a logged line"));
    f.Find<QPlainTextEdit>("mLog")->clear();
    f.Find<QLineEdit>("eProgramLocation")->setText("/opt/OVN/DunVeld");
    f.Screenshot("window-idle-ru");
  }

  void startupErrorBeforeTheRunLogIsShownAndEndsWithExitCodeOne() {
    TempFolder folder;
    RealClock clock;
    MainWindow window(clock, {}, RunOnWorker);
    CreationChores chores;
    chores.executable_path = "/x/updater";
    chores.write_libraries = [] { throw Error("Cannot create file /x/libfbclient.so.2"); };
    chores.create_log = [&](RunLog::LineSink sink) {
      return std::make_unique<RunLog>(clock, folder.path(), std::move(sink));
    };
    chores.discover_server = [] { return TFBServParams{}; };
    std::vector<std::string> shown;
    int code = OpenMainWindow(window, chores, PresetProfile(),
                              [&](const std::string& m) { shown.push_back(m); });
    QCOMPARE(code, 1);
    QCOMPARE(shown, std::vector<std::string>{"Cannot create file /x/libfbclient.so.2"});
    QVERIFY(!window.isVisible());
    QVERIFY(!QDir(QString::fromStdString(folder.path() + "/Logs")).exists());

    // A failed discovery comes after the log: logged and shown, and the window opens.
    chores.write_libraries = [] {};
    chores.discover_server = []() -> TFBServParams { throw Error("no server"); };
    MainWindow second(clock, {}, RunOnWorker);
    OnNextDialog([](QWidget* box) { qobject_cast<QDialog*>(box)->accept(); });
    QCOMPARE(OpenMainWindow(second, chores, PresetProfile(),
                            [&](const std::string& m) { shown.push_back(m); }),
             0);
    QVERIFY(second.isVisible());
    QCOMPARE(shown.size(), std::size_t{1});
    QVERIFY(second.findChild<QPlainTextEdit*>("mLog")->toPlainText().contains(": no server"));
  }

  void fieldsAndMenuAreBlockedWhileARunWorksAndLogLinesAppearAsWritten() {
    bool connection_enabled = true, buttons_enabled = true, menu_enabled = true;
    bool log_line_seen_during_run = false;
    WindowFixture* fixture = nullptr;
    WindowFixture f({.update = [&](CommandContext& c) {
      c.op.SaveExceptionToLog("first step");
      // Checked on the window's thread while the work waits.
      c.op.SetStatus("checking");
    }});
    fixture = &f;
    auto* captions = f.Find<QLabel>("mCaptions");
    QObject::connect(f.Find<QPlainTextEdit>("mLog"), &QPlainTextEdit::textChanged, captions, [&] {
      if (!fixture->Find<QPlainTextEdit>("mLog")->toPlainText().contains("first step")) return;
      if (log_line_seen_during_run) return;
      log_line_seen_during_run = true;
      connection_enabled = fixture->Find<QGroupBox>("gbConnection")->isEnabled();
      buttons_enabled = fixture->Find<QPushButton>("OKBtn")->isEnabled();
      menu_enabled = fixture->Find<QMenu>("mmOperations")->menuAction()->isEnabled();
    });
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QVERIFY(log_line_seen_during_run);
    QVERIFY(!connection_enabled);
    QVERIFY(!buttons_enabled);
    QVERIFY(!menu_enabled);
    QVERIFY(f.Find<QGroupBox>("gbConnection")->isEnabled());
    QVERIFY(f.Find<QPushButton>("OKBtn")->isEnabled());
    QVERIFY(f.Find<QMenu>("mmOperations")->menuAction()->isEnabled());
  }

  void windowKeepsHandlingEventsWhileACommandWorks() {
    // The command waits until the window's thread has ticked three times: a window frozen
    // by the command would never tick, and the wait would run out.
    auto ticked = std::make_shared<std::promise<void>>();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++ticks == 3) ticked->set_value();
    });
    bool answered_in_time = false;
    WindowFixture f({.update = [&](CommandContext&) {
      timer.metaObject()->invokeMethod(&timer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
      answered_in_time =
          ticked->get_future().wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    }});
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QVERIFY(answered_in_time);
    QVERIFY(ticks >= 3);
  }

  void closeBoxIsRefusedWhileACommandRuns() {
    bool closed_during_run = true;
    WindowFixture* fixture = nullptr;
    WindowFixture f({.online = [&](CommandContext& c) {
      c.op.SetStatus("x");  // a call on the window's thread, so the close below runs first
    }});
    fixture = &f;
    QTimer::singleShot(0, f.window.get(), [&] { closed_during_run = fixture->window->close(); });
    f.Find<QAction>("mmOperations_Online")->trigger();
    QVERIFY(!closed_during_run);
    QVERIFY(f.window->isVisible());
    QVERIFY(f.window->close());
  }

  void confirmationOpensWithNoFocusedAndClosingAWarningAnswersClosed() {
    DialogButton first = DialogButton::Yes, second = DialogButton::Yes;
    QString focused, title;
    WindowFixture f({.update = [&](CommandContext& c) {
      first = c.op.MessageDlg(DialogKind::Confirmation, "Update the product?",
                              {DialogButton::Yes, DialogButton::No}, DialogButton::No);
      second = c.op.MessageDlg(DialogKind::Warning, "Users are attached.",
                               {DialogButton::Yes, DialogButton::No}, DialogButton::No);
    }});
    OnNextDialog([&](QWidget* dialog) {
      title = dialog->windowTitle();
      focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "";
      QTest::keyClick(dialog, Qt::Key_Return);  // Enter answers the focused button
      OnNextDialog([](QWidget* warning) { warning->close(); });
    });
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QCOMPARE(title, QString("Confirm"));
    QCOMPARE(focused, QString("No"));
    QCOMPARE(first, DialogButton::No);
    QCOMPARE(second, DialogButton::Closed);
  }

  // Escape answers each question with its cancel button; only the close box answers "closed".
  void escapeAnswersTheCancelButtonOfEveryQuestion() {
    struct Case {
      DialogKind kind;
      std::vector<DialogButton> buttons;
      DialogButton focus;
      DialogButton expected;
    };
    const std::vector<Case> cases = {
        // the confirmation, then the attached-users and the server-stop warnings
        {DialogKind::Confirmation,
         {DialogButton::Yes, DialogButton::No},
         DialogButton::No,
         DialogButton::No},
        {DialogKind::Warning,
         {DialogButton::Yes, DialogButton::No},
         DialogButton::Yes,
         DialogButton::No},
        {DialogKind::Warning,
         {DialogButton::Yes, DialogButton::No, DialogButton::Cancel},
         DialogButton::Yes,
         DialogButton::Cancel},
        {DialogKind::Error,
         {DialogButton::Abort, DialogButton::Retry},
         DialogButton::Retry,
         DialogButton::Abort},
        {DialogKind::Error, {DialogButton::OK}, DialogButton::OK, DialogButton::OK},
    };
    std::vector<DialogButton> answers;
    WindowFixture f({.update = [&](CommandContext& c) {
      for (const Case& k : cases)
        answers.push_back(c.op.MessageDlg(k.kind, "?", k.buttons, k.focus));
    }});
    std::size_t shown = 0;
    std::function<void(QWidget*)> press_escape = [&](QWidget* dialog) {
      if (++shown < cases.size()) OnNextDialog(press_escape);
      QTest::keyClick(dialog, Qt::Key_Escape);
    };
    OnNextDialog(press_escape);
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QCOMPARE(answers.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) QCOMPARE(answers[i], cases[i].expected);
  }

  void cancellingTheFolderDialogLeavesTheFieldAndConfirmingReturnsTheFolder() {
    WindowFixture f({});
    auto* field = f.Find<QLineEdit>("eProgramLocation");
    QString opened_in;
    OnNextDialog([&](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QVERIFY(files != nullptr);
      opened_in = files->directory().absolutePath();
      files->reject();
    });
    QTest::mouseClick(f.Find<QToolButton>("bbProgramLocation"), Qt::LeftButton);
    QCOMPARE(opened_in, QString::fromStdString(f.folder.path()));
    QCOMPARE(field->text(), QString::fromStdString(f.folder.path()));

    field->setText("/no/such/folder");
    OnNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    QTest::mouseClick(f.Find<QToolButton>("bbProgramLocation"), Qt::LeftButton);
    QCOMPARE(field->text(), QString("/no/such/folder"));

    field->setText(QString::fromStdString(f.folder.path()));
    OnNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
    QTest::mouseClick(f.Find<QToolButton>("bbProgramLocation"), Qt::LeftButton);
    QCOMPARE(field->text(), QString::fromStdString(f.folder.path()));
  }

  // A copy and a wait report from the worker thread; the window's bar follows both, the
  // step's text under it, and goes away when the run ends.
  void progressBarFollowsACopyAndAWait() {
    TickingClock clock;
    TempFolder folder;
    const std::string source = folder.path() + "/Program";
    QDir().mkpath(QString::fromStdString(source + "/Sub"));
    for (int i = 0; i < 40; ++i) {
      std::ofstream(source + (i % 2 ? "/Sub/" : "/") + std::to_string(i) + ".dll")
          << std::string(100000, 'x');
    }
    const QString settle = QString::fromStdString(GetMessageText(msg::uProgress_ServiceSettle));
    WindowFixture run(
        {.update =
             [&](CommandContext& c) {
               c.op.SaveExceptionToLog(GetMessageText(msg::uUpdate_UpdateProgramm_38));
               MyCopyDir(c.facilities.progress, source, folder.path() + "/Copy");
               PauseShowingProgress(c.facilities.clock, c.facilities.progress, settle.toStdString(),
                                    std::chrono::seconds(5));
             }},
        RunOnWorker, &clock);
    auto* bar = run.Find<QProgressBar>("pbStep");
    auto* step = run.Find<QLabel>("lStep");
    std::vector<int> copy_values, wait_values;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
      if (step->toolTip().startsWith("Copying the folder " + QString::fromStdString(source)))
        copy_values.push_back(value);
      else if (step->toolTip().startsWith(settle + "  "))
        wait_values.push_back(value);
      // Drawn as it stands: the fixture's screenshot would first let the run's later reports in.
      const char* dir = std::getenv("UPDATER_SCREENSHOT_DIR");
      if (dir != nullptr && *dir != '\0' && !wait_values.empty() && wait_values.back() == 400)
        run.window->grab().save(QString("%1/window-progress-en.png").arg(dir));
    });
    QTest::mouseClick(run.Find<QPushButton>("OKBtn"), Qt::LeftButton);

    QVERIFY2(std::set<int>(copy_values.begin(), copy_values.end()).size() >= 3,
             std::to_string(copy_values.size()).c_str());
    QVERIFY(std::is_sorted(copy_values.begin(), copy_values.end()));
    QVERIFY(std::is_sorted(wait_values.begin(), wait_values.end()));
    QCOMPARE(wait_values.back(), 1000);
    QVERIFY(std::count(wait_values.begin(), wait_values.end(), 400) == 1);
    QVERIFY(!run.Find<QWidget>("aProgress")->isVisible());
    QCOMPARE(run.Find<QLabel>("mCaptions")->height(), 42);
  }

  void verdictAfterSuccessAndAfterFailure() {
    bool fail = false;
    WindowFixture f({.update = [&](CommandContext&) {
      if (fail) {
        throw RolledBack();  // restore went well: no box
      }
    }});
    auto* image = f.Find<QLabel>("Image1");
    auto* captions = f.Find<QLabel>("mCaptions");
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QVERIFY(image->isVisible());
    QCOMPARE(image->pixmap().size(), QSize(41, 41));
    QImage success = image->pixmap().toImage();
    QVERIFY(captions->isVisible());
    QCOMPARE(captions->text(),
             QString("The updating passed successfully. Please, end your work with the program."));
    QCOMPARE(captions->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QVERIFY(f.Find<QPlainTextEdit>("mLog")->toPlainText().contains(
        ": The updating passed successfully."));
    QVERIFY(!f.Find<QWidget>("aProgress")->isVisible());

    fail = true;
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QCOMPARE(captions->text(), QString("The updating passed with errors!\nThe rollback of "
                                       "changes has been terminated."));
    QCOMPARE(captions->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    QVERIFY(image->isVisible());
    QVERIFY(image->pixmap().toImage() != success);
    QVERIFY(f.Find<QGroupBox>("gbConnection")->isEnabled());
  }

  // A run that died leaves its journal: Start refuses with a box that says how to go on, and
  // the Service menu's recovery brings the product to one version.
  void startRefusesOverADeadRunAndTheServiceMenuRecovers() {
    // On a fixed disk: the engine refuses a product on a RAM disk.
    std::string pattern = "/var/tmp/updater-gui-XXXXXX";
    const std::string root = ::mkdtemp(pattern.data());
    const std::string product = root + "/DunVeld";
    RunJournal journal;
    journal.stage = JournalStage::ProgramCopyBegun;
    journal.product_dir = product;
    journal.temp_dir = product + "/Tmp$091226101500";
    journal.has_client = true;
    std::filesystem::create_directories(journal.temp_dir + "/Wrk/Program");
    std::filesystem::create_directories(product + "/Program");
    std::ofstream(product + "/Program/DunVeld.exe") << "old exe";
    std::ofstream(journal.temp_dir + "/Wrk/Program/DunVeld.exe") << "new exe";
    WriteJournal(journal);

    WindowFixture f(
        {.update = EngineCommandNamed("update"), .recover = EngineCommandNamed("recover")});
    QCOMPARE(f.Find<QAction>("mmOperations_Recover")->text(),
             QString("Recover the product after an interrupted update"));
    f.Find<QLineEdit>("eProgramLocation")->setText(QString::fromStdString(product));
    QString refusal;
    OnNextDialog([&](QWidget* box) {
      refusal = qobject_cast<QMessageBox*>(box)->text();
      qobject_cast<QDialog*>(box)->accept();
    });
    QTest::mouseClick(f.Find<QPushButton>("OKBtn"), Qt::LeftButton);
    QVERIFY2(refusal.contains(QString::fromStdString(product)), qPrintable(refusal));
    QVERIFY2(refusal.contains("\"program copy begun\""), qPrintable(refusal));
    QVERIFY2(refusal.contains("Service, Recover"), qPrintable(refusal));
    QCOMPARE(f.Find<QLabel>("mCaptions")->text(), QString("The updating was interrupted!"));

    f.Find<QAction>("mmOperations_Recover")->trigger();
    QVERIFY(f.Find<QPlainTextEdit>("mLog")->toPlainText().contains(
        "The product is consistent again: it is the updated version."));
    std::ifstream exe(product + "/Program/DunVeld.exe");
    QCOMPARE(std::string(std::istreambuf_iterator<char>(exe), {}), std::string("new exe"));
    QVERIFY(f.Find<QGroupBox>("gbConnection")->isEnabled());
    std::filesystem::remove_all(root);
  }
};

}  // namespace updater::testing

QTEST_MAIN(updater::testing::MainWindowTest)
#include "main_window_test.moc"
