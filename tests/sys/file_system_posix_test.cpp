#include "sys/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "sys/path_holders.h"
#include "tests/support/holding_child_posix.h"

namespace updater {
namespace {

FileId IdOf(const std::string& path) {
  FileId id;
  EXPECT_TRUE(GetFileId(path, id)) << path;
  return id;
}

TEST(OpenHoldersTest, SeesDescriptorsAndWorkingFoldersOfOtherProcessesOnly) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "tree/deep/file.fdb", "x");
  testing::WriteFile(folder / "free/other", "y");
  std::filesystem::create_directory(folder / "cwd");
  testing::HoldingChild by_fd(testing::Opening(folder / "tree/deep/file.fdb"));
  testing::HoldingChild by_cwd(testing::WorkingIn(folder / "cwd"));
  ASSERT_TRUE(by_fd.started() && by_cwd.started());
  // Our own descriptors do not count.
  int own = ::open((folder / "free/other").c_str(), O_RDONLY);
  ASSERT_GE(own, 0);

  OpenHolders holders = OpenHolders::Snapshot();
  EXPECT_TRUE(holders.Holds(IdOf(folder / "tree/deep/file.fdb")));
  EXPECT_TRUE(holders.Holds(IdOf(folder / "cwd")));
  EXPECT_FALSE(holders.Holds(IdOf(folder / "free/other")));
  EXPECT_TRUE(holders.HoldsAnythingUnder(folder / "tree"));
  EXPECT_TRUE(holders.HoldsAnythingUnder(folder / "tree/deep/"));
  EXPECT_TRUE(holders.HoldsAnythingUnder(folder / "cwd"));
  EXPECT_FALSE(holders.HoldsAnythingUnder(folder / "free"));
  EXPECT_FALSE(holders.HoldsAnythingUnder(folder / "tre")) << "a prefix of a name is no parent";
  ::close(own);
}

// What the preflight names to the user: every other process holding the folder, the root too.
TEST(HoldersUnderTest, NamesOtherProcessesHoldingTheFolderOrAnythingBelow) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "tree/deep/file.fdb", "x");
  testing::WriteFile(folder / "free/other", "y");
  std::filesystem::create_directory(folder / "tre");
  const std::string held = std::filesystem::canonical(folder / "tree/deep/file.fdb");
  testing::HoldingChild child(testing::Opening(held));
  ASSERT_TRUE(child.started());
  int own = ::open((folder / "free/other").c_str(), O_RDONLY);
  ASSERT_GE(own, 0);

  auto names_child = [&](const std::string& under) {
    const std::vector<PathHolder> holders = HoldersUnder(under);
    return std::count_if(holders.begin(), holders.end(), [&](const PathHolder& h) {
      return h.pid == child.pid() && h.program == "sleep" && h.path == held;
    });
  };
  EXPECT_EQ(names_child(folder / "tree"), 1);
  EXPECT_EQ(names_child("/"), 1);
  EXPECT_EQ(names_child(folder / "tre"), 0) << "a prefix of a name is no parent";
  EXPECT_TRUE(HoldersUnder(folder / "free").empty()) << "our own descriptors do not count";
  ::close(own);
}

// The lock test of an update renames the product folder aside and back.
TEST(MovePathTest, AFolderThatAnotherProcessHoldsDoesNotMove) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "DunVeld/DB_Data/DunVeld.fdb", "db");
  std::filesystem::create_directories(folder / "DunVeld/Program");
  {
    testing::HoldingChild fd_holder(testing::Opening(folder / "DunVeld/DB_Data/DunVeld.fdb"));
    ASSERT_TRUE(fd_holder.started());
    EXPECT_FALSE(MovePath(folder / "DunVeld", folder / "DunVeld_"));
    EXPECT_TRUE(testing::Exists(folder / "DunVeld/DB_Data/DunVeld.fdb"));
  }
  {
    testing::HoldingChild cwd_holder(testing::WorkingIn(folder / "DunVeld/Program"));
    ASSERT_TRUE(cwd_holder.started());
    EXPECT_FALSE(MovePath(folder / "DunVeld", folder / "DunVeld_"));
  }
  EXPECT_TRUE(MovePath(folder / "DunVeld", folder / "DunVeld_"));
  EXPECT_TRUE(MovePath(folder / "DunVeld_", folder / "DunVeld"));
  EXPECT_EQ(testing::ReadFile(folder / "DunVeld/DB_Data/DunVeld.fdb"), "db");
}

