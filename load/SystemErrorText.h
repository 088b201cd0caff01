#pragma once

#include <string>

namespace kestrom {

/// The reason of a failed file operation as the user reads it: Russian for
/// the reasons a load meets (no rights, no memory, a read error, ...), the
/// operating system's own words for the rest.
std::string SystemErrorText(int errnoValue);

} // namespace kestrom
