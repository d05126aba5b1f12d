#include "app/run_report.h"

#include <chrono>
#include <utility>

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
             .Add("run_log", run_log)
             .Add("last_message", last_message)
             .Text() +
         "\n";
}

std::string OutcomeOfExitCode(int exit_code, bool already_current) {
  switch (exit_code) {
    case 0:
      return already_current ? "already-current" : "success";
    case 2:
      return "cancelled";
    case 3:
      return "rolled-back";
    case 4:
      return "interrupted";
    case 5:
      return "unfinished";
    default:
      return "failed";
  }
}

void WriteReportFile(const std::string& path, const std::string& text) {
  if (!ReplaceFileDurably(path, text)) throw Error(GetMessageText(msg::uReport_NotWritten, path));
}

}  // namespace updater
