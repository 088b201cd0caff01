#pragma once

#include "base/ResultColumns.h"
#include "db/Query.h"
#include "results/ResultQuery.h"
#include "settings/SettingsState.h"
#include "ui/ResultGrid.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::bench {

/// The 20 result columns, all displayed, in result order.
inline std::vector<std::string> AllResultColumns() {
    std::vector<std::string> names;
    for (std::string_view n : ResultColumnNames())
        names.emplace_back(n);
    return names;
}

/// Opens the result in the grid as "Открыть таблицу" does, with the default
/// sort and every column shown; false (with the reason on stderr) on failure.
inline bool OpenInGrid(ResultGrid& grid, Query& query) {
    grid.BeginOpening();
    const ResultOutcome opened = OpenResultQuery(query, DefaultSortColumns());
    if (!opened.ok) {
        std::fprintf(stderr, "%s: %s\n", opened.message.c_str(), opened.detail.c_str());
        return false;
    }
    const std::vector<std::string> all = AllResultColumns();
    grid.ShowResult(query, all, all);
    query.Close();
    return true;
}

} // namespace kestrom::bench
