#include "update/run_recovery.h"

#include <memory>
#include <string>
#include <vector>

#include "fbserver/fb_service.h"
#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/db_modes.h"
#include "update/folder_ops.h"
#include "update/recovery_folders.h"
#include "update/restore.h"
#include "update/run_folders.h"
#include "update/run_journal.h"
#include "update/run_state.h"
#include "update/update_context.h"

namespace updater {
namespace {

class Recovery {
 public:
  Recovery(RunServices& services, const Facilities& f, Operator& op, const ProjectProfile& profile,
           std::string system_password, std::optional<TFBServParams> server_params)
      : services_(services),
        f_(f),
        op_(op),
        profile_(profile),
        system_password_(std::move(system_password)),
        server_(std::move(server_params)) {}

  void Run(const std::string& product_dir) {
    std::optional<FoundJournal> found = FindUnfinishedJournal(product_dir);
    // Found in the aside folder: once that is back, the journal lies in the product folder.
    if (found && PutBackProductFolder(product_dir)) found = FindUnfinishedJournal(product_dir);
    if (!found) {
      Log(GetMessageText(msg::uUpdate_RecoverRun_1, product_dir));
      return;
    }
    // A request to stop waits: the recovery is itself the putting back.
    const StopRequest::Arming arming(f_.stop);
    journal_path_ = found->path;
    // The folders come from where the journal lies, not from what it says: a journal
    // copied from elsewhere must not send the recovery into another folder.
    run_ = RunFolders(FolderPart(journal_path_));
    c_ = UpdateInit(f_.clock, op_, profile_, product_dir);
    if (!found->journal) {
      RecoverFromFolders(found->problem);
      return;
    }
    journal_ = *found->journal;
    journal_.temp_dir = run_.temp;
    CheckJournalPaths();
    Log(UnfinishedRunText(product_dir, journal_path_, journal_) + " " +
        GetMessageText(msg::uUpdate_RecoverRun_2));

    const bool forward = journal_.stage >= JournalStage::DatabaseSwapped;
    if (journal_.has_server && journal_.stage == JournalStage::DatabaseSwapBegun) {
      StopServer();
      PutBackLiveDatabase();
    }
    if (journal_.has_client) {
      if (journal_.stage >= JournalStage::ProgramCopyDone) {
        // Nothing left to copy.
      } else if (forward) {
        RollProgramForward();
      } else if (journal_.stage > JournalStage::ServerPreparation) {
        PutBackDeletedProgramFiles();
      }
    }
    if (journal_.has_server && forward) RemoveAsideDatabase();
    if (journal_.has_server) FinalStep();

    // Killed in the server preparation, the run had written nothing but its journal.
    const bool journal_only = journal_.stage == JournalStage::ServerPreparation;
    journal_.stage = JournalStage::Ended;
    journal_.outcome = JournalOutcome::Recovered;
    WriteJournal(journal_);
    if (journal_only) {
      MyRemoveDir(run_.temp);
      Log(ConsistentText(false));
      return;
    }
    Log(ConsistentText(forward) + " " + GetMessageText(msg::uUpdate_RecoverRun_5, journal_path_));
  }

 private:
  void Log(const std::string& text) { op_.SaveExceptionToLog(text); }

  // A run killed during its lock test left the product folder at its aside name, the journal
  // inside: the folder goes back first. Whether it was moved.
  bool PutBackProductFolder(const std::string& product_dir) {
    const std::string folder = ExcludeTrailingSeparator(product_dir);
    const std::string aside = AsideProductDir(product_dir);
    if (folder.empty() || DirectoryExists(folder) || !DirectoryExists(aside)) return false;
    if (!MovePath(aside, folder))
      throw Error(GetMessageText(msg::uUpdate_RecoverRun_24, aside, folder));
    Log(GetMessageText(msg::uUpdate_RecoverRun_23, aside, folder));
    return true;
  }

  static std::string ConsistentText(bool updated) {
    return GetMessageText(updated ? msg::uUpdate_RecoverRun_3 : msg::uUpdate_RecoverRun_4);
  }

