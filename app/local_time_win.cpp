#include "app/local_time.h"

#include "sys/calendar_time.h"
#include "sys/error.h"
#include "sys/utf16_win.h"

namespace updater {

using win::SystemErrorText;
using win::Utf8;

namespace {

SYSTEMTIME LocalSystemTime(Clock::TimePoint t) {
  CalendarTime c = LocalCalendarTime(t);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(c.year);
  st.wMonth = static_cast<WORD>(c.month);
  st.wDay = static_cast<WORD>(c.day);
  st.wHour = static_cast<WORD>(c.hour);
  st.wMinute = static_cast<WORD>(c.minute);
  st.wSecond = static_cast<WORD>(c.second);
  return st;
}

}  // namespace

// The user's regional short date and long time formats.
std::string ShortDateText(Clock::TimePoint t) {
  SYSTEMTIME st = LocalSystemTime(t);
  wchar_t buffer[128];
  int n = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128,
                            nullptr);
  if (n == 0) throw Error("Cannot format the date: " + SystemErrorText(::GetLastError()));
  return Utf8(std::wstring(buffer, static_cast<std::size_t>(n - 1)));
}

std::string LongTimeText(Clock::TimePoint t) {
  SYSTEMTIME st = LocalSystemTime(t);
  wchar_t buffer[128];
  int n = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
  if (n == 0) throw Error("Cannot format the time: " + SystemErrorText(::GetLastError()));
  return Utf8(std::wstring(buffer, static_cast<std::size_t>(n - 1)));
}

}  // namespace updater
