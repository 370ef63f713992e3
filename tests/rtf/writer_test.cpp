#include <gtest/gtest.h>

#include <QTextDocument>
#include <random>
#include <string>

#include "rtf/codepage.h"
#include "rtf/reader.h"
#include "rtf/writer.h"
#include "rtf/rtf_test_support.h"

using rtf_test::format;
using rtf_test::Q;

namespace {

const std::string kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n";
const int kCharsets[] = {0, 2, 238, 204, 161, 162, 177, 178, 186, 163, 222, 128, 129, 134, 136};

rtf::Document oneRun(const QString& text, const rtf::CharFormat& f = format()) {
    rtf::Document d;
    d.paragraphs[0].mark = f;
    if (!text.isEmpty()) d.paragraphs[0].runs.push_back(rtf::Run{text, f});
    return d;
}

rtf::Document paragraphsOf(std::initializer_list<const char16_t*> texts, const rtf::CharFormat& f = format()) {
    rtf::Document d;
    d.paragraphs.clear();
    for (const char16_t* t : texts) d.paragraphs.push_back(oneRun(Q(t), f).paragraphs[0]);
    return d;
}

std::string withNul(std::string s) {
    s.push_back('\0');
    return s;
}

// ---- The fixed shape ----

TEST(RtfWriterShape, TheFourExamples) {
    EXPECT_EQ(rtf::write(oneRun("")), kHead + "\\uc1\\pard\\f0\\fs24\\par\r\n}\r\n");
    EXPECT_EQ(rtf::write(oneRun(Q(u"\u05D0"))), kHead + "\\uc1\\pard\\f0\\fs24\\u1488?\\par\r\n}\r\n");
    EXPECT_EQ(rtf::write(oneRun(Q(u"\u05D0"), format("Times New Roman", 177, 28))),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}\r\n"
              "\\uc1\\pard\\f0\\fs28\\'e0\\par\r\n}\r\n");
    EXPECT_EQ(rtf::write(oneRun("x")), kHead + "\\uc1\\pard\\f0\\fs24 x\\par\r\n}\r\n");
}

TEST(RtfWriterShape, CellCutOfTheExamplesGivesTheCellStrings) {
    auto cut = [](const rtf::Document& d, int points) {
        return rtf_test::cellCut(withNul(rtf::write(d)), points, rtf::kTextRtfTail.size());
    };
    EXPECT_EQ(cut(oneRun(""), 12), "");
    EXPECT_EQ(cut(oneRun(Q(u"\u05D0")), 12), "\\u1488?");
    EXPECT_EQ(cut(oneRun(Q(u"\u05D0"), format("Times New Roman", 177, 28)), 14), "\\'e0");
    EXPECT_EQ(cut(oneRun("x"), 12), " x");
    EXPECT_EQ(rtf::kTextRtfTail, std::string_view("\\par\r\n}\r\n\0", 10));
}

TEST(RtfWriterShape, EveryParagraphEndsInParAndLinesAreNeverWrapped) {
    const std::string longText(5000, 'a');
    const std::string out = rtf::write(paragraphsOf({u"ab", u"", u"cd"}));
    EXPECT_EQ(out, kHead + "\\uc1\\pard\\f0\\fs24 ab\\par\r\n\\par\r\ncd\\par\r\n}\r\n");
    const std::string big = rtf::write(oneRun(QString::fromLatin1(longText)));
    EXPECT_EQ(big, kHead + "\\uc1\\pard\\f0\\fs24 " + longText + "\\par\r\n}\r\n");
}

TEST(RtfWriterShape, FirstParagraphAlignmentPrecedesTheFirstFormat) {
    rtf::Document d = paragraphsOf({u"a", u"b", u"c"});
    d.paragraphs[0].align = rtf::Align::Right;
    d.paragraphs[1].align = rtf::Align::Right;
    d.paragraphs[2].align = rtf::Align::Center;
    EXPECT_EQ(rtf::write(d), kHead + "\\uc1\\pard\\qr\\f0\\fs24 a\\par\r\nb\\par\r\n\\qc c\\par\r\n}\r\n");
}

TEST(RtfWriterShape, FirstFormatEndsWithFontAndSize) {
    rtf::CharFormat f = format();
    f.bold = f.italic = f.underline = true;
    f.rgb = 0xFF0000;
    EXPECT_EQ(rtf::write(oneRun("x", f)),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}"
              "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
              "\\uc1\\pard\\b\\i\\ul\\cf1\\f0\\fs24 x\\par\r\n}\r\n");
}

