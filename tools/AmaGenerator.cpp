#include "tools/AmaGenerator.h"

#include "tools/AmaWriter.h"
#include "tools/Rng.h"

#include <array>
#include <fstream>
#include <queue>
#include <stdexcept>

namespace kestrom::gen {

namespace {

constexpr std::int64_t DayMs = 86400000;
constexpr std::int64_t LastTenthMs = DayMs - 100; // 23:59:59.9, the latest time a record shows
constexpr std::uint64_t TypicalRecordBytes = 72;

std::uint8_t U8(std::uint32_t v) {
    return static_cast<std::uint8_t>(v & 0xFFu);
}
std::uint16_t U16(std::uint32_t v) {
    return static_cast<std::uint16_t>(v & 0xFFFFu);
}

// The subscribers and trunks of one exchange, the same in every file of it.
struct ExchangeProfile {
    std::string Prefix;                    // the first three digits of its local numbers
    std::array<char, 3> Blocks{};          // the fourth digits in use
    std::array<std::string, 4> Neighbours; // four-digit prefixes of nearby exchanges
    std::array<std::uint16_t, 6> InGroups{};
    std::array<std::uint16_t, 6> OutGroups{};
};

char LeadDigit(Rng& r) {
    return static_cast<char>('2' + r.Below(8));
}

ExchangeProfile MakeProfile(std::string_view exchange) {
    Rng r(HashText(exchange, 0x6B657374726F6D31ull));
    std::string digits;
    for (char c : exchange)
        if (c >= '0' && c <= '9') digits.push_back(c);
    ExchangeProfile p;
    if (digits.size() >= 3 && digits[0] != '0' && digits[0] != '1') {
        p.Prefix = digits.substr(0, 3);
    } else {
        p.Prefix = {LeadDigit(r), r.Digit(), r.Digit()};
    }
    p.Blocks[0] = digits.size() >= 4 ? digits[3] : r.Digit();
    p.Blocks[1] = r.Digit();
    p.Blocks[2] = r.Digit();
    for (auto& n : p.Neighbours)
        n = {LeadDigit(r), r.Digit(), r.Digit(), r.Digit()};
    for (auto& g : p.InGroups)
        g = U16(r.Between(1, 999));
    for (auto& g : p.OutGroups)
        g = U16(r.Between(1, 999));
    return p;
}

// One record waiting to be written: a whole call, or one partial record of a
// long call.
struct Plan {
    std::uint32_t CallId = 0;
    std::uint8_t Sequence = 1;
    bool Successful = false;
    bool F10 = true;
    std::string Owner;
    bool HasPartner = true;
    std::string Partner;
    std::int64_t StartMs = 0;
    bool HasStart = true;
    std::int64_t EndMs = 0;
    bool HasEnd = false;
    std::uint32_t DurationMs = 0;
    bool HasDuration = false;
    int Failure = -1;
    int ErrorCode = -1;
    bool HasIn = false;
    bool HasOut = false;
    AmaTrunk In;
    AmaTrunk Out;
    int ServiceA = -1;
    int ServiceB = -1;
    int Origin = -1;
    bool BadDate = false;
    std::uint64_t Due = 0;   // written once this many call records are out
    std::uint64_t Order = 0; // ties of Due keep the order of planning
};

struct LaterDue {
    bool operator()(const Plan& a, const Plan& b) const {
        return a.Due != b.Due ? a.Due > b.Due : a.Order > b.Order;
    }
};

AmaDateTime ToAma(const CivilDate& day, std::int64_t ms) {
    const TimeOfDay t = TimeFromMs(ms);
    return {day.year,
            U8(static_cast<std::uint32_t>(day.month)),
            U8(static_cast<std::uint32_t>(day.day)),
            U8(static_cast<std::uint32_t>(t.hour)),
            U8(static_cast<std::uint32_t>(t.minute)),
            U8(static_cast<std::uint32_t>(t.second)),
            U8(static_cast<std::uint32_t>(t.millisecond / 100))};
}

std::int64_t Tenths(std::int64_t ms) {
    return ms - ms % 100;
}

// Failure codes of failed calls with their weights (per mille).
constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 8> FailureWeights{
    {{2, 350}, {3, 250}, {1, 120}, {4, 80}, {7, 70}, {0, 50}, {5, 50}, {6, 30}}};

// Extended error codes that go with each failure code.
constexpr std::array<std::array<std::uint16_t, 3>, 8> ErrorCodesByFailure{{
    {31, 127, 111}, // 0 unspecified
    {28, 28, 96},   // 1 incomplete number
    {19, 18, 19},   // 2 no answer
    {17, 17, 17},   // 3 busy
    {1, 1, 22},     // 4 wrong number
    {34, 42, 44},   // 5 congestion
    {41, 47, 38},   // 6 internal error
    {57, 63, 69},   // 7 service refused
}};

constexpr std::array<const char*, 8> ServiceNumbers{"01",  "02",  "03",  "04",
                                                    "112", "100", "060", "09"};
constexpr std::array<const char*, 6> StarCodes{"*21#", "#21#", "*43#", "#43#", "*#21#", "*#43#"};
constexpr std::array<const char*, 10> Countries{"1",   "44",  "49", "33", "39",
                                                "380", "375", "86", "90", "972"};

class FileGenerator {
  public:
    FileGenerator(const GeneratorOptions& o, std::string_view exchange, const CivilDate& day,
                  int index)
        : o_(o), rng_(Seed(o, exchange, day, index)), profile_(MakeProfile(exchange)), day_(day) {
        file_.Name = AmaFileName(exchange, day, index);
        file_.Exchange = std::string(exchange);
        file_.Day = day;
        file_.Index = index;

        const int files = o.FilesPerDay > 0 ? o.FilesPerDay : 1;
        const int slot = index >= 1 && index <= files ? index - 1 : 0;
        windowStart_ = DayMs * slot / files;
        windowLen_ = DayMs / files;

        if (o.TotalBytes > 0) {
            const std::uint64_t count = FileCount(o) > 0 ? FileCount(o) : 1;
            targetBytes_ = o.TotalBytes / count > 0 ? o.TotalBytes / count : 1;
            expected_ = targetBytes_ / TypicalRecordBytes + 1;
        } else {
            budget_ = o.RecordsPerFile;
            if (o.Damage && budget_ > 0) --budget_; // the last record is the cut-off one
            expected_ = budget_ > 0 ? budget_ : 1;
        }
        if (o.Damage) badDateAt_ = o.TotalBytes > 0 ? expected_ / 2 : budget_ / 2;
        w_ = AmaWriter(static_cast<std::size_t>(
            o.TotalBytes > 0 ? targetBytes_ + 256 : expected_ * TypicalRecordBytes + 256));
        callIdBase_ = static_cast<std::uint32_t>(rng_.Next() >> 32);
    }

