#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtf/tokenizer.h"

namespace {

// How an error reads in the expected streams.
const char* describe(rtf::TokenError error) {
    switch (error) {
    case rtf::TokenError::GroupClosedTooOften: return "group closed too often";
    case rtf::TokenError::GroupLeftOpen: return "group left open";
    case rtf::TokenError::EndInsideEscape: return "end of input inside an escape";
    case rtf::TokenError::BadHexDigit: return "bad hex digit";
    case rtf::TokenError::WordTooLong: return "control word too long";
    case rtf::TokenError::NumberTooLong: return "number too long";
    case rtf::TokenError::BinaryTooLong: return "binary data cut short";
    }
    return "unknown";
}

// Writes every token as a short line, so a case reads as the stream it expects.
class Recorder : public rtf::TokenListener {
public:
    std::vector<std::string> tokens;

    void groupOpen() override { tokens.push_back("{"); }
    void groupClose() override { tokens.push_back("}"); }
    void controlWord(std::string_view name, bool hasParam, std::int32_t param) override {
        std::string t(1, '\\');
        t += name;
        if (hasParam) t += std::to_string(param);
        tokens.push_back(t);
    }
    void controlSymbol(char symbol) override { tokens.push_back(std::string("sym ") + symbol); }
    void hexByte(unsigned char byte) override { tokens.push_back("hex " + std::to_string(byte)); }
    void text(std::string_view bytes) override { tokens.push_back("text " + std::string(bytes)); }
    void binary(std::string_view bytes) override { tokens.push_back("bin " + std::string(bytes)); }
    void error(rtf::TokenError e, std::size_t offset) override {
        tokens.push_back(std::string("error ") + describe(e) + " at " + std::to_string(offset));
    }
};

std::vector<std::string> tokens(std::string_view input) {
    Recorder r;
    rtf::tokenize(input, r);
    return r.tokens;
}

using V = std::vector<std::string>;

TEST(RtfTokenizer, SeparatesGroupsWordsSymbolsAndText) {
    EXPECT_EQ(tokens("{\\rtf1\\b ab\\b0 c\\{\\'e0}"),
              (V{"{", "\\rtf1", "\\b", "text ab", "\\b0", "text c", "sym {", "hex 224", "}"}));
}

TEST(RtfTokenizer, OneBlankEndsAControlWordAndBelongsToIt) {
    EXPECT_EQ(tokens("\\fs24  x"), (V{"\\fs24", "text  x"}));
    EXPECT_EQ(tokens("\\fs24\\u1575?"), (V{"\\fs24", "\\u1575", "text ?"}));
    EXPECT_EQ(tokens("\\par\r\ncd"), (V{"\\par", "text cd"}));
}

TEST(RtfTokenizer, ParametersAreSignedAndAMinusWithoutDigitIsText) {
    EXPECT_EQ(tokens("\\u-4156?\\li-x"), (V{"\\u-4156", "text ?", "\\li", "text -x"}));
}

TEST(RtfTokenizer, RawLineBreaksAreDropped) {
    EXPECT_EQ(tokens("a\r\nb\rc\nd"), (V{"text a", "text b", "text c", "text d"}));
}

TEST(RtfTokenizer, HexEscapesTakeEitherCase) {
    EXPECT_EQ(tokens("\\'E4\\'e4\\'7B"), (V{"hex 228", "hex 228", "hex 123"}));
}

TEST(RtfTokenizer, NamesEveryFailure) {
    EXPECT_EQ(tokens("}a"), (V{"error group closed too often at 0", "text a"}));
    EXPECT_EQ(tokens("{{a}"), (V{"{", "{", "text a", "}", "error group left open at 4"}));
    EXPECT_EQ(tokens("a\\"), (V{"text a", "error end of input inside an escape at 1"}));
    EXPECT_EQ(tokens("\\'4"), (V{"error end of input inside an escape at 0"}));
    // The character that is no hex digit is read as what it is.
    EXPECT_EQ(tokens("\\'4g\\'}"),
              (V{"error bad hex digit at 3", "text g", "error bad hex digit at 6", "error group closed too often at 6"}));
}

TEST(RtfTokenizer, HugeNumbersAreClamped) {
    EXPECT_EQ(tokens("\\fs99999999999999999999 x"), (V{"error number too long at 0", "\\fs2147483647", "text x"}));
    EXPECT_EQ(tokens("\\u-99999999999"), (V{"error number too long at 0", "\\u-2147483647"}));
}

TEST(RtfTokenizer, LongWordsAreCut) {
    const std::string word(40, 'a');
    const auto t = tokens("\\" + word + "1");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1], "\\" + std::string(rtf::kMaxWordLength, 'a') + "1");
}

TEST(RtfTokenizer, BinaryDataIsPassedOverWhole) {
    EXPECT_EQ(tokens("\\bin3 }{\\x}"), (V{"\\bin3", "bin }{\\", "text x", "error group closed too often at 10"}));
    EXPECT_EQ(tokens("\\bin99 ab"), (V{"\\bin99", "error binary data cut short at 0", "bin ab"}));
    EXPECT_EQ(tokens("\\bin-5 ab"), (V{"\\bin-5", "text ab"}));
}

}  // namespace
