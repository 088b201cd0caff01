#pragma once

#include <stdexcept>
#include <string>

namespace kestrom {

/// A failed export: the file could not be created, written or put in
/// place, or the rows could not be read. The message is the Russian text
/// the user reads, naming the file and the cause.
class ExportError : public std::runtime_error {
  public:
    explicit ExportError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kestrom
