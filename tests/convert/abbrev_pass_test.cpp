#include "convert/abbrev_pass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "literal_forward.h"

using convert::AbbTable;
using convert::DisplayLength;
using convert::ExpansionTable;

namespace {

struct Expanded {
    std::string text;
    ExpansionTable table;
};

Expanded expand(std::string text, const std::vector<std::string>& lines) {
    AbbTable table(lines);
    Expanded e;
    e.table = convert::AbbreviationPass(text, table, [] { return true; });
    e.text = text;
    return e;
}

using Slots = std::vector<std::int32_t>;

}  // namespace

TEST(DisplayLength, EscapesCountOneCharacter) {
    EXPECT_EQ(DisplayLength("abc"), 3);
    EXPECT_EQ(DisplayLength("\\u1575?"), 1);
    EXPECT_EQ(DisplayLength("\\'e4x"), 2);
    EXPECT_EQ(DisplayLength("a\r\nb"), 4);
    EXPECT_EQ(DisplayLength("\\{\\b"), 4);
    // A "\u" whose "?" comes after the next "\" is not an escape.
    EXPECT_EQ(DisplayLength("\\u12\\u3?"), 5);
    EXPECT_EQ(DisplayLength("\\u12"), 4);
}

TEST(DisplayLength, GrowingTextGivesTheLengthOfEachPrefix) {
    const std::string text = "x\\u1575?\\'e4\\u1\\b?\\'";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        convert::DisplayLengthCounter counter;
        counter.Feed(text.substr(0, cut / 2));
        counter.Feed(text.substr(cut / 2, cut - cut / 2));
        EXPECT_EQ(counter.Value(), literal::displayLength(text.substr(0, cut))) << cut;
    }
}

TEST(AbbreviationPass, ExpandsGroupsAndRecordsTheirPlaces) {
    Expanded e = expand("*ty*", {"ty=Truly yours", ""});
    EXPECT_EQ(e.text, "Truly yours");
    EXPECT_EQ(e.table.ExpPosCount, 3);
    EXPECT_EQ(e.table.ExpPos, (Slots{1, 12, -9, 0}));

    e = expand("x*ty* *ty*", {"ty=Truly yours", ""});
    EXPECT_EQ(e.text, "xTruly yours Truly yours");
    EXPECT_EQ(e.table.ExpPos, (Slots{2, 13, -9, 14, 25, -9, 0}));
}

TEST(AbbreviationPass, WithoutGroupsTheTableIsFourZeros) {
    for (const char* text : {"plain", "*abc", "a ** b *cd*", "**"}) {
        const Expanded e = expand(text, {"cd=X", "ab=Y", ""});
        EXPECT_EQ(e.text, text);
        EXPECT_EQ(e.table.ExpPosCount, 0);
        EXPECT_EQ(e.table.ExpPos, (Slots{0, 0, 0, 0}));
    }
}

TEST(AbbreviationPass, DoubleStarsEndThePassOnlyWhereAGroupWouldOpen) {
    EXPECT_EQ(expand("*ab**cd*", {"ab=1", "cd=2", ""}).text, "12");
    EXPECT_EQ(expand("*ab* ** *cd*", {"ab=1", "cd=2", ""}).text, "1 ** *cd*");
}

TEST(AbbreviationPass, EntriesApplyInListOrderToEachOthersResults) {
    const std::vector<std::string> untraced = {"AGE=how old are you", "CAGE=you can swallow a cage but not cage a swallow",
                                               ""};
    EXPECT_EQ(expand("*CAGE*", untraced).text, "Chow old are you");
    std::vector<std::string> traced = untraced;
    convert::TraceAbbList(traced);
    EXPECT_EQ(expand("*CAGE*", traced).text, "you can swallow a cage but not cage a swallow");

    EXPECT_EQ(expand("*a*", {"a=bc", "c=d", ""}).text, "bd");
    EXPECT_EQ(expand("*xxyxx*", {"xx=", "=yy", "y", "a=b=c", ""}).text, "y");
    EXPECT_EQ(expand("*a*", {"a=b=c", ""}).text, "b=c");
    EXPECT_EQ(expand("*TY*", {"ty=Truly yours", ""}).text, "TY");
    // A group that matches nothing still loses its stars and gets its places.
    const Expanded e = expand("*zz*", {"ty=Truly yours", ""});
    EXPECT_EQ(e.text, "zz");
    EXPECT_EQ(e.table.ExpPos, (Slots{1, 3, 0, 0}));
}