  // Without a journal that can be read, what the folders show decides; nothing is deleted,
  // and where they do not decide, nothing is changed at all.
  void RecoverFromFolders(const std::string& problem) {
    const std::string unreadable =
        GetMessageText(msg::uUpdate_ParseJournal_1, journal_path_, problem);
    Log(unreadable + " " + GetMessageText(msg::uUpdate_RecoverFromFolders_1, run_.temp));
    const FoldersSeen folders =
        ObserveRunFolders(c_.ProductDir, run_, profile_.DbFileName, profile_.ExeFileName);
    const FolderPlan plan = PlanFromFolders(folders);
    if (!plan.decided) {
      throw Error(
          unreadable + "\r" +
          GetMessageText(msg::uUpdate_RecoverFromFolders_8, GetMessageText(*plan.undecided_key)) +
          "\r" +
          (plan.backup_whole
               ? GetMessageText(msg::uUpdate_RecoverFromFolders_9, run_.backup)
               : GetMessageText(msg::uUpdate_RecoverFromFolders_14, run_.backup, journal_path_)));
    }
    journal_.has_server = HasServerPart(folders);
    journal_.live_db = JoinPath(c_.DbDataDir, profile_.DbFileName);
    journal_.aside_db = journal_.live_db + "_";
    journal_.backup_db = JoinPath(run_.BackupOf(kDbDataPart), profile_.DbFileName);

    // The backed-up files outside the product go back only with the product itself: a
    // backup of a run long past must not replace what later runs installed there.
    const bool put_back = plan.database != DatabaseRepair::None || plan.restore_client;
    const std::string& other = run_.backup_other;
    const bool other_back = put_back && DirectoryExists(other);
    if (put_back) {
      Log(GetMessageText(msg::uUpdate_RecoverFromFolders_4, run_.backup));
    } else {
      Log(GetMessageText(plan.updated ? msg::uUpdate_RecoverFromFolders_3
                                      : msg::uUpdate_RecoverFromFolders_2));
    }
    if (plan.database != DatabaseRepair::None) {
      StopServer();
      PutBackLiveDatabase();
    }
    if (plan.restore_client) RestoreClientFiles(folders);
    if (other_back) RestoreOtherFiles(other);
    if (journal_.has_server) FinalStep();

    const std::string aside = JoinPath(run_.temp, kUnreadableJournalFileName);
    if (!MovePath(journal_path_, aside))
      throw Error(GetMessageText(msg::uUpdate_RecoverFromFolders_7, journal_path_, aside));
    Log(GetMessageText(msg::uUpdate_RecoverFromFolders_6, aside));
    Log(ConsistentText(plan.updated));
  }

  // Every live file that is not the backup's is the working copy's, which stays in its
  // folder: copying the backup over it loses nothing.
  void RestoreClientFiles(const FoldersSeen& folders) {
    for (const ClientFile& file : folders.client) {
      const std::string live = JoinPath(c_.ProductDir, file.name);
      if (!file.in_backup) {
        if (file.live) Log(GetMessageText(msg::uUpdate_RecoverFromFolders_5, live));
        continue;
      }
      if (file.live_is_backup) continue;
      if (!CreateDirectories(FolderPart(live)) ||
          !ForceCopyFile(JoinPath(run_.backup, file.name), live))
        throw Error(GetMessageText(msg::uUpdate_RecoverRun_14, live));
      Log(GetMessageText(msg::uUpdate_RecoverRun_15, live));
    }
    for (const std::string& dir : {c_.ProgramDir, c_.ResourcesDir})
      if (!FlushToDisk(dir)) throw Error(GetMessageText(msg::uUpdate_Record_1, dir));
  }

  void RestoreOtherFiles(const std::string& other) {
    std::vector<std::string> kept;
    const std::vector<std::string> failures = RestoreFilesFromBackupKeepingAdded(other, kept);
    if (!failures.empty()) throw Error(failures.front());
    for (const std::string& path : kept)
      if (FileExists(path)) Log(GetMessageText(msg::uUpdate_RecoverFromFolders_5, path));
  }

  void CheckJournalPaths() {
    if (!journal_.has_server) return;
    const std::string live = JoinPath(c_.DbDataDir, profile_.DbFileName);
    if (journal_.live_db != live || journal_.aside_db != live + "_" ||
        journal_.backup_db != JoinPath(run_.BackupOf(kDbDataPart), profile_.DbFileName)) {
      throw Error(GetMessageText(msg::uUpdate_RecoverRun_6, journal_path_));
    }
  }

  const TFBServParams& ServerParams() { return server_.Get(); }

  void StopServer() {
    Log(GetMessageText(msg::uUpdate_RecoverRun_7));
    StopFBService(f_, op_, ServerParams(), false);
  }

  // The swap moved the live database aside and had not recorded the updated one in place:
  // whatever lies at the live name may be half moved, so the aside one goes back.
  void PutBackLiveDatabase() {
    const std::string& live = journal_.live_db;
    const std::string& aside = journal_.aside_db;
    if (FileExists(aside)) {
      if (FileExists(live) && !DeletePath(live))
        throw Error(GetMessageText(msg::uUpdate_RecoverRun_8, live));
      if (!MovePath(aside, live))
        throw Error(GetMessageText(msg::uUpdate_RecoverRun_9, aside, live));
      Log(GetMessageText(msg::uUpdate_RecoverRun_10, aside));
    } else if (!FileExists(live)) {
      // Copied beside it first, so that a recovery killed here never leaves half a file at
      // the live name.
      const std::string partial = live + ".recover";
      if (!CreateDirectories(c_.DbDataDir) || !ForceCopyFile(journal_.backup_db, partial) ||
          !FlushToDisk(partial) || !MovePath(partial, live)) {
        throw Error(GetMessageText(msg::uUpdate_RecoverRun_11, journal_.backup_db));
      }
      Log(GetMessageText(msg::uUpdate_RecoverRun_12, journal_.backup_db));
    } else {
      Log(GetMessageText(msg::uUpdate_RecoverRun_13));
    }
    if (!FlushToDisk(c_.DbDataDir))
      throw Error(GetMessageText(msg::uUpdate_Record_1, c_.DbDataDir));
  }

