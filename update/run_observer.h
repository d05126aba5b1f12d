#pragma once

#include <chrono>
#include <string>

namespace updater {

// The parts of a run that a report for machines names, in the order a run meets them.
enum class RunStep {
  Detection,          // the product's parts, the release, the confirmation
  ServerPreparation,  // attached users, shutdown, server stop, free space, restart
  Staging,            // lock test, working folders, payload, backup and working copies
  DatabaseUpdate,     // the working copy of the database
  ClientUpdate,       // the working copy of the client
  Swap,               // the updated parts into the product folder
  Rollback,
  FinalStep,  // the server started and the live database online
  Recovery,   // a recovery after a run that died
};

// The step's name in a report: lower case, words joined by "-".
std::string RunStepName(RunStep step);

// What a front end follows of a run beside its log. Calls come from the run's thread.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void PartsFound(bool has_client, bool has_server) = 0;
  virtual void StepBegun(RunStep step) = 0;
  // The product was found at the carried release and the run ended without a change.
  virtual void AlreadyCurrent() = 0;
  // Where the staging's time goes, for a profile: one of its parts begun ("lock-test",
  // "payload", "backup", "working-copy"); the next step ends it.
  virtual void PartBegun(const std::string& /*part*/) {}
  // Time the current step or part spent waiting for its files to reach the disk.
  virtual void Flushed(std::chrono::nanoseconds /*took*/) {}
};

}  // namespace updater
