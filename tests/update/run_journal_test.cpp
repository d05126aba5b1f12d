#include "update/run_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/path.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

RunJournal Sample(const std::string& temp_dir) {
  RunJournal j;
  j.stage = JournalStage::DatabaseSwapBegun;
  j.product_dir = "/p/DunVeld";
  j.temp_dir = temp_dir;
  j.has_client = true;
  j.has_server = true;
  j.live_db = "/p/DunVeld/DB_Data/DunVeld.fdb";
  j.aside_db = j.live_db + "_";
  j.backup_db = temp_dir + "/Old/DB_Data/DunVeld.fdb";
  j.deleted_live_files = {"storage.ini", "Fr.dll"};
  return j;
}

std::string ErrorOf(const std::string& text) {
  try {
    ParseJournal(text, "J");
  } catch (const Error& e) {
    return e.what();
  }
  return "<none>";
}

// The texts are checked in English.
class RunJournalTest : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }
};

TEST_F(RunJournalTest, WrittenJournalReadsBackWholeAndHoldsNoPassword) {
  TempFolder disk;
  const RunJournal written = Sample(disk.path());
  WriteJournal(written);
  const std::string path = disk / kJournalFileName;
  const RunJournal read = ReadJournal(path);
  EXPECT_EQ(read.stage, JournalStage::DatabaseSwapBegun);
  EXPECT_EQ(read.outcome, JournalOutcome::None);
  EXPECT_EQ(read.live_db, written.live_db);
  EXPECT_EQ(read.aside_db, written.aside_db);
  EXPECT_EQ(read.backup_db, written.backup_db);
  EXPECT_EQ(read.deleted_live_files, written.deleted_live_files);
  EXPECT_TRUE(read.has_client && read.has_server);
  EXPECT_EQ(ReadFile(path).find("assword"), std::string::npos);
  // The rewrite leaves no temporary file beside it.
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(RunJournalTest, TruncatedOrGarbledJournalIsRefusedWithItsName) {
  const std::string text = FormatJournal(Sample("/t"));
  // Every cut short of the end line is noticed, wherever the power went.
  for (std::size_t cut = 0; cut + 1 < text.size(); ++cut) {
    const std::string error = ErrorOf(text.substr(0, cut));
    EXPECT_NE(error.find("\"J\" cannot be used"), std::string::npos) << cut << ": " << error;
  }
  EXPECT_EQ(ErrorOf(text), "<none>");
  std::string garbled = text;
  garbled.replace(garbled.find("database swap begun"), 8, "xxxxxxxx");
  EXPECT_NE(ErrorOf(garbled).find("is unknown"), std::string::npos);
  EXPECT_NE(ErrorOf(text + "stage=run ended\n").find("goes on after its end"), std::string::npos);
  EXPECT_NE(ErrorOf(text.substr(0, text.find("live_db")) + "end\n").find("paths of the database"),
            std::string::npos);
  std::string escaping = text;
  escaping.replace(escaping.find("deleted=storage.ini"), 19, "deleted=../../etc/x");
  EXPECT_NE(ErrorOf(escaping), "<none>");
}

TEST_F(RunJournalTest, ValueWithALineBreakIsNotWritten) {
  RunJournal j = Sample("/t");
  j.product_dir = "/p\nstage=run ended";
  EXPECT_THROW(FormatJournal(j), Error);
}

TEST_F(RunJournalTest, OnlyAnUnfinishedRunIsFoundAndRefused) {
  TempFolder disk;
  const std::string product = disk / "DunVeld";
  EXPECT_FALSE(FindUnfinishedJournal(product));  // no folder at all
  std::filesystem::create_directories(product + "/Tmp$010101000000");
  std::filesystem::create_directories(product + "/Tmp$020202000000");
  EXPECT_FALSE(FindUnfinishedJournal(product));
  EXPECT_NO_THROW(RefuseOverUnfinishedRun(product));

  RunJournal ended = Sample(product + "/Tmp$010101000000");
  ended.stage = JournalStage::Ended;
  ended.outcome = JournalOutcome::Success;
  WriteJournal(ended);
  EXPECT_FALSE(FindUnfinishedJournal(product));

  RunJournal open = Sample(product + "/Tmp$020202000000");
  open.stage = JournalStage::ProgramCopyBegun;
  WriteJournal(open);
  EXPECT_EQ(FindUnfinishedJournal(product)->path,
            testing::NativeSeparators(product + "/Tmp$020202000000/" + kJournalFileName));
  try {
    RefuseOverUnfinishedRun(product);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find(product), std::string::npos) << text;
    EXPECT_NE(text.find("\"program copy begun\""), std::string::npos) << text;
    EXPECT_NE(text.find("updater-cli recover"), std::string::npos) << text;
  }
}

// A journal that cannot be read may be the unfinished one: it is reported, not passed over,
// and the start names it and sends the operator to the recovery, which looks at the folders.
TEST_F(RunJournalTest, UnreadableJournalRefusesTheStartAndNamesIt) {
  const std::string whole = FormatJournal(Sample("/t"));
  std::string other_version = whole;
  other_version.replace(other_version.find(" 1\n"), 3, " 2\n");
  const struct {
    const char* name;
    std::string text;
    MessageKey problem_key;
  } cases[] = {
      {"cut short", whole.substr(0, whole.size() / 2), msg::uUpdate_ParseJournal_2},
      {"garbage", "\x7f\x45\x4c\x46 garbage\n", msg::uUpdate_ParseJournal_3},
      {"other version", other_version, msg::uUpdate_ParseJournal_4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder disk;
    const std::string product = disk / "DunVeld";
    const std::string temp = testing::NativeSeparators(product + "/Tmp$010101000000");
    WriteFile(temp + "/" + kJournalFileName, c.text);
    const std::optional<FoundJournal> found = FindUnfinishedJournal(product);
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->journal);
    EXPECT_EQ(found->problem, GetMessageText(c.problem_key));
    try {
      RefuseOverUnfinishedRun(product);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_NE(
          text.find(JoinPath(temp, kJournalFileName) + "\" cannot be used: " + found->problem),
          std::string::npos)
          << text;
      EXPECT_NE(text.find("looks at the product folder and at \"" + temp + "\""), std::string::npos)
          << text;
      EXPECT_NE(text.find("updater-cli recover"), std::string::npos) << text;
    }
  }
}

TEST(DurableFileTest, ReplacesWholeAndFlushesTrees) {
  TempFolder disk;
  const std::string path = disk / "f";
  ASSERT_TRUE(ReplaceFileDurably(path, "one"));
  ASSERT_TRUE(ReplaceFileDurably(path, "two"));
  EXPECT_EQ(ReadFile(path), "two");
  // A folder that cannot take the new file leaves the old content.
  EXPECT_FALSE(ReplaceFileDurably(disk / "missing/f", "x"));
  WriteFile(disk / "tree/a/b", "b");
  EXPECT_TRUE(FlushToDisk(disk / "tree"));
  EXPECT_TRUE(FlushToDisk(disk / "tree/a/b"));
  EXPECT_TRUE(FlushToDisk(disk / "absent"));
}

}  // namespace
}  // namespace updater
