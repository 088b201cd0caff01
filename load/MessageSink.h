#pragma once

#include <string_view>

namespace kestrom {

/// Where the core's messages to the user go: a message box in the window,
/// stderr in the console, a recorder in tests. Texts are UTF-8.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    /// An information box with the single button OK.
    virtual void Information(std::string_view text) = 0;
};

} // namespace kestrom
