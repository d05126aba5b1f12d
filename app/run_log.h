#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sys/calendar_time.h"
#include "sys/clock.h"

namespace updater {

// The log file's name for a local moment: ddmmyy-hhnnss_Updater.log.
std::string LogFileName(const CalendarTime& t);

// The run log: one file per start in the folder Logs, and the on-screen lines
// handed to a sink (the window's log, or standard output).
//
// File entry bytes: CR, short date, " - ", long time, ": ", the text as passed,
// CR LF. On-screen lines: "date - time: " and the first line of the text, then a
// tab and each further line. Texts are UTF-8 and are written to the file unchanged,
// so the file is UTF-8 text; date and time come from app/local_time.h.
class RunLog {
 public:
  using LineSink = std::function<void(const std::string& line)>;

  // Creates base_folder/Logs when missing and the file named from the local time on
  // `clock`, empty; entries are stamped from `clock` too. Raises an Error naming the path
  // when it cannot be created.
  RunLog(Clock& clock, const std::string& base_folder, LineSink sink);

  // The same, with the folder of the running executable as the base folder.
  static RunLog BesideExecutable(Clock& clock, LineSink sink);

  const std::string& LogFile() const { return log_file_; }

  // Writes one entry. An empty text raises "List index out of bounds (0)" before
  // anything is written. When the file cannot be written, the on-screen lines
  // are already out and the Error names the file.
  void SaveExceptionToLog(const std::string& text);

 private:
  Clock* clock_;
  std::string log_file_;
  LineSink sink_;
};

}  // namespace updater
