#pragma once

#include "base/DateTime.h"
#include "load/LoadCommand.h"

#include <filesystem>

namespace kestrom::bench {

/// A load of every call record of the days from `from` on, without a filter.
inline LoadRequest DaysRequest(const std::filesystem::path& ama, const CivilDate& from, int days) {
    LoadRequest r;
    r.RequireFilter = false;
    r.Filter.OnlySuccessful = false;
    r.AutoOpen = false;
    r.Period.AmaFolder = ama.string();
    r.Period.Start = EncodeDate(from);
    r.Period.End = EncodeDate(from) + (days - 1) + EncodeTime({23, 59, 0, 0});
    return r;
}

} // namespace kestrom::bench
