#include "sys/calendar_time.h"
#include "sys/error.h"
#include "sys/utf16_win.h"

namespace updater {

namespace {

// FILETIME counts 100-nanosecond steps from 1601-01-01; the system clock from 1970-01-01.
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

}  // namespace

CalendarTime LocalCalendarTime(Clock::TimePoint t) {
  const std::int64_t seconds =
      std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
  const std::int64_t ticks = (seconds + kSecondsFrom1601To1970) * 10000000LL;
  if (ticks < 0) throw Error("Cannot convert the time to local time: it lies before 1601");
  FILETIME file_time;
  file_time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc;
  SYSTEMTIME local;
  // The time zone's rules for that date, summer time included.
  if (!::FileTimeToSystemTime(&file_time, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    throw Error("Cannot convert the time to local time: " + win::SystemErrorText(::GetLastError()));
  }
  return CalendarTime{local.wYear, local.wMonth,  local.wDay,
                      local.wHour, local.wMinute, local.wSecond};
}

}  // namespace updater
