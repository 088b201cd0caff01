#include "results/FilterCondition.h"

#include "results/StoredCellTexts.h"
#include "tests/results/FilterSample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {
namespace {

using Rows = std::vector<std::uint32_t>;

constexpr std::size_t Who = 0, Ms = 1, N = 2, Day = 3, At = 4;

class FilterConditionTest : public ::testing::Test {
  protected:
    // The rows that pass the text typed into the column's box.
    Rows Passing(std::size_t column, std::string_view text) const {
        auto parsed = Parse(column, text);
        if (const auto* message = std::get_if<std::string>(&parsed)) {
            ADD_FAILURE() << "\"" << text << "\" refused: " << *message;
            return {};
        }
        const FilterCondition& condition = std::get<FilterCondition>(parsed);
        Rows passing;
        std::string scratch;
        for (std::size_t row = 0; row < rows.RowCount(); ++row)
            if (condition.Matches(rows, texts, row, scratch))
                passing.push_back(static_cast<std::uint32_t>(row));
        return passing;
    }

    // The message that refuses the text; empty (and a failure) when it is accepted.
    std::string Refusal(std::size_t column, std::string_view text) const {
        auto parsed = Parse(column, text);
        if (const auto* message = std::get_if<std::string>(&parsed)) return *message;
        ADD_FAILURE() << "\"" << text << "\" accepted";
        return {};
    }

    std::variant<FilterCondition, std::string> Parse(std::size_t column,
                                                     std::string_view text) const {
        return FilterCondition::Parse(text, column, rows.Columns()[column].type, texts);
    }

