// The fast reverse conversion against the literal steps on random documents,
// symbol tables and lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/bed_list.h"
#include "convert/reverse.h"
#include "reverse_literal.h"
#include "support/testing.h"

namespace {

class Random : public testing_support::Random {
public:
    using testing_support::Random::Random;

    // Text made of fragments; now and then any byte.
    std::string Text(const std::vector<std::string>& fragments, size_t count) {
        std::string s;
        for (size_t i = 0; i < count; ++i)
            s += Chance(5) ? std::string(1, static_cast<char>(Below(256))) : Pick(fragments);
        return s;
    }
};

const std::vector<std::string> kCodings = {
    "\\'e0", "\\'e1", "\\'e0\\'e1", "\\'", "\\'e", "\\'e0 ", "\\u1488?", "\\u-3?", " x", "a", "ab",
    "b", "#", "*", "1", "\\f0", "0\\", "x#", "\\'7b", "\\'5c"};

const std::vector<std::string> kMeanings = {
    "Truly yours", "\\'b5", "\\'e0", "yours", "a", "ab", "x#", "*", "1", " ", "par", "\\f1", "fcharset0",
    "\\u1488?", "e0", "*a*", "0 "};

const std::vector<std::string> kAbbreviations = {"ty", "mu", "1", "a", "x", "12", " ", "#", "ab", "Z",
                                                 "Truly yours and more"};

const std::vector<std::string> kFragments = {
    "*", "*", "#", "#", "**", "\\", "'", "{", "}", " ", " ", "1", "12", ", ", "a", "b", "x", "ab",
    "Truly yours", "yours", "\\'e0", "\\'e1", "\\'E0", "\\'7b", "\\'7d", "\\'7e", "\\'7f", "\\'5c", "\\'b5",
    "\\'81", "\\u1488?", "\\u-3?", "\\f0", "\\f0 ", "\\f1", "\\f1 ", "\\f12", "\\fs24", "\\fs24 ", "\\fs12",
    "\\fs120", "\\fs6", "{\\f0\\fnil\\fcharset0 Arial;}", "{\\f1\\fnil\\fcharset177 Times;}",
    "{\\f2\\fnil\\fcharset2 Symbol;}", "\\fcharset204", "\\deff0", "\\deff1", "\\par\r\n", "\\pard", "\\par ",
    "\\lang1033", "\\lang", "\\kerning1", "\\kerning", "\\rtlch", "\\ltrch", "\\rtl", "\\ltrpar", "\\b ",
    "\\cf0", "\\cell", "\\row", "=", "\r\n", "\\]", "\\\\", "e0", "fs", "24"};

std::string RandomDocument(Random& r) {
    std::string body = r.Text(kFragments, r.Below(60));
    if (r.Chance(20)) return body;
    std::string fonts;
    const size_t nFonts = 1 + r.Below(3);
    for (size_t i = 0; i < nFonts; ++i) {
        static const std::vector<std::string> sets = {"0", "177", "2", "204", "1", "17"};
        fonts += "{\\f" + std::to_string(i) + "\\fnil\\fcharset" + r.Pick(sets) + " Font" + std::to_string(i) + ";}";
    }
    return "{\\rtf1\\ansi\\ansicpg1252\\deff" + std::to_string(r.Below(2)) + "{\\fonttbl" + fonts + "}\r\n\\uc1\\pard\\f0\\fs" +
           std::to_string(2 * (6 + r.Below(8))) + (r.Chance(50) ? " " : "") + body + "\\par\r\n}\r\n" +
           std::string(1, '\0');
}

convert::CellTable RandomCells(Random& r) {
    convert::CellTable cells{};
    const int percent = static_cast<int>(r.Below(40));
    for (int n = 64; n <= 255; ++n)
        if (r.Chance(percent)) cells[static_cast<size_t>(n)] = r.Pick(kCodings);
    return cells;
}

std::vector<std::string> RandomList(Random& r) {
    std::vector<std::string> list;
    const size_t n = r.Below(12);
    for (size_t i = 0; i < n; ++i) {
        switch (r.Below(8)) {
        case 0: list.push_back(""); break;
        case 1: list.push_back("=" + r.Pick(kMeanings)); break;
        case 2: list.push_back(r.Pick(kMeanings)); break;
        case 3: list.push_back(r.Pick(kAbbreviations) + "="); break;
        default: list.push_back(r.Pick(kAbbreviations) + "=" + r.Pick(kMeanings));
        }
    }
    list.push_back("");
    return list;
}

}  // namespace

