#include "convert/document.h"

#include <gtest/gtest.h>

using convert::LowerWindowDocument;
using convert::WithParagraphMarks;

TEST(LowerWindowDocument, CarriesTheSymbolFontAndTheTextUnescaped) {
    EXPECT_EQ(LowerWindowDocument("ab", "Arial", 0, 12), "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24 ab}");
    EXPECT_EQ(LowerWindowDocument("{\\b x}", "Times New Roman", 178, 9),
              "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset178 Times New Roman;}}\\fs18 {\\b x}}");
    const std::string negative = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset-1 ";
    EXPECT_EQ(LowerWindowDocument("", "Arial", -1, 12).substr(0, negative.size()), negative);
}

TEST(WithParagraphMarks, EveryLineTheLastOneTooEndsInAParagraphMark) {
    const std::string head = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24 ";
    EXPECT_EQ(WithParagraphMarks(head + "ab\r\ncd}"), head + "ab\\par cd}\\par ");
    EXPECT_EQ(WithParagraphMarks(head + "}"), head + "}\\par ");
    EXPECT_EQ(WithParagraphMarks(head + "ab\r\n}"), head + "ab\\par }\\par ");
    // A lone CR ends a line; a lone LF stays in it.
    EXPECT_EQ(WithParagraphMarks("a\rb\nc"), "a\\par b\nc\\par ");
    EXPECT_EQ(WithParagraphMarks("a\r\n\r\nb"), "a\\par \\par b\\par ");
}
