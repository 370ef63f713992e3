#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/reverse.h"

namespace {

using convert::CellTable;
using convert::FontTags;

const std::string kArial = "{\\f0\\fnil\\fcharset0 Arial;}";
const std::string kHebrew = "{\\f0\\fnil\\fcharset177 Times New Roman;}";

// The rich-text control's RTF: fixed head, the body after "\uc1", fixed tail.
std::string ControlRtf(const std::string& fonts, const std::string& body) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl" + fonts + "}\r\n\\uc1" + body + "\\par\r\n}\r\n" +
           std::string(1, '\0');
}

// Recognition, clean-up and the three trims, as "Reconvert" leaves the text.
std::string Reconvert(const std::string& rtf, const std::vector<std::string>* list, const CellTable& cells,
                      int charSet = 0, int fontSize = 12) {
    std::string w = rtf;
    convert::RecognizeSymbols(w, list, cells, charSet, fontSize);
    std::string text = convert::CleanUpRtf(w, fontSize);
    for (int step = 1; step <= 3; ++step)
        if (auto trimmed = convert::TrimResult(step, text)) text = *trimmed;
    return text;
}

std::string Fused(std::string text, char mark) {
    convert::FuseGroups(text, mark);
    return text;
}

template <class Step>
std::string Apply(std::string text, Step step) {
    step(text);
    return text;
}

struct Case {
    std::string in, out;
};

// Each input through one step gives its output.
template <class Step>
void ExpectEach(Step step, const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(Apply(c.in, step), c.out) << "input: " << c.in;
}

}  // namespace

// --- Whole documents ------------------------------------------------------------

TEST(Reconvert, PlainTextComesBackWithoutTheEnvelope) {
    CellTable cells{};
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24 x"), nullptr, cells), "x");
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24 ab\\par\r\ncd"), nullptr, cells), "ab\r\ncd");
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24\\par"), nullptr, cells), "");
}

TEST(Reconvert, SymbolsAndMeaningsBecomeQuotedCode) {
    CellTable cells{};
    cells['a'] = "\\u1488?";
    cells['b'] = "\\u1489?";
    const std::vector<std::string> list = {"ty=Truly yours", "mu=\\'b5"};
    const std::string rtf = ControlRtf(kArial, "\\pard\\f0\\fs24\\u1488?\\u1489? Truly yours \\'b5 x");
    // The two meaning groups are fused across the blank; the symbol pair stays one group.
    EXPECT_EQ(Reconvert(rtf, &list, cells), "#ab# *ty mu* x");
}

TEST(Reconvert, ByteEscapesOfTheSymbolFontBecomeSymbolsAndOthersDecode) {
    CellTable cells{};
    cells['a'] = "\\'e0";
    cells['b'] = "\\'e1";
    const std::string fonts = "{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset177 Times New Roman;}";
    const std::string rtf = ControlRtf(fonts, "\\pard\\f0\\fs24 x \\f1\\'e0\\'e0\\'e1\\f0 y\\'e0");
    // Both equal escapes in the symbol run are converted; the one in the
    // plain run is decoded as Windows-1252.
    EXPECT_EQ(Reconvert(rtf, nullptr, cells, 177), "x #aab#y\xe0");
}

TEST(Reconvert, SymbolFontOfCharacterSetZeroConvertsNoByteEscape) {
    CellTable cells{};
    cells['a'] = "\\'e4";
    cells['b'] = "\\u1489?";
    const std::string rtf = ControlRtf(kArial, "\\pard\\f0\\fs24\\'e4\\u1489?");
    EXPECT_EQ(Reconvert(rtf, nullptr, cells, 0), "\xe4#b#");
}

TEST(Reconvert, WithoutTheSymbolFontEntryNoByteEscapeIsConverted) {
    CellTable cells{};
    cells['a'] = "\\'e0";
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24\\'e0"), nullptr, cells, 177), "\xe0");
}

TEST(Reconvert, WithoutAPlainFontEveryByteEscapeOfTheSymbolFontIsConverted) {
    CellTable cells{};
    cells['a'] = "\\'e0";
    EXPECT_EQ(Reconvert(ControlRtf(kHebrew, "\\pard\\f0\\fs28 x\\'e0"), nullptr, cells, 177, 14), "x#a#");
}

