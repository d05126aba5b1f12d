#include "sys/mount_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include "sys/drive_type.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

const char* const kSample =
    "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "30 26 0:27 / /dev/shm rw,relatime shared:5 - tmpfs tmpfs rw,size=64k\n"
    "41 26 0:44 / /mnt/office\\040share rw,relatime shared:7 master:1 - cifs "
    "//srv/office\\040share rw\n"
    "42 26 8:17 / /media/usb\\134stick rw - vfat /dev/sdb1 rw\n"
    "43 26 11:0 / /media/cd rw - iso9660 /dev/sr0 ro\n"
    "44 26 0:50 / /mnt/data rw - fuse.sshfs user@host:/data rw\n"
    "45 26 8:32 / /mnt/database rw - ext4 /dev/sdc rw\n"
    "46 26 0:51 / /srv/nfs rw - nfs4 host:/export rw\n"
    "this line is not mountinfo\n"
    "47 26 0:52 / /srv/ram rw - ramfs none rw\n"
    "48 26 0:53 / /srv/dvd rw - udf /dev/sr1 ro\n"
    "49 26 0:54 / /srv/host rw - 9p hostshare rw\n"
    "50 26 254:0 /srv/nfs/inner /srv/nfs/inner rw - ext4 /dev/vda rw";

TEST(MountInfoTest, ParsesFieldsAndDecodesEscapes) {
  std::vector<MountEntry> mounts = ParseMountInfo(kSample);
  ASSERT_EQ(mounts.size(), 12u);
  EXPECT_EQ(mounts[0].mount_point, "/");
  EXPECT_EQ(mounts[0].major, 254u);
  EXPECT_EQ(mounts[0].minor, 0u);
  EXPECT_EQ(mounts[1].fs_type, "tmpfs");
  EXPECT_EQ(mounts[2].mount_point, "/mnt/office share");
  EXPECT_EQ(mounts[2].fs_type, "cifs");
  EXPECT_EQ(mounts[2].source, "//srv/office share");
  EXPECT_EQ(mounts[3].mount_point, "/media/usb\\stick");
  EXPECT_EQ(mounts[3].major, 8u);
  EXPECT_EQ(mounts[3].minor, 17u);
  EXPECT_EQ(mounts[5].fs_type, "fuse.sshfs");
}

TEST(MountInfoTest, UnescapesOnlyWholeOctalEscapes) {
  EXPECT_EQ(UnescapeMountField("a\\040b\\011c\\012d"), "a b\tc\nd");
  EXPECT_EQ(UnescapeMountField("trail\\04"), "trail\\04");
  EXPECT_EQ(UnescapeMountField("\\x41\\9"), "\\x41\\9");
}

TEST(MountInfoTest, FindsTheInnermostMountByWholeComponents) {
  std::vector<MountEntry> mounts = ParseMountInfo(kSample);
  auto point = [&](const std::string& path) {
    const MountEntry* m = FindMountFor(mounts, path);
    return m == nullptr ? std::string("<none>") : m->mount_point;
  };
  EXPECT_EQ(point("/mnt/database/DunVeld"), "/mnt/database");
  EXPECT_EQ(point("/mnt/data/DunVeld"), "/mnt/data");
  EXPECT_EQ(point("/mnt/datafile"), "/");
  EXPECT_EQ(point("/mnt/office share/DunVeld"), "/mnt/office share");
  EXPECT_EQ(point("/srv/nfs"), "/srv/nfs");
  EXPECT_EQ(point("/srv/nfs/inner/x"), "/srv/nfs/inner");
  EXPECT_EQ(point("relative"), "<none>");
  EXPECT_EQ(FindMountFor({}, "/x"), nullptr);
}

TEST(MountInfoTest, ClassifiesMounts) {
  std::vector<MountEntry> mounts = ParseMountInfo(kSample);
  std::vector<std::pair<unsigned, unsigned>> asked;
  auto removable = [&asked](unsigned major, unsigned minor) {
    asked.emplace_back(major, minor);
    return major == 8 && minor == 17;
  };
  auto kind = [&](const std::string& path) {
    return ClassifyMount(*FindMountFor(mounts, path), removable);
  };
  EXPECT_EQ(kind("/home"), DriveType::Fixed);
  EXPECT_EQ(kind("/dev/shm/x"), DriveType::RamDisk);
  EXPECT_EQ(kind("/srv/ram"), DriveType::RamDisk);
  EXPECT_EQ(kind("/mnt/office share/x"), DriveType::Remote);
  EXPECT_EQ(kind("/mnt/data"), DriveType::Remote);
  EXPECT_EQ(kind("/srv/nfs/x"), DriveType::Remote);
  EXPECT_EQ(kind("/srv/host"), DriveType::Remote);
  EXPECT_EQ(kind("/media/usb\\stick/x"), DriveType::Removable);
  EXPECT_EQ(kind("/mnt/database"), DriveType::Fixed);
  EXPECT_EQ(kind("/media/cd"), DriveType::CdRom);
  EXPECT_EQ(kind("/srv/dvd"), DriveType::CdRom);
  // Anonymous devices (major 0) have no removable flag to read.
  for (const auto& [major, minor] : asked) EXPECT_NE(major, 0u) << minor;
}

TEST(DriveTypeTest, DrivePartIsTheMountPointHoldingThePath) {
  testing::TempFolder folder;
  std::string root = DrivePart(folder.path());
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.back(), '/');
  struct stat inside, at_root, above;
  ASSERT_EQ(::stat(folder.path().c_str(), &inside), 0);
  ASSERT_EQ(::stat(root.c_str(), &at_root), 0);
  EXPECT_EQ(inside.st_dev, at_root.st_dev);
  // Above the mount point lies another file system, unless it is "/" itself.
  if (root != "/") {
    ASSERT_EQ(::stat((root + "..").c_str(), &above), 0);
    EXPECT_TRUE(above.st_dev != at_root.st_dev || above.st_ino == at_root.st_ino);
  }
  EXPECT_EQ(DrivePart(folder / "missing"), "");
}

TEST(DriveTypeTest, ClassifiesRealMounts) {
  testing::TempFolder folder;
  DriveType disk = DriveTypeOfRoot(DrivePart(folder.path()));
  EXPECT_TRUE(disk == DriveType::Fixed || disk == DriveType::Removable);
  EXPECT_EQ(DriveTypeOfRoot(folder / "missing/"), DriveType::NoRootDir);
  // A tmpfs, when the machine has one there, is a RAM disk.
  struct statfs shm;
  if (::statfs("/dev/shm", &shm) == 0 && shm.f_type == 0x01021994) {
    EXPECT_EQ(DriveTypeOfRoot(DrivePart("/dev/shm")), DriveType::RamDisk);
  }
}

}  // namespace
}  // namespace updater