TEST(AbbreviationPass, PlacesCountEscapesAsOneCharacter) {
    Expanded e = expand("\\u1575?*a*", {"a=\\u1575?", ""});
    EXPECT_EQ(e.table.ExpPos, (Slots{2, 3, 0, 0}));
    e = expand("*a*", {"a=\\'e4x", ""});
    EXPECT_EQ(e.table.ExpPos, (Slots{1, 3, -1, 0}));
    // A symbol from the "#" pass stands before the group (a star in a "#"
    // group has no cell and survives that pass).
    e = expand("\\u1575?*\\u1575?*", {""});
    EXPECT_EQ(e.text, "\\u1575?\\u1575?");
    EXPECT_EQ(e.table.ExpPos, (Slots{2, 3, 6, 0}));
}

TEST(AbbreviationPass, AListThatIsNotReadyEndsThePassAtTheFirstStar) {
    std::string text = "x*ty*";
    int asked = 0;
    const ExpansionTable t = convert::AbbreviationPass(text, AbbTable({"ty=T", ""}), [&] {
        ++asked;
        return false;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(text, "x*ty*");
    EXPECT_EQ(t.ExpPos, (Slots{0, 0, 0, 0}));
    // Without any "*" the list is not asked for.
    std::string plain = "plain";
    convert::AbbreviationPass(plain, AbbTable(), [&] {
        ++asked;
        return true;
    });
    EXPECT_EQ(asked, 1);
}

TEST(TraceAbbList, LongestAbbreviationsFirstInTheExchangeLoopsOrder) {
    std::vector<std::string> list = {"ab=1", "cd=2", "xyz=9", "ef=3", ""};
    convert::TraceAbbList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"xyz=9", "cd=2", "ef=3", "ab=1", ""}));
}

namespace {

std::string randomChunk(std::mt19937& rng, const std::vector<std::string>& parts, size_t maxLen) {
    std::string s;
    const size_t n = rng() % (maxLen + 1);
    while (s.size() < n) s += parts[rng() % parts.size()];
    return s;
}

std::vector<std::string> randomList(std::mt19937& rng) {
    static const std::vector<std::string> abbParts = {"a", "b", "ab", "c", "\\", "u", "*", "'", "=", "?"};
    static const std::vector<std::string> meaningParts = {"a", "b", "c", "x", "\\u1575?", "\\'e4", "*", "=", "?",
                                                          "\\", "\r\n", "ab"};
    std::vector<std::string> list;
    const size_t n = rng() % 25;
    for (size_t i = 0; i < n; ++i) {
        switch (rng() % 8) {
        case 0: list.push_back(randomChunk(rng, meaningParts, 4)); break;  // usually no "="
        case 1: list.push_back(literal::cat({"=", randomChunk(rng, meaningParts, 3)})); break;
        default:
            list.push_back(literal::cat(
                {randomChunk(rng, abbParts, 3), "=", randomChunk(rng, rng() % 10 ? meaningParts : abbParts, 5)}));
        }
    }
    list.emplace_back();
    return list;
}

}  // namespace

