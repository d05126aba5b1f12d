#include "update/db_modes.h"

#include <ibase.h>

#include <chrono>
#include <functional>

#include "db/client_library.h"
#include "db/db_connection.h"
#include "db/firebird_error.h"
#include "db/parameter_block.h"
#include "db/service_attachment.h"
#include "messages/message_text.h"
#include "seams/application_title.h"
#include "sys/error.h"
#include "sys/progress_pause.h"
#include "update/db_connection_string.h"
#include "update/update_context.h"

namespace updater {

namespace {

constexpr std::chrono::milliseconds kShutdownSettleTime{2000};
// Seconds the server grants attachments before it forces the shutdown.
constexpr std::int32_t kShutdownTimeout = 1;

enum class Mode { Shutdown, Online };

// `settle` runs while the services attachment still stands, after the request.
void SwitchMode(Mode mode, const db::ConnectionParams& db, const std::string& server_prefix,
                const std::function<void()>& settle = {}) {
  db::CheckDBParams(db);
  const DbServerAndFile parts = SplitConnectionString(db.database, server_prefix);
  const db::ClientApi& api = db::LoadClientApi(db.client_library);

  db::ParameterBlock request;
  request.Byte(isc_action_svc_properties).String16(isc_spb_dbname, parts.FilePath);
  if (mode == Mode::Shutdown)
    request.Int32(isc_spb_prp_shutdown_db, kShutdownTimeout);
  else
    request.Int32(isc_spb_options, isc_spb_prp_db_online);

  db::ServiceAttachment service(api, ServicesManagerName(parts),
                                db::ServiceAttachParameters(db.user, db.password));
  service.Start(request);
  if (settle) settle();
  service.Detach();
}

struct ModeTexts {
  MessageKey starting;
  MessageKey no_server_part;
  MessageKey done_log;
  MessageKey done_box;
  MessageKey already_log;
  MessageKey already_box;
};

void UpdateMode(const Facilities& f, Mode mode, const ModeTexts& texts, Operator& op,
                const ProjectProfile& profile, const std::string& product_folder,
                const std::string& system_password) {
  const UpdateContext context = UpdateInit(f.clock, op, profile, product_folder);
  op.SaveExceptionToLog(GetMessageText(texts.starting));
  op.ProcessMessages();
  if (!context.HasServerPart) throw Error(GetMessageText(texts.no_server_part));
  try {
    const db::ConnectionParams db = {.client_library = profile.ClientLibName,
                                     .database = context.DbPath,
                                     .user = "SYSDBA",
                                     .password = system_password};
    if (mode == Mode::Shutdown)
      DBShutdown(f, db, profile.ServerPrefix);
    else
      DBOnLine(db, profile.ServerPrefix);
  } catch (const std::exception& e) {
    op.ProcessMessages();
    if (!IsAlreadyInMode(e)) throw;
    op.SaveExceptionToLog(GetMessageText(texts.already_log));
    op.ProcessMessages();
    op.ShowMessage(DialogKind::Warning, kApplicationTitle, GetMessageText(texts.already_box));
    return;
  }
  op.SaveExceptionToLog(GetMessageText(texts.done_log));
  op.ProcessMessages();
  op.ShowMessage(DialogKind::Information, kApplicationTitle, GetMessageText(texts.done_box));
}

}  // namespace

void DBShutdown(const Facilities& f, const db::ConnectionParams& db,
                const std::string& server_prefix) {
  SwitchMode(Mode::Shutdown, db, server_prefix, [&f] {
    PauseShowingProgress(f.clock, f.progress, GetMessageText(msg::uProgress_ShutdownSettle),
                         kShutdownSettleTime);
  });
}

void DBOnLine(const db::ConnectionParams& db, const std::string& server_prefix) {
  SwitchMode(Mode::Online, db, server_prefix);
}

bool IsAlreadyInMode(const std::exception& e) {
  const auto* error = dynamic_cast<const db::FirebirdError*>(&e);
  return error != nullptr && error->gds_code() == isc_bad_shutdown_mode;
}

void UpdateShutdown(const Facilities& f, Operator& op, const ProjectProfile& profile,
                    const std::string& product_folder, const std::string& system_password) {
  static constexpr ModeTexts texts = {msg::uUpdate_UpdateShutdown_1, msg::uUpdate_UpdateShutdown_2,
                                      msg::uUpdate_UpdateShutdown_3, msg::uUpdate_UpdateShutdown_4,
                                      msg::uUpdate_UpdateShutdown_5, msg::uUpdate_UpdateShutdown_6};
  UpdateMode(f, Mode::Shutdown, texts, op, profile, product_folder, system_password);
}

void UpdateOnLine(const Facilities& f, Operator& op, const ProjectProfile& profile,
                  const std::string& product_folder, const std::string& system_password) {
  static constexpr ModeTexts texts = {msg::uUpdate_UpdateOnLine_01, msg::uUpdate_UpdateOnLine_02,
                                      msg::uUpdate_UpdateOnLine_03, msg::uUpdate_UpdateOnLine_04,
                                      msg::uUpdate_UpdateOnLine_05, msg::uUpdate_UpdateOnLine_06};
  UpdateMode(f, Mode::Online, texts, op, profile, product_folder, system_password);
}

}  // namespace updater
