#include <gtest/gtest.h>

#include <string>

#include "rtf/reader.h"
#include "rtf/rtf_test_support.h"

using rtf_test::paragraphs;
using rtf_test::plainText;
using rtf_test::Q;
using rtf_test::read;

namespace {

const std::string kLowerHead = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24 ";

QString u16(char16_t c) { return QString(QChar(c)); }

// ---- The documents the program feeds its controls ----

TEST(RtfReaderDocuments, LowerWindowDocumentEndsAtItsClosingBrace) {
    const rtf::Document d = read(kLowerHead + "ab\\par cd}\\par ");
    EXPECT_EQ(paragraphs(d), "ab|cd");
    EXPECT_EQ(d.paragraphs[1].runs[0].format, rtf_test::format());
}

TEST(RtfReaderDocuments, EmptyLowerWindowDocumentIsOneEmptyParagraph) {
    const rtf::Document d = read(kLowerHead + "}\\par ");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    EXPECT_TRUE(d.paragraphs[0].runs.empty());
    EXPECT_EQ(d.paragraphs[0].mark, rtf_test::format());
}

TEST(RtfReaderDocuments, ParBeforeTheClosingBraceIsTheFinalMark) {
    EXPECT_EQ(paragraphs(read(kLowerHead + "ab\\par }\\par ")), "ab");
    EXPECT_EQ(paragraphs(read(kLowerHead + "ab\\par \r\n } \r\n}")), "ab");
    EXPECT_EQ(paragraphs(read(kLowerHead + "ab\\par\\par }\\par ")), "ab|");
    EXPECT_EQ(paragraphs(read(kLowerHead + "\\par ab}")), "|ab");
    EXPECT_EQ(paragraphs(read(kLowerHead + "a\\par  {\\b  b}}")), "a|  b");
}

TEST(RtfReaderDocuments, LowerWindowKeepsTheSymbolFontOfItsHeader) {
    const rtf::Document d =
        read("{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset178 Arabic Font;}}\\fs18 a\\'c7}\\par ");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(d.paragraphs[0].runs[0].text, Q(u"a\u0627"));
    EXPECT_EQ(d.paragraphs[0].runs[0].format, rtf_test::format("Arabic Font", 178, 18));
}

TEST(RtfReaderDocuments, RtfTypedInTheUpperWindowIsRtf) {
    const rtf::Document d = read(kLowerHead + "{\\b x} y\\par z}\\par ");
    EXPECT_EQ(paragraphs(d), "x y|z");
    const auto& runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_FALSE(runs[1].format.bold);
}

TEST(RtfReaderDocuments, UnbalancedTypedBracesEndOrOpenTheDocument) {
    EXPECT_EQ(paragraphs(read(kLowerHead + "a}b}\\par ")), "a");
    EXPECT_EQ(paragraphs(read(kLowerHead + "{b}\\par ")), "b");
}

TEST(RtfReaderDocuments, CellStringFollowsTheSizeDirectly) {
    const rtf::Document d = read(rtf_test::cellDocument("Arial", 0, 12, "\\u1575?"));
    ASSERT_EQ(d.paragraphs.size(), 1u);
    ASSERT_EQ(d.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(d.paragraphs[0].runs[0].text, u16(0x0627));
    EXPECT_EQ(d.paragraphs[0].runs[0].format, rtf_test::format());
}

TEST(RtfReaderDocuments, CellByteEscapeReadsInTheFontsCharacterSet) {
    const rtf::Document d = read(rtf_test::cellDocument("Times New Roman", 177, 14, "\\'e0"));
    ASSERT_EQ(d.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(d.paragraphs[0].runs[0].text, u16(0x05D0));
    EXPECT_EQ(d.paragraphs[0].runs[0].format, rtf_test::format("Times New Roman", 177, 28));
}

TEST(RtfReaderDocuments, EmptyCellKeepsItsSizeInTheParagraphMark) {
    const rtf::Document d = read(rtf_test::cellDocument("Arial", 0, 30, ""));
    ASSERT_EQ(d.paragraphs.size(), 1u);
    EXPECT_TRUE(d.paragraphs[0].runs.empty());
    EXPECT_EQ(d.paragraphs[0].mark.halfPoints, 60);
}

TEST(RtfReaderDocuments, ListDisplayInFileOrder) {
    const std::string doc = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24\r\n"
                            "mu=\xb5\\par \r\nty=Truly yours\\par \r\n\r\n}\r\n";
    EXPECT_EQ(paragraphs(rtf::read(doc, rtf_test::format(), nullptr, rtf::FinalPar::OpensEmpty)), "mu=\u00B5|ty=Truly yours|");
}

TEST(RtfReaderDocuments, ListDisplaySortedShowsTheSpareSlotFirst) {
    const std::string doc = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24\r\n"
                            "\\par \r\nmu=\\'b5\\par \r\nty=\\u8482?\r\n}\r\n";
    EXPECT_EQ(paragraphs(read(doc)), "|mu=\u00B5|ty=\u2122");
}

TEST(RtfReaderDocuments, HelpDocument) {
    const std::string doc =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Verdana;}{\\f1\\fswiss\\fcharset0 Verdana;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red0\\green128\\blue0;}"
        "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\cf1\\lang1031\\f0\\fs20 "
        "------------------------------------------------\\par"
        "\\cf4 GETTING STARTED\\cf2 : two things.\\par\\par\\cf4 (1) ##\\cf2 : codes 64 to \\'ff except "
        "\\\\, \\{ and \\}, typed as \\cf1 #abcd#\\cf2 .}";
    const rtf::Document d = read(doc);
    EXPECT_EQ(paragraphs(d), std::string(48, '-') + "|GETTING STARTED: two things.||(1) ##: codes 64 to \u00FF except "
                                                    "\\, { and }, typed as #abcd#.");
    const rtf::CharFormat verdana = rtf_test::format("Verdana", 0, 20);
    auto colored = [&](std::uint32_t rgb) {
        rtf::CharFormat f = verdana;
        f.rgb = rgb;
        return f;
    };
    EXPECT_EQ(d.paragraphs[0].runs[0].format, colored(0xFF0000));
    const auto& heading = d.paragraphs[1].runs;
    ASSERT_EQ(heading.size(), 2u);
    EXPECT_EQ(heading[0].text, Q(u"GETTING STARTED"));
    EXPECT_EQ(heading[0].format, colored(0x008000));
    EXPECT_EQ(heading[1].format, colored(0x000080));
    EXPECT_EQ(d.paragraphs[3].runs[2].text, Q(u"#abcd#"));
    EXPECT_EQ(d.paragraphs[3].runs[2].format, colored(0xFF0000));
}

// ---- Constructs ----

TEST(RtfReaderConstructs, GroupsScopeTheirFormat) {
    const rtf::Document d = read("{\\rtf1 a{\\b\\i\\ul\\fs40 b{\\b0\\ulnone c}d}e}");
    const auto& r = d.paragraphs[0].runs;
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(paragraphs(d), "abcde");
    EXPECT_FALSE(r[0].format.bold);
    EXPECT_TRUE(r[1].format.bold && r[1].format.italic && r[1].format.underline);
    EXPECT_EQ(r[1].format.halfPoints, 40);
    EXPECT_TRUE(!r[2].format.bold && r[2].format.italic && !r[2].format.underline);
    EXPECT_EQ(r[3].format, r[1].format);
    EXPECT_EQ(r[4].format, r[0].format);
}

TEST(RtfReaderConstructs, PlainResetsCharacterFormat) {
    const rtf::Document d =
        read("{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}{\\colortbl;\\red1\\green2\\blue3;}\\f1\\b\\cf1\\fs30 x\\plain y}");
    const auto& r = d.paragraphs[0].runs;
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].format.face, "B");
    EXPECT_EQ(r[0].format.rgb, 0x010203u);
    EXPECT_EQ(r[1].format, rtf_test::format("A"));
}

