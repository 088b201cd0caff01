#pragma once

#include "load/CallRowWriter.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace kestrom {

struct ArchiveColumn;
enum class ArchiveType : std::uint8_t;

/// Turns the records of one AMA file into the rows of kestrom.calls in
/// PostgreSQL's binary COPY format (the columns of ArchiveCallColumns()):
/// file_id, day and exchange of the file, then exactly the values and NULLs
/// CallTable writes into AMG, "ID" numbering the rows 1, 2, 3, ... The bytes
/// go to the sink in pieces of about ChunkBytes; the first piece begins with
/// the format's header, and Finish sends the trailer.
///
///     CopyBinaryWriter w([&](std::string_view b) { pg.PutCopyData(b); }, id, day, "i3962");
///     ... DecodeBuffer with w as the writer ...
///     w.Finish();
class CopyBinaryWriter final : public CallRowWriter {
  public:
    using Sink = std::function<void(std::string_view)>;
    static constexpr std::size_t ChunkBytes = 1 << 20;

    /// pgDay: the file's day as days since 2000-01-01.
    CopyBinaryWriter(Sink sink, std::int64_t fileId, std::int32_t pgDay, std::string_view exchange);

    /// Adds the record's row (its Failure becomes 16 when its F4 is 1). When
    /// the sink fails the result is false and Finish raises that failure.
    bool AppendCallRow(TCallRecord& record) override;

    /// Sends the trailer and what is left. Raises the sink's failure.
    void Finish();

    /// Rows added so far.
    std::int64_t Rows() const { return rows_; }

  private:
    void WriteRow(TCallRecord& r);
    void Number(int field, std::int64_t value);
    void Real(int field, double value);
    void Text(int field, std::string_view bytes);
    void Date(int field, double value);
    void Time(int field, double value);
    void Null(int field);
    ArchiveType Next(int field);
    void Expect(int field, ArchiveType type);
    void Put16(std::uint16_t v);
    void Put32(std::uint32_t v);
    void Put64(std::uint64_t v);
    void Flush();

    Sink sink_;
    const ArchiveColumn* columns_; // ArchiveCallColumns()
    std::string buffer_;
    std::string prefix_; // file_id, day and exchange, the same in every row
    std::int64_t rows_ = 0;
    int next_ = 0; // the AMG column the row expects next
    std::exception_ptr failure_;
};

} // namespace kestrom
