#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "tests/update/update_run_fixture.h"

namespace updater {
namespace {

using namespace update_run_testing;

// Copies and waits show on the progress the front end handed in, one step after another.
TEST_F(UpdateRunTest, AWatchedRunShowsItsCopiesAndWaitsOnTheGivenProgress) {
  MakeProduct(true, true);
  progress.watching = true;
  ASSERT_EQ(RunError(), "<none>");

  EXPECT_FALSE(progress.nested);
  std::vector<std::string> texts;
  for (const auto& step : progress.steps) {
    EXPECT_TRUE(step.ended) << step.text;
    texts.push_back(step.text);
  }
  const auto count = [&](const std::string& text) {
    return std::count(texts.begin(), texts.end(), text);
  };
  // Backup and working copy of each part, then the updated program back into the product.
  for (const char* part : {"Program", "Resources", "DB_Data"})
    EXPECT_EQ(count(GetMessageText(msg::uProgress_CopyFolder, JoinPath(product, part))), 2) << part;
  const auto work_program = JoinPath(JoinPath(TempDir(), "Wrk"), "Program");
  EXPECT_EQ(count(GetMessageText(msg::uProgress_CopyFolder, work_program)), 1)
      << ::testing::PrintToString(texts);
  EXPECT_GE(count(T(msg::uUpdate_UpdateProgramm_21)), 1);  // the service stops
  EXPECT_GE(count(T(msg::uUpdate_UpdateProgramm_26)), 1);  // and starts
  EXPECT_GE(count(T(msg::uProgress_ServiceSettle)), 1);
}

TEST_F(UpdateRunTest, FullUpdateRunsEveryStepInOrder) {
  MakeProduct(true, true);
  ASSERT_EQ(RunError(), "<none>");

  const std::string new_dir = IncludeTrailingSeparator(JoinPath(TempDir(), "New"));
  const std::string db_path = "localhost/3051:" + LiveDb();
  const std::vector<std::string> expected = {
      T(msg::uUpdate_UpdateProgramm_08), "#users live",
      // Kept from before the first change to the live system.
      "The run journal is kept in \"" + NativeSeparators(TempDir() + "/run.journal") + "\".",
      T(msg::uUpdate_UpdateProgramm_18), "#shutdown live", T(msg::uUpdate_UpdateProgramm_19),
      T(msg::uUpdate_UpdateProgramm_21), "#kill", T(msg::uUpdate_UpdateProgramm_22),
      T(msg::uUpdate_UpdateProgramm_23), T(msg::uUpdate_UpdateProgramm_24),
      T(msg::uUpdate_UpdateProgramm_26), "#kill", T(msg::uUpdate_UpdateProgramm_27),
      T(msg::uUpdate_UpdateProgramm_32), T(msg::uUpdate_UpdateProgramm_35),
      T(msg::uUpdate_UpdateProgramm_36), "#unpack", T(msg::uUpdate_UpdateProgramm_37),
      T(msg::uUpdate_UpdateProgramm_38), T(msg::uUpdate_UpdateProgramm_39), T(msg::uIS_DunVeld_6),
      "#online work", "#text ADMN work", "#shutdown work", "#file SYSDBA Sys_Roles.sql",
      "#online work", "#cleanup ADMN work", "#shutdown work", "#cleanup SYSDBA work", "#kill",
      "#kill", "#file SYSDBA script.sql", "#online work", "#file ADMN Roles.sql", "#shutdown work",
      T(msg::uIS_DunVeld_8), GetMessageText(msg::uUpdate_UpdateProgramm_41, new_dir), "#kill",
      T(msg::uUpdate_UpdateProgramm_22), GetMessageText(msg::uUpdate_CopyFileWithBackUp_5, db_path),
      T(msg::uUpdate_UpdateProgramm_48), "#kill", "#online live",
      T(msg::uUpdate_UpdateProgramm_49)};
  EXPECT_EQ(RunLog(), expected);

  // One question: the confirmation, with No holding the focus.
  ASSERT_EQ(op.dialogs.size(), 1u);
  EXPECT_EQ(op.dialogs[0].kind, DialogKind::Information);
  EXPECT_EQ(op.dialogs[0].focus, DialogButton::No);
  EXPECT_NE(op.dialogs[0].text.find(T(msg::uUpdate_UpdateProgramm_01)), std::string::npos);
  // Stops: preparation, library, swap; starts: preparation, library, final.
  EXPECT_EQ(ServiceRequests(), 3 + 3 * 2);
  EXPECT_FALSE(rolled_back);

  EXPECT_EQ(fake.first_roles_line,
            "execute ibeblock(Roles_File_Name = '" + new_dir + "Roles.sql')");
  EXPECT_EQ(ReadFile(LiveDb()), "updated database");
  EXPECT_FALSE(Exists(LiveDb() + "_"));
  EXPECT_EQ(ReadFile(TempDir() + "/Old/DB_Data/DunVeld.fdb"), "old database");
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.exe"), "new DunVeld.exe");
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.chm"), "new EN_DunVeld.chm");
  EXPECT_FALSE(Exists(product + "/Program/storage.ini"));
  EXPECT_FALSE(Exists(product + "/Program/Fr.dll"));
  EXPECT_EQ(ReadFile(TempDir() + "/Old/Program/DunVeld.exe"), "old exe");
  EXPECT_EQ(ReadFile(disk / "fb/udf/Dv_UDF_u8.dll"), "new DV_UDF_u8.dll");
  EXPECT_FALSE(Exists(TempDir() + "/New"));
}

// The release record: a run that went through leaves it, the next run over the same product
// ends at once, and a product changed since is updated again.
TEST_F(UpdateRunTest, ASecondRunChangesNothingUntilTheProductChanges) {
  MakeProduct(true, true);
  Run();
  const std::string first_temp = TempDir();
  const int requests = ServiceRequests();
  op.log.clear();
  op.dialogs.clear();

  Run();
  EXPECT_EQ(RunLog(), std::vector<std::string>{
                          GetMessageText(msg::uCheck_AlreadyCurrent, NativeSeparators(product),
                                         CarriedReleaseDigest().substr(0, 12))});
  EXPECT_TRUE(op.dialogs.empty());
  EXPECT_EQ(ServiceRequests(), requests);
  EXPECT_EQ(TempDir(), first_temp);

  // The database copied back from before the run: fewer transactions than recorded.
  fake.stamp = DatabaseStamp{.created = 1, .next_transaction = 0};
  fake.fail["#file SYSDBA script.sql"] = "version check failed";
  EXPECT_EQ(RunError(), "");
  EXPECT_TRUE(rolled_back);
  EXPECT_EQ(op.dialogs.front().kind, DialogKind::Information);
  // The record went before the first change and a run that rolls back leaves none.
  EXPECT_FALSE(Exists(product + "/" + kReleaseRecordName));
}

TEST_F(UpdateRunTest, DeclinedQuestionsEndSilentlyWithNothingChanged) {
  MakeProduct(true, true);
  for (DialogButton answer : {DialogButton::No, DialogButton::Closed}) {
    op.answers = {answer};
    try {
      Run();
      ADD_FAILURE() << "the run went on";
    } catch (const Cancelled& e) {
      EXPECT_EQ(std::string(e.what()), T(msg::uUpdate_UpdateProgramm_06));
    }
  }
  EXPECT_EQ(op.log.size(), 4u);  // the initialisation lines of the two runs

  // Users attached to a SUPER server: the warning names them; No ends the run.
  op = {};
  fake.users = {"ANNA", "BORIS", "ANNA"};
  op.answers = {DialogButton::Yes, DialogButton::No};
  EXPECT_THROW(Run(), Cancelled);
  ASSERT_EQ(op.dialogs.size(), 2u);
  EXPECT_EQ(op.dialogs[1].kind, DialogKind::Warning);
  EXPECT_EQ(op.dialogs[1].text,
            GetMessageText(msg::uUpdate_UpdateProgramm_11,
                           T(msg::uUpdate_UpdateProgramm_10) + "ANNA; BORIS; ANNA"));
  EXPECT_EQ(op.log.back(), T(msg::uUpdate_UpdateProgramm_12));

  // A CLASSIC server: the stop warning; No ends the run.
  op = {};
  settings.serverParams->ServerType = "CLASSIC";
  op.answers = {DialogButton::Yes, DialogButton::No};
  EXPECT_THROW(Run(), Cancelled);
  EXPECT_EQ(op.dialogs.at(1).text, T(msg::uUpdate_UpdateProgramm_15));
  EXPECT_EQ(op.log.back(), T(msg::uUpdate_UpdateProgramm_16));

  EXPECT_EQ(TempDir(), "");
  EXPECT_TRUE(clock.Sleeps().empty());
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
  EXPECT_FALSE(rolled_back);
}

TEST_F(UpdateRunTest, ClosingTheWarningGoesOn) {
  MakeProduct(false, true);
  fake.users = {"ANNA"};
  op.answers = {DialogButton::Yes, DialogButton::Closed};
  ASSERT_EQ(RunError(), "<none>");
  EXPECT_EQ(Count(T(msg::uUpdate_UpdateProgramm_13)), 1);
  EXPECT_EQ(ReadFile(LiveDb()), "updated database");
  // A server-only product gets no client copies.
  EXPECT_FALSE(Exists(TempDir() + "/Old/Program"));
}

TEST_F(UpdateRunTest, AdmnPasswordIsRequiredOnlyForTheServerPart) {
  MakeProduct(false, true);
  EXPECT_EQ(RunError(""), T(msg::uUpdate_UpdateProgramm_07));
  EXPECT_EQ(op.log.size(), 2u);

  // A client-only product: no password, no server, no database, no waits.
  std::filesystem::remove_all(product + "/DB_Data");
  MakeProduct(true, false);
  op = {};
  ASSERT_EQ(RunError(""), "<none>");
  for (const std::string& line : op.log) EXPECT_NE(line, "#kill");
  EXPECT_EQ(Count("#unpack"), 1);
  EXPECT_TRUE(clock.Sleeps().empty());
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.exe"), "new DunVeld.exe");
  EXPECT_TRUE(std::filesystem::is_empty(TempDir() + "/Old/DB_Data"));
}

TEST_F(UpdateRunTest, ShutdownFailureEndsTheRunBeforeTheServerStops) {
  MakeProduct(true, true);
  fake.fail["#shutdown live"] = "shutdown refused";
  EXPECT_EQ(RunError(), T(msg::uUpdate_UpdateProgramm_20) + "\r\rshutdown refused");
  EXPECT_EQ(Count("#kill"), 0);
  EXPECT_EQ(TempDir(), "");
}

TEST_F(UpdateRunTest, StagingFailureEndsAfterTheFinalStep) {
  MakeProduct(true, true);
  fake.fail["#unpack"] = "archive broken";
  EXPECT_EQ(RunError(), "archive broken");
  const std::vector<std::string> log = RunLog();
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{T(msg::uUpdate_UpdateProgramm_48), "#kill", "#online live",
                                      T(msg::uUpdate_UpdateProgramm_49)}));
  EXPECT_FALSE(Exists(TempDir() + "/New"));
  EXPECT_TRUE(Exists(TempDir() + "/Wrk"));
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
  EXPECT_EQ(ReadFile(product + "/Program/storage.ini"), "storage");
  EXPECT_FALSE(rolled_back);
}

