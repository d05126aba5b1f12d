#include "update/run_recovery.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fbserver/fb_service.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/db_modes.h"
#include "update/folder_ops.h"
#include "update/restore.h"
#include "update/run_journal.h"
#include "update/run_state.h"
#include "update/update_context.h"

namespace updater {
namespace {

// The content of `path`; empty when it cannot be read.
std::string ReadWhole(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

class Recovery {
 public:
  Recovery(RunServices& services, const Facilities& f, Operator& op, const ProjectProfile& profile,
           std::string system_password, std::optional<TFBServParams> server_params)
      : services_(services),
        f_(f),
        op_(op),
        profile_(profile),
        system_password_(std::move(system_password)),
        server_params_(std::move(server_params)) {}

  void Run(const std::string& product_dir) {
    const std::optional<std::string> path = FindUnfinishedJournal(product_dir);
    if (!path) {
      Log("No unfinished update run was found in \"" + product_dir +
          "\"; there is nothing to recover and nothing was changed.");
      return;
    }
    journal_path_ = *path;
    journal_ = ReadJournal(journal_path_);
    // The folders come from where the journal lies, not from what it says: a journal
    // copied from elsewhere must not send the recovery into another folder.
    temp_dir_ = FolderPart(journal_path_);
    journal_.temp_dir = temp_dir_;
    c_ = UpdateInit(f_.clock, op_, profile_, product_dir);
    CheckJournalPaths();
    Log(UnfinishedRunText(product_dir, journal_path_, journal_) + " It is recovered now.");

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
      } else {
        PutBackDeletedProgramFiles();
      }
    }
    if (journal_.has_server && forward) RemoveAsideDatabase();
    if (journal_.has_server) FinalStep();

    journal_.stage = JournalStage::Ended;
    journal_.outcome = JournalOutcome::Recovered;
    WriteJournal(journal_);
    Log(std::string("The product is consistent again: ") +
        (forward ? "it is the updated version." : "it is the previous version.") +
        " The journal is kept in \"" + journal_path_ + "\".");
  }

 private:
  void Log(const std::string& text) { op_.SaveExceptionToLog(text); }

  void CheckJournalPaths() {
    if (!journal_.has_server) return;
    const std::string live = JoinPath(c_.DbDataDir, profile_.DbFileName);
    if (journal_.live_db != live || journal_.aside_db != live + "_" ||
        journal_.backup_db !=
            JoinPath(JoinPath(JoinPath(temp_dir_, "Old"), "DB_Data"), profile_.DbFileName)) {
      throw Error("The run journal \"" + journal_path_ +
                  "\" names database files that are not this product's. Nothing was changed.");
    }
  }

  const TFBServParams& ServerParams() {
    if (!server_params_) {
      TFBServParams params;
      GetFBServParams(params);
      server_params_ = params;
    }
    return *server_params_;
  }

  void StopServer() {
    Log("Stopping the server to put the database files in order...");
    StopFBService(f_, op_, ServerParams(), false);
  }

  // The swap moved the live database aside and had not recorded the updated one in place:
  // whatever lies at the live name may be half moved, so the aside one goes back.
  void PutBackLiveDatabase() {
    const std::string& live = journal_.live_db;
    const std::string& aside = journal_.aside_db;
    if (FileExists(aside)) {
      if (FileExists(live) && !DeletePath(live))
        throw Error("The file \"" + live + "\" could not be deleted!");
      if (!MovePath(aside, live))
        throw Error("The database \"" + aside + "\" could not be put back to \"" + live + "\"!");
      Log("The previous database was put back from \"" + aside + "\".");
    } else if (!FileExists(live)) {
      // Copied beside it first, so that a recovery killed here never leaves half a file at
      // the live name.
      const std::string partial = live + ".recover";
      if (!ForceCopyFile(journal_.backup_db, partial) || !FlushToDisk(partial) ||
          !MovePath(partial, live)) {
        throw Error("The database could not be put back from the backup \"" + journal_.backup_db +
                    "\"!");
      }
      Log("The previous database was put back from the backup \"" + journal_.backup_db + "\".");
    } else {
      Log("The previous database is in place.");
    }
    if (!FlushToDisk(c_.DbDataDir)) throw Error("\"" + c_.DbDataDir + "\" could not be flushed!");
  }

  void RemoveAsideDatabase() {
    if (FileExists(journal_.aside_db) && !DeletePath(journal_.aside_db))
      Log("Deleting file error: " + journal_.aside_db);
  }

  void PutBackDeletedProgramFiles() {
    const std::string old_program = JoinPath(JoinPath(temp_dir_, "Old"), "Program");
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
        throw Error("The file \"" + live + "\" could not be restored from the backup!");
      Log("The file \"" + live + "\" was restored from the backup.");
    }
    const std::string other = JoinPath(JoinPath(temp_dir_, "Old"), "Other");
    if (DirectoryExists(other)) {
      const std::vector<std::string> failures = RestoreFilesFromBackup(other);
      if (!failures.empty()) throw Error(failures.front());
    }
    if (!FlushToDisk(c_.ProgramDir)) throw Error("\"" + c_.ProgramDir + "\" could not be flushed!");
  }

  // The database is already the updated one, so the program must become it too.
  void RollProgramForward() {
    const std::string work = JoinPath(temp_dir_, "Wrk");
    const std::string work_program = JoinPath(work, "Program");
    const std::string work_resources = JoinPath(work, "Resources");
    if (!DirectoryExists(work_program)) {
      throw Error("The updated program folder \"" + work_program +
                  "\" is missing; the program cannot be brought up to the updated database.");
    }
    MyCopyDir(f_.progress, work_program, c_.ProgramDir);
    // The tree copy passes over a file it cannot write (a running client holds it).
    for (const char* name : {"DunVeld.exe", "DunVeld.chm"}) {
      const std::string work_file = JoinPath(work_program, name);
      const std::string live = JoinPath(c_.ProgramDir, name);
      if (FileExists(work_file) && ReadWhole(work_file) != ReadWhole(live))
        throw Error("The file \"" + live + "\" could not be replaced by the updated one!");
    }
    Log("The Program folder was updated from \"" + work_program + "\".");
    if (DirectoryExists(work_resources)) {
      MyCopyDir(f_.progress, work_resources, c_.ResourcesDir);
      Log("The Resources folder was updated from \"" + work_resources + "\".");
    }
    if (!FlushToDisk(c_.ProgramDir) || !FlushToDisk(c_.ResourcesDir))
      throw Error("The updated program could not be flushed to the disk!");
  }

  void FinalStep() {
    Log("Starting the server...");
    StartFBService(f_, op_, ServerParams(), false);
    Log("Bringing the live database online...");
    try {
      services_.OnLine({.client_library = profile_.ClientLibName,
                        .database = c_.DbPath,
                        .user = "SYSDBA",
                        .password = system_password_},
                       profile_.ServerPrefix);
    } catch (const std::exception& e) {
      // A run killed after its final step, or failed after it, left the database online.
      if (std::string(e.what()).find(kAlreadyInModeText) == std::string::npos) throw;
      Log("The live database was online already.");
      return;
    }
    Log("The live database is online.");
  }

  RunServices& services_;
  Facilities f_;
  Operator& op_;
  const ProjectProfile& profile_;
  std::string system_password_;
  std::optional<TFBServParams> server_params_;
  std::string journal_path_;
  std::string temp_dir_;
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