TEST(AbbreviationPass, AgreesWithTheStepByStepPassOnRandomTexts) {
    static const std::vector<std::string> textParts = {"*", "*", "*", "a", "b", "c", "ab", "\\u1575?", "\\'e4", "\\",
                                                       "u", "?", "#", "\r\n", "x", "=", "'"};
    std::mt19937 rng(1848);
    for (int round = 0; round < 4000; ++round) {
        const std::vector<std::string> list = randomList(rng);
        const AbbTable table(list);
        for (int t = 0; t < 5; ++t) {
            const std::string text = randomChunk(rng, textParts, round % 10 == 0 ? 300 : 40);
            const literal::AbbResult expected = literal::abbreviationPass(text, list);
            std::string actual = text;
            const ExpansionTable places = convert::AbbreviationPass(actual, table, [] { return true; });
            ASSERT_EQ(actual, expected.work) << "round " << round << " text " << text;
            ASSERT_EQ(places.ExpPos, expected.expPos) << "round " << round << " text " << text;
            ASSERT_EQ(places.ExpPosCount, expected.expPosCount);
        }
    }
}

// Rows: short groups; groups long enough for many pieces, whose keys lie
// inside each other, inside meanings and inside themselves ("aba" in
// "ababa"); meanings that grow until the pieces give way to the whole text.
TEST(AbbreviationPass, AgreesWithTheStepByStepPassOnLongListsAndGroups) {
    struct Shape {
        int rounds, entries, groups, groupLength;
        const char *abbLetters, *meaningLetters, *textLetters;
        size_t meaningLengths, perAbbLetter;  // a meaning is shorter than the first and as many per letter
    };
    for (const Shape& shape : {Shape{40, 400, 20, 30, "abcde", "ABCDEFGab", "abcdefg", 6, 0},
                               Shape{10, 400, 3, 3000, "abcde", "ABCDEFGab", "abcdefg", 6, 0},
                               Shape{20, 60, 2, 2000, "abc", "abcX", "abc", 1, 1},
                               Shape{10, 30, 2, 1500, "ab", "ab", "ab", 2, 1},
                               Shape{4, 12, 1, 300, "a", "ab", "ab", 4, 1}}) {
        std::mt19937 rng(77);
        for (int round = 0; round < shape.rounds; ++round) {
            std::vector<std::string> list;
            auto letter = [&](const char* letters) { return letters[rng() % std::strlen(letters)]; };
            for (int i = 0; i < shape.entries; ++i) {
                std::string abb, meaning;
                for (size_t k = 1 + rng() % 4; k > 0; --k) abb.push_back(letter(shape.abbLetters));
                // Mostly no longer than the abbreviation, so the text does not grow without end.
                for (size_t k = rng() % (shape.meaningLengths + shape.perAbbLetter * abb.size()); k > 0; --k)
                    meaning.push_back(letter(shape.meaningLetters));
                list.push_back(literal::cat({abb, "=", meaning}));
            }
            list.emplace_back();
            if (round % 2) convert::TraceAbbList(list);
            std::string text;
            for (int g = 0; g < shape.groups; ++g) {
                text += " x *";
                for (size_t k = 1 + rng() % static_cast<size_t>(shape.groupLength); k > 0; --k)
                    text.push_back(letter(shape.textLetters));
                text += "*";
            }
            const literal::AbbResult expected = literal::abbreviationPass(text, list);
            std::string actual = text;
            const ExpansionTable places = convert::AbbreviationPass(actual, AbbTable(list), [] { return true; });
            ASSERT_EQ(actual, expected.work) << "round " << round << " of " << shape.groupLength;
            ASSERT_EQ(places.ExpPos, expected.expPos);
        }
    }
    // Over 4 KB, where "a" replaces all over and the whole text is rewritten:
    // the longest key forms only where it ends in an inserted meaning.
    std::string text = "*bb";
    for (int k = 0; k < 1500; ++k) text += "bbba";
    text += "*";
    const std::vector<std::string> list = {"a=X", "bbbX=Z", ""};
    std::string actual = text;
    convert::AbbreviationPass(actual, AbbTable(list), [] { return true; });
    EXPECT_EQ(actual, literal::abbreviationPass(text, list).work);
}
// Keys as long as their groups, keys that overlap themselves or lie inside
// each other, in groups long enough that a search from every place of a
// group would cost its square; some replace all over the group first.
TEST(AbbreviationPass, LongKeysAgreeWithTheStepByStepPass) {
    const std::string x(3000, 'x'), half(1500, 'x');
    std::string abab;
    while (abab.size() < 3000) abab += "ab";
    struct Row {
        std::vector<std::string> list;
        std::string group;
    };
    for (const Row& row : {Row{{x + "=m", ""}, x},
                           Row{{half + "=m", ""}, x + "x"},
                           Row{{half + "=x", "y=x", ""}, x + "yyy"},
                           Row{{"xxxx=1", "xx=x", "x=2", "xy=3", ""}, x + "y"},
                           Row{{abab.substr(0, 1001) + "=b", "ba=a", ""}, abab},
                           Row{{"c=d", half + "y=m", ""}, std::string(3000, 'c') + x + "y"}}) {
        const std::string text = " *" + row.group + "* *" + row.group + "*";
        const literal::AbbResult expected = literal::abbreviationPass(text, row.list);
        std::string actual = text;
        const ExpansionTable places = convert::AbbreviationPass(actual, AbbTable(row.list), [] { return true; });
        EXPECT_EQ(actual, expected.work) << row.list[0].substr(0, 8);
        EXPECT_EQ(places.ExpPos, expected.expPos) << row.list[0].substr(0, 8);
    }
}

