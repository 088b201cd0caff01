#include "ui/WidthFitter.h"

#include "results/AllRows.h"
#include "ui/QtDates.h"

#include <QChar>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

namespace kestrom {

namespace {

constexpr std::int64_t Unknown = -2;
constexpr std::int64_t NotSummed = -1;
constexpr std::uint8_t PairUnknown = 0;
constexpr std::uint8_t PairAdds = 1;
constexpr std::uint8_t PairKerns = 2;
constexpr int Printable = 0x7F - 0x20;
// The no-break spaces and the minus sign that locales put into numbers.
constexpr std::array<char16_t, 3> OtherChars = {u'\u00A0', u'\u202F', u'\u2212'};

// QFontMetricsF gives advances in steps of 1/64 pixel.
constexpr double UnitsPerPixel = 64.0;

// The advance of text in 1/64 pixel; -1 when it is no whole number of them.
std::int64_t ExactUnits(const QFontMetricsF& fm, const QString& text) {
    const double units = fm.horizontalAdvance(text) * UnitsPerPixel;
    if (!(units >= 0) || units != std::floor(units) || units > 1e15) return NotSummed;
    return static_cast<std::int64_t>(units);
}

// The place of c among the characters whose advances may be summed; -1
// for any other character.
int CharIndex(char16_t c) {
    if (c >= 0x20 && c < 0x7F) return c - 0x20;
    for (std::size_t i = 0; i < OtherChars.size(); ++i)
        if (OtherChars[i] == c) return Printable + static_cast<int>(i);
    return -1;
}

char16_t CharAt(int index) {
    return index < Printable ? static_cast<char16_t>(0x20 + index)
                             : OtherChars[static_cast<std::size_t>(index - Printable)];
}

QString TextOf(std::initializer_list<int> indexes) {
    QString text;
    for (int i : indexes)
        text += QChar(CharAt(i));
    return text;
}

bool IsTwoDigits(std::string_view s, std::size_t at, int below) {
    return s[at] >= '0' && s[at] <= '9' && s[at + 1] >= '0' && s[at + 1] <= '9' &&
           (s[at] - '0') * 10 + (s[at + 1] - '0') < below;
}

// A stored time "HH:MM:SS.zzz" of a real time of day cut to "HH:MM:SS",
// any other text as it is. A time format without milliseconds shows both
// forms of a real time alike, and the cut form of one real time is the
// stored form of that time without milliseconds.
std::string_view WithoutMilliseconds(std::string_view text) {
    constexpr std::size_t Seconds = 8;
    if (text.size() != 12 || text[2] != ':' || text[5] != ':' || text[8] != '.' ||
        !IsTwoDigits(text, 0, 24) || !IsTwoDigits(text, 3, 60) || !IsTwoDigits(text, 6, 60))
        return text;
    for (std::size_t i = 9; i < 12; ++i)
        if (text[i] < '0' || text[i] > '9') return text;
    return text.substr(0, Seconds);
}

std::uint64_t Mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    return v;
}

// Tables of distinct values: open addressing over a power of two slots of
// SlotWords words, never more than half full, the first word 0 in a free
// slot. A number is kept as key ^ KeyFlip (the one key equal to KeyFlip is
// noted apart). A text of up to 8 bytes keeps its bytes and its length, a
// longer one its hash, its length and its row, the row of the first cell
// with that text.

constexpr std::size_t FirstTableSlots = 1024;
constexpr std::uint64_t KeyFlip = 0x9E3779B97F4A7C15ULL;
constexpr std::size_t ShortText = 8;
constexpr std::uint64_t RowMask = 0xFFFFFFFF;

// The hash of the value a slot holds.
template <std::size_t SlotWords> std::uint64_t SlotHash(const std::uint64_t* slot) {
    if constexpr (SlotWords == 1)
        return Mix(slot[0] ^ KeyFlip);
    else
        return Mix(slot[1] ^ (slot[0] >> 32));
}

// Doubles table, which spare helps to do without new memory.
template <std::size_t SlotWords>
void GrowTable(std::vector<std::uint64_t>& table, std::vector<std::uint64_t>& spare) {
    spare.assign(table.size() * 2, 0);
    table.swap(spare);
    const std::size_t mask = table.size() / SlotWords - 1;
    for (std::size_t from = 0; from < spare.size(); from += SlotWords) {
        if (spare[from] == 0) continue;
        std::size_t i = SlotHash<SlotWords>(&spare[from]) & mask;
        while (table[i * SlotWords] != 0)
            i = (i + 1) & mask;
        std::copy_n(&spare[from], SlotWords, &table[i * SlotWords]);
    }
}

// Calls visit(row) for the first of the rows (skipping NULL cells) of each
// distinct key(row), a 64-bit number that tells the values apart.
template <class Rows, class Key, class Visit>
void ForEachDistinctNumber(const Rows& rows, const ResultSet& result, std::size_t column, Key key,
                           std::vector<std::uint64_t>& table, std::vector<std::uint64_t>& spare,
                           Visit visit) {
    table.assign(FirstTableSlots, 0);
    std::size_t used = 0;
    bool flipSeen = false;
    bool hasPrevious = false;
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t row = rows[i];
        if (result.IsNull(row, column)) continue;
        const std::uint64_t k = key(row);
        // Neighbouring rows often agree (a sorted column, a common value).
        if (hasPrevious && k == previous) continue;
        hasPrevious = true;
        previous = k;
        if (k == KeyFlip) {
            if (!flipSeen) visit(row);
            flipSeen = true;
            continue;
        }
        const std::uint64_t stored = k ^ KeyFlip;
        const std::size_t mask = table.size() - 1;
        std::size_t s = SlotHash<1>(&stored) & mask;
        while (table[s] != 0 && table[s] != stored)
            s = (s + 1) & mask;
        if (table[s] == stored) continue;
        table[s] = stored;
        visit(row);
        if (2 * ++used > table.size()) GrowTable<1>(table, spare);
    }
}

