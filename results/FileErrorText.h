#pragma once

#include <string>

namespace kestrom {

/// The reason of a failed write of a file as the user reads it: Russian for
/// the reasons an export meets (no rights, no such folder, a full disk, ...),
/// the operating system's own words for the rest.
std::string FileErrorText(int errnoValue);

} // namespace kestrom