    GeneratedFile Run() {
        for (;;) {
            const bool noNewCalls = NoNewCalls();
            if (!pending_.empty() && (pending_.top().Due <= written_ || noNewCalls)) {
                Plan p = pending_.top();
                pending_.pop();
                Emit(p, false);
                continue;
            }
            if (noNewCalls) break;
            NewCall();
        }
        if (o_.Damage && (o_.TotalBytes > 0 || o_.RecordsPerFile > 0)) {
            Plan p = OrdinaryCall(NextCallId());
            p.Successful = true;
            const std::size_t checksumAt = Emit(p, true);
            w_.Truncate(checksumAt + 3);
        }
        file_.Bytes = w_.Finish();
        file_.Counts.Bytes = file_.Bytes.size();
        return std::move(file_);
    }

  private:
    static std::uint64_t Seed(const GeneratorOptions& o, std::string_view exchange,
                              const CivilDate& day, int index) {
        std::uint64_t s = o.Seed;
        std::uint64_t h = SplitMix64(s);
        h = HashText(exchange, h);
        h ^= static_cast<std::uint64_t>(DaysFromCivil(day)) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<std::uint64_t>(index) << 48;
        return SplitMix64(h);
    }

    bool NoNewCalls() const {
        if (o_.TotalBytes > 0) return w_.Size() >= targetBytes_;
        return written_ + pending_.size() >= budget_;
    }

