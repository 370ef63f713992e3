#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "assign/cells.h"
#include "rtf/reader.h"
#include "rtf/writer.h"
#include "store/store.h"

using namespace assign;

namespace {

// A box's RTF in the shape our rich-text control writes it.
std::string boxRtf(const std::string& body, int size = 12, const std::string& face = "Arial", int charset = 0) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" + std::to_string(charset) + " " +
           face + ";}}\r\n\\uc1\\pard\\f0\\fs" + std::to_string(2 * size) + body + "\\par\r\n}\r\n" +
           std::string(1, '\0');
}

// The collection rule for a box whose RTF is at hand.
std::string collect(std::string_view text, std::string_view caption, const std::string& rtf, const std::string& stored,
                    bool lockUni, int cellFontSize) {
    return CollectCell(text, caption, [&] { return rtf; }, stored, lockUni, cellFontSize);
}

std::vector<int> range(int first, int last) {
    std::vector<int> v;
    for (int n = first; n <= last; ++n) v.push_back(n);
    return v;
}

std::vector<int> concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

struct Column {
    int boxLeft, labelLeft;
    std::vector<int> codes;
    int firstTop, lastTop;
};

// Each column read from top to bottom, checked cell by cell.
void expectColumns(const std::vector<CellPlace>& cells, const std::vector<Column>& columns) {
    std::map<int, CellPlace> byCode;
    for (const auto& c : cells) byCode[c.code] = c;
    size_t total = 0;
    for (const auto& col : columns) {
        total += col.codes.size();
        for (size_t i = 0; i < col.codes.size(); ++i) {
            const int code = col.codes[i];
            ASSERT_TRUE(byCode.count(code)) << code;
            const CellPlace& p = byCode[code];
            EXPECT_EQ(p.box.left, col.boxLeft) << code;
            EXPECT_EQ(p.box.top, col.firstTop + 360 * static_cast<int>(i)) << code;
            EXPECT_EQ(p.label, (TwipsRect{col.labelLeft, p.box.top, 975, 345})) << code;
        }
        EXPECT_EQ(byCode[col.codes.back()].box.top, col.lastTop);
    }
    EXPECT_EQ(cells.size(), total);
    EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end(),
                               [](const CellPlace& a, const CellPlace& b) { return a.code < b.code; }));
}

}  // namespace

TEST(CellPlaces, PageOneStandsInFiveColumns) {
    const auto& cells = Page1Cells();
    expectColumns(cells, {{1200, 240, {64, 65}, 5760, 6120},
                          {3240, 2280, range(66, 81), 720, 6120},
                          {5280, 4320, concat({range(82, 91), range(93, 98)}), 720, 6120},
                          {7320, 6360, range(99, 114), 720, 6120},
                          {9360, 8400, concat({range(115, 122), {124}, range(126, 132)}), 720, 6120}});
    for (const auto& c : cells) EXPECT_EQ(c.box.width, 1095) << c.code;
    for (const auto& c : cells) EXPECT_EQ(c.box.height, 345) << c.code;
}

TEST(CellPlaces, PageTwoStandsInSixColumnsWithItsWiderAndTallerBoxes) {
    const auto& cells = Page2Cells();
    expectColumns(cells, {{1200, 240, range(133, 148), 2160, 7560},
                          {3000, 2040, range(149, 168), 720, 7560},
                          {4800, 3840, range(169, 190), 0, 7560},
                          {6600, 5640, range(191, 212), 0, 7560},
                          {8400, 7440, range(213, 234), 0, 7560},
                          {10200, 9240, range(235, 255), 0, 7200}});
    const std::set<int> taller{190, 191, 192, 193, 201, 202};
    for (const auto& c : cells) {
        EXPECT_EQ(c.box.width, c.code >= 149 && c.code <= 169 ? 885 : 855) << c.code;
        EXPECT_EQ(c.box.height, taller.count(c.code) ? 375 : 345) << c.code;
    }
}

TEST(CellPlaces, PageTwoStackingNamesEveryBoxOnce) {
    auto order = Page2StackingOrder();
    ASSERT_EQ(order.size(), 123u);
    EXPECT_EQ(std::vector<int>(order.begin() + 53, order.begin() + 61),
              (std::vector<int>{195, 196, 186, 187, 188, 189, 197, 213}));
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, range(133, 255));
}

TEST(CellTexts, LabelCaptionsCarryTheCharacterSecondAndTheCodeInFourPlaces) {
    EXPECT_EQ(LabelCaption(64), " @  64");
    EXPECT_EQ(LabelCaption(100), " d 100");
    EXPECT_EQ(LabelCaption(255), " \xff 255");
    for (int code : store::CellCodes()) {
        const std::string cap = LabelCaption(code);
        ASSERT_EQ(cap.size(), 6u);
        EXPECT_EQ(static_cast<unsigned char>(cap[1]), code);
        EXPECT_EQ(std::stoi(cap.substr(2)), code);
    }
}

