#include "app/main_presenter.h"

#include <utility>

#include "app/exception_handler.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_system.h"

namespace updater {

void RunInPlace(const std::function<void(Operator&)>& work, Operator& op) {
  work(op);
}

std::string CaptionFromExecutable(const std::string& executable_path) {
  // Both separators: the name may come from either platform.
  std::string::size_type slash = executable_path.find_last_of("/\\");
  std::string name =
      slash == std::string::npos ? executable_path : executable_path.substr(slash + 1);
  std::string::size_type dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

MainPresenter::MainPresenter(MainView& view, const Facilities& facilities, WindowCommands commands,
                             WorkRunner runner)
    : view_(view),
      facilities_(facilities),
      commands_(std::move(commands)),
      runner_(std::move(runner)) {}

void MainPresenter::FormCreate(const CreationChores& chores) {
  title_ = CaptionFromExecutable(chores.executable_path);
  view_.SetCaption(title_);
  if (chores.load_pictures) chores.load_pictures();
  if (chores.write_libraries) chores.write_libraries();
  log_ = chores.create_log([this](const std::string& line) { view_.AppendLogLine(line); });
  try {
    server_params_ = chores.discover_server();
  } catch (const std::exception& e) {
    server_params_ = TFBServParams{};
    AEException(*this,
                Error(std::string(e.what()) + "\r" + GetMessageText(msg::uMain_FormCreate_2)),
                title_);
  }
  Redraw();
}

void MainPresenter::InstallProfile(const ProjectProfile& profile) {
  profile_ = profile;
  view_.SetFields({profile.ProductDir, profile.SystemPassword, profile.AdmnPassword});
}

ProjectProfile MainPresenter::CurrentProfile() const {
  ProjectProfile profile = profile_;
  EntryFields fields = view_.Fields();
  profile.ProductDir = fields.product_dir;
  profile.SystemPassword = fields.system_password;
  profile.AdmnPassword = fields.admn_password;
  return profile;
}

void MainPresenter::Redraw() {
  view_.Show(look_);
}

void MainPresenter::SetControlsEnabled(bool enabled) {
  look_.controls_enabled = enabled;
  Redraw();
}

std::exception_ptr MainPresenter::RunBlocked(const Command& command) {
  look_.commands_blocked = true;
  SetControlsEnabled(false);
  // A request to stop belongs to the command it came during.
  if (facilities_.stop != nullptr) facilities_.stop->Clear();
  std::exception_ptr error;
  try {
    ProjectProfile profile = CurrentProfile();
    runner_(
        [&](Operator& op) {
          CommandContext context{op, facilities_, profile, server_params_};
          command(context);
        },
        *this);
  } catch (...) {
    error = std::current_exception();
  }
  look_.commands_blocked = false;
  return error;
}

void MainPresenter::OKBtnClick() {
  if (look_.commands_blocked) return;
  // Blocked before the first pump: a second click already queued must not start a second run.
  look_.commands_blocked = true;
  look_.status_visible = true;
  look_.status_text = GetMessageText(msg::uMain_OkBtn_2);
  look_.status_colour = StatusColour::Maroon;
  look_.progress_running = true;
  look_.picture = Picture::None;
  Redraw();
  view_.ProcessMessages();

  std::exception_ptr error = RunBlocked(commands_.update);
  outcome_ = OutcomeOf(error);
  if (error) {
    view_.ProcessMessages();
    ShowFinished(outcome_);
  }
  SetControlsEnabled(true);
  view_.ProcessMessages();
  look_.progress_running = false;
  Redraw();
  try {
    // A log entry that cannot be written must not turn a finished update into a failure.
    if (!error) ShowFinished(outcome_);
  } catch (...) {
    error = std::current_exception();
  }
  if (error) AEException(*this, error, title_);
}

void MainPresenter::ShowFinished(Outcome outcome) {
  const OutcomeLook& verdict = LookOf(outcome);
  look_.picture = verdict.picture;
  look_.status_visible = true;
  look_.progress_running = false;
  look_.status_text = GetMessageText(verdict.verdict);
  look_.status_colour = outcome == Outcome::Success ? StatusColour::Green : StatusColour::Maroon;
  Redraw();
  if (outcome == Outcome::Success) SaveExceptionToLog(GetMessageText(msg::uMain_Finished_2));
}

void MainPresenter::CancelBtnClick() {
  if (CanClose()) view_.Close();
}

void MainPresenter::BrowseClick() {
  if (look_.commands_blocked) return;
  EntryFields fields = view_.Fields();
  const bool exists = DirectoryExists(fields.product_dir);
  std::optional<std::string> chosen = view_.BrowseForFolder(
      GetMessageText(msg::uMain_ProgramLocation_1), exists ? fields.product_dir : std::string());
  if (!chosen) return;
  fields.product_dir = *chosen;
  view_.SetFields(fields);
}

void MainPresenter::ServiceCommand(const Command& command) {
  if (look_.commands_blocked) return;
  std::exception_ptr error = RunBlocked(command);
  SetControlsEnabled(true);
  if (error) AEException(*this, error, title_);
}

void MainPresenter::OnlineClick() {
  ServiceCommand(commands_.online);
}

void MainPresenter::ShutdownClick() {
  ServiceCommand(commands_.shutdown);
}

void MainPresenter::StartServiceClick() {
  ServiceCommand(commands_.start_service);
}

void MainPresenter::StopServiceClick() {
  ServiceCommand(commands_.stop_service);
}

void MainPresenter::RecoverClick() {
  ServiceCommand(commands_.recover);
}

void MainPresenter::SaveExceptionToLog(const std::string& text) {
  if (!log_) throw Error("The run log has not been created");
  log_->SaveExceptionToLog(text);
}

void MainPresenter::ProcessMessages() {
  view_.ProcessMessages();
}

DialogButton MainPresenter::MessageDlg(DialogKind kind, const std::string& text,
                                       const std::vector<DialogButton>& buttons,
                                       DialogButton focus) {
  return view_.MessageDlg(kind, text, buttons, focus);
}

void MainPresenter::ShowMessage(DialogKind kind, const std::string& caption,
                                const std::string& text) {
  view_.ShowMessage(kind, caption, text);
}

void MainPresenter::SetStatus(const std::string& text) {
  look_.status_visible = true;
  look_.status_text = text;
  Redraw();
}

}  // namespace updater