TEST_F(UpdateRunTest, DatabaseStepFailureRollsBackWithAnEmptyMessage) {
  MakeProduct(true, true);
  fake.fail["#file SYSDBA script.sql"] = "Error of using script!";
  EXPECT_EQ(RunError(), "");
  EXPECT_TRUE(rolled_back);

  ASSERT_EQ(op.dialogs.size(), 2u);
  EXPECT_EQ(op.dialogs[1].kind, DialogKind::Error);
  EXPECT_EQ(op.dialogs[1].text, "Error of using script!");
  EXPECT_EQ(op.dialogs[1].buttons, std::vector<DialogButton>{DialogButton::OK});
  EXPECT_EQ(op.statuses, std::vector<std::string>{T(msg::uUpdate_UpdateProgramm_43)});
  const std::vector<std::string> log = RunLog();
  const auto rollback = std::find(log.begin(), log.end(), "#file SYSDBA script.sql") + 1;
  EXPECT_EQ(std::vector<std::string>(rollback, log.end()),
            (std::vector<std::string>{
                "Exception Message: Error of using script!\r" + T(msg::uUpdate_UpdateProgramm_44),
                T(msg::uUpdate_UpdateProgramm_45), T(msg::uUpdate_UpdateProgramm_48), "#kill",
                "#online live", T(msg::uUpdate_UpdateProgramm_49)}));
  EXPECT_FALSE(Exists(TempDir() + "/New"));
  EXPECT_FALSE(Exists(TempDir() + "/Wrk"));
  EXPECT_EQ(ReadFile(TempDir() + "/Old/DB_Data/DunVeld.fdb"), "old database");
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.exe"), "old exe");
  // Installed before the script ran, and left there.
  EXPECT_TRUE(Exists(disk / "fb/udf/Dv_UDF_u8.dll"));
}