TEST(CellTexts, TheCellStringFollowsTheSizeNumberDirectly) {
    EXPECT_EQ(CellDocument("\\u1575?", "Arial", 0, 12),
              "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24\\u1575?}");
    EXPECT_EQ(CellDocument("", "Arial", 0, 12), "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24}");
}

TEST(UnicodeEntry, FourHexDigitsInEitherCaseGiveTheSignedValue) {
    EXPECT_EQ(ParseUnicodeEntry("U+042E"), 1070);
    EXPECT_EQ(ParseUnicodeEntry("U+042e"), 1070);
    EXPECT_EQ(ParseUnicodeEntry("U+0000"), 0);
    EXPECT_EQ(ParseUnicodeEntry("U+7FFF"), 32767);
    EXPECT_EQ(ParseUnicodeEntry("U+8000"), -32768);
    EXPECT_EQ(ParseUnicodeEntry("U+ffff"), -1);
    EXPECT_EQ(UnicodeEscape(-32768), "\\u-32768?");
}

TEST(UnicodeEntry, AnythingElseIsNoCode) {
    for (const char* text : {"u+042E", "U+42E", "U+042E ", "U+0042E", "U+12G4", "U+ 123", "U+-123", "U-042E", ""})
        EXPECT_FALSE(ParseUnicodeEntry(text)) << text;
}

TEST(CellCut, TakesWhatFollowsTheSizeWordUpToTheTail) {
    EXPECT_EQ(CutCellString(boxRtf(""), 12), "");
    EXPECT_EQ(CutCellString(boxRtf("\\u1488?"), 12), "\\u1488?");
    EXPECT_EQ(CutCellString(boxRtf("\\'e0", 14, "Times New Roman", 177), 14), "\\'e0");
    EXPECT_EQ(CutCellString(boxRtf(" x"), 12), " x");
    // One-, two- and three-digit sizes.
    EXPECT_EQ(CutCellString(boxRtf(" x", 4), 4), " x");
    EXPECT_EQ(CutCellString(boxRtf(" x", 50), 50), " x");
}

TEST(CellCut, OnlyTheExactSizeWordIsTheNeedle) {
    // "\fs240" is not "\fs24", and a face name may hold the same letters.
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset0 Offs24;}}\r\n\\uc1\\pard\\f0\\fs240 a\\fs24 b"
                            "\\par\r\n}\r\n" + std::string(1, '\0');
    EXPECT_EQ(CutCellString(rtf, 12), " b");
}

TEST(CellCut, MissingSizeWordOrTooShortGivesNothing) {
    EXPECT_FALSE(CutCellString(boxRtf(" x"), 13));
    EXPECT_FALSE(CutCellString("\\fs24\\par}", 12));
    EXPECT_FALSE(CutCellString("", 12));
    EXPECT_EQ(CutCellString("\\fs24\\par\r\n}\r\n" + std::string(1, '\0'), 12), "");
}

TEST(CellCut, LineBreaksNeverEnterACellString) {
    // Two paragraphs: the break after "\par" delimits the word, so a blank
    // takes its place and "b" stays text.
    EXPECT_EQ(CutCellString(boxRtf(" a\\par\r\nb"), 12), " a\\par b");
    EXPECT_EQ(WithoutLineBreaks("a\r\nb"), "ab");
    EXPECT_EQ(WithoutLineBreaks("\\par \r\nb"), "\\par b");
    EXPECT_EQ(WithoutLineBreaks("\\fs-2\r\n3"), "\\fs-2 3");
    EXPECT_EQ(WithoutLineBreaks("\\ab-\r\nc"), "\\ab -c");
    EXPECT_EQ(WithoutLineBreaks("\\\\par\r\nx"), "\\\\parx");
    EXPECT_EQ(WithoutLineBreaks("\\'0d\r\n\\'0a"), "\\'0d\\'0a");
    EXPECT_EQ(WithoutLineBreaks("x\\\r\ny"), "x\\par y");
    EXPECT_EQ(WithoutLineBreaks("\\par\r\n"), "\\par");
    // The fragment itself follows the size word's digits.
    EXPECT_EQ(WithoutLineBreaks("7\r\n7"), "7 7");
    EXPECT_EQ(WithoutLineBreaks("x\r\n7"), "x7");
}

