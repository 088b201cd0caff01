#pragma once

#include "base/DateTime.h"

namespace kestrom {

/// The check marks of the five date presets: "Сегодня", "Вчера" and
/// "Неделю назад" for the start of the period, "Сегодня" and "Вчера" for its
/// end. The defaults are those of a first start.
struct DatePresets {
    bool StartToday = false;    // N5, key Date1_td
    bool StartYesterday = true; // N6, key Date1_yd
    bool StartWeekAgo = false;  // N7, key Date1_mon
    bool EndToday = true;       // N8, key Date2_td
    bool EndYesterday = false;  // N9, key Date2_yt
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
