#pragma once

#include "results/ExportTable.h"

#include <span>

namespace kestrom {

/// One file format of the export: what comes before the rows (the title
/// row included), each data row, and what follows the last row. Failures
/// raise ExportError.
class ExportWriter {
  public:
    virtual ~ExportWriter() = default;
    virtual void Begin() = 0;
    /// One cell per exported column.
    virtual void Row(std::span<const ExportCell> cells) = 0;
    /// Writes the end and everything still held back.
    virtual void End() = 0;
};

} // namespace kestrom
