#include "load/DecodeLoop.h"

#include "decode/RecordWalk.h"
#include "load/CallRowWriter.h"
#include "load/PreFilter.h"

namespace kestrom {

DecodeStats& DecodeStats::operator+=(const DecodeStats& o) {
    Records += o.Records;
    Stored += o.Stored;
    BadChecksum += o.BadChecksum;
    BadDateTime += o.BadDateTime;
    BadDigits += o.BadDigits;
    CutOff += o.CutOff;
    Refused = Refused || o.Refused;
    return *this;
}

DecodeStats DecodeBuffer(DecodeContext& ctx) {
    DecodeStats st;
    std::int64_t lastStart = -1;
    std::int64_t lastLength = 0;
    WalkRecords(ctx.Buffer, ctx.Record, ctx.Yield, ctx.Cancelled,
                [&](TCallRecord& rec, RecordDamage damage, std::int64_t start) {
                    ++st.Records;
                    lastStart = -1;
                    switch (damage) {
                    case RecordDamage::CutOff:
                        ++st.CutOff;
                        return true;
                    case RecordDamage::BadDateTime:
                        ++st.BadDateTime;
                        return true;
                    case RecordDamage::BadDigits:
                        ++st.BadDigits;
                        return true;
                    case RecordDamage::None:
                        break;
                    }
                    lastStart = start;
                    lastLength = rec.RecordLength;
                    if (rec.ChecksumBad) {
                        ++st.BadChecksum;
                        return true;
                    }
                    if (!PassPreFilter(rec, ctx.Filter)) return true;
                    if (!ctx.Writer.AppendCallRow(rec)) {
                        st.Refused = true;
                        return false;
                    }
                    ++st.Stored;
                    return true;
                });
    // Records are framed by walking their elements, never by the header's
    // length; a last record shorter than that length hints at a cut file.
    const TLoadBuffer& buf = ctx.Buffer;
    if (!st.Refused && lastStart >= 0 && buf.Pos >= buf.Size && lastLength > buf.Size - lastStart)
        st.ShortLastRecord = lastStart;
    return st;
}

} // namespace kestrom
