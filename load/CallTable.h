#pragma once

#include "db/Database.h"
#include "db/Table.h"
#include "decode/YieldHook.h"
#include "load/CallRowWriter.h"
#include "load/MessageSink.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kestrom {

/// One column of the call table AMG: its name and declared SQL type.
struct CallTableColumn {
    const char* name;
    const char* type;
};

/// The 88 columns of AMG in the order the writer fills them.
const std::array<CallTableColumn, 88>& CallTableColumns();

/// Removes all rows of AMG (file "AMG.db" in the database directory),
/// creating the table first when it is missing. The table must not be open.
void EmptyCallTable(Database& db);

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
    /// is 1). When the table refuses the row, the message TableFullMessage
    /// with the number of rows held goes to the sink, the counter stays and
    /// the result is false; the rows stored before stay in the table.
    bool AppendCallRow(TCallRecord& record) override;

    /// Commits the rows and closes the table; does nothing when not open.
    void CloseCallTable();

    bool IsOpen() const { return table_.has_value(); }
    /// The ID of the next row; the number of rows held is one less.
    std::int32_t RowCounter() const { return counter_; }

  private:
    void WriteRow(TCallRecord& r);

    Database& db_;
    MessageSink& messages_;
    YieldHook yield_;
    std::optional<Table> table_;
    std::int32_t counter_ = 1;
};

} // namespace kestrom
