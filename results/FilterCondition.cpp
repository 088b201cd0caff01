#include "results/FilterCondition.h"

#include "results/CaseFold.h"

#include <array>
#include <charconv>
#include <functional>

namespace kestrom {

namespace {

constexpr std::string_view EmptyItem = "(Пустые)";
constexpr std::string_view NotEmptyItem = "(Не пустые)";
constexpr std::array<std::string_view, 6> Operators = {">=", "<=", "<>", ">", "<", "="};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimBlanks(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsNullWord(std::string_view text) {
    constexpr std::string_view Null = "null";
    if (text.size() != Null.size()) return false;
    for (std::size_t i = 0; i < Null.size(); ++i)
        if ((text[i] | 0x20) != Null[i]) return false;
    return true;
}

std::size_t CountDigits(std::string_view text, std::size_t at) {
    std::size_t n = 0;
    while (at + n < text.size() && IsDigit(text[at + n]))
        ++n;
    return n;
}

// A number as people type it: an optional sign, digits and '.' or ',' as
// the decimal point, blanks around it allowed.
std::optional<double> ParseNumber(std::string_view text) {
    text = TrimBlanks(text);
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t whole = CountDigits(text, at);
    at += whole;
    std::size_t fraction = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        fraction = CountDigits(text, at + 1);
        at += 1 + fraction;
    }
    if (at != text.size() || whole + fraction == 0) return std::nullopt;

    if (text.front() == '+') text.remove_prefix(1);
    std::array<char, 64> buffer{};
    std::string longer;
    char* digits = buffer.data();
    if (text.size() > buffer.size()) {
        longer.assign(text);
        digits = longer.data();
    } else {
        text.copy(digits, text.size());
    }
    for (std::size_t i = 0; i < text.size(); ++i)
        if (digits[i] == ',') digits[i] = '.';
    double value = 0;
    const auto result = std::from_chars(digits, digits + text.size(), value);
    if (result.ec != std::errc() || result.ptr != digits + text.size()) return std::nullopt;
    return value;
}

std::string Quoted(std::string_view text) {
    return std::string("«").append(text).append("»");
}

} // namespace

FilterCondition::ColumnKind FilterCondition::KindOf(FieldType type) {
    switch (type) {
    case FieldType::Integer:
    case FieldType::Float:
        return ColumnKind::Number;
    case FieldType::Date:
        return ColumnKind::Date;
    case FieldType::Time:
        return ColumnKind::Time;
    case FieldType::Text:
        break;
    }
    return ColumnKind::Text;
}

std::variant<FilterCondition, std::string> FilterCondition::Parse(std::string_view text,
                                                                  std::size_t column,
                                                                  FieldType type,
                                                                  const CellTexts& texts) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) return FilterCondition(column, Test::Everything);
    if (trimmed == EmptyItem) return FilterCondition(column, Test::Empty);
    if (trimmed == NotEmptyItem) return FilterCondition(column, Test::NotEmpty);
    if (trimmed.size() >= 2 && trimmed.front() == '/' && trimmed.back() == '/') {
        auto compiled = RegexPattern::Compile(trimmed.substr(1, trimmed.size() - 2));
        if (auto* message = std::get_if<std::string>(&compiled)) return std::move(*message);
        FilterCondition condition(column, Test::Regex);
        condition.regex_.emplace(std::move(std::get<RegexPattern>(compiled)));
        return condition;
    }
    const std::string_view left = TrimLeft(text);
    for (const std::string_view op : Operators)
        if (left.starts_with(op))
            return ParseComparison(op, left.substr(op.size()), column, type, texts);
    if (const std::size_t tilde = text.find('~'); tilde != std::string_view::npos)
        return ParseRange(text, tilde, column, type, texts);
    return Contains(text, column);
}

