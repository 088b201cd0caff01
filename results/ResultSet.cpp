#include "results/ResultSet.h"

#include <charconv>
#include <functional>
#include <stdexcept>

namespace kestrom {

namespace {

constexpr std::size_t BitsPerWord = 64;
constexpr std::size_t MaxArenaBytes = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t FirstIndexSize = 16;
// A dictionary slot holds code + 1 in its low SlotCodeBits bits and the top
// bits of the word's hash above them, which spare most comparisons of words.
constexpr int SlotCodeBits = 17;
constexpr std::uint32_t SlotCodeMask = (1u << SlotCodeBits) - 1;
static_assert(ResultSet::DictionaryLimit <= SlotCodeMask);

std::uint32_t SlotTag(std::size_t hash) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> (32 + SlotCodeBits))
           << SlotCodeBits;
}

ResultSet::Storage StorageFor(FieldType type) {
    switch (type) {
    case FieldType::Integer:
        return ResultSet::Storage::Integer;
    case FieldType::Float:
        return ResultSet::Storage::Float;
    default:
        return ResultSet::Storage::Text;
    }
}

template <class T> T LeadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    T value{};
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

template <class Narrow> bool Fits(std::int64_t value) {
    return value >= std::numeric_limits<Narrow>::min() &&
           value <= std::numeric_limits<Narrow>::max();
}

// Moves the values of from into to (which keeps from's room) and frees from.
template <class From, class To> void MoveWider(std::vector<From>& from, std::vector<To>& to) {
    to.clear();
    to.reserve(from.capacity());
    to.assign(from.begin(), from.end());
    std::vector<From>().swap(from);
}

template <class T> std::size_t Bytes(const std::vector<T>& block) {
    return block.capacity() * sizeof(T);
}

std::string_view Cell(const std::string& bytes, const std::vector<std::uint32_t>& ends,
                      std::size_t i) {
    const std::uint32_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes.data() + begin, ends[i] - begin);
}

} // namespace

// ---- integers ---------------------------------------------------------------

void ResultSet::IntegerCells::Append(std::int64_t value) {
    if (bytes == 2 && Fits<std::int16_t>(value)) {
        narrow.push_back(static_cast<std::int16_t>(value));
        return;
    }
    if (bytes <= 4 && Fits<std::int32_t>(value)) {
        if (bytes == 2) Widen(4);
        middle.push_back(static_cast<std::int32_t>(value));
        return;
    }
    if (bytes < 8) Widen(8);
    wide.push_back(value);
}

std::int64_t ResultSet::IntegerCells::At(std::size_t row) const {
    switch (bytes) {
    case 2:
        return narrow[row];
    case 4:
        return middle[row];
    default:
        return wide[row];
    }
}

void ResultSet::IntegerCells::Widen(std::uint8_t toBytes) {
    if (toBytes == 4)
        MoveWider(narrow, middle);
    else if (bytes == 2)
        MoveWider(narrow, wide);
    else
        MoveWider(middle, wide);
    bytes = toBytes;
}

void ResultSet::IntegerCells::Clear() {
    bytes = 2;
    narrow.clear();
    middle.clear();
    wide.clear();
}

void ResultSet::IntegerCells::ShrinkToFit() {
    narrow.shrink_to_fit();
    middle.shrink_to_fit();
    wide.shrink_to_fit();
}

std::size_t ResultSet::IntegerCells::MemoryBytes() const {
    return Bytes(narrow) + Bytes(middle) + Bytes(wide);
}

// ---- texts ------------------------------------------------------------------

bool ResultSet::TextCells::Append(std::string_view text) {
    if (dictionary) {
        // Neighbouring cells often agree (one day, one failure text).
        if (!wordEnds.empty() && Word(lastCode) == text) {
            codes.push_back(static_cast<std::uint16_t>(lastCode));
            return true;
        }
        const std::uint32_t code = Code(text);
        if (code < DictionaryLimit) {
            codes.push_back(static_cast<std::uint16_t>(code));
            lastCode = code;
            return true;
        }
        if (!MoveToArena()) return false;
    }
    return AppendToArena(text);
}

