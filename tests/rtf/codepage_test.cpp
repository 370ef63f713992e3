#include <gtest/gtest.h>

#include <QString>
#include <utility>

#include "rtf/codepage.h"

TEST(CodePage, CharsetsNameTheirCodePages) {
    EXPECT_EQ(codepage::forCharset(0), 1252);
    EXPECT_EQ(codepage::forCharset(1), 1252);
    EXPECT_EQ(codepage::forCharset(2), codepage::kSymbol);
    const std::pair<int, int> pairs[] = {{238, 1250}, {204, 1251}, {161, 1253}, {162, 1254}, {177, 1255},
                                         {178, 1256}, {186, 1257}, {163, 1258}, {222, 874},  {128, 932},
                                         {129, 949},  {134, 936},  {136, 950}};
    for (auto [charset, cp] : pairs) EXPECT_EQ(codepage::forCharset(charset), cp) << charset;
}

TEST(CodePage, SingleBytePagesAreBijections) {
    for (int cp : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874, codepage::kSymbol}) {
        for (int b = 0; b < 256; ++b) {
            const char16_t u = codepage::byteToUnicode(cp, static_cast<unsigned char>(b));
            EXPECT_EQ(codepage::unicodeToByte(cp, u), b) << "cp " << cp << " byte " << b;
        }
    }
}

TEST(CodePage, KnownLettersOfEachScript) {
    EXPECT_EQ(codepage::byteToUnicode(1255, 0xE0), u'\u05D0');  // alef
    EXPECT_EQ(codepage::byteToUnicode(1256, 0xC7), u'\u0627');  // alef
    EXPECT_EQ(codepage::byteToUnicode(1251, 0xC0), u'\u0410');
    EXPECT_EQ(codepage::byteToUnicode(1253, 0xE1), u'\u03B1');
    EXPECT_EQ(codepage::byteToUnicode(codepage::kSymbol, 0x61), u'\uF061');
    EXPECT_EQ(codepage::unicodeToByte(1255, U'\u05D0'), 0xE0);
    EXPECT_EQ(codepage::unicodeToByte(1252, U'\u05D0'), -1);
}

TEST(CodePage, DoubleBytePagesPairLeadBytes) {
    // "日本" in Shift-JIS and in GBK.
    EXPECT_EQ(codepage::decode(932, "\x93\xfa\x96\x7b"), QString::fromUtf8("日本"));
    EXPECT_EQ(codepage::decode(936, "\xc8\xd5\xb1\xbe"), QString::fromUtf8("日本"));
    EXPECT_EQ(codepage::decode(932, "a\xb1"), QString::fromUtf8("aｱ"));  // half-width katakana
    EXPECT_TRUE(codepage::isLeadByte(949, 0xB0));
    EXPECT_FALSE(codepage::isLeadByte(1252, 0xB0));
}