std::variant<FilterCondition, std::string>
FilterCondition::ParseComparison(std::string_view op, std::string_view value, std::size_t column,
                                 FieldType type, const CellTexts& texts) {
    const ColumnKind kind = KindOf(type);
    if (op == "=" || op == "<>") {
        const bool equal = op == "=";
        const std::string_view trimmed = TrimBlanks(value);
        if (value.empty() || IsNullWord(trimmed) || (kind == ColumnKind::Number && trimmed.empty()))
            return FilterCondition(column, equal ? Test::Empty : Test::NotEmpty);
        FilterCondition condition(column, equal ? Test::Equal : Test::NotEqual);
        if (kind == ColumnKind::Number) {
            const std::optional<double> number = ParseNumber(trimmed);
            if (!number) return "Ожидается число: " + Quoted(trimmed);
            condition.compare_ = Compare::Number;
            condition.low_ = *number;
        } else {
            condition.compare_ = Compare::Display;
            condition.lowText_ = value;
        }
        return condition;
    }

    if (TrimBlanks(value).empty())
        return std::string("Не указано значение после ").append(Quoted(op));
    auto bound = ReadBound(value, column, type, texts);
    if (auto* message = std::get_if<std::string>(&bound)) return std::move(*message);
    Bound& low = std::get<Bound>(bound);

    const Test test = op == ">="   ? Test::GreaterEqual
                      : op == "<=" ? Test::LessEqual
                      : op == ">"  ? Test::Greater
                                   : Test::Less;
    FilterCondition condition(column, test);
    if (kind == ColumnKind::Date || kind == ColumnKind::Time) {
        condition.compare_ = Compare::StoredPrefix;
        condition.lowText_ = std::move(low.text);
    } else if (low.number) {
        condition.compare_ = Compare::Number;
        condition.low_ = *low.number;
    } else {
        condition.compare_ = Compare::Bytes;
        condition.lowText_ = std::move(low.text);
    }
    return condition;
}

std::variant<FilterCondition, std::string>
FilterCondition::ParseRange(std::string_view text, std::size_t tilde, std::size_t column,
                            FieldType type, const CellTexts& texts) {
    const std::string_view lowText = text.substr(0, tilde);
    const std::string_view highText = text.substr(tilde + 1);
    if (TrimBlanks(lowText).empty() || TrimBlanks(highText).empty())
        return "Не указана граница диапазона: " + Quoted(TrimBlanks(text));
    auto lowBound = ReadBound(lowText, column, type, texts);
    if (auto* message = std::get_if<std::string>(&lowBound)) return std::move(*message);
    auto highBound = ReadBound(highText, column, type, texts);
    if (auto* message = std::get_if<std::string>(&highBound)) return std::move(*message);
    Bound& low = std::get<Bound>(lowBound);
    Bound& high = std::get<Bound>(highBound);

    FilterCondition condition(column, Test::Range);
    const ColumnKind kind = KindOf(type);
    if (kind != ColumnKind::Date && kind != ColumnKind::Time && low.number && high.number) {
        condition.compare_ = Compare::Number;
        condition.low_ = *low.number;
        condition.high_ = *high.number;
    } else {
        condition.compare_ = kind == ColumnKind::Text ? Compare::Bytes : Compare::StoredPrefix;
        condition.lowText_ = std::move(low.text);
        condition.highText_ = std::move(high.text);
    }
    return condition;
}

std::variant<FilterCondition::Bound, std::string>
FilterCondition::ReadBound(std::string_view value, std::size_t column, FieldType type,
                           const CellTexts& texts) {
    const std::string_view trimmed = TrimBlanks(value);
    switch (KindOf(type)) {
    case ColumnKind::Number:
        if (const std::optional<double> number = ParseNumber(trimmed))
            return Bound{number, std::string(trimmed)};
        return "Ожидается число: " + Quoted(trimmed);
    case ColumnKind::Date:
    case ColumnKind::Time:
        if (std::optional<std::string> stored = texts.StoredValue(column, type, trimmed))
            return Bound{std::nullopt, std::move(*stored)};
        return (type == FieldType::Date ? "Ожидается дата: " : "Ожидается время: ") +
               Quoted(trimmed);
    case ColumnKind::Text:
        break;
    }
    return Bound{ParseNumber(trimmed), std::string(trimmed)};
}