TEST_F(UpdateRunTest, WrongAdmnPasswordIsNamedInTheDialog) {
  MakeProduct(false, true);
  fake.fail["#text ADMN work"] = "login refused";
  EXPECT_EQ(RunError(), "");
  EXPECT_EQ(op.dialogs.at(1).text, T(msg::uIS_DunVeld_7) + "\r\rlogin refused");
  EXPECT_EQ(Count("#cleanup ADMN work"), 0);
}

TEST_F(UpdateRunTest, ClientStepFailurePutsBackTheDeletedLiveFiles) {
  MakeProduct(true, true);
  fake.payload = {"DunVeld.exe", "Sys_Roles.sql", "script.sql", "DV_UDF_u8.dll"};
  EXPECT_EQ(RunError(), "");
  EXPECT_TRUE(rolled_back);
  EXPECT_NE(op.dialogs.at(1).text.find("EN_DunVeld.chm"), std::string::npos);
  EXPECT_EQ(ReadFile(product + "/Program/storage.ini"), "storage");
  EXPECT_EQ(ReadFile(product + "/Program/Fr.dll"), "fr");
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.exe"), "old exe");
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
}

TEST_F(UpdateRunTest, LanguageOfTheSettingsChoosesTheHelpFile) {
  MakeProduct(true, false);
  // Without a value the language is Russian, and only that key is written: the other lines
  // keep their bytes.
  const std::pair<const char*, const char*> settings[] = {
      {"; note\r\n[Other]\r\nx = 1\r\n",
       "; note\r\n[Other]\r\nx = 1\r\n[Language]\r\nProgram_Language=1\r\n"},
      {"[Other]\nx=1", "[Other]\nx=1\n[Language]\nProgram_Language=1\n"},
      {"[other]\r\n [language] \r\n[Z]\r\nk = v",
       "[other]\r\n [language] \r\nProgram_Language=1\r\n[Z]\r\nk = v"},
  };
  for (const auto& [before, after] : settings) {
    op = {};
    clock.Advance(2s);  // a run of its own
    // Version 1 again, so that the release record of the run before does not hold.
    WriteFile(product + "/Program/DunVeld.exe", "old exe");
    WriteFile(product + "/Program/DunVeld.ini", before);
    ASSERT_EQ(RunError(), "<none>") << (op.dialogs.size() > 1 ? op.dialogs[1].text : "");
    EXPECT_EQ(ReadFile(product + "/Program/DunVeld.chm"), "new RU_DunVeld.chm");
    EXPECT_EQ(ReadFile(product + "/Program/DunVeld.ini"), after);
  }

  for (const char* value : {"5", "two"}) {
    op = {};
    clock.Advance(2s);  // a run of its own
    WriteFile(product + "/Program/DunVeld.exe", "old exe");
    WriteFile(product + "/Program/DunVeld.ini",
              std::string("[Language]\nProgram_Language=") + value + "\n");
    EXPECT_EQ(RunError(), "");
    EXPECT_EQ(op.dialogs.at(1).text, T(msg::uIS_DunVeld_10)) << value;
  }
}

