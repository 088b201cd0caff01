#pragma once

#include "decode/CallRecord.h"
#include "decode/ElementDecoders.h"
#include "decode/LoadBuffer.h"
#include "decode/YieldHook.h"

#include <cstdint>

namespace kestrom {

/// Walks the bytes of one file record by record. For every call record,
/// visit(record, damage, recordStart) is called with the record decoded into
/// rec; it returns false to end the walk at once (the record is then left as
/// it is). The cancel flag is looked at before each record.
template <class Visit>
void WalkRecords(TLoadBuffer& buf, TCallRecord& rec, const YieldHook& yield, const bool* cancelled,
                 Visit&& visit) {
    buf.Pos = 0;
    buf.RecordStart = 0;
    ResetCallRecord(rec);
    if (buf.Data == nullptr || buf.Size <= 0) return;
    for (;;) {
        if (cancelled != nullptr && *cancelled) return;
        yield();
        RecordDamage damage = DecodeHeader(buf, rec);
        if (damage == RecordDamage::None) damage = DecodeElements(buf, rec, yield);
        if (!visit(rec, damage, buf.RecordStart)) return;
        ResetCallRecord(rec);
        buf.RecordStart = buf.Pos;
        yield();
        if (buf.RecordStart >= buf.Size) return;
    }
}

} // namespace kestrom
