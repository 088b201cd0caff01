#include "results/CsvWriter.h"

namespace kestrom {

namespace {

bool NeedsQuotes(std::string_view value) {
    return value.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvRow(std::string& out, const ResultSet& rows, std::span<const std::size_t> columns,
                  std::size_t row) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) out.push_back(',');
        const std::size_t c = columns[i];
        if (rows.StorageOf(c) == ResultSet::Storage::Text) {
            AppendCsvField(out, rows.TextView(row, c));
        } else {
            // Numbers never need quotes.
            rows.AppendText(row, c, out);
        }
    }
    out.append("\r\n");
}

} // namespace

void AppendCsvField(std::string& out, std::string_view value) {
    if (!NeedsQuotes(value)) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (const char c : value) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendCsvRecord(std::string& out, std::span<const std::string_view> fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out.push_back(',');
        AppendCsvField(out, fields[i]);
    }
    out.append("\r\n");
}

void AppendCsvRows(std::string& out, const ResultSet& rows, std::span<const std::size_t> columns) {
    for (std::size_t r = 0; r < rows.RowCount(); ++r)
        AppendCsvRow(out, rows, columns, r);
}

void AppendCsvRows(std::string& out, const ResultSet& rows, std::span<const std::size_t> columns,
                   std::span<const std::uint32_t> rowNumbers) {
    for (const std::uint32_t r : rowNumbers)
        AppendCsvRow(out, rows, columns, r);
}

} // namespace kestrom
