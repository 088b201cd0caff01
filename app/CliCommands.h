#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kestrom::cli {

using Args = std::vector<std::string>;

/// `decode FILE...`: one JSON line per call record on stdout.
int Decode(const Args& args);

/// `store [--db-dir DIR] FILE...`: empties the call table and decodes the
/// files into it, every sound record kept; prints the number of rows.
int Store(const Args& args, const std::filesystem::path& programDir);

} // namespace kestrom::cli
