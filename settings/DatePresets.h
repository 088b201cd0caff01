#pragma once

#include "base/DateTime.h"

namespace kestrom {

/// The check marks of the five date presets: "Сегодня", "Вчера" and
/// "Неделю назад" for the start of the period, "Сегодня" and "Вчера" for its
/// end (keys Date1_td, Date1_yd, Date1_mon, Date2_td, Date2_yt).
struct DatePresets {
    bool StartToday = false;
    bool StartYesterday = false;
    bool StartWeekAgo = false;
    bool EndToday = false;
    bool EndYesterday = false;
    bool operator==(const DatePresets&) const = default;
};

/// The two period pickers: start and end of the period, each a date with a
/// time of day.
struct Period {
    TDateTime Start = 0;
    TDateTime End = 0;
    bool operator==(const Period&) const = default;
};

/// The period after the checked presets are applied for the day `today` (its
/// time of day does not matter). Only the date part of a picker changes. The
/// start presets apply in the order today, yesterday, a week ago, the end
/// presets today, yesterday; the last checked one wins, and a picker with no
/// checked preset keeps its date.
Period ApplyDatePresets(const DatePresets& presets, TDateTime today, Period period);

} // namespace kestrom
