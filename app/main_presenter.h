#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_runner.h"
#include "app/run_log.h"
#include "fbserver/fb_serv_params.h"
#include "seams/application_title.h"
#include "seams/operator.h"
#include "seams/project_profile.h"

namespace updater {

enum class StatusColour { Maroon, Green };

// What the window shows besides its log and its entry fields.
struct WindowLook {
  bool status_visible = false;  // mCaptions
  std::string status_text;
  StatusColour status_colour = StatusColour::Maroon;
  Picture picture = Picture::None;  // Image1; None hides it
  bool progress_running = false;    // aProgress shown and running
  bool controls_enabled = true;     // gbConnection and pBtn
  bool commands_blocked = false;    // the menu and the close box while a command runs

  bool operator==(const WindowLook&) const = default;
};

// The three fields the operator edits.
struct EntryFields {
  std::string product_dir;
  std::string system_password;
  std::string admn_password;
};

// The toolkit's side of the window: the presenter decides, the view draws and asks.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  // Applies the look and repaints what changed at once.
  virtual void Show(const WindowLook& look) = 0;
  virtual void AppendLogLine(const std::string& line) = 0;
  virtual EntryFields Fields() const = 0;
  virtual void SetFields(const EntryFields& fields) = 0;
  virtual void ProcessMessages() = 0;
  virtual DialogButton MessageDlg(DialogKind kind, const std::string& text,
                                  const std::vector<DialogButton>& buttons, DialogButton focus) = 0;
  virtual void ShowMessage(DialogKind kind, const std::string& caption,
                           const std::string& text) = 0;
  // The folder dialog; `selected` is an existing folder to open on, or empty. Nothing when
  // the operator cancels.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                     const std::string& selected) = 0;
  virtual void Close() = 0;
};

// Runs a command's work with the operator it must use. The window runs it off its own
// thread and keeps painting; tests run it in place. Whatever the work throws comes out.
using WorkRunner = std::function<void(const std::function<void(Operator&)>& work, Operator& op)>;
void RunInPlace(const std::function<void(Operator&)>& work, Operator& op);

// The engine's side: the Start command and the Service commands.
struct WindowCommands {
  Command update = {};
  Command online = {};
  Command shutdown = {};
  Command start_service = {};
  Command stop_service = {};
  Command recover = {};
};

// The chores of the window's creation, in their order.
struct CreationChores {
  std::string executable_path;          // the caption is its file name without extension
  std::function<void()> load_pictures;  // raises when a picture cannot be loaded
  std::function<void()> write_libraries;
  std::function<std::unique_ptr<RunLog>(RunLog::LineSink)> create_log;
  std::function<TFBServParams()> discover_server;
};

// The executable's file name without its extension: Updater_DunVeld.exe -> Updater_DunVeld.
std::string CaptionFromExecutable(const std::string& executable_path);

// The main window's logic without a toolkit: its states, its commands and the operator
// the engine talks to.
class MainPresenter final : public Operator {
 public:
  // The commands run with `facilities`.
  MainPresenter(MainView& view, const Facilities& facilities, WindowCommands commands,
                WorkRunner runner = RunInPlace);

  // Caption, pictures, libraries, run log, server discovery. An error before the run log
  // exists is raised (start-up ends); a failed discovery is logged and shown, and the
  // window goes on with an empty ServerParams.
  void FormCreate(const CreationChores& chores);
  // Holds the profile and puts its folder and passwords into the fields.
  void InstallProfile(const ProjectProfile& profile);

  void OKBtnClick();
  void CancelBtnClick();
  void BrowseClick();
  void OnlineClick();
  void ShutdownClick();
  void StartServiceClick();
  void StopServiceClick();
  void RecoverClick();
  // Whether the close box may close the window now.
  bool CanClose() const { return !look_.commands_blocked; }

  const WindowLook& Look() const { return look_; }
  Outcome LastOutcome() const { return outcome_; }
  const TFBServParams& ServerParams() const { return server_params_; }
  std::string LogFile() const { return log_ ? log_->LogFile() : std::string(); }

  void SetControlsEnabled(bool enabled);
  void ShowFinished(Outcome outcome);

  // The operator the engine and the error handler use.
  void SaveExceptionToLog(const std::string& text) override;
  void ProcessMessages() override;
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override;
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override;
  void SetStatus(const std::string& text) override;

 private:
  // The profile with the fields' texts at this moment.
  ProjectProfile CurrentProfile() const;
  // Runs `command` through the runner with the fields, the buttons, the menu and the close
  // box blocked; returns the error it raised, if any.
  std::exception_ptr RunBlocked(const Command& command);
  void ServiceCommand(const Command& command);
  void Redraw();

  MainView& view_;
  Facilities facilities_;
  WindowCommands commands_;
  WorkRunner runner_;
  ProjectProfile profile_;
  TFBServParams server_params_;
  Outcome outcome_ = Outcome::Success;  // of the last Start
  std::unique_ptr<RunLog> log_;
  // The application title: the executable's name, which captions the error boxes.
  std::string title_ = kApplicationTitle;
  WindowLook look_;
};

}  // namespace updater