TEST(RtfWriterShape, LaterRunsWriteOnlyWhatChanges) {
    rtf::Document d = oneRun("a");
    rtf::CharFormat bold = format();
    bold.bold = true;
    rtf::CharFormat blue = format("Arial", 0, 30);
    blue.rgb = 0x0000FF;
    rtf::CharFormat hebrew = format("Arial", 177, 30);
    d.paragraphs[0].runs.push_back({Q(u"b"), bold});
    d.paragraphs[0].runs.push_back({Q(u"c"), blue});
    d.paragraphs[0].runs.push_back({Q(u"\u05D0"), hebrew});
    d.paragraphs[0].runs.push_back({Q(u"d"), format()});
    EXPECT_EQ(rtf::write(d),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
              "{\\f1\\fnil\\fcharset177 Arial;}}{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
              "\\uc1\\pard\\f0\\fs24 a\\b b\\b0\\cf1\\fs30 c\\cf0\\f1\\'e0\\f0\\fs24 d\\par\r\n}\r\n");
}

TEST(RtfWriterShape, EmptyParagraphsWriteTheFormatOfTheirMark) {
    rtf::Document d = paragraphsOf({u"a", u""});
    d.paragraphs[1].mark.halfPoints = 40;
    EXPECT_EQ(rtf::write(d), kHead + "\\uc1\\pard\\f0\\fs24 a\\par\r\n\\fs40\\par\r\n}\r\n");
}

TEST(RtfWriterShape, FontsAreNumberedInOrderOfFirstUse) {
    rtf::Document d = oneRun("a", format("Zeta"));
    d.paragraphs[0].runs.push_back({Q(u"b"), format("Alpha")});
    d.paragraphs[0].runs.push_back({Q(u"c"), format("Zeta")});
    EXPECT_EQ(rtf::write(d), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Zeta;}"
                             "{\\f1\\fnil\\fcharset0 Alpha;}}\r\n"
                             "\\uc1\\pard\\f0\\fs24 a\\f1 b\\f0 c\\par\r\n}\r\n");
}

// ---- Characters ----

TEST(RtfWriterCharacters, BracesAndBackslashAreByteEscapes) {
    EXPECT_EQ(rtf::write(oneRun("{a\\b}")), kHead + "\\uc1\\pard\\f0\\fs24\\'7ba\\'5cb\\'7d\\par\r\n}\r\n");
}

TEST(RtfWriterCharacters, TabIsRawAndGetsTheDelimitingBlank) {
    EXPECT_EQ(rtf::write(oneRun("\ta\tb")), kHead + "\\uc1\\pard\\f0\\fs24 \ta\tb\\par\r\n}\r\n");
}

TEST(RtfWriterCharacters, SingleByteCharactersOfTheCharsetAreHexEscapes) {
    EXPECT_EQ(rtf::write(oneRun(Q(u"\u00E9\u20AC\u0081\u007F\u0001"))),
              kHead + "\\uc1\\pard\\f0\\fs24\\'e9\\'80\\'81\\'7f\\'01\\par\r\n}\r\n");
    const std::string sym = rtf::write(oneRun(Q(u"a\uF061\u00E9"), format("Symbol", 2)));
    EXPECT_NE(sym.find("\\fs24 a\\'61\\u233?\\par"), std::string::npos) << sym;
    const std::string sjis = rtf::write(oneRun(QString::fromUtf8("ｱ日"), format("MS Mincho", 128)));
    EXPECT_NE(sjis.find("\\fs24\\'b1\\u26085?\\par"), std::string::npos) << sjis;
}

TEST(RtfWriterCharacters, OthersAreSignedUnicodeEscapesPerUtf16Unit) {
    EXPECT_EQ(rtf::write(oneRun(QString::fromUtf8("\uFFFF\u8000\u7FFF\U0001F600"))),
              kHead + "\\uc1\\pard\\f0\\fs24\\u-1?\\u-32768?\\u32767?\\u-10179?\\u-8704?\\par\r\n}\r\n");
}

TEST(RtfWriterCharacters, FaceNamesAreEscapedLikeText) {
    const std::string out = rtf::write(oneRun("x", format("A;{B}")));
    EXPECT_NE(out.find("{\\f0\\fnil\\fcharset0 A\\'3b\\'7bB\\'7d;}"), std::string::npos) << out;
    EXPECT_EQ(rtf_test::read(out).paragraphs[0].runs[0].format.face, "A;{B}");
}

// ---- Round trips ----

bool sameModel(const rtf::Document& a, const rtf::Document& b) {
    if (a.paragraphs.size() != b.paragraphs.size()) return false;
    for (size_t i = 0; i < a.paragraphs.size(); ++i) {
        const rtf::Paragraph& p = a.paragraphs[i];
        const rtf::Paragraph& q = b.paragraphs[i];
        if (p.align != q.align || p.runs.size() != q.runs.size()) return false;
        if (p.runs.empty() && !(p.mark == q.mark)) return false;
        for (size_t j = 0; j < p.runs.size(); ++j)
            if (p.runs[j].text != q.runs[j].text || !(p.runs[j].format == q.runs[j].format)) return false;
    }
    return true;
}

