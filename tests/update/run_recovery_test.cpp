#include "update/run_recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/firebird_error.h"
#include "fbserver/fb_service.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/error.h"
#include "tests/fbserver/fake_service_control.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "update/db_modes.h"
#include "update/run_journal.h"
#include "update/run_state.h"

namespace updater {
namespace {

using testing::Exists;
using testing::NativeSeparators;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Records the one service the recovery asks for; nothing else may be called.
class OnlineOnly final : public RunServices {
 public:
  std::vector<std::string> calls;
  bool online_already = false;
  std::vector<std::string> AttachedUsers(const db::ConnectionParams&) override {
    return Unexpected<std::vector<std::string>>("users");
  }
  void Shutdown(const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("shutdown");
  }
  void OnLine(const db::ConnectionParams& db, const std::string&) override {
    calls.push_back("online " + db.database + " as " + db.user + "/" + db.password + " through " +
                    db.client_library);
    // The recovery goes by the code, not the text.
    if (online_already)
      throw db::FirebirdError("Target shutdown mode is invalid for database", isc_bad_shutdown_mode,
                              -901, "HY000");
  }
  void RunScriptText(Operator&, const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("text");
  }
  void RunScriptFile(Operator&, const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("file");
  }
  void CleanUpPrivileges(Operator&, const db::ConnectionParams&) override {
    Unexpected<void>("cleanup");
  }
  void UnpackPayload(Operator&, const std::string&, const ProjectProfile&) override {
    Unexpected<void>("unpack");
  }

 private:
  template <typename T>
  T Unexpected(const std::string& what) {
    calls.push_back("unexpected " + what);
    throw Error("unexpected " + what);
  }
};

// A product as a killed run leaves it: the backup of the previous version, the working copies
// of the updated one, and the live files as the stage of the journal says.
class RunRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    profile = PresetProfile();
    profile.ProductDir = product;
    params = TFBServParams{disk / "fb/", "SUPER", "localhost/3051:", "NO-SUCH-SERVER.EXE",
                           kOwnServiceName};
    service_control.services[kOwnServiceName].status = {kServiceStopped, 0, 0};

    WriteFile(Old("Program/DunVeld.exe"), "old exe");
    WriteFile(Old("Program/storage.ini"), "storage");
    WriteFile(Old("Resources/pictures.dat"), "old pictures");
    WriteFile(Old("DB_Data/DunVeld.fdb"), "old database");
    WriteFile(Wrk("Program/DunVeld.exe"), "new exe");
    WriteFile(Wrk("Program/DunVeld.chm"), "new help");
    WriteFile(Wrk("Resources/pictures.dat"), "new pictures");
    // The client step deleted storage.ini from the live folder.
    WriteFile(product + "/Program/DunVeld.exe", "old exe");
    WriteFile(product + "/Resources/pictures.dat", "old pictures");
  }

  std::string Old(const std::string& name) const { return NativeSeparators(temp + "/Old/" + name); }
  std::string Wrk(const std::string& name) const { return NativeSeparators(temp + "/Wrk/" + name); }
  std::string Live(const std::string& name) const { return NativeSeparators(product + "/" + name); }
  std::string LiveDb() const { return Live("DB_Data/DunVeld.fdb"); }
  std::string JournalPath() const { return NativeSeparators(temp + "/" + kJournalFileName); }

  void Journal(JournalStage stage) {
    RunJournal j;
    j.stage = stage;
    j.product_dir = product;
    j.temp_dir = temp;
    j.has_client = true;
    j.has_server = true;
    j.live_db = LiveDb();
    j.aside_db = LiveDb() + "_";
    j.backup_db = Old("DB_Data/DunVeld.fdb");
    j.deleted_live_files = {"storage.ini"};
    WriteJournal(j);
  }

  std::string Recover() {
    try {
      RecoverRunWith(services, facilities, op, profile, product, "masterkey", params);
    } catch (const Error& e) {
      return e.what();
    }
    return "<none>";
  }

