#pragma once

#include <string>
#include <string_view>

namespace kestrom {

/// Windows-1251 bytes to UTF-8. Every byte has a meaning: the one byte that
/// the code page leaves undefined (0x98) becomes U+0098, so any byte string
/// survives a round trip.
std::string Cp1251ToUtf8(std::string_view cp1251);

/// UTF-8 to Windows-1251. A character that the code page lacks, and every
/// byte that is not part of a well-formed UTF-8 sequence, becomes '?'.
std::string Utf8ToCp1251(std::string_view utf8);

} // namespace kestrom
