#pragma once

#include <stdexcept>
#include <string>

namespace kestrom {

/// A failed database operation. The message names the operation, the table
/// or file it concerned and the engine's own explanation, e.g.
/// "Post row: AMG.db: database or disk is full".
class DbError : public std::runtime_error {
  public:
    explicit DbError(const std::string& message, int code = 0)
        : std::runtime_error(message), code_(code) {}

    /// The SQLite result code (SQLITE_FULL, SQLITE_ERROR, ...), 0 when the
    /// failure was found by this layer rather than by SQLite.
    int Code() const { return code_; }

  private:
    int code_;
};

} // namespace kestrom
