#include <exception>

#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/error_text.h"
#include "update/folder_ops.h"
#include "update/run_state.h"

namespace updater {

void UpdateRun::Stage() {
  error_text_.clear();
  LockTestProductFolder();
  StopIfAsked();
  try {
    BuildWorkingFolders();
    Record(JournalStage::Staged, {c_.OldDir, c_.WorkDir});
    StopIfAsked();
  } catch (const std::exception& e) {
    error_text_ = AppendExceptionMessage(error_text_, e.what());
    try {
      MyRemoveDir(c_.NewDir);
    } catch (const std::exception& e2) {
      error_text_ = AppendExceptionMessage(error_text_, e2.what());
    }
    throw;
  }
  LogKey(msg::uUpdate_UpdateProgramm_39);
}

void UpdateRun::LockTestProductFolder() {
  Part("lock-test");
  LogKey(msg::uUpdate_UpdateProgramm_32);
  // Renaming fails while any program holds the folder or anything in it open.
  const std::string folder = ExcludeTrailingSeparator(c_.ProductDir);
  const std::string aside = AsideProductDir(c_.ProductDir);
  if (!MovePath(folder, aside)) {
    throw Error(GetMessageText(msg::uUpdate_UpdateProgramm_33, c_.ProductDir));
  }
  if (!MovePath(aside, folder)) throw Error(GetMessageText(msg::uUpdate_UpdateProgramm_34));
  LogKey(msg::uUpdate_UpdateProgramm_35);
}

void UpdateRun::BuildWorkingFolders() {
  LogKey(msg::uUpdate_UpdateProgramm_36);
  Part("payload");
  // Left over from a run of the same second; the journal of this run stays.
  for (const std::string* dir : {&c_.NewDir, &c_.OldDir, &c_.WorkDir}) MyRemoveDir(*dir);
  if (!DirectoryExists(c_.TempDir)) MyCreateDir(c_.TempDir);
  for (const std::string* dir : {&c_.NewDir, &c_.OldDir, &c_.OldDbDataDir, &c_.WorkDir}) {
    MyCreateDir(*dir);
  }
  StartJournal(JournalStage::Staging);
  services_.UnpackPayload(op_, c_.NewDir, profile_);
  LogKey(msg::uUpdate_UpdateProgramm_37);
  LogKey(msg::uUpdate_UpdateProgramm_38);

  const auto copy_twice = [this](const std::string& source, const std::string& backup,
                                 const std::string& work) {
    Part("backup");
    MyCopyDir(f_.progress, source, backup);
    Part("working-copy");
    MyCopyDir(f_.progress, source, work);
  };
  if (c_.HasClientPart) {
    copy_twice(c_.ProgramDir, c_.OldProgramDir, c_.WorkProgramDir);
    // A product without resources is updated all the same.
    try {
      copy_twice(c_.ResourcesDir, c_.OldResourcesDir, c_.WorkResourcesDir);
    } catch (const std::exception& e) {
      Log(e.what());
    }
  }
  if (c_.HasServerPart) {
    copy_twice(c_.DbDataDir, c_.OldDbDataDir, c_.WorkDbDataDir);
    // The tree copy passes over a file it cannot copy (a full disk); without both copies
    // of the database the swap would leave no backup of the live one.
    for (const std::string* dir : {&c_.OldDbDataDir, &c_.WorkDbDataDir}) {
      const std::string copy = JoinPath(*dir, profile_.DbFileName);
      if (!FileExists(copy)) throw Error(GetMessageText(msg::uUpdate_BuildWorkingFolders_1, copy));
    }
  }
}

}  // namespace updater
