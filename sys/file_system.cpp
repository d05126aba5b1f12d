#include "sys/file_system.h"

#include "sys/file_copy.h"
#include "sys/path.h"

namespace updater {

bool CreateDirectories(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  const std::string trimmed = ExcludeTrailingSeparator(path);
  const std::string parent = FolderPart(trimmed);
  if (!parent.empty() && parent != trimmed && !CreateDirectories(parent)) return false;
  // Another process may have made it meanwhile.
  return CreateSingleDirectory(path) || DirectoryExists(path);
}

bool ForceMoveFile(const std::string& source, const std::string& target) {
  MakeWritable(target);
  return MovePath(source, target);
}

}  // namespace updater
