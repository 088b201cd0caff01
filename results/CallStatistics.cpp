#include "results/CallStatistics.h"

#include "base/ResultColumns.h"
#include "results/AllRows.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include <sys/mman.h>

namespace kestrom {

namespace {

constexpr std::string_view FailureColumn = ResultColumnList[0];   // "Ошибка"
constexpr std::string_view NumberAColumn = ResultColumnList[7];   // "Номер_А"
constexpr std::string_view NumberBColumn = ResultColumnList[9];   // "Номер_Б"
constexpr std::string_view DateColumn = ResultColumnList[11];     // "Дата_иниц"
constexpr std::string_view TimeColumn = ResultColumnList[12];     // "Время_иниц"
constexpr std::string_view DurationColumn = ResultColumnList[18]; // "Прод_мс"
// The date a reset clock of the exchange gives a call's set-up.
constexpr std::string_view ResetDate = "1899-12-30";
constexpr double MsPerMinute = 60000;

// How many rows ahead the hash tables are told of a row's text, so that
// its slot is in the cache when the row is counted.
constexpr std::size_t Lookahead = 16;

bool IsSetUpDate(std::string_view date) {
    return !date.empty() && date != ResetDate;
}

// The calls of one distinct text of a column and the milliseconds they took.
struct Tally {
    std::string_view text;
    std::int64_t calls = 0;
    double ms = 0;
};

bool MoreCalls(const Tally& a, const Tally& b) {
    return a.calls != b.calls ? a.calls > b.calls : a.text < b.text;
}

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return x;
}

// Up to eight bytes of p into the low bytes of a word, read in pieces of
// fixed size.
std::uint64_t LowBytes(const char* p, std::size_t n) {
    const auto load4 = [](const char* at) {
        std::uint32_t w;
        std::memcpy(&w, at, sizeof w);
        return std::uint64_t{w};
    };
    const auto byte = [p](std::size_t i) {
        return std::uint64_t{static_cast<unsigned char>(p[i])};
    };
    if (n >= 4) return load4(p) | load4(p + n - 4) << (8 * (n - 4));
    if (n == 0) return 0;
    return byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
}

std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// A text as a hash table compares it: a short one (such as a telephone
// number) as two words that hold its size in the first byte and its bytes
// in the next fifteen, equal exactly when the texts are; a longer one by a
// first word of the size byte Long and its size in the last four bytes,
// then by its bytes.
struct TextKey {
    static constexpr std::size_t InlineBytes = 15;
    static constexpr std::uint64_t Long = 0xff;

    std::uint64_t words[2] = {0, 0};
    std::string_view text;
    std::uint32_t hash = 0;

    void Set(std::string_view t) {
        text = t;
        const std::size_t n = t.size();
        std::uint64_t longHash = 0;
        if (n < 8) {
            words[0] = n | LowBytes(t.data(), n) << 8;
            words[1] = 0;
        } else if (n <= InlineBytes) {
            words[0] = n | Load8(t.data()) << 8;
            words[1] = Load8(t.data() + n - 8) >> (8 * (InlineBytes - n));
        } else {
            words[0] = Long | std::uint64_t{n} << 32;
            words[1] = 0;
            longHash = LongHash(t);
        }
        hash = static_cast<std::uint32_t>(
            Mix(words[0] ^ words[1] * 0x9e3779b97f4a7c15ull ^ longHash) >> 32);
    }

    bool IsLong() const { return (words[0] & 0xff) == Long; }

