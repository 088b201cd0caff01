#include "base/Cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrom {
namespace {

TEST(Cp1251, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_EQ(Utf8ToCp1251(utf8), all);
    // The byte the code page leaves undefined keeps its value as U+0098.
    EXPECT_EQ(Cp1251ToUtf8("\x98\xA0\xB9"), "\xC2\x98\xC2\xA0№");
}

TEST(Cp1251, RussianTextAndPunctuation) {
    // "Ошибка! Записей : №5 — Ёё" in the code page.
    const std::string bytes = "\xCE\xF8\xE8\xE1\xEA\xE0! \xC7\xE0\xEF\xE8\xF1\xE5\xE9 : \xB9"
                              "5 \x97 \xA8\xB8";
    const std::string text = "Ошибка! Записей : №5 — Ёё";
    EXPECT_EQ(Cp1251ToUtf8(bytes), text);
    EXPECT_EQ(Utf8ToCp1251(text), bytes);
    EXPECT_EQ(Utf8ToCp1251("АЯаяЂџ€™"), "\xC0\xDF\xE0\xFF\x80\x9F\x88\x99");
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Utf8ToCp1251("a日本b"), "a??b");
    EXPECT_EQ(Utf8ToCp1251("ä ß ł"), "? ? ?");
    EXPECT_EQ(Utf8ToCp1251("x\xF0\x9F\x98\x80y"), "x?y"); // one character beyond the BMP
}

TEST(Cp1251, MalformedUtf8BecomesAQuestionMarkPerByte) {
    EXPECT_EQ(Utf8ToCp1251("\x80"), "?");           // stray continuation byte
    EXPECT_EQ(Utf8ToCp1251("ab\xD0"), "ab?");       // cut off at the end
    EXPECT_EQ(Utf8ToCp1251("\xD0z"), "?z");         // lead byte without continuation
    EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "??");      // overlong "/"
    EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "???"); // a surrogate
    EXPECT_EQ(Utf8ToCp1251("\xF8\x88\x80\x80"), "????");
}

} // namespace
} // namespace kestrom
