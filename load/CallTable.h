#pragma once

#include "db/Database.h"
#include "db/Table.h"
#include "decode/YieldHook.h"
#include "load/CallRowWriter.h"
#include "load/MessageSink.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrom {

/// One column of the call table AMG: its name and declared SQL type.
struct CallTableColumn {
    const char* name;
    const char* type;
};

/// The 88 columns of AMG in the order the writer fills them.
const std::array<CallTableColumn, 88>& CallTableColumns();

/// How the last load into AMG ended. The table file records it: a load
/// that has begun counts as broken off until it records its end, so a load
/// whose process was killed reads as BrokeOff.
enum class LoadEnd {
    Finished,  ///< every day of the period was loaded
    Cancelled, ///< the user stopped it
    Refused,   ///< the table refused rows for its size (a full disk, the size limit)
    BrokeOff,  ///< it ended before its end: a killed process, a write failure
};

/// Told when the result is opened after a load that broke off.
inline constexpr std::string_view IncompleteLoadMessage =
    "Последняя загрузка не завершена: таблица содержит не все записи.";

/// Removes all rows of AMG (file "AMG.db" in the database directory),
/// creating the table first when it is missing, and records that a load has
/// begun. A file that is no database or is damaged is moved aside as
/// "AMG.db.damaged" (its journal and log with it, replacing an older copy)
/// and the table is created anew; the result is then the message that says
/// so, and empty otherwise. The table must not be open. Any other failure
/// raises a DbError whose message gives the cause in Russian.
std::string EmptyCallTable(Database& db);

/// How the last load into AMG ended; nothing when the file records none (no
/// file, or one no load of this program has written). Raises DbError when
/// the file cannot be read.
std::optional<LoadEnd> LastLoadEnd(Database& db);

/// When the file of AMG is damaged (no database, or its pages do not hold
/// together): what the user is told, naming the file and that the next load
/// creates the table anew. Empty when the file is sound or missing. Reads
/// the whole file: meant for after a failed reading of the result.
std::string CallTableDamage(Database& db);

/// Writes the kept records of a load as rows of AMG, numbered 1, 2, 3, ...
/// in the order in which they come.
class CallTable final : public CallRowWriter {
  public:
    /// The message of a refused row; the number of rows held follows it.
    static constexpr std::string_view TableFullMessage =
        "Ошибка! Достигнут максимальный размер таблицы! Записей : ";

    /// yield is called once per row, so the window can process its events.
    CallTable(Database& db, MessageSink& messages, YieldHook yield = {});

    /// Sets the row counter to 1 and opens AMG in the order of its ID index,
    /// creating the table when it is missing. Clearing the load's cancel flag
    /// is the caller's part.
    void OpenCallTable();

    /// Stores one row for the record (whose Failure becomes 16 when its F4
    /// is 1). When the table refuses the row the result is false, and a
    /// message with the number of rows held goes to the sink:
    /// TableFullMessage when the table cannot grow (a full disk, its size
    /// limit), the cause in Russian for any other failure (a lock held by
    /// another program, a read or write error). The rows stored before stay
    /// in the table; when a full disk took rows not yet committed with it,
    /// the counter goes back to the rows held.
    bool AppendCallRow(TCallRecord& record) override;

    /// Commits the rows, records how the load ended (Cancelled when
    /// cancelled is set and nothing worse happened) and closes the table. A
    /// failing commit is reported as a refused row is. Does nothing when
    /// the table is not open; the result is how the load ended.
    LoadEnd CloseCallTable(bool cancelled = false);

    /// The load broke off for a cause outside the table (the archive it
    /// copies from failed): its end is recorded as BrokeOff.
    void BreakOff() { end_ = LoadEnd::BrokeOff; }

    bool IsOpen() const { return table_.has_value(); }
    /// The ID of the next row; the number of rows held is one less.
    std::int32_t RowCounter() const { return counter_; }

    /// How the load stands: Finished until a row is refused or a write fails.
    LoadEnd End() const { return end_; }

  private:
    void WriteRow(TCallRecord& r);
    void Refused(int code, const char* what);

    Database& db_;
    MessageSink& messages_;
    YieldHook yield_;
    std::optional<Table> table_;
    std::int32_t counter_ = 1;
    LoadEnd end_ = LoadEnd::Finished;
};

} // namespace kestrom
