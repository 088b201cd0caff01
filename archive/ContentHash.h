#pragma once

#include <cstdint>
#include <string>

namespace kestrom {

/// The 64-bit XXH64 hash (seed 0) of the bytes: fast enough to go over every
/// file an ingest reads, and what tells a changed file from an unchanged one.
std::uint64_t ContentHash64(const std::uint8_t* data, std::size_t size);

/// The hash as kestrom.files keeps it: "xxh64:" and 16 hexadecimal digits.
std::string ContentHash(const std::uint8_t* data, std::size_t size);

} // namespace kestrom
