#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sys/clock.h"
#include "update/run_observer.h"

namespace updater {

// The account of one `update` or `recover` for machines (`--report FILE`): it follows the run
// and is written once at its end, whatever the outcome. Fields: README, "Report for machines".
class RunReport final : public RunObserver {
 public:
  RunReport(Clock& clock, std::string command, std::string product_dir);

  void PartsFound(bool has_client, bool has_server) override;
  void StepBegun(RunStep step) override;
  void AlreadyCurrent() override;
  void PartBegun(const std::string& part) override;
  void Flushed(std::chrono::nanoseconds took) override;

  // The JSON object for a run that ended now with `exit_code`.
  std::string Json(int exit_code, const std::string& run_log, const std::string& last_message);

 private:
  struct Stage {
    std::string name;
    Clock::TimePoint begun;
  };

  struct Phase {
    std::string name;
    Clock::TimePoint::duration spent{};
    std::chrono::nanoseconds flushed{};
  };
  // Ends the current phase now and goes on in `name`'s.
  void BeginPhase(const std::string& name);

  Clock& clock_;
  std::string command_;
  std::string product_dir_;
  Clock::TimePoint started_;
  std::optional<std::pair<bool, bool>> parts_;
  std::vector<Stage> stages_;
  bool already_current_ = false;
  std::vector<Phase> phases_;  // in the order first met
  std::size_t phase_ = 0;      // the current one; none while phases_ is empty
  Clock::TimePoint phase_begun_;
};

// The outcome's name for an exit code: "success" (or "already-current"), "failed",
// "cancelled", "rolled-back", "interrupted", "unfinished" (`recover` must finish the run);
// "failed" for a code it does not know.
std::string OutcomeOfExitCode(int exit_code, bool already_current);

// Replaces `path` with `text` through a file beside it renamed over it, so that a reader
// sees the old report or the whole new one; raises Error naming the path when it cannot.
void WriteReportFile(const std::string& path, const std::string& text);

}  // namespace updater
