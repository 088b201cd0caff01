#include "load/LoadFrontEnd.h"

#include <cstdio>

namespace kestrom {

std::string LoadFrontEnd::ShortDate(TDateTime v) {
    const CivilDate d = CivilFromDays(DatePart(v));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
    return buf;
}

std::string LoadFrontEnd::LongTime(TDateTime v) {
    const TimeOfDay t = TimeFromMs(TimeOfDayMs(v));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

void LoadFrontEnd::NoFilesForDay(std::string_view text) {
    Information(text);
}

void LoadFrontEnd::LoadStarting() {}

void LoadFrontEnd::SavePrintHeaders(const std::string&, const std::string&) {}

void LoadFrontEnd::SetResultAttached(bool) {}

} // namespace kestrom
