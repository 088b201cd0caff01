#pragma once

#include "results/ExportOutput.h"
#include "results/ExportWriter.h"

#include <string_view>
#include <vector>

namespace kestrom {

/// The export as CSV of RFC 4180 in UTF-8, after a byte order mark so that
/// spreadsheets take it for UTF-8: a record of the titles, then a record
/// per row holding the display texts (NULL as an empty field).
class CsvExportWriter : public ExportWriter {
  public:
    /// table must outlive the writer.
    CsvExportWriter(ExportOutput& out, const ExportTable& table);

    void Begin() override;
    void Row(std::span<const ExportCell> cells) override;
    void End() override;

  private:
    ExportOutput& out_;
    const ExportTable& table_;
    std::vector<std::string_view> fields_;
};

} // namespace kestrom