  private:
    // The bytes of a longer text, eight at a time.
    static std::uint64_t LongHash(std::string_view t) {
        std::uint64_t h = t.size();
        std::size_t at = 0;
        for (; at + 8 <= t.size(); at += 8)
            h = Mix(h ^ Load8(t.data() + at));
        return Mix(h ^ LowBytes(t.data() + at, t.size() - at));
    }
};
static_assert(std::endian::native == std::endian::little,
              "a key's words hold its bytes in the order of memory");

// Zeroed memory for a table. A large one comes straight from the system
// in whole huge pages: fresh memory in small pages costs a fault per 4 KiB
// touched, which for a table of a few megabytes takes longer than counting
// the rows.
template <class T> class ZeroedBlock {
  public:
    explicit ZeroedBlock(std::size_t count) : count_(count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < MapFrom) {
            const std::size_t rounded = (bytes + alignof(T) - 1) / alignof(T) * alignof(T);
            data_ = static_cast<T*>(std::aligned_alloc(alignof(T), std::max(rounded, alignof(T))));
            if (!data_) throw std::bad_alloc();
            std::memset(static_cast<void*>(data_), 0, bytes);
            return;
        }
        mapped_ = (bytes + HugePage - 1) / HugePage * HugePage;
        // One huge page more than needed, so that the block can start on a
        // huge page's edge; the rest is given back.
        const std::size_t reserved = mapped_ + HugePage;
        void* p =
            ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t aligned = (start + HugePage - 1) / HugePage * HugePage;
        if (aligned > start) ::munmap(p, aligned - start);
        if (const std::size_t tail = start + reserved - (aligned + mapped_); tail > 0)
            ::munmap(reinterpret_cast<void*>(aligned + mapped_), tail);
        ::madvise(reinterpret_cast<void*>(aligned), mapped_, MADV_HUGEPAGE);
        data_ = reinterpret_cast<T*>(aligned);
    }
    ~ZeroedBlock() { Release(); }
    ZeroedBlock(const ZeroedBlock&) = delete;
    ZeroedBlock& operator=(const ZeroedBlock&) = delete;
    ZeroedBlock& operator=(ZeroedBlock&& other) noexcept {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        count_ = other.count_;
        mapped_ = other.mapped_;
        return *this;
    }

    T* begin() const { return data_; }
    T* end() const { return data_ + count_; }
    std::size_t size() const { return count_; }
    T& operator[](std::size_t i) const { return data_[i]; }

  private:
    static constexpr std::size_t HugePage = 2 << 20;
    static constexpr std::size_t MapFrom = 256 << 10;

    void Release() {
        if (!data_) return;
        if (mapped_ > 0)
            ::munmap(static_cast<void*>(data_), mapped_);
        else
            std::free(data_);
    }

    T* data_ = nullptr;
    std::size_t count_;
    std::size_t mapped_ = 0; // the bytes mapped; 0 for a block of the heap
};

// The calls and milliseconds per distinct text in an open-addressing table
// whose slot (32 bytes, half a cache line) holds the counts, the hash and
// the text's key, so that counting a row touches one line, fetched ahead.
// A longer text is kept by reference to the caller's bytes, or to a copy
// of them when the table is to keep its texts.
class HashTallies {
  public:
    // A table for up to rowCount rows: room for all of them when they are
    // few, else a first huge page's worth.
    HashTallies(std::size_t rowCount, bool keepTexts)
        : slots_(std::bit_ceil(std::clamp(2 * rowCount, MinSlots, FirstLargeSlots))),
          keepTexts_(keepTexts) {}

    void Prefetch(const TextKey& key) const { __builtin_prefetch(&slots_[key.hash & Mask()], 1); }

    // Counts a call of the text.
    void Add(const TextKey& key, double ms) {
        for (std::size_t i = key.hash & Mask();; i = (i + 1) & Mask()) {
            Slot& slot = slots_[i];
            if (slot.calls == 0) {
                Fill(slot, key, ms);
                if (2 * ++used_ > slots_.size()) Grow();
                return;
            }
            if (slot.words[0] == key.words[0] &&
                (key.IsLong() ? slot.hash == key.hash && LongText(slot) == key.text
                              : slot.words[1] == key.words[1])) {
                ++slot.calls;
                slot.ms += ms;
                return;
            }
        }
    }

    template <class Visit> void ForEach(Visit visit) const {
        for (const Slot& slot : slots_)
            if (slot.calls > 0) visit(Tally{Text(slot), slot.calls, slot.ms});
    }

  private:
    static constexpr std::size_t MinSlots = 256;
    static constexpr std::size_t FirstLargeSlots = (2 << 20) / 32;

    struct alignas(32) Slot {
        double ms;
        std::uint32_t calls; // 0: free
        std::uint32_t hash;
        // The key's words; for a longer text its size byte, its size in
        // the first word's last four bytes and its address in the second.
        std::uint64_t words[2];
    };
    static_assert(sizeof(Slot) == 32);