    std::uint32_t NextCallId() { return callIdBase_ + callCounter_++; }

    template <std::size_t N> const char* Pick(const std::array<const char*, N>& items) {
        return items[rng_.Below(static_cast<std::uint32_t>(N))];
    }

    std::string LocalNumber() {
        std::string n = profile_.Prefix;
        n.push_back(profile_.Blocks[rng_.Below(3)]);
        for (int i = 0; i < 3; ++i)
            n.push_back(rng_.Digit());
        return n;
    }

    std::string Digits(std::string n, int count) {
        for (int i = 0; i < count; ++i)
            n.push_back(rng_.Digit());
        return n;
    }

    std::string NeighbourNumber() { return Digits(profile_.Neighbours[rng_.Below(4)], 3); }

    std::string MobileNumber() { return Digits("89", 9); }

    std::string LongDistanceNumber() {
        std::string n = "8";
        n.push_back(LeadDigit(rng_));
        return Digits(std::move(n), 9);
    }

    std::string InternationalNumber() {
        std::string n = "810";
        n += Pick(Countries);
        return Digits(std::move(n), static_cast<int>(rng_.Between(8, 10)));
    }

    // A number called from this exchange going out over a trunk.
    std::string OutgoingNumber() {
        const std::uint32_t k = rng_.Below(1000);
        if (k < 450) return NeighbourNumber();
        if (k < 750) return MobileNumber();
        if (k < 930) return LongDistanceNumber();
        return InternationalNumber();
    }

    // A caller from elsewhere, as it arrives over an incoming trunk.
    std::string ExternalCaller() {
        const std::uint32_t k = rng_.Below(1000);
        if (k < 500) return NeighbourNumber();
        if (k < 800) return MobileNumber();
        return LongDistanceNumber();
    }

    AmaTrunk Trunk(const std::array<std::uint16_t, 6>& groups) {
        AmaTrunk t;
        t.Group = groups[rng_.Below(6)];
        t.Trunk = U16(rng_.Between(1, 480));
        t.Byte5 = U8(rng_.Below(4));
        t.Word6 = U16(rng_.Below(32));
        t.Byte8 = U8(rng_.Below(2));
        return t;
    }

    std::uint32_t TalkMs() {
        const std::uint32_t k = rng_.Below(1000);
        if (k < 150) return rng_.Between(1000, 10000);
        if (k < 500) return rng_.Between(10000, 60000);
        if (k < 780) return rng_.Between(60000, 180000);
        if (k < 930) return rng_.Between(180000, 600000);
        if (k < 990) return rng_.Between(600000, 1800000);
        return rng_.Between(1800000, 3600000);
    }

    std::int64_t NextStartMs() {
        const auto i = static_cast<std::int64_t>(written_);
        const auto expected = static_cast<std::int64_t>(expected_);
        std::int64_t ms = windowStart_ + i * windowLen_ / expected;
        ms += rng_.Below(static_cast<std::uint32_t>(windowLen_ / expected + 1));
        const std::int64_t last = windowStart_ + windowLen_ - 100;
        return Tenths(ms < last ? ms : last);
    }