  void ExpectPrevious() {
    EXPECT_EQ(ReadFile(LiveDb()), "old database");
    EXPECT_FALSE(Exists(LiveDb() + "_"));
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.exe")), "old exe");
    EXPECT_EQ(ReadFile(Live("Program/storage.ini")), "storage");
    EXPECT_FALSE(Exists(Live("Program/DunVeld.chm")));
    EXPECT_EQ(ReadFile(Live("Resources/pictures.dat")), "old pictures");
  }
  void ExpectUpdated() {
    EXPECT_EQ(ReadFile(LiveDb()), "updated database");
    EXPECT_FALSE(Exists(LiveDb() + "_"));
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.exe")), "new exe");
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.chm")), "new help");
    EXPECT_EQ(ReadFile(Live("Resources/pictures.dat")), "new pictures");
  }
  // Online, server running, and the journal marked ended, so a second recovery does nothing.
  void ExpectFinished() {
    ASSERT_EQ(services.calls.size(), 1u);
    EXPECT_EQ(services.calls[0], "online " + profile.ServerPrefix + LiveDb() +
                                     " as SYSDBA/masterkey through " + profile.ClientLibName);
    EXPECT_EQ(service_control.services[kOwnServiceName].status.state, kServiceRunning);
    const RunJournal j = ReadJournal(JournalPath());
    EXPECT_EQ(j.stage, JournalStage::Ended);
    EXPECT_EQ(j.outcome, JournalOutcome::Recovered);

    op.log.clear();
    services.calls.clear();
    EXPECT_EQ(Recover(), "<none>");
    EXPECT_TRUE(services.calls.empty());
    ASSERT_FALSE(op.log.empty());
    EXPECT_NE(op.log.back().find("nothing to recover"), std::string::npos);
  }

  TempFolder disk;
  std::string product = disk / "DunVeld";
  std::string temp = disk / "DunVeld/Tmp$091226101500";
  testing::FakeClock clock;
  testing::RecordingOperator op;
  testing::FakeServiceControl service_control{clock};
  Facilities facilities{clock, SilentProgress(), service_control, service_control};
  OnlineOnly services;
  ProjectProfile profile;
  TFBServParams params;
};

TEST_F(RunRecoveryTest, BeforeTheSwapTheDeletedFilesComeBack) {
  WriteFile(LiveDb(), "old database");
  for (JournalStage stage : {JournalStage::Staging, JournalStage::Staged,
                             JournalStage::DatabaseUpdated, JournalStage::ClientUpdated}) {
    SCOPED_TRACE(StageName(stage));
    std::filesystem::remove(Live("Program/storage.ini"));
    services.calls.clear();
    Journal(stage);
    ASSERT_EQ(Recover(), "<none>");
    ExpectPrevious();
    ExpectFinished();
  }
}

TEST_F(RunRecoveryTest, SwapBegunPutsTheAsideDatabaseBackOverAHalfMovedOne) {
  WriteFile(LiveDb() + "_", "old database");
  WriteFile(LiveDb(), "updated dat");  // half moved in
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  ExpectFinished();
}

TEST_F(RunRecoveryTest, SwapBegunWithNeitherFileTakesTheBackup) {
  std::filesystem::create_directories(product + "/DB_Data");
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  EXPECT_FALSE(Exists(LiveDb() + ".recover"));
  ExpectFinished();
}

TEST_F(RunRecoveryTest, SwapBegunBeforeTheMoveLeavesTheLiveDatabase) {
  WriteFile(LiveDb(), "old database");
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  ExpectFinished();
}

TEST_F(RunRecoveryTest, AfterTheDatabaseSwapTheProgramIsRolledForward) {
  for (JournalStage stage : {JournalStage::DatabaseSwapped, JournalStage::ProgramCopyBegun}) {
    SCOPED_TRACE(StageName(stage));
    WriteFile(LiveDb(), "updated database");
    WriteFile(LiveDb() + "_", "old database");
    WriteFile(Live("Program/DunVeld.exe"), "old exe");
    services.calls.clear();
    Journal(stage);
    ASSERT_EQ(Recover(), "<none>");
    ExpectUpdated();
    ExpectFinished();
  }
}

// A run killed after its final step, or failed after it, left the database online.
TEST_F(RunRecoveryTest, DatabaseOnlineAlreadyIsNoFailure) {
  WriteFile(LiveDb(), "updated database");
  WriteFile(Live("Program/DunVeld.exe"), "new exe");
  WriteFile(Live("Program/DunVeld.chm"), "new help");
  WriteFile(Live("Resources/pictures.dat"), "new pictures");
  services.online_already = true;
  Journal(JournalStage::FinalStepDone);
  ASSERT_EQ(Recover(), "<none>");
  ExpectUpdated();
  EXPECT_NE(std::find(op.log.begin(), op.log.end(), "The live database was online already."),
            op.log.end());
  ExpectFinished();
}