TEST(MovePathTest, NeverReplacesAnExistingTarget) {
  testing::TempFolder folder;
  std::filesystem::create_directories(folder / "a/x");
  std::filesystem::create_directories(folder / "b");
  testing::WriteFile(folder / "f", "f");
  EXPECT_FALSE(MovePath(folder / "a", folder / "b"));
  EXPECT_FALSE(MovePath(folder / "f", folder / "b"));
  EXPECT_FALSE(MovePath(folder / "missing", folder / "c"));
  EXPECT_TRUE(testing::Exists(folder / "a/x"));
}

TEST(DeletePathTest, FailsWhileAnotherProcessHoldsTheFile) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "held", "x");
  testing::WriteFile(folder / "free", "y");
  std::filesystem::create_directory(folder / "dir");
  {
    testing::HoldingChild child(testing::Opening(folder / "held"));
    ASSERT_TRUE(child.started());
    EXPECT_FALSE(DeletePath(folder / "held"));
    EXPECT_TRUE(DeletePath(folder / "free"));
  }
  EXPECT_TRUE(DeletePath(folder / "held"));
  EXPECT_FALSE(DeletePath(folder / "dir"));
  EXPECT_FALSE(DeletePath(folder / "missing"));
  EXPECT_FALSE(testing::Exists(folder / "held"));
}

TEST(DirectoryTest, ReportsLinksAsLinksAndNeverOpensThemAsFolders) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "outside/secret", "s");
  testing::WriteFile(folder / "tree/.hidden", "h");
  std::filesystem::create_directory(folder / "tree/sub");
  std::filesystem::create_directory_symlink(folder / "outside", folder / "tree/link");
  std::unique_ptr<Directory> dir = Directory::Open(folder / "tree");
  ASSERT_TRUE(dir);
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(dir->ReadEntries(entries));
  auto find = [&entries](const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&name](const DirectoryEntry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
  };
  ASSERT_NE(find("link"), nullptr);
  EXPECT_EQ(find("link")->kind, EntryKind::Link);
  ASSERT_NE(find("sub"), nullptr);
  EXPECT_EQ(find("sub")->kind, EntryKind::Directory);
  EXPECT_EQ(find("sub")->id, IdOf(folder / "tree/sub"));
  ASSERT_NE(find(".hidden"), nullptr);
  EXPECT_TRUE(find(".hidden")->hidden);
  EXPECT_EQ(find(".hidden")->kind, EntryKind::File);
  EXPECT_NE(find("."), nullptr);
  EXPECT_EQ(dir->OpenChild("link"), nullptr);
  EXPECT_NE(dir->OpenChild("sub"), nullptr);
  EXPECT_EQ(Directory::Open(folder / "tree/.hidden"), nullptr);
}

TEST(CreateDirectoriesTest, CreatesEveryMissingParent) {
  testing::TempFolder folder;
  EXPECT_TRUE(CreateDirectories(folder / "a/b c/ä/"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "a/b c/ä"));
  EXPECT_TRUE(CreateDirectories(folder / "a"));
  testing::WriteFile(folder / "file", "x");
  EXPECT_FALSE(CreateDirectories(folder / "file/sub"));
  EXPECT_FALSE(CreateSingleDirectory(folder / "a"));
  EXPECT_FALSE(CreateSingleDirectory(folder / "x/y"));
  EXPECT_TRUE(CreateSingleDirectory(folder / "x"));
}

}  // namespace
}  // namespace updater
