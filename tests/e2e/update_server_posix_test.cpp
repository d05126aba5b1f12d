// Whole update runs through the built updater-cli against the fixture server and the demo
// product: files on disk, the database's version and mode, the service, the log, the exit code.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "fbserver/fb_serv_params.h"
#include "fbserver/fb_service.h"
#include "fbserver/service_manager.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/e2e/cli_process.h"
#include "tests/e2e/pty_session.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"

extern char** environ;

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::ShellQuote;

constexpr const char* kWrongAdmnPassword = "Wrong-Admn-5813";
const fs::path kUdfLibrary = "/opt/KorvaneFirebird/udf/Dv_UDF_u8.dll";

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Output of a shell command; the exit status in `status`.
std::string Shell(const std::string& command, int* status = nullptr) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
  if (!pipe) return output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
  const int raw = ::pclose(pipe.release());
  if (status != nullptr) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

// A process that sleeps with `folder` as its working folder and, when given, `file` open on
// its standard input; ended with the object.
class Holder {
 public:
  explicit Holder(const fs::path& folder, const fs::path& file = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (!file.empty()) posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
    const char* argv[] = {"sleep", "300", nullptr};
    if (::posix_spawnp(&pid_, "sleep", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    // The working folder is set once the child has reached exec.
    for (int i = 0; i < 100 && pid_ > 0; ++i) {
      std::error_code ec;
      if (fs::read_symlink("/proc/" + std::to_string(pid_) + "/cwd", ec) == folder) break;
      ::usleep(10000);
    }
  }
  ~Holder() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

class UpdateRunServerTest : public ::testing::Test {
 protected:
  UpdateRunServerTest() {
    ChangeLanguage(3);
    cli_ = testing::CopyOfBuiltCli(bin_.path());
    fs::create_directories(scratch());
    product_ = fs::path(testing::TestDatabaseFolder()) /
               ("update-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::error_code ignored;
    fs::remove_all(product_, ignored);
  }
  ~UpdateRunServerTest() override {
    std::error_code ignored;
    fs::remove_all(product_, ignored);
  }

  fs::path scratch() const { return fs::path(bin_.path()) / "scratch"; }
  fs::path program() const { return product_ / "Program"; }
  std::string database() const { return (product_ / "DB_Data" / "DunVeld.fdb").string(); }
  static fs::path DemoBuild() { return fs::path(UPDATER_BUILD_DIR) / "resources" / "demo"; }

  // DunVeld 1.0 with both parts, its database on the fixture server.
  void MakeDemoProduct() {
    int status = 0;
    const std::string out =
        Shell("bash " + ShellQuote(UPDATER_SOURCE_DIR "/scripts/make-demo-product") + " " +
                  ShellQuote(UPDATER_BUILD_DIR) + " " + ShellQuote(product_.string()),
              &status);
    ASSERT_EQ(status, 0) << out;
  }

  // DunVeld 1.0 without a server part.
  void MakeClientOnlyProduct() {
    fs::create_directories(product_);
    fs::copy(fs::path(UPDATER_SOURCE_DIR) / "resources" / "demo" / "product", product_,
             fs::copy_options::recursive);
    fs::copy_file(DemoBuild() / "v1" / "DunVeld.exe", program() / "DunVeld.exe");
  }

  // Runs `update` on the product with answers from a file (no terminal), LC_ALL=C, English.
  ProcessResult Update(std::vector<std::string> options, bool yes = true,
                       const std::string& env = "") {
    std::vector<std::string> args = {"--language", "3", "--wait-scale", "0.02"};
    if (yes) args.push_back("--yes");
    args.insert(args.end(), {"update", "--product-dir", product_.string()});
    args.insert(args.end(), options.begin(), options.end());
    const auto started = std::chrono::steady_clock::now();
    ProcessResult r = RunProcess(cli_, args, scratch(), "", "LC_ALL=C TZ=UTC0 " + env);
    std::cout << "update took "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - started)
                     .count()
              << " ms\n";
    return r;
  }
  ProcessResult UpdateWithPasswordsFromEnvironment(const std::string& admn) {
    return Update({}, true,
                  "UPDATER_SYSDBA_PASSWORD=" + std::string(testing::kTestSysdbaPassword) +
                      " UPDATER_ADMN_PASSWORD=" + ShellQuote(admn));
  }

  std::string Passwords() const {
    return "UPDATER_SYSDBA_PASSWORD=" + std::string(testing::kTestSysdbaPassword) +
           " UPDATER_ADMN_PASSWORD=" + std::string(testing::kTestAdmnPassword);
  }
  ProcessResult Recover() {
    return RunProcess(
        cli_,
        {"--language", "3", "--wait-scale", "0.02", "recover", "--product-dir", product_.string()},
        scratch(), "", "LC_ALL=C TZ=UTC0 " + Passwords());
  }

  std::string RunLog() const {
    for (const auto& entry : fs::directory_iterator(fs::path(bin_.path()) / "Logs"))
      return ReadFile(entry.path());
    return {};
  }

  // One value of `select ... as X from ...` on the product database as SYSDBA.
  std::string Query(const std::string& select) const {
    const fs::path script = scratch() / "query.sql";
    std::ofstream(script) << "set list on;\n" << select << ";\n";
    // isql-fb takes file names in its locale's code page.
    const std::string out =
        Shell("LC_ALL=C.UTF-8 isql-fb -q -user SYSDBA -password " +
              std::string(testing::kTestSysdbaPassword) + " -i " + ShellQuote(script.string()) +
              " " + ShellQuote(testing::kTestServerPrefix + database()));
    const std::size_t blank = out.find_first_of(" \t");
    if (blank == std::string::npos) return "error: " + out;
    const std::size_t start = out.find_first_not_of(" \t", blank);
    return out.substr(start, out.find_first_of("\r\n", start) - start);
  }
  std::string DatabaseVersion() const {
    return Query("select max(VERSION_NO) as V from DV_VERSION");
  }
  // 0 online; a shutdown mode otherwise.
  std::string ShutdownMode() const {
    return Query("select MON$SHUTDOWN_MODE as M from MON$DATABASE");
  }
  void SetDatabaseVersion(int version) const {
    Query("update DV_VERSION set VERSION_NO = " + std::to_string(version) + "; commit");
  }

  std::string Client() const { return Shell(ShellQuote((program() / "DunVeld.exe").string())); }

  std::vector<fs::path> TempFolders() const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(product_))
      if (entry.path().filename().string().rfind("Tmp$", 0) == 0) found.push_back(entry.path());
    return found;
  }

  void WriteSettings(const std::string& text) const {
    std::ofstream(program() / "DunVeld.ini", std::ios::binary | std::ios::trunc) << text;
  }
  std::string Payload(const std::string& name) const {
    return ReadFile(DemoBuild() / "payload" / name);
  }

  static bool ServiceRunning() {
    return GetServiceState(PlatformServiceControl(), "", kOwnServiceName) == kServiceRunning;
  }

  // Neither password may show anywhere the run writes.
  void ExpectNoPasswordIn(const ProcessResult& r, const std::string& secret) const {
    for (const std::string& text : {r.out, r.err, RunLog()})
      EXPECT_FALSE(Contains(text, secret)) << "password shown in:\n" << text;
  }

  testing::TempFolder bin_;
  fs::path cli_;
  fs::path product_;
};

TEST_F(UpdateRunServerTest, FullUpdateOfBothParts) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  ASSERT_EQ(DatabaseVersion(), "1");
  // The ADMN password from a file only its owner may read.
  const fs::path admn_file = scratch() / "admn.pw";
  std::ofstream(admn_file) << testing::kTestAdmnPassword << "\n";
  fs::permissions(admn_file, fs::perms::owner_read | fs::perms::owner_write);