TEST(Reconvert, KeepsTheDefinedLosses) {
    CellTable cells{};
    cells['@'] = "\\u1488?";
    // A group of characters below "A" loses its marks.
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24\\u1488?"), nullptr, cells), "@");
    // An escaped backslash typed as "\\" vanishes.
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24 a\\\\b"), nullptr, CellTable{}), "ab");
    // A digit abbreviation loses its stars.
    const std::vector<std::string> list = {"1=one"};
    EXPECT_EQ(Reconvert(ControlRtf(kArial, "\\pard\\f0\\fs24 one"), &list, CellTable{}), "1");
}

// --- Recognition --------------------------------------------------------------

TEST(ReconvertMeanings, ReplaceEverywhereInListOrder) {
    // Control words and the font table are searched too.
    EXPECT_EQ(Apply(std::string("\\pard\\par x"), [](std::string& t) { convert::ReplaceMeanings(t, {"P=par"}); }),
              "\\*P*d\\*P* x");
    // A shorter meaning is found again inside the group a longer one produced.
    EXPECT_EQ(Apply(std::string("xyz"), [](std::string& t) { convert::ReplaceMeanings(t, {"b=xyz", "c=b"}); }),
              "**c**");
    // Unusable lines recognise nothing.
    EXPECT_EQ(Apply(std::string("a=b x"), [](std::string& t) { convert::ReplaceMeanings(t, {"=x", "x", "", "a="}); }),
              "a=b x");
    // The meaning is everything after the first "=".
    EXPECT_EQ(Apply(std::string("b=c"), [](std::string& t) { convert::ReplaceMeanings(t, {"a=b=c"}); }), "*a*");
}

TEST(ReconvertStarGroups, JoinAcrossShortStretchesBelowA) {
    ExpectEach(convert::FuseStarGroups, {
        {"*ab* *cd*", "*ab cd*"},
        {"*ab*, *cd*", "*ab, cd*"},
        {"*ab*\\par\r\n*cd*", "*ab*\\par\r\n*cd*"},
        {"*ab**cd*", "*abcd*"},
        {"x *1* y", "x 1 y"},
    });
}

TEST(ReconvertFontTags, FoundTextually) {
    FontTags t = convert::FindFontTags("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset177 T;}}", 177);
    EXPECT_EQ(t.SymbolFontTag, "\\f1");
    EXPECT_EQ(t.AnsiFontTag, "\\f0");
    // Set 2 matches the beginning of an earlier 204.
    t = convert::FindFontTags("{\\f0\\fnil\\fcharset204 C;}{\\f1\\fnil\\fcharset2 S;}", 2);
    EXPECT_EQ(t.SymbolFontTag, "\\f0");
    EXPECT_FALSE(t.AnsiFontTag);
    // No symbol font entry: neither tag.
    t = convert::FindFontTags("{\\f0\\fnil\\fcharset0 Arial;}", 177);
    EXPECT_FALSE(t.SymbolFontTag);
    EXPECT_FALSE(t.AnsiFontTag);
}

TEST(ReconvertFontTags, DefaultFontTagFollowsTheSizeInPoints) {
    const FontTags tags{"\\f1", "\\f0"};
    // "\deff0" names the plain font: its tag goes behind the first "\fs12".
    EXPECT_EQ(Apply(std::string("\\deff0\\fs24 a\\fs12 b"), [&](std::string& t) { convert::InsertDefaultFontTag(t, tags, 12); }),
              "\\deff0\\fs24 a\\fs12\\f0 b");
    // Only where that number stands: the doubled size is left alone.
    EXPECT_EQ(Apply(std::string("\\deff0\\fs24 a"), [&](std::string& t) { convert::InsertDefaultFontTag(t, tags, 12); }),
              "\\deff0\\fs24 a");
    // A larger size that begins with those digits is split.
    EXPECT_EQ(Apply(std::string("\\deff1\\fs120 a"), [&](std::string& t) { convert::InsertDefaultFontTag(t, tags, 12); }),
              "\\deff1\\fs12\\f10 a");
}

