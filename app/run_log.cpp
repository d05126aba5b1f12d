#include "app/run_log.h"

#include <utility>

#include "app/local_time.h"
#include "app/log_file.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/text.h"

namespace updater {

namespace {

std::string Stamp(Clock& clock) {
  Clock::TimePoint now = clock.Now();
  return ShortDateText(now) + " - " + LongTimeText(now) + ": ";
}

}  // namespace

std::string LogFileName(const CalendarTime& t) {
  return TwoDigits(t.day) + TwoDigits(t.month) + TwoDigits(t.year) + "-" + TwoDigits(t.hour) +
         TwoDigits(t.minute) + TwoDigits(t.second) + "_Updater.log";
}

RunLog::RunLog(Clock& clock, const std::string& base_folder, LineSink sink)
    : clock_(&clock), sink_(std::move(sink)) {
  std::string folder = JoinPath(base_folder, "Logs");
  CreateDirectories(folder);  // a failure shows up when the file is created
  log_file_ = JoinPath(folder, LogFileName(LocalCalendarTime(clock.Now())));
  CreateEmptyFile(log_file_);
}

RunLog RunLog::BesideExecutable(Clock& clock, LineSink sink) {
  return RunLog(clock, ExecutableFolder(), std::move(sink));
}

void RunLog::SaveExceptionToLog(const std::string& text) {
  if (text.empty()) throw Error("List index out of bounds (0)");
  std::string entry = "\r" + Stamp(*clock_) + text + "\r\n";

  std::vector<std::string> lines = SplitLines(text);
  std::string stamp = Stamp(*clock_);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (sink_) sink_(i == 0 ? stamp + lines[i] : "\t" + lines[i]);
  }

  AppendToFile(log_file_, entry);
}

}  // namespace updater