TEST_F(UpdateRunTest, ProgramThatCannotBeReplacedIsReportedAfterTheDatabaseSwap) {
  MakeProduct(true, true);
  // Something takes the executable's place in the live folder that no file copy replaces.
  fake.before["#file ADMN Roles.sql"] = [&] {
    std::filesystem::remove(product + "/Program/DunVeld.exe");
    WriteFile(product + "/Program/DunVeld.exe/held", "");
  };
  const std::string error = RunError();
  EXPECT_NE(error.find(NativeSeparators("/Program/DunVeld.exe") + "\" could not be replaced"),
            std::string::npos)
      << error;
  EXPECT_NE(error.find("The database was replaced by the updated one."), std::string::npos);
  EXPECT_NE(error.find("The Program folder was not updated."), std::string::npos);
  EXPECT_EQ(ReadFile(LiveDb()), "updated database");
  EXPECT_EQ(op.log.back(), T(msg::uUpdate_UpdateProgramm_49));
  EXPECT_FALSE(rolled_back);
}

TEST_F(UpdateRunTest, UpdatedDatabaseThatCannotMoveInLeavesTheOldOneInPlace) {
  MakeProduct(false, true);
  fake.before["#file ADMN Roles.sql"] = [&] {
    std::filesystem::remove(TempDir() + "/Wrk/DB_Data/DunVeld.fdb");
  };
  const std::string error = RunError();
  EXPECT_NE(error.find("The previous database was put back."), std::string::npos) << error;
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
  EXPECT_FALSE(Exists(LiveDb() + "_"));
  EXPECT_EQ(op.log.back(), T(msg::uUpdate_UpdateProgramm_49));
}

