#pragma once

#include "db/Query.h"
#include "results/CellTexts.h"
#include "results/RegexPattern.h"
#include "results/ResultSet.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kestrom {

/// The condition typed into one column's box of the grid's filter row,
/// parsed once and then tested against each row held in memory.
///
/// The forms: plain text (the cell's text contains it, Latin and Cyrillic
/// letters in either case); `=v`, `<>v`, `>v`, `<v`, `>=v`, `<=v`; `a~b`, a
/// range with both ends included; `/re/`, a regular expression found
/// anywhere in the text; `=NULL` or "(Пустые)" for an empty cell (NULL or
/// an empty text), `<>NULL` or "(Не пустые)" for one that is not; `=` alone
/// means empty, `<>` alone not empty. Blanks before an operator do not
/// count; blanks in a plain text and after `=` or `<>` on a text column do.
///
/// How a value compares depends on the column's kind: number columns
/// compare numerically (a value that is no number is refused); text
/// columns compare `=` and `<>` as exact texts and the ordering operators
/// and ranges numerically when the value is a number (cells that are no
/// numbers then fail), else by the bytes of the texts; date and time
/// columns take `=` and `<>` as exact display texts and compare the
/// ordering operators and ranges with the stored text cut to the length of
/// the value's stored form (so "<=13:05:07" includes 13:05:07.250). Plain
/// text and regular expressions always search the display text. A NULL
/// cell passes only the conditions for an empty cell.
///
///     auto parsed = FilterCondition::Parse(">=60000", column, FieldType::Float, texts);
///     if (auto* condition = std::get_if<FilterCondition>(&parsed))
///         keep = condition->Matches(rows, texts, row, scratch);
class FilterCondition {
  public:
    /// The comparison rules a column follows, from its field type.
    enum class ColumnKind : std::uint8_t { Number, Date, Time, Text };
    static ColumnKind KindOf(FieldType type);

    /// The condition of text typed for a column of the given position and
    /// type, or the Russian message that says why the text is none (such as
    /// "Ожидается число: «abc»"). A text of blanks only gives a condition
    /// every row passes. texts turns typed dates and times into their
    /// stored form.
    static std::variant<FilterCondition, std::string>
    Parse(std::string_view text, std::size_t column, FieldType type, const CellTexts& texts);

    std::size_t Column() const { return column_; }
    /// True for the condition of a blank text, which every row passes.
    bool MatchesEverything() const { return test_ == Test::Everything; }

    /// Whether the row passes; texts gives the display texts of the rows
    /// and scratch is room for building them. A condition with a regular
    /// expression tests in one thread at a time.
    bool Matches(const ResultSet& rows, const CellTexts& texts, std::size_t row,
                 std::string& scratch) const;

  private:
    enum class Test : std::uint8_t {
        Everything,
        Empty,
        NotEmpty,
        Contains,
        Regex,
        Equal,
        NotEqual,
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        Range
    };
    // What a comparing test compares: the display text exactly, numbers,
    // the display text's bytes, or the stored text cut to the value's length.
    enum class Compare : std::uint8_t { Display, Number, Bytes, StoredPrefix };

    FilterCondition(std::size_t column, Test test) : column_(column), test_(test) {}

    static std::variant<FilterCondition, std::string>
    ParseComparison(std::string_view op, std::string_view value, std::size_t column, FieldType type,
                    const CellTexts& texts);
    static std::variant<FilterCondition, std::string> ParseRange(std::string_view text,
                                                                 std::size_t tilde,
                                                                 std::size_t column, FieldType type,
                                                                 const CellTexts& texts);
    static std::variant<FilterCondition, std::string> Contains(std::string_view needle,
                                                               std::size_t column);
    // One value of a comparison read for the column's kind: its number
    // when it is one, its text (for dates and times the stored form).
    struct Bound {
        std::optional<double> number;
        std::string text;
    };
    static std::variant<Bound, std::string> ReadBound(std::string_view value, std::size_t column,
                                                      FieldType type, const CellTexts& texts);

    bool MatchesText(std::string_view text, std::string& scratch) const;
    bool Compared(const ResultSet& rows, const CellTexts& texts, std::size_t row,
                  std::string& scratch) const;
    template <class T> bool Ordered(const T& value, const T& low, const T& high) const;
    bool OrderedPrefix(std::string_view stored) const;

    std::size_t column_ = 0;
    Test test_ = Test::Everything;
    Compare compare_ = Compare::Display;
    bool foldCase_ = false;
    double low_ = 0;
    double high_ = 0;
    std::string lowText_; // the needle, the exact text or the low end
    std::string highText_;
    std::optional<RegexPattern> regex_;
};

} // namespace kestrom
