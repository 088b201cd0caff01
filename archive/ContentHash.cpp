#include "archive/ContentHash.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace kestrom {

namespace {

constexpr std::uint64_t P1 = 11400714785074694791ULL;
constexpr std::uint64_t P2 = 14029467366897019727ULL;
constexpr std::uint64_t P3 = 1609587929392839161ULL;
constexpr std::uint64_t P4 = 9650029242287828579ULL;
constexpr std::uint64_t P5 = 2870177450012600261ULL;

std::uint64_t ByteSwap(std::uint64_t v) {
    return __builtin_bswap64(v);
}
std::uint32_t ByteSwap(std::uint32_t v) {
    return __builtin_bswap32(v);
}

// Little-endian reads, whatever the machine.
std::uint64_t Read64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    return v;
}

std::uint32_t Read32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    return v;
}

std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
    return std::rotl(acc + input * P2, 31) * P1;
}

std::uint64_t Merge(std::uint64_t acc, std::uint64_t lane) {
    return (acc ^ Round(0, lane)) * P1 + P4;
}

} // namespace

std::uint64_t ContentHash64(const std::uint8_t* p, std::size_t size) {
    const std::uint8_t* const end = p + size;
    std::uint64_t h = P5;
    if (size >= 32) {
        std::uint64_t v1 = P1 + P2, v2 = P2, v3 = 0, v4 = 0 - P1;
        for (; end - p >= 32; p += 32) {
            v1 = Round(v1, Read64(p));
            v2 = Round(v2, Read64(p + 8));
            v3 = Round(v3, Read64(p + 16));
            v4 = Round(v4, Read64(p + 24));
        }
        h = std::rotl(v1, 1) + std::rotl(v2, 7) + std::rotl(v3, 12) + std::rotl(v4, 18);
        h = Merge(Merge(Merge(Merge(h, v1), v2), v3), v4);
    }
    h += static_cast<std::uint64_t>(size);
    for (; end - p >= 8; p += 8)
        h = std::rotl(h ^ Round(0, Read64(p)), 27) * P1 + P4;
    if (end - p >= 4) {
        h = std::rotl(h ^ (Read32(p) * P1), 23) * P2 + P3;
        p += 4;
    }
    for (; p < end; ++p)
        h = std::rotl(h ^ (std::uint64_t{*p} * P5), 11) * P1;
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    return h ^ (h >> 32);
}

std::string ContentHash(const std::uint8_t* data, std::size_t size) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "xxh64:%016llx",
                  static_cast<unsigned long long>(ContentHash64(data, size)));
    return buf;
}

} // namespace kestrom
