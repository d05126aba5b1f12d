#include <exception>
#include <string>
#include <vector>

#include "fbserver/fb_service.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/error_text.h"
#include "update/folder_ops.h"
#include "update/restore.h"
#include "update/run_state.h"

namespace updater {

void UpdateRun::Rollback(const std::string& message, bool interrupted) {
  Step(RunStep::Rollback);
  rolled_back_ = true;
  if (interrupted) {
    // Asked to stop: no failure to report, the same putting back.
    op_.SetStatus(message);
  } else {
    error_text_ = AppendExceptionMessage(error_text_, message);
    failure_rolled_back_ = true;
    op_.SetStatus(GetMessageText(msg::uUpdate_UpdateProgramm_43));
    Log(error_text_ + "\r" + GetMessageText(msg::uUpdate_UpdateProgramm_44));
  }
  error_text_.clear();
  LogKey(msg::uUpdate_UpdateProgramm_45);

  try {
    // The working folders are only in the way now; what cannot be removed stays.
    try {
      MyRemoveDir(c_.NewDir);
      MyRemoveDir(c_.WorkDir);
    } catch (...) {
    }
    std::vector<std::string> failures;
    // The client step deleted these from the live program folder; the backup holds them.
    for (const std::string& name : deleted_live_files_) {
      const std::string live = JoinPath(c_.ProgramDir, name);
      if (!ForceCopyFile(JoinPath(c_.OldProgramDir, name), live)) {
        failures.push_back(GetMessageText(msg::uUpdate_RestoreFilesFromBackup_1, live));
      }
    }
    if (DirectoryExists(c_.OldOtherDir)) {
      const std::vector<std::string> report = RestoreFilesFromBackup(c_.OldOtherDir);
      failures.insert(failures.end(), report.begin(), report.end());
    }
    if (!failures.empty()) {
      std::string text;
      for (std::size_t i = 0; i < failures.size(); ++i)
        text += (i == 0 ? "" : "\r\n") + failures[i];
      throw Error(text);
    }
  } catch (const std::exception& e2) {
    rollback_incomplete_ = true;
    error_text_ =
        AppendExceptionMessage(GetMessageText(msg::uUpdate_UpdateProgramm_47), e2.what()) + "\r" +
        RecoveryHint();
  }
  if (interrupted && !rollback_incomplete_) throw Interrupted(message);
  if (interrupted) throw Failed(error_text_);
  if (rollback_incomplete_) throw RolledBack(error_text_);
  throw RolledBack();
}

void UpdateRun::FinalStep() {
  if (!c_.HasServerPart) return;
  Step(RunStep::FinalStep);
  try {
    LogKey(msg::uUpdate_UpdateProgramm_48);
    StartFBService(f_, op_, ServerParams(), false);
    services_.OnLine(AsSysdba(c_.DbPath), profile_.ServerPrefix);
    LogKey(msg::uUpdate_UpdateProgramm_49);
  } catch (const std::exception& e) {
    // The journal stays open: the recovery starts the server and brings the database online.
    final_step_failed_ = true;
    error_text_ =
        AppendExceptionMessage(error_text_, GetMessageText(msg::uUpdate_UpdateProgramm_50) +
                                                "\rOriginal Message: " + e.what()) +
        "\r" + RecoveryHint();
    if (failure_rolled_back_) throw UnfinishedAfterRollback(error_text_);
    throw Unfinished(error_text_);
  }
  // Only after a swap that went through: after a rollback or a stopped swap the recovery
  // must still see how far the files got.
  if (journal_.stage < JournalStage::ProgramCopyDone &&
      !(journal_.stage == JournalStage::DatabaseSwapped && !c_.HasClientPart))
    return;
  try {
    Record(JournalStage::FinalStepDone);
  } catch (const std::exception& e) {
    Log(e.what());
  }
}

}  // namespace updater
