// Round trips through the rich-text control: the lower window's document goes
// into the control, is normalised as "Reconvert" does, and its RTF text is
// turned back into code text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/reverse.h"
#include "platform/richtextbox.h"
#include "platform/textfile.h"
#include "store/store.h"

namespace {

struct SymbolFont {
    std::string face;
    int charSet;
    int size;
};

// The document the lower window receives for a converted body: the envelope,
// and "\par " after every line.
std::string LowerWindowDocument(const std::string& body, const SymbolFont& font) {
    const std::string doc = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" + std::to_string(font.charSet) +
                            " " + font.face + ";}}\\fs" + std::to_string(2 * font.size) + " " + body + "}";
    std::string out;
    for (const std::string& line : textfile::splitLines(doc, textfile::LoneLf::StaysInLine)) out += line + "\\par ";
    return out;
}

// The control's RTF after the whole text is put into the symbol font, black,
// without bold, italic or underline.
std::string NormalisedRtf(const std::string& document, const SymbolFont& font) {
    platform::RichTextBox box;
    box.SetTextRTF(document);
    box.SetSelStart(0);
    box.SetSelLength(static_cast<int>(box.Text().size()));
    box.SetSelFontName(font.face);
    box.SetSelFontSize(font.size);
    box.SetSelColor(0);
    box.SetSelBold(false);
    box.SetSelItalic(false);
    box.SetSelUnderline(false);
    return box.TextRTF();
}

std::string CodeText(std::string rtf, const std::vector<std::string>* list, const convert::CellTable& cells,
                     const SymbolFont& font) {
    convert::RecognizeSymbols(rtf, list, cells, font.charSet, font.size);
    std::string text = convert::CleanUpRtf(rtf, font.size);
    for (int step = 1; step <= 3; ++step)
        if (auto trimmed = convert::TrimResult(step, text)) text = *trimmed;
    return text;
}

const SymbolFont kArial{"Arial", 0, 12};
const SymbolFont kHebrew{"Times New Roman", 177, 14};

}  // namespace

TEST(ReconvertThroughTheControl, EveryCharacterOfAUnicodeTable) {
    convert::CellTable cells{};
    std::string quoted, body;
    int i = 0;
    for (int code : store::CellCodes()) {
        cells[static_cast<size_t>(code)] = "\\u" + std::to_string(0x400 + i++) + "?";
        quoted += static_cast<char>(code);
        body += cells[static_cast<size_t>(code)];
    }
    const std::string rtf = NormalisedRtf(LowerWindowDocument("x " + body + " y", kArial), kArial);
    EXPECT_EQ(CodeText(rtf, nullptr, cells, kArial), "x #" + quoted + "# y");
}

TEST(ReconvertThroughTheControl, ByteEscapeTableWithPlainTextBeside) {
    convert::CellTable cells{};
    for (int code = 'a'; code <= 'z'; ++code) {
        char escape[8];
        snprintf(escape, sizeof escape, "\\'%02x", 0xe0 + code - 'a');
        cells[static_cast<size_t>(code)] = escape;
    }
    std::string rtf = NormalisedRtf(LowerWindowDocument("shalom \\'e0\\'e1\\'f9 x\r\n\\'e4", kHebrew), kHebrew);
    EXPECT_EQ(CodeText(rtf, nullptr, cells, kHebrew), "shalom #abz# x\r\n#e#");

    // A run of a character-set-0 font beside the symbol font: its byte
    // escapes are plain Windows-1252 text.
    const std::string pasted =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}{\\f1\\fnil\\fcharset0 Arial;}}"
        "\\f0\\fs28 \\'e0\\'e1 \\f1 d\\'e4t\\'e0}";
    rtf = NormalisedRtf(pasted, kHebrew);
    EXPECT_EQ(CodeText(rtf, nullptr, cells, kHebrew), "#ab# d\xe4t\xe0");
}

TEST(ReconvertThroughTheControl, ExpansionsFromTheList) {
    const std::vector<std::string> list = {"ty=Truly yours", "mu=\\'b5", ""};
    const std::string rtf = NormalisedRtf(LowerWindowDocument("Truly yours and \xb5\r\nTruly yours \xb5", kArial), kArial);
    EXPECT_EQ(CodeText(rtf, &list, convert::CellTable{}, kArial), "*ty* and *mu*\r\n*ty mu*");
}

TEST(ReconvertThroughTheControl, FormattingTypedAsRtfComesBackAsItsText) {
    const std::string rtf = NormalisedRtf(LowerWindowDocument("a{\\b b}{\\i c}\\'7b", kArial), kArial);
    EXPECT_EQ(CodeText(rtf, nullptr, convert::CellTable{}, kArial), "abc{");
}