  ProcessResult r = Update({"--admn-password-file", admn_file.string()}, true,
                           "UPDATER_SYSDBA_PASSWORD=" + std::string(testing::kTestSysdbaPassword));
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;

  EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0")) << Client();
  EXPECT_EQ(ReadFile(program() / "DunVeld.chm"),
            ReadFile(DemoBuild() / "payload" / "EN_DunVeld.chm"));
  EXPECT_FALSE(fs::exists(program() / "storage.ini"));
  EXPECT_FALSE(fs::exists(program() / "Fr.dll"));
  EXPECT_TRUE(fs::exists(product_ / "Resources" / "readme.txt"));
  EXPECT_EQ(DatabaseVersion(), "2");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  EXPECT_EQ(ReadFile(kUdfLibrary), ReadFile(DemoBuild() / "payload" / "Dv_UDF_u8.dll"));

  // The backup of version 1 and the working copy stay; the New folder goes.
  std::vector<fs::path> temp = TempFolders();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_TRUE(Contains(ReadFile(temp[0] / "Old" / "Program" / "DunVeld.exe"), "1.0"));
  EXPECT_TRUE(fs::exists(temp[0] / "Old" / "Program" / "storage.ini"));
  EXPECT_TRUE(fs::exists(temp[0] / "Wrk"));
  EXPECT_FALSE(fs::exists(temp[0] / "New"));

  const std::string log = RunLog();
  for (MessageKey key : {msg::uUpdate_UpdateProgramm_18, msg::uIS_DunVeld_8,
                         msg::uUpdate_UpdateProgramm_48, msg::uUpdate_UpdateProgramm_49})
    EXPECT_TRUE(Contains(log, GetMessageText(key))) << key.name() << "\n" << log;
  EXPECT_TRUE(Contains(
      log, GetMessageText(msg::uUpdate_UpdateProgramm_41, (temp[0] / "New").string() + "/")))
      << log;
  EXPECT_FALSE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_45))) << log;
  ExpectNoPasswordIn(r, testing::kTestSysdbaPassword);
}

// Paths reach the server as UTF-8 and every statement quoted, whatever the locale (C here).
TEST_F(UpdateRunServerTest, FoldersWithCyrillicLettersBlanksAndQuotesAreUpdated) {
  const fs::path base = product_;
  for (const char* name : {"Программы 2 @dv", "O'Brien"}) {
    SCOPED_TRACE(name);
    product_ = base / name / "DunVeld";
    ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
    ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0")) << Client();
    EXPECT_EQ(DatabaseVersion(), "2");
    EXPECT_EQ(ShutdownMode(), "0");
    EXPECT_TRUE(ServiceRunning());
  }
  product_ = base;
}

TEST_F(UpdateRunServerTest, WrongAdmnPasswordRollsBackAndLeavesTheLiveDatabaseOnline) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  const std::string program_before = ReadFile(program() / "DunVeld.exe");

  ProcessResult r = UpdateWithPasswordsFromEnvironment(kWrongAdmnPassword);
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;

  EXPECT_EQ(ReadFile(program() / "DunVeld.exe"), program_before);
  EXPECT_TRUE(fs::exists(program() / "storage.ini"));
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  // The backup stays; the working copy and the New folder go.
  std::vector<fs::path> temp = TempFolders();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_TRUE(fs::exists(temp[0] / "Old" / "DB_Data" / "DunVeld.fdb"));
  EXPECT_FALSE(fs::exists(temp[0] / "Wrk"));
  EXPECT_FALSE(fs::exists(temp[0] / "New"));

  const std::string log = RunLog();
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_44))) << log;
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_45))) << log;
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_49))) << log;
  EXPECT_FALSE(Contains(log, GetMessageText(msg::uIS_DunVeld_8))) << log;
  EXPECT_TRUE(
      Contains(r.err, "Status: " + GetMessageText(msg::uUpdate_UpdateProgramm_43).substr(0, 20)))
      << r.err;
  ExpectNoPasswordIn(r, kWrongAdmnPassword);
  ExpectNoPasswordIn(r, testing::kTestSysdbaPassword);
}

TEST_F(UpdateRunServerTest, FailingStatementInTheScriptRollsBackAndKeepsTheNewLibrary) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  // The script's first statement stops on a database at another version than 1.
  SetDatabaseVersion(3);
  ASSERT_EQ(DatabaseVersion(), "3");
  // The library moves aside (a loaded copy keeps its inode), so the run must install it anew.
  const fs::path aside = kUdfLibrary.string() + ".e2e-aside";
  std::error_code ec;
  fs::rename(kUdfLibrary, aside, ec);

  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  const bool installed = fs::exists(kUdfLibrary);
  if (!installed && !ec) fs::rename(aside, kUdfLibrary);
  if (installed && !ec) fs::remove(aside);

  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
  EXPECT_TRUE(installed);
  EXPECT_EQ(ReadFile(kUdfLibrary), ReadFile(DemoBuild() / "payload" / "Dv_UDF_u8.dll"));
  EXPECT_EQ(DatabaseVersion(), "3");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
  EXPECT_TRUE(Contains(r.out + r.err, "this update needs version 1")) << r.out << r.err;
  EXPECT_TRUE(Contains(RunLog(), GetMessageText(msg::uUpdate_UpdateProgramm_45)));
}

