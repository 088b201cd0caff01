#pragma once

#include <filesystem>

namespace kestrom {

/// The directory of the running program's file: the program directory, which
/// is also the database directory.
std::filesystem::path ProgramDirectory(const char* argv0);

} // namespace kestrom
