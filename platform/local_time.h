// A moment as the clock on the wall shows it, with its offset from UTC.
#pragma once

namespace dizi {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  // Local time less UTC, in minutes: 120 for UTC+02:00, -300 for UTC-05:00.
  int utcOffsetMinutes = 0;
};

}  // namespace dizi
