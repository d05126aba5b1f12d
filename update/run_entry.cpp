#include <utility>

#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "update/run_state.h"
#include "update/update_run.h"

namespace updater {

UpdateRun::UpdateRun(RunServices& services, const Facilities& f, std::string product_dir_text,
                     std::string system_password, std::string admn_password, Operator& op,
                     std::string project_key, const UpdateRunSettings& settings)
    : services_(services),
      f_(f),
      product_dir_text_(std::move(product_dir_text)),
      system_password_(std::move(system_password)),
      admn_password_(std::move(admn_password)),
      op_(op),
      project_key_(std::move(project_key)),
      settings_(settings),
      profile_(settings_.profile),
      server_(settings.serverParams) {}

void UpdateRun::Step(RunStep step) {
  if (settings_.observer != nullptr) settings_.observer->StepBegun(step);
}

void UpdateRun::Part(const std::string& part) {
  if (settings_.observer != nullptr) settings_.observer->PartBegun(part);
}

bool UpdateRun::Flush(const std::string& path) {
  const Clock::TimePoint started = f_.clock.Now();
  const bool flushed = FlushToDisk(path);
  if (settings_.observer != nullptr) settings_.observer->Flushed(f_.clock.Now() - started);
  return flushed;
}

void UpdateRun::Log(const std::string& text) {
  // The run log refuses empty entries; an error without text has nothing to say.
  if (!text.empty()) op_.SaveExceptionToLog(text);
}

void UpdateRun::LogKey(MessageKey key) {
  Log(GetMessageText(key));
}

db::ConnectionParams UpdateRun::AsSysdba(const std::string& database) const {
  return {.client_library = profile_.ClientLibName,
          .database = database,
          .user = "SYSDBA",
          .password = system_password_};
}

db::ConnectionParams UpdateRun::AsAdmn(const std::string& database) const {
  return {.client_library = profile_.ClientLibName,
          .database = database,
          .user = "ADMN",
          .password = admn_password_};
}

const TFBServParams& UpdateRun::ServerParams() {
  return server_.Get();
}

void UpdateRun::DetectAndConfirm() {
  std::string parts;
  if (c_.HasClientPart && c_.HasServerPart) {
    parts = GetMessageText(msg::uUpdate_UpdateProgramm_01);
  } else if (c_.HasClientPart) {
    parts = GetMessageText(msg::uUpdate_UpdateProgramm_02);
  } else if (c_.HasServerPart) {
    parts = GetMessageText(msg::uUpdate_UpdateProgramm_03);
  }
  if (parts.empty()) {
    throw Error(
        GetMessageText(msg::uUpdate_UpdateProgramm_04, product_dir_text_, profile_.ProjectKey));
  }

  // No holds the focus, so that Enter at once declines.
  const DialogButton answer = op_.MessageDlg(
      DialogKind::Information,
      GetMessageText(msg::uUpdate_UpdateProgramm_05, product_dir_text_, parts, profile_.ProjectKey),
      {DialogButton::Yes, DialogButton::No}, DialogButton::No);
  if (answer != DialogButton::Yes) throw Cancelled(GetMessageText(msg::uUpdate_UpdateProgramm_06));

  if (project_key_ == "Dunveld" && c_.HasServerPart && admn_password_.empty()) {
    throw Error(GetMessageText(msg::uUpdate_UpdateProgramm_07));
  }
  // Discovery fails before anything is changed.
  if (c_.HasServerPart) ServerParams();
}

void UpdateRun::StopIfAsked() {
  if (f_.stop == nullptr || !f_.stop->Requested()) return;
  if (!stop_logged_) LogKey(msg::uUpdate_Stop_1);
  stop_logged_ = true;
  throw Interrupted(GetMessageText(msg::uUpdate_Stop_4));
}

void UpdateProgrammWith(RunServices& services, const Facilities& f, std::string productDirText,
                        std::string systemPassword, std::string admnPassword, Operator& logMemo,
                        std::string projectKey, const UpdateRunSettings& settings) {
  UpdateRun run(services, f, std::move(productDirText), std::move(systemPassword),
                std::move(admnPassword), logMemo, std::move(projectKey), settings);
  run.Run();
}

}  // namespace updater
