#include "app/caret_sync.h"

#include <gtest/gtest.h>

#include <string>

using caret::LowerSelectionFor;
using caret::Selection;
using caret::UpperSelectionFor;
using Table = std::vector<std::int32_t>;

namespace {

Selection lowerAt(const std::string& upper, size_t caretAt, const Table& expPos) {
    Table quotePos;
    return LowerSelectionFor(std::string_view(upper).substr(0, caretAt), expPos, quotePos);
}

// The backward sync as the window runs it: the forward sync with the caret at
// the end records the stars first.
Selection upperFor(const std::string& upper, std::int64_t lowerLength, std::int64_t clicked, const Table& expPos) {
    Table quotePos;
    LowerSelectionFor(upper, expPos, quotePos);
    return UpperSelectionFor(upper, lowerLength, clicked, expPos, quotePos);
}

}  // namespace

TEST(ForwardSync, OutsideStarGroupsOneConvertedCharacterIsSelected) {
    const Table none = {0, 0, 0, 0};
    EXPECT_EQ(lowerAt("abc", 0, none), (Selection{0, 1}));
    // One "#" group of two characters, the caret between them.
    EXPECT_EQ(lowerAt("#xy#", 2, none), (Selection{1, 1}));
    EXPECT_EQ(lowerAt("a\r\n#x#b", 6, none), (Selection{4, 1}));
    // Before the first conversion the table is empty and reads as zeros.
    EXPECT_EQ(lowerAt("*ab*c", 5, {}), (Selection{3, 1}));
}

TEST(ForwardSync, InsideAStarGroupTheWholeExpansionIsSelected) {
    // "a*xy*b" with "xy" expanded to one character: lower text of three.
    const Table one = {2, 3, 1, 0};
    EXPECT_EQ(lowerAt("a*xy*b", 3, one), (Selection{1, 1}));
    EXPECT_EQ(lowerAt("a*xy*b", 6, one), (Selection{3, 1}));
    // Right after the opening star the caret counts as inside.
    const Table eleven = {2, 13, -9, 0};
    EXPECT_EQ(lowerAt("a*xy*b", 2, eleven), (Selection{1, 11}));
    // With one star before the caret the first group's length is taken.
    EXPECT_EQ(lowerAt("*ty", 3, {1, 12, -9, 0}), (Selection{0, 11}));
    // A length below 1 becomes 1; a start below 0 becomes 0.
    EXPECT_EQ(lowerAt("*ty", 3, {5, 5, 2, 0}), (Selection{0, 1}));
}

TEST(ForwardSync, ADoubleStarBeforeTheCaretMeansNeverInside) {
    const Table none = {0, 0, 0, 0};
    EXPECT_EQ(lowerAt("a**b*c", 6, none), (Selection{3, 1}));
    EXPECT_EQ(lowerAt("**x*", 4, none), (Selection{1, 1}));
}

TEST(ForwardSync, ClosedGroupsShiftByTheirDifference) {
    // "*ty* *ty* x" with "ty" expanded to eleven characters twice.
    const Table two = {1, 12, -9, 13, 24, -9, 0};
    EXPECT_EQ(lowerAt("*ty* *ty* x", 10, two), (Selection{24, 1}));
    // Inside the second group: its start and its whole expansion.
    EXPECT_EQ(lowerAt("*ty* *ty* x", 6, two), (Selection{12, 11}));
}

TEST(ForwardSync, StarsBeyondTheTableAreNotRecorded) {
    Table quotePos = {7};
    // The table of a conversion without groups, but six stars before the caret.
    const Selection s = LowerSelectionFor("*a*b*c*d*e*f", {0, 0, 0, 0}, quotePos);
    EXPECT_EQ(quotePos, (Table{2, 4, 1, 6}));
    EXPECT_EQ(s.length, 1);
    // A single star leaves the recorded places alone.
    LowerSelectionFor("x*y", {0, 0, 0, 0}, quotePos);
    EXPECT_EQ(quotePos, (Table{2, 4, 1, 6}));
}

TEST(ForwardSync, SumsBeyondSixteenBitsDoNotOverflow) {
    // Two groups whose expansions are 40000 characters shorter than their code.
    const std::string upper = "*a*" + std::string(10, 'x') + "*b*z";
    const Table big = {1, 2, 40000, 12, 13, 40000, 0};
    EXPECT_EQ(lowerAt(upper, upper.size(), big).start, 0);
    const Table shorter = {1, 2, -40000, 40002, 40003, -40000, 0};
    EXPECT_EQ(lowerAt(upper, upper.size(), shorter).start, 80013);
}

TEST(BackwardSync, AClickInAnExpansionSelectsItsAbbreviation) {
    // "a*xy*b" with "xy" expanded to eleven characters: lower text of 13.
    const Table eleven = {2, 13, -9, 0};
    for (int clicked = 1; clicked <= 11; ++clicked)
        EXPECT_EQ(upperFor("a*xy*b", 13, clicked, eleven), (Selection{2, 2})) << clicked;
    // The last lower character lies after the expansion: same distance from the end.
    EXPECT_EQ(upperFor("a*xy*b", 13, 12, eleven), (Selection{5, 1}));
    // Before the first expansion: the plain case.
    EXPECT_EQ(upperFor("a*xy*b", 13, 0, eleven), (Selection{0, 1}));
}

TEST(BackwardSync, BetweenTwoExpansionsTheSameCharacterIsFound) {
    // "*a*bc*d*": both abbreviations expand to one character, lower "AbcD".
    const Table table = {1, 2, 0, 4, 5, 0, 0};
    EXPECT_EQ(upperFor("*a*bc*d*", 4, 2, table), (Selection{4, 1}));
    EXPECT_EQ(upperFor("*a*bc*d*", 4, 1, table), (Selection{3, 1}));
    EXPECT_EQ(upperFor("*a*bc*d*", 4, 3, table), (Selection{6, 1}));
}

TEST(BackwardSync, SymbolsBeforeAnyGroupMapToTheirCodeCharacters) {
    const Table none = {0, 0, 0, 0};
    // "x#ab#y" shows as "xABy".
    EXPECT_EQ(upperFor("x#ab#y", 4, 0, none), (Selection{0, 1}));
    EXPECT_EQ(upperFor("x#ab#y", 4, 1, none), (Selection{2, 1}));
    EXPECT_EQ(upperFor("x#ab#y", 4, 2, none), (Selection{3, 1}));
    // The offset falls on the closing "#": the character after it.
    EXPECT_EQ(upperFor("x#ab#y", 4, 3, none), (Selection{5, 1}));
}

TEST(BackwardSync, TheTailStepsLeftOverHashMarksAndStaysInTheText) {
    // "*a*#bc#" with "a" expanded to one character: lower text "ABC". The
    // estimate steps left by one less than the marks it counts behind e.
    const Table table = {1, 2, 0, 0};
    EXPECT_EQ(upperFor("*a*#bc#", 3, 2, table), (Selection{6, 1}));
    // Two marks behind e: the stretch before e widens until it would start
    // before the text ("*a*#b#c#d" shows as "ABc#d").
    EXPECT_EQ(upperFor("*a*#b#c#d", 5, 2, table), (Selection{1, 1}));
    EXPECT_EQ(upperFor("*a*######", 1, 1, table).start >= 0, true);
    EXPECT_EQ(upperFor("*a*##", 40, 0, table).start >= 0, true);
}
