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
    CutOff += o.CutOff;
    Refused = Refused || o.Refused;
    return *this;
}

DecodeStats DecodeBuffer(DecodeContext& ctx) {
    DecodeStats st;
    WalkRecords(ctx.Buffer, ctx.Record, ctx.Yield, ctx.Cancelled,
                [&](TCallRecord& rec, RecordDamage damage, std::int64_t) {
                    ++st.Records;
                    switch (damage) {
                    case RecordDamage::CutOff:
                        ++st.CutOff;
                        return true;
                    case RecordDamage::BadDateTime:
                        ++st.BadDateTime;
                        return true;
                    case RecordDamage::None:
                        break;
                    }
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
    return st;
}

} // namespace kestrom