    // The common part of every call: parties, trunks, start, optional bytes.
    Plan OrdinaryCall(std::uint32_t callId) {
        Plan p;
        p.CallId = callId;
        p.StartMs = NextStartMs();
        const std::uint32_t direction = rng_.Below(1000);
        if (direction < 450) { // within the exchange
            p.Owner = LocalNumber();
            const std::uint32_t k = rng_.Below(1000);
            if (k < 40)
                p.Partner = Pick(ServiceNumbers);
            else if (k < 55)
                p.Partner = Pick(StarCodes);
            else
                p.Partner = LocalNumber();
        } else if (direction < 800) { // outgoing
            p.Owner = LocalNumber();
            p.Partner = OutgoingNumber();
            p.HasOut = true;
            p.Out = Trunk(profile_.OutGroups);
        } else if (direction < 950) { // incoming
            p.Owner = ExternalCaller();
            p.Partner = LocalNumber();
            p.HasIn = true;
            p.In = Trunk(profile_.InGroups);
        } else { // transit
            p.Owner = ExternalCaller();
            p.Partner = OutgoingNumber();
            p.HasIn = p.HasOut = true;
            p.In = Trunk(profile_.InGroups);
            p.Out = Trunk(profile_.OutGroups);
        }
        p.HasPartner = !rng_.PerMille(8);
        p.HasStart = !rng_.PerMille(8);
        if (rng_.PerMille(200)) p.ServiceA = rng_.PerMille(900) ? 0 : int(rng_.Between(1, 15));
        if (rng_.PerMille(150)) p.ServiceB = rng_.PerMille(900) ? 0 : int(rng_.Between(1, 15));
        if (rng_.PerMille(850)) p.Origin = rng_.PerMille(900) ? 1 : int(rng_.Between(2, 10));
        return p;
    }

    void NewCall() {
        const std::uint32_t callId = NextCallId();
        const bool badDate = o_.Damage && !badDateDone_ && written_ >= badDateAt_;
        Plan p = OrdinaryCall(callId);
        const std::uint32_t outcome = rng_.Below(1000);
        const std::uint64_t room = o_.TotalBytes > 0 ? 16 : budget_ - written_ - pending_.size();

        if (outcome < 640 || badDate) { // answered
            p.Successful = true;
            p.F10 = true;
            const std::uint32_t talk = TalkMs();
            std::int64_t end = p.StartMs + talk;
            if (end > LastTenthMs) end = LastTenthMs;
            p.DurationMs = static_cast<std::uint32_t>(end - p.StartMs);
            p.EndMs = Tenths(end);
            p.HasEnd = !rng_.PerMille(30);
            p.HasDuration = !rng_.PerMille(20);
            if (rng_.PerMille(30)) p.Failure = int(rng_.Below(8));
            if (rng_.PerMille(20)) p.ErrorCode = 16;
            if (badDate) {
                p.BadDate = true;
                p.HasStart = true;
                badDateDone_ = true;
            }
            Emit(p, false);
        } else if (outcome < 670 && room >= 2) { // a long call in partial records
            LongCall(p, room);
        } else { // failed
            p.Successful = false;
            p.F10 = !rng_.PerMille(20);
            std::uint32_t k = rng_.Below(1000);
            std::size_t i = 0;
            while (i + 1 < FailureWeights.size() && k >= FailureWeights[i].second) {
                k -= FailureWeights[i].second;
                ++i;
            }
            const std::uint8_t failure = FailureWeights[i].first;
            p.Failure = failure;
            if (rng_.PerMille(600)) p.ErrorCode = ErrorCodesByFailure[failure][rng_.Below(3)];
            if (failure == 1 && p.HasPartner)
                p.Partner.resize(rng_.Between(1, static_cast<std::uint32_t>(p.Partner.size())));
            const std::uint32_t ring =
                failure == 2 ? rng_.Between(15000, 60000) : rng_.Between(500, 8000);
            std::int64_t end = p.StartMs + ring;
            if (end > LastTenthMs) end = LastTenthMs;
            p.EndMs = Tenths(end);
            p.HasEnd = rng_.PerMille(600);
            p.HasDuration = rng_.PerMille(500);
            p.DurationMs = 0;
            Emit(p, false);
        }
    }

