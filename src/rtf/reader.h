#pragma once
// The upper layer of the RTF reader: gives the tokens meaning and builds the
// run model. It reads what the program feeds its rich-text controls and what
// other programs put on the clipboard: groups with their format scope, the font
// and colour tables, character and paragraph formats, byte and Unicode escapes.
// Unknown control words and "{\*...}" destinations are skipped.
//
// The document is the first group: blanks before it are passed over and
// everything after its closing brace is ignored.
#include <QString>
#include <string_view>
#include <vector>

#include "rtf/document.h"
#include "rtf/tokenizer.h"

class QTextDocument;

namespace rtf {

// Groups nested deeper than this share their parent's format scope.
inline constexpr int kMaxGroupDepth = 256;

// What a "\par" with nothing but closing braces (and blanks or line breaks)
// after it does.
enum class FinalPar {
    // It is the final paragraph mark and opens no empty paragraph, so
    // "ab\par cd\par }" reads as two paragraphs. The writer ends every
    // paragraph so, the last one too: its RTF reads back unchanged.
    EndsLast,
    // It ends its paragraph as any other does, and an empty one follows, as
    // the Windows control shows a document set into it: "ab\par }" is "ab"
    // and an empty paragraph.
    OpensEmpty,
};

// `defaults` is the format of text for which the RTF names no font or size.
// `errors`, when given, receives the tokenizer's findings (at most 100).
Document read(std::string_view rtf, const CharFormat& defaults, std::vector<TokenError>* errors = nullptr,
              FinalPar finalPar = FinalPar::EndsLast);

// True when the text opens with "{\rtf" (after blanks and line breaks); what
// does not is no RTF and is taken as plain text by the control.
bool looksLikeRtf(std::string_view text);

// How many paragraphs the control makes of a text at most, found without
// building them: one more than the paragraph marks ("\par", "\line") of RTF,
// wherever they stand, or than the line ends of plain text.
std::size_t ParagraphCount(std::string_view text);

// A model of plain text: CR LF, a lone CR, a lone LF and the Unicode line and
// paragraph separators each end a paragraph; all of it in `format`.
Document plainTextModel(const QString& text, const CharFormat& format);

}  // namespace rtf
