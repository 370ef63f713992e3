#pragma once
// The lower layer of the RTF reader: it separates group braces, control words,
// control symbols, byte escapes and text, and hands each to a listener that
// gives them meaning. It knows nothing of fonts or paragraphs. Every input is
// accepted; what is wrong with it is named through TokenListener::error and the
// tokenizer goes on as far as the input goes.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtf {

enum class TokenError {
    GroupClosedTooOften,  // a "}" with no open group; it is dropped
    GroupLeftOpen,        // the input ended inside a group
    EndInsideEscape,      // the input ended after "\" or inside "\'h"
    BadHexDigit,          // "\'" not followed by two hexadecimal digits; the escape is dropped
    WordTooLong,          // a control word of more than kMaxWordLength letters; the rest is dropped
    NumberTooLong,        // a parameter outside the int32 range; it is clamped
    BinaryTooLong,        // "\binN" with fewer than N bytes left; the rest is the data
};

// RTF allows 32 letters in a control word.
inline constexpr std::size_t kMaxWordLength = 32;

class TokenListener {
public:
    virtual ~TokenListener() = default;
    virtual void groupOpen() = 0;
    virtual void groupClose() = 0;
    // A control word ("\b0", "\fonttbl"); hasParam tells "\b" from "\b0".
    virtual void controlWord(std::string_view name, bool hasParam, std::int32_t param) = 0;
    // A control symbol: "\" and one character that is no letter and no "'".
    virtual void controlSymbol(char symbol) = 0;
    // "\'hh": one byte.
    virtual void hexByte(unsigned char byte) = 0;
    // Plain text between the other tokens; never holds "{", "}", "\", CR or LF.
    virtual void text(std::string_view bytes) = 0;
    // The data of "\binN" (the control word itself comes first).
    virtual void binary(std::string_view bytes) = 0;
    virtual void error(TokenError error, std::size_t offset) = 0;
};

// Runs through the whole input once; linear in its length.
void tokenize(std::string_view input, TokenListener& listener);

}  // namespace rtf
