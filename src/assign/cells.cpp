#include "assign/cells.h"

#include <array>

#include "rtf/shape.h"
#include "store/store.h"

namespace assign {
namespace {

constexpr size_t kRtfTailLength = rtf::kTextRtfTail.size();

constexpr int kRowStep = 360;
constexpr int kCellHeight = 345;
constexpr int kLabelWidth = 975;
// A label stands this far to the left of its box, on the same row.
constexpr int kLabelToBox = 960;

TwipsRect labelBeside(const TwipsRect& box) { return {box.left - kLabelToBox, box.top, kLabelWidth, kCellHeight}; }

std::vector<int> codesBetween(int first, int last) {
    std::vector<int> codes;
    for (int n = first; n <= last; ++n)
        if (store::HasCell(n)) codes.push_back(n);
    return codes;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const std::vector<CellPlace>& Page1Cells() {
    // Five columns of sixteen rows, filled from the last two rows of the first.
    static const std::vector<CellPlace> cells = [] {
        std::vector<CellPlace> out;
        int slot = 14;
        for (int code : codesBetween(64, kPage2FirstCode - 1)) {
            const int column = slot / 16, row = slot % 16;
            const TwipsRect box{1200 + 2040 * column, 720 + kRowStep * row, 1095, kCellHeight};
            out.push_back({code, labelBeside(box), box});
            ++slot;
        }
        return out;
    }();
    return cells;
}

const std::vector<CellPlace>& Page2Cells() {
    struct Column {
        int firstCode, lastCode, firstRow;
    };
    static constexpr std::array<Column, 6> kColumns{
        {{133, 148, 6}, {149, 168, 2}, {169, 190, 0}, {191, 212, 0}, {213, 234, 0}, {235, 255, 0}}};
    static const std::vector<CellPlace> cells = [] {
        std::vector<CellPlace> out;
        for (size_t c = 0; c < kColumns.size(); ++c) {
            const Column& col = kColumns[c];
            for (int code = col.firstCode; code <= col.lastCode; ++code) {
                const int row = col.firstRow + (code - col.firstCode);
                int width = 855, height = kCellHeight;
                if (code >= 149 && code <= 169) width = 885;
                if ((code >= 190 && code <= 193) || code == 201 || code == 202) height = 375;
                const TwipsRect box{1200 + 1800 * static_cast<int>(c), kRowStep * row, width, height};
                out.push_back({code, labelBeside(box), box});
            }
        }
        return out;
    }();
    return cells;
}

const std::vector<int>& Page2StackingOrder() {
    static const std::vector<int> order = [] {
        const std::vector<std::pair<int, int>> runs{{133, 185}, {195, 196}, {186, 189}, {197, 197}, {213, 213},
                                                    {198, 202}, {190, 193}, {194, 194}, {203, 212}, {214, 221},
                                                    {223, 236}, {222, 222}, {237, 255}};
        std::vector<int> out;
        for (auto [first, last] : runs)
            for (int n = first; n <= last; ++n) out.push_back(n);
        return out;
    }();
    return order;
}

std::string LabelCaption(int code) {
    std::string number = std::to_string(code);
    if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
    return std::string(" ") + static_cast<char>(static_cast<unsigned char>(code)) + number;
}

std::string CellDocument(const std::string& cellString, const std::string& face, int charset, int size) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" + std::to_string(charset) + " " + face +
           ";}}\\fs" + std::to_string(2 * size) + cellString + "}";
}

std::string FontLabelPage1(const std::string& face, int charset, int size) {
    return face + " Char. Set " + std::to_string(charset) + " Size " + std::to_string(size);
}

std::string FontLabelPage2(const std::string& face, int charset, int size) {
    return face + " " + std::to_string(charset) + "\r\n" + std::to_string(size);
}

std::optional<int> ParseUnicodeEntry(std::string_view text) {
    if (text.size() != 6 || text.substr(0, 2) != "U+") return std::nullopt;
    int value = 0;
    for (char c : text.substr(2)) {
        const int digit = hexValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + digit;
    }
    return value > 32767 ? value - 65536 : value;
}

std::string UnicodeEscape(int value) { return "\\u" + std::to_string(value) + "?"; }

std::string WithoutLineBreaks(std::string_view fragment) {
    // Where the text stands: inside a control word's name, inside its number,
    // or elsewhere. A cut fragment follows the size word's digits.
    enum class At { Name, Number, Other } at = At::Number;
    std::string out;
    out.reserve(fragment.size());
    size_t i = 0;
    while (i < fragment.size()) {
        const char c = fragment[i];
        if (c == '\r' || c == '\n') {
            while (i < fragment.size() && (fragment[i] == '\r' || fragment[i] == '\n')) ++i;
            // A break that ended a control word becomes a blank, which ends it
            // as well and is dropped by a reader just as the break is.
            if (at != At::Other && i < fragment.size()) out.push_back(' ');
            at = At::Other;
            continue;
        }
        if (c == '\\' && i + 1 < fragment.size()) {
            const char next = fragment[i + 1];
            if (next == '\r' || next == '\n') {
                // A backslash before a line break is a paragraph mark.
                out += "\\par";
                at = At::Name;
            } else {
                out.push_back(c);
                out.push_back(next);
                at = isLetter(next) ? At::Name : At::Other;  // else a control symbol such as "\'"
                ++i;
            }
            ++i;
            continue;
        }
        if (at == At::Name && !isLetter(c)) {
            const bool sign = c == '-' && i + 1 < fragment.size() && isDigit(fragment[i + 1]);
            // A minus that is text must not meet digits once a break is gone.
            if (c == '-' && !sign) out.push_back(' ');
            at = isDigit(c) || sign ? At::Number : At::Other;
        } else if (at == At::Number && !isDigit(c)) {
            at = At::Other;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

std::optional<std::string> CutCellString(std::string_view rtf, int cellFontSize) {
    // The size word "\fs" with exactly the doubled size: a longer number or a
    // face name holding the same letters is no match.
    const std::string needle = "\\fs" + std::to_string(2 * cellFontSize);
    size_t p = rtf.find(needle);
    while (p != std::string_view::npos && p + needle.size() < rtf.size() && isDigit(rtf[p + needle.size()]))
        p = rtf.find(needle, p + 1);
    if (p == std::string_view::npos || !rtf.ends_with(rtf::kTextRtfTail)) return std::nullopt;
    const size_t start = p + needle.size();
    if (rtf.size() - start < kRtfTailLength) return std::nullopt;
    return WithoutLineBreaks(rtf.substr(start, rtf.size() - start - kRtfTailLength));
}

namespace {

// What the box's plain text alone decides; nothing when its RTF must decide.
std::optional<std::string> cellStringFromText(std::string_view text, std::string_view caption) {
    if (caption.size() >= 2 && text == caption.substr(1, 1)) return std::string();
    if (text.empty()) return std::string();
    if (auto value = ParseUnicodeEntry(text)) return UnicodeEscape(*value);
    return std::nullopt;
}

std::string cellStringFromRtf(std::string_view rtf, const std::string& stored, bool lockUni, int cellFontSize) {
    if (lockUni && stored.starts_with("\\u")) return stored;
    // The box shows text (rules 1 and 2 took the others), so a cut that gives
    // nothing has cut in the wrong place: the cell must not be wiped by it.
    auto cut = CutCellString(rtf, cellFontSize);
    return cut && !cut->empty() ? *cut : stored;
}

}  // namespace

std::string CollectCell(std::string_view text, std::string_view caption, const std::function<std::string()>& boxRtf,
                        const std::string& stored, bool lockUni, int cellFontSize) {
    if (auto decided = cellStringFromText(text, caption)) return *decided;
    return cellStringFromRtf(boxRtf(), stored, lockUni, cellFontSize);
}

}  // namespace assign