TEST(ReconvertCells, LowerCodesFirstAndEmptyCellsNothing) {
    CellTable cells{};
    cells['A'] = "a";
    cells['B'] = "ab";
    EXPECT_EQ(Apply(std::string("ab"), [&](std::string& t) { convert::ReplaceCells(t, cells, {}); }), "#A#b");
    EXPECT_EQ(Apply(std::string("xyz"), [&](std::string& t) { convert::ReplaceCells(t, CellTable{}, {}); }), "xyz");
}

TEST(ReconvertCells, ByteEscapeOnlyWhereTheSymbolTagIsNearest) {
    const FontTags tags{"\\f1", "\\f0"};
    auto run = [&](std::string t) {
        convert::ReplaceCodeInSymbolFont(t, "\\'e0", 'a', tags);
        return t;
    };
    EXPECT_EQ(run("\\f1\\'e0\\'e0\\f0\\'e0"), "\\f1#a##a#\\f0\\'e0");
    // Before either tag nothing is converted.
    EXPECT_EQ(run("\\'e0\\f1"), "\\'e0\\f1");
    // A tag matches the start of a longer font number.
    EXPECT_EQ(run("\\f12\\'e0"), "\\f12#a#");
}

// --- Clean-up -----------------------------------------------------------------

TEST(ReconvertCut, BodyFollowsTheFirstSizeTag) {
    const std::string tail = "\\par\r\n}\r\n" + std::string(1, '\0');
    EXPECT_EQ(convert::CutEnvelope("{\\f0\\fs24 ab" + tail, 12), " ab");
    EXPECT_EQ(convert::CutEnvelope("{\\f0\\fs100 ab" + tail, 50), " ab");
    EXPECT_EQ(convert::CutEnvelope("{\\f0\\fs4\\u1?" + tail, 2), "\\u1?");
    EXPECT_EQ(convert::CutEnvelope("{\\rxyz" + tail, 12), "xyz");
    // Too short for the cut: an empty body.
    EXPECT_EQ(convert::CutEnvelope("{\\fs24 }", 12), "");
    EXPECT_EQ(convert::CutEnvelope("", 12), "");
}

TEST(ReconvertSymbolGroups, DoubleMarksAndFusion) {
    ExpectEach(convert::FuseSymbolGroups, {
        {"#a##b#", "#ab#"},
        {"###", "#"},
        {"#ab# #cd#", "#ab cd#"},
        {"#ab#12#cd#", "#ab12cd#"},
        {"#ab#, #cd#", "#ab, cd#"},
        {"#ab#123456#cd#", "#ab#123456#cd#"},
        {"#ab# A #cd#", "#ab# A #cd#"},
        {"#@#", "@"},
        {"#ab#", "#ab#"},
        {"x # y", "x # y"},
    });
    // A stretch whose marks an earlier fusion has consumed finds nothing.
    EXPECT_EQ(Fused("#1#2#", '#'), "12#");
}

TEST(ReconvertEscapes, LowerCaseHexOnlyAsWindows1252) {
    ExpectEach(convert::DecodeByteEscapes, {
        {"\\'e4\\'80\\'81\\'7f\\'7e\\'7c", "\xe4\x80\x81 ~|"},
        {"\\'7b\\'7d", "\\{\\}"},
        {"\\'E4\\'5c\\'41\\'e", "\\'E4\\'5c\\'41\\'e"},
        {"\\\\'e4", "\\\xe4"},
    });
    EXPECT_EQ(convert::CleanUpRtf("123\\'7b\\'E4\\'5c" + std::string(10, '.'), 12), "{\\'E4\\'5c");
}

TEST(ReconvertWords, DirectionWords) {
    ExpectEach(convert::RemoveDirectionWords, {
        {"a\\rtlch b", "a  b"},
        {"a\\ltrch b", "a b"},
        {"\\ltrpar", " par"},
        {"\\rtlx", " x"},
    });
}

TEST(ReconvertWords, LanguageFontAndKerningLoops) {
    ExpectEach(convert::RemoveControlWords, {
        {"a\\lang1025b", "ab"},
        {"\\lang1025\\lang1033", ""},
        {"\\lang10250x", "0x"},
        {"\\f1 x", "x"},
        {"\\f12", "2"},
        {"\\f0\\f1 ", ""},
        {"\\fs24 x", "24 x"},
        {"\\kerning1x", "x"},
        {"\\kerningx", "\\kerningx"},
        {"ab\\kerning", "ab\\kerning"},
        {"\\f", ""},
    });
}

