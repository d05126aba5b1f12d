#include <cerrno>
#include <cstring>
#include <ctime>

#include "sys/calendar_time.h"
#include "sys/error.h"

namespace updater {

CalendarTime LocalCalendarTime(Clock::TimePoint t) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  ::tzset();  // pick up a TZ changed since the last call
  std::tm tm{};
  if (::localtime_r(&seconds, &tm) == nullptr) {
    throw Error("Cannot convert the time to local time: " + std::string(std::strerror(errno)));
  }
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

}  // namespace updater
