#pragma once

// The update run with fake services, a fake clock and a recording operator, over real files.
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "fbserver/fb_service.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "seams/project_profile.h"
#include "sys/error.h"
#include "sys/path.h"
#include "tests/fbserver/fake_service_control.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/recording_progress.h"
#include "tests/support/temp_folder.h"
#include "update/run_journal.h"
#include "update/run_recovery.h"
#include "update/run_state.h"

namespace updater::update_run_testing {

using namespace std::chrono_literals;
using testing::Exists;
using testing::NativeSeparators;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

inline std::string T(MessageKey key, const std::string& p0 = kNull) {
  return GetMessageText(key, p0);
}

// Writes "#kill" into the run log at every server stop (each stop ends the server's processes),
// so the log shows where the run stopped the server.
class MarkingProcesses final : public ServerProcesses {
 public:
  explicit MarkingProcesses(testing::RecordingOperator& op) : op_(op) {}
  bool SetDebugPrivilege(bool) override { return true; }
  std::int32_t KillProcessByName(const std::string&) override {
    op_.log.push_back("#kill");
    return -1;
  }

 private:
  testing::RecordingOperator& op_;
};

// Stands in for the database server and the script library: writes each call into the run
// log, plays the database update on the working copy's file, and fails where told.
class FakeRunServices final : public RunServices {
 public:
  FakeRunServices(testing::RecordingOperator& op, std::string prefix)
      : op_(op), prefix_(std::move(prefix)) {}

  std::vector<std::string> users;
  std::map<std::string, std::string> fail;              // call marker -> error text
  std::map<std::string, std::function<void()>> before;  // call marker -> action
  std::vector<std::string> payload = {"DunVeld.exe",    "RU_DunVeld.chm", "EN_DunVeld.chm",
                                      "DE_DunVeld.chm", "FR_DunVeld.chm", "Sys_Roles.sql",
                                      "script.sql",     "DV_UDF_u8.dll"};

  std::vector<std::string> AttachedUsers(const db::ConnectionParams& db) override {
    Call("#users " + Which(db));
    return users;
  }
  void Shutdown(const db::ConnectionParams& db, const std::string&) override {
    Call("#shutdown " + Which(db));
  }
  void OnLine(const db::ConnectionParams& db, const std::string&) override {
    Call("#online " + Which(db));
  }
  void RunScriptText(Operator&, const db::ConnectionParams& db, const std::string&) override {
    Call("#text " + db.user + " " + Which(db));
  }
  void RunScriptFile(Operator&, const db::ConnectionParams& db, const std::string& file) override {
    const std::string name = FileNamePart(file);
    Call("#file " + db.user + " " + name);
    if (name == "Sys_Roles.sql") {
      first_roles_line = ReadFile(file).substr(0, ReadFile(file).find("\r\n"));
      WriteFile(JoinPath(FolderPart(file), "Roles.sql"), "grant;");
    }
    if (name == "script.sql") WriteFile(db.database.substr(prefix_.size()), "updated database");
  }
  void CleanUpPrivileges(Operator&, const db::ConnectionParams& db) override {
    Call("#cleanup " + db.user + " " + Which(db));
  }
  void UnpackPayload(Operator&, const std::string& new_dir, const ProjectProfile&) override {
    Call("#unpack");
    for (const std::string& name : payload) WriteFile(JoinPath(new_dir, name), "new " + name);
  }
  // Read without a log line: the run's order stays as the tests above list it.
  std::optional<DatabaseStamp> DatabaseStampOf(const db::ConnectionParams& db) override {
    if (Which(db) != "live") return std::nullopt;
    return stamp;
  }
  std::optional<DatabaseStamp> stamp = DatabaseStamp{.created = 1, .next_transaction = 1};

  std::string first_roles_line;
  std::string client_library;
  std::string sysdba_password = "masterkey";
  std::string admn_password = "7";

