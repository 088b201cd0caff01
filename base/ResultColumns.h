#pragma once

#include <array>
#include <string_view>

namespace kestrom {

/// The 20 columns of the result, in result order (UTF-8). These names are
/// the vocabulary of the displayed-column list, the sort list, the grid, the
/// totals and the colouring, and are compared as exact byte strings: "EX_ош"
/// begins with Latin E and X, "ОрНомер_A" ends in a Latin A, whereas
/// "Номер_А" and "Услуга_аб_А" end in a Cyrillic А.
inline constexpr std::array<std::string_view, 20> ResultColumnList = {
    "Ошибка",   "EX_ош",     "Тип_зап",     "Вх_транк_гр", "Вх_транк",  "Исх_транк_гр", "Исх_транк",
    "Номер_А",  "ОрНомер_A", "Номер_Б",     "Посл_сть",    "Дата_иниц", "Время_иниц",   "Дата_окон",
    "Время_ок", "Категория", "Услуга_аб_А", "Услуга_аб_Б", "Прод_мс",   "Прод_Мин"};

inline const std::array<std::string_view, 20>& ResultColumnNames() {
    return ResultColumnList;
}

/// The two supplementary-service columns, which a first start does not display.
inline constexpr std::array<std::string_view, 2> ServiceColumns = {ResultColumnList[16],
                                                                   ResultColumnList[17]};

} // namespace kestrom
