#include <cstddef>
#include <cstring>
#include <vector>

#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/win_handle.h"
// Needs the types of windows.h, included above.
#include <winioctl.h>

namespace updater {

namespace {

using win::Utf16;
using win::Utf8;

bool IdOfHandle(HANDLE handle, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  id.device = info.dwVolumeSerialNumber;
  id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool IdOfPath(const std::wstring& path, bool follow_links, FileId& id) {
  win::UniqueHandle handle = win::OpenForAttributes(path, follow_links);
  return handle.ok() && IdOfHandle(handle.get(), id);
}

DWORD AttributesFollowingLinks(const std::wstring& path) {
  win::UniqueHandle handle = win::OpenForAttributes(path, /*follow_links=*/true);
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle.ok() || !::GetFileInformationByHandle(handle.get(), &info)) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return info.dwFileAttributes;
}

EntryKind KindOf(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::Link;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Directory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::Other;
  return EntryKind::File;
}

bool ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

// A link to a folder (a junction or a folder symlink) is removed as a folder, any other
// entry as a file; neither call follows the link.
bool RemoveEntry(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const bool folder_link = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  auto remove = [&] {
    return (folder_link ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str())) != FALSE;
  };
  if (remove()) return true;
  return ::GetLastError() == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         ClearReadOnly(path) && remove();
}

class WinDirectory final : public Directory {
 public:
  WinDirectory(std::wstring path, win::UniqueHandle handle, FileId id)
      : path_(std::move(path)), handle_(std::move(handle)), id_(id) {}

  // The open handle pins the folder (no delete sharing for others' renames of it is needed:
  // every kind is granted), so the names below resolve in the folder that was checked.
  static std::unique_ptr<Directory> FromPath(const std::wstring& path, bool follow_links) {
    win::UniqueHandle handle = win::OpenForAttributes(path, follow_links);
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.ok() || !::GetFileInformationByHandle(handle.get(), &info)) return nullptr;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return nullptr;
    if (!follow_links && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return nullptr;
    }
    FileId id;
    if (!IdOfHandle(handle.get(), id)) return nullptr;
    return std::make_unique<WinDirectory>(path, std::move(handle), id);
  }

  std::unique_ptr<Directory> OpenChild(const std::string& name) const override {
    return FromPath(Child(name), /*follow_links=*/false);
  }

  bool ReadEntries(std::vector<DirectoryEntry>& entries) override {
    WIN32_FIND_DATAW found;
    win::FindHandle search(::FindFirstFileW((path_ + L"\\*").c_str(), &found));
    if (!search.ok()) return false;
    do {
      DirectoryEntry entry;
      entry.name = Utf8(found.cFileName);
      entry.kind = KindOf(found.dwFileAttributes);
      entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
      if (entry.name == ".") {
        entry.id = id_;
      } else if (entry.name != "..") {
        IdOfPath(Child(entry.name), /*follow_links=*/false, entry.id);
      }
      entries.push_back(std::move(entry));
    } while (::FindNextFileW(search.get(), &found));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
  }

  FileId Id() const override { return id_; }

  bool DeleteEntry(const std::string& name) override { return RemoveEntry(Child(name)); }

  std::uint64_t FileSize(const std::string& name) const override {
    // The attributes call reports a link itself, not what it points to.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(Child(name).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  bool RemoveChild(const std::string& name) override {
    const std::wstring child = Child(name);
    if (::RemoveDirectoryW(child.c_str())) return true;
    return ::GetLastError() == ERROR_ACCESS_DENIED && ClearReadOnly(child) &&
           ::RemoveDirectoryW(child.c_str());
  }

 private:
  std::wstring Child(const std::string& name) const { return path_ + L"\\" + Utf16(name); }

  std::wstring path_;
  win::UniqueHandle handle_;
  FileId id_;
};

