#include "settings/CommaText.h"
#include "settings/SettingsState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrom {
namespace {

using List = std::vector<std::string>;

TEST(CommaText, ColumnNamesAreJoinedPlainAndComeBack) {
    const List columns = DefaultVisibleColumns();
    const std::string text = JoinCommaText(columns);
    EXPECT_EQ(text.find('"'), std::string::npos);
    EXPECT_TRUE(text.starts_with("Ошибка,EX_ош,Тип_зап,"));
    EXPECT_TRUE(text.ends_with(",Прод_мс,Прод_Мин"));
    EXPECT_EQ(SplitCommaText(text), columns);
    EXPECT_EQ(JoinCommaText(DefaultSortColumns()), "Дата_иниц[Up],Время_иниц[Up]");
    EXPECT_EQ(JoinCommaText({}), "");
}

TEST(CommaText, ItemsWithBlanksCommasQuotesOrControlsAreQuotedAndSurvive) {
    const List items = {"a b", "x,y", "say \"hi\"", "", "tab\there", "plain"};
    const std::string text = JoinCommaText(items);
    EXPECT_EQ(text, "\"a b\",\"x,y\",\"say \"\"hi\"\"\",\"\",\"tab\there\",plain");
    EXPECT_EQ(SplitCommaText(text), items);
    EXPECT_EQ(JoinCommaText({""}), "\"\"");
    EXPECT_EQ(SplitCommaText("\"\""), List{""});
}

TEST(CommaText, BlanksOutsideQuotesSeparateLikeCommas) {
    EXPECT_EQ(SplitCommaText("a b,c"), (List{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText("  a ,  b  "), (List{"a", "b"}));
    EXPECT_EQ(SplitCommaText("a , b"), (List{"a", "b"}));
    EXPECT_EQ(SplitCommaText("\"a b\" c"), (List{"a b", "c"}));
    EXPECT_EQ(SplitCommaText(""), List{});
    EXPECT_EQ(SplitCommaText("   "), List{});
}

TEST(CommaText, EmptyItemsAndUnbalancedQuotes) {
    EXPECT_EQ(SplitCommaText("a,,b"), (List{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a, ,b"), (List{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a,"), (List{"a", ""}));
    EXPECT_EQ(SplitCommaText(",a"), (List{"", "a"}));
    EXPECT_EQ(SplitCommaText("\"open"), List{"open"});
    EXPECT_EQ(SplitCommaText("\"ab\"cd"), (List{"ab", "cd"}));
    EXPECT_EQ(SplitCommaText("\"x\"\"\""), List{"x\""});
}

} // namespace
} // namespace kestrom
