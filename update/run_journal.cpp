#include "update/run_journal.h"

#include <algorithm>
#include <array>
#include <filesystem>
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

// Each value's name in the journal file and its text for people.
template <typename Value>
struct Row {
  Value value;
  const char* name;
  MessageKey text;
};

constexpr std::array<Row<JournalStage>, 11> kStages = {{
    {JournalStage::ServerPreparation, "server preparation", msg::uUpdate_StageText_1},
    {JournalStage::Staging, "staging", msg::uUpdate_StageText_2},
    {JournalStage::Staged, "staging done", msg::uUpdate_StageText_3},
    {JournalStage::DatabaseUpdated, "database step done", msg::uUpdate_StageText_4},
    {JournalStage::ClientUpdated, "client step done", msg::uUpdate_StageText_5},
    {JournalStage::DatabaseSwapBegun, "database swap begun", msg::uUpdate_StageText_6},
    {JournalStage::DatabaseSwapped, "database swapped", msg::uUpdate_StageText_7},
    {JournalStage::ProgramCopyBegun, "program copy begun", msg::uUpdate_StageText_8},
    {JournalStage::ProgramCopyDone, "program copy done", msg::uUpdate_StageText_9},
    {JournalStage::FinalStepDone, "final step done", msg::uUpdate_StageText_10},
    {JournalStage::Ended, "run ended", msg::uUpdate_StageText_11},
}};

// A run without an outcome is told by its name, as one that did not end.
constexpr std::array<Row<JournalOutcome>, 6> kOutcomes = {{
    {JournalOutcome::None, "none", MessageKey(nullptr)},
    {JournalOutcome::Success, "success", msg::uUpdate_OutcomeText_1},
    {JournalOutcome::RolledBack, "rolled back", msg::uUpdate_OutcomeText_2},
    {JournalOutcome::Failed, "failed", msg::uUpdate_OutcomeText_3},
    {JournalOutcome::Recovered, "recovered", msg::uUpdate_OutcomeText_4},
    {JournalOutcome::Interrupted, "interrupted", msg::uUpdate_OutcomeText_5},
}};

template <typename Value, std::size_t N, typename Match>
const Row<Value>* Find(const std::array<Row<Value>, N>& table, Match match) {
  const auto row = std::find_if(table.begin(), table.end(), match);
  return row != table.end() ? &*row : nullptr;
}

template <typename Value, std::size_t N>
bool Lookup(const std::array<Row<Value>, N>& table, const std::string& name, Value& value) {
  const Row<Value>* row = Find(table, [&](const Row<Value>& r) { return name == r.name; });
  if (row != nullptr) value = row->value;
  return row != nullptr;
}

template <typename Value, std::size_t N>
std::string TextOf(const std::array<Row<Value>, N>& table, Value value, bool for_people) {
  const Row<Value>* row = Find(table, [&](const Row<Value>& r) { return r.value == value; });
  if (row == nullptr) return "unknown";
  return for_people && row->text.name() != nullptr ? GetMessageText(row->text) : row->name;
}

[[noreturn]] void Garbled(const std::string& source, MessageKey key,
                          const std::string& value = kNull) {
  throw UnreadableJournal(source, GetMessageText(key, value));
}

[[noreturn]] void NotUnderstood(const std::string& source, const std::string& line) {
  Garbled(source, msg::uUpdate_ParseJournal_5, line);
}

}  // namespace

std::string StageName(JournalStage stage) {
  return TextOf(kStages, stage, false);
}

std::string OutcomeName(JournalOutcome outcome) {
  return TextOf(kOutcomes, outcome, false);
}

std::string StageText(JournalStage stage) {
  return TextOf(kStages, stage, true);
}

std::string OutcomeText(JournalOutcome outcome) {
  return TextOf(kOutcomes, outcome, true);
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
  const std::optional<std::string> text = ReadFileText(path);
  if (!text) throw UnreadableJournal(path, GetMessageText(msg::uUpdate_ReadJournal_1));
  return ParseJournal(*text, path);
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