std::variant<FilterCondition, std::string> FilterCondition::Contains(std::string_view needle,
                                                                     std::size_t column) {
    FilterCondition condition(column, Test::Contains);
    condition.lowText_ = needle;
    condition.foldCase_ = HasCasedLetter(needle);
    if (condition.foldCase_) FoldLetterCase(condition.lowText_);
    return condition;
}

bool FilterCondition::Matches(const ResultSet& rows, const CellTexts& texts, std::size_t row,
                              std::string& scratch) const {
    if (test_ == Test::Everything) return true;
    if (rows.IsNull(row, column_)) return test_ == Test::Empty;
    switch (test_) {
    case Test::Empty:
        return texts.Text(row, column_, scratch).empty();
    case Test::NotEmpty:
        return !texts.Text(row, column_, scratch).empty();
    case Test::Contains:
        return MatchesText(texts.Text(row, column_, scratch), scratch);
    case Test::Regex:
        return regex_->Search(texts.Text(row, column_, scratch));
    default:
        return Compared(rows, texts, row, scratch);
    }
}

bool FilterCondition::MatchesText(std::string_view text, std::string& scratch) const {
    if (!foldCase_) return text.find(lowText_) != std::string_view::npos;
    if (text.size() < lowText_.size()) return false;
    // The folded copy goes to scratch; a text already built there is folded
    // where it lies, as folding keeps every byte position.
    const std::less_equal<const char*> notAfter;
    char* folded = nullptr;
    if (notAfter(scratch.data(), text.data()) &&
        notAfter(text.data() + text.size(), scratch.data() + scratch.size())) {
        folded = scratch.data() + (text.data() - scratch.data());
    } else {
        scratch.assign(text);
        folded = scratch.data();
    }
    FoldLetterCase(folded, text.size());
    return std::string_view(folded, text.size()).find(lowText_) != std::string_view::npos;
}

bool FilterCondition::Compared(const ResultSet& rows, const CellTexts& texts, std::size_t row,
                               std::string& scratch) const {
    switch (compare_) {
    case Compare::Display:
        return (texts.Text(row, column_, scratch) == lowText_) == (test_ == Test::Equal);
    case Compare::Number: {
        if (rows.StorageOf(column_) != ResultSet::Storage::Text)
            return Ordered(rows.AsFloat(row, column_), low_, high_);
        const std::optional<double> number = ParseNumber(texts.Text(row, column_, scratch));
        return number && Ordered(*number, low_, high_);
    }
    case Compare::Bytes:
        return Ordered(texts.Text(row, column_, scratch), std::string_view(lowText_),
                       std::string_view(highText_));
    case Compare::StoredPrefix:
        break;
    }
    std::string_view stored;
    if (rows.StorageOf(column_) == ResultSet::Storage::Text) {
        stored = rows.TextView(row, column_);
    } else {
        scratch.clear();
        rows.AppendText(row, column_, scratch);
        stored = scratch;
    }
    return !stored.empty() && OrderedPrefix(stored);
}

template <class T>
bool FilterCondition::Ordered(const T& value, const T& low, const T& high) const {
    switch (test_) {
    case Test::Equal:
        return value == low;
    case Test::NotEqual:
        return value != low;
    case Test::Less:
        return value < low;
    case Test::LessEqual:
        return value <= low;
    case Test::Greater:
        return value > low;
    case Test::GreaterEqual:
        return value >= low;
    case Test::Range:
        return low <= value && value <= high;
    default:
        return false;
    }
}

bool FilterCondition::OrderedPrefix(std::string_view stored) const {
    const std::string_view low(lowText_);
    const std::string_view high(highText_);
    if (test_ == Test::Range)
        return stored.substr(0, low.size()) >= low && stored.substr(0, high.size()) <= high;
    const std::string_view cut = stored.substr(0, low.size());
    return Ordered(cut, low, high);
}

} // namespace kestrom