TEST_F(UpdateRunServerTest, DeclinedAtTheConfirmationWithoutATerminalChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  ProcessResult r = Update({}, false);
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "-> No (no terminal")) << r.err;
  // A cancellation is silent: no error box.
  EXPECT_FALSE(Contains(r.err, "[Error]")) << r.err;
  EXPECT_TRUE(TempFolders().empty());
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(fs::exists(program() / "storage.ini"));
  EXPECT_FALSE(Contains(RunLog(), GetMessageText(msg::uUpdate_UpdateProgramm_18)));
}

TEST_F(UpdateRunServerTest, ClientOnlyUpdatesTheProgramWithoutTheServer) {
  ASSERT_NO_FATAL_FAILURE(MakeClientOnlyProduct());
  ProcessResult r = Update({});
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0")) << Client();
  EXPECT_EQ(ReadFile(program() / "DunVeld.chm"),
            ReadFile(DemoBuild() / "payload" / "EN_DunVeld.chm"));

  const std::string log = RunLog();
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_02)) ||
              Contains(r.err, GetMessageText(msg::uUpdate_UpdateProgramm_02)))
      << r.err;
  for (MessageKey key : {msg::uUpdate_UpdateProgramm_18, msg::uUpdate_UpdateProgramm_21,
                         msg::uUpdate_UpdateProgramm_48})
    EXPECT_FALSE(Contains(log, GetMessageText(key))) << key.name() << "\n" << log;
}

// A server installation without the client: the database is updated, no client appears.
TEST_F(UpdateRunServerTest, ServerOnlyUpdatesTheDatabaseAndLeavesNoClient) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  fs::remove_all(program());
  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(DatabaseVersion(), "2");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  EXPECT_EQ(ReadFile(kUdfLibrary), ReadFile(DemoBuild() / "payload" / "Dv_UDF_u8.dll"));
  EXPECT_FALSE(fs::exists(program() / "DunVeld.exe"));
  const std::string log = RunLog();
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_49))) << log;
  ExpectNoPasswordIn(r, testing::kTestSysdbaPassword);
}

// Another process in the product folder, or the Updater started from inside it.
TEST_F(UpdateRunServerTest, AProcessHoldingTheProductFolderStopsTheRunBeforeAnyCopy) {
  for (const bool updater_inside : {false, true}) {
    SCOPED_TRACE(updater_inside ? "the Updater inside" : "another process");
    ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
    std::optional<Holder> holder;
    if (updater_inside) {
      cli_ = testing::CopyOfBuiltCli(product_ / "Updater");
    } else {
      holder.emplace(program());
      ASSERT_TRUE(holder->Started());
    }
    ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_TRUE(Contains(
        r.err, GetMessageText(msg::uUpdate_UpdateProgramm_33, product_.string()).substr(0, 30)))
        << r.err;
    EXPECT_TRUE(TempFolders().empty());
    EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
    EXPECT_EQ(DatabaseVersion(), "1");
    EXPECT_EQ(ShutdownMode(), "0");
    EXPECT_TRUE(ServiceRunning());
  }
}

TEST_F(UpdateRunServerTest, SettingsFileVariantsPickTheHelpFileOrRollBack) {
  const struct {
    const char* settings;
    int exit_code;
    const char* help;  // the help file the client ends with
  } cases[] = {
      {"[Window]\r\nMaximized=1\r\n", 0, "RU_DunVeld.chm"},
      {"[Language]\r\nProgram_Language=0x2\r\n", 0, "EN_DunVeld.chm"},
      {"[Language]\r\nProgram_Language=4\r\n", 0, "FR_DunVeld.chm"},
      {"[Language]\r\nProgram_Language=5\r\n", 3, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    std::error_code ignored;
    fs::remove_all(product_, ignored);
    ASSERT_NO_FATAL_FAILURE(MakeClientOnlyProduct());
    const std::string old_help = ReadFile(program() / "DunVeld.chm");
    WriteSettings(c.settings);
    ProcessResult r = Update({});
    EXPECT_EQ(r.exit_code, c.exit_code) << r.out << r.err;
    if (c.help != nullptr) {
      EXPECT_EQ(ReadFile(program() / "DunVeld.chm"), Payload(c.help));
      EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0"));
    } else {
      EXPECT_EQ(ReadFile(program() / "DunVeld.chm"), old_help);
      EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
      EXPECT_TRUE(Contains(r.err, GetMessageText(msg::uIS_DunVeld_10))) << r.err;
      // Put back from the backup by the rollback.
      EXPECT_TRUE(fs::exists(program() / "storage.ini"));
      EXPECT_TRUE(fs::exists(program() / "Fr.dll"));
    }
  }
}

TEST_F(UpdateRunServerTest, MissingLanguageSectionIsWrittenAsRussian) {
  ASSERT_NO_FATAL_FAILURE(MakeClientOnlyProduct());
  WriteSettings("[Window]\r\nMaximized=1\r\n");
  ProcessResult r = Update({});
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  const std::string settings = ReadFile(program() / "DunVeld.ini");
  EXPECT_TRUE(Contains(settings, "[Language]")) << settings;
  EXPECT_TRUE(Contains(settings, "Program_Language = 1") ||
              Contains(settings, "Program_Language=1"))
      << settings;
  EXPECT_TRUE(Contains(Client(), "Language: 1 (Russian)")) << Client();
}

// An open file would already stop the lock test of the whole folder; an immutable file is
// the stand-in here for a file the deletion cannot remove (read-only on Windows).
TEST_F(UpdateRunServerTest, LiveStorageIniThatCannotBeDeletedRollsBack) {
  ASSERT_NO_FATAL_FAILURE(MakeClientOnlyProduct());
  const fs::path storage = program() / "storage.ini";
  const std::string before = ReadFile(storage);
  int status = 0;
  Shell("chattr +i " + ShellQuote(storage.string()), &status);
  if (status != 0) GTEST_SKIP() << "no immutable files on this file system";
  ProcessResult r = Update({});
  Shell("chattr -i " + ShellQuote(storage.string()));
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, GetMessageText(msg::uIS_DunVeld_11, storage.string()))) << r.err;
  EXPECT_EQ(ReadFile(storage), before);
  EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
  EXPECT_TRUE(Contains(RunLog(), GetMessageText(msg::uUpdate_UpdateProgramm_45)));
}

