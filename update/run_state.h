#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "db/connection_params.h"
#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "fbserver/known_server.h"
#include "messages/message_key.h"
#include "seams/operator.h"
#include "update/product_state.h"
#include "update/run_journal.h"
#include "update/update_context.h"
#include "update/update_run.h"

namespace updater {

// What the run asks of the database server, the script library and the payload. The real
// ones need the Firebird server; the run's order tests put a recording stand-in here.
class RunServices {
 public:
  virtual ~RunServices() = default;

  // `db` names the client library, the database's connection string, the user and the
  // password; each service sets the character set it needs.

  // Users attached to the database, less the caller's own attachment.
  virtual std::vector<std::string> AttachedUsers(const db::ConnectionParams& db) = 0;
  // `server_prefix` is the profile's: behind it, the connection string is a file path only.
  virtual void Shutdown(const db::ConnectionParams& db, const std::string& server_prefix) = 0;
  virtual void OnLine(const db::ConnectionParams& db, const std::string& server_prefix) = 0;
  virtual void RunScriptText(Operator& op, const db::ConnectionParams& db,
                             const std::string& text) = 0;
  virtual void RunScriptFile(Operator& op, const db::ConnectionParams& db,
                             const std::string& file) = 0;
  // Removes the privileges that the user of `db` (ADMN or SYSDBA) granted to other users.
  virtual void CleanUpPrivileges(Operator& op, const db::ConnectionParams& db) = 0;
  // Writes the payload archive into `new_dir`, runs it there and checks what it unpacked.
  virtual void UnpackPayload(Operator& op, const std::string& new_dir,
                             const ProjectProfile& profile) = 0;
  // The header stamp of the database for the release record; nothing when it cannot be read
  // (then no record is made).
  virtual std::optional<DatabaseStamp> DatabaseStampOf(const db::ConnectionParams&) {
    return std::nullopt;
  }
};

// The database server and the script library for real; the payload is left to the one below.
class ServerRunServices : public RunServices {
 public:
  explicit ServerRunServices(const Facilities& f) : f_(f) {}

  std::vector<std::string> AttachedUsers(const db::ConnectionParams& db) override;
  void Shutdown(const db::ConnectionParams& db, const std::string& server_prefix) override;
  void OnLine(const db::ConnectionParams& db, const std::string& server_prefix) override;
  void RunScriptText(Operator& op, const db::ConnectionParams& db,
                     const std::string& text) override;
  void RunScriptFile(Operator& op, const db::ConnectionParams& db,
                     const std::string& file) override;
  void CleanUpPrivileges(Operator& op, const db::ConnectionParams& db) override;
  std::optional<DatabaseStamp> DatabaseStampOf(const db::ConnectionParams& db) override;

 protected:
  Facilities f_;
};

// The services of a real run: the server's, and the payload this program carries.
std::unique_ptr<RunServices> RealRunServices(const Facilities& f);

// How far the swap of the updated parts into the product folder got.
struct SwapReport {
  bool database_swapped = false;
  bool program_swapped = false;
  bool resources_swapped = false;
  std::string error;  // the text of the error that stopped the swap; empty when none did
};

// One update run: its arguments, its context and everything it learns on the way. The
// stages are methods, one file each (run_*.cpp); run_stages.cpp puts them in order.
class UpdateRun {
 public:
  UpdateRun(RunServices& services, const Facilities& f, std::string product_dir_text,
            std::string system_password, std::string admn_password, Operator& op,
            std::string project_key, const UpdateRunSettings& settings);

  // The whole run; returns when it went through to its end, else throws.
  void Run();

 private:
  // What puts things back when a stage fails or is asked to stop on its way. From the staging
  // on the final step always comes; an error of its own replaces the one in flight.
  enum class Undo {
    Nothing,    // the stage restarts the server itself; no product file has changed
    FinalStep,  // the server is started and the live database brought online
    Rollback,   // the live files are put back from the backup, then the final step
  };
  // Where a request to stop is taken, beside the points inside the stage's own work.
  enum class StopPoint { None, Before, After };
  // One stage of the run: the progress it shows, its work, the journal stage recorded once
  // the work went through (the folders it wrote flushed first), and its undo.
  struct RunStage {
    RunStep progress;
    bool UpdateContext::*part = nullptr;  // the part of the product it needs; none: every run
    void (UpdateRun::*work)() = nullptr;
    std::optional<JournalStage> done;
    std::vector<std::string UpdateContext::*> written;
    StopPoint stop = StopPoint::None;
    Undo undo = Undo::Nothing;
  };
  static std::span<const RunStage> Stages();
  void RunStages();
  [[noreturn]] void UndoStage(Undo undo, const std::exception_ptr& error);

