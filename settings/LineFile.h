#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The lines of a text, split at CR LF, LF or a lone CR. A break at the very
/// end does not start another line; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

/// The lines of a Windows-1251 text file as UTF-8; nullopt when the file
/// cannot be read.
std::optional<std::vector<std::string>> ReadLineFile(const std::string& fileName);

/// Writes UTF-8 lines as Windows-1251, each ended by CR LF (no lines: an empty
/// file). Throws SettingsError `Cannot create file "<fileName>". <reason>`.
void WriteLineFile(const std::string& fileName, const std::vector<std::string>& lines);

} // namespace kestrom