TEST_F(RunRecoveryTest, ProgramThatCannotBeReplacedLeavesTheRunUnfinished) {
  WriteFile(LiveDb(), "updated database");
  std::filesystem::remove(Live("Program/DunVeld.exe"));
  WriteFile(Live("Program/DunVeld.exe/held"), "");  // no file copy replaces a folder
  Journal(JournalStage::ProgramCopyBegun);
  EXPECT_NE(Recover().find("DunVeld.exe\" could not be replaced"), std::string::npos);
  EXPECT_EQ(ReadJournal(JournalPath()).stage, JournalStage::ProgramCopyBegun);
}

TEST_F(RunRecoveryTest, JournalNamingAnotherDatabaseIsRefused) {
  WriteFile(LiveDb(), "old database");
  RunJournal j;
  j.stage = JournalStage::DatabaseSwapBegun;
  j.product_dir = product;
  j.temp_dir = temp;
  j.has_server = true;
  j.live_db = disk / "elsewhere.fdb";
  j.aside_db = LiveDb() + "_";
  j.backup_db = Old("DB_Data/DunVeld.fdb");
  WriteJournal(j);
  EXPECT_NE(Recover().find("not this product's"), std::string::npos);
  EXPECT_TRUE(services.calls.empty());
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
}

TEST_F(RunRecoveryTest, NoJournalIsNothingToRecover) {
  std::filesystem::remove_all(temp);
  EXPECT_EQ(Recover(), "<none>");
  ASSERT_EQ(op.log.size(), 1u);
  EXPECT_NE(op.log[0].find("nothing to recover"), std::string::npos);
  EXPECT_TRUE(services.calls.empty());
}

// A journal that cannot be read: what the folders show decides, and nothing is deleted.
enum class Damage { CutShort, Garbage, OtherVersion };
enum class LiveClient {
  Deleted,  // the client step deleted storage.ini
  Staging,  // the run died while staging: no working copies, the live client untouched
  Half,     // the program copy had begun
  Copied,   // the updated client is in place
  Foreign,  // a later release's executable
};

struct FolderCase {
  const char* name;
  Damage damage;
  const char* live_db;  // nullptr: none
  const char* aside_db;
  const char* work_db;  // nullptr: no working copy of the database at all; "": moved in
  bool backup_db;
  LiveClient client;
  std::optional<MessageKey> undecided;  // none: recovered, else the reason
  bool updated;                         // the version it is recovered to
  bool backup_named;                    // the refusal names the whole backup
};

const FolderCase kFolderCases[] = {
    {"SwapBegunDatabaseAside", Damage::CutShort, nullptr, "old database", "updated database", true,
     LiveClient::Deleted, std::nullopt, false, false},
    {"SwapBegunNeitherDatabase", Damage::Garbage, nullptr, nullptr, "updated database", true,
     LiveClient::Deleted, std::nullopt, false, false},
    {"ClientStepDone", Damage::OtherVersion, "old database", nullptr, "updated database", true,
     LiveClient::Deleted, std::nullopt, false, false},
    {"DiedWhileStaging", Damage::CutShort, "old database", nullptr, nullptr, true,
     LiveClient::Staging, std::nullopt, false, false},
    {"UpdateComplete", Damage::Garbage, "updated database", nullptr, "", true, LiveClient::Copied,
     std::nullopt, true, false},
    {"ProgramCopyBegun", Damage::OtherVersion, "updated database", "old database", "", true,
     LiveClient::Half, msg::uUpdate_RecoverFromFolders_11, false, true},
    {"LaterReleaseInPlace", Damage::CutShort, "updated database", nullptr, "", true,
     LiveClient::Foreign, msg::uUpdate_RecoverFromFolders_12, false, true},
    {"DatabaseAndItsBackupGone", Damage::Garbage, nullptr, nullptr, "updated database", false,
     LiveClient::Deleted, msg::uUpdate_RecoverFromFolders_10, false, false},
};

