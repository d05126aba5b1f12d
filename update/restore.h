#pragma once

#include <string>
#include <vector>

namespace updater {

// Puts the backed-up files of `dir` back where their names say they came from and
// deletes the files that delete markers name. Hidden files and folders are skipped; the
// backup files stay. Returns one uUpdate_RestoreFilesFromBackup_1 line per file that
// could not be restored; raises no error of its own.
std::vector<std::string> RestoreFilesFromBackup(const std::string& dir);

// The same, but deletes nothing: the files that delete markers name are left in place and
// added to `kept`.
std::vector<std::string> RestoreFilesFromBackupKeepingAdded(const std::string& dir,
                                                            std::vector<std::string>& kept);

}  // namespace updater
