#pragma once

#include <string>
#include <string_view>

namespace kestrom {

/// Whether the bytes are well-formed UTF-8 without a NUL: what a text value
/// of the archive's database (encoding UTF8) accepts.
bool IsArchiveUtf8(std::string_view bytes);

/// Appends a decoded record's text as the archive stores it. Each byte is
/// one character: the decoder gives digits, '*' and '#', which pass as
/// they are; any other byte is taken as a Windows-1251 character, and NUL,
/// which no text value may hold, becomes '?'. So the text always stays
/// valid UTF-8 of as many characters as it has bytes.
void AppendArchiveText(std::string& out, std::string_view bytes);

} // namespace kestrom
