#pragma once

#include "decode/LoadBuffer.h"
#include "tools/AmaWriter.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace kestrom::test {

using Bytes = std::vector<std::uint8_t>;

/// Bytes from a text of hexadecimal pairs separated by blanks.
inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair)
        out.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

/// A 16-byte header with owner digit counts hi/lo, followed by packed digits.
/// The record length field is 0 and HeaderNumber3 is 1.
inline Bytes Header(std::uint8_t type, std::uint8_t flags11, std::uint8_t flags12,
                    std::uint8_t sequence, std::uint8_t hi, std::uint8_t lo, const Bytes& digits,
                    std::uint32_t callId = 7) {
    // Sized once and filled by index: growing a 16-byte vector by insert()
    // makes GCC 12 at -O3 warn about bounds inside the standard library.
    Bytes h(16 + digits.size(), 0);
    h[0] = type;
    h[6] = 1;
    h[7] = static_cast<std::uint8_t>(callId >> 24);
    h[8] = static_cast<std::uint8_t>(callId >> 16);
    h[9] = static_cast<std::uint8_t>(callId >> 8);
    h[10] = static_cast<std::uint8_t>(callId);
    h[11] = flags11;
    h[12] = flags12;
    h[14] = static_cast<std::uint8_t>(sequence << 4);
    h[15] = static_cast<std::uint8_t>((hi << 5) | lo);
    std::copy(digits.begin(), digits.end(), h.begin() + 16);
    return h;
}

/// Appends element 116 (byte +1 is 4) with the right checksum for the record
/// begun at start, or with that sum plus one when wrong is set. The sum is the
/// sample-data writer's own (tools/AmaWriter), not the decoder's, so a fault
/// in the decoder's sum cannot hide behind test data made with it.
inline void AppendChecksum(Bytes& b, std::size_t start = 0, bool wrong = false) {
    b.push_back(116);
    b.push_back(4);
    std::uint16_t sum = gen::WordSum(std::span(b.data() + start, b.size() - start));
    if (wrong) sum = static_cast<std::uint16_t>(sum + 1);
    b.push_back(static_cast<std::uint8_t>(sum >> 8));
    b.push_back(static_cast<std::uint8_t>(sum));
}

/// A buffer over exactly the given bytes (no spare byte behind them, so the
/// sanitizer sees any read beyond the end).
struct OwnedBuffer {
    explicit OwnedBuffer(const Bytes& b) : storage(new std::uint8_t[b.size() ? b.size() : 1]) {
        std::copy(b.begin(), b.end(), storage.get());
        buf.Data = b.empty() ? nullptr : storage.get();
        buf.Size = static_cast<std::int64_t>(b.size());
    }
    std::unique_ptr<std::uint8_t[]> storage;
    TLoadBuffer buf;
};

} // namespace kestrom::test
