#include "update/update_context.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/path.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "tests/update/update_init_fixture.h"

namespace updater {
namespace {

using namespace std::chrono_literals;

using testing::December8;
using testing::ScopedTimeZone;

class UpdateInitPosixTest : public testing::UpdateInitFixture {};

TEST_F(UpdateInitPosixTest, AFolderOnARamDiskIsNotLocal) {
  struct statfs shm;
  if (::statfs("/dev/shm", &shm) != 0 || shm.f_type != 0x01021994) {
    GTEST_SKIP() << "no tmpfs at /dev/shm";
  }
  std::string ram = "/dev/shm/updater-ctx-" + std::to_string(::getpid());
  std::filesystem::create_directories(ram);
  std::string text;
  try {
    UpdateInit(clock, op, profile, ram + "/");
  } catch (const Error& e) {
    text = e.what();
  }
  std::filesystem::remove_all(ram);
  EXPECT_EQ(text, GetMessageText(msg::uUpdate_UpdateInit_3, ram + "/"));
}

TEST_F(UpdateInitPosixTest, TheStampIsTheLocalTimeAndSharedWithinASecond) {
  clock.Advance(900ms);
  const std::string first = UpdateInit(clock, op, profile, product).TempDir;
  clock.Set(December8() + 999ms);
  EXPECT_EQ(UpdateInit(clock, op, profile, product).TempDir, first);
  clock.Advance(1s);
  EXPECT_EQ(UpdateInit(clock, op, profile, product).TempDir,
            testing::NativeSeparators(product + "/Tmp$081225140510"));

  ScopedTimeZone east{"XYZ-10"};  // ten hours ahead of UTC: already the next day
  clock.Set(December8());
  EXPECT_EQ(FormatRunStamp(clock.Now()), "091225000509");
}

}  // namespace
}  // namespace updater
