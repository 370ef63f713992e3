#include "assign/inspection.h"

#include <QLabel>
#include <algorithm>
#include <cstdio>

#include "assign/cellwindow.h"
#include "files/ansi.h"
#include "files/filesystem.h"
#include "store/store.h"

namespace assign {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Upper-case digits, no leading zeros; a negative value as its 32-bit pattern.
std::string hexDigits(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return buffer;
}

}  // namespace

std::optional<std::int32_t> EscapeValue(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);

    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    // The magnitude, exactly; past this bound the value is out of range
    // whatever the fraction (rounding adds at most one).
    constexpr std::uint64_t kBeyond = 10'000'000'000ULL;
    std::uint64_t whole = 0;
    while (i < s.size() && isDigit(s[i])) {
        if (whole < kBeyond) whole = whole * 10 + static_cast<std::uint64_t>(s[i] - '0');
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        // Only the first fraction digit and whether any non-zero digit
        // follows it decide the rounding; no binary fraction is involved.
        int first = 0;
        bool rest = false;
        if (i < s.size() && isDigit(s[i])) first = s[i++] - '0';
        for (; i < s.size() && isDigit(s[i]); ++i) rest = rest || s[i] != '0';
        if (first > 5 || (first == 5 && (rest || whole % 2 == 1))) ++whole;
    }

    const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
    if (whole > limit) return std::nullopt;
    const std::int64_t value = negative ? -static_cast<std::int64_t>(whole) : static_cast<std::int64_t>(whole);
    return static_cast<std::int32_t>(value);
}

std::string InspectionCaption(int code, std::string_view cellString) {
    std::string caption = "Internal RTF coding for ";
    caption.push_back(static_cast<char>(static_cast<unsigned char>(code)));
    caption += " is saved as ";
    caption += cellString;

    // The marks read the whole coding; the caption shows it cut, as a line
    // of the assignment file can be of any length.
    const auto shown = [&](const std::string& mark) {
        return caption.substr(0, caption.size() - cellString.size()) + filegroup::ShortQuote(cellString) + mark;
    };
    if (caption[caption.size() - 3] == '\'') return shown(" (ANSI)");
    if (caption.back() != '?') return shown("");

    const size_t backslash = caption.rfind('\\');
    if (backslash == std::string::npos) return shown("");
    // The characters after the backslash less the first of them, the "u" of
    // a Unicode escape; nothing when the backslash stands just before "?".
    const size_t from = backslash + 2;
    const std::string_view number = std::string_view(caption).substr(std::min(from, caption.size()));
    if (const auto value = EscapeValue(number)) return shown(" (Unicode) Hex.= " + hexDigits(*value));
    return shown("");
}

void ShowSavedCoding(int code, QLabel* label) {
    // A cell string is never markup, whatever it holds.
    label->setTextFormat(Qt::PlainText);
    label->setText(ansi::toQString(InspectionCaption(code, store::CellCode[static_cast<size_t>(code)])));
}

void CellWindow::RichTextBox_Click(int code) { ShowSavedCoding(code, Label5()); }

}  // namespace assign
