// Runs against the real Firebird service that scripts/fbserver-fixture sets up.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "fbserver/fb_serv_params.h"
#include "fbserver/fb_service.h"
#include "fbserver/service_manager.h"
#include "seams/project_profile.h"
#include "sys/clock.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace updater {
namespace {

constexpr int kPort = 3051;
constexpr const char* kExe = "fbsrvdnvl.exe";

bool PortOpen() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(kPort);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return open;
}

int ProcessesNamed(const std::string& name) {
  int count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::ifstream comm(entry.path() / "comm");
    std::string line;
    if (std::getline(comm, line) && line == name) ++count;
  }
  return count;
}

std::string RunShell(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    ::pclose(p);
  }
  return out;
}

// Puts the server back however a test ends, so the other suites find it running.
class ServerRestorer {
 public:
  ~ServerRestorer() {
    if (PortOpen()) return;
    const bool systemd = RunShell("cat /proc/1/comm") == "systemd\n";
    std::system(systemd ? "systemctl start KorvaneFireXBirdServer >/dev/null 2>&1"
                        : "/etc/init.d/KorvaneFireXBirdServer start >/dev/null 2>&1");
    for (int i = 0; i < 300 && !PortOpen(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
};

// A stray process with the server's executable name, which the stop must end as well.
class StrayServerProcess {
 public:
  explicit StrayServerProcess(const std::string& folder) {
    const std::string link = folder + "/" + kExe;
    std::filesystem::create_symlink("/bin/sleep", link);
    std::string seconds = "600";
    char* argv[] = {const_cast<char*>(link.c_str()), seconds.data(), nullptr};
    if (::posix_spawn(&pid_, link.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~StrayServerProcess() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  bool Started() const { return pid_ > 0; }
  // The signal that ended it (waits for its end).
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

bool AttachmentWorks(std::string* output) {
  const ProjectProfile profile = PresetProfile();
  const std::string db = profile.ServerPrefix + "/var/tmp/updater-test-db/fbserver_probe_" +
                         std::to_string(::getpid()) + ".fdb";
  *output = RunShell("cd / && printf \"create database '" + db + "' user 'SYSDBA' password '" +
                     profile.SystemPassword +
                     "';\\nselect 'probe' || 'ok' from rdb\\$database;\\ndrop database;\\n\" | "
                     "isql-fb -q 2>&1");
  return output->find("probeok") != std::string::npos;
}

TEST(DiscoveryServerTest, FindsTheFixtureService) {
  TFBServParams params;
  GetFBServParams(params);
  EXPECT_EQ(params.ServiceName, "KorvaneFireXBirdServer");
  EXPECT_EQ(params.ServerType, "SUPER");
  EXPECT_EQ(params.ServerExeName, "FBSRVDNVL.EXE");
  EXPECT_EQ(params.FbRootDir, "/opt/KorvaneFirebird/");
  EXPECT_EQ(params.ConnectPrefix, "localhost/3051:");
  EXPECT_EQ(params.ConnectPrefix, PresetProfile().ServerPrefix);
}

TEST(ServiceServerTest, StopEndsTheServerAndStartBringsItBack) {
  ASSERT_TRUE(PortOpen()) << "the Firebird fixture is not running (scripts/fbserver-fixture start)";
  ServerRestorer restorer;
  TFBServParams params;
  GetFBServParams(params);
  ASSERT_EQ(params.ServiceName, "KorvaneFireXBirdServer");
  EXPECT_TRUE(IsFBServiceRunning(PlatformServiceControl()));

  testing::TempFolder dir;
  StrayServerProcess stray(dir.path());
  ASSERT_TRUE(stray.Started());

  testing::RecordingOperator op;
  // Only the fixed pauses are shortened: a busy server may take the init script's full 15 s
  // grace before it ends, within the real pending limit.
  testing::ScaledClock clock(5, testing::Shortens::PausesOnly);
  const Facilities facilities{clock, SilentProgress(), PlatformServiceControl(),
                              SystemServerProcesses()};

  StopFBService(facilities, op, params, true);
  EXPECT_FALSE(PortOpen());
  EXPECT_EQ(stray.Wait(), SIGKILL);
  EXPECT_EQ(ProcessesNamed(kExe), 0);
  EXPECT_EQ(GetServiceState(PlatformServiceControl(), "", params.ServiceName), kServiceStopped);
  EXPECT_FALSE(IsFBServiceRunning(PlatformServiceControl()));
  // The fixed waits around the polls that follow the stop script.
  ASSERT_GE(clock.Sleeps().size(), 2u);
  EXPECT_EQ(clock.Sleeps().front(), kServiceRequestDelay);
  EXPECT_EQ(clock.Sleeps().back(), kServiceSettleDelay);

  StartFBService(facilities, op, params, true);
  EXPECT_TRUE(PortOpen());
  EXPECT_EQ(GetServiceState(PlatformServiceControl(), "", params.ServiceName), kServiceRunning);
  EXPECT_TRUE(IsFBServiceRunning(PlatformServiceControl()));
  EXPECT_EQ(ProcessesNamed(kExe), 1);
  EXPECT_EQ(clock.Sleeps().back(), kServiceSettleDelay);

  ASSERT_EQ(op.boxes.size(), 2u);
  EXPECT_EQ(op.boxes[0].text, "FireBird Server service is stopped.");
  EXPECT_EQ(op.boxes[1].text, "FireBird server service is running.");

  std::string output;
  EXPECT_TRUE(AttachmentWorks(&output)) << output;
}

}  // namespace
}  // namespace updater
