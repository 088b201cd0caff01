#pragma once

// The raw SQLite ceiling of both benchmarks: the rows a load keeps, decoded
// beforehand and held in memory, then stored through the same writer.

#include "db/Database.h"
#include "decode/RecordWalk.h"
#include "load/CallTable.h"
#include "load/PreFilter.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace kestrom::bench {

/// Appends the records of one file's bytes that a load would store.
inline void CollectKept(const std::uint8_t* data, std::size_t size, const TPreFilter& filter,
                        std::vector<TCallRecord>& kept) {
    TLoadBuffer b;
    b.Data = data;
    b.Size = static_cast<std::int64_t>(size);
    TCallRecord rec;
    WalkRecords(b, rec, YieldHook{}, nullptr,
                [&](const TCallRecord& r, RecordDamage d, std::int64_t) {
                    if (d == RecordDamage::None && !r.ChecksumBad && PassPreFilter(r, filter))
                        kept.push_back(r);
                    return true;
                });
}

/// Empties AMG and stores the records through the call table writer, with
/// the storage settings of db; the rows per second of the storing alone.
inline double StoreRows(Database& db, MessageSink& messages, std::vector<TCallRecord>& kept) {
    EmptyCallTable(db);
    CallTable raw(db, messages);
    const auto t0 = std::chrono::steady_clock::now();
    raw.OpenCallTable();
    for (TCallRecord& r : kept)
        raw.AppendCallRow(r);
    raw.CloseCallTable();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return double(kept.size()) / s;
}

} // namespace kestrom::bench
