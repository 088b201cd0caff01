// Walks arbitrary bytes as an AMA file. The walk must end, read nothing beyond
// the data (the bytes lie in a block of exactly their size, under
// AddressSanitizer), and never store a row from a record the data cut off.

#include "decode/ElementDecoders.h"
#include "load/CallRowWriter.h"
#include "load/DecodeLoop.h"
#include "load/PreFilter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace kestrom;

[[noreturn]] void Fail(const char* what) {
    __builtin_printf("invariant broken: %s\n", what);
    std::abort();
}

// Checks every stored record against an independent decoding of its own bytes.
class CheckingWriter : public CallRowWriter {
  public:
    explicit CheckingWriter(const TLoadBuffer& buf) : buf_(buf) {}

    bool AppendCallRow(TCallRecord&) override {
        const std::int64_t start = buf_.RecordStart;
        const std::int64_t end = buf_.Pos;
        if (start < 0 || end > buf_.Size || end <= start) Fail("record span outside the data");
        // The data from the record's start on, decoded afresh, must give a sound
        // record that ends where the walk ended (digits of element 119 may run
        // past the record's end, so the rest of the data is kept).
        const auto len = static_cast<std::size_t>(buf_.Size - start);
        auto copy = std::make_unique<std::uint8_t[]>(len);
        std::memcpy(copy.get(), buf_.Data + start, len);
        TLoadBuffer alone;
        alone.Data = copy.get();
        alone.Size = static_cast<std::int64_t>(len);
        TCallRecord rec;
        RecordDamage d = DecodeHeader(alone, rec);
        if (d == RecordDamage::None) d = DecodeElements(alone, rec, YieldHook{});
        if (d != RecordDamage::None) Fail("a damaged record was stored");
        if (alone.Pos != end - start) Fail("a stored record does not end where its walk ended");
        if (rec.ChecksumBad) Fail("a record with a bad checksum was stored");
        ++rows;
        return true;
    }
    std::uint64_t rows = 0;

  private:
    const TLoadBuffer& buf_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto bytes = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size != 0) std::memcpy(bytes.get(), data, size);
    TLoadBuffer buf;
    buf.Data = size == 0 ? nullptr : bytes.get();
    buf.Size = static_cast<std::int64_t>(size);
    TCallRecord rec;
    TPreFilter filter; // all filters off: every sound record is stored
    PrepareFilter(filter);
    CheckingWriter writer(buf);
    bool cancelled = false;
    DecodeContext ctx{buf, rec, filter, writer, YieldHook{}, &cancelled};
    const DecodeStats st = DecodeBuffer(ctx);

    if (st.Stored != writer.rows) Fail("stored count differs from the rows written");
    if (st.Records != st.Stored + st.BadChecksum + st.BadDateTime + st.BadDigits + st.CutOff)
        Fail("a record was neither stored nor counted");
    if (st.CutOff > 1) Fail("more than one record cut off by the end of the data");
    // Every record but a cut-off last one takes at least its 16-byte header.
    if (st.Records > size / 16 + 1) Fail("more records than the data can hold");
    if (buf.Pos > buf.Size) Fail("the walk went beyond the data");
    return 0;
}
