#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace updater {

// What identifies a file on its device, whatever path leads to it.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend auto operator<=>(const FileId&, const FileId&) = default;
};

enum class EntryKind { File, Directory, Link, Other };

struct DirectoryEntry {
  std::string name;
  EntryKind kind = EntryKind::Other;  // a link is reported as a link, never followed
  FileId id;
  bool hidden = false;  // a name beginning with a dot on POSIX
};

// Links are followed, as the Windows calls do.
bool DirectoryExists(const std::string& path);
// A regular file (links followed).
bool FileExists(const std::string& path);

// One folder; its parent must exist. False when it exists already or cannot be made.
bool CreateSingleDirectory(const std::string& path);
// The folder and every missing parent. True when it exists as a folder afterwards.
bool CreateDirectories(const std::string& path);

// Which files and folders other processes hold open: descriptors, working folders and
// executables, read once. Windows refuses to rename, move or delete such things; the POSIX
// backend looks here first and refuses the same. Take one snapshot per tree operation.
class OpenHolders {
 public:
  static OpenHolders Snapshot();
  OpenHolders();
  ~OpenHolders();
  OpenHolders(OpenHolders&&) noexcept;
  OpenHolders& operator=(OpenHolders&&) noexcept;

  bool Holds(const FileId& id) const;
  // `path` itself or anything below it.
  bool HoldsAnythingUnder(const std::string& path) const;

 private:
  struct Data;
  std::unique_ptr<Data> data_;
};

// A folder opened for a tree operation. Children are reached through it, never through a
// link, so a walk cannot leave the tree it started in.
class Directory {
 public:
  virtual ~Directory() = default;

  // nullptr when `path` is not a folder that can be read. A link given here is followed.
  static std::unique_ptr<Directory> Open(const std::string& path);

  // The child folder `name`; nullptr when it is a link or cannot be opened.
  virtual std::unique_ptr<Directory> OpenChild(const std::string& name) const = 0;
  // Every entry, "." and ".." included; false when the folder cannot be read.
  virtual bool ReadEntries(std::vector<DirectoryEntry>& entries) = 0;
  virtual FileId Id() const = 0;
  // Deletes the file or link `name`, read-only or not.
  virtual bool DeleteEntry(const std::string& name) = 0;
  // Removes the empty child folder `name`.
  virtual bool RemoveChild(const std::string& name) = 0;
  // The size of the file `name` in bytes, links not followed; 0 when it cannot be read.
  virtual std::uint64_t FileSize(const std::string& name) const = 0;
};

// Removes an empty folder.
bool RemoveEmptyDirectory(const std::string& path);

// The identity of what `path` names, links not followed; false when it does not exist.
bool GetFileId(const std::string& path, FileId& id);

// Moves a file or folder as MoveFile does: never over an existing target; a file may
// change drives, a folder may not. Fails while another process holds the source (for a
// folder: anything in it) open.
bool MovePath(const std::string& from, const std::string& to);

// Deletes one file (or link) as the system call for one file does; fails while another process
// holds it open.
bool DeletePath(const std::string& path);

// Copies the link `source` as a link (its target text unchanged, never followed) to
// `target`, replacing a file or link there. False when it cannot.
bool CopyLink(const std::string& source, const std::string& target);

// Gives the folder `target` the mode (and, as root, the owner) of the folder `source`;
// the owner keeps the right to write in it, as Windows folders stay writable.
void CopyDirectoryAttributes(const std::string& source, const std::string& target);

// Clears the read-only state of an existing file so that it may be overwritten; true
// when there is nothing to clear or it was cleared.
bool MakeWritable(const std::string& path);

}  // namespace updater