  // Entry, detection and confirmation.
  void DetectAndConfirm();
  // Attached users or the server-stop warning, shutdown, server stop, free space, restart.
  void PrepareServer();
  void CheckConnections();
  void StopCheckAndRestartServer();
  // Lock test, working folders, payload, backup and working copies.
  void Stage();
  void LockTestProductFolder();
  void BuildWorkingFolders();
  // The working copy of the database.
  void UpdateDatabase();
  void PrepareRolesCapture();
  void InstallUdfLibrary();
  // The working copy of the client.
  void UpdateClient();
  int ReadProgramLanguage(const std::string& settings_path);
  void DeleteLiveAndWorkFile(const std::string& name);
  // Moves the updated parts into the product folder; errors are logged and reported later.
  void Swap();
  void SwapDatabase();
  void SwapFolders();
  // Undoes what the database and client steps changed; always raises.
  // After a request to stop, ends with Interrupted once everything is put back.
  [[noreturn]] void Rollback(const std::string& message, bool interrupted = false);
  // Starts the server and brings the live database online; replaces an error in flight.
  void FinalStep();
  [[noreturn]] void RaiseSwapFailure();

  // The run journal: started before the first change to the live system (the database's
  // shutdown, or the working folders of a product without a server part); a stage is recorded
  // after the files under `written` are flushed to the disk.
  void StartJournal(JournalStage first);
  void Record(JournalStage stage, const std::vector<std::string>& written = {});
  // Records the outcome; a failure to write it is logged, never raised.
  void EndJournal(JournalOutcome outcome) noexcept;

  // At the end of a step: when the program was asked to stop, says so once and raises
  // Interrupted.
  void StopIfAsked();

  // The release record (run_release.cpp): a product already at the carried release is left
  // as it is; the record goes before the first change and comes back after a run that went
  // through.
  bool AtCarriedRelease();
  void RememberCarriedRelease() noexcept;
  ReleaseLayout LiveLayout();
  DatabaseProbe DatabaseProbeOfRun();
  void Step(RunStep step);
  void Part(const std::string& part);
  // FlushToDisk, its time told to the observer.
  bool Flush(const std::string& path);
  void Log(const std::string& text);
  void LogKey(MessageKey key);
  void CopyChecked(const std::string& source, const std::string& target);
  // The unpacked payload file `name`, matched without regard to case.
  std::string PayloadFile(const std::string& name) const;
  const TFBServParams& ServerParams();
  // The live or the working database as SYSDBA or as ADMN.
  db::ConnectionParams AsSysdba(const std::string& database) const;
  db::ConnectionParams AsAdmn(const std::string& database) const;

  RunServices& services_;
  Facilities f_;
  std::string product_dir_text_;
  std::string system_password_;
  std::string admn_password_;
  Operator& op_;
  std::string project_key_;
  UpdateRunSettings settings_;
  const ProjectProfile& profile_;

  UpdateContext c_;
  std::string error_text_;  // the collected messages, each "Exception Message: ..."
  KnownServer server_;
  // Files the client step deleted from the live program folder, for the rollback.
  std::vector<std::string> deleted_live_files_;
  SwapReport swap_;
  RunJournal journal_;
  bool journal_started_ = false;
  // From the journal's start on, a request to stop waits for the end of the current step.
  std::optional<StopRequest::Arming> arming_;
  bool stop_logged_ = false;
  // The final step could not start the server or bring the database online.
  bool final_step_failed_ = false;
  bool rolled_back_ = false;
  // A failure, not a request to stop, was rolled back.
  bool failure_rolled_back_ = false;
  // The rollback could not put back every file of the live product.
  bool rollback_incomplete_ = false;
};

// UpdateProgramm with the given services.
void UpdateProgrammWith(RunServices& services, const Facilities& f, std::string productDirText,
                        std::string systemPassword, std::string admnPassword, Operator& logMemo,
                        std::string projectKey, const UpdateRunSettings& settings);

}  // namespace updater
