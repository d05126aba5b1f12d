#include "app/main_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "messages/ldm.h"
#include "sys/error.h"
#include "tests/support/recording_progress.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::TempFolder;

class FakeView final : public MainView {
 public:
  void SetCaption(const std::string& c) override { caption = c; }
  void Show(const WindowLook& look) override { looks.push_back(look); }
  void AppendLogLine(const std::string& line) override { log.push_back(line); }
  EntryFields Fields() const override { return fields; }
  void SetFields(const EntryFields& f) override { fields = f; }
  void ProcessMessages() override {
    ++pumps;
    if (on_pump) on_pump();
  }
  DialogButton MessageDlg(DialogKind, const std::string& text, const std::vector<DialogButton>&,
                          DialogButton) override {
    questions.push_back(text);
    return answer;
  }
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override {
    boxes.push_back({kind, text});
    box_captions.push_back(caption);
  }
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& selected) override {
    browse_title = title;
    browse_selected = selected;
    return browse_answer;
  }
  void Close() override { closed = true; }

  std::string caption;
  std::vector<WindowLook> looks;
  std::vector<std::string> log;
  EntryFields fields;
  int pumps = 0;
  std::vector<std::string> questions;
  DialogButton answer = DialogButton::Yes;
  std::vector<std::pair<DialogKind, std::string>> boxes;
  std::vector<std::string> box_captions;
  std::string browse_title;
  std::string browse_selected = "(not opened)";
  std::optional<std::string> browse_answer;
  bool closed = false;
  std::function<void()> on_pump;
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MainPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }
  void TearDown() override { ChangeLanguage(1); }

  // A window created with the real run log in a temporary folder.
  MainPresenter& Create(
      WindowCommands commands, std::function<TFBServParams()> discover = [] {
        TFBServParams p;
        p.ServiceName = "KorvaneFireXBirdServer";
        return p;
      }) {
    presenter = std::make_unique<MainPresenter>(view, facilities, std::move(commands));
    CreationChores chores;
    chores.executable_path = "/opt/tools/DunVeld Updater 2.exe";
    chores.load_pictures = [] {};
    chores.write_libraries = [] {};
    chores.create_log = [this](RunLog::LineSink sink) {
      return std::make_unique<RunLog>(clock, folder.path(), std::move(sink));
    };
    chores.discover_server = std::move(discover);
    presenter->FormCreate(chores);
    ProjectProfile profile = PresetProfile();
    profile.ProductDir = "/srv/DunVeld";
    presenter->InstallProfile(profile);
    return *presenter;
  }

  std::string LogFileText() const { return FileText(presenter->LogFile()); }

  TempFolder folder;
  FakeView view;
  RealClock clock;
  testing::RecordingProgress progress;
  Facilities facilities{clock, progress, PlatformServiceControl(), SystemServerProcesses()};
  std::unique_ptr<MainPresenter> presenter;
};

TEST_F(MainPresenterTest, IdleAfterCreationWithCaptionFromTheExecutableAndFieldsFromTheProfile) {
  MainPresenter& p = Create({});
  EXPECT_EQ(view.caption, "DunVeld Updater 2");
  EXPECT_EQ(p.Look(), WindowLook{});  // status, picture and animation hidden, controls enabled
  EXPECT_EQ(view.fields.product_dir, "/srv/DunVeld");
  EXPECT_EQ(view.fields.system_password, PresetProfile().SystemPassword);
  EXPECT_EQ(p.ServerParams().ServiceName, "KorvaneFireXBirdServer");
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(std::filesystem::exists(p.LogFile()));
}

TEST(CaptionFromExecutableTest, DropsFolderAndExtensionOnly) {
  EXPECT_EQ(CaptionFromExecutable("C:\\Tools\\Updater_DunVeld.exe"), "Updater_DunVeld");
  EXPECT_EQ(CaptionFromExecutable("/usr/local/bin/updater"), "updater");
  EXPECT_EQ(CaptionFromExecutable("/x/my.updater.v2"), "my.updater");
  EXPECT_EQ(CaptionFromExecutable("/x/.hidden"), ".hidden");
}

