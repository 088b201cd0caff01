#pragma once

#include "decode/CallRecord.h"
#include "decode/ElementDecoders.h"
#include "decode/LoadBuffer.h"
#include "decode/YieldHook.h"

#include <cstdint>

namespace kestrom {

class CallRowWriter;
struct TPreFilter;

/// What one walk over a file's bytes saw.
struct DecodeStats {
    std::uint64_t Records = 0;     ///< call records walked
    std::uint64_t Stored = 0;      ///< rows the writer accepted
    std::uint64_t BadChecksum = 0; ///< left out for a checksum mismatch
    std::uint64_t BadDateTime = 0; ///< skipped for an impossible date or time
    std::uint64_t BadDigits = 0;   ///< skipped for digits that run past the data
    std::uint64_t CutOff = 0;      ///< skipped because the data ended inside them
    bool Refused = false;          ///< the writer refused a row and the walk ended there
    /// The offset of a last record that ends with the data before the length
    /// its header gives (the file may have been cut); -1 when there is none.
    /// Such a record is walked and stored as any other.
    std::int64_t ShortLastRecord = -1;

    /// Records skipped as damaged (reported to the user at the end of a load).
    std::uint64_t Damaged() const { return BadDateTime + BadDigits + CutOff; }
    DecodeStats& operator+=(const DecodeStats& o);
};

/// Everything one walk needs; the caller owns all of it.
struct DecodeContext {
    TLoadBuffer& Buffer;
    TCallRecord& Record;
    const TPreFilter& Filter;
    CallRowWriter& Writer;
    YieldHook Yield;
    const bool* Cancelled = nullptr; ///< the load's cancel flag, looked at before each record
};

/// Walks the bytes of one file record by record: decodes, filters, stores.
DecodeStats DecodeBuffer(DecodeContext& ctx);

} // namespace kestrom
