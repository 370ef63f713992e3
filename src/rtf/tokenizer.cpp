#include "rtf/tokenizer.h"

#include <limits>

namespace rtf {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Tokenizer {
public:
    Tokenizer(std::string_view in, TokenListener& out) : in_(in), out_(out) {}

    void run() {
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            switch (c) {
            case '{':
                ++depth_;
                ++pos_;
                out_.groupOpen();
                break;
            case '}':
                if (depth_ == 0) {
                    out_.error(TokenError::GroupClosedTooOften, pos_);
                } else {
                    --depth_;
                    out_.groupClose();
                }
                ++pos_;
                break;
            case '\\': escape(); break;
            case '\r':
            case '\n': ++pos_; break;
            default: text(); break;
            }
        }
        if (depth_ > 0) out_.error(TokenError::GroupLeftOpen, in_.size());
    }

private:
    void text() {
        const size_t start = pos_;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') break;
            ++pos_;
        }
        out_.text(in_.substr(start, pos_ - start));
    }

    // pos_ stands on a backslash.
    void escape() {
        const size_t start = pos_++;
        if (pos_ >= in_.size()) {
            out_.error(TokenError::EndInsideEscape, start);
            return;
        }
        const char c = in_[pos_];
        if (isLetter(c)) {
            controlWord(start);
        } else if (c == '\'') {
            hexEscape(start);
        } else {
            ++pos_;
            out_.controlSymbol(c);
        }
    }

    void hexEscape(size_t start) {
        ++pos_;  // the quote
        int value = 0;
        for (int i = 0; i < 2; ++i) {
            if (pos_ >= in_.size()) {
                out_.error(TokenError::EndInsideEscape, start);
                return;
            }
            const int digit = hexValue(in_[pos_]);
            if (digit < 0) {
                // The offending character is left to be read as what it is.
                out_.error(TokenError::BadHexDigit, pos_);
                return;
            }
            value = value * 16 + digit;
            ++pos_;
        }
        out_.hexByte(static_cast<unsigned char>(value));
    }

    void controlWord(size_t start) {
        const size_t nameStart = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
        std::string_view name = in_.substr(nameStart, pos_ - nameStart);
        if (name.size() > kMaxWordLength) {
            out_.error(TokenError::WordTooLong, start);
            name = name.substr(0, kMaxWordLength);
        }

        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        std::int64_t value = 0;
        bool clamped = false;
        constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParam = true;
            if (!clamped) {
                value = value * 10 + (in_[pos_] - '0');
                if (value > kLimit) {
                    value = kLimit;
                    clamped = true;
                }
            }
            ++pos_;
        }
        if (clamped) out_.error(TokenError::NumberTooLong, start);
        const auto param = static_cast<std::int32_t>(negative ? -value : value);

        // One blank ends a control word and belongs to it.
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        out_.controlWord(name, hasParam, param);

        if (name == "bin" && hasParam && param > 0) binaryData(start, static_cast<size_t>(param));
    }

    void binaryData(size_t start, size_t length) {
        const size_t left = in_.size() - pos_;
        if (length > left) {
            out_.error(TokenError::BinaryTooLong, start);
            length = left;
        }
        out_.binary(in_.substr(pos_, length));
        pos_ += length;
    }

    std::string_view in_;
    TokenListener& out_;
    size_t pos_ = 0;
    size_t depth_ = 0;
};

}  // namespace

void tokenize(std::string_view input, TokenListener& listener) { Tokenizer(input, listener).run(); }

}  // namespace rtf
