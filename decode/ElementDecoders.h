#pragma once

#include "decode/CallRecord.h"
#include "decode/LoadBuffer.h"
#include "decode/YieldHook.h"

#include <cstdint>
#include <string>

namespace kestrom {

/// What became of one call record's decoding.
enum class RecordDamage : std::uint8_t {
    None,        ///< decoded in full
    BadDateTime, ///< element 102 or 103 holds an impossible date or time
    BadDigits,   ///< element 119's digits run past the end of the data
    CutOff,      ///< the data ended inside the header or an element
};

/// The characters of one packed-digit byte (0 to 2 of them).
std::string DigitPairText(std::uint8_t b);

/// The text of n packed digits that begin at p, cut to the text's capacity.
/// Reads ceil(n/2) bytes; returns false (and reads nothing) when they do not
/// all lie inside the data.
template <std::size_t N>
bool DecodeDigits(const TLoadBuffer& buf, std::int64_t p, unsigned n, FixedText<N>& out);

/// Decodes the header that begins at Pos and the owner number behind it, and
/// leaves Pos at the first element.
RecordDamage DecodeHeader(TLoadBuffer& buf, TCallRecord& rec);

/// Decodes elements from Pos on. On return Pos stands on the byte 200 that
/// begins the next call record, or at Size. An impossible date or time does
/// not stop the walk: the record is walked to its proper end and reported as
/// BadDateTime; so is element 119 whose digit count runs past the data
/// (BadDigits), the walk going on behind the element as its length byte says.
/// Data that ends inside an element leaves Pos at Size.
RecordDamage DecodeElements(TLoadBuffer& buf, TCallRecord& rec, const YieldHook& yield);

/// The 16-bit word sum of the len bytes at p (an odd last byte is the high
/// byte of a final word).
std::uint16_t RecordChecksum(const std::uint8_t* p, std::int64_t len);

} // namespace kestrom
