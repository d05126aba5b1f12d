#pragma once

#include "sys/clock.h"

namespace updater {

// A moment broken down on the local wall clock (the system's time zone).
struct CalendarTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
};

CalendarTime LocalCalendarTime(Clock::TimePoint t);

}  // namespace updater
