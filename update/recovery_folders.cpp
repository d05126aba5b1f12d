#include "update/recovery_folders.h"

#include <memory>
#include <set>

#include "messages/message_text.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/folder_ops.h"

namespace updater {
namespace {

void ListFiles(Directory& dir, const std::string& prefix, std::set<std::string>& names) {
  std::vector<DirectoryEntry> entries;
  if (!dir.ReadEntries(entries)) return;
  for (const DirectoryEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string name = JoinPath(prefix, entry.name);
    if (entry.kind == EntryKind::File) {
      names.insert(name);
    } else if (entry.kind == EntryKind::Directory) {
      if (std::unique_ptr<Directory> child = dir.OpenChild(entry.name)) {
        ListFiles(*child, name, names);
      }
    }
  }
}

// The files under `root`/`part`, named from `root`.
std::set<std::string> FilesOf(const std::string& root, const std::string& part) {
  std::set<std::string> names;
  if (std::unique_ptr<Directory> dir = Directory::Open(JoinPath(root, part))) {
    ListFiles(*dir, part, names);
  }
  return names;
}

enum class ClientState { Absent, Previous, Updated, Between, Unknown };

ClientState StateOfClient(const FoldersSeen& f) {
  if (f.client.empty()) return ClientState::Absent;
  bool previous = true;
  bool updated = f.work_program;
  for (const ClientFile& file : f.client) {
    if (file.live && !file.live_is_backup && !file.live_is_work) return ClientState::Unknown;
    // A file only the update brings, or only the update deletes, tells the two apart.
    if (file.in_backup ? !file.live_is_backup : file.live) previous = false;
    if (file.in_work ? !file.live_is_work : file.live) updated = false;
  }
  if (previous) return ClientState::Previous;
  return updated ? ClientState::Updated : ClientState::Between;
}

constexpr MessageKey kNoDatabaseBackup = msg::uUpdate_RecoverFromFolders_10;
constexpr MessageKey kDatabaseAhead = msg::uUpdate_RecoverFromFolders_11;
constexpr MessageKey kMatchNeither = msg::uUpdate_RecoverFromFolders_12;
constexpr MessageKey kProgramBackupPartial = msg::uUpdate_RecoverFromFolders_13;

}  // namespace

FoldersSeen ObserveRunFolders(const std::string& product_dir, const RunFolders& run,
                              const std::string& db_file_name, const std::string& exe_file_name) {
  const std::string& old_dir = run.backup;
  const std::string& work_dir = run.work;
  const std::string live_db = JoinPath(JoinPath(product_dir, kDbDataPart), db_file_name);
  const std::string backup_db = JoinPath(run.BackupOf(kDbDataPart), db_file_name);
  FoldersSeen f;
  f.live_db = FileExists(live_db);
  f.aside_db = FileExists(live_db + "_");
  f.backup_db = FileExists(backup_db);
  f.work_db_folder = DirectoryExists(run.WorkOf(kDbDataPart));
  f.work_db = FileExists(JoinPath(run.WorkOf(kDbDataPart), db_file_name));
  // A database may be large: compared only where the comparison decides.
  f.live_db_is_backup = f.live_db && f.backup_db && f.work_db_folder && !f.work_db &&
                        SameFileContent(live_db, backup_db);
  f.backup_exe = FileExists(JoinPath(run.BackupOf(kProgramPart), exe_file_name));
  f.work_program = DirectoryExists(run.WorkOf(kProgramPart));
  for (const char* part : {kProgramPart, kResourcesPart}) {
    const std::set<std::string> backup = FilesOf(old_dir, part);
    const std::set<std::string> work = FilesOf(work_dir, part);
    std::set<std::string> names = backup;
    names.insert(work.begin(), work.end());
    for (const std::string& name : names) {
      ClientFile file{
          .name = name, .in_backup = backup.contains(name), .in_work = work.contains(name)};
      const std::string live = JoinPath(product_dir, name);
      file.live = FileExists(live);
      file.live_is_backup =
          file.live && file.in_backup && SameFileContent(live, JoinPath(old_dir, name));
      file.live_is_work =
          file.live && file.in_work && SameFileContent(live, JoinPath(work_dir, name));
      f.client.push_back(file);
    }
  }
  return f;
}

bool HasServerPart(const FoldersSeen& f) {
  return f.live_db || f.aside_db || f.backup_db || f.work_db;
}

FolderPlan PlanFromFolders(const FoldersSeen& f) {
  FolderPlan plan;
  const ClientState client = StateOfClient(f);
  const bool has_server = HasServerPart(f);
  // The working copies are made only after the backup is whole.
  const bool database_backup_whole = f.backup_db && f.work_db_folder;
  const bool program_backup_whole = f.backup_exe && f.work_program;
  plan.backup_whole = (!has_server || database_backup_whole) &&
                      (client == ClientState::Absent || program_backup_whole);
  auto undecided = [&plan](MessageKey key) {
    plan.undecided_key = key;
    return plan;
  };
  if (client == ClientState::Unknown) return undecided(kMatchNeither);

  bool database_updated = false;
  if (has_server) {
    if (!f.live_db) {
      if (f.aside_db) {
        plan.database = DatabaseRepair::PutAsideBack;
      } else if (database_backup_whole) {
        plan.database = DatabaseRepair::CopyBackup;
      } else {
        return undecided(kNoDatabaseBackup);
      }
    } else if (f.aside_db && f.work_db) {
      return undecided(kMatchNeither);  // the live name holds neither copy of the run
    } else if (f.work_db_folder && !f.work_db && !f.live_db_is_backup) {
      if (!f.backup_db) return undecided(kMatchNeither);
      database_updated = true;  // the updated copy was moved in
    }
  }

  if (database_updated) {
    if (client != ClientState::Absent && client != ClientState::Updated)
      return undecided(kDatabaseAhead);
    plan.updated = true;
  } else if (client == ClientState::Between || (client == ClientState::Updated && has_server)) {
    if (!program_backup_whole) return undecided(kProgramBackupPartial);
    plan.restore_client = true;
  } else {
    plan.updated = client == ClientState::Updated;
  }
  plan.decided = true;
  return plan;
}

}  // namespace updater
