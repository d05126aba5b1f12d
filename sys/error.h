#pragma once

#include <stdexcept>
#include <string>

namespace updater {

// Every failure is an Error carrying the text that the operator sees.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// How a command that did not go through ended; the front ends map each to an exit code, a
// verdict and a picture (app/command_runner.h).

// The operator declined a question: the command ends without a log entry or a box.
class Cancelled : public std::runtime_error {
 public:
  explicit Cancelled(const std::string& message = "Cancelled") : std::runtime_error(message) {}
};

// Any other failure of a run; the text says what went wrong.
class Failed : public Error {
 public:
  using Error::Error;
};

// A failure whose every reason the command has already put before the operator.
class FailureAlreadyTold : public Failed {
 public:
  explicit FailureAlreadyTold(const std::string& message) : Failed(message) {}
};

// The update failed and its changes were put back. Without a text all was put back, and the
// operator saw the cause when it happened; with one, it says what was not put back.
class RolledBack : public Error {
 public:
  RolledBack() : Error("The update was rolled back"), complete_(true) {}
  explicit RolledBack(const std::string& not_put_back) : Error(not_put_back) {}
  bool complete() const { return complete_; }

 private:
  bool complete_ = false;
};

// Raised when the program was asked to stop (Ctrl+C, a stop signal) and the command ended
// early at the end of a step, having put the product back to one consistent version.
class Interrupted : public Error {
 public:
  using Error::Error;
};

// Raised when a run could not finish its last step (the server's start, the database's switch
// back online): its journal stays open, and the recovery finishes the job.
class Unfinished : public Error {
 public:
  using Error::Error;
};

// As Unfinished, after the run had rolled back its changes.
class UnfinishedAfterRollback : public Unfinished {
 public:
  using Unfinished::Unfinished;
};

}  // namespace updater