    std::size_t Mask() const { return slots_.size() - 1; }

    static std::string_view LongText(const Slot& slot) {
        const char* bytes;
        std::memcpy(&bytes, &slot.words[1], sizeof bytes);
        return {bytes, static_cast<std::size_t>(slot.words[0] >> 32)};
    }

    static std::string_view Text(const Slot& slot) {
        const std::uint64_t size = slot.words[0] & 0xff;
        if (size == TextKey::Long) return LongText(slot);
        return {reinterpret_cast<const char*>(slot.words) + 1, static_cast<std::size_t>(size)};
    }

    void Fill(Slot& slot, const TextKey& key, double ms) {
        slot.ms = ms;
        slot.calls = 1;
        slot.hash = key.hash;
        slot.words[0] = key.words[0];
        slot.words[1] = key.words[1];
        if (key.IsLong()) {
            const char* bytes = keepTexts_ ? kept_.emplace_back(key.text).data() : key.text.data();
            std::memcpy(&slot.words[1], &bytes, sizeof bytes);
        }
    }

    void Grow() {
        ZeroedBlock<Slot> slots(2 * slots_.size());
        const std::size_t mask = slots.size() - 1;
        for (const Slot& slot : slots_) {
            if (slot.calls == 0) continue;
            std::size_t i = slot.hash & mask;
            while (slots[i].calls != 0)
                i = (i + 1) & mask;
            slots[i] = slot;
        }
        slots_ = std::move(slots);
    }

    ZeroedBlock<Slot> slots_;
    std::size_t used_ = 0;
    bool keepTexts_;
    std::deque<std::string> kept_; // the longer texts kept
};

// Counts the rows of one column per distinct text: per dictionary code
// while the column keeps a dictionary, else in a hash table over the
// cells' bytes (a numeric column by its display text). A NULL cell counts
// as the empty text. Without the column nothing is counted.
//
// Ahead(row) must be called for each row, in the order of Add, a few rows
// before its Add.
class TextTallies {
  public:
    // For the column at that position (-1 for none) and up to rowCount rows.
    TextTallies(const ResultSet& rows, int column, std::size_t rowCount)
        : rows_(rows), column_(static_cast<std::size_t>(column)) {
        if (column < 0) {
            mode_ = Mode::Absent;
        } else if (rows.IsDictionary(column_)) {
            mode_ = Mode::Dictionary;
            codes_.emplace(rows.DictionarySize(column_));
        } else {
            mode_ = rows.StorageOf(column_) == ResultSet::Storage::Text ? Mode::Cells : Mode::Owned;
            table_ = std::make_unique<HashTallies>(rowCount, mode_ == Mode::Owned);
        }
    }

    bool Active() const { return mode_ != Mode::Absent; }

    void Ahead(std::size_t row) {
        if (mode_ != Mode::Cells) return;
        TextKey& key = keys_[ahead_++ % Lookahead2];
        key.Set(rows_.TextView(row, column_));
        table_->Prefetch(key);
    }

    void Add(std::size_t row, double ms) {
        switch (mode_) {
        case Mode::Absent:
            return;
        case Mode::Dictionary: {
            const std::uint32_t code = rows_.TextCode(row, column_);
            CodeTally& t = (*codes_)[code];
            if (t.calls++ == 0) t.firstRow = static_cast<std::uint32_t>(row);
            t.ms += ms;
            return;
        }
        case Mode::Cells:
            table_->Add(keys_[added_++ % Lookahead2], ms);
            return;
        case Mode::Owned: {
            scratch_.clear();
            rows_.AppendText(row, column_, scratch_);
            TextKey key;
            key.Set(scratch_);
            table_->Add(key, ms);
            return;
        }
        }
    }

    template <class Visit> void ForEach(Visit visit) const {
        if (mode_ != Mode::Dictionary) {
            if (table_) table_->ForEach(visit);
            return;
        }
        for (const CodeTally& t : *codes_)
            if (t.calls > 0) visit(Tally{rows_.TextView(t.firstRow, column_), t.calls, t.ms});
    }

  private:
    enum class Mode : std::uint8_t { Absent, Dictionary, Cells, Owned };
    static constexpr std::size_t Lookahead2 = 2 * Lookahead;