    test::FilterSample sample;
    const ResultSet& rows = sample.Rows();
    StoredCellTexts texts{rows};
};

TEST_F(FilterConditionTest, TheSampleHasAColumnOfEveryKind) {
    using Kind = FilterCondition::ColumnKind;
    EXPECT_EQ(FilterCondition::KindOf(rows.Columns()[Who].type), Kind::Text);
    EXPECT_EQ(FilterCondition::KindOf(rows.Columns()[Ms].type), Kind::Number);
    EXPECT_EQ(FilterCondition::KindOf(rows.Columns()[N].type), Kind::Number);
    EXPECT_EQ(FilterCondition::KindOf(rows.Columns()[Day].type), Kind::Date);
    EXPECT_EQ(FilterCondition::KindOf(rows.Columns()[At].type), Kind::Time);
}

TEST_F(FilterConditionTest, PlainTextIsFoundInEitherCaseOfLatinAndCyrillicLetters) {
    EXPECT_EQ(Passing(Who, "успешный"), (Rows{0, 8}));
    EXPECT_EQ(Passing(Who, "УСПЕШ"), (Rows{0, 8}));
    EXPECT_EQ(Passing(Who, "ёлка"), (Rows{7}));
    EXPECT_EQ(Passing(Who, "Ёлка И qUICK"), (Rows{7}));
    EXPECT_EQ(Passing(Who, "ЗАНЯТОСТЬ АБ."), (Rows{1}));
    EXPECT_EQ(Passing(Who, "ЫЙ ВЫЗ"), (Rows{8}));
    EXPECT_EQ(Passing(Who, "385"), (Rows{4}));
    EXPECT_EQ(Passing(Who, "5"), (Rows{4, 5}));
    EXPECT_EQ(Passing(Who, "нет такого"), (Rows{}));
    // Blanks count as typed, but blanks alone are no condition.
    EXPECT_EQ(Passing(Who, " вызов"), (Rows{8}));
    EXPECT_TRUE(std::get<FilterCondition>(Parse(Who, "  \t")).MatchesEverything());
    EXPECT_EQ(Passing(Who, "   ").size(), rows.RowCount());
    // Number, date and time columns search their display texts.
    EXPECT_EQ(Passing(N, "385"), (Rows{4}));
    EXPECT_EQ(Passing(N, "-"), (Rows{1}));
    EXPECT_EQ(Passing(Ms, "1.5"), (Rows{1}));
    EXPECT_EQ(Passing(Ms, "abc"), (Rows{}));
    EXPECT_EQ(Passing(Day, "03-01"), (Rows{1, 4, 8}));
    EXPECT_EQ(Passing(At, ":59."), (Rows{4, 6}));
}

TEST_F(FilterConditionTest, EqualityOnTextsIsExact) {
    EXPECT_EQ(Passing(Who, "=Успешный"), (Rows{0}));
    EXPECT_EQ(Passing(Who, "=успешный"), (Rows{}));
    EXPECT_EQ(Passing(Who, "=Успешный "), (Rows{}));
    EXPECT_EQ(Passing(Who, "=Успеш"), (Rows{}));
    EXPECT_EQ(Passing(Who, "  =Успешный"), (Rows{0})); // blanks before the operator
    EXPECT_EQ(Passing(Who, "<>Успешный"), (Rows{1, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Passing(Day, "=2026-03-01"), (Rows{1, 4, 8}));
    EXPECT_EQ(Passing(Day, "=01.03.2026"), (Rows{})); // not the display text
    EXPECT_EQ(Passing(At, "=13:05:07"), (Rows{1}));
    EXPECT_EQ(Passing(At, "<>13:05:07"), (Rows{0, 3, 4, 5, 6, 7, 8}));
}

TEST_F(FilterConditionTest, EmptyAndNotEmptyInEveryForm) {
    const Rows empty = {2, 3};
    const Rows filled = {0, 1, 4, 5, 6, 7, 8};
    for (const std::string_view text : {"=", "=NULL", "=null", "(Пустые)", " (Пустые) "}) {
        EXPECT_EQ(Passing(Who, text), empty) << text;
        EXPECT_EQ(Passing(N, text), (Rows{2})) << text;
        EXPECT_EQ(Passing(Day, text), (Rows{2})) << text;
    }
    for (const std::string_view text : {"<>", "<>NULL", "(Не пустые)"}) {
        EXPECT_EQ(Passing(Who, text), filled) << text;
        EXPECT_EQ(Passing(Ms, text), (Rows{0, 1, 3, 4, 5, 6, 7, 8})) << text;
        EXPECT_EQ(Passing(At, text), (Rows{0, 1, 3, 4, 5, 6, 7, 8})) << text;
    }
}

TEST_F(FilterConditionTest, NumberColumnsCompareNumerically) {
    EXPECT_EQ(Passing(Ms, "=60000"), (Rows{4}));
    EXPECT_EQ(Passing(Ms, "=1,5"), (Rows{1}));
    EXPECT_EQ(Passing(Ms, "= 1.50 "), (Rows{1}));
    EXPECT_EQ(Passing(Ms, "<>0"), (Rows{0, 1, 4, 5, 6, 7, 8})); // NULL is no number
    EXPECT_EQ(Passing(Ms, ">=60000"), (Rows{0, 4, 5}));
    EXPECT_EQ(Passing(Ms, ">60000"), (Rows{0, 5}));
    EXPECT_EQ(Passing(Ms, "<1"), (Rows{3, 7}));
    EXPECT_EQ(Passing(Ms, "<=0,5"), (Rows{3, 7}));
    EXPECT_EQ(Passing(Ms, "0~2.25"), (Rows{1, 3, 6, 7}));
    EXPECT_EQ(Passing(Ms, ".5~,5"), (Rows{7}));
    EXPECT_EQ(Passing(N, "=+5"), (Rows{0}));
    EXPECT_EQ(Passing(N, "=5."), (Rows{0}));
    EXPECT_EQ(Passing(N, "-5~0"), (Rows{1, 3}));
    EXPECT_EQ(Passing(N, ">-4"), (Rows{0, 1, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Passing(N, "50~10"), (Rows{})); // ends in the wrong order
}

TEST_F(FilterConditionTest, NumberColumnsRefuseWhatIsNoNumber) {
    EXPECT_EQ(Refusal(N, "=abc"), "Ожидается число: «abc»");
    EXPECT_EQ(Refusal(N, "<>5 5"), "Ожидается число: «5 5»");
    EXPECT_EQ(Refusal(Ms, ">1.2.3"), "Ожидается число: «1.2.3»");
    EXPECT_EQ(Refusal(Ms, "<1e3"), "Ожидается число: «1e3»");
    EXPECT_EQ(Refusal(Ms, ">=-"), "Ожидается число: «-»");
    EXPECT_EQ(Refusal(Ms, "<=inf"), "Ожидается число: «inf»");
    EXPECT_EQ(Refusal(N, "1~b"), "Ожидается число: «b»");
    EXPECT_EQ(Refusal(N, "x~2"), "Ожидается число: «x»");
    EXPECT_EQ(Refusal(N, ">"), "Не указано значение после «>»");
    EXPECT_EQ(Refusal(N, ">=  "), "Не указано значение после «>=»");
    EXPECT_EQ(Refusal(N, "<"), "Не указано значение после «<»");
    EXPECT_EQ(Refusal(N, "<="), "Не указано значение после «<=»");
    EXPECT_EQ(Refusal(N, "5~"), "Не указана граница диапазона: «5~»");
    EXPECT_EQ(Refusal(N, "~5"), "Не указана граница диапазона: «~5»");
    EXPECT_EQ(Refusal(N, " ~ "), "Не указана граница диапазона: «~»");
}

TEST_F(FilterConditionTest, TextColumnsOrderNumbersAsNumbersAndTextsAsBytes) {
    // "7" < "45.5" as texts, but not as numbers; cells that are no numbers fail.
    EXPECT_EQ(Passing(Who, ">10"), (Rows{4, 5}));
    EXPECT_EQ(Passing(Who, "<=7"), (Rows{6}));
    EXPECT_EQ(Passing(Who, "5~50"), (Rows{5, 6}));
    EXPECT_EQ(Passing(Who, "<>7"), (Rows{0, 1, 3, 4, 5, 7, 8})); // exact text
    // By the bytes of UTF-8: Ё (D0 81) < Ж (D0 96) < З < У (D0 A3) < у (D1 83).
    EXPECT_EQ(Passing(Who, ">Ж"), (Rows{0, 1, 8}));
    EXPECT_EQ(Passing(Who, "<Ж"), (Rows{3, 4, 5, 6, 7}));
    EXPECT_EQ(Passing(Who, "А~Я"), (Rows{0, 1}));
    EXPECT_EQ(Passing(Who, "1~Я"), (Rows{0, 1, 4, 5, 6, 7})); // one end no number
    EXPECT_EQ(Refusal(Who, ">"), "Не указано значение после «>»");
    EXPECT_EQ(Refusal(Who, "а~"), "Не указана граница диапазона: «а~»");
}

TEST_F(FilterConditionTest, DatesCompareByTheirStoredForm) {
    EXPECT_EQ(Passing(Day, ">=2026-03-01"), (Rows{1, 4, 5, 8}));
    EXPECT_EQ(Passing(Day, ">=01.03.2026"), (Rows{1, 4, 5, 8}));
    EXPECT_EQ(Passing(Day, ">1.3.2026"), (Rows{5}));
    EXPECT_EQ(Passing(Day, "<2026-01-01"), (Rows{3, 6}));
    EXPECT_EQ(Passing(Day, "<=29.02.2024"), (Rows{6}));
    EXPECT_EQ(Passing(Day, "2026-02-28~2026-03-01"), (Rows{0, 1, 4, 8}));
    EXPECT_EQ(Passing(Day, "28.02.2026 ~ 1.3.2026"), (Rows{0, 1, 4, 8}));
    EXPECT_EQ(Passing(Day, "/^2024/"), (Rows{6}));

    EXPECT_EQ(Refusal(Day, ">31.02.2026"), "Ожидается дата: «31.02.2026»");
    EXPECT_EQ(Refusal(Day, "<29.02.2025"), "Ожидается дата: «29.02.2025»");
    EXPECT_EQ(Refusal(Day, ">=2026-13-01"), "Ожидается дата: «2026-13-01»");
    EXPECT_EQ(Refusal(Day, "<=2026-3-1"), "Ожидается дата: «2026-3-1»");
    EXPECT_EQ(Refusal(Day, "<вчера"), "Ожидается дата: «вчера»");
    EXPECT_EQ(Refusal(Day, "2026-01-01~32.01.2026"), "Ожидается дата: «32.01.2026»");
    EXPECT_EQ(Refusal(Day, ">="), "Не указано значение после «>=»");
}

TEST_F(FilterConditionTest, TimesCompareTheStoredTextCutToTheValuesLength) {
    // 13:05:07.250 reads as 13:05:07 when the value has whole seconds.
    EXPECT_EQ(Passing(At, "<=13:05:07"), (Rows{0, 1, 3, 6, 7, 8}));
    EXPECT_EQ(Passing(At, "<13:05:07"), (Rows{3, 6, 7, 8}));
    EXPECT_EQ(Passing(At, ">13:05:07"), (Rows{4, 5}));
    EXPECT_EQ(Passing(At, ">13:05:07.000"), (Rows{0, 4, 5}));
    EXPECT_EQ(Passing(At, ">13:05"), (Rows{4}));
    EXPECT_EQ(Passing(At, ">=13:05"), (Rows{0, 1, 4, 5, 8}));
    EXPECT_EQ(Passing(At, "13:05~13:05:07"), (Rows{0, 1, 8}));
    EXPECT_EQ(Passing(At, "9:00~9:00"), (Rows{7}));
    EXPECT_EQ(Passing(At, "<1:00"), (Rows{3}));

    EXPECT_EQ(Refusal(At, ">25:00"), "Ожидается время: «25:00»");
    EXPECT_EQ(Refusal(At, "<13:60"), "Ожидается время: «13:60»");
    EXPECT_EQ(Refusal(At, "<13:05:60"), "Ожидается время: «13:05:60»");
    EXPECT_EQ(Refusal(At, "<13:05:07.1234"), "Ожидается время: «13:05:07.1234»");
    EXPECT_EQ(Refusal(At, "<13:5"), "Ожидается время: «13:5»");
    EXPECT_EQ(Refusal(At, ">полдень"), "Ожидается время: «полдень»");
    EXPECT_EQ(Refusal(At, "10:00~"), "Не указана граница диапазона: «10:00~»");
}

TEST_F(FilterConditionTest, RegularExpressionsSearchUtf8Texts) {
    EXPECT_EQ(Passing(Who, "/^Усп/"), (Rows{0}));
    EXPECT_EQ(Passing(Who, "/(?i)^усп/"), (Rows{0, 8}));
    EXPECT_EQ(Passing(Who, "/\\d{7}/"), (Rows{4}));
    EXPECT_EQ(Passing(Who, "/аб\\.$/"), (Rows{1}));
    EXPECT_EQ(Passing(Who, "/^.{8}$/"), (Rows{0})); // eight letters, not sixteen bytes
    EXPECT_EQ(Passing(Who, "/^$/"), (Rows{3}));     // NULL passes no search
    EXPECT_EQ(Passing(N, "/^-/"), (Rows{1}));
    EXPECT_EQ(Passing(At, "/\\.999$/"), (Rows{4, 6, 8}));
    // "/" alone or an unclosed one is plain text.
    EXPECT_EQ(Passing(Who, "/"), (Rows{}));

    const std::string message = Refusal(Who, "/(Усп/");
    EXPECT_TRUE(message.starts_with("Ошибка в регулярном выражении: ")) << message;
    EXPECT_GT(message.size(), std::string_view("Ошибка в регулярном выражении: ").size());
    EXPECT_TRUE(Refusal(N, "/[/").starts_with("Ошибка в регулярном выражении: "));
}

// A window's own texts: numbers with a decimal comma, dates as DD.MM.YYYY.
class LocaleTexts : public CellTexts {
  public:
    explicit LocaleTexts(const ResultSet& rows) : rows_(rows) {}
    std::string_view Text(std::size_t row, std::size_t column,
                          std::string& scratch) const override {
        scratch.clear();
        rows_.AppendText(row, column, scratch);
        if (column == Day && scratch.size() == 10)
            scratch =
                scratch.substr(8, 2) + "." + scratch.substr(5, 2) + "." + scratch.substr(0, 4);
        for (char& c : scratch)
            if (c == '.' && column == Ms) c = ',';
        return scratch;
    }

  private:
    const ResultSet& rows_;
};

TEST_F(FilterConditionTest, DisplayTextsComeFromTheCellTextsAndValuesFromTheRows) {
    const LocaleTexts locale(rows);
    const auto passing = [&](std::size_t column, std::string_view text) {
        auto parsed = FilterCondition::Parse(text, column, rows.Columns()[column].type, locale);
        const FilterCondition& condition = std::get<FilterCondition>(parsed);
        Rows out;
        std::string scratch;
        for (std::size_t row = 0; row < rows.RowCount(); ++row)
            if (condition.Matches(rows, locale, row, scratch))
                out.push_back(static_cast<std::uint32_t>(row));
        return out;
    };
    EXPECT_EQ(passing(Ms, "1,5"), (Rows{1}));
    EXPECT_EQ(passing(Ms, "1.5"), (Rows{}));
    EXPECT_EQ(passing(Ms, "<2"), (Rows{1, 3, 7}));
    EXPECT_EQ(passing(Day, "=01.03.2026"), (Rows{1, 4, 8}));
    EXPECT_EQ(passing(Day, "=2026-03-01"), (Rows{}));
    EXPECT_EQ(passing(Day, "01.03.2026~2026-03-02"), (Rows{1, 4, 5, 8}));
    EXPECT_EQ(passing(Day, "/^01\\.03/"), (Rows{1, 4, 8}));
}

} // namespace
} // namespace kestrom
