#pragma once

#include "decode/CallRecord.h"
#include "decode/ElementDecoders.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrom {

/// One JSON object (one line, no line break) with the file's name, every field
/// of the record, its byte offset in the file and what became of its decoding.
std::string RecordJson(std::string_view file, const TCallRecord& r, RecordDamage damage,
                       std::int64_t offset);

} // namespace kestrom