    // A call that lasted long enough to be written as several records: each
    // covers the call from its start to the end of one segment, so the last is
    // the longest. They go out as the file's clock passes their ends.
    void LongCall(Plan p, std::uint64_t room) {
        std::uint32_t parts = rng_.Between(2, 5);
        if (parts > room) parts = static_cast<std::uint32_t>(room);
        std::array<std::int64_t, 5> cumulative{};
        std::int64_t total = 0;
        for (std::uint32_t j = 0; j < parts; ++j) {
            total += rng_.Between(15 * 60000, 60 * 60000);
            cumulative[j] = total;
        }
        if (p.StartMs + total > LastTenthMs) p.StartMs = Tenths(LastTenthMs - total);
        p.Successful = true;
        p.F10 = true;
        p.HasStart = true;
        p.HasEnd = true;
        p.HasDuration = true;
        ++file_.Counts.LongCalls;
        const auto expected = static_cast<std::int64_t>(expected_);
        for (std::uint32_t j = 0; j < parts; ++j) {
            Plan part = p;
            part.Sequence = U8(2 + j);
            part.DurationMs = static_cast<std::uint32_t>(cumulative[j]);
            part.EndMs = Tenths(p.StartMs + cumulative[j]);
            part.Order = order_++;
            if (j == 0) {
                Emit(part, false);
            } else {
                part.Due =
                    written_ + static_cast<std::uint64_t>(cumulative[j] * expected / windowLen_);
                pending_.push(std::move(part));
            }
        }
    }

    void FurtherRecord(std::int64_t ms) {
        const AmaDateTime a = ToAma(day_, ms);
        const std::uint32_t k = rng_.Below(3);
        if (k == 0)
            w_.Record210(a, a, U8(rng_.Below(4)));
        else if (k == 1)
            w_.Record211(a, a, rng_.Below(100000));
        else
            w_.Record212(a);
        ++file_.Counts.FurtherRecords;
    }

    void UnknownElement() {
        // Codes the decoder passes over by their length byte.
        std::uint8_t code;
        do {
            code = rng_.Byte();
        } while ((code >= 100 && code <= 123) || code == 200 || (code >= 210 && code <= 212));
        std::array<std::uint8_t, 6> body{};
        const std::uint32_t n = rng_.Below(7);
        for (std::uint32_t i = 0; i < n; ++i)
            body[i] = rng_.Byte();
        w_.Unknown(code, std::span<const std::uint8_t>(body.data(), n));
        ++file_.Counts.UnknownElements;
    }

