#include "sys/file_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/holding_child_posix.h"

namespace updater {
namespace {

std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return data;
}

std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(folder);
       it != std::filesystem::directory_iterator(); ++it) {
    ++n;
  }
  return n;
}

TEST(ForceCopyFileTest, CopiesContentModeAndTimes) {
  testing::TempFolder folder;
  const std::string source = folder / "sub/ä file 'q' -x.bin";
  testing::WriteFile(source, Pattern(3 * 1024 * 1024 + 17));
  ASSERT_EQ(::chmod(source.c_str(), 0750), 0);
  struct timespec times[2] = {{1000000000, 0}, {1200000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);

  ASSERT_TRUE(ForceCopyFile(source, folder / "copy.bin"));
  EXPECT_EQ(testing::ReadFile(folder / "copy.bin"), testing::ReadFile(source));
  struct stat st;
  ASSERT_EQ(::stat((folder / "copy.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
}

// A target that already holds the bytes keeps its file and takes the source's mode and
// times; one byte apart at the end of a large file is a new copy.
TEST(ForceCopyFileTest, ATargetWithTheSameBytesIsNotRewrittenButTakesTheMetadata) {
  testing::TempFolder folder;
  const std::string data = Pattern(200 * 1024 + 5);
  struct Case {
    const char* name;
    std::string target;
    bool same_file;
  };
  const Case cases[] = {{"same.bin", data, true},
                        {"last byte.bin", data.substr(0, data.size() - 1) + "\x7f", false},
                        {"shorter.bin", data.substr(1), false}};
  testing::WriteFile(folder / "source.bin", data);
  ASSERT_EQ(::chmod((folder / "source.bin").c_str(), 0640), 0);
  struct timespec times[2] = {{1000000000, 0}, {1300000000, 5}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "source.bin").c_str(), times, 0), 0);
  for (const Case& c : cases) {
    const std::string target = folder / c.name;
    testing::WriteFile(target, c.target);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    struct stat before;
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    ASSERT_TRUE(ForceCopyFile(folder / "source.bin", target)) << c.name;
    struct stat after;
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(testing::ReadFile(target), data) << c.name;
    EXPECT_EQ(after.st_ino == before.st_ino, c.same_file) << c.name;
    EXPECT_EQ(after.st_mode & 07777, 0640u) << c.name;
    EXPECT_EQ(after.st_mtim.tv_sec, 1300000000) << c.name;
    EXPECT_EQ(after.st_mtim.tv_nsec, 5) << c.name;
  }
}

TEST(ForceCopyFileTest, KeepsOwnerAndGroupWhenRunAsRoot) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give files away";
  testing::TempFolder folder;
  testing::WriteFile(folder / "db.fdb", "database");
  ASSERT_EQ(::chown((folder / "db.fdb").c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod((folder / "db.fdb").c_str(), 06660), 0);
  ASSERT_TRUE(ForceCopyFile(folder / "db.fdb", folder / "copy.fdb"));
  struct stat st;
  ASSERT_EQ(::stat((folder / "copy.fdb").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 06660u);
}

TEST(ForceCopyFileTest, OverwritesAReadOnlyTarget) {
  testing::TempFolder folder;
  // As an ordinary user, for whom a read-only file is really read-only.
  int code = testing::RunAsNobody([&folder] {
    testing::WriteFile(folder / "new.exe", "new version");
    testing::WriteFile(folder / "DunVeld.exe", "old version, longer than the new");
    if (::chmod((folder / "DunVeld.exe").c_str(), 0444) != 0) return 2;
    if (!ForceCopyFile(folder / "new.exe", folder / "DunVeld.exe")) return 3;
    return testing::ReadFile(folder / "DunVeld.exe") == "new version" ? 0 : 4;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(EntriesIn(folder.path()), 2u) << "no staging file left";
}

TEST(ForceCopyFileTest, FailsWithoutTouchingTheTarget) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "target", "kept");
  testing::WriteFile(folder / "source", "data");
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
  std::filesystem::create_directory(folder / "dir");

  EXPECT_FALSE(ForceCopyFile(folder / "missing", folder / "target"));
  EXPECT_FALSE(ForceCopyFile(folder / "dir", folder / "target"));
  EXPECT_FALSE(ForceCopyFile(folder / "pipe", folder / "target")) << "must not wait for a writer";
  EXPECT_FALSE(ForceCopyFile(folder / "source", folder / "no/such/folder/target"));
  EXPECT_FALSE(ForceCopyFile(folder / "source", folder / "dir"));
  EXPECT_EQ(testing::ReadFile(folder / "target"), "kept");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
  EXPECT_EQ(EntriesIn(folder.path()), 4u);
}

// A write that fails half-way (a full disk, here a file size limit) leaves the old target
// whole and no partial file behind.
TEST(ForceCopyFileTest, AFailedWriteKeepsTheOldTarget) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "big", Pattern(4 * 1024 * 1024));
  testing::WriteFile(folder / "target", "old content");
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {1024 * 1024, 1024 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    bool replaced = ForceCopyFile(folder / "big", folder / "target");
    bool created = ForceCopyFile(folder / "big", folder / "fresh");
    ::_exit(replaced || created ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a copy reported success";
  EXPECT_EQ(testing::ReadFile(folder / "target"), "old content");
  EXPECT_FALSE(testing::Exists(folder / "fresh"));
  EXPECT_EQ(EntriesIn(folder.path()), 2u);
}

TEST(ForceMoveFileTest, MovesButNeverReplaces) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "a", "A");
  testing::WriteFile(folder / "b", "B");
  ASSERT_EQ(::chmod((folder / "b").c_str(), 0444), 0);
  EXPECT_FALSE(ForceMoveFile(folder / "a", folder / "b"));
  EXPECT_EQ(testing::ReadFile(folder / "b"), "B");
  EXPECT_TRUE(testing::Exists(folder / "a"));
  struct stat st;
  ASSERT_EQ(::stat((folder / "b").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u) << "the target's read-only state is cleared";

  EXPECT_TRUE(ForceMoveFile(folder / "a", folder / "c d"));
  EXPECT_FALSE(testing::Exists(folder / "a"));
  EXPECT_EQ(testing::ReadFile(folder / "c d"), "A");
  EXPECT_FALSE(ForceMoveFile(folder / "a", folder / "e"));
}

TEST(ForceMoveFileTest, MovesAFileToAnotherDrive) {
  struct stat shm, disk;
  testing::TempFolder folder;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(folder.path().c_str(), &disk) != 0 ||
      shm.st_dev == disk.st_dev) {
    GTEST_SKIP() << "no second file system at hand";
  }
  testing::WriteFile(folder / "file", Pattern(100000));
  ASSERT_EQ(::chmod((folder / "file").c_str(), 0640), 0);
  std::string target = "/dev/shm/updater-move-" + std::to_string(::getpid());
  EXPECT_TRUE(ForceMoveFile(folder / "file", target));
  EXPECT_FALSE(testing::Exists(folder / "file"));
  EXPECT_EQ(testing::ReadFile(target), Pattern(100000));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ::unlink(target.c_str());
}

TEST(ForceMoveFileTest, FailsWhileAnotherProcessHoldsTheFile) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "held", "x");
  {
    testing::HoldingChild child(testing::Opening(folder / "held"));
    ASSERT_TRUE(child.started());
    EXPECT_FALSE(ForceMoveFile(folder / "held", folder / "moved"));
    EXPECT_TRUE(testing::Exists(folder / "held"));
  }
  EXPECT_TRUE(ForceMoveFile(folder / "held", folder / "moved"));
}

}  // namespace
}  // namespace updater
