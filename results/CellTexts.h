#pragma once

#include "db/Query.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrom {

/// The texts of a result's cells as the user sees them, for the grid's
/// filter row: plain-text, regular-expression and exact conditions match
/// these texts, whatever form the values are stored in.
class CellTexts {
  public:
    virtual ~CellTexts() = default;

    /// The display text (UTF-8) of a cell, either a view of text held
    /// elsewhere or built in scratch; valid until scratch or the rows change.
    virtual std::string_view Text(std::size_t row, std::size_t column,
                                  std::string& scratch) const = 0;

    /// The stored form of a value typed into the filter box of a date or
    /// time column: a date "YYYY-MM-DD" or "DD.MM.YYYY" (a real calendar
    /// day) as "YYYY-MM-DD"; a time "HH:MM", "HH:MM:SS" or "HH:MM:SS.zzz"
    /// as the same fields with two-digit hours. None when the value is no
    /// such date or time. A value for a column of any other kind is its own
    /// stored form. The blanks around the value do not count.
    virtual std::optional<std::string> StoredValue(std::size_t column, FieldType type,
                                                   std::string_view typed) const;
};

} // namespace kestrom
