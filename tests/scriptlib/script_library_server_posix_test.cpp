// The built library against the fixture's server, in what only POSIX systems offer: the
// kernel's memory figures, named pipes, and a host started through the shell.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sys/executable_folder.h"
#include "tests/scriptlib/script_library_fixture.h"

namespace updater {
namespace {

// One suite, one fixture class: the shared one is another type in each file.
class ScriptLibraryPosixServerTest : public ScriptLibraryServerTest {};

long PeakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

TEST_F(ScriptLibraryPosixServerTest, LargeScriptFileRunsInFlatMemory) {
  ConnectOk();
  const auto file = std::filesystem::path(db_.path()).parent_path() /
                    ("large_" + std::to_string(getpid()) + ".sql");
  {
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF"
           "create table t (id integer);\r\n";
    const std::string filler = "-- " + std::string(1000, 'x') + " ; 'not a string\r\n";
    for (int i = 0; i < 64 * 1024; ++i) {  // about 64 MB
      out << filler;
      if (i % 4096 == 0) out << "insert into t values (" << i << ");\r\n";
    }
  }
  const long before = PeakResidentKilobytes();
  file_(file.string().c_str(), RecordError, RecordStatement, RecordDone);
  const long growth = PeakResidentKilobytes() - before;
  std::filesystem::remove(file);
  EXPECT_TRUE(g_recorded.errors.empty()) << g_recorded.errors[0].second;
  EXPECT_EQ(Column("select count(*) from t"), (std::vector<std::string>{"16"}));
  EXPECT_LT(growth, 16 * 1024) << "peak memory grew by " << growth << " kB";
}

TEST_F(ScriptLibraryPosixServerTest, OnlyRegularFilesAreRunAsScripts) {
  ConnectOk();
  const auto fifo = std::filesystem::path(db_.path()).parent_path() /
                    ("fifo_" + std::to_string(getpid()) + ".sql");
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto folder = fifo.parent_path();
  for (const auto& path : {fifo, folder}) {
    g_recorded = {};
    file_(path.string().c_str(), RecordError, RecordStatement, RecordDone);
    ASSERT_EQ(g_recorded.errors.size(), 1u) << path;
    EXPECT_EQ(g_recorded.errors[0].second,
              "The script \"" + path.string() + "\" is not a regular file");
  }
  std::filesystem::remove(fifo);
}

TEST(ScriptLibraryHostServerTest, AHostMayExitWithTheLibraryLoadedAndConnected) {
  ScratchDatabase db("host_exit");
  const std::string command =
      "'" + ExecutableFolder() + "/scriptlib_exit_host' '" + Params(db.connection()) + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace updater