std::string_view ResultSet::TextCells::At(std::size_t row) const {
    return dictionary ? Word(codes[row]) : Cell(arena, ends, row);
}

std::string_view ResultSet::TextCells::Word(std::uint32_t code) const {
    return Cell(words, wordEnds, code);
}

std::uint32_t ResultSet::TextCells::Code(std::string_view text) {
    if (2 * (wordEnds.size() + 1) > wordIndex.size()) GrowWordIndex();
    const std::size_t hash = std::hash<std::string_view>{}(text);
    const std::uint32_t tag = SlotTag(hash);
    const std::size_t mask = wordIndex.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t slot = wordIndex[i];
        if (slot != 0) {
            const std::uint32_t code = (slot & SlotCodeMask) - 1;
            if ((slot & ~SlotCodeMask) == tag && Word(code) == text) return code;
            continue;
        }
        const auto code = static_cast<std::uint32_t>(wordEnds.size());
        if (code == DictionaryLimit || words.size() + text.size() > MaxArenaBytes)
            return DictionaryLimit;
        words.append(text);
        wordEnds.push_back(static_cast<std::uint32_t>(words.size()));
        wordIndex[i] = tag | (code + 1);
        return code;
    }
}

void ResultSet::TextCells::GrowWordIndex() {
    std::size_t size = FirstIndexSize;
    while (size < 4 * (wordEnds.size() + 1))
        size *= 2;
    wordIndex.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::uint32_t code = 0; code < wordEnds.size(); ++code) {
        const std::size_t hash = std::hash<std::string_view>{}(Word(code));
        std::size_t i = hash & mask;
        while (wordIndex[i] != 0)
            i = (i + 1) & mask;
        wordIndex[i] = SlotTag(hash) | (code + 1);
    }
}

bool ResultSet::TextCells::AppendToArena(std::string_view text) {
    if (arena.size() + text.size() > MaxArenaBytes) return false;
    arena.append(text);
    ends.push_back(static_cast<std::uint32_t>(arena.size()));
    return true;
}

bool ResultSet::TextCells::MoveToArena() {
    std::size_t total = 0;
    for (std::uint16_t code : codes)
        total += Word(code).size();
    if (total > MaxArenaBytes) return false;
    arena.clear();
    arena.reserve(total);
    ends.clear();
    ends.reserve(codes.capacity());
    for (std::uint16_t code : codes) {
        arena.append(Word(code));
        ends.push_back(static_cast<std::uint32_t>(arena.size()));
    }
    dictionary = false;
    std::vector<std::uint16_t>().swap(codes);
    std::string().swap(words);
    std::vector<std::uint32_t>().swap(wordEnds);
    std::vector<std::uint32_t>().swap(wordIndex);
    return true;
}

void ResultSet::TextCells::Clear() {
    dictionary = true;
    codes.clear();
    words.clear();
    wordEnds.clear();
    wordIndex.clear();
    lastCode = 0;
    arena.clear();
    ends.clear();
}

void ResultSet::TextCells::ShrinkToFit() {
    codes.shrink_to_fit();
    words.shrink_to_fit();
    wordEnds.shrink_to_fit();
    std::vector<std::uint32_t>().swap(wordIndex);
    arena.shrink_to_fit();
    ends.shrink_to_fit();
}

std::size_t ResultSet::TextCells::MemoryBytes() const {
    return Bytes(codes) + words.capacity() + Bytes(wordEnds) + Bytes(wordIndex) + arena.capacity() +
           Bytes(ends);
}

// ---- the result -------------------------------------------------------------

void ResultSet::Reset(const Query& query) {
    columns_ = query.Columns();
    data_.assign(columns_.size(), ColumnData{});
    for (std::size_t c = 0; c < columns_.size(); ++c)
        data_[c].storage = StorageFor(columns_[c].type);
    rows_ = 0;
}

void ResultSet::ClearRows() {
    for (ColumnData& d : data_) {
        d.nulls.clear();
        d.integers.Clear();
        d.floats.clear();
        d.texts.Clear();
    }
    rows_ = 0;
}