TEST_F(UpdateRunTest, FinalStepFailureReplacesTheErrorAndKeepsTheRollbackMark) {
  MakeProduct(false, true);
  fake.before["#file SYSDBA script.sql"] = [&] {
    service_control.services[kOwnServiceName].start_accepted = false;
  };
  fake.fail["#file SYSDBA script.sql"] = "Error of using script!";
  // The journal stays open: the next start goes to the recovery, which finishes the job.
  EXPECT_EQ(RunError(), "Exception Message: " + T(msg::uUpdate_UpdateProgramm_50) +
                            "\rOriginal Message: " + kUnableToStartText + "\r" + RecoveryHint());
  EXPECT_TRUE(rolled_back);
  EXPECT_TRUE(FindUnfinishedJournal(product).has_value());
  EXPECT_EQ(Count("#online live"), 0);
}

}  // namespace
}  // namespace updater

namespace updater {
namespace {

TEST_F(UpdateRunJournalTest, EachStageIsRecordedOnTheWayAndTheOutcomeAtTheEnd) {
  MakeProduct(true, true);
  std::vector<JournalStage> seen;
  fake.before["#text ADMN work"] = [&] { seen.push_back(StageNow()); };
  fake.before["#online live"] = [&] { seen.push_back(StageNow()); };
  ASSERT_EQ(RunError(), "<none>");
  EXPECT_EQ(seen, (std::vector<JournalStage>{JournalStage::Staged, JournalStage::ProgramCopyDone}));
  const RunJournal j = Final();
  EXPECT_EQ(j.stage, JournalStage::Ended);
  EXPECT_EQ(j.outcome, JournalOutcome::Success);
  EXPECT_EQ(j.deleted_live_files, (std::vector<std::string>{"storage.ini", "Fr.dll"}));
  EXPECT_EQ(j.live_db, LiveDb());
  EXPECT_EQ(j.backup_db, NativeSeparators(TempDir() + "/Old/DB_Data/DunVeld.fdb"));
  // The journal holds no password.
  EXPECT_EQ(ReadFile(TempDir() + "/run.journal").find("masterkey"), std::string::npos);
}

TEST_F(UpdateRunJournalTest, RollbackIsRecordedAsSuch) {
  MakeProduct(true, true);
  fake.fail["#file SYSDBA script.sql"] = "Error of using script!";
  RunError();
  EXPECT_EQ(Final().outcome, JournalOutcome::RolledBack);
}

TEST_F(UpdateRunJournalTest, NoRunStartsOverAnUnfinishedOne) {
  MakeProduct(true, true);
  RunJournal open;
  open.stage = JournalStage::DatabaseSwapped;
  open.product_dir = product;
  open.temp_dir = product + "/Tmp$010101000000";
  open.has_server = true;
  open.live_db = LiveDb();
  open.aside_db = LiveDb() + "_";
  open.backup_db = open.temp_dir + "/Old/DB_Data/DunVeld.fdb";
  std::filesystem::create_directories(open.temp_dir);
  WriteJournal(open);
  const std::string error = RunError();
  EXPECT_NE(error.find("\"database swapped\""), std::string::npos) << error;
  EXPECT_NE(error.find("updater-cli recover"), std::string::npos) << error;
  EXPECT_TRUE(op.log.empty());
  EXPECT_TRUE(op.dialogs.empty());
  EXPECT_TRUE(service_control.events.empty());
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
}

// The swap failure and the refusal that follows it are read in the operator's language.
TEST_F(UpdateRunJournalTest, HalfSwappedRunIsToldWhollyInRussian) {
  MakeProduct(true, true);
  fake.before["#file ADMN Roles.sql"] = [&] {
    std::filesystem::remove(product + "/Program/DunVeld.exe");
    WriteFile(product + "/Program/DunVeld.exe/held", "");
  };
  ChangeLanguage(2);
  const std::string failure = RunError();
  const std::string refusal = RunError();
  ChangeLanguage(3);
  const std::regex english_words(R"([A-Za-z]+( +[A-Za-z]+){2,})");
  for (std::string text : {failure, refusal}) {
    // The paths are the test's own; only the sentences around them are checked.
    for (std::size_t at; (at = text.find(disk.path())) != std::string::npos;)
      text.erase(at, disk.path().size());
    std::smatch english;
    EXPECT_FALSE(std::regex_search(text, english, english_words)) << english.str() << "\n" << text;
    EXPECT_NE(text.find("\xD0"), std::string::npos) << "no Cyrillic in: " << text;
  }
  EXPECT_NE(failure.find(NativeSeparators("/Program/DunVeld.exe")), std::string::npos) << failure;
  EXPECT_NE(refusal.find(NativeSeparators(TempDir() + "/run.journal")), std::string::npos)
      << refusal;
}

}  // namespace
}  // namespace updater
