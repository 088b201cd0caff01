#pragma once

#include "results/ResultSet.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrom {

/// Appends one field in the CSV form of RFC 4180: as it is, or in double
/// quotes with its quotes doubled when it holds a comma, a double quote, a
/// CR or an LF.
void AppendCsvField(std::string& out, std::string_view value);

/// Appends one record: the fields separated by commas and ended by CR LF.
void AppendCsvRecord(std::string& out, std::span<const std::string_view> fields);

/// Appends one record per row of the result set with the values of the
/// given columns in the given order: each value in its display text (texts
/// as stored, integers in decimal, floating-point numbers in their shortest
/// exact form), NULL as an empty field.
void AppendCsvRows(std::string& out, const ResultSet& rows, std::span<const std::size_t> columns);
/// The same for the given rows only (row numbers in range), in their order.
void AppendCsvRows(std::string& out, const ResultSet& rows, std::span<const std::size_t> columns,
                   std::span<const std::uint32_t> rowNumbers);

} // namespace kestrom