// Calls visit(row) for the first of the rows (skipping NULL cells) of each
// distinct key(row), a text.
template <class Rows, class Key, class Visit>
void ForEachDistinctText(const Rows& rows, const ResultSet& result, std::size_t column, Key key,
                         std::vector<std::uint64_t>& table, std::vector<std::uint64_t>& spare,
                         Visit visit) {
    table.assign(2 * FirstTableSlots, 0);
    std::size_t used = 0;
    bool hasPrevious = false;
    std::string_view previous;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t row = rows[i];
        if (result.IsNull(row, column)) continue;
        const std::string_view text = key(row);
        if (hasPrevious && text == previous) continue;
        hasPrevious = true;
        previous = text;
        // [0]: length over row + 1 (never 0); [1]: the bytes or the hash.
        std::uint64_t slot[2] = {(static_cast<std::uint64_t>(text.size()) << 32) | (row + 1), 0};
        const bool isShort = text.size() <= ShortText;
        if (isShort)
            std::memcpy(&slot[1], text.data(), text.size());
        else
            slot[1] = std::hash<std::string_view>{}(text);
        const std::size_t mask = table.size() / 2 - 1;
        std::size_t s = SlotHash<2>(slot) & mask;
        bool seen = false;
        for (; table[2 * s] != 0; s = (s + 1) & mask) {
            const std::uint64_t* other = &table[2 * s];
            if (other[1] == slot[1] && (other[0] & ~RowMask) == (slot[0] & ~RowMask) &&
                (isShort || key((other[0] & RowMask) - 1) == text)) {
                seen = true;
                break;
            }
        }
        if (seen) continue;
        table[2 * s] = slot[0];
        table[2 * s + 1] = slot[1];
        visit(row);
        if (2 * ++used > table.size() / 2) GrowTable<2>(table, spare);
    }
}

// The same for a column kept as a dictionary: its text numbers tell the
// distinct values apart.
template <class Rows, class Visit>
void ForEachDistinctCode(const Rows& rows, const ResultSet& result, std::size_t column,
                         Visit visit) {
    std::vector<bool> seen(result.DictionarySize(column), false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t row = rows[i];
        if (result.IsNull(row, column)) continue;
        const std::uint32_t code = result.TextCode(row, column);
        if (seen[code]) continue;
        seen[code] = true;
        visit(row);
    }
}

} // namespace

int WidthFitter::CellTextWidth(const ResultModel& model, int column,
                               std::span<const std::uint32_t> rows, const QFontMetrics& fm) {
    return Width(model, column, rows, fm);
}

