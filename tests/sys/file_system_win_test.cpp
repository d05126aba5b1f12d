#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_copy.h"
#include "sys/file_size.h"
#include "sys/file_system.h"
#include "sys/file_write.h"
#include "sys/path.h"
#include "sys/win_handle.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// Holds a file open the way another program (a database server) would: no sharing at all,
// or reading shared only.
win::UniqueHandle Hold(const std::string& path, DWORD share = 0) {
  return win::UniqueHandle(::CreateFileW(win::Utf16(path).c_str(), GENERIC_READ, share, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

DWORD Attributes(const std::string& path) {
  return ::GetFileAttributesW(win::Utf16(path).c_str());
}

void SetReadOnly(const std::string& path) {
  ASSERT_TRUE(::SetFileAttributesW(win::Utf16(path).c_str(), FILE_ATTRIBUTE_READONLY));
}

void MakeSized(const std::string& path, std::uint64_t size) {
  win::UniqueHandle file(::CreateFileW(win::Utf16(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.ok());
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(::SetEndOfFile(file.get()));
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(WindowsTreeTest, WhatAnotherProgramHoldsOpenIsNeitherMovedNorDeleted) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "db\\DunVeld.fdb", "data");
  {
    win::UniqueHandle held = Hold(folder / "db\\DunVeld.fdb", FILE_SHARE_READ);
    ASSERT_TRUE(held.ok());
    EXPECT_FALSE(DeletePath(folder / "db\\DunVeld.fdb"));
    EXPECT_FALSE(MovePath(folder / "db\\DunVeld.fdb", folder / "moved.fdb"));
    EXPECT_FALSE(ForceMoveFile(folder / "db\\DunVeld.fdb", folder / "moved.fdb"));
    EXPECT_EQ(WriteWholeFile(folder / "db\\DunVeld.fdb", Bytes("new"), false),
              WriteOutcome::CannotCreate);
    std::unique_ptr<Directory> db = Directory::Open(folder / "db");
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(db->DeleteEntry("DunVeld.fdb"));
  }
  EXPECT_EQ(testing::ReadFile(folder / "db\\DunVeld.fdb"), "data");
  EXPECT_TRUE(MovePath(folder / "db", folder / "db2"));
  EXPECT_TRUE(DeletePath(folder / "db2\\DunVeld.fdb"));
  EXPECT_FALSE(testing::Exists(folder / "db2\\DunVeld.fdb"));
}

TEST(WindowsTreeTest, MovesNeverReplaceAndFoldersAreNotDeletedAsFiles) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "a.txt", "a");
  testing::WriteFile(folder / "b.txt", "b");
  SetReadOnly(folder / "b.txt");
  EXPECT_FALSE(MovePath(folder / "a.txt", folder / "b.txt"));
  EXPECT_FALSE(ForceMoveFile(folder / "a.txt", folder / "b.txt"));
  EXPECT_EQ(testing::ReadFile(folder / "b.txt"), "b");
  EXPECT_TRUE(ForceMoveFile(folder / "a.txt", folder / "c.txt"));
  EXPECT_EQ(testing::ReadFile(folder / "c.txt"), "a");
  ASSERT_TRUE(CreateDirectories(folder / "x\\y\\z\\"));
  EXPECT_TRUE(DirectoryExists(folder / "x\\y\\z"));
  EXPECT_FALSE(FileExists(folder / "x\\y\\z"));
  EXPECT_FALSE(CreateSingleDirectory(folder / "x\\y"));
  EXPECT_FALSE(DeletePath(folder / "x\\y\\z"));
  EXPECT_TRUE(RemoveEmptyDirectory(folder / "x\\y\\z"));
}

TEST(WindowsTreeTest, ReadsEntriesWithKindsIdsAndHiddenState) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "tree\\file.txt", "f");
  testing::WriteFile(folder / "tree\\hidden.txt", "h");
  testing::WriteFile(folder / "tree\\sub\\inner.txt", "i");
  ASSERT_TRUE(
      ::SetFileAttributesW(win::Utf16(folder / "tree\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  SetReadOnly(folder / "tree\\file.txt");
  std::unique_ptr<Directory> tree = Directory::Open(folder / "tree");
  ASSERT_NE(tree, nullptr);
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(tree->ReadEntries(entries));
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 5u);  // . .. file.txt hidden.txt sub
  EXPECT_EQ(entries[2].name, "file.txt");
  EXPECT_EQ(entries[2].kind, EntryKind::File);
  EXPECT_FALSE(entries[2].hidden);
  EXPECT_TRUE(entries[3].hidden);
  EXPECT_EQ(entries[4].kind, EntryKind::Directory);
  FileId id;
  ASSERT_TRUE(GetFileId(folder / "tree\\file.txt", id));
  EXPECT_EQ(entries[2].id, id);
  EXPECT_NE(entries[3].id, id);

  std::unique_ptr<Directory> sub = tree->OpenChild("sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->Id(), entries[4].id);
  EXPECT_TRUE(sub->DeleteEntry("inner.txt"));
  sub.reset();
  EXPECT_TRUE(tree->RemoveChild("sub"));
  EXPECT_TRUE(tree->DeleteEntry("file.txt"));  // read-only
  EXPECT_EQ(tree->OpenChild("hidden.txt"), nullptr);
}

TEST(WindowsCopyTest, ReplacesAReadOnlyTargetWholeOrNotAtAll) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "new.exe", "new content");
  testing::WriteFile(folder / "old.exe", "old");
  SetReadOnly(folder / "old.exe");
  EXPECT_TRUE(ForceCopyFile(folder / "new.exe", folder / "old.exe"));
  EXPECT_EQ(testing::ReadFile(folder / "old.exe"), "new content");
  EXPECT_TRUE(ForceCopyFile(folder / "new.exe", folder / "fresh.exe"));
  EXPECT_EQ(testing::ReadFile(folder / "fresh.exe"), "new content");

  // A source that cannot be read, and a target another program holds: the target stays.
  testing::WriteFile(folder / "kept.exe", "kept");
  EXPECT_FALSE(ForceCopyFile(folder / "missing.exe", folder / "kept.exe"));
  {
    win::UniqueHandle held = Hold(folder / "kept.exe", FILE_SHARE_READ);
    EXPECT_FALSE(ForceCopyFile(folder / "new.exe", folder / "kept.exe"));
  }
  EXPECT_EQ(testing::ReadFile(folder / "kept.exe"), "kept");
  EXPECT_FALSE(ForceCopyFile(folder.path(), folder / "dir.exe"));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(FileSystemPath(folder.path()))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"fresh.exe", "kept.exe", "new.exe", "old.exe"}));
}

