#include <algorithm>
#include <exception>

#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/folder_ops.h"
#include "update/run_state.h"

namespace updater {

void UpdateRun::StartJournal(JournalStage first) {
  if (journal_started_) {
    Record(first);
    return;
  }
  journal_ = RunJournal{};
  journal_.stage = first;
  journal_.product_dir = c_.ProductDir;
  journal_.temp_dir = c_.TempDir;
  journal_.has_client = c_.HasClientPart;
  journal_.has_server = c_.HasServerPart;
  if (c_.HasServerPart) {
    journal_.live_db = JoinPath(c_.DbDataDir, profile_.DbFileName);
    journal_.aside_db = journal_.live_db + "_";
    journal_.backup_db = JoinPath(c_.OldDbDataDir, profile_.DbFileName);
  }
  if (!DirectoryExists(c_.TempDir)) MyCreateDir(c_.TempDir);
  WriteJournal(journal_);
  journal_started_ = true;
  arming_.emplace(f_.stop);
  Log(GetMessageText(msg::uUpdate_StartJournal_1, JoinPath(c_.TempDir, kJournalFileName)));
}

void UpdateRun::Record(JournalStage stage, const std::vector<std::string>& written) {
  if (!journal_started_) return;
  // A journal that claims more than the disk holds would mislead the recovery.
  const auto unflushed = std::find_if(written.begin(), written.end(),
                                      [this](const std::string& path) { return !Flush(path); });
  if (unflushed != written.end()) throw Error(GetMessageText(msg::uUpdate_Record_1, *unflushed));
  journal_.stage = stage;
  journal_.deleted_live_files = deleted_live_files_;
  WriteJournal(journal_);
}

void UpdateRun::EndJournal(JournalOutcome outcome) noexcept {
  if (!journal_started_) return;
  try {
    // Left open, the journal sends the next start to the recovery instead of a new run over
    // a product that is half old and half new.
    const bool half_way =
        rollback_incomplete_ || LeftHalfSwapped(journal_.stage, outcome, journal_.has_client);
    const bool open = half_way || final_step_failed_;
    // A run that ended before its staging changed no file: its folder holds the journal only.
    const bool journal_only = journal_.stage == JournalStage::ServerPreparation;
    if (!open) journal_.stage = JournalStage::Ended;
    journal_.deleted_live_files = deleted_live_files_;
    journal_.outcome = outcome;
    WriteJournal(journal_);
    if (!open && journal_only) MyRemoveDir(c_.TempDir);
  } catch (const std::exception& e) {
    try {
      Log(e.what());
    } catch (...) {
    }
  }
}

}  // namespace updater
