#include "update/folder_ops.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "messages/message_text.h"
#include "seams/progress.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"

namespace updater {

namespace {

bool IsSelfOrParent(const std::string& name) {
  return name.empty() || name == "." || name == "..";
}

void RemoveContents(Directory& dir, const std::string& path, const OpenHolders& holders) {
  std::vector<DirectoryEntry> entries;
  dir.ReadEntries(entries);
  for (const DirectoryEntry& entry : entries) {
    if (IsSelfOrParent(entry.name)) continue;
    const std::string entry_path = JoinPath(path, entry.name);
    if (entry.kind != EntryKind::Directory) {
      if (holders.Holds(entry.id) || !dir.DeleteEntry(entry.name)) {
        throw Error(GetMessageText(msg::uUpdate_MyRemoveDir_1, entry_path));
      }
      continue;
    }
    std::unique_ptr<Directory> child = dir.OpenChild(entry.name);
    if (!child) continue;
    RemoveContents(*child, entry_path, holders);
    // A folder another program works in stays, as it would on Windows; unreported.
    if (!holders.Holds(child->Id())) dir.RemoveChild(entry.name);
  }
}

struct CopyJob {
  FileId dest_root;  // skipped when met in the source: a copy into its own tree
  bool has_dest_root = false;
  ProgressStep* progress = nullptr;
};

struct TreeSize {
  std::uint64_t files = 0;  // links included: each is one entry to copy
  std::uint64_t bytes = 0;
};

// What the copy below will meet, for its progress: the same entries, nothing copied.
void Measure(Directory& dir, const CopyJob& job, TreeSize& size) {
  std::vector<DirectoryEntry> entries;
  dir.ReadEntries(entries);
  for (const DirectoryEntry& entry : entries) {
    if (IsSelfOrParent(entry.name)) continue;
    switch (entry.kind) {
      case EntryKind::Directory:
        if (job.has_dest_root && entry.id == job.dest_root) break;
        if (std::unique_ptr<Directory> child = dir.OpenChild(entry.name)) {
          Measure(*child, job, size);
        }
        break;
      case EntryKind::Link:
        ++size.files;
        break;
      case EntryKind::File:
        ++size.files;
        size.bytes += dir.FileSize(entry.name);
        break;
      case EntryKind::Other:
        break;
    }
  }
}

void CopyContents(Directory& dir, const std::string& source, const std::string& dest,
                  const CopyJob& job) {
  std::vector<DirectoryEntry> entries;
  dir.ReadEntries(entries);
  for (const DirectoryEntry& entry : entries) {
    if (IsSelfOrParent(entry.name)) continue;
    const std::string from = source + entry.name;
    const std::string to = dest + entry.name;
    switch (entry.kind) {
      case EntryKind::Directory: {
        if (job.has_dest_root && entry.id == job.dest_root) break;
        const std::string to_folder = IncludeTrailingSeparator(to);
        if (!CreateDirectories(to_folder)) {
          throw Error(GetMessageText(msg::uUpdate_MyCopyDir_2, to_folder));
        }
        if (std::unique_ptr<Directory> child = dir.OpenChild(entry.name)) {
          CopyContents(*child, IncludeTrailingSeparator(from), to_folder, job);
          CopyDirectoryAttributes(from, to_folder);
        }
        break;
      }
      case EntryKind::Link:
        CopyLink(from, to);
        if (job.progress != nullptr) job.progress->Add(1);
        break;
      case EntryKind::File:
        ForceCopyFile(from, to, job.progress);
        if (job.progress != nullptr) job.progress->Add(1);
        break;
      case EntryKind::Other:
        break;  // pipes, sockets, devices: nothing a copy could read to the end
    }
  }
}

}  // namespace

void MyRemoveDir(const std::string& dir) {
  std::unique_ptr<Directory> root = Directory::Open(dir);
  if (!root) return;
  const OpenHolders holders = OpenHolders::Snapshot();
  RemoveContents(*root, dir, holders);
  if (!holders.Holds(root->Id())) RemoveEmptyDirectory(dir);
}

void MyCreateDir(const std::string& dir) {
  if (!CreateSingleDirectory(dir)) throw Error(GetMessageText(msg::uUpdate_MyCreateDir_1, dir));
}

void MyCopyDir(Progress& shown_on, const std::string& source, const std::string& dest) {
  const std::string from = IncludeTrailingSeparator(source);
  const std::string to = IncludeTrailingSeparator(dest);
  if (!DirectoryExists(from)) throw Error(GetMessageText(msg::uUpdate_MyCopyDir_1, from));
  if (!CreateDirectories(to)) throw Error(GetMessageText(msg::uUpdate_MyCopyDir_2, to));
  CopyJob job;
  if (std::unique_ptr<Directory> dest_dir = Directory::Open(to)) {
    job.dest_root = dest_dir->Id();
    job.has_dest_root = true;
  }
  if (std::unique_ptr<Directory> root = Directory::Open(from)) {
    const std::string text = GetMessageText(msg::uProgress_CopyFolder, source);
    TreeSize size;
    if (shown_on.Watching()) Measure(*root, job, size);
    ProgressStep progress(shown_on, text, ProgressUnit::Files, size.files, size.bytes);
    if (progress.Watching()) job.progress = &progress;
    CopyContents(*root, from, to, job);
    CopyDirectoryAttributes(from, to);
  }
}

void CheckCopiedOver(const std::string& from, const std::string& to,
                     const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string source = JoinPath(from, name);
    const std::string target = JoinPath(to, name);
    if (FileExists(source) && !SameFileContent(source, target)) {
      throw Error(GetMessageText(msg::uUpdate_SwapFolders_1, target));
    }
  }
}

bool SameFileContent(const std::string& a, const std::string& b) {
  if (!FileExists(a) || !FileExists(b)) return false;
  try {
    std::ifstream fa(FileSystemPath(a), std::ios::binary);
    std::ifstream fb(FileSystemPath(b), std::ios::binary);
    if (!fa || !fb) return false;
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace updater
