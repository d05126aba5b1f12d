#include <exception>

#include "fbserver/fb_service.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/error_text.h"
#include "update/folder_ops.h"
#include "update/run_state.h"

namespace updater {

namespace {

constexpr int kDatabaseLockAttempts = 11;

}  // namespace

void UpdateRun::Swap() {
  const std::string new_dir = IncludeTrailingSeparator(c_.NewDir);
  try {
    MyRemoveDir(c_.NewDir);
    Log(GetMessageText(msg::uUpdate_UpdateProgramm_41, new_dir));
  } catch (const std::exception& e) {
    Log(std::string(e.what()) + "\r\n" + GetMessageText(msg::uUpdate_UpdateProgramm_42, new_dir));
  }

  // An error here is logged and the run goes on to its final step; it is reported after it.
  try {
    if (c_.HasServerPart) SwapDatabase();
    if (c_.HasClientPart) SwapFolders();
  } catch (const std::exception& e) {
    Log(e.what());
    swap_.error = e.what();
    if (swap_.error.empty()) swap_.error = GetMessageText(msg::uUpdate_Swap_1);
    error_text_ = AppendExceptionMessage(error_text_, swap_.error);
  }
}

void UpdateRun::SwapDatabase() {
  StopFBService(f_, op_, ServerParams(), false);
  LogKey(msg::uUpdate_UpdateProgramm_22);

  // The rename fails while any program holds the file; it also moves the live database
  // aside, so that it can be put back should the updated one fail to move in.
  const std::string live = JoinPath(c_.DbDataDir, profile_.DbFileName);
  const std::string aside = live + "_";
  Record(JournalStage::DatabaseSwapBegun);
  bool moved_aside = false;
  for (int attempt = 0; attempt < kDatabaseLockAttempts && !moved_aside; ++attempt) {
    moved_aside = MovePath(live, aside);
    Log(GetMessageText(msg::uUpdate_CopyFileWithBackUp_5, c_.DbPath));
  }
  if (!moved_aside) throw Error(GetMessageText(msg::uUpdate_CopyFileWithBackUp_3, c_.DbPath));

  const std::string updated = JoinPath(c_.WorkDbDataDir, profile_.DbFileName);
  if (!ForceMoveFile(updated, live)) {
    const std::string text =
        GetMessageText(msg::uUpdate_UpdateProgramm_61, IncludeTrailingSeparator(c_.WorkDbDataDir),
                       IncludeTrailingSeparator(c_.DbDataDir));
    if (MovePath(aside, live))
      throw Error(text + "\r" + GetMessageText(msg::uUpdate_SwapDatabase_1));
    throw Error(text + "\r" + GetMessageText(msg::uUpdate_SwapDatabase_2, aside, c_.OldDbDataDir));
  }
  swap_.database_swapped = true;
  Record(JournalStage::DatabaseSwapped, {c_.DbDataDir});
  // The old database also lies in the backup; a file left here is only in the way.
  if (!DeletePath(aside)) Log("Deleting file error: " + aside);
}

void UpdateRun::SwapFolders() {
  const std::string& program = c_.ProgramDir;
  const std::string& resources = c_.ResourcesDir;
  Record(JournalStage::ProgramCopyBegun);
  MyCopyDir(f_.progress, c_.WorkProgramDir, program);
  CheckCopiedOver(c_.WorkProgramDir, program, {profile_.ExeFileName, profile_.Files.HelpFile});
  swap_.program_swapped = true;
  // Without a working copy of the resources (the product has none) there is nothing to put.
  if (DirectoryExists(c_.WorkResourcesDir)) {
    MyCopyDir(f_.progress, c_.WorkResourcesDir, resources);
    swap_.resources_swapped = true;
  }
  Record(JournalStage::ProgramCopyDone, {program, resources});
}

void UpdateRun::RaiseSwapFailure() {
  auto line = [](MessageKey key, const std::string& value = kNull) {
    return "\r" + GetMessageText(key, value);
  };
  std::string text = GetMessageText(msg::uUpdate_RaiseSwapFailure_1, swap_.error);
  if (c_.HasServerPart) {
    text += swap_.database_swapped ? line(msg::uUpdate_RaiseSwapFailure_2)
                                   : line(msg::uUpdate_RaiseSwapFailure_3, c_.WorkDbDataDir);
  }
  if (c_.HasClientPart) {
    text += line(swap_.program_swapped ? msg::uUpdate_RaiseSwapFailure_4
                                       : msg::uUpdate_RaiseSwapFailure_5);
    if (DirectoryExists(c_.WorkResourcesDir)) {
      text += line(swap_.resources_swapped ? msg::uUpdate_RaiseSwapFailure_6
                                           : msg::uUpdate_RaiseSwapFailure_7);
    }
  }
  text += line(msg::uUpdate_RaiseSwapFailure_8, c_.OldDir);
  // The journal is left open: the product is half old and half new.
  if (LeftHalfSwapped(journal_.stage, JournalOutcome::Failed, c_.HasClientPart))
    text += "\r" + RecoveryHint();
  throw Error(text);
}

}  // namespace updater
