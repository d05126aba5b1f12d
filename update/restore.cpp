#include "update/restore.h"

#include "messages/message_text.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/backup_names.h"

namespace updater {

namespace {

// Deletes what the markers name unless `kept` is given.
std::vector<std::string> Restore(const std::string& dir, std::vector<std::string>* kept) {
  std::vector<std::string> report;
  std::unique_ptr<Directory> folder = Directory::Open(dir);
  if (!folder) return report;
  std::vector<DirectoryEntry> entries;
  folder->ReadEntries(entries);
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : entries) {
    if (entry.kind == EntryKind::File && !entry.hidden) names.push_back(entry.name);
  }

  for (const std::string& name : names) {
    const std::string decoded = DecodeBackupFileName(name);
    // Only a leading marker counts: a backed-up file may have "{dlt}_" inside its own name.
    if (decoded.compare(0, kDeleteMarkerPrefix.size(), kDeleteMarkerPrefix) == 0) {
      const std::string target = decoded.substr(kDeleteMarkerPrefix.size());
      if (!IsAbsolutePath(target)) continue;
      if (kept != nullptr) {
        kept->push_back(target);
      } else {
        DeletePath(target);
      }
      continue;
    }
    // A name that does not decode to a full path of this system has no place to go back to.
    if (!IsAbsolutePath(decoded) || !ForceCopyFile(JoinPath(dir, name), decoded)) {
      report.push_back(GetMessageText(msg::uUpdate_RestoreFilesFromBackup_1, decoded));
    }
  }
  return report;
}

}  // namespace

std::vector<std::string> RestoreFilesFromBackup(const std::string& dir) {
  return Restore(dir, nullptr);
}

std::vector<std::string> RestoreFilesFromBackupKeepingAdded(const std::string& dir,
                                                            std::vector<std::string>& kept) {
  return Restore(dir, &kept);
}

}  // namespace updater
