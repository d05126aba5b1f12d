#pragma once

#include <optional>
#include <string>
#include <vector>

#include "messages/message_key.h"
#include "update/run_folders.h"

namespace updater {

// One file of the client part, named from the product folder ("Program/DunVeld.exe"), as
// the live product, a run's backup (Old) and its working copy (Wrk) hold it.
struct ClientFile {
  std::string name;
  bool in_backup = false;
  bool in_work = false;
  bool live = false;
  bool live_is_backup = false;
  bool live_is_work = false;
};

// What the product folder and a run's temporary folder show of that run.
struct FoldersSeen {
  bool live_db = false;
  bool aside_db = false;  // where the swap moves the live database before the updated one comes
  bool backup_db = false;
  bool work_db = false;         // the updated copy, not moved in
  bool work_db_folder = false;  // made only once the backup of the database was whole
  bool live_db_is_backup = false;
  bool backup_exe = false;
  bool work_program = false;       // made only once the backup of the program was whole
  std::vector<ClientFile> client;  // every file of the backup and of the working copy
};

FoldersSeen ObserveRunFolders(const std::string& product_dir, const RunFolders& run,
                              const std::string& db_file_name, const std::string& exe_file_name);

// Any of the database's files, live or of the run, shows that the product has that part.
bool HasServerPart(const FoldersSeen& folders);

enum class DatabaseRepair { None, PutAsideBack, CopyBackup };

struct FolderPlan {
  bool decided = false;
  bool updated = false;  // the version the product is at afterwards
  DatabaseRepair database = DatabaseRepair::None;
  bool restore_client = false;  // client files that are not the backup's come back from it
  bool backup_whole = false;
  std::optional<MessageKey> undecided_key;  // why the folders do not decide
};

// Goes back to the backup only where that loses nothing: the live database is missing or still
// the previous one, and every live file is the backup's or the working copy's. A database that
// the update replaced may have been used since, so it is never replaced here.
FolderPlan PlanFromFolders(const FoldersSeen& folders);

}  // namespace updater