TEST(RtfReaderConstructs, FontTableGivesFacesAndCharsets) {
    const rtf::Document d = read(
        "{\\rtf1\\deff1{\\fonttbl{\\f0\\fnil\\fcharset177 Hebrew;}{\\f1\\froman\\fcharset0{\\*\\panose 0}Times;}"
        "{\\f2\\fcharset204 Cyr;}}a\\f0\\'e0\\f2\\'c0\\f9 b}");
    const auto& r = d.paragraphs[0].runs;
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(plainText(d), Q(u"a\u05D0\u0410b"));
    EXPECT_EQ(r[0].format.face, "Times");  // \deff1
    EXPECT_EQ(r[1].format.charset, 177);
    EXPECT_EQ(r[2].format, rtf_test::format("Cyr", 204));
    EXPECT_EQ(r[3].format.face, "Times");  // a font number not in the table
}

TEST(RtfReaderConstructs, FontTableWithoutEntryGroups) {
    const rtf::Document d = read("{\\rtf1{\\fonttbl\\f0\\fcharset161 Greek;\\f1 Latin;}\\f0\\'e1\\f1 x}");
    EXPECT_EQ(plainText(d), Q(u"\u03B1x"));
    EXPECT_EQ(d.paragraphs[0].runs[0].format, rtf_test::format("Greek", 161));
    EXPECT_EQ(d.paragraphs[0].runs[1].format, rtf_test::format("Latin", 0));
}