    // Writes one call record; returns the offset of its element 116 (or of
    // its end when it has none).
    std::size_t Emit(const Plan& p, bool cutOff) {
        RecordTruth t;
        t.Offset = w_.Size();
        t.Number3 = ++serial_;
        t.CallId = p.CallId;
        t.Sequence = p.Sequence;
        t.Successful = p.Successful;
        t.F10 = p.F10;
        t.Owner = p.Owner;
        t.HasPartner = p.HasPartner;
        if (p.HasPartner) t.Partner = p.Partner;
        t.Day = day_;

        AmaHeader h;
        h.Number3 = t.Number3;
        h.CallId = p.CallId;
        h.Flags11 = U8((p.Successful ? AmaHeader::F4 : 0u) | (rng_.PerMille(50) ? 1u : 0u));
        h.Flags12 = U8(p.F10 ? AmaHeader::F10 : 0u);
        h.Sequence = p.Sequence;
        h.Owner = p.Owner;
        if (rng_.PerMille(50)) {
            const int n = static_cast<int>(p.Owner.size());
            h.OwnerCountHigh = n < 7 ? n : 7;
            h.OwnerCountLow = n - h.OwnerCountHigh;
        }
        w_.BeginRecord(h);

        if (p.HasPartner) w_.Partner(p.Partner);
        if (rng_.PerMille(30)) {
            const bool flag = rng_.PerMille(500);
            w_.Element101(flag, Digits({}, int(rng_.Between(4, 8))));
        }
        if (p.HasStart) {
            AmaDateTime s = ToAma(day_, p.StartMs);
            if (p.BadDate) s.Month = 13;
            w_.Start(s, rng_.PerMille(900));
            t.HasStart = true;
            t.StartMs = p.StartMs;
        }
        if (p.HasEnd) {
            w_.End(ToAma(day_, p.EndMs), rng_.PerMille(900));
            t.HasEnd = true;
            t.EndMs = p.EndMs;
        }
        if (rng_.PerMille(80)) w_.Element104(p.Successful ? rng_.Below(5000) : 0);
        if (rng_.PerMille(60)) {
            const std::uint8_t b1 = rng_.Byte();
            w_.Element105(b1, rng_.Byte());
        }
        if (p.ServiceA >= 0) w_.ServiceA(U8(static_cast<std::uint32_t>(p.ServiceA)));
        if (p.ServiceB >= 0) w_.ServiceB(U8(static_cast<std::uint32_t>(p.ServiceB)));
        if (rng_.PerMille(40)) {
            const std::uint8_t b1 = rng_.Byte();
            w_.Element108(b1, rng_.Byte());
        }
        if (rng_.PerMille(80)) {
            if (rng_.PerMille(100))
                w_.DigitSequence(Digits({}, int(rng_.Between(33, 44))));
            else
                w_.DigitSequence(p.Partner);
        }
        if (p.Origin >= 0) w_.OriginCategory(U8(static_cast<std::uint32_t>(p.Origin)));
        if (rng_.PerMille(40)) w_.Element111(U8(rng_.Below(16)));
        if (p.Failure >= 0) w_.Failure(U8(static_cast<std::uint32_t>(p.Failure)));
        if (p.HasIn) w_.InTrunk(p.In);
        if (p.HasOut) w_.OutTrunk(p.Out);
        if (p.HasDuration) w_.Duration(p.DurationMs);
        if (rng_.PerMille(3)) FurtherRecord(p.StartMs);
        if (rng_.PerMille(8)) UnknownElement();

        RecordFault fault = RecordFault::None;
        if (p.BadDate) fault = RecordFault::BadDate;
        if (cutOff) fault = RecordFault::CutOff;
        const bool bad = fault == RecordFault::None && o_.BadChecksumShare > 0 &&
                         rng_.Chance(o_.BadChecksumShare);
        if (bad) fault = RecordFault::BadChecksum;
        const bool hasChecksum = bad || cutOff || !rng_.PerMille(25);
        const std::size_t checksumAt = w_.Size();
        if (hasChecksum) w_.Checksum(U8(rng_.Below(8)), bad);

        if (rng_.PerMille(40)) {
            const std::uint32_t n1 = rng_.Below(1000000);
            w_.Element117(0, n1, rng_.Below(1000000));
        }
        if (rng_.PerMille(20)) {
            std::array<std::uint8_t, 10> body{};
            const std::uint32_t n = rng_.Between(1, 10);
            for (std::uint32_t i = 0; i < n; ++i)
                body[i] = rng_.Byte();
            w_.Element118(std::span<const std::uint8_t>(body.data(), n));
        }
        if (rng_.PerMille(40)) {
            const std::string caller = ExternalCaller();
            w_.OriginalCaller(caller, rng_.Below(3));
        }
        if (rng_.PerMille(15)) {
            std::array<std::uint8_t, 14> body{};
            for (auto& b : body)
                b = rng_.Byte();
            w_.Element120(body);
        }
        if (p.ErrorCode >= 0) w_.ErrorCode(U16(static_cast<std::uint32_t>(p.ErrorCode)));
        if (rng_.PerMille(15)) w_.Element122(std::array<std::uint8_t, 4>{0, 0, 0, 0});
        if (rng_.PerMille(15)) w_.Element123(std::array<std::uint8_t, 5>{0, 0, 0, 0, 0});
        if (rng_.PerMille(7)) UnknownElement();
        w_.EndRecord();
        if (!cutOff && rng_.PerMille(15)) FurtherRecord(p.HasEnd ? p.EndMs : p.StartMs);

        t.Fault = fault;
        t.Failure = p.Failure;
        t.ErrorCode = p.ErrorCode;
        t.HasDuration = p.HasDuration;
        t.DurationMs = p.DurationMs;
        t.InGroup = p.HasIn ? p.In.Group : -1;
        t.OutGroup = p.HasOut ? p.Out.Group : -1;
        t.ServiceA = p.ServiceA;
        t.ServiceB = p.ServiceB;
        t.OriginCategory = p.Origin;
        t.HasChecksum = hasChecksum;

        GenerationCounts& c = file_.Counts;
        ++c.CallRecords;
        ++written_;
        if (p.Sequence > 1) ++c.PartialRecords;
        switch (fault) {
        case RecordFault::None:
            ++c.Sound;
            if (p.Successful) ++c.Successful;
            break;
        case RecordFault::BadChecksum:
            ++c.BadChecksum;
            break;
        case RecordFault::BadDate:
            ++c.BadDate;
            break;
        case RecordFault::CutOff:
            ++c.CutOff;
            break;
        }
        if (o_.KeepRecords) file_.Records.push_back(std::move(t));
        return hasChecksum ? checksumAt : w_.Size();
    }

