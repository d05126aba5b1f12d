#include "update/run_journal.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"

namespace updater {
namespace {

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

[[noreturn]] void Garbled(const std::string& source, const std::string& why) {
  throw Error("The run journal \"" + source + "\" cannot be used: " + why +
              ". Nothing was changed.");
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
      throw Error("The value of \"" + key + "\" cannot be written into the run journal.");
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
  if (text.empty() || text.back() != '\n') Garbled(source, "it is truncated");
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) Garbled(source, "it has no journal header");
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
    if (eq == std::string::npos) Garbled(source, "the line \"" + line + "\" is not understood");
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "stage") {
      if (!Lookup(kStages, value, journal.stage))
        Garbled(source, "the stage \"" + value + "\" is unknown");
      stage_seen = true;
    } else if (key == "outcome") {
      if (!Lookup(kOutcomes, value, journal.outcome))
        Garbled(source, "the outcome \"" + value + "\" is unknown");
      outcome_seen = true;
    } else if (key == "product_dir") {
      journal.product_dir = value;
    } else if (key == "temp_dir") {
      journal.temp_dir = value;
    } else if (key == "has_client" || key == "has_server") {
      if (value != "0" && value != "1")
        Garbled(source, "the line \"" + line + "\" is not understood");
      (key == "has_client" ? journal.has_client : journal.has_server) = value == "1";
    } else if (key == "live_db") {
      journal.live_db = value;
    } else if (key == "aside_db") {
      journal.aside_db = value;
    } else if (key == "backup_db") {
      journal.backup_db = value;
    } else if (key == "deleted") {
      if (value.empty() || value.find_first_of("/\\") != std::string::npos)
        Garbled(source, "the line \"" + line + "\" is not understood");
      journal.deleted_live_files.push_back(value);
    } else {
      Garbled(source, "the line \"" + line + "\" is not understood");
    }
  }
  if (!ended) Garbled(source, "it is truncated");
  if (std::getline(in, line)) Garbled(source, "it goes on after its end");
  if (!stage_seen || !outcome_seen || journal.product_dir.empty() || journal.temp_dir.empty())
    Garbled(source, "it lacks the stage, the outcome or the folders");
  if (journal.has_server &&
      (journal.live_db.empty() || journal.aside_db.empty() || journal.backup_db.empty()))
    Garbled(source, "it lacks the paths of the database");
  return journal;
}

void WriteJournal(const RunJournal& journal) {
  const std::string path = JoinPath(journal.temp_dir, kJournalFileName);
  if (!ReplaceFileDurably(path, FormatJournal(journal))) {
    throw Error("The run journal \"" + path + "\" could not be written!");
  }
}

RunJournal ReadJournal(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in) throw Error("The run journal \"" + path + "\" cannot be read. Nothing was changed.");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return ParseJournal(buffer.str(), path);
}

std::optional<std::string> FindUnfinishedJournal(const std::string& product_dir) {
  std::error_code ec;
  if (product_dir.empty() || !DirectoryExists(product_dir)) return std::nullopt;
  std::optional<std::string> newest;
  std::filesystem::file_time_type newest_time;
  for (const auto& entry : std::filesystem::directory_iterator(product_dir, ec)) {
    if (entry.path().filename().string().rfind("Tmp$", 0) != 0) continue;
    const std::string path = JoinPath(entry.path().string(), kJournalFileName);
    if (!FileExists(path)) continue;
    if (ReadJournal(path).stage == JournalStage::Ended) continue;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (!newest || time > newest_time) {
      newest = path;
      newest_time = time;
    }
  }
  return newest;
}

std::string UnfinishedRunText(const std::string& product_dir, const std::string& path,
                              const RunJournal& journal) {
  const std::string how =
      journal.outcome == JournalOutcome::None
          ? "did not end: it stopped at the stage \""
          : "ended \"" + OutcomeName(journal.outcome) + "\" half-way, at the stage \"";
  return "An earlier update of \"" + product_dir + "\" " + how + StageName(journal.stage) +
         "\" (journal \"" + path + "\").";
}

void RefuseOverUnfinishedRun(const std::string& product_dir) {
  const std::optional<std::string> path = FindUnfinishedJournal(product_dir);
  if (!path) return;
  throw Error(UnfinishedRunText(product_dir, *path, ReadJournal(*path)) +
              "\rNo new update is started over it. " + kRecoveryHint);
}

}  // namespace updater
