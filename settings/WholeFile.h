#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kestrom {

/// All bytes of a file; nullopt when it cannot be opened or read (missing,
/// locked, a directory).
std::optional<std::string> ReadWholeFile(const std::string& fileName);

/// Replaces the file's content with bytes, creating the file when it is
/// missing. The bytes go to a scratch file beside it that then takes its
/// place, so a failed write leaves the old content whole. An existing file
/// that may not be written to is refused. Returns the operating system's error, or an
/// empty code on success.
std::error_code ReplaceWholeFile(const std::string& fileName, std::string_view bytes);

} // namespace kestrom
