#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrom {

// The text of an INI file in the Windows private-profile form, as the bytes on
// disk (Windows-1251): "[section]" lines, then "key=value" lines. Lines
// starting with ";" are comments. Section and key names are matched without
// regard to letter case (Latin and Cyrillic) and to blanks around them; only
// the first section of a name and the first key of a name in it count.

/// Whether two names are the same name to an INI file.
bool SameIniName(std::string_view a, std::string_view b);

/// The value of a key with the blanks around it removed; nullopt when the
/// section or the key is absent. A key with nothing after "=" has the value "".
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

/// The text with one key set to value. An existing key keeps its line up to
/// and including the "=" and gets the new value after it; a missing key is
/// added after the last non-blank line of its section, a missing section at
/// the end of the text after a blank line. Everything else is kept byte for
/// byte; added lines end in CR LF. Line breaks in value are written as blanks.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace kestrom
