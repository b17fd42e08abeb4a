#include "platform/local_time.h"

namespace dizi {

namespace {

constexpr long long kSecondsPerDay = 86400;

struct CivilDate {
  int year;
  int month;
  int day;
};

// The inverse of DaysFromCivil (the algorithms of H. Hinnant's
// "chrono-compatible low-level date algorithms").
CivilDate CivilFromDays(long long days) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  date.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

long long SecondsOf(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600LL + minute * 60LL + second;
}

// Seconds since 1970 split into the fields of `T` (LocalTime or UtcTime).
template <typename T>
void SetFields(long long seconds, T& time) {
  long long days = seconds / kSecondsPerDay;
  long long rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const CivilDate date = CivilFromDays(days);
  time.year = date.year;
  time.month = date.month;
  time.day = date.day;
  time.hour = static_cast<int>(rest / 3600);
  time.minute = static_cast<int>(rest % 3600 / 60);
  time.second = static_cast<int>(rest % 60);
}

// The number's last `count` decimal digits, with leading zeros. Written by
// hand: the C library's formatting would weigh more than all that uses it.
std::string Digits(int number, int count) {
  std::string text(static_cast<std::size_t>(count), '0');
  for (int i = count - 1; i >= 0 && number > 0; --i, number /= 10) {
    text[static_cast<std::size_t>(i)] = static_cast<char>('0' + number % 10);
  }
  return text;
}

// The date and time with the separators given: after the year, the month,
// the day, the hour and the minute (a blank for none).
template <typename T>
std::string DateAndTime(const T& time, const char (&separators)[6]) {
  const int parts[] = {time.year, time.month, time.day, time.hour, time.minute, time.second};
  std::string text;
  for (std::size_t i = 0; i < 6; ++i) {
    text += Digits(parts[i], i == 0 ? 4 : 2);
    if (i < 5 && separators[i] != ' ') {
      text += separators[i];
    }
  }
  return text;
}

}  // namespace

std::string IsoTime(const LocalTime& time) {
  const int offset = time.utcOffsetMinutes < 0 ? -time.utcOffsetMinutes : time.utcOffsetMinutes;
  return DateAndTime(time, "--T::") + (time.utcOffsetMinutes < 0 ? "-" : "+") +
         Digits(offset / 60, 2) + ":" + Digits(offset % 60, 2);
}

std::string IsoTime(const UtcTime& time) {
  return DateAndTime(time, "--T::") + "Z";
}

std::string TimeStamp(const UtcTime& time) {
  return DateAndTime(time, "  -  ");
}

long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

UtcTime UtcOf(const LocalTime& time) {
  UtcTime utc;
  SetFields(SecondsOf(time.year, time.month, time.day, time.hour, time.minute, time.second) -
                time.utcOffsetMinutes * 60LL,
            utc);
  return utc;
}

LocalTime Later(const LocalTime& time, long long seconds) {
  LocalTime later;
  SetFields(
      SecondsOf(time.year, time.month, time.day, time.hour, time.minute, time.second) + seconds,
      later);
  later.utcOffsetMinutes = time.utcOffsetMinutes;
  return later;
}

}  // namespace dizi
