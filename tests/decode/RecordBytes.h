#pragma once

#include "decode/ElementDecoders.h"
#include "decode/LoadBuffer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
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
inline Bytes Header(std::uint8_t type, std::uint8_t flags11, std::uint8_t flags12,
                    std::uint8_t sequence, std::uint8_t hi, std::uint8_t lo, const Bytes& digits,
                    std::uint32_t callId = 7) {
    Bytes h = {type,
               0,
               0,
               0,
               0,
               0,
               1,
               static_cast<std::uint8_t>(callId >> 24),
               static_cast<std::uint8_t>(callId >> 16),
               static_cast<std::uint8_t>(callId >> 8),
               static_cast<std::uint8_t>(callId),
               flags11,
               flags12,
               0,
               static_cast<std::uint8_t>(sequence << 4),
               static_cast<std::uint8_t>((hi << 5) | lo)};
    h.insert(h.end(), digits.begin(), digits.end());
    return h;
}

/// Appends element 116 with the right checksum for the record begun at start.
inline void AppendChecksum(Bytes& b, std::size_t start = 0, bool wrong = false) {
    b.push_back(116);
    b.push_back(4);
    std::uint16_t sum =
        RecordChecksum(b.data() + start, static_cast<std::int64_t>(b.size() - start));
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
