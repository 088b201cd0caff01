#include "settings/SettingsState.h"

namespace kestrom {

std::vector<std::string> DefaultVisibleColumns() {
    return {"Ошибка",     "EX_ош",     "Тип_зап",   "Вх_транк_гр", "Вх_транк", "Исх_транк_гр",
            "Исх_транк",  "Номер_А",   "ОрНомер_A", "Номер_Б",     "Посл_сть", "Дата_иниц",
            "Время_иниц", "Дата_окон", "Время_ок",  "Категория",   "Прод_мс",  "Прод_Мин"};
}

std::vector<std::string> DefaultSortColumns() {
    return {"Дата_иниц[Up]", "Время_иниц[Up]"};
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
