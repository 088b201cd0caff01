#pragma once

#include <string>
#include <string_view>

namespace kestrom {

/// Turns the capital Latin and Cyrillic letters of UTF-8 text (A-Z, А-Я,
/// Ё and the other capitals U+0400 to U+040F) into small ones in place.
/// Every letter keeps its byte length, so positions stay valid; other bytes
/// are left as they are.
void FoldLetterCase(char* text, std::size_t size);
void FoldLetterCase(std::string& text);

/// True when the text holds a Latin or Cyrillic letter of either case,
/// that is when a case-blind search for it differs from a plain one.
bool HasCasedLetter(std::string_view text);

} // namespace kestrom