TEST(RtfReaderConstructs, WithoutFontTableTheDefaultsApply) {
    const rtf::Document d = read("{\\rtf1 x}");
    EXPECT_EQ(d.paragraphs[0].runs[0].format, rtf_test::format());
    const rtf::Document cp = read("{\\rtf1\\ansi\\ansicpg1251 \\'c0}");
    EXPECT_EQ(plainText(cp), Q(u"\u0410"));
    EXPECT_EQ(cp.paragraphs[0].runs[0].format.charset, 204);
}

TEST(RtfReaderConstructs, ColorIndexOutsideTheTableIsBlack) {
    const rtf::Document d = read("{\\rtf1{\\colortbl;\\red9\\green9\\blue9;}\\cf7 x\\cf1 y\\cf0 z}");
    const auto& r = d.paragraphs[0].runs;
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].format.rgb, 0u);
    EXPECT_EQ(r[1].format.rgb, 0x090909u);
    EXPECT_EQ(r[2].format.rgb, 0u);
}

TEST(RtfReaderConstructs, AlignmentBelongsToTheParagraphItsParEnds) {
    const rtf::Document d = read("{\\rtf1\\qr a\\par\\pard b\\qc\\par\\ql c\\par\\qr}");
    ASSERT_EQ(d.paragraphs.size(), 3u);
    EXPECT_EQ(d.paragraphs[0].align, rtf::Align::Right);
    EXPECT_EQ(d.paragraphs[1].align, rtf::Align::Center);
    EXPECT_EQ(d.paragraphs[2].align, rtf::Align::Left);
    EXPECT_EQ(read("{\\rtf1 {\\qr x}}").paragraphs[0].align, rtf::Align::Right);
    // The empty paragraph a final "\par" opens, blanks and all, takes the
    // alignment given after the mark, not that of the text before it.
    for (const auto& [doc, align] : {std::pair{"{\\rtf1\\qr a\\par\\qc   }", rtf::Align::Center},
                                     std::pair{"{\\rtf1\\qc a\\par\\qr   }", rtf::Align::Right}}) {
        const rtf::Document opened = rtf::read(doc, rtf_test::format(), nullptr, rtf::FinalPar::OpensEmpty);
        ASSERT_EQ(paragraphs(opened), "a|  ") << doc;
        EXPECT_NE(opened.paragraphs[0].align, align) << doc;
        EXPECT_EQ(opened.paragraphs[1].align, align) << doc;
    }
}

TEST(RtfReaderConstructs, TabsAndEscapedCharacters) {
    EXPECT_EQ(plainText(read("{\\rtf1 a\\tab b\tc\\\\\\{\\}\\~}")), Q(u"a\tb\tc\\{}\u00A0"));
}

TEST(RtfReaderConstructs, UnicodeEscapes) {
    EXPECT_EQ(plainText(read("{\\rtf1 \\u1488?\\u-4?\\u65535?\\u-32768?}")), Q(u"\u05D0\uFFFC\uFFFF\u8000"));
    EXPECT_EQ(plainText(read("{\\rtf1 \\u-10179?\\u-8704?}")), QString::fromUtf8("\U0001F600"));
    // An escape out of range leaves its fallback to be shown.
    EXPECT_EQ(plainText(read("{\\rtf1 \\u70000?x}")), Q(u"?x"));
}

TEST(RtfReaderConstructs, UnicodeFallbackSkipping) {
    EXPECT_EQ(plainText(read("{\\rtf1\\uc2 \\u1488ab c}")), Q(u"\u05D0 c"));
    EXPECT_EQ(plainText(read("{\\rtf1\\uc1 \\u1488\\'e0x}")), Q(u"\u05D0x"));
    EXPECT_EQ(plainText(read("{\\rtf1\\uc0 \\u1488?}")), Q(u"\u05D0?"));
    EXPECT_EQ(plainText(read("{\\rtf1{\\uc3 \\u1488}abc}")), Q(u"\u05D0abc"));  // skipping ends with the group
    EXPECT_EQ(plainText(read("{\\rtf1{\\uc3 a}\\u1488?b}")), Q(u"a\u05D0b"));   // \uc is scoped
}

TEST(RtfReaderConstructs, BytesDecodeInTheRunsCharacterSet) {
    const std::string head = "{\\rtf1{\\fonttbl{\\f0\\fcharset0 L;}{\\f1\\fcharset177 H;}{\\f2\\fcharset2 S;}}";
    EXPECT_EQ(plainText(read(head + "\\'E4\\'e4\xe4\\f1\\'e0\xe0\\f2\\'61a}")), Q(u"\u00E4\u00E4\u00E4\u05D0\u05D0\uF061a"));
}