TEST(WorkBound, SixtyFourMegabytesOrSixtyFourTimesTheStartWhicheverIsMore) {
    EXPECT_EQ(convert::WorkBound::For(0).bytes, size_t{64} << 20);
    EXPECT_EQ(convert::WorkBound::For(size_t{1} << 20).bytes, size_t{64} << 20);
    EXPECT_EQ(convert::WorkBound::For(size_t{2} << 20).bytes, size_t{128} << 20);
    EXPECT_EQ(convert::WorkBound::For(SIZE_MAX / 2).bytes, SIZE_MAX);
    EXPECT_EQ(convert::WorkBound{100}.Left(30), 70u);
    EXPECT_EQ(convert::WorkBound{100}.Left(130), 0u);
}

// "a=aa" entered again and again: every entry doubles the group.
TEST(AbbreviationPass, MeaningsThatExpandIntoEachOtherStopAtTheBound) {
    auto doubling = [](int entries) {
        std::vector<std::string> lines(static_cast<size_t>(entries), "a=aa");
        lines.emplace_back();
        return AbbTable(lines);
    };
    const auto ready = [] { return true; };
    std::string work = "x *a* y *a*";
    try {
        convert::AbbreviationPass(work, doubling(7), ready, convert::WorkBound{100});
        ADD_FAILURE() << "no stop";
    } catch (const convert::RunawayExpansion& stopped) {
        EXPECT_EQ(stopped.What(), convert::Runaway::ListMeanings);
    }
    EXPECT_EQ(work, "x *a* y *a*");
    // The second group would take the text past the bound, the first not.
    EXPECT_THROW(convert::AbbreviationPass(work, doubling(6), ready, convert::WorkBound{100}), convert::RunawayExpansion);
    EXPECT_EQ(work, "x *a* y *a*");
    // Up to the bound itself the text may grow.
    work = "x *a* y *aaa*";
    convert::AbbreviationPass(work, doubling(4), ready, convert::WorkBound{2 + 16 + 3 + 48});
    EXPECT_EQ(work, "x " + std::string(16, 'a') + " y " + std::string(48, 'a'));

    // The bound for real lets a megabyte of one letter through (the main
    // window's tests take the conversion to the bound itself).
    work = "*a*";
    convert::AbbreviationPass(work, doubling(20), ready, convert::WorkBound::For(work.size()));
    EXPECT_EQ(work.size(), size_t{1} << 20);
}