TEST_F(MainPresenterTest, BusyWhileTheRunWorksThenSuccessVerdictLoggedOnce) {
  WindowLook during;
  EntryFields seen;
  std::string key_seen;
  MainPresenter* self = nullptr;
  MainPresenter& p = Create({.update = [&](CommandContext& c) {
    during = self->Look();
    seen = {c.profile.ProductDir, c.profile.SystemPassword, c.profile.AdmnPassword};
    key_seen = c.profile.ProjectKey;
    c.op.SaveExceptionToLog("step one\r\nstep two");
  }});
  self = &p;
  view.fields = {"/data/product", "sys-pwd", "7"};
  p.OKBtnClick();

  EXPECT_TRUE(during.status_visible);
  EXPECT_EQ(during.status_text, "The updating is in progress\xE2\x80\xA6");
  EXPECT_EQ(during.status_colour, StatusColour::Maroon);
  EXPECT_TRUE(during.progress_running);
  EXPECT_EQ(during.picture, Picture::None);
  EXPECT_FALSE(during.controls_enabled);
  EXPECT_TRUE(during.commands_blocked);
  EXPECT_EQ(seen.product_dir, "/data/product");  // the fields at the moment of Start
  EXPECT_EQ(seen.system_password, "sys-pwd");
  EXPECT_EQ(seen.admn_password, "7");
  EXPECT_EQ(key_seen, "Dunveld");

  const WindowLook& after = p.Look();
  EXPECT_EQ(after.picture, Picture::Success);
  EXPECT_EQ(after.status_text,
            "The updating passed successfully. Please, end your work with the program.");
  EXPECT_EQ(after.status_colour, StatusColour::Green);
  EXPECT_TRUE(after.status_visible);
  EXPECT_FALSE(after.progress_running);
  EXPECT_TRUE(after.controls_enabled);
  EXPECT_FALSE(after.commands_blocked);
  EXPECT_TRUE(view.boxes.empty());

  ASSERT_EQ(view.log.size(), 3u);
  EXPECT_NE(view.log[0].find(": step one"), std::string::npos);
  EXPECT_EQ(view.log[1], "\tstep two");
  EXPECT_NE(view.log[2].find(": The updating passed successfully."), std::string::npos);
  std::string file = LogFileText();
  EXPECT_NE(file.find("step one\r\nstep two\r\n"), std::string::npos);
  EXPECT_NE(file.find("The updating passed successfully. Please, end your work with the "
                      "program.\r\n"),
            std::string::npos);
}

TEST_F(MainPresenterTest, CancelledRunIsInterruptedWithoutBoxOrLogEntry) {
  MainPresenter& p = Create({.update = [](CommandContext&) { throw Cancelled(); }});
  p.OKBtnClick();
  EXPECT_EQ(p.Look().picture, Picture::Errors);
  EXPECT_EQ(p.Look().status_text, "The updating was interrupted!");
  EXPECT_EQ(p.Look().status_colour, StatusColour::Maroon);
  EXPECT_TRUE(p.Look().controls_enabled);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(view.log.empty());
  EXPECT_EQ(LogFileText(), "");
}

TEST_F(MainPresenterTest, RolledBackRunWithGoodRestoreShowsRollbackVerdictSilently) {
  MainPresenter& p = Create({.update = [](CommandContext& c) {
    c.op.SetStatus("Rolling back the changes");
    throw RolledBack();  // the restore went well: nothing more to tell
  }});
  p.OKBtnClick();
  EXPECT_EQ(p.LastOutcome(), Outcome::RolledBack);
  EXPECT_EQ(p.Look().status_text,
            "The updating passed with errors!\r\nThe rollback of changes has been terminated.");
  EXPECT_EQ(p.Look().picture, Picture::Errors);
  EXPECT_TRUE(view.boxes.empty());
  // The run's rollback notice was on screen until the verdict replaced it.
  bool notice_shown = false;
  for (const WindowLook& l : view.looks)
    notice_shown |= l.status_visible && l.status_text == "Rolling back the changes";
  EXPECT_TRUE(notice_shown);
}

TEST_F(MainPresenterTest, RolledBackRunWithRestoreFailureShowsAndLogsTheError) {
  MainPresenter& p = Create({.update = [](CommandContext&) {
    throw RolledBack("Exception Message: cannot restore DunVeld.fdb");
  }});
  p.OKBtnClick();
  EXPECT_EQ(p.Look().status_text,
            "The updating passed with errors!\r\nThe rollback of changes has been terminated.");
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].first, DialogKind::Error);
  EXPECT_EQ(view.boxes[0].second, "Exception Message: cannot restore DunVeld.fdb.");
  EXPECT_EQ(view.box_captions[0], "DunVeld Updater 2");  // the application title
  EXPECT_NE(LogFileText().find(": Exception Message: cannot restore DunVeld.fdb\r\n"),
            std::string::npos);
}

TEST_F(MainPresenterTest, FailureBeforeChangesIsInterruptedAndTheNextRunClearsTheFlag) {
  int runs = 0;
  MainPresenter& p = Create({.update = [&](CommandContext&) {
    if (++runs == 1) {
      throw RolledBack("first");
    }
    throw Error("The folder does not exist!");
  }});
  p.OKBtnClick();
  EXPECT_EQ(p.LastOutcome(), Outcome::RolledBack);
  p.OKBtnClick();  // Start works again without a restart
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(p.LastOutcome(), Outcome::Failed);
  EXPECT_EQ(p.Look().status_text, "The updating was interrupted!");
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].second, "The folder does not exist!");
}

