#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "messages/system_language.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::RecordingOperator;

// The locale variables for one test, restored afterwards.
class LocaleEnvironment {
 public:
  void Set(const char* lc_all, const char* lc_messages, const char* lang) {
    scopes_.clear();
    const char* values[] = {lc_all, lc_messages, lang};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      scopes_.push_back(std::make_unique<testing::ScopedEnv>(kNames[i], values[i]));
    }
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::unique_ptr<testing::ScopedEnv>> scopes_;
};

class LocaleLdmTest : public ::testing::Test {
 protected:
  void TearDown() override { ChangeLanguage(3); }
};

TEST(SystemLanguageTest, ReadsTheLocaleEnvironmentInOrder) {
  LocaleEnvironment env;
  auto primary = [] { return GetSystemLangID() & 0xFF; };
  env.Set(nullptr, nullptr, "ru_RU.UTF-8");
  EXPECT_EQ(primary(), 25);
  env.Set(nullptr, nullptr, "de_DE@euro");
  EXPECT_EQ(primary(), 7);
  env.Set(nullptr, nullptr, "fr");
  EXPECT_EQ(primary(), 12);
  env.Set(nullptr, nullptr, "en_GB.UTF-8");
  EXPECT_EQ(primary(), 9);
  env.Set(nullptr, nullptr, "es_ES.UTF-8");
  EXPECT_EQ(primary(), 9);
  env.Set(nullptr, nullptr, "C");
  EXPECT_EQ(primary(), 9);
  env.Set(nullptr, nullptr, nullptr);
  EXPECT_EQ(primary(), 9);
  // LC_ALL wins over LC_MESSAGES, which wins over LANG; empty ones are skipped.
  env.Set("de_DE", "fr_FR", "ru_RU");
  EXPECT_EQ(primary(), 7);
  env.Set("", "fr_FR", "ru_RU");
  EXPECT_EQ(primary(), 12);
  env.Set("", "", "ru_RU");
  EXPECT_EQ(primary(), 25);
}

TEST_F(LocaleLdmTest, DataModuleCreateStartsInTheSystemLanguage) {
  LocaleEnvironment env;
  RecordingOperator op;
  env.Set(nullptr, nullptr, "ru_RU.UTF-8");
  DataModuleCreate(op);
  EXPECT_EQ(Sild().ActiveLanguage(), 2);  // Russian, not the programmer column
  env.Set(nullptr, nullptr, "de_AT.UTF-8");
  DataModuleCreate(op);
  EXPECT_EQ(Sild().ActiveLanguage(), 4);
  EXPECT_EQ(GetMessageText(msg::uMain_Finished_4), "Die Aktualisierung wurde abgebrochen!");
  env.Set(nullptr, nullptr, "fr_BE");
  DataModuleCreate(op);
  EXPECT_EQ(Sild().ActiveLanguage(), 5);
  env.Set(nullptr, nullptr, "es_ES");
  DataModuleCreate(op);
  EXPECT_EQ(Sild().ActiveLanguage(), 3);
  EXPECT_EQ(GetMessageText(msg::uMain_Finished_4), "The updating was interrupted!");
}

}  // namespace
}  // namespace updater