// Random documents over every character set: characters the set holds as a
// byte, characters it lacks, ASCII with the RTF specials, surrogate pairs
// (never a line or paragraph separator: a run holds none).
rtf::Document randomDocument(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* faces[] = {"Arial", "Times New Roman", "SimSun"};
    rtf::Document d;
    d.paragraphs.clear();
    const int paragraphs = 1 + pick(4);
    for (int i = 0; i < paragraphs; ++i) {
        rtf::Paragraph p;
        p.align = static_cast<rtf::Align>(pick(3));
        p.mark = format(faces[pick(3)], kCharsets[pick(15)], 2 + pick(100));
        const int runs = pick(4);
        for (int j = 0; j < runs; ++j) {
            rtf::CharFormat f = format(faces[pick(3)], kCharsets[pick(15)], 2 + pick(100));
            f.bold = pick(2);
            f.italic = pick(2);
            f.underline = pick(2);
            f.rgb = pick(3) == 0 ? static_cast<std::uint32_t>(rng() & 0xFFFFFF) : 0;
            const int cp = codepage::forCharset(f.charset);
            QString text;
            for (int k = 1 + pick(6); k > 0; --k) {
                switch (pick(4)) {
                case 0: text += QChar(static_cast<char16_t>(0x20 + pick(0x5F))); break;
                case 1: text += QChar(codepage::byteToUnicode(cp, static_cast<unsigned char>(0x80 + pick(0x80)))); break;
                case 2: text += QChar(static_cast<char16_t>(0x400 + pick(0x1C00))); break;
                default: text += pick(2) ? QString::fromUtf8("\U0001F600") : QString(u'\t'); break;
                }
            }
            if (!p.runs.empty() && p.runs.back().format == f) continue;
            p.runs.push_back(rtf::Run{text, f});
        }
        d.paragraphs.push_back(std::move(p));
    }
    return d;
}

TEST(RtfWriterRoundTrip, WriteReadWriteIsIdentical) {
    std::mt19937 rng(20240607);
    for (int i = 0; i < 300; ++i) {
        const std::string once = rtf::write(randomDocument(rng));
        const std::string twice = rtf::write(rtf_test::read(once));
        ASSERT_EQ(once, twice);
    }
}

TEST(RtfWriterRoundTrip, ReadWriteReadKeepsTextFormatsAndAlignment) {
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        const rtf::Document d = randomDocument(rng);
        const rtf::Document back = rtf_test::read(rtf::write(d));
        // U+FFFD stands where a byte of a double-byte page has no character.
        ASSERT_TRUE(sameModel(d, back)) << rtf::write(d) << "\n" << rtf::write(back);
    }
}

TEST(RtfWriterRoundTrip, ThroughATextDocument) {
    std::mt19937 rng(99);
    for (int i = 0; i < 50; ++i) {
        const rtf::Document d = randomDocument(rng);
        QTextDocument doc;
        rtf::setContent(doc, d);
        EXPECT_EQ(rtf::write(doc), rtf::write(d));
    }
}

// A cell filled with a cell string the writer produced reads back to the same
// string: every byte of every character set, and some characters none holds.
TEST(RtfWriterRoundTrip, CellStringsAreFixedPoints) {
    for (int charset : kCharsets) {
        const int cp = codepage::forCharset(charset);
        QString chars;
        for (int b = 0x21; b < 0x100; ++b) {
            if (codepage::isLeadByte(cp, static_cast<unsigned char>(b))) continue;
            chars += QChar(codepage::byteToUnicode(cp, static_cast<unsigned char>(b)));
        }
        chars += QString::fromUtf8("\u05D0\u0627\u3042\U0001F600");
        for (int i = 0; i < chars.size(); ++i) {
            const QString symbol = chars.mid(i, chars[i].isHighSurrogate() ? 2 : 1);
            if (chars[i].isLowSurrogate()) continue;
            const std::string cell = rtf_test::cellCut(withNul(rtf::write(oneRun(symbol, format("F", charset, 24)))),
                                                       12, rtf::kTextRtfTail.size());
            const rtf::Document filled = rtf_test::read(rtf_test::cellDocument("F", charset, 12, cell));
            const std::string again = rtf_test::cellCut(withNul(rtf::write(filled)), 12, rtf::kTextRtfTail.size());
            ASSERT_EQ(again, cell) << "charset " << charset << " character " << symbol.toStdString();
        }
    }
}

}  // namespace