int WidthFitter::CellTextWidth(const ResultModel& model, int column, const QFontMetrics& fm) {
    return Width(model, column, AllRows(model.Result().RowCount()), fm);
}

template <class Rows>
int WidthFitter::Width(const ResultModel& model, int column, const Rows& rows,
                       const QFontMetrics& fm) {
    if (column < 0 || column >= model.columnCount() || rows.size() == 0) return 0;
    UseFont(fm);
    const ResultSet& result = model.Result();
    const auto c = static_cast<std::size_t>(column);
    Widest widest;
    const auto visit = [&](std::size_t row) { Consider(model.DisplayText(row, column), widest); };
    switch (result.StorageOf(c)) {
    case ResultSet::Storage::Integer:
        ForEachDistinctNumber(
            rows, result, c,
            [&](std::size_t row) { return static_cast<std::uint64_t>(result.AsInteger(row, c)); },
            table_, spare_, visit);
        break;
    case ResultSet::Storage::Float:
        // Told apart by their bits, so that 0 and -0 (or two NaNs) each get
        // their own display text.
        ForEachDistinctNumber(
            rows, result, c,
            [&](std::size_t row) { return std::bit_cast<std::uint64_t>(result.AsFloat(row, c)); },
            table_, spare_, visit);
        break;
    case ResultSet::Storage::Text: {
        if (result.IsDictionary(c)) {
            ForEachDistinctCode(rows, result, c, visit);
            break;
        }
        const bool wholeSeconds = result.Columns()[c].type == FieldType::Time &&
                                  !LongTimeFormatWithoutZone(model.Locale())
                                       .contains(QLatin1Char('z'), Qt::CaseInsensitive);
        ForEachDistinctText(
            rows, result, c,
            [&](std::size_t row) {
                const std::string_view text = result.TextView(row, c);
                return wholeSeconds ? WithoutMilliseconds(text) : text;
            },
            table_, spare_, visit);
        break;
    }
    }
    return WidthOf(widest);
}

void WidthFitter::Consider(const QString& text, Widest& widest) {
    const std::int64_t units = SummedUnits(text);
    if (units == NotSummed) {
        widest.measured = std::max(widest.measured, metrics_->horizontalAdvance(text));
    } else if (units > widest.units) {
        widest.units = units;
        widest.summed = text;
    }
}

int WidthFitter::WidthOf(const Widest& widest) const {
    // Whole pixels grow with the exact advance: the text of the largest sum
    // is the widest of the summed texts once rounded too.
    const int summed = widest.units < 0 ? 0 : metrics_->horizontalAdvance(widest.summed);
    return std::max(summed, widest.measured);
}

void WidthFitter::UseFont(const QFontMetrics& fm) {
    if (metrics_ && *metrics_ == fm) return;
    metrics_.emplace(fm);
    exact_.emplace(fm);
    charUnits_.fill(Unknown);
    pairs_.fill(PairUnknown);
}

std::int64_t WidthFitter::SummedUnits(const QString& text) {
    std::int64_t sum = 0;
    int previous = -1;
    for (QChar ch : text) {
        const int index = CharIndex(ch.unicode());
        if (index < 0) return NotSummed;
        const std::int64_t units = CharUnits(index);
        if (units == NotSummed) return NotSummed;
        if (previous >= 0 && !PairAddsUp(previous, index)) return NotSummed;
        sum += units;
        previous = index;
    }
    return sum;
}

std::int64_t WidthFitter::CharUnits(int index) {
    static_assert(Printable + static_cast<int>(OtherChars.size()) == CharCount);
    std::int64_t& units = charUnits_[static_cast<std::size_t>(index)];
    if (units == Unknown) units = ExactUnits(*exact_, TextOf({index}));
    return units;
}

bool WidthFitter::PairAddsUp(int first, int second) {
    std::uint8_t& pair = pairs_[static_cast<std::size_t>(first * CharCount + second)];
    if (pair == PairUnknown) {
        const std::int64_t together = ExactUnits(*exact_, TextOf({first, second}));
        pair = together != NotSummed && together == CharUnits(first) + CharUnits(second)
                   ? PairAdds
                   : PairKerns;
    }
    return pair == PairAdds;
}

} // namespace kestrom