std::size_t ResultSet::ReadRows(Query& query, std::size_t maxRows) {
    std::size_t read = 0;
    for (; read < maxRows && query.IsOpen() && !query.Eof(); ++read, query.Next())
        AppendRow(query);
    if (read > 0 && (!query.IsOpen() || query.Eof())) ShrinkToFit();
    return read;
}

void ResultSet::AppendRow(const Query& query) {
    const std::size_t bit = rows_ % BitsPerWord;
    for (std::size_t c = 0; c < data_.size(); ++c) {
        ColumnData& d = data_[c];
        const int qc = static_cast<int>(c);
        const bool null = query.IsNull(qc);
        if (bit == 0) d.nulls.push_back(0);
        if (null) d.nulls.back() |= std::uint64_t{1} << bit;
        switch (d.storage) {
        case Storage::Integer:
            d.integers.Append(null ? 0 : query.AsInteger(qc));
            break;
        case Storage::Float:
            d.floats.push_back(null ? 0.0 : query.AsFloat(qc));
            break;
        case Storage::Text:
            if (!d.texts.Append(null ? std::string_view{} : query.TextView(qc)))
                throw std::length_error(
                    std::string("result column too large: ").append(columns_[c].name));
            break;
        }
    }
    ++rows_;
}

void ResultSet::ShrinkToFit() {
    for (ColumnData& d : data_) {
        d.nulls.shrink_to_fit();
        d.integers.ShrinkToFit();
        d.floats.shrink_to_fit();
        d.texts.ShrinkToFit();
    }
}

int ResultSet::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return static_cast<int>(i);
    return -1;
}

bool ResultSet::IsNull(std::size_t row, std::size_t column) const {
    return (data_[column].nulls[row / BitsPerWord] >> (row % BitsPerWord) & 1) != 0;
}

std::string_view ResultSet::TextView(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    if (d.storage != Storage::Text) return {};
    return d.texts.At(row);
}

double ResultSet::AsFloat(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    switch (d.storage) {
    case Storage::Integer:
        return static_cast<double>(d.integers.At(row));
    case Storage::Float:
        return d.floats[row];
    case Storage::Text:
        break;
    }
    return LeadingNumber<double>(d.texts.At(row));
}

std::int64_t ResultSet::AsInteger(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    switch (d.storage) {
    case Storage::Integer:
        return d.integers.At(row);
    case Storage::Float: {
        // Cut toward zero; values beyond the 64-bit range (or NaN) give 0.
        const double v = d.floats[row];
        return v > -9.2e18 && v < 9.2e18 ? static_cast<std::int64_t>(v) : 0;
    }
    case Storage::Text:
        break;
    }
    return LeadingNumber<std::int64_t>(d.texts.At(row));
}

void ResultSet::AppendText(std::size_t row, std::size_t column, std::string& out) const {
    if (IsNull(row, column)) return;
    const ColumnData& d = data_[column];
    switch (d.storage) {
    case Storage::Integer: {
        char buf[24];
        const auto res = std::to_chars(buf, buf + sizeof buf, d.integers.At(row));
        out.append(buf, res.ptr);
        return;
    }
    case Storage::Float:
        AppendShortestDecimal(d.floats[row], out);
        return;
    case Storage::Text:
        out.append(d.texts.At(row));
        return;
    }
}

std::string ResultSet::AsText(std::size_t row, std::size_t column) const {
    std::string text;
    AppendText(row, column, text);
    return text;
}

std::size_t ResultSet::MemoryBytes() const {
    std::size_t bytes = 0;
    for (const ColumnData& d : data_)
        bytes +=
            Bytes(d.nulls) + d.integers.MemoryBytes() + Bytes(d.floats) + d.texts.MemoryBytes();
    return bytes;
}

bool ResultSet::IsDictionary(std::size_t column) const {
    const ColumnData& d = data_[column];
    return d.storage == Storage::Text && d.texts.dictionary;
}

std::size_t ResultSet::DictionarySize(std::size_t column) const {
    return IsDictionary(column) ? data_[column].texts.wordEnds.size() : 0;
}

std::size_t ResultSet::IntegerBytes(std::size_t column) const {
    const ColumnData& d = data_[column];
    return d.storage == Storage::Integer ? d.integers.bytes : 0;
}

} // namespace kestrom
