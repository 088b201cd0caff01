#pragma once

#include "decode/CallRecord.h"

namespace kestrom {

/// Receives the records that passed the load-time filter.
class CallRowWriter {
  public:
    virtual ~CallRowWriter() = default;
    /// Stores one row for the record; false when the table refused it.
    virtual bool AppendCallRow(TCallRecord& record) = 0;
};

} // namespace kestrom
