#include "results/RowFilter.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace kestrom {

RowFilter::RowFilter(std::span<const QueryColumn> columns, const CellTexts& texts)
    : texts_(texts), errors_(columns.size()) {
    types_.reserve(columns.size());
    for (const QueryColumn& column : columns)
        types_.push_back(column.type);
}

std::string RowFilter::Set(std::size_t column, std::string_view text) {
    Clear(column);
    return Add(column, text);
}

std::string RowFilter::Add(std::size_t column, std::string_view text) {
    if (column >= types_.size()) throw std::out_of_range("filter column out of range");
    auto parsed = FilterCondition::Parse(text, column, types_[column], texts_);
    if (auto* message = std::get_if<std::string>(&parsed)) {
        Clear(column);
        errors_[column] = *message;
        return std::move(*message);
    }
    FilterCondition& condition = std::get<FilterCondition>(parsed);
    if (condition.MatchesEverything()) return {};
    const auto after =
        std::find_if(conditions_.begin(), conditions_.end(),
                     [column](const FilterCondition& c) { return c.Column() > column; });
    conditions_.insert(after, std::move(condition));
    return {};
}

void RowFilter::Clear() {
    conditions_.clear();
    for (std::string& error : errors_)
        error.clear();
}

void RowFilter::Clear(std::size_t column) {
    std::erase_if(conditions_, [column](const FilterCondition& c) { return c.Column() == column; });
    errors_.at(column).clear();
}

std::vector<std::uint32_t> RowFilter::Apply(const ResultSet& rows, const CellTexts& texts) const {
    const std::size_t count = rows.RowCount();
    std::vector<std::uint32_t> passing;
    if (conditions_.empty()) {
        passing.resize(count);
        std::iota(passing.begin(), passing.end(), std::uint32_t{0});
        return passing;
    }
    std::string scratch;
    for (std::size_t row = 0; row < count; ++row) {
        const bool passes =
            std::all_of(conditions_.begin(), conditions_.end(), [&](const FilterCondition& c) {
                return c.Matches(rows, texts, row, scratch);
            });
        if (passes) passing.push_back(static_cast<std::uint32_t>(row));
    }
    return passing;
}

} // namespace kestrom