// The run log with what differs between two runs of the same update blanked: the time
// stamps and the run stamp in the temporary folder's name.
std::string WithoutStamps(const std::string& log) {
  static const std::regex time(R"(\d\d/\d\d/\d\d - \d\d:\d\d:\d\d)");
  static const std::regex temp(R"(Tmp\$[0-9]+)");
  return std::regex_replace(std::regex_replace(log, time, "<time>"), temp, "Tmp$<stamp>");
}

// On a terminal the service stop and start, the copies, the unpacking and the scripts show
// a line rewritten in place; through a pipe nothing of it appears, and the run log is the
// same either way.
TEST_F(UpdateRunServerTest, ProgressShowsOnATerminalOnlyAndLeavesTheRunLogAsItWas) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  const std::vector<std::pair<std::string, std::string>> env = {
      {"LC_ALL", "C"},
      {"TZ", "UTC0"},
      {"UPDATER_SYSDBA_PASSWORD", testing::kTestSysdbaPassword},
      {"UPDATER_ADMN_PASSWORD", testing::kTestAdmnPassword}};
  testing::PtySession session(cli_.string(),
                              {"--yes", "--language", "3", "--wait-scale", "0.02", "update",
                               "--product-dir", product_.string()},
                              env, /*columns=*/250);
  ASSERT_TRUE(session.Started());
  ASSERT_EQ(session.Finish(), 0) << session.output();
  const std::string& screen = session.output();
  for (const std::string& step :
       {GetMessageText(msg::uUpdate_UpdateProgramm_21) + "  ",  // the service stops
        GetMessageText(msg::uUpdate_UpdateProgramm_26) + "  ",  // and starts
        GetMessageText(msg::uProgress_ServiceSettle) + "  ",
        GetMessageText(msg::uProgress_CopyFolder, program().string()) + "  ",
        GetMessageText(msg::uProgress_Unpack),
        GetMessageText(msg::uProgress_RunScript, "script.sql")})
    EXPECT_TRUE(Contains(screen, "\r" + step)) << step << "\n" << screen;
  for (const char* figures : {"/30 s\033[K", "/15 s\033[K", " files  ", " MB"})
    EXPECT_TRUE(Contains(screen, figures)) << figures;
  // Every drawn line is taken away or drawn over before anything else is written, the
  // payload archive's own output included.
  EXPECT_FALSE(std::regex_search(screen, std::regex("\r[^\r\033]+\033\\[K[^\r]")));
  const std::string log_with_progress = RunLog();
  fs::remove_all(fs::path(bin_.path()) / "Logs");

  fs::remove_all(product_);
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  ProcessResult piped = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  ASSERT_EQ(piped.exit_code, 0) << piped.out << piped.err;
  for (const std::string& text : {std::string("\r"), std::string("\033"),
                                  GetMessageText(msg::uProgress_Unpack), std::string("/30 s")}) {
    EXPECT_FALSE(Contains(piped.err, text)) << piped.err;
    EXPECT_FALSE(Contains(piped.out, text)) << piped.out;
  }
  EXPECT_EQ(WithoutStamps(RunLog()), WithoutStamps(log_with_progress));
}

// On a terminal: the SYSDBA password typed at a prompt that does not echo it, Yes to the
// confirmation, No to the warning about the attached user.
TEST_F(UpdateRunServerTest, DeclinedAtTheUsersWarningOnATerminalChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  db::Attachment user = testing::AttachToTestServer(database(), "ADMN", testing::kTestAdmnPassword);
  testing::PtySession session(
      cli_.string(),
      {"--language", "3", "--wait-scale", "0.02", "update", "--product-dir", product_.string()},
      {{"LC_ALL", "C"}, {"TZ", "UTC0"}, {"UPDATER_ADMN_PASSWORD", testing::kTestAdmnPassword}});
  ASSERT_TRUE(session.Started());
  EXPECT_TRUE(session.Answer("Password of SYSDBA", testing::kTestSysdbaPassword))
      << session.output();
  EXPECT_TRUE(session.Answer("Yes/No [No]: ", "y")) << session.output();
  EXPECT_TRUE(session.Answer("Yes/No [No]: ", "n")) << session.output();
  EXPECT_EQ(session.Finish(), 2) << session.output();

  EXPECT_FALSE(Contains(session.output(), testing::kTestSysdbaPassword)) << session.output();
  EXPECT_TRUE(Contains(session.output(), "ADMN")) << session.output();
  const std::string log = RunLog();
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_12))) << log;
  EXPECT_FALSE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_18))) << log;
  EXPECT_TRUE(TempFolders().empty());
  user = db::Attachment();
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
}

// Another program opens the live database file once the run has reached the client step, so
// the swap cannot replace it: reported as a failure, the old database back online.
TEST_F(UpdateRunServerTest, DatabaseFileHeldThroughTheSwapIsReportedAsAFailure) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  testing::PtySession session(cli_.string(),
                              {"--yes", "--language", "3", "--wait-scale", "0.02", "update",
                               "--product-dir", product_.string()},
                              {{"LC_ALL", "C"}, {"TZ", "UTC0"}});
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.WaitFor(GetMessageText(msg::uIS_DunVeld_8))) << session.output();
  Holder holder(product_, database());
  ASSERT_TRUE(holder.Started());
  const int exit_code = session.Finish();
  EXPECT_EQ(exit_code, 1) << session.output();

  const std::string log = RunLog();
  const std::string attempt =
      GetMessageText(msg::uUpdate_CopyFileWithBackUp_5, testing::kTestServerPrefix + database());
  std::size_t attempts = 0;
  for (std::size_t at = log.find(attempt); at != std::string::npos; at = log.find(attempt, at + 1))
    ++attempts;
  EXPECT_EQ(attempts, 11u) << log;
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_CopyFileWithBackUp_3).substr(0, 40)))
      << log;
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_49))) << log;
  // Neither part went live; the updated database waits in the working copy.
  EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  std::vector<fs::path> temp = TempFolders();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_TRUE(fs::exists(temp[0] / "Wrk" / "DB_Data" / "DunVeld.fdb"));

  // The client step had deleted files from the live program folder: the run is left to the
  // recovery, which puts them back.
  EXPECT_FALSE(fs::exists(program() / "storage.ini"));
  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, "ended \"failed\" half-way, at the stage \"database swap begun\""))
      << r.err;
  r = Recover();
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "it is the previous version")) << r.out;
  EXPECT_TRUE(fs::exists(program() / "storage.ini"));
  EXPECT_TRUE(fs::exists(program() / "Fr.dll"));
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
}

