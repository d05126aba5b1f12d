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

std::string ErrorOf(const std::string& path) {
  try {
    ReadPasswordFile(path);
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

TEST(PasswordFileTest, FilesOpenToOthersOrMissingAreRefusedWithoutTheirContent) {
  testing::TempFolder dir;
  const std::string file = dir.Write("pw", "Visible-Secret\n");
  for (mode_t mode : {0644, 0640, 0604, 0620, 0602}) {
    ::chmod(file.c_str(), mode);
    const std::string text = ErrorOf(file);
    EXPECT_NE(text.find(file), std::string::npos) << text;
    EXPECT_NE(text.find("chmod 600"), std::string::npos) << text;
    EXPECT_EQ(text.find("Visible-Secret"), std::string::npos) << text;
  }
  EXPECT_NE(ErrorOf(dir.path() + "/missing").find("cannot be read"), std::string::npos);
  EXPECT_NE(ErrorOf(dir.path()).find("not a plain file"), std::string::npos);
}

}  // namespace
}  // namespace updater
