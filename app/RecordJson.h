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

/// Appends text as a JSON string in double quotes: quotes, backslashes and
/// control characters escaped, well-formed UTF-8 as it is, any other byte
/// as \u00XX, so that the result is valid JSON for any bytes.
void AppendJsonString(std::string& out, std::string_view text);

} // namespace kestrom
