#include "app/password_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/password_file.h"
#include "sys/error.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

constexpr const char* kVariable = "UPDATER_TEST_PASSWORD_SOURCE";

TEST(PasswordFileTest, FirstLineOfAnOwnerOnlyFile) {
  testing::TempFolder dir;
  const std::string file = dir.Write("pw", "s3cret word\r\nsecond line\n");
  ::chmod(file.c_str(), 0600);
  EXPECT_EQ(ReadPasswordFile(file), "s3cret word");
  const std::string bare = dir.Write("bare", "nolinebreak");
  ::chmod(bare.c_str(), 0400);
  EXPECT_EQ(ReadPasswordFile(bare), "nolinebreak");
  const std::string empty = dir.Write("empty", "");
  ::chmod(empty.c_str(), 0600);
  EXPECT_EQ(ReadPasswordFile(empty), "");
}

TEST(PasswordSourceTest, OptionThenFileThenEnvironmentThenPromptThenPreset) {
  testing::TempFolder dir;
  const std::string file = dir.Write("pw", "from-file\n");
  ::chmod(file.c_str(), 0600);
  std::vector<std::string> prompts;
  PasswordPrompt answer = [&prompts](const std::string& prompt) -> std::optional<std::string> {
    prompts.push_back(prompt);
    return std::string("typed");
  };
  PasswordSource source{"ADMN", std::string("given"), file, kVariable};
  testing::ScopedEnv env(kVariable, "from-env");

  EXPECT_EQ(ResolvePassword(source, "preset", answer), "given");
  source.value.reset();
  EXPECT_EQ(ResolvePassword(source, "preset", answer), "from-file");
  source.file.reset();
  EXPECT_EQ(ResolvePassword(source, "preset", answer), "from-env");
  {
    // Set but empty counts as given, like an empty option (Windows keeps no empty variables).
    testing::ScopedEnv empty(kVariable, "");
    if (testing::GetEnv(kVariable)) {
      EXPECT_EQ(ResolvePassword(source, "preset", answer), "");
    }
  }
  testing::ScopedEnv unset(kVariable, nullptr);
  EXPECT_TRUE(prompts.empty());
  EXPECT_EQ(ResolvePassword(source, "preset", answer), "typed");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_NE(prompts[0].find("ADMN"), std::string::npos);
  EXPECT_EQ(ResolvePassword(source, "preset", nullptr), "preset");
}

TEST(PasswordSourceTest, EmptyAnswerOrEndOfInputKeepsThePreset) {
  PasswordSource source{"SYSDBA", {}, {}, ""};
  EXPECT_EQ(ResolvePassword(source, "preset", [](const std::string&) { return std::string(); }),
            "preset");
  EXPECT_EQ(ResolvePassword(source, "preset",
                            [](const std::string&) { return std::optional<std::string>(); }),
            "preset");
}

TEST(PasswordSourceTest, AFileErrorIsNotPaperedOverByLaterSources) {
  testing::TempFolder dir;
  testing::ScopedEnv env(kVariable, "from-env");
  PasswordSource source{"SYSDBA", {}, dir.path() + "/missing", kVariable};
  EXPECT_THROW(ResolvePassword(source, "preset", nullptr), Error);
}

}  // namespace
}  // namespace updater
