#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sys/error.h"

namespace updater {

// How far a run got; each stage is recorded only once what it wrote is on the disk.
enum class JournalStage {
  ServerPreparation,  // the live database may be shut down and its server stopped; the
                      // product's files are untouched
  Staging,            // the working folders are being made; the live files are untouched
  Staged,             // the backup and the working copies are whole
  DatabaseUpdated,    // the working copy of the database is updated
  ClientUpdated,      // the working copy of the client is updated; files deleted from the live
                      // program folder are named
  DatabaseSwapBegun,  // the live database may be at its aside name
  DatabaseSwapped,    // the live database is the updated one
  ProgramCopyBegun,   // the live program and resources folders may be half copied
  ProgramCopyDone,    // the live product is the updated one
  FinalStepDone,      // the server runs and the live database is online
  Ended,              // the run (or a recovery) ended; see the outcome
};

enum class JournalOutcome { None, Success, RolledBack, Failed, Recovered, Interrupted };

// What a recovery needs to know of a run. Never a password.
struct RunJournal {
  JournalStage stage = JournalStage::Staging;
  JournalOutcome outcome = JournalOutcome::None;
  std::string product_dir;
  std::string temp_dir;
  bool has_client = false;
  bool has_server = false;
  std::string live_db;                          // the live database file
  std::string aside_db;                         // its name while the swap moves it aside
  std::string backup_db;                        // its copy in the backup
  std::vector<std::string> deleted_live_files;  // names in the live program folder
};

// Whether a run that stopped with `outcome` after recording `stage` may have left the live
// product half old and half new: its swap had begun and not finished. Such a run is not ended
// in its journal, so that the recovery takes it up.
bool LeftHalfSwapped(JournalStage stage, JournalOutcome outcome, bool has_client);

// How the operator goes on from a run that did not end.
std::string RecoveryHint();

// The journal's file in a run's temporary folder.
inline constexpr const char* kJournalFileName = "run.journal";
// Where the recovery moves a journal that it could not read, once the product is consistent:
// kept for the administrator, and no longer in the way of the next run.
inline constexpr const char* kUnreadableJournalFileName = "run.journal.unreadable";

// The names the journal file uses.
std::string StageName(JournalStage stage);
std::string OutcomeName(JournalOutcome outcome);
// What the operator reads for them.
std::string StageText(JournalStage stage);
std::string OutcomeText(JournalOutcome outcome);

// A journal file that cannot be opened or parsed: cut short, edited, or from another version.
class UnreadableJournal : public Error {
 public:
  UnreadableJournal(const std::string& path, const std::string& problem);
  const std::string& problem() const { return problem_; }

 private:
  std::string problem_;
};

std::string FormatJournal(const RunJournal& journal);
// Raises UnreadableJournal naming `source` when the text is truncated, garbled, of another
// version or of an unknown stage.
RunJournal ParseJournal(const std::string& text, const std::string& source);

// Replaces the journal file in `journal.temp_dir` atomically; raises Error when it cannot.
void WriteJournal(const RunJournal& journal);
// Reads the journal file `path`; raises UnreadableJournal naming it when it cannot be opened
// or parsed.
RunJournal ReadJournal(const std::string& path);

struct FoundJournal {
  std::string path;
  std::optional<RunJournal> journal;  // none when the file cannot be read
  std::string problem;                // then what is wrong with it
};

// The name the lock test gives the product folder while it has it renamed aside: the folder
// without a trailing separator, then "_".
std::string AsideProductDir(const std::string& product_dir);

// The journal file of the newest run under `product_dir` that did not end, if any. A run
// killed during its lock test left the folder at its aside name: then the journal is looked
// for there. A journal
// that cannot be read counts: it might be the one that did not end.
std::optional<FoundJournal> FindUnfinishedJournal(const std::string& product_dir);

// Names the product folder, how the run of the journal at `path` stopped and its stage.
std::string UnfinishedRunText(const std::string& product_dir, const std::string& path,
                              const RunJournal& journal);

// Raises Error when a run under `product_dir` did not end, naming the folder and the stage and
// pointing to the recovery; or when a journal there cannot be read, naming it and saying that
// the recovery decides from the folders.
void RefuseOverUnfinishedRun(const std::string& product_dir);

}  // namespace updater