TEST_F(MainPresenterTest, VerdictStaysUntilTheNextStartWhichHidesThePicture) {
  int runs = 0;
  WindowLook second_during;
  MainPresenter* self = nullptr;
  MainPresenter& p = Create({.update = [&](CommandContext&) {
    if (++runs == 2) second_during = self->Look();
  }});
  self = &p;
  p.OKBtnClick();
  p.OnlineClick();  // a Service command leaves the verdict alone
  EXPECT_EQ(p.Look().picture, Picture::Success);
  p.OKBtnClick();
  EXPECT_EQ(second_during.picture, Picture::None);
  EXPECT_TRUE(second_during.progress_running);
}

TEST_F(MainPresenterTest, ServiceCommandsReadTheFieldsNowAndBlockTheWindowWhileTheyRun) {
  std::vector<std::string> dirs;
  std::vector<WindowLook> during;
  TFBServParams server_seen;
  MainPresenter* self = nullptr;
  auto record = [&](CommandContext& c) {
    dirs.push_back(c.profile.ProductDir + "|" + c.profile.SystemPassword);
    during.push_back(self->Look());
    if (c.server) server_seen = *c.server;
    // The window's own progress and clock, not some default.
    EXPECT_EQ(&c.facilities.progress, &progress);
    EXPECT_EQ(&c.facilities.clock, &clock);
  };
  MainPresenter& p = Create({.update = [](CommandContext&) {},
                             .online = record,
                             .shutdown = record,
                             .start_service = record,
                             .stop_service = record});
  self = &p;
  p.OKBtnClick();
  view.fields.product_dir = "/other";
  view.fields.system_password = "";
  p.OnlineClick();
  p.ShutdownClick();
  p.StartServiceClick();
  p.StopServiceClick();
  EXPECT_EQ(dirs, std::vector<std::string>(4, "/other|"));
  for (const WindowLook& l : during) {
    EXPECT_FALSE(l.controls_enabled);
    EXPECT_TRUE(l.commands_blocked);
    EXPECT_FALSE(l.progress_running);  // no busy state for the Service commands
  }
  EXPECT_EQ(server_seen.ServiceName, "KorvaneFireXBirdServer");
  EXPECT_TRUE(p.Look().controls_enabled);
  EXPECT_FALSE(p.Look().commands_blocked);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(MainPresenterTest, ServiceCommandErrorIsLoggedAndShownAndTheWindowIsUsableAgain) {
  MainPresenter& p =
      Create({.online = [](CommandContext&) { throw Error("The password was not specified!"); }});
  p.OnlineClick();
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].second, "The password was not specified!");
  EXPECT_NE(LogFileText().find("The password was not specified!"), std::string::npos);
  EXPECT_EQ(p.Look().picture, Picture::None);  // no verdict for a Service command
  EXPECT_TRUE(p.Look().controls_enabled);
}

TEST_F(MainPresenterTest, CommandsAndCloseAreRefusedWhileACommandRuns) {
  int inner_runs = 0;
  bool could_close = true;
  MainPresenter* self = nullptr;
  MainPresenter& p = Create({.update =
                                 [&](CommandContext&) {
                                   // What a click delivered by a pump inside the run would do.
                                   self->OnlineClick();
                                   self->OKBtnClick();
                                   self->BrowseClick();
                                   self->CancelBtnClick();
                                   could_close = self->CanClose();
                                 },
                             .online = [&](CommandContext&) { ++inner_runs; }});
  self = &p;
  p.OKBtnClick();
  EXPECT_EQ(inner_runs, 0);
  EXPECT_FALSE(could_close);
  EXPECT_FALSE(view.closed);
  EXPECT_EQ(view.browse_selected, "(not opened)");
  EXPECT_TRUE(p.CanClose());
  p.CancelBtnClick();
  EXPECT_TRUE(view.closed);
}

TEST_F(MainPresenterTest, AClickQueuedBeforeTheRunStartsDoesNotStartASecondRun) {
  int runs = 0;
  MainPresenter& p = Create({.update = [&](CommandContext&) { ++runs; }});
  // A double click: the second click is delivered by the first pump.
  view.on_pump = [&] {
    view.on_pump = nullptr;
    p.OKBtnClick();
  };
  p.OKBtnClick();
  EXPECT_EQ(runs, 1);
}

