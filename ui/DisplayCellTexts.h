#pragma once

#include "results/CellTexts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrom {

class ResultModel;

/// The texts the filter row's conditions are tested on: each cell's display
/// text in the grid (dates and times in the locale's forms, "Прод_Мин" in
/// its format), as UTF-8. Typed dates and times are read in the locale's
/// forms too, besides the forms every locale accepts.
///
/// Texts of dates (few distinct values) are made once per stored value;
/// the common forms "dd.MM.yyyy" and "HH:mm:ss" are cut from the stored
/// text directly. Make a new one for every new result or locale.
class DisplayCellTexts : public CellTexts {
  public:
    explicit DisplayCellTexts(const ResultModel& model);

    std::string_view Text(std::size_t row, std::size_t column, std::string& scratch) const override;
    std::optional<std::string> StoredValue(std::size_t column, FieldType type,
                                           std::string_view typed) const override;

  private:
    enum class Form { Stored, Integer, DayMonthYear, TimeOfDay, Cached, Model };

    Form FormOf(std::size_t column) const;

    const ResultModel& model_;
    std::vector<Form> forms_;
    mutable std::vector<std::unordered_map<std::string, std::string>> cache_;
};

} // namespace kestrom
