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

namespace updater {
namespace {

using namespace std::chrono_literals;

// The time zone for one scope.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : env_("TZ", zone) {}

 private:
  testing::ScopedEnv env_;
};

// 8 December 2025, 14:05:09 UTC.
Clock::TimePoint December8() {
  return Clock::TimePoint{} + std::chrono::seconds(1765202709);
}

class UpdateInitPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    profile = PresetProfile();
    product = folder / "OVN/DunVeld";
    std::filesystem::create_directories(product);
  }

  testing::TempFolder folder;
  ProjectProfile profile;
  std::string product;
  testing::RecordingOperator op;
  ScopedTimeZone utc{"UTC0"};
  testing::FakeClock clock{December8()};
};

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
  EXPECT_EQ(text, GetMessageText("uUpdate_UpdateInit_3", ram + "/"));
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
