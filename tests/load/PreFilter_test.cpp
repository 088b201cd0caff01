#include "load/PreFilter.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kestrom {
namespace {

using List = std::vector<std::string>;

TCallRecord Call(std::string_view a, std::string_view b = "") {
    TCallRecord r;
    r.Owner_N.assign(a);
    r.Partner_N.assign(b);
    return r;
}

TDateTime At(int h, int m, int s = 0, int ms = 0) {
    return EncodeTime({h, m, s, ms});
}

// A filter on number A only, prepared as a load prepares it.
TPreFilter OnA(int mode, std::string text) {
    TPreFilter f;
    f.NumberAOn = true;
    f.NumberAMatch = mode;
    f.NumberAText = std::move(text);
    PrepareFilter(f);
    return f;
}

bool KeepsA(int mode, std::string text, std::string_view number) {
    return PassNumbers(Call(number), OnA(mode, std::move(text)));
}

TEST(SplitNumberList, CutsAtCommasTrimsAndDropsEmptyPieces) {
    EXPECT_EQ(SplitNumberList("100,200"), (List{"100", "200"}));
    EXPECT_EQ(SplitNumberList("100, 200"), (List{"100", "200"}));
    EXPECT_EQ(SplitNumberList("  8*1 ,\t#2 "), (List{"8*1", "#2"}));
    EXPECT_EQ(SplitNumberList(",5,6"), (List{"5", "6"}));
    EXPECT_EQ(SplitNumberList("1,,2"), (List{"1", "2"}));
    EXPECT_EQ(SplitNumberList("7,"), (List{"7"}));
    EXPECT_EQ(SplitNumberList("1 2"), (List{"1 2"})); // blanks inside an entry stay
}

TEST(SplitNumberList, TextWithoutEntriesIsOneEmptyEntry) {
    EXPECT_EQ(SplitNumberList(""), (List{""}));
    EXPECT_EQ(SplitNumberList("   "), (List{""}));
    EXPECT_EQ(SplitNumberList(",,"), (List{""}));
    EXPECT_EQ(SplitNumberList(" , "), (List{""}));
}

TEST(SplitNumberList, LongListsAndLongEntriesAreKeptWhole) {
    std::string text;
    List expected;
    for (int i = 0; i <= 60; ++i) {
        if (i > 0) text += ',';
        text += std::to_string(1000 + i);
        expected.push_back(std::to_string(1000 + i));
    }
    EXPECT_EQ(SplitNumberList(text), expected); // 60 commas, 61 entries

    const std::string longEntry(70, '5');
    EXPECT_EQ(SplitNumberList(longEntry + ",1"), (List{longEntry, "1"}));

    // Every entry of the long list is asked, the middle ones included.
    for (const char* n : {"1000", "1051", "1055", "1059", "1060"})
        EXPECT_TRUE(KeepsA(nmEqual, text, n)) << n;
    EXPECT_FALSE(KeepsA(nmEqual, text, "1061"));
    EXPECT_FALSE(KeepsA(nmNotEqual, text, "1055"));
}

TEST(MatchNumber, PositiveModes) {
    EXPECT_TRUE(MatchNumber("100", "100", nmEqual));
    EXPECT_FALSE(MatchNumber("1000", "100", nmEqual));

    for (const char* n : {"5123", "1234", "123"})
        EXPECT_TRUE(MatchNumber(n, "123", nmLike)) << n;
    EXPECT_FALSE(MatchNumber("132", "123", nmLike));

    EXPECT_TRUE(MatchNumber("8123", "8", nmStartsWith));
    EXPECT_FALSE(MatchNumber("1823", "8", nmStartsWith));
    EXPECT_FALSE(MatchNumber("8", "81", nmStartsWith));

    EXPECT_TRUE(MatchNumber("3412", "12", nmEndsWith));
    EXPECT_TRUE(MatchNumber("1212", "12", nmEndsWith));
    EXPECT_TRUE(MatchNumber("12", "12", nmEndsWith));
    EXPECT_FALSE(MatchNumber("1234", "12", nmEndsWith));
    EXPECT_FALSE(MatchNumber("2", "12", nmEndsWith));
}

TEST(MatchNumber, NegativeModes) {
    EXPECT_TRUE(MatchNumber("1823", "8", nmNotStartsWith));
    EXPECT_TRUE(MatchNumber("555", "8", nmNotStartsWith)); // no occurrence at all
    EXPECT_FALSE(MatchNumber("8123", "8", nmNotStartsWith));

    EXPECT_TRUE(MatchNumber("1000", "100", nmNotEqual));
    EXPECT_FALSE(MatchNumber("100", "100", nmNotEqual));

    EXPECT_TRUE(MatchNumber("3456", "12", nmNotEndsWith));
    EXPECT_TRUE(MatchNumber("1234", "12", nmNotEndsWith));
    EXPECT_FALSE(MatchNumber("1212", "12", nmNotEndsWith));
    EXPECT_FALSE(MatchNumber("3412", "12", nmNotEndsWith));
}

TEST(MatchNumber, StarHashAndCaseAreOrdinaryCharacters) {
    EXPECT_TRUE(MatchNumber("*21#", "*21#", nmEqual));
    EXPECT_TRUE(MatchNumber("12*3", "2*", nmLike));
    EXPECT_FALSE(MatchNumber("1234", "1*", nmStartsWith)); // no wildcard
    EXPECT_FALSE(MatchNumber("1234", "#", nmLike));
    EXPECT_TRUE(MatchNumber("#15", "#", nmStartsWith));
    EXPECT_FALSE(MatchNumber("abc", "ABC", nmEqual));
    EXPECT_FALSE(MatchNumber("100", "100 ", nmEqual)); // byte-exact
}

TEST(MatchNumber, EmptyEntryAndEmptyNumber) {
    // An empty entry occurs nowhere.
    EXPECT_TRUE(MatchNumber("", "", nmEqual));
    EXPECT_FALSE(MatchNumber("123", "", nmEqual));
    EXPECT_FALSE(MatchNumber("123", "", nmLike));
    EXPECT_FALSE(MatchNumber("123", "", nmStartsWith));
    EXPECT_FALSE(MatchNumber("123", "", nmEndsWith));
    EXPECT_FALSE(MatchNumber("", "", nmLike));
    EXPECT_FALSE(MatchNumber("", "", nmEndsWith));
    EXPECT_TRUE(MatchNumber("123", "", nmNotStartsWith));
    EXPECT_TRUE(MatchNumber("", "", nmNotStartsWith));
    EXPECT_TRUE(MatchNumber("123", "", nmNotEqual));
    EXPECT_FALSE(MatchNumber("", "", nmNotEqual));
    EXPECT_TRUE(MatchNumber("123", "", nmNotEndsWith));
    EXPECT_TRUE(MatchNumber("", "", nmNotEndsWith));

    // Nothing occurs in an empty number.
    EXPECT_FALSE(MatchNumber("", "1", nmLike));
    EXPECT_FALSE(MatchNumber("", "1", nmStartsWith));
    EXPECT_FALSE(MatchNumber("", "1", nmEndsWith));
    EXPECT_TRUE(MatchNumber("", "1", nmNotStartsWith));
    EXPECT_TRUE(MatchNumber("", "1", nmNotEndsWith));
    EXPECT_TRUE(MatchNumber("", "1", nmNotEqual));
}

TEST(MatchNumber, ModeOutsideTheListMatchesNothing) {
    for (int mode : {-1, 7, 100}) {
        EXPECT_FALSE(MatchNumber("123", "123", mode));
        EXPECT_FALSE(MatchNumber("123", "9", mode));
    }
}

TEST(PassNumbers, PositiveListPassesWhenAnyEntryMatches) {
    EXPECT_TRUE(KeepsA(nmEqual, "100,200", "100"));
    EXPECT_TRUE(KeepsA(nmEqual, "100,200", "200"));
    EXPECT_FALSE(KeepsA(nmEqual, "100,200", "300"));
    EXPECT_TRUE(KeepsA(nmEqual, "100, 200", "200")); // trimmed entry
    EXPECT_TRUE(KeepsA(nmEqual, ",5,6", "5"));
    EXPECT_FALSE(KeepsA(nmEqual, ",5,6", "")); // the empty piece is dropped
    EXPECT_TRUE(KeepsA(nmEqual, "", ""));      // only an empty entry
    EXPECT_FALSE(KeepsA(nmEqual, "", "100"));
    EXPECT_TRUE(KeepsA(nmEndsWith, "99,12", "1212"));
    EXPECT_FALSE(KeepsA(nmLike, "", "100"));
}

TEST(PassNumbers, NegativeListPassesOnlyWhenEveryEntryMatches) {
    EXPECT_TRUE(KeepsA(nmNotEqual, "100,200", "300"));
    EXPECT_FALSE(KeepsA(nmNotEqual, "100,200", "100"));
    EXPECT_FALSE(KeepsA(nmNotEqual, "100,200", "200"));
    EXPECT_FALSE(KeepsA(nmNotEqual, "100, 200", "200"));
    EXPECT_TRUE(KeepsA(nmNotStartsWith, "8,9", "4951"));
    EXPECT_FALSE(KeepsA(nmNotStartsWith, "8,9", "9123"));
    EXPECT_TRUE(KeepsA(nmNotEndsWith, "12,34", "3456"));
    EXPECT_FALSE(KeepsA(nmNotEndsWith, "12,34", "1212"));
    EXPECT_TRUE(KeepsA(nmNotEndsWith, "", "1212"));
    EXPECT_TRUE(KeepsA(nmNotStartsWith, " , ", "1212"));
}

TEST(PassNumbers, NumberBUsesThePartnerNumber) {
    TPreFilter f;
    f.NumberBOn = true;
    f.NumberBMatch = nmEqual;
    f.NumberBText = "100";
    PrepareFilter(f);
    EXPECT_TRUE(PassNumbers(Call("555", "100"), f));
    EXPECT_FALSE(PassNumbers(Call("100", "555"), f));
}

TEST(PassNumbers, JoinOfBothSides) {
    TPreFilter f;
    f.NumberAOn = true;
    f.NumberAMatch = nmStartsWith;
    f.NumberAText = "8";
    f.NumberBOn = true;
    f.NumberBMatch = nmEqual;
    f.NumberBText = "100";
    PrepareFilter(f);

    const TCallRecord both = Call("8495", "100"), onlyA = Call("8495", "200"),
                      onlyB = Call("7495", "100"), neither = Call("7495", "200");

    f.NumberJoin = 0; // AND
    EXPECT_TRUE(PassNumbers(both, f));
    EXPECT_FALSE(PassNumbers(onlyA, f));
    EXPECT_FALSE(PassNumbers(onlyB, f));
    EXPECT_FALSE(PassNumbers(neither, f));

    f.NumberJoin = 1; // OR
    EXPECT_TRUE(PassNumbers(both, f));
    EXPECT_TRUE(PassNumbers(onlyA, f));
    EXPECT_TRUE(PassNumbers(onlyB, f));
    EXPECT_FALSE(PassNumbers(neither, f));

    f.NumberJoin = 2; // no join chosen
    EXPECT_FALSE(PassNumbers(both, f));

    f.NumberAOn = f.NumberBOn = false;
    EXPECT_TRUE(PassNumbers(neither, f));
}

TEST(PassNumbers, NoModeChosenFailsTheSideAndBothSidesTogether) {
    EXPECT_FALSE(KeepsA(-1, "100", "100"));
    EXPECT_FALSE(KeepsA(7, "100", "100"));

    TPreFilter f;
    f.NumberAOn = f.NumberBOn = true;
    f.NumberAMatch = nmEqual;
    f.NumberAText = "100";
    f.NumberBMatch = -1;
    f.NumberBText = "200";
    PrepareFilter(f);
    for (int join : {0, 1}) {
        f.NumberJoin = join;
        EXPECT_FALSE(PassNumbers(Call("100", "200"), f)) << join;
        EXPECT_FALSE(PassNumbers(Call("100", "300"), f)) << join;
    }
}

TEST(PassTrunkAndErrorCode, CompareTheRecordsValueWhenOn) {
    TCallRecord r; // no element 113, 114 or 121: all values 0
    TPreFilter f;
    EXPECT_TRUE(PassInTrunkGroup(r, f));
    f.InTrunkGroupOn = true;
    EXPECT_TRUE(PassInTrunkGroup(r, f));
    f.InTrunkGroup = 5;
    EXPECT_FALSE(PassInTrunkGroup(r, f));
    r.In_Tr_Gr_ID = 5;
    EXPECT_TRUE(PassInTrunkGroup(r, f));
    EXPECT_TRUE(PassOutTrunkGroup(r, f)); // the outgoing filter is still off

    f.OutTrunkGroupOn = true;
    f.OutTrunkGroup = 32767;
    r.Out_Tr_Gr_ID = 32767;
    EXPECT_TRUE(PassOutTrunkGroup(r, f));
    r.Out_Tr_Gr_ID = 65535; // above anything the filter bar can ask for
    EXPECT_FALSE(PassOutTrunkGroup(r, f));

    f.ErrorCodeOn = true;
    f.ErrorCode = 127;
    r.Couse_121 = 127;
    EXPECT_TRUE(PassErrorCode(r, f));
    r.Couse_121 = 383; // 127 + 256: the whole 16-bit value counts
    EXPECT_FALSE(PassErrorCode(r, f));
    f.ErrorCodeOn = false;
    EXPECT_TRUE(PassErrorCode(r, f));
}

struct WindowCase {
    bool fromOn, toOn;
    TDateTime from, to, start;
    bool kept;
};

TEST(PassTimeWindow, InclusiveBoundsOpenEndsAndWrapPastMidnight) {
    const WindowCase cases[] = {
        {false, false, 0, 0, At(12, 0), true},
        {true, false, At(10, 0), 0, At(10, 0), true}, // exactly at the start
        {true, false, At(10, 0), 0, At(9, 59, 59, 900), false},
        {false, true, 0, At(10, 0), At(10, 0), true}, // exactly at the end
        {false, true, 0, At(10, 0), At(10, 0, 0, 100), false},
        {true, true, At(9, 0), At(17, 0), At(9, 0), true},
        {true, true, At(9, 0), At(17, 0), At(17, 0), true},
        {true, true, At(9, 0), At(17, 0), At(17, 0, 0, 100), false},
        {true, true, At(9, 0), At(17, 0), At(8, 0), false},
        {true, true, At(22, 0), At(2, 0), At(23, 15), true},
        {true, true, At(22, 0), At(2, 0), At(1, 0), true},
        {true, true, At(22, 0), At(2, 0), At(22, 0), true},
        {true, true, At(22, 0), At(2, 0), At(2, 0), true},
        {true, true, At(22, 0), At(2, 0), At(12, 0), false},
        {true, true, At(22, 0), At(2, 0), At(2, 0, 0, 100), false},
        // A record without element 102 starts at 00:00:00.
        {true, false, At(0, 0, 0, 100), 0, 0, false},
        {true, true, At(22, 0), At(2, 0), 0, true},
        {false, true, 0, At(0, 0), 0, true},
        // The pickers' dates play no role.
        {true, true, 45000 + At(9, 0), 12 + At(17, 0), At(12, 0), true},
        {true, true, 45000 + At(13, 0), 45000 + At(17, 0), At(12, 0), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const WindowCase& c = cases[i];
        TPreFilter f;
        f.TimeFromOn = c.fromOn;
        f.TimeToOn = c.toOn;
        f.TimeFrom = c.from;
        f.TimeTo = c.to;
        PrepareFilter(f);
        TCallRecord r;
        r.Start_T = c.start;
        EXPECT_EQ(PassTimeWindow(r, f), c.kept) << "case " << i;
    }
}

TEST(PassPreFilter, EveryStageCanRejectAndOnlySuccessfulSwitchesTheFlagTest) {
    TPreFilter f;
    f.NumberAOn = true;
    f.NumberAMatch = nmStartsWith;
    f.NumberAText = "8";
    f.InTrunkGroupOn = f.OutTrunkGroupOn = f.ErrorCodeOn = true;
    f.InTrunkGroup = 3;
    f.OutTrunkGroup = 4;
    f.ErrorCode = 9;
    f.TimeFromOn = f.TimeToOn = true;
    f.TimeFrom = At(8, 0);
    f.TimeTo = At(18, 0);
    PrepareFilter(f);

    TCallRecord good = Call("8495");
    good.In_Tr_Gr_ID = 3;
    good.Out_Tr_Gr_ID = 4;
    good.Couse_121 = 9;
    good.Start_T = At(12, 0);
    good.F4 = 0;

    EXPECT_TRUE(PassPreFilter(good, f)); // an unsuccessful call with the switch off
    f.OnlySuccessful = true;
    EXPECT_FALSE(PassPreFilter(good, f));
    good.F4 = 1;
    EXPECT_TRUE(PassPreFilter(good, f));

    TCallRecord r = good;
    r.Owner_N.assign("7495");
    EXPECT_FALSE(PassPreFilter(r, f));
    r = good;
    r.In_Tr_Gr_ID = 0;
    EXPECT_FALSE(PassPreFilter(r, f));
    r = good;
    r.Out_Tr_Gr_ID = 0;
    EXPECT_FALSE(PassPreFilter(r, f));
    r = good;
    r.Start_T = At(19, 0);
    EXPECT_FALSE(PassPreFilter(r, f));
    r = good;
    r.Couse_121 = 0;
    EXPECT_FALSE(PassPreFilter(r, f));

    EXPECT_TRUE(PassPreFilter(Call(""), TPreFilter{})); // nothing on: everything is kept
}

} // namespace
} // namespace kestrom
