#pragma once

#include "results/ExportTable.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrom {

/// The file types of the export, in the order the save dialog offers them.
enum class ExportFormat { Html, Xls, Xlsx, Csv };

/// Told of the rows written; Step returns false to cancel the export.
class ExportProgress {
  public:
    virtual ~ExportProgress() = default;
    virtual bool Step(std::size_t rowsWritten, std::size_t rowCount) = 0;
};

/// How an export ended. Only Written leaves a file at the path; every
/// other end leaves the path as it was (no file, or the old one untouched).
struct ExportOutcome {
    enum class End { Written, Cancelled, Refused, Failed };
    End end = End::Written;
    /// Why it was refused or failed, in Russian; empty otherwise.
    std::string message;
    bool Ok() const { return end == End::Written; }
};

/// Writes the table's rows in the format to path: into a temporary file in
/// the same folder, put in place only when it is complete. An XLS export of
/// more than 65535 rows is refused before anything is touched, and so is an
/// XLSX export of more than 1048575 (the rows a sheet holds below its titles).
ExportOutcome ExportFile(const std::string& path, ExportFormat format, const ExportTable& table,
                         ExportRows& rows, ExportProgress* progress = nullptr);

} // namespace kestrom