// The reparse data of a symbolic link or a junction, as the system returns it.
struct ReparseData {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset;
  WORD substitute_length;
  WORD print_offset;
  WORD print_length;
};
constexpr std::size_t kSymlinkFlagsSize = sizeof(ULONG);

}  // namespace

// Windows refuses by itself to rename, move or delete what another process holds open, so
// nothing needs to be looked up first.
struct OpenHolders::Data {};

OpenHolders::OpenHolders() : data_(std::make_unique<Data>()) {}
OpenHolders::~OpenHolders() = default;
OpenHolders::OpenHolders(OpenHolders&&) noexcept = default;
OpenHolders& OpenHolders::operator=(OpenHolders&&) noexcept = default;

OpenHolders OpenHolders::Snapshot() {
  return OpenHolders();
}

bool OpenHolders::Holds(const FileId& /*id*/) const {
  return false;
}

bool OpenHolders::HoldsAnythingUnder(const std::string& /*path*/) const {
  return false;
}

std::unique_ptr<Directory> Directory::Open(const std::string& path) {
  return WinDirectory::FromPath(Utf16(ExcludeTrailingSeparator(path)), /*follow_links=*/true);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = AttributesFollowingLinks(Utf16(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = AttributesFollowingLinks(Utf16(path));
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool CreateSingleDirectory(const std::string& path) {
  return ::CreateDirectoryW(Utf16(path).c_str(), nullptr) != FALSE;
}

bool RemoveEmptyDirectory(const std::string& path) {
  return ::RemoveDirectoryW(Utf16(path).c_str()) != FALSE;
}

bool GetFileId(const std::string& path, FileId& id) {
  return IdOfPath(Utf16(path), /*follow_links=*/false, id);
}

// Without MOVEFILE_REPLACE_EXISTING an existing target stops the move; MOVEFILE_COPY_ALLOWED
// lets a file (not a folder) change drives.
bool MovePath(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Utf16(from).c_str(), Utf16(to).c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool DeletePath(const std::string& path) {
  const std::wstring wide = Utf16(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return false;
  }
  return RemoveEntry(wide);
}

bool CopyLink(const std::string& source, const std::string& target) {
  const std::wstring from = Utf16(source);
  const DWORD attributes = ::GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return false;
  }
  win::UniqueHandle link = win::OpenForAttributes(from, /*follow_links=*/false);
  if (!link.ok()) return false;
  std::vector<std::byte> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (!::DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &size, nullptr) ||
      size < sizeof(ReparseData)) {
    return false;
  }
  ReparseData header;
  std::memcpy(&header, buffer.data(), sizeof header);
  // Only symbolic links are copied as links; a junction's target is a volume path.
  if (header.tag != IO_REPARSE_TAG_SYMLINK) return false;
  const std::size_t names = sizeof(ReparseData) + kSymlinkFlagsSize;
  if (names + header.print_offset + header.print_length > size) return false;
  std::wstring text(header.print_length / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), buffer.data() + names + header.print_offset, header.print_length);
  if (text.empty()) return false;

  const std::wstring to = Utf16(target);
  const DWORD link_flags =
      ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
      SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  const DWORD existing = ::GetFileAttributesW(to.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES) {
    if ((existing & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (existing & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return false;
    }
    if (!RemoveEntry(to)) return false;
  }
  return ::CreateSymbolicLinkW(to.c_str(), text.c_str(), link_flags) != FALSE;
}

void CopyDirectoryAttributes(const std::string& source, const std::string& target) {
  const DWORD attributes = ::GetFileAttributesW(Utf16(source).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // Best effort, as the content is what counts; the folder stays writable.
  constexpr DWORD kCopied = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ::SetFileAttributesW(Utf16(target).c_str(), attributes & kCopied);
}

bool MakeWritable(const std::string& path) {
  const std::wstring wide = Utf16(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  // A link has no content of its own; the file it points to is not ours to change.
  if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) return true;
  return ClearReadOnly(wide);
}

}  // namespace updater
