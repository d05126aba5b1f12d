#include "update/run_journal.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "update/run_folders.h"

namespace updater {
namespace {

// The number at its end is the format's version.
constexpr const char* kHeaderStem = "DunVeld updater run journal ";
constexpr const char* kHeader = "DunVeld updater run journal 1";
constexpr const char* kEndLine = "end";

constexpr std::array<std::pair<JournalStage, const char*>, 11> kStages = {{
    {JournalStage::ServerPreparation, "server preparation"},
    {JournalStage::Staging, "staging"},
    {JournalStage::Staged, "staging done"},
    {JournalStage::DatabaseUpdated, "database step done"},
    {JournalStage::ClientUpdated, "client step done"},
    {JournalStage::DatabaseSwapBegun, "database swap begun"},
    {JournalStage::DatabaseSwapped, "database swapped"},
    {JournalStage::ProgramCopyBegun, "program copy begun"},
    {JournalStage::ProgramCopyDone, "program copy done"},
    {JournalStage::FinalStepDone, "final step done"},
    {JournalStage::Ended, "run ended"},
}};

constexpr std::array<std::pair<JournalOutcome, const char*>, 6> kOutcomes = {{
    {JournalOutcome::None, "none"},
    {JournalOutcome::Success, "success"},
    {JournalOutcome::RolledBack, "rolled back"},
    {JournalOutcome::Failed, "failed"},
    {JournalOutcome::Recovered, "recovered"},
    {JournalOutcome::Interrupted, "interrupted"},
}};

template <typename Table, typename Value>
bool Lookup(const Table& table, const std::string& name, Value& value) {
  for (const auto& [v, n] : table) {
    if (name == n) {
      value = v;
      return true;
    }
  }
  return false;
}

[[noreturn]] void Garbled(const std::string& source, MessageKey key,
                          const std::string& value = kNull) {
  throw UnreadableJournal(source, GetMessageText(key, value));
}

[[noreturn]] void NotUnderstood(const std::string& source, const std::string& line) {
  Garbled(source, msg::uUpdate_ParseJournal_5, line);
}

// The catalogue's rows for the stages and outcomes follow the order of the tables above.
std::string TextOfRow(const char* stem, std::size_t index) {
  const std::string key = stem + std::to_string(index + 1);
  return GetMessageText(MessageKey(key.c_str()));
}

}  // namespace

std::string StageName(JournalStage stage) {
  for (const auto& [s, n] : kStages)
    if (s == stage) return n;
  return "unknown";
}

std::string OutcomeName(JournalOutcome outcome) {
  for (const auto& [o, n] : kOutcomes)
    if (o == outcome) return n;
  return "unknown";
}

std::string StageText(JournalStage stage) {
  for (std::size_t i = 0; i < kStages.size(); ++i)
    if (kStages[i].first == stage) return TextOfRow("uUpdate_StageText_", i);
  return StageName(stage);
}

std::string OutcomeText(JournalOutcome outcome) {
  // No row for None: a run without an outcome is told as one that did not end.
  for (std::size_t i = 1; i < kOutcomes.size(); ++i)
    if (kOutcomes[i].first == outcome) return TextOfRow("uUpdate_OutcomeText_", i - 1);
  return OutcomeName(outcome);
}

std::string RecoveryHint() {
  return GetMessageText(msg::uUpdate_RefuseOverUnfinishedRun_2);
}

UnreadableJournal::UnreadableJournal(const std::string& path, const std::string& problem)
    : Error(GetMessageText(msg::uUpdate_ParseJournal_1, path, problem)), problem_(problem) {}

bool LeftHalfSwapped(JournalStage stage, JournalOutcome outcome, bool has_client) {
  // The client step has deleted files from the live program folder from ClientUpdated on.
  const JournalStage swapped =
      has_client ? JournalStage::ProgramCopyDone : JournalStage::DatabaseSwapped;
  return outcome == JournalOutcome::Failed && stage >= JournalStage::ClientUpdated &&
         stage < swapped;
}

std::string FormatJournal(const RunJournal& journal) {
  std::string text = std::string(kHeader) + "\n";
  auto add = [&text](const std::string& key, const std::string& value) {
    // A line break in a value would split it into a line the reader misreads.
    if (value.find_first_of("\r\n") != std::string::npos) {
      throw Error(GetMessageText(msg::uUpdate_FormatJournal_1, key));
    }
    text += key + "=" + value + "\n";
  };
  add("stage", StageName(journal.stage));
  add("outcome", OutcomeName(journal.outcome));
  add("product_dir", journal.product_dir);
  add("temp_dir", journal.temp_dir);
  add("has_client", journal.has_client ? "1" : "0");
  add("has_server", journal.has_server ? "1" : "0");
  add("live_db", journal.live_db);
  add("aside_db", journal.aside_db);
  add("backup_db", journal.backup_db);
  for (const std::string& name : journal.deleted_live_files) add("deleted", name);
  return text + kEndLine + "\n";
}

RunJournal ParseJournal(const std::string& text, const std::string& source) {
  // Every line is written with its line end: text without one was cut short.
  if (text.empty() || text.back() != '\n') Garbled(source, msg::uUpdate_ParseJournal_2);
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) Garbled(source, msg::uUpdate_ParseJournal_3);
  if (line != kHeader) {
    Garbled(source, line.rfind(kHeaderStem, 0) == 0 ? msg::uUpdate_ParseJournal_4
                                                    : msg::uUpdate_ParseJournal_3);
  }
  RunJournal journal;
  bool stage_seen = false;
  bool outcome_seen = false;
  bool ended = false;
  while (std::getline(in, line)) {
    if (line == kEndLine) {
      ended = true;
      break;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) NotUnderstood(source, line);
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "stage") {
      if (!Lookup(kStages, value, journal.stage))
        Garbled(source, msg::uUpdate_ParseJournal_6, value);
      stage_seen = true;
    } else if (key == "outcome") {
      if (!Lookup(kOutcomes, value, journal.outcome))
        Garbled(source, msg::uUpdate_ParseJournal_7, value);
      outcome_seen = true;
    } else if (key == "product_dir") {
      journal.product_dir = value;
    } else if (key == "temp_dir") {
      journal.temp_dir = value;
    } else if (key == "has_client" || key == "has_server") {
      if (value != "0" && value != "1") NotUnderstood(source, line);
      (key == "has_client" ? journal.has_client : journal.has_server) = value == "1";
    } else if (key == "live_db") {
      journal.live_db = value;
    } else if (key == "aside_db") {
      journal.aside_db = value;
    } else if (key == "backup_db") {
      journal.backup_db = value;
    } else if (key == "deleted") {
      if (value.empty() || value.find_first_of("/\\") != std::string::npos)
        NotUnderstood(source, line);
      journal.deleted_live_files.push_back(value);
    } else {
      NotUnderstood(source, line);
    }
  }
  if (!ended) Garbled(source, msg::uUpdate_ParseJournal_2);
  if (std::getline(in, line)) Garbled(source, msg::uUpdate_ParseJournal_8);
  if (!stage_seen || !outcome_seen || journal.product_dir.empty() || journal.temp_dir.empty())
    Garbled(source, msg::uUpdate_ParseJournal_9);
  if (journal.has_server &&
      (journal.live_db.empty() || journal.aside_db.empty() || journal.backup_db.empty()))
    Garbled(source, msg::uUpdate_ParseJournal_10);
  return journal;
}

