#include "load/DecodeLoop.h"

#include "load/CallRowWriter.h"
#include "load/PreFilter.h"
#include "tests/decode/RecordBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::Bytes;
using test::Hex;

// Keeps the owner numbers of the rows it was given; refuses from row refuseFrom on.
class CollectingWriter : public CallRowWriter {
  public:
    bool AppendCallRow(TCallRecord& r) override {
        ++calls;
        if (calls >= refuseFrom) return false;
        owners.push_back(r.Owner_N.str());
        if (onRow) onRow();
        return true;
    }
    std::vector<std::string> owners;
    int calls = 0;
    int refuseFrom = 1 << 30;
    std::function<void()> onRow;
};

// One sound call record with owner number `owner` (an even number of digits),
// success flag F4 and a checksum.
Bytes Call(const std::string& owner, bool successful = true, bool badChecksum = false,
           const Bytes& elements = {}) {
    Bytes digits;
    for (std::size_t i = 0; i + 1 < owner.size(); i += 2)
        digits.push_back(static_cast<std::uint8_t>((owner[i] - '0') << 4 | (owner[i + 1] - '0')));
    Bytes r = test::Header(200, successful ? 0x08 : 0x00, 0x02, 1, 0,
                           static_cast<std::uint8_t>(owner.size()), digits);
    r.insert(r.end(), elements.begin(), elements.end());
    test::AppendChecksum(r, 0, badChecksum);
    return r;
}

struct Walk {
    explicit Walk(const Bytes& b) : ob(b) {}
    DecodeStats Run() {
        DecodeContext ctx{ob.buf, rec, filter, writer, yield, &cancelled};
        return DecodeBuffer(ctx);
    }
    test::OwnedBuffer ob;
    TCallRecord rec;
    TPreFilter filter;
    CollectingWriter writer;
    YieldHook yield;
    bool cancelled = false;
};

TEST(DecodeLoop, StoresSoundRecordsAndCountsTheOthers) {
    Walk w(test::Concat({Call("11"), Call("22", true, true), Call("33")}));
    const DecodeStats st = w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "33"}));
    EXPECT_EQ(st.Records, 3u);
    EXPECT_EQ(st.Stored, 2u);
    EXPECT_EQ(st.BadChecksum, 1u);
    EXPECT_EQ(st.Damaged(), 0u);
    EXPECT_FALSE(st.Refused);
}

TEST(DecodeLoop, FurtherRecordsYieldNoRowsOfTheirOwn) {
    Bytes r210(16, 0);
    r210[0] = 210;
    Bytes r211(19, 0);
    r211[0] = 211;
    Bytes r212(12, 0);
    r212[0] = 212;
    Walk w(test::Concat({Call("11"), r210, r211, Call("22"), r212, Call("33")}));
    const DecodeStats st = w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "22", "33"}));
    // The further records belong to the walk of the record before them, so its
    // checksum (computed before them) is still sound.
    EXPECT_EQ(st.Records, 3u);
}

TEST(DecodeLoop, FirstRecordIsReadAsAHeaderWhateverItsType) {
    // A file beginning with a record of type 212: its first 16 bytes are read as
    // a header (no owner digits), the walk goes on behind it and finds the call
    // record at the next byte 200 in code position.
    Bytes first(16, 0);
    first[0] = 212;
    Walk w(test::Concat({first, Hex("6e 03"), Call("44")}));
    const DecodeStats st = w.Run();
    EXPECT_EQ(st.Records, 2u);
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"", "44"}));
}

TEST(DecodeLoop, DamagedRecordsAreSkippedAndTheWalkGoesOn) {
    // Month 13 in the second record: it is walked to its end and skipped.
    Bytes badDate = Call("22", true, false, Hex("66 06 0d 01 00 00 00 00 00 6e 05"));
    // A record cut off by the end of the data is not stored either.
    Bytes last = Call("44");
    last.resize(last.size() - 2);
    Walk w(test::Concat({Call("11"), badDate, Call("33"), last}));
    const DecodeStats st = w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "33"}));
    EXPECT_EQ(st.BadDateTime, 1u);
    EXPECT_EQ(st.CutOff, 1u);
    EXPECT_EQ(st.Damaged(), 2u);
    EXPECT_EQ(st.Records, 4u);
}

TEST(DecodeLoop, FileEndingRightAfterTheLastElementIsStored) {
    Bytes noChecksum = test::Header(200, 0x08, 0x02, 1, 0, 2, {0x55});
    noChecksum.insert(noChecksum.end(), {0x6e, 0x01});
    Walk w(test::Concat({Call("11"), noChecksum}));
    w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "55"}));
}

TEST(DecodeLoop, FilterDecidesWhatIsStored) {
    Walk w(test::Concat({Call("11", true), Call("22", false), Call("33", true)}));
    w.filter.OnlySuccessful = true;
    PrepareFilter(w.filter);
    w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "33"}));

    Walk all(test::Concat({Call("11", true), Call("22", false), Call("33", true)}));
    all.Run();
    EXPECT_EQ(all.writer.owners.size(), 3u);

    Walk byNumber(test::Concat({Call("1100"), Call("2200"), Call("1122")}));
    byNumber.filter.NumberAOn = true;
    byNumber.filter.NumberAMatch = nmStartsWith;
    byNumber.filter.NumberAText = "11";
    PrepareFilter(byNumber.filter);
    byNumber.Run();
    EXPECT_EQ(byNumber.writer.owners, (std::vector<std::string>{"1100", "1122"}));
}

TEST(DecodeLoop, RefusedRowEndsTheWalkOfTheFile) {
    Walk w(test::Concat({Call("11"), Call("22"), Call("33")}));
    w.writer.refuseFrom = 1;
    const DecodeStats st = w.Run();
    EXPECT_TRUE(st.Refused);
    EXPECT_EQ(w.writer.calls, 1);
    EXPECT_EQ(st.Records, 1u);
    EXPECT_EQ(st.Stored, 0u);
}

TEST(DecodeLoop, CancelFinishesTheRecordInHandThenReturns) {
    Walk w(test::Concat({Call("11"), Call("22"), Call("33")}));
    // The cancel is seen by a yield while the second record is decoded.
    int yields = 0;
    struct Ctx {
        Walk* w;
        int* yields;
    } ctx{&w, &yields};
    w.yield.ctx = &ctx;
    w.yield.fn = [](void* p) {
        auto* c = static_cast<Ctx*>(p);
        if (c->w->rec.Owner_N.view() == "22") c->w->cancelled = true;
        ++*c->yields;
    };
    const DecodeStats st = w.Run();
    EXPECT_EQ(w.writer.owners, (std::vector<std::string>{"11", "22"}));
    EXPECT_EQ(st.Records, 2u);
    EXPECT_GT(yields, 0);

    // Already cancelled: nothing is decoded at all.
    Walk again(Call("11"));
    again.cancelled = true;
    EXPECT_EQ(again.Run().Records, 0u);
    EXPECT_TRUE(again.writer.owners.empty());
}

TEST(DecodeLoop, EmptyDataWalksNothing) {
    Walk w(Bytes{});
    EXPECT_EQ(w.Run().Records, 0u);
}

} // namespace
} // namespace kestrom
