#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fbserver/fb_serv_params.h"
#include "fbserver/known_server.h"
#include "fbserver/reg_file.h"
#include "sys/error.h"
#include "tests/fbserver/reg_text.h"
#include "tests/support/temp_folder.h"

// The discovery through the platform registry, which on POSIX is a .reg file.

namespace updater {
namespace {

using testing::DefaultInstance;
using testing::kServicesKey;
using testing::OwnService;
using testing::UninstallEntry;

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() : env_(kRegistryFileEnv, dir.path() + "/registry.reg") {
    root = dir.path() + "/FB2/";
    std::filesystem::create_directories(root + "bin");
  }

  // Writes the registry file and runs the discovery on a fresh record.
  TFBServParams Discover(const std::string& body) {
    dir.Write("registry.reg", "Windows Registry Editor Version 5.00\n\n" + body);
    TFBServParams params;
    GetFBServParams(params);
    return params;
  }

  std::string DiscoveryError(const std::string& body) {
    try {
      Discover(body);
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }

  testing::TempFolder dir;
  std::string root;  // an existing installation folder, with a separator at its end

 private:
  testing::ScopedEnv env_;
};

TEST_F(DiscoveryTest, OwnServiceSuper) {
  const TFBServParams p = Discover(OwnService(root + "bin/fbsrvdnvl.exe -s -p 3051"));
  EXPECT_EQ(p.ServiceName, "KorvaneFireXBirdServer");
  EXPECT_EQ(p.ServerType, "SUPER");
  EXPECT_EQ(p.ServerExeName, "FBSRVDNVL.EXE");
  EXPECT_EQ(p.FbRootDir, root);
  EXPECT_EQ(p.ConnectPrefix, "localhost/3051:");
}

TEST_F(DiscoveryTest, OwnServiceClassicWithBlanksBeforeThePort) {
  const TFBServParams p = Discover(OwnService(root + "bin/fb_inet_srvdnvl.exe -p   3052 -x"));
  EXPECT_EQ(p.ServerType, "CLASSIC");
  EXPECT_EQ(p.ServerExeName, "FB_INET_SRVDNVL.EXE");
  EXPECT_EQ(p.FbRootDir, root);
  EXPECT_EQ(p.ConnectPrefix, "localhost/3052:");
}

TEST_F(DiscoveryTest, DefaultInstanceThroughEitherUninstallName) {
  for (const char* name : {kFirstUninstallName, kSecondUninstallName}) {
    SCOPED_TRACE(name);
    const TFBServParams p = Discover(
        UninstallEntry(name) + DefaultInstance("/srv/FB/bin/fbserver.exe -s DefaultInstance"));
    EXPECT_EQ(p.ServiceName, "FirebirdGuardianDefaultInstance");
    EXPECT_EQ(p.ServerType, "SUPER");
    EXPECT_EQ(p.ServerExeName, "FBSERVER.EXE");
    EXPECT_EQ(p.FbRootDir, "/srv/FB/");  // not checked for existence in this branch
    EXPECT_EQ(p.ConnectPrefix, "localhost/3051:");
  }
}

TEST_F(DiscoveryTest, DefaultInstanceClassicWithItsOwnPort) {
  const TFBServParams p = Discover(UninstallEntry(kSecondUninstallName) +
                                   DefaultInstance("/srv/FB/bin/fb_inet_server.exe -a -p 3060") +
                                   // Not the product's service: the own-service key is absent.
                                   kServicesKey + "KorvaneOther]\n\"ImagePath\"=\"x\"\n");
  EXPECT_EQ(p.ServerType, "CLASSIC");
  EXPECT_EQ(p.ServerExeName, "FB_INET_SERVER.EXE");
  EXPECT_EQ(p.ConnectPrefix, "localhost/3060:");
}

TEST_F(DiscoveryTest, BothExecutableNamesMeanClassic) {
  const TFBServParams own = Discover(
      OwnService(root + "bin/fb_inet_srvdnvl.exe -p 3051 --alt " + root + "bin/fbsrvdnvl.exe"));
  EXPECT_EQ(own.ServerType, "CLASSIC");
  EXPECT_EQ(own.ServerExeName, "FB_INET_SRVDNVL.EXE");

  const TFBServParams def =
      Discover(UninstallEntry(kFirstUninstallName) +
               DefaultInstance("/x/bin/fbserver.exe /x/bin/fb_inet_server.exe"));
  EXPECT_EQ(def.ServerType, "CLASSIC");
  EXPECT_EQ(def.ServerExeName, "FB_INET_SERVER.EXE");
}

TEST_F(DiscoveryTest, ExecutableNamesIgnoreCaseFolderAndPortDoNot) {
  EXPECT_EQ(Discover(OwnService(root + "bin/FbSrvDnVl.ExE -p 3051")).ServerExeName,
            "FBSRVDNVL.EXE");

  // An upper-case BIN folder is not found.
  std::filesystem::create_directories(dir.path() + "/FB3/BIN");
  EXPECT_EQ(DiscoveryError(OwnService(dir.path() + "/FB3/BIN/fbsrvdnvl.exe -p 3051")),
            kServiceDamagedText);
  const TFBServParams def = Discover(UninstallEntry(kFirstUninstallName) +
                                     DefaultInstance("/x/BIN/fbserver.exe -P 3052"));
  EXPECT_EQ(def.ServerType, "SUPER");
  EXPECT_EQ(def.FbRootDir, "");
  EXPECT_EQ(def.ConnectPrefix, "localhost/3051:");  // -P is not the port option
}

TEST_F(DiscoveryTest, OwnServiceFailures) {
  EXPECT_EQ(DiscoveryError(OwnService(root + "bin/fbserver.exe -p 3051")), kServerTypeUnknownText);
  EXPECT_EQ(DiscoveryError(OwnService("")), kServerTypeUnknownText);
  EXPECT_EQ(DiscoveryError(kServicesKey + "KorvaneFireXBirdServer]\n\"Start\"=dword:2\n"),
            kServerTypeUnknownText);
  // Quotation marks stay at the front of the folder, which then does not exist.
  EXPECT_EQ(DiscoveryError(OwnService("\"" + root + "bin/fbsrvdnvl.exe\" -p 3051")),
            kServiceDamagedText);
  EXPECT_EQ(DiscoveryError(OwnService("fbsrvdnvl.exe -p 3051")), kServiceDamagedText);
  EXPECT_EQ(DiscoveryError(OwnService(dir.path() + "/gone/bin/fbsrvdnvl.exe -p 3051")),
            kServiceDamagedText);
}

TEST_F(DiscoveryTest, DefaultInstanceFailureAndQuietEnds) {
  EXPECT_EQ(DiscoveryError(UninstallEntry(kFirstUninstallName) +
                           DefaultInstance("/x/bin/firebird -p 3050")),
            kServerTypeUnknownText);

  // No own service and no uninstall entry: nothing found, no error, other fields untouched.
  dir.Write("registry.reg", "REGEDIT4\n\n" + DefaultInstance("/x/bin/fbserver.exe"));
  TFBServParams kept;
  kept.ServerType = "SUPER";
  kept.ServiceName = "Earlier";
  GetFBServParams(kept);
  EXPECT_EQ(kept.ServerType, "");
  EXPECT_EQ(kept.ServiceName, "Earlier");

  // An uninstall entry without the default instance's key.
  EXPECT_EQ(Discover(UninstallEntry(kSecondUninstallName)), TFBServParams{});
  // An uninstall entry of another product counts for nothing.
  EXPECT_EQ(Discover(UninstallEntry("Firebird 2.0") + DefaultInstance("/x/bin/fbserver.exe")),
            TFBServParams{});
}

TEST_F(DiscoveryTest, PortOptionEdges) {
  // Without "-p " the own service gets the product's usual port.
  EXPECT_EQ(Discover(OwnService(root + "bin/fbsrvdnvl.exe -s")).ConnectPrefix, "localhost/3051:");
  EXPECT_EQ(Discover(OwnService(root + "bin/fbsrvdnvl.exe -p")).ConnectPrefix, "localhost/3051:");
  // "-p " with nothing after it gives an empty port, as the option is read.
  EXPECT_EQ(Discover(OwnService(root + "bin/fbsrvdnvl.exe -p   ")).ConnectPrefix, "localhost/:");
}

TEST_F(DiscoveryTest, KeysMatchWithoutRegardToCaseAndExpandableTextIsTakenAsStored) {
  const std::string image = root + "bin/fbsrvdnvl.exe -p 3051 $HOME";
  std::string hex;
  for (char c : image) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x,00,", static_cast<unsigned char>(c));
    hex += buf;
  }
  hex += "00,00";
  const TFBServParams p = Discover(
      "[hkey_local_machine\\system\\currentcontrolset\\services\\KORVANEFIREXBIRDSERVER]\n"
      "\"imagepath\"=hex(2):" +
      hex + "\n");
  EXPECT_EQ(p.ServerType, "SUPER");
  EXPECT_EQ(p.FbRootDir, root);
}

TEST_F(DiscoveryTest, RegistryFileProblems) {
  // A missing file is an empty registry.
  std::filesystem::remove(dir.path() + "/registry.reg");
  TFBServParams p;
  GetFBServParams(p);
  EXPECT_EQ(p, TFBServParams{});

  const std::string error = DiscoveryError(OwnService(root + "bin/fbsrvdnvl.exe") + "garbage\n");
  EXPECT_NE(error.find(dir.path() + "/registry.reg"), std::string::npos) << error;
  EXPECT_NE(error.find("line 5"), std::string::npos) << error;
}

// What a caller found is used as it is; nothing, or a failed discovery's empty record, is
// discovered again, once.
TEST_F(DiscoveryTest, KnownServerDiscoversOnlyWhatTheCallerDidNotFind) {
  Discover(OwnService(root + "bin/fbsrvdnvl.exe -s -p 3051"));
  const TFBServParams given{"/given/", "CLASSIC", "localhost/3052:", "FB_INET_SERVER.EXE", "Given"};
  EXPECT_EQ(KnownServer(given).Get(), given);
  for (const std::optional<TFBServParams>& found :
       {std::optional<TFBServParams>(), std::optional<TFBServParams>(TFBServParams{})}) {
    KnownServer server(found);
    EXPECT_EQ(server.Get().ServiceName, "KorvaneFireXBirdServer");
    dir.Write("registry.reg", "not a registry");
    EXPECT_EQ(server.Get().ConnectPrefix, "localhost/3051:");
    EXPECT_THROW(KnownServer(found).Get(), Error);
    dir.Write("registry.reg", "Windows Registry Editor Version 5.00\n\n" +
                                  OwnService(root + "bin/fbsrvdnvl.exe -s -p 3051"));
  }
}

}  // namespace
}  // namespace updater
