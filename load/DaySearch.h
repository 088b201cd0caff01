#pragma once

#include "base/DateTime.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The eight-digit day text of a date-time value: 20061009.
std::string DayText(TDateTime day);

/// The AMA folder as the search uses it: a directory separator is appended
/// when a typed folder lacks one.
std::string FolderWithSeparator(std::string_view folder);

/// The name part of a day's search mask: the exchange number (or "*" when
/// none is chosen), the day text and "*.ama".
std::string DayPattern(std::string_view exchange, TDateTime day);

/// Whether a file name matches a name pattern in which "*" stands for any run
/// of characters and "?" for any one; letters match without regard to case.
bool NameMatches(std::string_view pattern, std::string_view name);

/// One entry the directory search found.
struct FoundFile {
    std::string Name;      ///< the entry's name in the folder
    std::int64_t Size = 0; ///< its size as the search reports it (0 for anything but a file)
    bool Regular = false;  ///< a regular file (after links); only these are read
};

/// The entries of the folder whose names match the name part of the mask,
/// in the order in which the directory lists them. Entries of every kind are
/// found; a folder that cannot be read gives none.
std::vector<FoundFile> SearchFiles(const std::filesystem::path& folder, std::string_view pattern);

/// Why the folder cannot be listed, in the operating system's words; empty
/// when it can be, or when it does not exist (its days then have no files).
std::string FolderAccessError(const std::filesystem::path& folder);

} // namespace kestrom