void WriteJournal(const RunJournal& journal) {
  const std::string path = JoinPath(journal.temp_dir, kJournalFileName);
  if (!ReplaceFileDurably(path, FormatJournal(journal))) {
    throw Error(GetMessageText(msg::uUpdate_WriteJournal_1, path));
  }
}

RunJournal ReadJournal(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in) throw UnreadableJournal(path, GetMessageText(msg::uUpdate_ReadJournal_1));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return ParseJournal(buffer.str(), path);
}

std::string AsideProductDir(const std::string& product_dir) {
  return ExcludeTrailingSeparator(product_dir) + "_";
}

std::optional<FoundJournal> FindUnfinishedJournal(const std::string& product_dir) {
  std::error_code ec;
  if (product_dir.empty()) return std::nullopt;
  std::string folder = product_dir;
  if (!DirectoryExists(folder)) folder = AsideProductDir(product_dir);
  if (!DirectoryExists(folder)) return std::nullopt;
  std::optional<FoundJournal> newest;
  std::filesystem::file_time_type newest_time;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().rfind(kRunFolderPrefix, 0) != 0) continue;
    const std::string path = JoinPath(entry.path().string(), kJournalFileName);
    if (!FileExists(path)) continue;
    FoundJournal found{.path = path};
    try {
      found.journal = ReadJournal(path);
      if (found.journal->stage == JournalStage::Ended) continue;
    } catch (const UnreadableJournal& e) {
      found.problem = e.problem();
    }
    const auto time = std::filesystem::last_write_time(path, ec);
    if (!newest || time > newest_time) {
      newest = std::move(found);
      newest_time = time;
    }
  }
  return newest;
}

std::string UnfinishedRunText(const std::string& product_dir, const std::string& path,
                              const RunJournal& journal) {
  if (journal.outcome == JournalOutcome::None) {
    return GetMessageText(msg::uUpdate_UnfinishedRunText_1, product_dir, StageText(journal.stage),
                          path);
  }
  return GetMessageText(msg::uUpdate_UnfinishedRunText_2, product_dir, OutcomeText(journal.outcome),
                        StageText(journal.stage), path);
}

void RefuseOverUnfinishedRun(const std::string& product_dir) {
  const std::optional<FoundJournal> found = FindUnfinishedJournal(product_dir);
  if (!found) return;
  const std::string refused = GetMessageText(msg::uUpdate_RefuseOverUnfinishedRun_1);
  if (!found->journal) {
    throw Error(GetMessageText(msg::uUpdate_ParseJournal_1, found->path, found->problem) + "\r" +
                refused + " " +
                GetMessageText(msg::uUpdate_RefuseOverUnfinishedRun_3, FolderPart(found->path)));
  }
  throw Error(UnfinishedRunText(product_dir, found->path, *found->journal) + "\r" + refused + " " +
              RecoveryHint());
}

}  // namespace updater
