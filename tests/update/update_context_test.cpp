#include "update/update_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

using ::testing::StrEq;
using ::testing::ThrowsMessage;

class UpdateInitTest : public testing::UpdateInitFixture {};

TEST_F(UpdateInitTest, DerivesEveryFolderFromTheProductFolder) {
  const UpdateContext c = UpdateInit(clock, op, profile, product);
  const std::string temp = testing::NativeSeparators(product + "/Tmp$081225140509");
  EXPECT_EQ(c.ProductDir, product);
  EXPECT_EQ(c.ProgramDir, testing::NativeSeparators(product + "/Program"));
  EXPECT_EQ(c.ResourcesDir, testing::NativeSeparators(product + "/Resources"));
  EXPECT_EQ(c.DbDataDir, testing::NativeSeparators(product + "/DB_Data"));
  EXPECT_EQ(c.TempDir, temp);
  EXPECT_EQ(c.NewDir, testing::NativeSeparators(temp + "/New"));
  EXPECT_EQ(c.OldDir, testing::NativeSeparators(temp + "/Old"));
  EXPECT_EQ(c.OldProgramDir, testing::NativeSeparators(temp + "/Old/Program"));
  EXPECT_EQ(c.OldResourcesDir, testing::NativeSeparators(temp + "/Old/Resources"));
  EXPECT_EQ(c.OldDbDataDir, testing::NativeSeparators(temp + "/Old/DB_Data"));
  EXPECT_EQ(c.OldOtherDir, testing::NativeSeparators(temp + "/Old/Other"));
  EXPECT_EQ(c.WorkDir, testing::NativeSeparators(temp + "/Wrk"));
  EXPECT_EQ(c.WorkProgramDir, testing::NativeSeparators(temp + "/Wrk/Program"));
  EXPECT_EQ(c.WorkResourcesDir, testing::NativeSeparators(temp + "/Wrk/Resources"));
  EXPECT_EQ(c.WorkDbDataDir, testing::NativeSeparators(temp + "/Wrk/DB_Data"));
  EXPECT_EQ(c.DbPath,
            "localhost/3051:" + testing::NativeSeparators(product + "/DB_Data/DunVeld.fdb"));
  EXPECT_EQ(c.WorkDbPath,
            "localhost/3051:" + testing::NativeSeparators(temp + "/Wrk/DB_Data/DunVeld.fdb"));
  EXPECT_FALSE(c.HasClientPart);
  EXPECT_FALSE(c.HasServerPart);
  EXPECT_EQ(op.log, (std::vector<std::string>{GetMessageText(msg::uUpdate_UpdateInit_1),
                                              GetMessageText(msg::uUpdate_UpdateInit_4)}));
  EXPECT_EQ(op.pumps, 2);
  EXPECT_TRUE(std::filesystem::is_empty(product)) << "nothing is created";
}

TEST_F(UpdateInitTest, ATrailingSeparatorStaysOnlyOnTheProductFolder) {
  const UpdateContext without = UpdateInit(clock, op, profile, product);
  const UpdateContext with =
      UpdateInit(clock, op, profile, testing::NativeSeparators(product + "/"));
  EXPECT_EQ(with.ProductDir, testing::NativeSeparators(product + "/"));
  EXPECT_EQ(with.ProgramDir, without.ProgramDir);
  EXPECT_EQ(with.TempDir, without.TempDir);
  EXPECT_EQ(with.WorkDbDataDir, without.WorkDbDataDir);
  EXPECT_EQ(with.DbPath, without.DbPath);
}

TEST_F(UpdateInitTest, RelativeFoldersAreResolvedAgainstTheCurrentDirectory) {
  std::string missing_text;
  UpdateContext c;
  {
    testing::ScopedCurrentDirectory cwd(folder / "OVN");
    c = UpdateInit(clock, op, profile, "./x/../DunVeld");
    try {
      UpdateInit(clock, op, profile, "Elsewhere");
    } catch (const Error& e) {
      missing_text = e.what();
    }
  }
  EXPECT_EQ(c.ProgramDir, testing::NativeSeparators(product + "/Program"));
  EXPECT_EQ(missing_text, GetMessageText(msg::uUpdate_UpdateInit_2, folder / "OVN/Elsewhere"));
}

TEST_F(UpdateInitTest, TheFlagsTellWhichPartsArePresent) {
  testing::WriteFile(testing::NativeSeparators(product + "/Program/DunVeld.exe"), "exe");
  testing::WriteFile(testing::NativeSeparators(product + "/DB_Data/Other.fdb"),
                     "db under another name");
  UpdateContext c = UpdateInit(clock, op, profile, product);
  EXPECT_TRUE(c.HasClientPart);
  EXPECT_FALSE(c.HasServerPart);

  testing::WriteFile(testing::NativeSeparators(product + "/DB_Data/DunVeld.fdb"), "db");
  std::filesystem::remove(testing::NativeSeparators(product + "/Program/DunVeld.exe"));
  std::filesystem::create_directory(
      testing::NativeSeparators(product + "/Program/DunVeld.exe"));  // a folder is no file
  c = UpdateInit(clock, op, profile, product);
  EXPECT_FALSE(c.HasClientPart);
  EXPECT_TRUE(c.HasServerPart);
}

TEST_F(UpdateInitTest, AnEmptyServerPrefixGivesPlainFilePaths) {
  profile.ServerPrefix = "";
  profile.DbFileName = "other name.fdb";
  const UpdateContext c = UpdateInit(clock, op, profile, product);
  EXPECT_EQ(c.DbPath, testing::NativeSeparators(product + "/DB_Data/other name.fdb"));
  EXPECT_EQ(c.WorkDbPath,
            testing::NativeSeparators(product + "/Tmp$081225140509/Wrk/DB_Data/other name.fdb"));
}

TEST_F(UpdateInitTest, AMissingFolderFailsWithItsName) {
  const std::string missing = folder / "OVN/Missing";
  try {
    UpdateInit(clock, op, profile, missing);
    FAIL() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), GetMessageText(msg::uUpdate_UpdateInit_2, missing));
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
  // Neither is an empty text (it must not mean the current folder), nor a file.
  EXPECT_THAT([&] { UpdateInit(clock, op, profile, ""); },
              ThrowsMessage<Error>(StrEq(GetMessageText(msg::uUpdate_UpdateInit_2, ""))));
  testing::WriteFile(folder / "OVN/file", "x");
  EXPECT_THROW(UpdateInit(clock, op, profile, folder / "OVN/file"), Error);
}

TEST_F(UpdateInitTest, APathLongerThanThePlatformTakesIsRefusedWhole) {
  std::string deep = product;
  while (deep.size() <= MaxPathLength()) deep += "/" + std::string(200, 'd');
  try {
    UpdateInit(clock, op, profile, deep);
    FAIL() << "accepted";
  } catch (const Error& e) {
    std::string text = e.what();
    EXPECT_NE(text.find(testing::NativeSeparators(deep)), std::string::npos)
        << "the whole path is named";
    EXPECT_NE(text.find("too long"), std::string::npos);
  }
}

}  // namespace
}  // namespace updater
