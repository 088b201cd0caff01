#include "results/CellTexts.h"

#include "base/DateTime.h"

namespace kestrom {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Reads from minDigits to maxDigits decimal digits at the front of text into
// value and drops them; false when fewer digits are there.
bool TakeNumber(std::string_view& text, std::size_t minDigits, std::size_t maxDigits, int& value) {
    std::size_t n = 0;
    value = 0;
    while (n < maxDigits && n < text.size() && IsDigit(text[n])) {
        value = value * 10 + (text[n] - '0');
        ++n;
    }
    text.remove_prefix(n);
    return n >= minDigits;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

std::optional<std::string> IsoDateOf(int year, int month, int day) {
    if (year < 1 || !IsValidDate(year, month, day)) return std::nullopt;
    std::string out;
    AppendTwoDigits(out, year / 100);
    AppendTwoDigits(out, year % 100);
    out.push_back('-');
    AppendTwoDigits(out, month);
    out.push_back('-');
    AppendTwoDigits(out, day);
    return out;
}

// "YYYY-MM-DD" or "DD.MM.YYYY" (day and month of one or two digits).
std::optional<std::string> StoredDate(std::string_view text) {
    int year = 0, month = 0, day = 0;
    std::string_view iso = text;
    if (TakeNumber(iso, 4, 4, year) && TakeChar(iso, '-') && TakeNumber(iso, 2, 2, month) &&
        TakeChar(iso, '-') && TakeNumber(iso, 2, 2, day) && iso.empty())
        return IsoDateOf(year, month, day);
    std::string_view dotted = text;
    if (TakeNumber(dotted, 1, 2, day) && TakeChar(dotted, '.') && TakeNumber(dotted, 1, 2, month) &&
        TakeChar(dotted, '.') && TakeNumber(dotted, 4, 4, year) && dotted.empty())
        return IsoDateOf(year, month, day);
    return std::nullopt;
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.zzz" (hours of one or two digits, one to
// three digits of the second's fraction, kept as typed).
std::optional<std::string> StoredTime(std::string_view text) {
    int hour = 0, minute = 0, second = 0;
    if (!TakeNumber(text, 1, 2, hour) || !TakeChar(text, ':') || !TakeNumber(text, 2, 2, minute))
        return std::nullopt;
    if (hour > 23 || minute > 59) return std::nullopt;
    std::string out;
    AppendTwoDigits(out, hour);
    out.push_back(':');
    AppendTwoDigits(out, minute);
    if (text.empty()) return out;
    if (!TakeChar(text, ':') || !TakeNumber(text, 2, 2, second) || second > 59) return std::nullopt;
    out.push_back(':');
    AppendTwoDigits(out, second);
    if (text.empty()) return out;
    if (!TakeChar(text, '.') || text.empty() || text.size() > 3) return std::nullopt;
    for (const char c : text)
        if (!IsDigit(c)) return std::nullopt;
    out.push_back('.');
    out.append(text);
    return out;
}

} // namespace

std::optional<std::string> CellTexts::StoredValue(std::size_t /*column*/, FieldType type,
                                                  std::string_view typed) const {
    const std::string_view text = TrimBlanks(typed);
    switch (type) {
    case FieldType::Date:
        return StoredDate(text);
    case FieldType::Time:
        return StoredTime(text);
    default:
        return std::string(text);
    }
}

} // namespace kestrom
