#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "messages/ldm.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

TEST(StartupTest, ChoosesTheLanguageOfTheLocaleAndGivesThePresetProfile) {
  testing::ScopedEnv msg("FIREBIRD_MSG", "/elsewhere");
  testing::ScopedEnv german("LC_ALL", "de_DE.UTF-8");
  testing::RecordingOperator op;
  std::optional<ProjectProfile> profile = StartWithoutWindow(op);
  ASSERT_TRUE(profile.has_value());
  EXPECT_EQ(Sild().ActiveLanguage(), 4);
  EXPECT_STREQ(std::getenv("FIREBIRD_MSG"), " ");
  ProjectProfile preset = PresetProfile();
  EXPECT_EQ(profile->SystemPassword, preset.SystemPassword);
  EXPECT_EQ(profile->ProductDir, preset.ProductDir);
  EXPECT_EQ(profile->ProjectKey, "Dunveld");
  ChangeLanguage(3);
}

}  // namespace
}  // namespace updater
