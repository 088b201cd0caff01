#pragma once

#include "results/ExportFile.h"
#include "results/ExportTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::test {

inline ExportCell TextCell(std::string_view text, Rgb background = 0xFFFFFF) {
    ExportCell c;
    c.text = text;
    c.background = background;
    return c;
}

inline ExportCell NullCell(Rgb background = 0xFFFFFF) {
    ExportCell c;
    c.null = true;
    c.background = background;
    return c;
}

inline ExportCell IntegerCell(std::int64_t value, std::string_view text,
                              Rgb background = 0xFFFFFF) {
    ExportCell c = TextCell(text, background);
    c.integer = value;
    return c;
}

inline ExportCell FloatCell(double value, std::string_view text, Rgb background = 0xFFFFFF) {
    ExportCell c = TextCell(text, background);
    c.number = value;
    return c;
}

inline ExportCell StoredCell(std::string_view stored, std::string_view text,
                             Rgb background = 0xFFFFFF) {
    ExportCell c = TextCell(text, background);
    c.stored = stored;
    return c;
}

/// Rows given as cells, repeated in turn up to a row count; throws from
/// Next at the row failAt when set.
class SampleRows : public ExportRows {
  public:
    SampleRows(std::vector<std::vector<ExportCell>> rows, std::size_t count)
        : rows_(std::move(rows)), count_(count) {}
    explicit SampleRows(std::vector<std::vector<ExportCell>> rows)
        : SampleRows(rows, rows.size()) {}

    std::size_t RowCount() const override { return count_; }
    bool Next(std::vector<ExportCell>& cells) override {
        if (next_ == count_) return false;
        if (next_ == failAt) throw std::runtime_error("disk I/O error");
        cells = rows_[next_++ % rows_.size()];
        return true;
    }

    std::size_t failAt = SIZE_MAX;

  private:
    std::vector<std::vector<ExportCell>> rows_;
    std::size_t count_;
    std::size_t next_ = 0;
};

/// A progress that calls a function on each step and records the steps.
class RecordedProgress : public ExportProgress {
  public:
    explicit RecordedProgress(std::function<bool(std::size_t)> onStep = {})
        : onStep_(std::move(onStep)) {}
    bool Step(std::size_t rowsWritten, std::size_t rowCount) override {
        steps.push_back(rowsWritten);
        total = rowCount;
        return !onStep_ || onStep_(rowsWritten);
    }
    std::vector<std::size_t> steps;
    std::size_t total = 0;

  private:
    std::function<bool(std::size_t)> onStep_;
};

/// The table of the golden files: seven columns of every kind, Cyrillic
/// captions, one column in a bold underlined coloured font.
inline ExportTable SampleTable() {
    ExportTable t;
    const auto add = [&](const char* caption, int width, ExportAlignment alignment,
                         ExportKind kind) {
        ExportColumn c;
        c.caption = caption;
        c.widthPx = width;
        c.alignment = alignment;
        c.kind = kind;
        t.columns.push_back(c);
    };
    add("Номер_А", 100, ExportAlignment::Left, ExportKind::Text);
    add("Номер_B", 90, ExportAlignment::Left, ExportKind::Text);
    add("Тип_зап", 50, ExportAlignment::Right, ExportKind::Integer);
    add("Прод_мс", 60, ExportAlignment::Right, ExportKind::Integer);
    add("Прод_Мин", 60, ExportAlignment::Right, ExportKind::Float);
    add("Дата_иниц", 70, ExportAlignment::Center, ExportKind::Date);
    add("Ошибка", 120, ExportAlignment::Left, ExportKind::Text);
    t.columns.back().font.colour = 0x1F2A3B;
    t.columns.back().font.bold = true;
    t.columns.back().font.underline = true;
    return t;
}

/// A successful call coloured yellow, then a busy call with NULLs, an
/// empty text and an integer beyond the RK range.
inline std::vector<std::vector<ExportCell>> SampleCells() {
    constexpr Rgb Yellow = 0xFFFF00;
    return {
        {TextCell("A<B", Yellow), TextCell("\"7\" > 6", Yellow), IntegerCell(1, "1", Yellow),
         IntegerCell(-5, "-5", Yellow), FloatCell(0.5, "0.50", Yellow),
         StoredCell("2026-03-01", "01.03.2026", Yellow), TextCell("Успешный", Yellow)},
        {TextCell("a&b"), TextCell(""), NullCell(), IntegerCell(600000000, "600000000"),
         FloatCell(2.25, "2.25"), NullCell(), TextCell("Занятость аб.")},
    };
}

inline std::string GoldenFile(const std::string& name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// The names in a folder.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace kestrom::test
