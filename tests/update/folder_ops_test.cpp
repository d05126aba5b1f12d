#include "update/folder_ops.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/path.h"
#include "tests/support/temp_folder.h"
#include "tests/update/folder_ops_fixture.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;

class FolderOpsTest : public testing::FolderOpsFixture {};

TEST_F(FolderOpsTest, CreateDirMakesOneFolder) {
  EXPECT_NO_THROW(MyCreateDir(folder / "New"));
  EXPECT_TRUE(fs::is_directory(folder / "New"));
  EXPECT_EQ(ErrorOf([&] { MyCreateDir(folder / "New"); }),
            GetMessageText(msg::uUpdate_MyCreateDir_1, folder / "New"));
  EXPECT_EQ(ErrorOf([&] { MyCreateDir(folder / "a/b"); }),
            GetMessageText(msg::uUpdate_MyCreateDir_1, folder / "a/b"));
  EXPECT_FALSE(testing::Exists(folder / "a"));
}

TEST_F(FolderOpsTest, CopyDirIntoItsOwnTreeEnds) {
  testing::WriteFile(folder / "DunVeld/Program/x", "x");
  MyCopyDir(SilentProgress(), folder / "DunVeld", folder / "DunVeld/Tmp$5/Old");
  EXPECT_EQ(Listing(folder / "DunVeld/Tmp$5/Old"),
            (std::set<std::string>{"Program/", "Program/x = x", "Tmp$5/"}));
}

// The swap and the recovery ask the same after copying a program folder over the live one.
TEST_F(FolderOpsTest, CheckCopiedOverNamesTheFirstFileTheCopyDidNotReplace) {
  struct Case {
    const char* name;
    const char* source;  // nullptr: absent
    const char* target;
    bool replaced;
  };
  const Case cases[] = {
      {"same bytes", "v2", "v2", true},
      {"not in the copy", nullptr, "v1", true},
      {"older bytes", "v2", "v1", false},
      {"missing from the target", "v2", nullptr, false},
      {"same length, other bytes", "v2", "v3", false},
  };
  for (const Case& c : cases) {
    const std::string from = folder / (std::string(c.name) + "/Wrk");
    const std::string to = folder / (std::string(c.name) + "/Program");
    testing::WriteFile(from + "/Help.chm", "help");
    testing::WriteFile(to + "/Help.chm", "help");
    if (c.source != nullptr) testing::WriteFile(from + "/DunVeld.exe", c.source);
    if (c.target != nullptr) testing::WriteFile(to + "/DunVeld.exe", c.target);
    const std::string error = ErrorOf([&] {
      CheckCopiedOver(from, to, {"Help.chm", "DunVeld.exe"});
    });
    EXPECT_EQ(error, c.replaced
                         ? "<no error>"
                         : GetMessageText(msg::uUpdate_SwapFolders_1, JoinPath(to, "DunVeld.exe")))
        << c.name;
  }
}

TEST_F(FolderOpsTest, CopyDirReportsAMissingSourceOrAnUncreatableTarget) {
  testing::WriteFile(folder / "plain file", "x");
  testing::WriteFile(folder / "src/sub/f", "f");
  EXPECT_EQ(ErrorOf([&] { MyCopyDir(SilentProgress(), folder / "missing", folder / "dst"); }),
            GetMessageText(msg::uUpdate_MyCopyDir_1, folder / "missing/"));
  EXPECT_EQ(ErrorOf([&] { MyCopyDir(SilentProgress(), folder / "plain file", folder / "dst"); }),
            GetMessageText(msg::uUpdate_MyCopyDir_1, folder / "plain file/"));
  EXPECT_FALSE(testing::Exists(folder / "dst"));
  EXPECT_EQ(
      ErrorOf([&] { MyCopyDir(SilentProgress(), folder / "src", folder / "plain file/dst"); }),
      GetMessageText(msg::uUpdate_MyCopyDir_2, folder / "plain file/dst/"));
  // A sub-folder that cannot be made ends the copy with its own name.
  testing::WriteFile(folder / "dst2/sub", "a file where the folder should go");
  EXPECT_EQ(ErrorOf([&] { MyCopyDir(SilentProgress(), folder / "src", folder / "dst2"); }),
            GetMessageText(msg::uUpdate_MyCopyDir_2, folder / "dst2/sub/"));
  EXPECT_EQ(testing::ReadFile(folder / "dst2/sub"), "a file where the folder should go");
}

}  // namespace
}  // namespace updater