 private:
  // Also checks that the run hands over the connection it means: the profile's client
  // library and the password that belongs to the user.
  std::string Which(const db::ConnectionParams& db) const {
    if (db.client_library != client_library ||
        db.password != (db.user == "ADMN" ? admn_password : sysdba_password))
      return "wrong connection " + db.client_library + " " + db.user + " " + db.password;
    return db.database.find(NativeSeparators("/Wrk/")) != std::string::npos ? "work" : "live";
  }
  void Call(const std::string& marker) {
    op_.log.push_back(marker);
    if (auto action = before.find(marker); action != before.end()) action->second();
    if (auto error = fail.find(marker); error != fail.end()) throw Error(error->second);
  }

  testing::RecordingOperator& op_;
  std::string prefix_;
};

class UpdateRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    settings.profile = PresetProfile();
    settings.profile.ProductDir = product;
    fake.client_library = settings.profile.ClientLibName;
    settings.serverParams = TFBServParams{disk / "fb/", "SUPER",
                                          "localhost/3051:", "NO-SUCH-SERVER.EXE", kOwnServiceName};
    std::filesystem::create_directories(disk / "fb/udf");
    service_control.services[kOwnServiceName].status = {kServiceRunning, 0, 0};
  }

  void MakeProduct(bool client, bool server) {
    std::filesystem::create_directories(product);
    if (client) {
      WriteFile(product + "/Program/DunVeld.exe", "old exe");
      WriteFile(product + "/Program/DunVeld.ini", "[Language]\nProgram_Language=0x2\n");
      WriteFile(product + "/Program/storage.ini", "storage");
      WriteFile(product + "/Program/Fr.dll", "fr");
      WriteFile(product + "/Resources/pictures.dat", "pictures");
    }
    if (server) WriteFile(LiveDb(), "old database");
  }

  void Run(const std::string& admn_password = "7") {
    fake.client_library = settings.profile.ClientLibName;
    fake.admn_password = admn_password;
    rolled_back = false;
    try {
      UpdateProgrammWith(fake, facilities, product, "masterkey", admn_password, op, "Dunveld",
                         settings);
    } catch (const RolledBack&) {
      rolled_back = true;
      throw;
    } catch (const UnfinishedAfterRollback&) {
      rolled_back = true;
      throw;
    }
  }
  // The error text the run ends with; "<none>" when it returned, "" when it rolled back all.
  std::string RunError(const std::string& admn_password = "7") {
    try {
      Run(admn_password);
    } catch (const RolledBack& e) {
      return e.complete() ? "" : e.what();
    } catch (const Error& e) {
      return e.what();
    }
    return "<none>";
  }

  std::string LiveDb() const { return NativeSeparators(product + "/DB_Data/DunVeld.fdb"); }
  std::string TempDir() const {
    for (const auto& entry : std::filesystem::directory_iterator(product)) {
      if (entry.path().filename().string().rfind("Tmp$", 0) == 0) return entry.path().string();
    }
    return "";
  }
  // The log without the two lines of the context's initialisation.
  std::vector<std::string> RunLog() const {
    return std::vector<std::string>(op.log.begin() + 2, op.log.end());
  }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(op.log.begin(), op.log.end(), line));
  }
  // Waits of 30 s go before each service request; a stop makes one, a start two.
  static testing::RecordingProgress Unwatched() {
    testing::RecordingProgress unwatched;
    unwatched.watching = false;
    return unwatched;
  }
  int ServiceRequests() const {
    return static_cast<int>(std::count(clock.Sleeps().begin(), clock.Sleeps().end(), 30000ms));
  }

  TempFolder disk;
  std::string product = disk / "DunVeld";
  testing::FakeClock clock;
  testing::RecordingOperator op;
  testing::FakeServiceControl service_control{clock};
  MarkingProcesses processes{op};
  // Records the steps; unwatched unless a test watches, so the waits stay whole.
  testing::RecordingProgress progress = Unwatched();
  Facilities facilities{clock, progress, service_control, processes};
  FakeRunServices fake{op, "localhost/3051:"};
  bool rolled_back = true;  // set by each run
  UpdateRunSettings settings;
};

class UpdateRunJournalTest : public UpdateRunTest {
 protected:
  JournalStage StageNow() const { return ReadJournal(TempDir() + "/run.journal").stage; }
  RunJournal Final() const { return ReadJournal(TempDir() + "/run.journal"); }
};

}  // namespace updater::update_run_testing
