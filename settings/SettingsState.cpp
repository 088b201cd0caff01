#include "settings/SettingsState.h"

#include "base/ResultColumns.h"

#include <algorithm>

namespace kestrom {

std::vector<std::string> DefaultVisibleColumns() {
    std::vector<std::string> columns;
    for (std::string_view name : ResultColumnList)
        if (std::find(ServiceColumns.begin(), ServiceColumns.end(), name) == ServiceColumns.end())
            columns.emplace_back(name);
    return columns;
}

std::vector<std::string> DefaultSortColumns() {
    return {"Дата_иниц[Up]", "Время_иниц[Up]"};
}

SettingsState DefaultState() {
    SettingsState s;
    s.VisibleColumns = DefaultVisibleColumns();
    s.SortColumns = DefaultSortColumns();
    s.Successful = true;
    s.AutoOpen = true;
    s.Presets.StartYesterday = true;
    s.Presets.EndToday = true;
    s.AtsNum = -1;
    return s;
}

SettingsState WithDefaultCommand(SettingsState s) {
    const SettingsState d = DefaultState();
    s.VisibleColumns.assign(ResultColumnList.begin(), ResultColumnList.end());
    s.SortColumns = d.SortColumns;
    s.Successful = d.Successful;
    s.OptimizeColumns = d.OptimizeColumns;
    s.AutoOpen = d.AutoOpen;
    s.AutoSaveExchanges = d.AutoSaveExchanges;
    s.ColorRows = d.ColorRows;
    s.ExchangeFilterOn = d.ExchangeFilterOn;
    s.Presets = d.Presets;
    s.TypeA = d.TypeA;
    s.TypeB = d.TypeB;
    s.AtsNum = s.Exchanges.empty() ? d.AtsNum : 0;
    s.Filter = d.Filter;
    s.SaveOnExit = d.SaveOnExit;
    s.Statistics = d.Statistics;
    return s;
}

int ItemIndexOrNone(int index, std::size_t count) {
    if (index < 0 || static_cast<std::size_t>(index) >= count) return -1;
    return index;
}

std::string LineValue(std::string_view line) {
    const std::size_t eq = line.find('=');
    return std::string(eq == std::string_view::npos ? line : line.substr(eq + 1));
}

std::string WithLineValue(std::string_view line, std::string_view value) {
    const std::size_t eq = line.find('=');
    std::string out(eq == std::string_view::npos ? std::string_view() : line.substr(0, eq));
    out.append("=").append(value);
    return out;
}

} // namespace kestrom
