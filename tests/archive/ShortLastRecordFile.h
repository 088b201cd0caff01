#pragma once

#include "tools/AmaWriter.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kestrom::test {

/// Writes three successful calls of the day whose last record ends before its
/// checksum element: every element reads, but the record is shorter than its
/// header says, as when a file was cut at an element boundary. Gives the
/// offset of that last record.
inline std::int64_t WriteShortLastRecordFile(const std::filesystem::path& path, int year,
                                             std::uint8_t month, std::uint8_t day) {
    gen::AmaWriter w;
    std::size_t last = 0, cut = 0;
    for (const char* owner : {"3962001", "3962002", "3962003"}) {
        last = w.Size();
        w.BeginRecord({.CallId = 7, .Flags11 = gen::AmaHeader::F4, .Owner = owner})
            .Partner("890123")
            .Start({year, month, day, 14, 5, 30, 7}, true)
            .Duration(120000);
        cut = w.Size();
        w.Checksum(4);
    }
    std::vector<std::uint8_t> bytes = w.Finish();
    bytes.resize(cut);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(cut));
    return static_cast<std::int64_t>(last);
}

} // namespace kestrom::test
