#pragma once

#include "results/ExportTable.h"
#include "results/ResultSet.h"

#include <cstddef>
#include <span>

namespace kestrom {

/// The window colour of a fresh window: the cells' background in an export.
inline constexpr Rgb DefaultWindowColour = 0xFFFFFF;

/// The given columns of the result as a fresh window shows and exports
/// them: titled with their names, 64 pixels wide, Tahoma 8 points in black,
/// numbers aligned right and everything else left, the table on the button
/// face colour.
ExportTable DefaultExportTable(const ResultSet& rows, std::span<const std::size_t> columns);

} // namespace kestrom
