#include "fbserver/fb_serv_params.h"

#include <gtest/gtest.h>

#include <string>

#include "fbserver/reg_file.h"
#include "sys/error.h"
#include "tests/fbserver/reg_text.h"

namespace updater {
namespace {

using testing::DefaultInstance;
using testing::kUninstall;
using testing::OwnService;
using testing::UninstallEntry;

// A registry whose product key exists but does not open (access denied on Windows).
class LockedOwnKey final : public Registry {
 public:
  explicit LockedOwnKey(std::unique_ptr<Registry> inner) : inner_(std::move(inner)) {}
  bool KeyExists(const std::string& path) const override {
    if (path == kUninstallKey + std::string(kFirstUninstallName)) ++first_uninstall_tests;
    return inner_->KeyExists(path);
  }
  std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
    if (path == kOwnServiceKey) return nullptr;
    return inner_->OpenKey(path);
  }
  mutable int first_uninstall_tests = 0;

 private:
  std::unique_ptr<Registry> inner_;
};

TEST(DiscoveryLockedKeyTest, UnopenableOwnKeyFallsBackToTheFirstUninstallName) {
  const std::string own = OwnService("/opt/FB/bin/fbsrvdnvl.exe -p 3051");
  const std::string def = DefaultInstance("/srv/FB/bin/fbserver.exe");

  LockedOwnKey with_first(MakeFileRegistry(
      ParseRegFile("REGEDIT4\n" + own + UninstallEntry(kFirstUninstallName) + def, "t.reg")));
  TFBServParams p;
  GetFBServParams(with_first, p);
  EXPECT_EQ(p.ServiceName, "FirebirdGuardianDefaultInstance");
  EXPECT_EQ(p.ServerExeName, "FBSERVER.EXE");
  EXPECT_EQ(with_first.first_uninstall_tests, 0);  // opened without an existence test

  // Only the second name present: the first is still the one opened, and it fails.
  LockedOwnKey with_second(MakeFileRegistry(
      ParseRegFile("REGEDIT4\n" + own + UninstallEntry(kSecondUninstallName) + def, "t.reg")));
  TFBServParams q;
  try {
    GetFBServParams(with_second, q);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), kServiceDamagedText);
  }
}

TEST(ImagePathTest, WindowsFormsOfTheWorkedExamples) {
  EXPECT_EQ(RootDirFromImagePath("C:\\FB2\\bin\\fbsrvdnvl.exe -s -p 3051", '\\'), "C:\\FB2\\");
  EXPECT_EQ(ConnectPrefixFromImagePath("C:\\FB2\\bin\\fbsrvdnvl.exe -s -p 3051"),
            "localhost/3051:");
  EXPECT_EQ(RootDirFromImagePath("C:\\FB2\\bin\\fb_inet_srvdnvl.exe -p   3052 -x", '\\'),
            "C:\\FB2\\");
  EXPECT_EQ(ConnectPrefixFromImagePath("C:\\FB2\\bin\\fb_inet_srvdnvl.exe -p   3052 -x"),
            "localhost/3052:");
  EXPECT_EQ(RootDirFromImagePath("D:\\FB\\bin\\fbserver.exe -s DefaultInstance", '\\'), "D:\\FB\\");
  EXPECT_EQ(ConnectPrefixFromImagePath("D:\\FB\\bin\\fbserver.exe -s DefaultInstance"), "");
  // The first "\bin\" counts; the other separator is not a folder separator.
  EXPECT_EQ(RootDirFromImagePath("C:\\a\\bin\\b\\bin\\x.exe", '\\'), "C:\\a\\");
  EXPECT_EQ(RootDirFromImagePath("/opt/fb/bin/x", '\\'), "");
}

}  // namespace
}  // namespace updater