  void RemoveAsideDatabase() {
    if (FileExists(journal_.aside_db) && !DeletePath(journal_.aside_db))
      Log("Deleting file error: " + journal_.aside_db);
  }

  void PutBackDeletedProgramFiles() {
    const std::string old_program = run_.BackupOf(kProgramPart);
    std::vector<std::string> names = journal_.deleted_live_files;
    // A run killed inside the client step deleted files it had not recorded yet; the live
    // folder lost files and gained none, so every backed-up file missing from it goes back.
    std::vector<DirectoryEntry> entries;
    std::unique_ptr<Directory> folder = Directory::Open(old_program);
    if (folder && folder->ReadEntries(entries)) {
      for (const DirectoryEntry& entry : entries)
        if (entry.kind == EntryKind::File) names.push_back(entry.name);
    }
    for (const std::string& name : names) {
      const std::string live = JoinPath(c_.ProgramDir, name);
      if (FileExists(live)) continue;
      if (!ForceCopyFile(JoinPath(old_program, name), live))
        throw Error(GetMessageText(msg::uUpdate_RecoverRun_14, live));
      Log(GetMessageText(msg::uUpdate_RecoverRun_15, live));
    }
    if (DirectoryExists(run_.backup_other)) {
      const std::vector<std::string> failures = RestoreFilesFromBackup(run_.backup_other);
      if (!failures.empty()) throw Error(failures.front());
    }
    if (!FlushToDisk(c_.ProgramDir))
      throw Error(GetMessageText(msg::uUpdate_Record_1, c_.ProgramDir));
  }

  // The database is already the updated one, so the program must become it too.
  void RollProgramForward() {
    const std::string work_program = run_.WorkOf(kProgramPart);
    const std::string work_resources = run_.WorkOf(kResourcesPart);
    if (!DirectoryExists(work_program)) {
      throw Error(GetMessageText(msg::uUpdate_RecoverRun_16, work_program));
    }
    MyCopyDir(f_.progress, work_program, c_.ProgramDir);
    CheckCopiedOver(work_program, c_.ProgramDir, {profile_.ExeFileName, profile_.Files.HelpFile});
    Log(GetMessageText(msg::uUpdate_RecoverRun_17, work_program));
    if (DirectoryExists(work_resources)) {
      MyCopyDir(f_.progress, work_resources, c_.ResourcesDir);
      Log(GetMessageText(msg::uUpdate_RecoverRun_18, work_resources));
    }
    for (const std::string& dir : {c_.ProgramDir, c_.ResourcesDir})
      if (!FlushToDisk(dir)) throw Error(GetMessageText(msg::uUpdate_Record_1, dir));
  }

  void FinalStep() {
    Log(GetMessageText(msg::uUpdate_RecoverRun_19));
    StartFBService(f_, op_, ServerParams(), false);
    Log(GetMessageText(msg::uUpdate_RecoverRun_20));
    try {
      services_.OnLine({.client_library = profile_.ClientLibName,
                        .database = c_.DbPath,
                        .user = "SYSDBA",
                        .password = system_password_},
                       profile_.ServerPrefix);
    } catch (const std::exception& e) {
      // A run killed after its final step, or failed after it, left the database online.
      if (!IsAlreadyInMode(e)) throw;
      Log(GetMessageText(msg::uUpdate_RecoverRun_21));
      return;
    }
    Log(GetMessageText(msg::uUpdate_RecoverRun_22));
  }

  RunServices& services_;
  Facilities f_;
  Operator& op_;
  const ProjectProfile& profile_;
  std::string system_password_;
  KnownServer server_;
  std::string journal_path_;
  RunFolders run_{""};
  RunJournal journal_;
  UpdateContext c_;
};

}  // namespace

void RecoverRunWith(RunServices& services, const Facilities& f, Operator& op,
                    const ProjectProfile& profile, const std::string& product_dir,
                    const std::string& system_password,
                    std::optional<TFBServParams> server_params) {
  Recovery recovery(services, f, op, profile, system_password, std::move(server_params));
  recovery.Run(product_dir);
}

void RecoverRun(const Facilities& f, Operator& op, const ProjectProfile& profile,
                const std::string& product_dir, const std::string& system_password,
                std::optional<TFBServParams> server_params) {
  RecoverRunWith(*RealRunServices(f), f, op, profile, product_dir, system_password,
                 std::move(server_params));
}

}  // namespace updater
