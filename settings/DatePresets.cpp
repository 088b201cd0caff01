#include "settings/DatePresets.h"

#include <cstdint>

namespace kestrom {

namespace {

TDateTime WithDate(TDateTime value, std::int64_t day) {
    const double timeOfDay = value - static_cast<double>(DatePart(value));
    return static_cast<double>(day) + timeOfDay;
}

} // namespace

Period ApplyDatePresets(const DatePresets& presets, TDateTime today, Period period) {
    const std::int64_t day = DatePart(today);
    if (presets.StartToday) period.Start = WithDate(period.Start, day);
    if (presets.StartYesterday) period.Start = WithDate(period.Start, day - 1);
    if (presets.StartWeekAgo) period.Start = WithDate(period.Start, day - 7);
    if (presets.EndToday) period.End = WithDate(period.End, day);
    if (presets.EndYesterday) period.End = WithDate(period.End, day - 1);
    return period;
}

} // namespace kestrom