    const ResultSet& rows_;
    std::size_t column_;
    Mode mode_ = Mode::Absent;
    // Dictionary: per code.
    struct CodeTally {
        double ms;
        std::uint32_t calls;
        std::uint32_t firstRow; // a row of the code's text
    };
    std::optional<ZeroedBlock<CodeTally>> codes_;
    // Cells and Owned.
    std::unique_ptr<HashTallies> table_;
    TextKey keys_[Lookahead2] = {};
    std::size_t ahead_ = 0;
    std::size_t added_ = 0;
    std::string scratch_; // the display text of a numeric cell
};

// Whether the rows have a set-up date: decided once per dictionary code,
// else from each cell.
class SetUpDates {
  public:
    SetUpDates(const ResultSet& rows, int column)
        : rows_(rows), column_(static_cast<std::size_t>(column)), active_(column >= 0),
          text_(active_ && rows.StorageOf(column_) == ResultSet::Storage::Text) {
        if (active_ && rows.IsDictionary(column_))
            byCode_.assign(rows.DictionarySize(column_), Unknown);
    }

    bool Active() const { return active_; }

    bool Has(std::size_t row) {
        if (byCode_.empty()) return IsDate(row);
        std::int8_t& kind = byCode_[rows_.TextCode(row, column_)];
        if (kind == Unknown) kind = IsDate(row) ? Dated : Undated;
        return kind == Dated;
    }

  private:
    static constexpr std::int8_t Unknown = 0, Dated = 1, Undated = 2;

    // A date kept as a number (never so in the call table) by its display text.
    bool IsDate(std::size_t row) const {
        return text_ ? IsSetUpDate(rows_.TextView(row, column_))
                     : IsSetUpDate(rows_.AsText(row, column_));
    }

    const ResultSet& rows_;
    std::size_t column_;
    bool active_;
    bool text_;
    std::vector<std::int8_t> byCode_;
};

// The hour of "HH:MM:SS.mmm" from its first two characters; -1 when they
// are no hour.
int HourOf(std::string_view time) {
    if (time.size() < 2) return -1;
    const int high = time[0] - '0', low = time[1] - '0';
    if (high < 0 || high > 9 || low < 0 || low > 9) return -1;
    const int hour = 10 * high + low;
    return hour < 24 ? hour : -1;
}

// The hours of the set-up times: read once per dictionary code, or from
// each cell.
class Hours {
  public:
    Hours(const ResultSet& rows, int column)
        : rows_(rows), column_(static_cast<std::size_t>(column)), active_(column >= 0) {
        if (active_ && rows.IsDictionary(column_))
            byCode_.assign(rows.DictionarySize(column_), Unknown);
    }

    int Of(std::size_t row) {
        if (!active_) return -1;
        if (byCode_.empty()) return HourOf(rows_.TextView(row, column_));
        std::int8_t& hour = byCode_[rows_.TextCode(row, column_)];
        if (hour == Unknown) hour = static_cast<std::int8_t>(HourOf(rows_.TextView(row, column_)));
        return hour;
    }

  private:
    static constexpr std::int8_t Unknown = -2;
    const ResultSet& rows_;
    std::size_t column_;
    bool active_;
    std::vector<std::int8_t> byCode_;
};

// The durations of the calls in milliseconds; NULL is no duration.
class Durations {
  public:
    Durations(const ResultSet& rows, int column)
        : rows_(rows), column_(static_cast<std::size_t>(column)), active_(column >= 0),
          integers_(active_ && rows.StorageOf(column_) == ResultSet::Storage::Integer) {}

    bool Known(std::size_t row) const { return active_ && !rows_.IsNull(row, column_); }
    double Ms(std::size_t row) const {
        return integers_ ? static_cast<double>(rows_.AsInteger(row, column_))
                         : rows_.AsFloat(row, column_);
    }

  private:
    const ResultSet& rows_;
    std::size_t column_;
    bool active_;
    bool integers_;
};

std::vector<CallStatistics::DayFigure> DayFigures(const TextTallies& dates) {
    std::vector<CallStatistics::DayFigure> days;
    dates.ForEach([&days](const Tally& t) {
        if (IsSetUpDate(t.text)) days.push_back({std::string(t.text), t.calls, t.ms / MsPerMinute});
    });
    std::sort(days.begin(), days.end(),
              [](const auto& a, const auto& b) { return a.date < b.date; });
    return days;
}