TEST(RtfReaderConstructs, DoubleBytePagesPairTheirBytes) {
    const std::string head = "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}";
    EXPECT_EQ(plainText(read(head + "\\'93")), Q(u"\uFFFD"));  // the input ends after a lead byte
    EXPECT_EQ(plainText(read(head + "\\'93\\'fa\\'96{\\'7b}\\'b1\\'93}")),
              QString::fromUtf8("日\uFFFD{ｱ\uFFFD"));
    // A raw trail byte may be an ASCII letter.
    EXPECT_EQ(plainText(read(head + "\\'93\xfa\x83" "A}")), QString::fromUtf8("日ア"));
}

TEST(RtfReaderConstructs, UnknownWordsAndStarredDestinationsAreSkipped) {
    EXPECT_EQ(plainText(read("{\\rtf1\\unicode\\viewkind4\\lang1025 a{\\*\\bkmk {x}\\par y}b{\\info{\\title t}}c"
                             "{\\stylesheet{\\s0 Normal;}}d}")),
              Q(u"abcd"));
}

TEST(RtfReaderConstructs, BinaryDataIsNotText) {
    EXPECT_EQ(plainText(read("{\\rtf1 a{\\*\\pict\\bin4 }}}}}b}")), Q(u"ab"));
    EXPECT_EQ(plainText(read("{\\rtf1 a\\bin2 xyb}")), Q(u"ab"));
}

TEST(RtfReaderConstructs, RawLineBreaksAreIgnoredAndBackslashLineBreakIsAParagraph) {
    EXPECT_EQ(plainText(read("{\\rtf1 a\r\nb\\\r\nc}")), Q(u"ab\r\nc"));
}

TEST(RtfReaderConstructs, SizesAreClampedAndZeroMeansDefault) {
    const rtf::Document d = read("{\\rtf1\\fs99999999 a\\fs0 b\\fs-4 c}");
    const auto& r = d.paragraphs[0].runs;
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].format.halfPoints, 3276);
    EXPECT_EQ(r[1].format.halfPoints, 24);
}

// ---- Hostile input ----

TEST(RtfReaderRobustness, AnythingGivesAtLeastOneParagraph) {
    for (std::string_view input : {"", "x", "}", "}}}{", "{", "{\\", "{\\'", "{\\'4", "{\\u", "{\\rtf1\\bin",
                                   "{\\rtf1\\bin999999999 ", "{\\fonttbl{\\f0", "{\\colortbl\\red", "\\par",
                                   "{\\rtf1{\\fonttbl{\\f0\\fcharset128 X;}}\\'93"}) {
        const rtf::Document d = read(input);
        EXPECT_GE(d.paragraphs.size(), 1u) << input;
    }
}

TEST(RtfReaderRobustness, TruncatedEscapesKeepTheTextBefore) {
    std::vector<rtf::TokenError> errors;
    const rtf::Document d = rtf::read("{\\rtf1 ab\\'4", rtf_test::format(), &errors);
    EXPECT_EQ(plainText(d), Q(u"ab"));
    EXPECT_EQ(errors, (std::vector{rtf::TokenError::EndInsideEscape, rtf::TokenError::GroupLeftOpen}));
}

TEST(RtfReaderRobustness, TextOutsideTheDocumentIsIgnored) {
    EXPECT_EQ(plainText(read("xy {\\rtf1 a}b{c}")), Q(u"a"));
    EXPECT_TRUE(rtf::looksLikeRtf(" \r\n{\\rtf1}"));
    EXPECT_FALSE(rtf::looksLikeRtf("x{\\rtf1}"));
}

TEST(RtfReaderRobustness, DeepNestingSharesTheInnermostScope) {
    const int depth = 100000;
    const std::string doc = "{\\rtf1 " + std::string(depth, '{') + "\\b x" + std::string(depth, '}') + "y}";
    const rtf::Document d = read(doc);
    EXPECT_EQ(plainText(d), Q(u"xy"));
    ASSERT_EQ(d.paragraphs[0].runs.size(), 2u);
    EXPECT_FALSE(d.paragraphs[0].runs[1].format.bold);
}

TEST(RtfReaderRobustness, ErrorsAreRecordedUpToALimit) {
    std::vector<rtf::TokenError> errors;
    rtf::read(std::string(1000, '}'), rtf_test::format(), &errors);
    EXPECT_EQ(errors.size(), 100u);
}

TEST(RtfReaderPlainText, EveryKindOfLineBreakEndsAParagraph) {
    const rtf::Document d = rtf::plainTextModel(Q(u"a\r\nb\rc\nd\u2029e"), rtf_test::format("X"));
    EXPECT_EQ(paragraphs(d), "a|b|c|d|e");
    EXPECT_EQ(d.paragraphs[4].runs[0].format.face, "X");
    EXPECT_EQ(paragraphs(rtf::plainTextModel(Q(u"a\r\n"), rtf_test::format())), "a|");
}

}  // namespace
