// Moments: as the clock on the wall shows them, with their offset from UTC,
// and in UTC.
#pragma once

#include <string>

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

// A moment in Coordinated Universal Time.
struct UtcTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, int month, int day);

// The same moment in UTC.
UtcTime UtcOf(const LocalTime& time);

// `time` moved on by `seconds` (which may be negative), the offset kept.
LocalTime Later(const LocalTime& time, long long seconds);

// ISO 8601: "2024-05-17T16:23:01+02:00", and "2024-05-17T14:23:01Z".
std::string IsoTime(const LocalTime& time);
std::string IsoTime(const UtcTime& time);
// "20240517-142301", for names.
std::string TimeStamp(const UtcTime& time);

}  // namespace dizi