TEST(ReconvertWords, ParagraphWordsGoAndLineBreaksStay) {
    ExpectEach(convert::RemoveParagraphWords, {
        {"a\\par\r\nb\\pard c\\pardd\\par e", "a\r\nbcde"},
        {"\\cf0\\cell\\row", ""},
    });
}

TEST(ReconvertWords, FinalBackslashPass) {
    ExpectEach(convert::RemoveBackslashes, {
        {"\\u1234?\\'5c", "\\u1234?\\'5c"},
        {"\\b x\\i y", " x y"},
        {"\\{\\}", "{}"},
        {"a\\\\b", "ab"},
        {"\\]", "]"},
        {"x\\", "x"},
        {"\\1\\*\\~\\-", "1*~-"},
        {"\\kerningx", "erningx"},
        {"\\\xe4", "\xe4"},
    });
}

TEST(ReconvertTrims, ThreeTrimsInOrder) {
    EXPECT_EQ(convert::TrimResult(1, " #a#"), "#a#");
    EXPECT_FALSE(convert::TrimResult(1, "  x"));
    EXPECT_EQ(convert::TrimResult(3, "  x"), " x");
    EXPECT_EQ(convert::TrimResult(2, "x  "), "x ");
    EXPECT_FALSE(convert::TrimResult(2, "x "));
    EXPECT_FALSE(convert::TrimResult(3, "x"));
}

// Meanings "*": every entry puts stars around stars, and the text doubles.
TEST(Recognition, MeaningsOrCodingsThatExpandIntoEachOtherStopAtTheBound) {
    std::vector<std::string> list;
    for (int i = 0; i < 30; ++i) list.push_back(std::string(1, 'k').append(std::to_string(i)).append("=*"));
    list.emplace_back();
    std::string text = "a*b";
    try {
        convert::ReplaceMeanings(text, list, convert::WorkBound{4096});
        ADD_FAILURE() << "no stop";
    } catch (const convert::RunawayExpansion& stopped) {
        EXPECT_EQ(stopped.What(), convert::Runaway::ListMeanings);
    }
    std::string small = "a*b";
    convert::ReplaceMeanings(small, {"k=*", ""}, convert::WorkBound{6});
    EXPECT_EQ(small, "a*k*b");

    CellTable cells;
    for (int code = 64; code < 94; ++code)
        if (code != 92) cells[static_cast<size_t>(code)] = "#";
    std::string rtf = ControlRtf(kArial, "\\pard\\f0\\fs24 a#b");
    try {
        convert::RecognizeSymbols(rtf, nullptr, cells, 0, 12);
        ADD_FAILURE() << "no stop";
    } catch (const convert::RunawayExpansion& stopped) {
        EXPECT_EQ(stopped.What(), convert::Runaway::Cells);
    }
}

// The memory a runaway list takes before it stops stays near the bound: the
// occurrences found and the spans replaced count, not only the text. Run in a
// child so that its peak is its own.
TEST(Recognition, ARunawayListStopsBeforeItsSearchTakesManyTimesTheBound) {
    std::vector<std::string> list;
    for (int i = 0; i < 24; ++i) list.push_back(std::string(1, 'k').append(std::to_string(i)).append("=*"));
    list.emplace_back();
    std::string text(100 * 1024, 'x');
    for (size_t i = 0; i < text.size(); i += 2) text[i] = '*';
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool stopped = false;
        try {
            convert::ReplaceMeanings(text, list, convert::WorkBound::For(text.size()));
        } catch (const convert::RunawayExpansion&) {
            stopped = true;
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long peakMegabytes = usage.ru_maxrss / 1024;
#ifdef __SANITIZE_ADDRESS__
        // The sanitizer's quarantine keeps freed memory: only the stop counts.
        const long limit = LONG_MAX;
#else
        // The bound is 64 MB here; the text, its copy and the search's
        // bookkeeping together stay within a few times that.
        const long limit = 400;
#endif
        if (peakMegabytes > limit) fprintf(stderr, "peak %ld MB\n", peakMegabytes);
        _exit(stopped && peakMegabytes <= limit ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