TEST_F(MainPresenterTest, QuestionsOfTheRunReachTheViewAndTheirAnswersComeBack) {
  DialogButton answer{};
  MainPresenter& p = Create({.update = [&](CommandContext& c) {
    answer = c.op.MessageDlg(DialogKind::Confirmation, "Update?",
                             {DialogButton::Yes, DialogButton::No}, DialogButton::No);
  }});
  view.answer = DialogButton::Closed;
  p.OKBtnClick();
  EXPECT_EQ(view.questions, std::vector<std::string>{"Update?"});
  EXPECT_EQ(answer, DialogButton::Closed);
}

TEST_F(MainPresenterTest, DiscoveryFailureIsExtendedLoggedAndShownAndTheWindowStillOpens) {
  MainPresenter& p = Create(
      {}, []() -> TFBServParams { throw Error("FireBird server type could not be determined."); });
  const std::string expected =
      "FireBird server type could not be determined.\rProbably the Firebird server is not "
      "responding, is damaged or has been\r\ninstalled by detached developper. Close the "
      "Updater, reboot\r\nyou copmputer and rerun the program.\r\n\r\nIf there is still error "
      "- please, contact the developer.";
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].second, expected);  // ends in a full stop already
  EXPECT_NE(LogFileText().find(expected + "\r\n"), std::string::npos);
  EXPECT_EQ(view.log[0].substr(view.log[0].size() - 45),
            "FireBird server type could not be determined.");
  EXPECT_EQ(p.ServerParams(), TFBServParams{});
  EXPECT_EQ(view.fields.product_dir, "/srv/DunVeld");  // the profile is installed after it
}

TEST_F(MainPresenterTest, ErrorBeforeTheRunLogEndsCreationWithoutALog) {
  presenter = std::make_unique<MainPresenter>(view, facilities, WindowCommands{});
  CreationChores chores;
  chores.executable_path = "/x/updater";
  chores.load_pictures = [] { throw Error("Picture Success cannot be loaded"); };
  bool log_created = false;
  chores.create_log = [&](RunLog::LineSink sink) {
    log_created = true;
    return std::make_unique<RunLog>(clock, folder.path(), std::move(sink));
  };
  chores.discover_server = [] { return TFBServParams{}; };
  EXPECT_THROW(presenter->FormCreate(chores), Error);
  EXPECT_FALSE(log_created);
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/Logs"));
}

TEST_F(MainPresenterTest, CreationChoresRunInOrderWithTheCaptionFirst) {
  std::vector<std::string> order;
  presenter = std::make_unique<MainPresenter>(view, facilities, WindowCommands{});
  CreationChores chores;
  chores.executable_path = "/x/updater";
  chores.load_pictures = [&] { order.push_back("pictures:" + view.caption); };
  chores.write_libraries = [&] { order.push_back("libraries"); };
  chores.create_log = [&](RunLog::LineSink sink) {
    order.push_back("log");
    return std::make_unique<RunLog>(clock, folder.path(), std::move(sink));
  };
  chores.discover_server = [&] {
    order.push_back("discovery");
    return TFBServParams{};
  };
  presenter->FormCreate(chores);
  EXPECT_EQ(order, (std::vector<std::string>{"pictures:updater", "libraries", "log", "discovery"}));
}

TEST_F(MainPresenterTest, BrowseOpensOnAnExistingFolderAndLeavesTheFieldOnCancel) {
  MainPresenter& p = Create({});
  view.fields.product_dir = folder.path();
  p.BrowseClick();
  EXPECT_EQ(view.browse_title, "Choice of the folder:");
  EXPECT_EQ(view.browse_selected, folder.path());
  EXPECT_EQ(view.fields.product_dir, folder.path());  // cancelled

  view.fields.product_dir = folder.path() + "/missing";
  p.BrowseClick();
  EXPECT_EQ(view.browse_selected, "");  // nothing selected for a folder that does not exist
  EXPECT_EQ(view.fields.product_dir, folder.path() + "/missing");

  view.browse_answer = "/chosen/folder";
  view.fields.system_password = "kept";
  p.BrowseClick();
  EXPECT_EQ(view.fields.product_dir, "/chosen/folder");
  EXPECT_EQ(view.fields.system_password, "kept");
}

TEST_F(MainPresenterTest, SuccessWhoseLogEntryFailsStaysASuccessAndShowsTheLogError) {
  MainPresenter& p = Create(
      {.update = [&](CommandContext&) { std::filesystem::remove_all(folder.path() + "/Logs"); }});
  p.OKBtnClick();
  EXPECT_EQ(p.Look().picture, Picture::Success);
  EXPECT_EQ(p.Look().status_colour, StatusColour::Green);
  ASSERT_EQ(view.boxes.size(), 1u);  // the log file's error, not a failed update
  EXPECT_EQ(view.boxes[0].first, DialogKind::Error);
}

}  // namespace
}  // namespace updater
