#pragma once

#include <string>

#include "sys/clock.h"

namespace updater {

// The local date in the regional short date format and the local time in the
// regional long time format, as UTF-8. On POSIX these are strftime's "%x" and "%X"
// under the LC_TIME locale that the environment names (LC_ALL, LC_TIME, then LANG;
// "C" when none is set or the locale is not installed), so "C" gives 01/05/07 and
// 14:03:09. On Windows the user's regional formats (GetDateFormatEx, GetTimeFormatEx).
std::string ShortDateText(Clock::TimePoint t);
std::string LongTimeText(Clock::TimePoint t);

}  // namespace updater
