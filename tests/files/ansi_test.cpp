#include <gtest/gtest.h>

#include "files/ansi.h"

TEST(Ansi, EveryByteSurvivesTheTripThroughUnicode) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(ansi::fromQString(ansi::toQString(all)), all);
}

TEST(Ansi, UndefinedBytesMapToTheirC1Characters) {
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(ansi::toUnicode(static_cast<unsigned char>(b)), b);
    EXPECT_EQ(ansi::toUnicode(0x80), u'\u20AC');
    EXPECT_EQ(ansi::toUnicode(0xB5), u'\u00B5');
    EXPECT_EQ(ansi::fromUnicode(U'\u20AC'), 0x80);
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(ansi::fromQString(QString::fromUtf8("a\u05D0b\U0001F600")), "a?b?");
}

TEST(Ansi, UpperCaseCoversAccentedLetters) {
    EXPECT_EQ(ansi::toUpper("export - \xe4"), "EXPORT - \xc4");
}
