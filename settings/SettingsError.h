#pragma once

#include <stdexcept>
#include <string>

namespace kestrom {

/// A settings file that could not be written (or, at start, not set up). The
/// message is the exact text the window shows the user, in UTF-8.
class SettingsError : public std::runtime_error {
  public:
    explicit SettingsError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kestrom
