#pragma once

#include <cstdint>

namespace kestrom {

/// The bytes of one AMA file and the walking state of the decode loop.
/// Sizes and positions are 64-bit: a file is not limited to 2 GiB.
struct TLoadBuffer {
    const std::uint8_t* Data = nullptr;
    std::int64_t Size = 0;
    std::int64_t Pos = 0;
    std::int64_t RecordStart = 0;

    /// True when the len bytes at pos lie wholly inside the data.
    bool Holds(std::int64_t pos, std::int64_t len) const {
        return pos >= 0 && len >= 0 && len <= Size && pos <= Size - len;
    }
};

} // namespace kestrom