class UnreadableJournalRecoveryTest : public RunRecoveryTest,
                                      public ::testing::WithParamInterface<FolderCase> {
 protected:
  void MakeFolders(const FolderCase& c) {
    auto put = [](const std::string& path, const char* content) {
      if (content != nullptr) WriteFile(path, content);
    };
    put(LiveDb(), c.live_db);
    put(LiveDb() + "_", c.aside_db);
    if (c.work_db != nullptr) {
      std::filesystem::create_directories(Wrk("DB_Data"));
      if (*c.work_db != '\0') WriteFile(Wrk("DB_Data/DunVeld.fdb"), c.work_db);
    }
    if (!c.backup_db) std::filesystem::remove(Old("DB_Data/DunVeld.fdb"));
    switch (c.client) {
      case LiveClient::Deleted:
        break;
      case LiveClient::Staging:
        std::filesystem::remove_all(temp + "/Wrk");
        WriteFile(Live("Program/storage.ini"), "storage");
        break;
      case LiveClient::Half:
        WriteFile(Live("Program/DunVeld.exe"), "new exe");
        break;
      case LiveClient::Copied:
        WriteFile(Live("Program/DunVeld.exe"), "new exe");
        WriteFile(Live("Program/DunVeld.chm"), "new help");
        WriteFile(Live("Resources/pictures.dat"), "new pictures");
        break;
      case LiveClient::Foreign:
        WriteFile(Live("Program/DunVeld.exe"), "exe of a later release");
        break;
    }
  }

  // Returns the key of the problem the damage causes.
  MessageKey DamageJournal(Damage damage) {
    Journal(JournalStage::DatabaseSwapBegun);
    std::string text = ReadFile(JournalPath());
    switch (damage) {
      case Damage::CutShort:
        WriteFile(JournalPath(), text.substr(0, text.size() / 2));
        return msg::uUpdate_ParseJournal_2;
      case Damage::Garbage:
        WriteFile(JournalPath(), "\x01\x02 not a journal\n");
        return msg::uUpdate_ParseJournal_3;
      case Damage::OtherVersion:
        text.replace(text.find(" 1\n"), 3, " 2\n");
        WriteFile(JournalPath(), text);
        return msg::uUpdate_ParseJournal_4;
    }
    return msg::uUpdate_ParseJournal_3;  // not reached
  }

  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(disk.path()))
      if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
    return files;
  }
};

TEST_P(UnreadableJournalRecoveryTest, FoldersDecideAndNothingIsDeleted) {
  const FolderCase& c = GetParam();
  MakeFolders(c);
  const std::string damaged_problem = GetMessageText(DamageJournal(c.damage));
  const std::string unreadable =
      GetMessageText(msg::uUpdate_ParseJournal_1, JournalPath(), damaged_problem);
  const std::string damaged = ReadFile(JournalPath());
  const std::map<std::string, std::string> before = Files();

  const std::string error = Recover();
  if (c.undecided) {
    EXPECT_EQ(error.rfind(unreadable, 0), 0u) << error;
    EXPECT_NE(
        error.find(GetMessageText(msg::uUpdate_RecoverFromFolders_8, GetMessageText(*c.undecided))),
        std::string::npos)
        << error;
    const std::string old_dir = NativeSeparators(temp + "/Old");
    EXPECT_NE(error.find(c.backup_named ? GetMessageText(msg::uUpdate_RecoverFromFolders_9, old_dir)
                                        : GetMessageText(msg::uUpdate_RecoverFromFolders_14,
                                                         old_dir, JournalPath())),
              std::string::npos)
        << error;
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(services.calls.empty());
    EXPECT_TRUE(service_control.events.empty());
    return;
  }

  ASSERT_EQ(error, "<none>");
  EXPECT_NE(std::find_if(op.log.begin(), op.log.end(),
                         [&](const std::string& line) { return line.rfind(unreadable, 0) == 0; }),
            op.log.end());
  if (c.updated) {
    ExpectUpdated();
  } else {
    ExpectPrevious();
  }
  // Every content the folders held is still somewhere: moved or copied, never lost.
  const std::map<std::string, std::string> after = Files();
  for (const auto& [path, content] : before) {
    EXPECT_NE(std::find_if(after.begin(), after.end(),
                           [&](const auto& file) { return file.second == content; }),
              after.end())
        << path;
  }
  EXPECT_EQ(ReadFile(NativeSeparators(temp + "/" + kUnreadableJournalFileName)), damaged);
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_EQ(service_control.services[kOwnServiceName].status.state, kServiceRunning);
  EXPECT_EQ(op.log.back(),
            GetMessageText(c.updated ? msg::uUpdate_RecoverRun_3 : msg::uUpdate_RecoverRun_4));

  op.log.clear();
  services.calls.clear();
  EXPECT_EQ(Recover(), "<none>");
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_RecoverRun_1, product));
  EXPECT_TRUE(services.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(FolderStates, UnreadableJournalRecoveryTest,
                         ::testing::ValuesIn(kFolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace updater