// The product's server executable moved aside, so that its service cannot start; put back
// and the fixture server started again when the object ends, whatever the test did.
class ServerImageAside {
 public:
  ServerImageAside() {
    std::error_code ec;
    fs::rename(kServerImage, aside_, ec);
    moved_ = !ec;
  }
  ~ServerImageAside() { Restore(); }
  ServerImageAside(const ServerImageAside&) = delete;
  ServerImageAside& operator=(const ServerImageAside&) = delete;

  bool Moved() const { return moved_; }
  void Restore() {
    if (!moved_) return;
    std::error_code ec;
    fs::rename(aside_, kServerImage, ec);
    moved_ = false;
    Shell("bash " + ShellQuote(UPDATER_SOURCE_DIR "/scripts/fbserver-fixture") + " start");
  }

 private:
  static inline const fs::path kServerImage = "/opt/KorvaneFirebird/bin/fbsrvdnvl.exe";
  fs::path aside_ = kServerImage.string() + ".e2e-aside";
  bool moved_ = false;
};

// The server executable goes away once the run has reached the client step: the swap goes
// through, but the final step cannot start the server, and the run says so.
TEST_F(UpdateRunServerTest, ServerThatCannotStartAtTheEndIsReportedAsAFailure) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  testing::PtySession session(cli_.string(),
                              {"--yes", "--language", "3", "--wait-scale", "0.02", "update",
                               "--product-dir", product_.string()},
                              {{"LC_ALL", "C"}, {"TZ", "UTC0"}});
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.WaitFor(GetMessageText(msg::uIS_DunVeld_8))) << session.output();
  ServerImageAside image;
  ASSERT_TRUE(image.Moved());
  const int exit_code = session.Finish();
  EXPECT_FALSE(ServiceRunning());
  image.Restore();

  // Unfinished: the journal stays open for the recovery.
  EXPECT_EQ(exit_code, 5) << session.output();
  const std::string& said = session.output();
  EXPECT_TRUE(Contains(said, "updater-cli recover")) << said;
  const std::string online_failed = GetMessageText(msg::uUpdate_UpdateProgramm_50);
  EXPECT_TRUE(Contains(said, online_failed.substr(0, 40))) << said;
  EXPECT_TRUE(Contains(said, "Original Message: ")) << said;
  EXPECT_TRUE(Contains(said, kUnableToStartText) || Contains(said, kNotRunningText)) << said;
  EXPECT_TRUE(Contains(said, "[Error]")) << said;

  // The final step began and never reached the database.
  const std::string log = RunLog();
  const std::size_t final_step = log.rfind(GetMessageText(msg::uUpdate_UpdateProgramm_48));
  ASSERT_NE(final_step, std::string::npos) << log;
  EXPECT_EQ(log.find(GetMessageText(msg::uUpdate_UpdateProgramm_49), final_step), std::string::npos)
      << log;
  EXPECT_FALSE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_45))) << log;

  // Both parts were swapped in; the database waits in single-user mode for the operator.
  EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0")) << Client();
  EXPECT_FALSE(fs::exists(program() / "storage.ini"));
  ASSERT_TRUE(ServiceRunning());
  EXPECT_EQ(DatabaseVersion(), "2");
  EXPECT_NE(ShutdownMode(), "0");
  std::vector<fs::path> temp = TempFolders();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_TRUE(Contains(ReadFile(temp[0] / "Old" / "Program" / "DunVeld.exe"), "1.0"));
  EXPECT_TRUE(fs::exists(temp[0] / "Old" / "DB_Data" / "DunVeld.fdb"));

  // The next start refuses; the recovery finishes the job.
  ProcessResult refused = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  EXPECT_EQ(refused.exit_code, 1) << refused.out << refused.err;
  EXPECT_TRUE(Contains(refused.err, "updater-cli recover")) << refused.err;
  ProcessResult recovered = Recover();
  EXPECT_EQ(recovered.exit_code, 0) << recovered.out << recovered.err;
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_EQ(DatabaseVersion(), "2");
  EXPECT_TRUE(ServiceRunning());
}

// A classic server (as its registry entry names it) is not asked for its attached users:
// the operator is warned that stopping it cuts every connection, and No ends the run.
TEST_F(UpdateRunServerTest, DeclinedAtTheServerStopWarningChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  const fs::path registry = scratch() / "classic.reg";
  std::ofstream(registry)
      << "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\KorvaneFireXBirdServer]\n"
         "\"ImagePath\"=\"/opt/KorvaneFirebird/bin/fb_inet_srvdnvl.exe -p 3051\"\n";
  db::Attachment user = testing::AttachToTestServer(database(), "ADMN", testing::kTestAdmnPassword);
  testing::PtySession session(
      cli_.string(),
      {"--language", "3", "--wait-scale", "0.02", "update", "--product-dir", product_.string()},
      {{"LC_ALL", "C"},
       {"TZ", "UTC0"},
       {"UPDATER_REGISTRY", registry.string()},
       {"UPDATER_SYSDBA_PASSWORD", testing::kTestSysdbaPassword},
       {"UPDATER_ADMN_PASSWORD", testing::kTestAdmnPassword}});
  ASSERT_TRUE(session.Started());
  EXPECT_TRUE(session.Answer("Yes/No [No]: ", "y")) << session.output();
  const std::string warning = GetMessageText(msg::uUpdate_UpdateProgramm_15);
  EXPECT_TRUE(session.WaitFor(warning.substr(0, warning.find_first_of("\r\n"))))
      << session.output();
  EXPECT_TRUE(session.Answer("Yes/No [No]: ", "n")) << session.output();
  EXPECT_EQ(session.Finish(), 2) << session.output();

  EXPECT_FALSE(Contains(session.output(), "[Error]")) << session.output();
  const std::string log = RunLog();
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_14))) << log;
  EXPECT_TRUE(Contains(log, GetMessageText(msg::uUpdate_UpdateProgramm_16))) << log;
  for (MessageKey key : {msg::uUpdate_UpdateProgramm_08, msg::uUpdate_UpdateProgramm_10,
                         msg::uUpdate_UpdateProgramm_17, msg::uUpdate_UpdateProgramm_18})
    EXPECT_FALSE(Contains(log, GetMessageText(key))) << key.name() << "\n" << log;
  EXPECT_TRUE(TempFolders().empty());
  EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
  EXPECT_TRUE(fs::exists(program() / "storage.ini"));
  user = db::Attachment();
  EXPECT_EQ(DatabaseVersion(), "1");
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
}

