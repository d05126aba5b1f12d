#include "app/run_report.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "app/command_runner.h"
#include "app/json_text.h"
#include "messages/message_text.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "update/product_state.h"

namespace updater {

namespace {

double Seconds(Clock::TimePoint from, Clock::TimePoint to) {
  return std::chrono::duration<double>(to - from).count();
}

}  // namespace

RunReport::RunReport(Clock& clock, std::string command, std::string product_dir)
    : clock_(clock),
      command_(std::move(command)),
      product_dir_(std::move(product_dir)),
      started_(clock.Now()) {}

void RunReport::PartsFound(bool has_client, bool has_server) {
  parts_ = std::make_pair(has_client, has_server);
}

void RunReport::StepBegun(RunStep step) {
  stages_.push_back({RunStepName(step), clock_.Now()});
  BeginPhase(stages_.back().name);
}

void RunReport::PartBegun(const std::string& part) {
  BeginPhase(part);
}

void RunReport::Flushed(std::chrono::nanoseconds took) {
  if (!phases_.empty()) phases_[phase_].flushed += took;
}

void RunReport::BeginPhase(const std::string& name) {
  const Clock::TimePoint now = clock_.Now();
  if (!phases_.empty()) phases_[phase_].spent += now - phase_begun_;
  phase_begun_ = now;
  const auto same = std::find_if(phases_.begin(), phases_.end(),
                                 [&name](const Phase& phase) { return phase.name == name; });
  phase_ = static_cast<std::size_t>(same - phases_.begin());
  if (same == phases_.end()) phases_.push_back({name});
}

void RunReport::AlreadyCurrent() {
  already_current_ = true;
}

std::string RunReport::Json(int exit_code, const std::string& run_log,
                            const std::string& last_message) {
  const Clock::TimePoint ended = clock_.Now();
  std::vector<std::string> stages;
  for (std::size_t i = 0; i < stages_.size(); ++i) {
    const Clock::TimePoint until = i + 1 < stages_.size() ? stages_[i + 1].begun : ended;
    stages.push_back(JsonObject()
                         .Add("name", stages_[i].name)
                         .Add("seconds", Seconds(stages_[i].begun, until))
                         .Text());
  }
  std::vector<std::string> phases;
  for (std::size_t i = 0; i < phases_.size(); ++i) {
    const Clock::TimePoint::duration spent =
        phases_[i].spent + (i == phase_ ? ended - phase_begun_ : Clock::TimePoint::duration{});
    phases.push_back(
        JsonObject()
            .Add("name", phases_[i].name)
            .Add("seconds", std::chrono::duration<double>(spent).count())
            .Add("flush_seconds", std::chrono::duration<double>(phases_[i].flushed).count())
            .Text());
  }
  JsonObject report;
  report.Add("report_version", std::int64_t{1})
      .Add("command", command_)
      .Add("outcome", OutcomeOfExitCode(exit_code, already_current_))
      .Add("exit_code", std::int64_t{exit_code})
      .Add("product_dir", product_dir_);
  if (parts_) {
    report.Add("parts", JsonObject().Add("client", parts_->first).Add("server", parts_->second));
  } else {
    report.AddNull("parts");
  }
  return report.Add("release", CarriedReleaseDigest())
             .Add("seconds", Seconds(started_, ended))
             .AddRaw("stages", JsonArray(stages))
             .AddRaw("phases", JsonArray(phases))
             .Add("run_log", run_log)
             .Add("last_message", last_message)
             .Text() +
         "\n";
}

std::string OutcomeOfExitCode(int exit_code, bool already_current) {
  // In the order of ExitCode.
  static constexpr std::array<const char*, 6> kNames = {"success",     "failed",      "cancelled",
                                                        "rolled-back", "interrupted", "unfinished"};
  if (exit_code == kExitSuccess && already_current) return "already-current";
  if (exit_code < 0 || static_cast<std::size_t>(exit_code) >= kNames.size()) return "failed";
  return kNames.at(static_cast<std::size_t>(exit_code));
}

void WriteReportFile(const std::string& path, const std::string& text) {
  if (!ReplaceFileDurably(path, text)) throw Error(GetMessageText(msg::uReport_NotWritten, path));
}

}  // namespace updater