TEST(ReconvertOracle, RecognitionMatchesTheLiteralSteps) {
    Random r(20240601);
    const std::vector<int> sets = {0, 177, 2, 1, 17};
    const std::vector<int> sizes = {12, 6, 60, 3, 7};
    for (int round = 0; round < 4000; ++round) {
        const std::string doc = RandomDocument(r);
        const convert::CellTable cells = RandomCells(r);
        const std::vector<std::string> list = RandomList(r);
        const bool withList = r.Chance(80);
        const int charSet = r.Pick(sets);
        const int size = r.Pick(sizes);

        std::string expected = doc;
        literal::Recognize(expected, withList ? &list : nullptr, cells, charSet, size);
        std::string actual = doc;
        convert::RecognizeSymbols(actual, withList ? &list : nullptr, cells, charSet, size);
        ASSERT_EQ(actual, expected) << "round " << round << "\n" << doc;

        ASSERT_EQ(convert::CleanUpRtf(actual, size), literal::CleanUp(expected, size)) << "round " << round;
    }
}

TEST(ReconvertOracle, MeaningsMatchTheLiteralStepsOnDenseLists) {
    // Few letters, so that meanings overlap, repeat and match what earlier
    // entries put in; long lists and texts reach the one-search-per-entry paths.
    Random r(31337);
    auto word = [&r](size_t maxLength) {
        std::string w;
        for (size_t n = 1 + r.Below(maxLength); n > 0; --n) w += "ab*="[r.Below(r.Chance(10) ? 4 : 2)];
        return w;
    };
    for (int round = 0; round < 3000; ++round) {
        const bool large = round % 100 == 0;
        std::vector<std::string> list;
        for (size_t n = r.Below(large ? 40 : 10); n > 0; --n) list.push_back(word(r.Chance(5) ? 20 : 3) + "=" + word(4));
        std::string text;
        for (size_t n = r.Below(large ? 3000 : 40); n > 0; --n) text += "ab*x"[r.Below(4)];
        std::string expected = text;
        literal::Meanings(expected, list);
        std::string actual = text;
        convert::ReplaceMeanings(actual, list);
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text;
    }
    // Masses of overlapping occurrences, and many entries matching stars.
    std::vector<std::string> runs, stars;
    for (int n = 12; n > 0; --n) runs.push_back("b" + std::to_string(n) + "=" + std::string(static_cast<size_t>(n), 'a'));
    for (char c = 'c'; c < 'w'; ++c) {
        stars.push_back(std::string("A=") + c);
        stars.push_back("B=*A");
    }
    for (const auto& list : {runs, stars}) {
        std::string expected = std::string(2000, 'a') + "cdefghijklmnopqrstuvw";
        std::string actual = expected;
        literal::Meanings(expected, list);
        convert::ReplaceMeanings(actual, list);
        EXPECT_EQ(actual, expected);
    }
}

TEST(ReconvertOracle, RepeatedMeaningsMatchTheLiteralSteps) {
    // Many entries with one meaning, meanings inside other meanings and inside
    // abbreviations, meanings with stars: the one search must give what one
    // replacement per entry gives, also where the repeats are many enough to
    // pass the search's limit on occurrences had each entry been searched.
    Random r(8128);
    const std::vector<std::string> meanings = {"ab", "b", "aba", "ab*", "*a", "ba", "abab", "a"};
    for (int round = 0; round < 2000; ++round) {
        const bool large = round % 50 == 0;
        std::vector<std::string> list;
        for (size_t n = r.Below(large ? 600 : 30); n > 0; --n) {
            std::string abb;
            for (size_t k = 1 + r.Below(3); k > 0; --k) abb += "abxy"[r.Chance(25) ? r.Below(4) : 2 + r.Below(2)];
            list.push_back(abb + "=" + r.Pick(meanings));
        }
        if (r.Chance(50)) convert::TraceBedList(list);
        std::string text;
        for (size_t n = r.Below(large ? 4000 : 60); n > 0; --n) text += "abxy* "[r.Below(r.Chance(90) ? 2 : 6)];
        std::string expected = text;
        literal::Meanings(expected, list);
        std::string actual = text;
        convert::ReplaceMeanings(actual, list);
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text;
    }
    // A third of a long list sharing a few meanings that fill the text.
    std::vector<std::string> list;
    for (int i = 0; i < 3000; ++i) {
        const int meaning = i % 3 == 2 ? i / 3 % 4 : i;
        std::string line = "e";
        line += std::to_string(i);
        line += "=M";
        line += std::to_string(meaning);
        line += ';';
        list.push_back(line);
    }
    convert::TraceBedList(list);
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += 'M';
        text += std::to_string(i % 7 == 0 ? i : i % 4);
        text += "; ";
    }
    std::string expected = text;
    literal::Meanings(expected, list);
    convert::ReplaceMeanings(text, list);
    EXPECT_EQ(text, expected);
}