TEST(CellRule, OwnCharacterAndEmptyBoxClearTheCellWhateverLockUniSays) {
    const std::string caption = LabelCaption(65);
    EXPECT_EQ(collect("A", caption, boxRtf(" A"), "\\u1070?", true, 12), "");
    EXPECT_EQ(collect("", caption, boxRtf(""), "\\u1070?", true, 12), "");
    EXPECT_EQ(collect("\xc3", LabelCaption(195), boxRtf("\\'c3"), "\\u913?", true, 12), "");
    // Their RTF is not read: the box keeps its size.
    const auto unread = [] {
        ADD_FAILURE() << "the RTF of a box whose text decides was read";
        return std::string();
    };
    EXPECT_EQ(CollectCell("A", caption, unread, "\\u1070?", false, 12), "");
    EXPECT_EQ(CollectCell("U+0416", caption, unread, "", false, 12), "\\u1046?");
}

TEST(CellRule, OtherTextsOfTheCellsOwnLetterGoThroughTheRtf) {
    const std::string caption = LabelCaption(65);
    EXPECT_EQ(collect("a", caption, boxRtf(" a"), "", false, 12), " a");
    EXPECT_EQ(collect("AA", caption, boxRtf(" AA"), "", false, 12), " AA");
    EXPECT_EQ(collect("A\r\n", caption, boxRtf(" A\\par\r\n"), "", false, 12), " A\\par");
}

TEST(CellRule, ATypedCodeReplacesEvenAProtectedCell) {
    const std::string caption = LabelCaption(70);
    EXPECT_EQ(collect("U+0416", caption, "", "\\u1070?", true, 12), "\\u1046?");
    EXPECT_EQ(collect("U+042e", caption, "", "", false, 12), "\\u1070?");
    EXPECT_EQ(collect("U+FFFF", caption, "", "", false, 12), "\\u-1?");
    // Not hexadecimal: taken as text through the RTF.
    EXPECT_EQ(collect("U+12G4", caption, boxRtf(" U+12G4"), "", false, 12), " U+12G4");
}

TEST(CellRule, LockUniKeepsOnlyStoredUnicodeEscapes) {
    const std::string caption = LabelCaption(70);
    const std::string rtf = boxRtf("\\'ce", 12, "Arial", 204);
    EXPECT_EQ(collect("?", caption, rtf, "\\u1070?", true, 12), "\\u1070?");
    EXPECT_EQ(collect("?", caption, rtf, "\\'c0", true, 12), "\\'ce");
    EXPECT_EQ(collect("?", caption, rtf, "\\U1070?", true, 12), "\\'ce");
    EXPECT_EQ(collect("?", caption, rtf, " \\u1070?", true, 12), "\\'ce");
    EXPECT_EQ(collect("?", caption, rtf, "\\u1070?", false, 12), "\\'ce");
}

TEST(CellRule, AFailedCutKeepsTheStoredString) {
    const std::string caption = LabelCaption(70);
    EXPECT_EQ(collect("x", caption, boxRtf(" x", 12), "\\'c0", false, 14), "\\'c0");
    EXPECT_EQ(collect("x", caption, "\\fs24", "\\'c0", false, 12), "\\'c0");
}

// Taking the line breaks out must not change what a reader makes of the text.
TEST(CellCut, WithoutLineBreaksKeepsTheMeaningOfRandomBodies) {
    const std::vector<std::string> tokens{"\\par", "\\b", "\\b0", "\\fs24", "\\fs-2", "\\u1070?", "\\'e0", "\\'5c",
                                          "a", "b", "7", " ", "\\par ", "\\\\", "\\{", "x1", "-", "\\", "\\ul", ";", "\\fs"};
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::string body;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            body += tokens[random() % tokens.size()];
            if (random() % 3 == 0) body += random() % 2 ? "\r\n" : "\n";
        }
        const auto document = [](const std::string& b) {
            return rtf::write(rtf::read("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\f0\\fs24" + b + "}",
                                        rtf::CharFormat{}));
        };
        const std::string stripped = WithoutLineBreaks(body);
        ASSERT_EQ(stripped.find_first_of("\r\n"), std::string::npos) << body;
        ASSERT_EQ(document(stripped), document(body)) << body;
    }
}

// Whatever made the box's RTF take another shape: a box that shows text never
// wipes its cell.
TEST(CellRule, ACutThatGivesNothingForTheTextShownKeepsTheStoredString) {
    const std::string caption = LabelCaption(70);
    const std::string sizeWordLast = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n\\uc1\\pard x\\f0\\fs24"
                                     "\\par\r\n}\r\n" + std::string(1, '\0');
    EXPECT_EQ(collect("x", caption, sizeWordLast, "\\u1070?", false, 12), "\\u1070?");
    EXPECT_EQ(collect("x", caption, sizeWordLast, "", false, 12), "");
    // Without the writer's tail the cut would take part of something else.
    std::string noTail = boxRtf("\\u945?");
    noTail.pop_back();
    EXPECT_EQ(collect("x", caption, noTail, "\\u1070?", false, 12), "\\u1070?");
}
