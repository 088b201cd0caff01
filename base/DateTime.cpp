#include "base/DateTime.h"

#include <cmath>

namespace kestrom {

namespace {

// 30 December 1899 lies 25569 days before 1 January 1970.
constexpr std::int64_t UnixEpochOffset = 25569;

// Days since 1 January 1970 (proleptic Gregorian), after H. Hinnant.
std::int64_t DaysFromUnixCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void PutDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && IsLeapYear(year)) return 29;
    return Days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::int64_t DaysFromCivil(const CivilDate& d) {
    return DaysFromUnixCivil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)) +
           UnixEpochOffset;
}

CivilDate CivilFromDays(std::int64_t days) {
    const std::int64_t z = days - UnixEpochOffset + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

std::int64_t TotalMs(TDateTime v) {
    return static_cast<std::int64_t>(std::llround(v * static_cast<double>(MsPerDay)));
}

std::int64_t DatePart(TDateTime v) {
    // A value a hair below a whole day (rounding of the time) belongs to the next day.
    const std::int64_t totalMs = TotalMs(v);
    std::int64_t days = totalMs / MsPerDay;
    if (totalMs % MsPerDay < 0) --days;
    return days;
}

std::int64_t TimeOfDayMs(TDateTime v) {
    const std::int64_t totalMs = TotalMs(v);
    std::int64_t ms = totalMs % MsPerDay;
    if (ms < 0) ms += MsPerDay;
    return ms;
}

TimeOfDay TimeFromMs(std::int64_t ms) {
    TimeOfDay t;
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

TDateTime EncodeDate(const CivilDate& d) {
    return static_cast<double>(DaysFromCivil(d));
}

TDateTime EncodeTime(const TimeOfDay& t) {
    const std::int64_t ms =
        t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL + t.millisecond;
    return static_cast<double>(ms) / static_cast<double>(MsPerDay);
}

void FormatIsoDate(TDateTime v, char out[10]) {
    const CivilDate d = CivilFromDays(DatePart(v));
    PutDigits(out, d.year, 4);
    out[4] = '-';
    PutDigits(out + 5, d.month, 2);
    out[7] = '-';
    PutDigits(out + 8, d.day, 2);
}

void FormatIsoTime(TDateTime v, char out[12]) {
    const TimeOfDay t = TimeFromMs(TimeOfDayMs(v));
    PutDigits(out, t.hour, 2);
    out[2] = ':';
    PutDigits(out + 3, t.minute, 2);
    out[5] = ':';
    PutDigits(out + 6, t.second, 2);
    out[8] = '.';
    PutDigits(out + 9, t.millisecond, 3);
}

std::string IsoDate(TDateTime v) {
    char buf[10];
    FormatIsoDate(v, buf);
    return {buf, 10};
}

std::string IsoTime(TDateTime v) {
    char buf[12];
    FormatIsoTime(v, buf);
    return {buf, 12};
}

} // namespace kestrom