// The product on a small file system of its own (a loop-mounted ext4 image without reserved
// blocks), so that the free space can be set for the run.
class SmallDiskUpdateServerTest : public UpdateRunServerTest {
 protected:
  SmallDiskUpdateServerTest() {
    image_ = fs::path(testing::TestDatabaseFolder()) / ("disk-" + std::to_string(::getpid()));
    mount_ = image_.string() + ".mnt";
    int status = 0;
    const std::string out =
        Shell("truncate -s 24M " + ShellQuote(image_) + " && mkfs.ext4 -q -m 0 " +
                  ShellQuote(image_) + " && mkdir -p " + ShellQuote(mount_) + " && mount -o loop " +
                  ShellQuote(image_) + " " + ShellQuote(mount_),
              &status);
    mounted_ = status == 0;
    if (!mounted_) reason_ = out;
    product_ = mount_ / "DunVeld";
  }
  ~SmallDiskUpdateServerTest() override {
    if (mounted_) Shell("umount " + ShellQuote(mount_) + " || umount -l " + ShellQuote(mount_));
    std::error_code ignored;
    fs::remove(mount_, ignored);
    fs::remove(image_, ignored);
  }

  // Fills the disk until `megabytes` remain free.
  void LeaveFree(std::uint64_t megabytes) {
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(mount_.c_str(), &vfs), 0);
    const std::uint64_t free = static_cast<std::uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    const std::uint64_t keep = megabytes << 20;
    ASSERT_GT(free, keep);
    int status = 0;
    const std::string out = Shell("fallocate -l " + std::to_string(free - keep) + " " +
                                      ShellQuote((mount_ / "filler").string()),
                                  &status);
    ASSERT_EQ(status, 0) << out;
  }

  void ExpectLiveProductUnchanged() const {
    EXPECT_TRUE(Contains(Client(), "DunVeld version 1.0"));
    EXPECT_TRUE(fs::exists(program() / "storage.ini"));
    EXPECT_EQ(DatabaseVersion(), "1");
    EXPECT_EQ(ShutdownMode(), "0");
    EXPECT_TRUE(ServiceRunning());
  }

  fs::path image_;
  fs::path mount_;
  bool mounted_ = false;
  std::string reason_;
};

TEST_F(SmallDiskUpdateServerTest, TooLittleFreeSpaceStopsBeforeAnyCopy) {
  if (!mounted_) GTEST_SKIP() << "no loop-mounted file system here: " << reason_;
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  // The check asks for twice the database's whole megabytes (2), so 4 MB.
  ASSERT_NO_FATAL_FAILURE(LeaveFree(3));
  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "Exception Message: To write the file to disk")) << r.err;
  const std::string log = RunLog();
  for (MessageKey key : {msg::uUpdate_UpdateProgramm_27, msg::uUpdate_UpdateProgramm_29})
    EXPECT_TRUE(Contains(log, GetMessageText(key))) << key.name() << "\n" << log;
  EXPECT_TRUE(TempFolders().empty());
  ExpectLiveProductUnchanged();
}

TEST_F(SmallDiskUpdateServerTest, DiskFillingUpDuringTheCopiesLeavesTheLiveProductAsItWas) {
  if (!mounted_) GTEST_SKIP() << "no loop-mounted file system here: " << reason_;
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  const auto live_size = fs::file_size(database());
  // Room for the check (4 MB) but not for both copies of the database.
  ASSERT_NO_FATAL_FAILURE(LeaveFree(5));
  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(RunLog(), GetMessageText(msg::uUpdate_UpdateProgramm_49)));
  ExpectLiveProductUnchanged();
  EXPECT_EQ(fs::file_size(database()), live_size);
  // What remains: the temporary folder without its New folder.
  std::vector<fs::path> temp = TempFolders();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_FALSE(fs::exists(temp[0] / "New"));
  std::cout << "left under " << temp[0] << ":\n"
            << Shell("cd " + ShellQuote(temp[0].string()) + " && find . | sort") << '\n';
}

// Where the crash tests kill the run: an environment for the preloaded kill switch, and the
// version the product must be at after the recovery.
struct KillPoint {
  const char* name;
  const char* variable;  // of tests/e2e/kill_point_preload.c
  std::string value;     // "{product}" stands for the product folder
  int version;
  const char* recovery_says = "";  // a line of the recovery's that shows what the kill left
};

void PrintTo(const KillPoint& point, std::ostream* os) {
  *os << point.name;
}

// The product's files below `folder` with their contents.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path());
  return files;
}

// Runs that are killed or stopped on the way.
class StoppedRunServerTest : public UpdateRunServerTest {
 protected:
  ~StoppedRunServerTest() override {
    // A run killed with the server stopped, and a recovery that failed, must not leave the
    // shared server down for the tests after this one.
    if (!ServiceRunning())
      Shell("bash " + ShellQuote(UPDATER_SOURCE_DIR "/scripts/fbserver-fixture") + " start");
  }

  // What must survive any kill: the data rows of version 1.
  std::string Rows() const {
    return Query("select count(*) as N from CUSTOMERS") + "/" +
           Query("select count(*) as N from ORDERS") + "/" +
           Query("select sum(AMOUNT) as S from ORDERS");
  }
};

class KillAndRecoverServerTest : public StoppedRunServerTest,
                                 public ::testing::WithParamInterface<KillPoint> {};

