#pragma once

#include "results/ExportOutput.h"
#include "results/ExportWriter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrom {

/// The export as a sheet of XLS records: BOF, CODEPAGE 1251, a LABEL per
/// title, a record per data cell chosen by the column's kind, EOF. Every
/// cell record takes the next pair of the 16-bit row and column counters,
/// so the titles fill row 0 and the data rows follow from row 1.
///
/// A data cell is BLANK when NULL; an Integer cell is RK when the value
/// fits the RK form's 30 bits (-536870912 to 536870911), else NUMBER with
/// the value as a double; a Float cell is NUMBER with the full value; any
/// other cell is LABEL with the display text in Windows-1251 (a character
/// the code page lacks becomes '?'), cut to its first 255 characters, the
/// most a cell of the format holds.
class XlsExportWriter : public ExportWriter {
  public:
    /// The most data rows the 16-bit row counter leaves room for.
    static constexpr std::size_t MaxRows = 65535;
    /// The most bytes of a LABEL's text.
    static constexpr std::size_t MaxLabelBytes = 255;

    /// table must outlive the writer.
    XlsExportWriter(ExportOutput& out, const ExportTable& table);

    void Begin() override;
    void Row(std::span<const ExportCell> cells) override;
    void End() override;

  private:
    void Header(std::uint16_t type, std::size_t length);
    void CellStart(std::uint16_t type, std::size_t length, std::uint16_t format);
    void Label(std::string_view utf8);
    void Number(double value);
    void Integer(std::int64_t value);
    void Cell(ExportKind kind, const ExportCell& cell);
    void NextColumn();
    void NextRow();

    ExportOutput& out_;
    const ExportTable& table_;
    std::uint16_t row_ = 0;
    std::uint16_t column_ = 0;
};

} // namespace kestrom
