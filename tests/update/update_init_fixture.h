#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "messages/ldm.h"
#include "seams/project_profile.h"
#include "sys/clock.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater::testing {

// The time zone for one scope.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : env_("TZ", zone) {}

 private:
  ScopedEnv env_;
};

// 8 December 2025, 14:05:09 UTC.
inline Clock::TimePoint December8() {
  return Clock::TimePoint{} + std::chrono::seconds(1765202709);
}

// A product folder to start a run in, at a known moment in UTC.
class UpdateInitFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    profile = PresetProfile();
    product = folder / "OVN/DunVeld";
    std::filesystem::create_directories(product);
  }

  TempFolder folder;
  ProjectProfile profile;
  std::string product;
  RecordingOperator op;
  ScopedTimeZone utc{"UTC0"};
  FakeClock clock{December8()};
};

}  // namespace updater::testing