TEST_P(KillAndRecoverServerTest, LeavesOneConsistentVersionOnline) {
  const KillPoint& point = GetParam();
  ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  const std::string rows = Rows();
  ASSERT_EQ(rows.find("error"), std::string::npos) << rows;
  const auto program_before = Tree(program());
  const auto resources_before = Tree(product_ / "Resources");

  std::string value = point.value;
  if (const std::size_t at = value.find("{product}"); at != std::string::npos)
    value.replace(at, 9, product_.string());
  ProcessResult r = Update({}, true,
                           Passwords() + " LD_PRELOAD=" + ShellQuote(UPDATER_KILL_POINT_PRELOAD) +
                               " " + point.variable + "=" + ShellQuote(value));
  // The shell reports a killed child as 128 + 9 when it does not exec it.
  ASSERT_TRUE(r.exit_code == -1 || r.exit_code == 137) << r.exit_code << r.out << r.err;
  // Killed in the lock test, the product folder is left at its aside name.
  const bool aside = !fs::exists(product_);
  EXPECT_EQ(aside, std::string(point.name) == "lock_test_aside");
  std::vector<fs::path> temp = aside ? std::vector<fs::path>{} : TempFolders();
  ASSERT_EQ(temp.size(), aside ? 0u : 1u);
  if (std::string(point.name) == "copies") {
    // Killed inside the copies: the backup is whole, the working copy only begun.
    EXPECT_EQ(fs::file_size(temp[0] / "Old" / "DB_Data" / "DunVeld.fdb"),
              fs::file_size(database()));
    EXPECT_EQ(fs::file_size(temp[0] / "Wrk" / "DB_Data" / "DunVeld.fdb"), 0u);
    std::cout << "left under " << temp[0] << " by the kill:\n"
              << Shell("cd " + ShellQuote(temp[0].string()) + " && find . | sort") << '\n';
  }

  ProcessResult recovered = Recover();
  ASSERT_EQ(recovered.exit_code, 0) << recovered.out << recovered.err;
  const std::string expected = std::string(point.name) == "run_ended"
                                   ? "there is nothing to recover"
                                   : "The product is consistent again";
  EXPECT_TRUE(Contains(recovered.out, expected)) << recovered.out;
  EXPECT_TRUE(Contains(recovered.out, point.recovery_says)) << recovered.out;

  const std::string version = std::to_string(point.version);
  EXPECT_EQ(DatabaseVersion(), version);
  EXPECT_TRUE(Contains(Client(), "DunVeld version " + version + ".0")) << Client();
  EXPECT_EQ(ShutdownMode(), "0");
  EXPECT_TRUE(ServiceRunning());
  EXPECT_EQ(Rows(), rows);
  EXPECT_FALSE(fs::exists(database() + "_"));
  if (point.version == 1) {
    EXPECT_EQ(Tree(program()), program_before);
    EXPECT_EQ(Tree(product_ / "Resources"), resources_before);
  } else {
    EXPECT_EQ(ReadFile(program() / "DunVeld.chm"), Payload("EN_DunVeld.chm"));
    EXPECT_FALSE(fs::exists(program() / "storage.ini"));
  }

  // Once recovered, there is nothing left to do, and nothing is touched.
  const auto program_after = Tree(program());
  ProcessResult again = Recover();
  EXPECT_EQ(again.exit_code, 0) << again.out << again.err;
  EXPECT_TRUE(Contains(again.out, "there is nothing to recover")) << again.out;
  EXPECT_EQ(Tree(program()), program_after);
  EXPECT_EQ(DatabaseVersion(), version);
  EXPECT_EQ(ShutdownMode(), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Stages, KillAndRecoverServerTest,
    ::testing::Values(
        KillPoint{"server_preparation", "UPDATER_KILL_AT_STAGE", "server preparation", 1},
        KillPoint{"lock_test_aside", "UPDATER_KILL_AFTER_RENAME", "{product}_", 1,
                  "The product folder was found under its aside name"},
        KillPoint{"staging", "UPDATER_KILL_AT_STAGE", "staging", 1},
        KillPoint{"copies", "UPDATER_KILL_AFTER_CREATE", "/Wrk/DB_Data/", 1},
        KillPoint{"staging_done", "UPDATER_KILL_AT_STAGE", "staging done", 1},
        KillPoint{"database_step_done", "UPDATER_KILL_AT_STAGE", "database step done", 1},
        KillPoint{"client_step_done", "UPDATER_KILL_AT_STAGE", "client step done", 1,
                  "/Program/storage.ini\" was restored from the backup"},
        KillPoint{"database_swap_begun", "UPDATER_KILL_AT_STAGE", "database swap begun", 1},
        KillPoint{"database_moved_aside", "UPDATER_KILL_AFTER_RENAME", "/DB_Data/DunVeld.fdb_", 1,
                  "The previous database was put back from"},
        KillPoint{"database_swapped", "UPDATER_KILL_AT_STAGE", "database swapped", 2,
                  "The Program folder was updated from"},
        KillPoint{"program_copy_begun", "UPDATER_KILL_AT_STAGE", "program copy begun", 2},
        KillPoint{"program_half_copied", "UPDATER_KILL_AFTER_RENAME",
                  "{product}/Program/DunVeld.exe", 2, "The Program folder was updated from"},
        KillPoint{"program_copy_done", "UPDATER_KILL_AT_STAGE", "program copy done", 2},
        KillPoint{"final_step_done", "UPDATER_KILL_AT_STAGE", "final step done", 2},
        KillPoint{"run_ended", "UPDATER_KILL_AT_STAGE", "run ended", 2}),
    [](const ::testing::TestParamInfo<KillPoint>& info) { return std::string(info.param.name); });

// A moment of a run: a while after a line of its log showed.
struct Moment {
  MessageKey after;  // of the log line
  int delay_ms;
};

std::ostream& operator<<(std::ostream& os, const Moment& m) {
  return os << m.after.name() << " + " << m.delay_ms << " ms";
}

class InterruptedRunServerTest : public StoppedRunServerTest {
 protected:
  // Runs `update` on a terminal and sends `signal` at `moment`; the exit code, or -1 when the
  // program was killed. `landed` tells whether the program was still running then.
  int UpdateStoppedAt(const Moment& moment, int signal, bool& landed, std::string& said) {
    testing::PtySession session(cli_.string(),
                                {"--yes", "--language", "3", "--wait-scale", "0.02", "update",
                                 "--product-dir", product_.string()},
                                {{"LC_ALL", "C"},
                                 {"TZ", "UTC0"},
                                 {"UPDATER_SYSDBA_PASSWORD", testing::kTestSysdbaPassword},
                                 {"UPDATER_ADMN_PASSWORD", testing::kTestAdmnPassword}});
    // The line's text up to its first placeholder.
    std::string line = GetMessageText(moment.after);
    line = line.substr(0, line.find('{'));
    // Looked for after the confirmation: the start-up's report of empty texts quotes a line.
    landed = session.Started() && session.WaitFor("-> Yes") && session.WaitFor(line) &&
             (session.Drain(std::chrono::milliseconds(moment.delay_ms)), true) &&
             session.SignalGroup(signal);
    if (landed && signal == SIGINT) {
      // A second Ctrl+C only says that the run is still putting things back.
      session.Drain(std::chrono::milliseconds(100));
      session.SignalGroup(SIGINT);
    }
    const int exit_code = session.Finish();
    said = session.output();
    return exit_code;
  }

  // One version on both sides, the data of version 1 whole, the database online.
  void ExpectConsistentAndOnline(const std::string& rows) {
    const std::string version = DatabaseVersion();
    EXPECT_TRUE(version == "1" || version == "2") << version;
    EXPECT_TRUE(Contains(Client(), "DunVeld version " + version + ".0")) << Client();
    EXPECT_EQ(ShutdownMode(), "0");
    EXPECT_TRUE(ServiceRunning());
    EXPECT_EQ(Rows(), rows);
    EXPECT_FALSE(fs::exists(database() + "_"));
  }
};

// SIGKILL anywhere from the database's shutdown on, as a power cut or `kill -9` would: the
// next start refuses, `recover` brings the product back, and a second one has nothing to do.
// One product serves the moments in turn while it stays at version 1.
TEST_F(InterruptedRunServerTest, KilledAtMomentsSpreadOverAWholeRunIsRecovered) {
  const Moment moments[] = {
      {msg::uUpdate_UpdateProgramm_18, 0},
      {msg::uUpdate_UpdateProgramm_19, 0},
      {msg::uUpdate_UpdateProgramm_21, 300},
      {msg::uUpdate_UpdateProgramm_21, 1500},
      {msg::uUpdate_UpdateProgramm_23, 0},
      {msg::uUpdate_UpdateProgramm_26, 200},
      {msg::uUpdate_UpdateProgramm_26, 1200},
      {msg::uUpdate_UpdateProgramm_32, 0},
      {msg::uUpdate_UpdateProgramm_36, 0},
      {msg::uUpdate_UpdateProgramm_38, 100},
      {msg::uIS_DunVeld_6, 0},
      {msg::uIS_DunVeld_6, 600},
      {msg::uIS_DunVeld_6, 1500},
      {msg::uIS_DunVeld_6, 3000},
      {msg::uIS_DunVeld_6, 4500},
      {msg::uIS_DunVeld_8, 0},
      {msg::uUpdate_UpdateProgramm_41, 0},
      {msg::uUpdate_CopyFileWithBackUp_5, 0},
      {msg::uUpdate_CopyFileWithBackUp_5, 300},
      {msg::uUpdate_UpdateProgramm_48, 0},
      {msg::uUpdate_UpdateProgramm_48, 800},
  };
  bool fresh = true;
  std::string rows;
  for (const Moment& moment : moments) {
    SCOPED_TRACE(::testing::Message() << moment);
    if (fresh) {
      ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
      rows = Rows();
      fresh = false;
    }
    bool landed = false;
    std::string said;
    const int exit_code = UpdateStoppedAt(moment, SIGKILL, landed, said);
    ASSERT_TRUE(landed) << said;
    EXPECT_EQ(exit_code, -1) << said;

    ProcessResult refused = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
    EXPECT_EQ(refused.exit_code, 1) << refused.out << refused.err;
    EXPECT_TRUE(Contains(refused.err, "updater-cli recover")) << refused.err;

    ProcessResult recovered = Recover();
    ASSERT_EQ(recovered.exit_code, 0) << recovered.out << recovered.err;
    EXPECT_TRUE(Contains(recovered.out, "The product is consistent again")) << recovered.out;
    ExpectConsistentAndOnline(rows);
    ProcessResult again = Recover();
    EXPECT_EQ(again.exit_code, 0) << again.out << again.err;
    EXPECT_TRUE(Contains(again.out, "there is nothing to recover")) << again.out;
    if (DatabaseVersion() == "2") fresh = true;
  }
  // And the product is updated as if nothing had happened.
  if (fresh) {
    ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
  }
  ProcessResult r = UpdateWithPasswordsFromEnvironment(testing::kTestAdmnPassword);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(DatabaseVersion(), "2");
  EXPECT_TRUE(Contains(Client(), "DunVeld version 2.0")) << Client();
  EXPECT_EQ(ShutdownMode(), "0");
}

// Ctrl+C, a service manager's SIGTERM and a closed terminal's SIGHUP: the run finishes its
// step, rolls back before the swap and completes after it, always brings the database online,
// and ends by itself: exit code 4 when it stopped early, 0 when it completed.
TEST_F(InterruptedRunServerTest, StopSignalsEndTheRunConsistentAndOnlineWithoutRecovery) {
  struct Point {
    Moment moment;
    int version;  // after the run
  };
  const Point points[] = {
      {{msg::uUpdate_UpdateProgramm_21, 300}, 1},  // before the staging
      {{msg::uUpdate_UpdateProgramm_38, 0}, 1},    // during the copies
      {{msg::uIS_DunVeld_6, 1500}, 1},             // during the script
      {{msg::uUpdate_UpdateProgramm_41, 0}, 2},    // during the swap
      {{msg::uUpdate_UpdateProgramm_48, 0}, 2},    // during the final step
  };
  bool fresh = true;
  std::string rows;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const Point& point : points) {
      SCOPED_TRACE(::testing::Message() << strsignal(signal) << " at " << point.moment);
      if (fresh) {
        ASSERT_NO_FATAL_FAILURE(MakeDemoProduct());
        rows = Rows();
        fresh = false;
      }
      bool landed = false;
      std::string said;
      const int exit_code = UpdateStoppedAt(point.moment, signal, landed, said);
      ASSERT_TRUE(landed) << said;
      EXPECT_EQ(exit_code, point.version == 1 ? 4 : 0) << said;
      const MessageKey key = point.version == 1 ? msg::uUpdate_Stop_4 : msg::uUpdate_Stop_5;
      EXPECT_TRUE(Contains(said, GetMessageText(key))) << said;
      if (signal == SIGINT && point.version == 1) {
        EXPECT_TRUE(Contains(said, GetMessageText(msg::uUpdate_Stop_2))) << said;
      }
      EXPECT_EQ(DatabaseVersion(), std::to_string(point.version));
      ExpectConsistentAndOnline(rows);
      ProcessResult nothing = Recover();
      EXPECT_TRUE(Contains(nothing.out, "there is nothing to recover")) << nothing.out;
      if (point.version == 2) fresh = true;
    }
  }
}

}  // namespace
}  // namespace updater
