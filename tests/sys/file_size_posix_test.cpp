#include "sys/file_size.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "sys/error.h"
#include "tests/support/holding_child_posix.h"
#include "tests/support/recording_operator.h"

namespace updater {
namespace {

void MakeSparse(const std::string& path, std::uint64_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

TEST(GetFileSizeShiftedTest, ShiftsTheSize) {
  testing::TempFolder folder;
  MakeSparse(folder / "db.fdb", 1500000);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 20), 1);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), 1500000);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 10), 1500000 >> 10);
  // Beyond 32 bits the size is cut, as the result is a 32-bit integer.
  const std::uint64_t big = (std::uint64_t{5} << 30) + 12345;
  MakeSparse(folder / "big.fdb", big);
  EXPECT_EQ(GetFileSizeShifted(folder / "big.fdb", 0),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(big)));
  EXPECT_EQ(GetFileSizeShifted(folder / "big.fdb", 20), static_cast<std::int32_t>(big >> 20));
}

TEST(GetFileSizeShiftedTest, IsMinusOneWhenTheFileDoesNotOpenExclusively) {
  testing::TempFolder folder;
  MakeSparse(folder / "db.fdb", 4096);
  EXPECT_EQ(GetFileSizeShifted(folder / "missing", 0), -1);
  EXPECT_EQ(GetFileSizeShifted(folder.path(), 0), -1);
  {
    testing::HoldingChild server(testing::Opening(folder / "db.fdb"));
    ASSERT_TRUE(server.started());
    EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), -1);
  }
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), 4096);
  // A lock counts as well, even where the holder's descriptors cannot be seen.
  int fd = ::open((folder / "db.fdb").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), -1);
  ASSERT_EQ(::flock(fd, LOCK_UN), 0);
  struct flock range {};
  range.l_type = F_RDLCK;
  range.l_whence = SEEK_SET;
  range.l_start = 100;
  range.l_len = 10;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &range), 0);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), -1);
  ::close(fd);
  EXPECT_EQ(GetFileSizeShifted(folder / "db.fdb", 0), 4096);
}

TEST(CheckFreeSizeTest, RequiresWholeMegabytesTimesTheFactor) {
  testing::TempFolder folder;
  testing::RecordingOperator op;
  MakeSparse(folder / "db.fdb", 1500000);  // 1 MB rounded down: 3 MB needed
  EXPECT_TRUE(CheckFreeSize(op, folder / "db.fdb", folder.path(), 3));
  EXPECT_EQ(op.pumps, 1);
  MakeSparse(folder / "small.fdb", 1048575);  // under 1 MB: nothing needed
  EXPECT_TRUE(CheckFreeSize(op, folder / "small.fdb", "/no/such/disk/", 255));
}

TEST(CheckFreeSizeTest, RefusesWhenTheDiskHasTooLittleRoom) {
  testing::TempFolder folder;
  testing::RecordingOperator op;
  struct statvfs vfs;
  ASSERT_EQ(::statvfs(folder.path().c_str(), &vfs), 0);
  const std::uint64_t free_bytes = std::uint64_t{vfs.f_bfree} * vfs.f_frsize;
  // A sparse file takes no room, so it can claim more than the whole disk holds (and so
  // more than it will have free, whatever others write or delete meanwhile).
  const std::uint64_t size = free_bytes + std::uint64_t{vfs.f_blocks} * vfs.f_frsize;
  MakeSparse(folder / "db.fdb", size);
  const std::string root = folder.path() + "/";
  try {
    CheckFreeSize(op, folder / "db.fdb", root, 1);
    FAIL() << "passed";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "To write the file to disk \"" + root +
                                         "\" is required at least " + std::to_string(size >> 20) +
                                         " MB of free space!");
  }
  EXPECT_THROW(CheckFreeSize(op, folder / "db.fdb", "/no/such/disk/", 1), Error);
}

TEST(CheckFreeSizeTest, AFileThatDoesNotOpenGivesFalse) {
  testing::TempFolder folder;
  testing::RecordingOperator op;
  MakeSparse(folder / "db.fdb", 1500000);
  testing::HoldingChild server(testing::Opening(folder / "db.fdb"));
  ASSERT_TRUE(server.started());
  for (const std::string& path : {folder / "db.fdb", folder / "missing.fdb"}) {
    EXPECT_FALSE(CheckFreeSize(op, path, folder.path(), 2)) << path;
  }
}

}  // namespace
}  // namespace updater
