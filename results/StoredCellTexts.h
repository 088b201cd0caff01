#pragma once

#include "results/CellTexts.h"
#include "results/ResultSet.h"

namespace kestrom {

/// The cells' texts as the result holds them: texts, dates and times as
/// stored, numbers in their shortest exact decimal form. What the console
/// filters by.
class StoredCellTexts : public CellTexts {
  public:
    /// rows must outlive this object.
    explicit StoredCellTexts(const ResultSet& rows) : rows_(rows) {}

    std::string_view Text(std::size_t row, std::size_t column, std::string& scratch) const override;

  private:
    const ResultSet& rows_;
};

} // namespace kestrom
