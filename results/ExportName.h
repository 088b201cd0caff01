#pragma once

#include <string>
#include <string_view>

namespace kestrom {

/// The file name the export proposes: "SierchRes_", then "№А_" + the number A
/// pattern + "_" when the number A filter is on, then "№B_" + the number B
/// pattern when the number B filter is on ("№А_" with a Cyrillic А, "№B_"
/// with a Latin B). The patterns go in as typed, nothing cleaned.
std::string ProposedExportName(bool numberAOn, std::string_view numberA, bool numberBOn,
                               std::string_view numberB);

} // namespace kestrom
