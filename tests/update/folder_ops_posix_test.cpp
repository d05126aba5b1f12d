#include "update/folder_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "tests/support/holding_child_posix.h"
#include "tests/update/folder_ops_fixture.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;

class FolderOpsPosixTest : public testing::FolderOpsFixture {};

TEST_F(FolderOpsPosixTest, RemoveDirDeletesReadOnlyFilesAndNestedFolders) {
  const std::string dir = folder / "Tmp$1";
  testing::WriteFile(dir + "/a.txt", "a");
  testing::WriteFile(dir + "/.hidden", "h");
  testing::WriteFile(dir + "/Old/Program/DunVeld.exe", "exe");
  testing::WriteFile(dir + "/Old/DB_Data/-x 'q' ä.fdb", "db");
  fs::create_directories(dir + "/Wrk/empty");
  ASSERT_EQ(::chmod((dir + "/a.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((dir + "/Old/Program/DunVeld.exe").c_str(), 0400), 0);
  MyRemoveDir(dir);
  EXPECT_FALSE(testing::Exists(dir));
  MyRemoveDir(dir);  // gone already: no error
  MyRemoveDir(dir + "/");
}

TEST_F(FolderOpsPosixTest, RemoveDirOpensUpReadOnlyFoldersOfAnOrdinaryUser) {
  // Rights bite only on an ordinary user: build and remove the tree as one.
  int code = testing::RunAsNobody([this] {
    const std::string dir = folder / "tree";
    testing::WriteFile(dir + "/locked/inner/file", "x");
    testing::WriteFile(dir + "/locked/file", "y");
    if (::chmod((dir + "/locked/inner/file").c_str(), 0444) != 0) return 2;
    if (::chmod((dir + "/locked/inner").c_str(), 0555) != 0) return 3;
    if (::chmod((dir + "/locked").c_str(), 0555) != 0) return 4;
    try {
      MyRemoveDir(dir);
    } catch (const Error&) {
      return 5;
    }
    return testing::Exists(dir) ? 6 : 0;
  });
  EXPECT_EQ(code, 0);
}

TEST_F(FolderOpsPosixTest, RemoveDirStopsAtAFileThatAnotherProcessHolds) {
  const std::string dir = folder / "Tmp$2";
  for (int i = 0; i < 10; ++i) testing::WriteFile(dir + "/file" + std::to_string(i), "x");
  // The removal visits the entries in the order the folder lists them.
  std::vector<std::string> order;
  for (const auto& entry : fs::directory_iterator(dir)) order.push_back(entry.path().string());
  ASSERT_EQ(order.size(), 10u);
  const std::string held = order[4];
  testing::HoldingChild child(testing::Opening(held));
  ASSERT_TRUE(child.started());

  EXPECT_EQ(ErrorOf([&] { MyRemoveDir(dir); }), GetMessageText(msg::uUpdate_MyRemoveDir_1, held));
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(testing::Exists(order[i]), i >= 4) << order[i];
  }
}

TEST_F(FolderOpsPosixTest, RemoveDirKeepsAFolderThatAnotherProcessWorksIn) {
  const std::string dir = folder / "Tmp$3";
  testing::WriteFile(dir + "/busy/file", "x");
  testing::WriteFile(dir + "/idle/file", "y");
  testing::HoldingChild child(testing::WorkingIn(dir + "/busy"));
  ASSERT_TRUE(child.started());
  EXPECT_NO_THROW(MyRemoveDir(dir));
  EXPECT_EQ(Listing(dir), (std::set<std::string>{"busy/"}));
}

TEST_F(FolderOpsPosixTest, CopyDirCopiesATreeIntoMissingParents) {
  const std::string source = folder / "Program";
  testing::WriteFile(source + "/DunVeld.exe", "exe");
  testing::WriteFile(source + "/.settings", "hidden");
  testing::WriteFile(source + "/Help/-dash \"quoted\" ü.chm", "help");
  fs::create_directories(source + "/Empty");
  ASSERT_EQ(::chmod((source + "/DunVeld.exe").c_str(), 0555), 0);

  MyCopyDir(SilentProgress(), source, folder / "Tmp$4/Old/Program");
  EXPECT_EQ(Listing(folder / "Tmp$4/Old/Program"), Listing(source));
  struct stat st;
  ASSERT_EQ(::stat((folder / "Tmp$4/Old/Program/DunVeld.exe").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0555u);

  fs::create_directories(folder / "empty source");
  MyCopyDir(SilentProgress(), folder / "empty source/", folder / "empty copy/");
  EXPECT_TRUE(fs::is_directory(folder / "empty copy"));
  EXPECT_TRUE(fs::is_empty(folder / "empty copy"));
}

TEST_F(FolderOpsPosixTest, CopyDirOverwritesAndAddsButNeverDeletes) {
  // As an ordinary user, for whom a read-only target is really read-only.
  int code = testing::RunAsNobody([this] {
    testing::WriteFile(folder / "src/same.txt", "new");
    testing::WriteFile(folder / "src/sub/added.txt", "added");
    testing::WriteFile(folder / "dst/same.txt", "old and longer");
    testing::WriteFile(folder / "dst/only in dest.txt", "stays");
    testing::WriteFile(folder / "dst/sub/stays too", "x");
    if (::chmod((folder / "dst/same.txt").c_str(), 0444) != 0) return 2;
    try {
      MyCopyDir(SilentProgress(), folder / "src", folder / "dst");
    } catch (const Error&) {
      return 3;
    }
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Listing(folder / "dst"),
            (std::set<std::string>{"same.txt = new", "only in dest.txt = stays", "sub/",
                                   "sub/added.txt = added", "sub/stays too = x"}));
}

TEST_F(FolderOpsPosixTest, CopyDirPassesOverFilesThatCannotBeCopied) {
  int code = testing::RunAsNobody([this] {
    testing::WriteFile(folder / "mine/a", "a");
    testing::WriteFile(folder / "mine/secret", "s");
    testing::WriteFile(folder / "mine/z", "z");
    if (::chmod((folder / "mine/secret").c_str(), 0) != 0) return 2;
    try {
      MyCopyDir(SilentProgress(), folder / "mine", folder / "copy");
    } catch (const Error&) {
      return 3;
    }
    return testing::Exists(folder / "copy/secret") ? 4 : 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Listing(folder / "copy"), (std::set<std::string>{"a = a", "z = z"}));
}

TEST_F(FolderOpsPosixTest, CopyDirOfAnUnreadableFolderCopiesNothingAndLeavesItAsItWas) {
  int code = testing::RunAsNobody([this] {
    testing::WriteFile(folder / "closed/inner/file", "f");
    testing::WriteFile(folder / "open/file", "g");
    if (::chmod((folder / "closed").c_str(), 0) != 0) return 3;
    try {
      MyCopyDir(SilentProgress(), folder / "closed", folder / "copy");
      MyCopyDir(SilentProgress(), folder / "open", folder / "copy2");
    } catch (const Error&) {
      return 4;
    }
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(fs::is_directory(folder / "copy"));
  EXPECT_TRUE(fs::is_empty(folder / "copy"));
  EXPECT_EQ(Listing(folder / "copy2"), (std::set<std::string>{"file = g"}));
  ASSERT_EQ(::chmod((folder / "closed").c_str(), 0755), 0);
  EXPECT_EQ(Listing(folder / "closed"), (std::set<std::string>{"inner/", "inner/file = f"}));
}

TEST_F(FolderOpsPosixTest, RemoveDirDeletesLinksWithoutFollowingThem) {
  testing::WriteFile(folder / "outside/keep.txt", "keep");
  testing::WriteFile(folder / "tree/file", "x");
  fs::create_directory_symlink(folder / "outside", folder / "tree/dir link");
  fs::create_symlink(folder / "outside/keep.txt", folder / "tree/file link");
  MyRemoveDir(folder / "tree");
  EXPECT_FALSE(testing::Exists(folder / "tree"));
  EXPECT_EQ(testing::ReadFile(folder / "outside/keep.txt"), "keep");
}

TEST_F(FolderOpsPosixTest, CopyDirCopiesLinksAsLinks) {
  testing::WriteFile(folder / "outside/secret", "s");
  testing::WriteFile(folder / "src/file", "f");
  fs::create_directory_symlink(folder / "outside", folder / "src/out");
  fs::create_symlink("file", folder / "src/relative");
  testing::WriteFile(folder / "dst/relative", "a file the link replaces");
  MyCopyDir(SilentProgress(), folder / "src", folder / "dst");
  EXPECT_TRUE(fs::is_symlink(folder / "dst/out"));
  EXPECT_EQ(fs::read_symlink(folder / "dst/out"), folder / "outside");
  EXPECT_TRUE(fs::is_symlink(folder / "dst/relative"));
  EXPECT_EQ(fs::read_symlink(folder / "dst/relative"), "file");
  EXPECT_EQ(Listing(folder / "outside"), (std::set<std::string>{"secret = s"}));
}

}  // namespace
}  // namespace updater
