#pragma once

#include <cstdint>
#include <string_view>

namespace kestrom::gen {

/// One step of splitmix64: a good 64-bit mix of its input.
constexpr std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/// FNV-1a over a text, for deriving seeds from names.
constexpr std::uint64_t HashText(std::string_view s, std::uint64_t h = 0xCBF29CE484222325ull) {
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    return h;
}

/// xoshiro256** with integer-only helpers, so that a seed gives the same
/// sequence with every compiler and standard library.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) {
        std::uint64_t sm = seed;
        for (auto& w : s_)
            w = SplitMix64(sm);
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }

    /// A number from 0 to n-1 (n > 0); 0 when n is 0.
    std::uint32_t Below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
    }
    /// A number from lo to hi inclusive.
    std::uint32_t Between(std::uint32_t lo, std::uint32_t hi) { return lo + Below(hi - lo + 1); }
    /// True with the probability perMille / 1000.
    bool PerMille(std::uint32_t perMille) { return Below(1000) < perMille; }
    /// True with probability p (0 to 1); exact double arithmetic, so portable.
    bool Chance(double p) {
        return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0) < p;
    }
    char Digit() { return static_cast<char>('0' + Below(10)); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 56); }

  private:
    static constexpr std::uint64_t Rotl(std::uint64_t x, int k) {
        return (x << k) | (x >> (64 - k));
    }
    std::uint64_t s_[4];
};

} // namespace kestrom::gen