    const GeneratorOptions& o_;
    Rng rng_;
    ExchangeProfile profile_;
    CivilDate day_;
    GeneratedFile file_;
    AmaWriter w_;
    std::priority_queue<Plan, std::vector<Plan>, LaterDue> pending_;

    std::int64_t windowStart_ = 0;
    std::int64_t windowLen_ = DayMs;
    std::uint64_t targetBytes_ = 0;
    std::uint64_t budget_ = 0;
    std::uint64_t expected_ = 1;
    std::uint64_t written_ = 0;
    std::uint64_t badDateAt_ = 0;
    bool badDateDone_ = false;
    std::uint32_t callIdBase_ = 0;
    std::uint32_t callCounter_ = 0;
    std::uint32_t serial_ = 0;
    std::uint64_t order_ = 0;
};

} // namespace

GenerationCounts& GenerationCounts::operator+=(const GenerationCounts& o) {
    Bytes += o.Bytes;
    CallRecords += o.CallRecords;
    BadChecksum += o.BadChecksum;
    BadDate += o.BadDate;
    CutOff += o.CutOff;
    Sound += o.Sound;
    Successful += o.Successful;
    PartialRecords += o.PartialRecords;
    LongCalls += o.LongCalls;
    FurtherRecords += o.FurtherRecords;
    UnknownElements += o.UnknownElements;
    return *this;
}

std::string AmaFileName(std::string_view exchange, const CivilDate& day, int index) {
    char date[9];
    int v = day.year * 10000 + day.month * 100 + day.day;
    for (int i = 7; i >= 0; --i) {
        date[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    date[8] = 0;
    std::string name(exchange);
    name += date;
    name += '_';
    name += std::to_string(index);
    name += ".ama";
    return name;
}

std::uint64_t FileCount(const GeneratorOptions& o) {
    if (o.Days <= 0 || o.FilesPerDay <= 0) return 0;
    return o.Exchanges.size() * static_cast<std::uint64_t>(o.Days) *
           static_cast<std::uint64_t>(o.FilesPerDay);
}

GeneratedFile GenerateFile(const GeneratorOptions& o, std::string_view exchange,
                           const CivilDate& day, int index) {
    return FileGenerator(o, exchange, day, index).Run();
}

GenerationManifest WriteFiles(const GeneratorOptions& o, const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    GenerationManifest m;
    const std::int64_t first = DaysFromCivil(o.From);
    for (int d = 0; d < o.Days; ++d) {
        const CivilDate day = CivilFromDays(first + d);
        for (const std::string& exchange : o.Exchanges) {
            for (int i = 1; i <= o.FilesPerDay; ++i) {
                GeneratedFile f = GenerateFile(o, exchange, day, i);
                const std::filesystem::path path = dir / f.Name;
                std::ofstream out(path, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(f.Bytes.data()),
                          static_cast<std::streamsize>(f.Bytes.size()));
                out.close();
                if (!out) throw std::runtime_error("cannot write " + path.string());
                f.Bytes.clear();
                f.Bytes.shrink_to_fit();
                m.Total += f.Counts;
                m.Files.push_back(std::move(f));
            }
        }
    }
    return m;
}

} // namespace kestrom::gen
