#pragma once

#include <cstddef>
#include <string>

namespace kestrom {

/// The bytes of an export on their way into a file: writers append to the
/// buffer, which goes to the file whenever it has grown past a few hundred
/// kilobytes, so the memory an export takes stays the same for any size.
/// A failed write raises ExportError naming the file and the cause.
class ExportOutput {
  public:
    /// fd stays open and owned by the caller; name is the file the user
    /// chose, for messages.
    ExportOutput(int fd, std::string name);

    std::string& Buffer() { return buffer_; }
    /// Writes the buffer out once it has grown past its limit.
    void Spill() {
        if (buffer_.size() >= Limit) Flush();
    }
    /// Writes out whatever the buffer holds.
    void Flush();

  private:
    static constexpr std::size_t Limit = 256 * 1024;

    int fd_;
    std::string name_;
    std::string buffer_;
};

} // namespace kestrom