TEST(ReconvertOracle, ByteEscapeCellsMatchTheLiteralSearch) {
    Random r(77);
    const std::vector<std::string> tags = {"\\f0", "\\f1", "#a#", "\\'e", "e0\\"};
    for (int round = 0; round < 5000; ++round) {
        const std::string text = r.Text({"\\'e0", "\\'e0", "\\f0", "\\f1", "\\f12", "#", "a", "e", "0", "\\", "'"},
                                        r.Below(30));
        convert::FontTags fast;
        literal::Tags slow;
        if (r.Chance(85)) fast.SymbolFontTag = slow.symbol = r.Pick(tags);
        if (r.Chance(70)) fast.AnsiFontTag = slow.ansi = r.Pick(tags);
        const std::string coding = r.Pick(std::vector<std::string>{"\\'e0", "\\'e0\\'e0", "\\'", "\\'e", "\\'e0e"});
        std::string expected = text;
        literal::ReplaceCodeInSymbolFont(expected, coding, 'a', slow);
        std::string actual = text;
        convert::ReplaceCodeInSymbolFont(actual, coding, 'a', fast);
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text << " / " << coding;
    }
}

TEST(ReconvertOracle, CellsMatchTheLiteralStepsWithAnyTags) {
    // Dense texts of escapes, tags and marks; tags that groups can make or
    // that codings run through.
    Random r(2718);
    const std::vector<std::string> tags = {"\\f0", "\\f1", "#a#", "a#\\", "e0\\", "0\\'"};
    const std::vector<std::string> codings = {"\\'e0", "\\'e0\\'e0", "\\'", "\\'e", "#", "a", "b", "\\f1", "0\\f", "a#"};
    const std::vector<std::string> fragments = {"\\'e0", "\\'e0", "\\'e", "\\f0", "\\f1", "#", "a", "b", "e", "0", "\\", "'"};
    for (int round = 0; round < 5000; ++round) {
        const std::string text = r.Text(fragments, r.Below(round % 50 == 0 ? 400 : 30));
        convert::CellTable cells{};
        for (int code : {97, 98, 99, 100, 101, 0xe0}) {
            if (r.Chance(60)) cells[static_cast<size_t>(code)] = r.Pick(codings);
        }
        convert::FontTags fast;
        literal::Tags slow;
        if (r.Chance(85)) fast.SymbolFontTag = slow.symbol = r.Pick(tags);
        if (r.Chance(70)) fast.AnsiFontTag = slow.ansi = r.Pick(tags);
        std::string expected = text;
        literal::Cells(expected, cells, slow);
        std::string actual = text;
        convert::ReplaceCells(actual, cells, fast);
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text;
    }
}

TEST(ReconvertOracle, GroupFusionMatchesTheLiteralScan) {
    Random r(4242);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = r.Text({"#", "#", "#", "1", " ", ",", "a", "12", "@"}, r.Below(40));
        std::string expected = text;
        literal::Fuse(expected, '#');
        std::string actual = text;
        convert::FuseGroups(actual, '#');
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text;
    }
}

TEST(ReconvertOracle, CleanUpStepsMatchTheLiteralSteps) {
    Random r(99);
    const std::vector<std::string> fragments = {"\\", "\\", "lang", "f", "kerning", "1", "1025", " ", "s", "a", "\\'",
                                             "7b", "e4", "E4", "u", "par", "d", "rtl", "ltr", "ch", "]", "#", "'", "\r\n"};
    for (int round = 0; round < 20000; ++round) {
        const std::string text = r.Text(fragments, r.Below(30));
        std::string expected = text;
        literal::Escapes(expected);
        literal::WordLoops(expected);
        literal::Backslashes(expected);
        std::string actual = text;
        convert::DecodeByteEscapes(actual);
        convert::RemoveControlWords(actual);
        convert::RemoveBackslashes(actual);
        ASSERT_EQ(actual, expected) << "round " << round << ": " << text;
    }
}

TEST(ReconvertOracle, TraceBedListMatchesTheLiteralLoop) {
    Random r(5);
    for (int round = 0; round < 500; ++round) {
        std::vector<std::string> list = RandomList(r);
        for (size_t i = 0; i < list.size(); ++i) list[i] += std::string(r.Below(3), '=') + std::to_string(i);
        auto expected = list;
        literal::TraceBedList(expected);
        convert::TraceBedList(list);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}
