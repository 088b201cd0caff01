#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrom {

/// Reads up to `expected` bytes of a file (the whole file when expected is
/// negative) into out, which holds exactly the bytes read. Returns their
/// number; a file that cannot be opened or read gives 0 bytes.
std::int64_t ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                           std::int64_t expected = -1);

} // namespace kestrom