TEST(WindowsFileSizeTest, SizeOnlyWhenNobodyElseHoldsTheFileAndFreeSpaceOfTheDrive) {
  testing::TempFolder folder;
  testing::RecordingOperator op;
  const std::uint64_t big = (std::uint64_t{5} << 30) + 12345;
  MakeSized(folder / "db.fdb", big);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 20), static_cast<std::int32_t>(big >> 20));
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(big)));
  EXPECT_EQ(GetFileSizeShifted(folder / "missing", 0), -1);
  EXPECT_EQ(GetFileSizeShifted(folder.path(), 0), -1);
  {
    win::UniqueHandle server = Hold(folder / "db.fdb", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(server.ok());
    EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), -1);
  }

  std::uint64_t free_bytes = 0;
  const std::string root = folder.path().substr(0, 3);
  ASSERT_TRUE(TotalFreeBytes(root, free_bytes));
  ULARGE_INTEGER caller, total, total_free;
  ASSERT_TRUE(::GetDiskFreeSpaceExW(win::Utf16(root).c_str(), &caller, &total, &total_free));
  EXPECT_GT(free_bytes, 0u);
  EXPECT_LE(free_bytes, total.QuadPart);
  EXPECT_FALSE(TotalFreeBytes(folder / "no such folder\\", free_bytes));
  // More than the whole drive holds can never be free.
  MakeSized(folder / "huge.fdb", total.QuadPart + (std::uint64_t{1} << 20));
  EXPECT_THROW(CheckFreeSize(op, folder / "huge.fdb", root, 1), Error);
}

TEST(WindowsWriteTest, WholeFilesDurableReplacementAndFlushes) {
  testing::TempFolder folder;
  EXPECT_EQ(WriteWholeFile(folder / "a.dll", Bytes("one"), true), WriteOutcome::Written);
  EXPECT_EQ(WriteWholeFile(folder / "a.dll", Bytes("two"), true), WriteOutcome::Written);
  EXPECT_EQ(testing::ReadFile(folder / "a.dll"), "two");
  SetReadOnly(folder / "a.dll");
  EXPECT_EQ(WriteWholeFile(folder / "a.dll", Bytes("three"), true), WriteOutcome::CannotCreate);
  EXPECT_EQ(WriteWholeFile(folder.path(), Bytes("x"), false), WriteOutcome::CannotCreate);
  EXPECT_EQ(WriteFileIfAbsent(folder / "a.dll", Bytes("four")), WriteOutcome::Exists);
  EXPECT_EQ(WriteFileIfAbsent(folder / "b.dll", Bytes("five")), WriteOutcome::Written);
  EXPECT_EQ(testing::ReadFile(folder / "a.dll"), "two");
  EXPECT_EQ(testing::ReadFile(folder / "b.dll"), "five");

  testing::WriteFile(folder / "journal.txt", "old");
  EXPECT_TRUE(ReplaceFileDurably(folder / "journal.txt", "new journal"));
  EXPECT_EQ(testing::ReadFile(folder / "journal.txt"), "new journal");
  EXPECT_FALSE(testing::Exists(folder / "journal.txt.new"));
  {
    win::UniqueHandle reader = Hold(folder / "journal.txt", 0);
    EXPECT_FALSE(ReplaceFileDurably(folder / "journal.txt", "lost"));
  }
  EXPECT_EQ(testing::ReadFile(folder / "journal.txt"), "new journal");
  EXPECT_FALSE(testing::Exists(folder / "journal.txt.new"));

  // A read-only file is flushed too, and keeps its attribute.
  EXPECT_TRUE(FlushToDisk(folder.path()));
  EXPECT_NE(Attributes(folder / "a.dll") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(FlushToDisk(folder / "missing"));
  EXPECT_TRUE(FlushToDisk(folder / "b.dll"));
}

}  // namespace
}  // namespace updater
