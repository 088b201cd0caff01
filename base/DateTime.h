#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrom {

/// A date-time value as the call table and the settings keep it: days since
/// 30 December 1899 00:00, the whole part the date, the fraction the time.
using TDateTime = double;

constexpr std::int64_t MsPerDay = 86400000;

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
    bool operator==(const CivilDate&) const = default;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    bool operator==(const TimeOfDay&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

/// Days from 30 December 1899 to the given (valid) Gregorian date.
std::int64_t DaysFromCivil(const CivilDate& d);
CivilDate CivilFromDays(std::int64_t days);

/// A date-time value in whole milliseconds since 30 December 1899 (rounded).
std::int64_t TotalMs(TDateTime v);
/// The date part of a date-time value (its whole days, rounded towards minus
/// infinity as the value's time of day is never negative).
std::int64_t DatePart(TDateTime v);
/// The time of day of a date-time value in whole milliseconds, 0 to 86399999.
std::int64_t TimeOfDayMs(TDateTime v);
TimeOfDay TimeFromMs(std::int64_t ms);

TDateTime EncodeDate(const CivilDate& d);
TDateTime EncodeTime(const TimeOfDay& t);

/// "YYYY-MM-DD" and "HH:MM:SS.zzz", the forms the call table stores.
/// Each writes exactly 10 or 12 characters into out.
void FormatIsoDate(TDateTime v, char out[10]);
void FormatIsoTime(TDateTime v, char out[12]);
std::string IsoDate(TDateTime v);
std::string IsoTime(TDateTime v);

} // namespace kestrom
