#pragma once

#include <cstdint>
#include <string>

namespace kestrom {

/// The bytes of one regular file, mapped read-only into memory: a large AMA
/// file costs address space, not private memory. Anything that is not a
/// regular file (a FIFO, a device, a folder) is refused without blocking.
class MappedFile {
  public:
    enum class Status : std::uint8_t {
        Mapped,     ///< the bytes are there (an empty file has none)
        NotRegular, ///< not a regular file; nothing was read
        Failed,     ///< it could not be opened or mapped; Error() says why
    };

    /// Maps at most `limit` bytes of the file (all of it when limit is negative).
    explicit MappedFile(const std::string& path, std::int64_t limit = -1);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    Status State() const { return status_; }
    bool Ok() const { return status_ == Status::Mapped; }
    /// Why it failed, as the user reads it.
    const std::string& Error() const { return error_; }
    const std::uint8_t* Data() const { return data_; }
    std::int64_t Size() const { return size_; }

  private:
    Status status_ = Status::Failed;
    std::string error_;
    const std::uint8_t* data_ = nullptr;
    std::int64_t size_ = 0;
    void* mapping_ = nullptr;
    std::size_t mappedLength_ = 0;
};

} // namespace kestrom