std::vector<CallStatistics::CountFigure> FailureFigures(const TextTallies& failures) {
    std::vector<Tally> tallies;
    failures.ForEach([&tallies](const Tally& t) { tallies.push_back(t); });
    std::sort(tallies.begin(), tallies.end(), MoreCalls);
    std::vector<CallStatistics::CountFigure> figures;
    for (const Tally& t : tallies)
        figures.push_back({std::string(t.text), t.calls});
    return figures;
}

// The TopCount non-empty texts with most calls, kept in a heap whose top
// is the least of them while the tallies go by.
std::vector<CallStatistics::NumberFigure> TopFigures(const TextTallies& numbers) {
    std::vector<Tally> top;
    numbers.ForEach([&top](const Tally& t) {
        if (t.text.empty()) return;
        if (top.size() == CallStatistics::TopCount) {
            if (!MoreCalls(t, top.front())) return;
            std::pop_heap(top.begin(), top.end(), MoreCalls);
            top.back() = t;
        } else {
            top.push_back(t);
        }
        std::push_heap(top.begin(), top.end(), MoreCalls);
    });
    std::sort(top.begin(), top.end(), MoreCalls);
    std::vector<CallStatistics::NumberFigure> figures;
    for (const Tally& t : top)
        figures.push_back({std::string(t.text), t.calls, t.ms / MsPerMinute});
    return figures;
}

// One pass over the rows: every figure is gathered row by row. The hash
// tables hear of each row Lookahead rows before it is counted.
template <class RowNumbers>
CallStatistics Gather(const ResultSet& rows, const RowNumbers& rowNumbers) {
    CallStatistics s;
    const std::size_t count = rowNumbers.size();
    const Durations durations(rows, rows.ColumnIndex(DurationColumn));
    SetUpDates setUp(rows, rows.ColumnIndex(DateColumn));
    Hours hours(rows, rows.ColumnIndex(TimeColumn));
    TextTallies dates(rows, rows.ColumnIndex(DateColumn), count);
    TextTallies failures(rows, rows.ColumnIndex(FailureColumn), count);
    TextTallies numbersB(rows, rows.ColumnIndex(NumberBColumn), count);
    TextTallies numbersA(rows, rows.ColumnIndex(NumberAColumn), count);
    TextTallies* const tallies[] = {&dates, &failures, &numbersB, &numbersA};

    const auto ahead = [&](std::size_t i) {
        if (i >= count) return;
        for (TextTallies* t : tallies)
            t->Ahead(rowNumbers[i]);
    };
    for (std::size_t i = 0; i < Lookahead; ++i)
        ahead(i);
    for (std::size_t i = 0; i < count; ++i) {
        ahead(i + Lookahead);
        const std::size_t row = rowNumbers[i];
        double ms = 0;
        if (durations.Known(row)) {
            ms = durations.Ms(row);
            ++s.durations[CallStatistics::BucketOf(ms)];
        }
        if (!setUp.Active() || setUp.Has(row)) {
            if (const int hour = hours.Of(row); hour >= 0)
                ++s.hours[static_cast<std::size_t>(hour)];
        } else {
            ++s.withoutStartDate;
        }
        for (TextTallies* t : tallies)
            t->Add(row, ms);
    }

    s.calls = static_cast<std::int64_t>(count);
    s.days = DayFigures(dates);
    s.failures = FailureFigures(failures);
    s.topB = TopFigures(numbersB);
    s.topA = TopFigures(numbersA);
    return s;
}

} // namespace

CallStatistics CallStatistics::Of(const ResultSet& rows,
                                  std::span<const std::uint32_t> rowNumbers) {
    return Gather(rows, rowNumbers);
}

CallStatistics CallStatistics::Of(const ResultSet& rows) {
    return Gather(rows, AllRows(rows.RowCount()));
}

std::size_t CallStatistics::BucketOf(double milliseconds) {
    std::size_t bucket = 0;
    for (const std::int64_t edge : BucketEdgesMs)
        if (milliseconds >= static_cast<double>(edge)) ++bucket;
    return bucket;
}

} // namespace kestrom
