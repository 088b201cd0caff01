#include "results/CellTexts.h"

#include "results/CaseFold.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kestrom {
namespace {

// The default conversions alone, as every window and console text source has them.
class NoTexts : public CellTexts {
  public:
    std::string_view Text(std::size_t, std::size_t, std::string&) const override { return {}; }
};

std::optional<std::string> Stored(FieldType type, std::string_view typed) {
    return NoTexts().StoredValue(0, type, typed);
}

TEST(CellTextsTest, TypedDatesAreRealCalendarDays) {
    EXPECT_EQ(Stored(FieldType::Date, "2026-03-01"), "2026-03-01");
    EXPECT_EQ(Stored(FieldType::Date, "01.03.2026"), "2026-03-01");
    EXPECT_EQ(Stored(FieldType::Date, "1.3.2026"), "2026-03-01");
    EXPECT_EQ(Stored(FieldType::Date, " 29.02.2024\t"), "2024-02-29");
    EXPECT_EQ(Stored(FieldType::Date, "31.12.0001"), "0001-12-31");
    for (const std::string_view bad :
         {"31.02.2026", "29.02.2025", "2026-02-29", "2026-13-01", "2026-00-10", "00.01.2026",
          "2026-3-1", "01.03.26", "01.03.20266", "0000-01-01", "01-03-2026", "2026/03/01",
          "2026-03-01x", "", "01.03.2026 10:00"})
        EXPECT_FALSE(Stored(FieldType::Date, bad).has_value()) << bad;
}

TEST(CellTextsTest, TypedTimesKeepTheirFieldsWithTwoDigitHours) {
    EXPECT_EQ(Stored(FieldType::Time, "13:05"), "13:05");
    EXPECT_EQ(Stored(FieldType::Time, "9:05"), "09:05");
    EXPECT_EQ(Stored(FieldType::Time, "13:05:07"), "13:05:07");
    EXPECT_EQ(Stored(FieldType::Time, "13:05:07.250"), "13:05:07.250");
    EXPECT_EQ(Stored(FieldType::Time, "00:00:00.5"), "00:00:00.5");
    EXPECT_EQ(Stored(FieldType::Time, " 23:59:59.999 "), "23:59:59.999");
    for (const std::string_view bad :
         {"24:00", "13:60", "13:05:60", "13:5", "13", "13:05:07.", "13:05:07.1234", "13:05:07,250",
          "-1:00", "+1:00", "123:00", "13:05:07x", "", "1:2:3"})
        EXPECT_FALSE(Stored(FieldType::Time, bad).has_value()) << bad;
}

TEST(CellTextsTest, ValuesOfOtherColumnsAreTheirOwnStoredForm) {
    EXPECT_EQ(Stored(FieldType::Text, " abc "), "abc");
    EXPECT_EQ(Stored(FieldType::Integer, "12"), "12");
    EXPECT_EQ(Stored(FieldType::Float, "1,5"), "1,5");
}

TEST(CaseFoldTest, CapitalLatinAndCyrillicLettersBecomeSmall) {
    std::string text = "ABCXYZ abc АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ЂЏ 123 €";
    FoldLetterCase(text);
    EXPECT_EQ(text, "abcxyz abc абвгдеёжзийклмнопрстуфхцчшщъыьэюя ђџ 123 €");
    std::string small = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    FoldLetterCase(small);
    EXPECT_EQ(small, "абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    // A lead byte at the very end is left alone.
    std::string cut = "A\xD0";
    FoldLetterCase(cut);
    EXPECT_EQ(cut, "a\xD0");

    EXPECT_TRUE(HasCasedLetter("3852 x"));
    EXPECT_TRUE(HasCasedLetter("ё"));
    EXPECT_TRUE(HasCasedLetter("12Я"));
    EXPECT_FALSE(HasCasedLetter("3852111 -.,:€№"));
    EXPECT_FALSE(HasCasedLetter(""));
}

} // namespace
} // namespace kestrom
