#pragma once

#include "results/ResultSet.h"

#include <QColor>

#include <cstddef>
#include <functional>
#include <string_view>

namespace kestrom {

/// The yellow colouring of successful calls. A row is coloured, in every
/// displayed cell, when the option "Включить подсветку строк" is ticked,
/// the failure column "Ошибка" is in the list of displayed columns (the
/// list, not the grid: a column added in the chooser colours before the
/// result is opened again), the grid is visible, and the row's failure text
/// is exactly "Успешный". The grid asks for every cell it paints and the
/// export for every cell it writes.
class RowColouring {
  public:
    static constexpr std::string_view FailureColumn = "Ошибка";
    static constexpr std::string_view SuccessText = "Успешный";

    /// The option ticked (CheckBox6).
    std::function<bool()> enabled;
    /// "Ошибка" among the displayed columns (ListBox1).
    std::function<bool()> failureDisplayed;
    /// The asking grid is shown.
    std::function<bool()> gridVisible;

    /// Whether the row of the result gets the colour.
    bool Colours(const ResultSet& rows, std::size_t row) const;
    /// Red 255, green 255, blue 0.
    static QColor Colour() { return {255, 255, 0}; }
};

} // namespace kestrom
