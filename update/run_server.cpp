#include <cstdint>
#include <exception>
#include <vector>

#include "fbserver/fb_service.h"
#include "messages/message_text.h"
#include "sys/drive_type.h"
#include "sys/error.h"
#include "sys/file_size.h"
#include "sys/path.h"
#include "update/error_text.h"
#include "update/run_state.h"

namespace updater {

void UpdateRun::PrepareServer() {
  CheckConnections();

  // Before the first change to the live system: a run that dies from here on is recovered.
  StartJournal(JournalStage::ServerPreparation);
  try {
    LogKey(msg::uUpdate_UpdateProgramm_18);
    services_.Shutdown(AsSysdba(c_.DbPath), profile_.ServerPrefix);
    LogKey(msg::uUpdate_UpdateProgramm_19);
  } catch (const std::exception& e) {
    throw Error(GetMessageText(msg::uUpdate_UpdateProgramm_20) + "\r\r" + e.what());
  }

  error_text_.clear();
  StopCheckAndRestartServer();
}

void UpdateRun::CheckConnections() {
  if (ServerParams().ServerType == "SUPER") {
    LogKey(msg::uUpdate_UpdateProgramm_08);
    op_.ProcessMessages();
    const std::vector<std::string> users = services_.AttachedUsers(AsSysdba(c_.DbPath));
    if (users.empty()) return;

    LogKey(msg::uUpdate_UpdateProgramm_09);
    op_.ProcessMessages();
    std::string user_text = GetMessageText(msg::uUpdate_UpdateProgramm_10);
    for (std::size_t i = 0; i < users.size(); ++i) user_text += (i == 0 ? "" : "; ") + users[i];
    op_.ProcessMessages();
    // Only No declines: closing the warning goes on, as the standard dialog's close box does.
    if (op_.MessageDlg(
            DialogKind::Warning, GetMessageText(msg::uUpdate_UpdateProgramm_11, user_text),
            {DialogButton::Yes, DialogButton::No}, DialogButton::Yes) == DialogButton::No) {
      LogKey(msg::uUpdate_UpdateProgramm_12);
      throw Cancelled();
    }
    LogKey(msg::uUpdate_UpdateProgramm_13);
    op_.ProcessMessages();
    return;
  }

  LogKey(msg::uUpdate_UpdateProgramm_14);
  op_.ProcessMessages();
  if (op_.MessageDlg(DialogKind::Warning, GetMessageText(msg::uUpdate_UpdateProgramm_15),
                     {DialogButton::Yes, DialogButton::No},
                     DialogButton::Yes) == DialogButton::No) {
    LogKey(msg::uUpdate_UpdateProgramm_16);
    throw Cancelled();
  }
  LogKey(msg::uUpdate_UpdateProgramm_17);
  op_.ProcessMessages();
}

void UpdateRun::StopCheckAndRestartServer() {
  // The free-space message goes into the error text once; a failing restart is added to it.
  bool only_check_failed = false;
  try {
    LogKey(msg::uUpdate_UpdateProgramm_21);
    StopFBService(f_, op_, ServerParams(), false);
    LogKey(msg::uUpdate_UpdateProgramm_22);

    std::exception_ptr check_error;
    try {
      LogKey(msg::uUpdate_UpdateProgramm_23);
      if (!CheckFreeSize(op_, JoinPath(c_.DbDataDir, profile_.DbFileName), DrivePart(c_.DbDataDir),
                         static_cast<std::uint8_t>(profile_.FreeSpaceFactor)))
        throw Error(GetMessageText(msg::uUpdate_UpdateProgramm_25));
      LogKey(msg::uUpdate_UpdateProgramm_24);
    } catch (const std::exception& e) {
      const std::string message = e.what();
      error_text_ = AppendExceptionMessage(error_text_, message);
      check_error = std::make_exception_ptr(Error(message));
    }

    LogKey(msg::uUpdate_UpdateProgramm_26);
    StartFBService(f_, op_, ServerParams(), false);
    LogKey(msg::uUpdate_UpdateProgramm_27);
    if (check_error) {
      only_check_failed = true;
      std::rethrow_exception(check_error);
    }
  } catch (const std::exception& e) {
    if (!only_check_failed) error_text_ = AppendExceptionMessage(error_text_, e.what());
    try {
      LogKey(msg::uUpdate_UpdateProgramm_28);
      services_.OnLine(AsSysdba(c_.DbPath), profile_.ServerPrefix);
      LogKey(msg::uUpdate_UpdateProgramm_29);
    } catch (const std::exception& e2) {
      op_.ProcessMessages();
      op_.MessageDlg(DialogKind::Error, GetMessageText(msg::uUpdate_UpdateProgramm_30),
                     {DialogButton::OK}, DialogButton::OK);
      error_text_ =
          AppendExceptionMessage(error_text_, GetMessageText(msg::uUpdate_UpdateProgramm_31) +
                                                  "\rOriginal Message: " + e2.what());
      // The journal stays open for the recovery to bring the database online.
      final_step_failed_ = true;
      throw Unfinished(error_text_);
    }
    throw Error(error_text_);
  }
}

}  // namespace updater
