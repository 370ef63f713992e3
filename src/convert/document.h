#pragma once
// The document the forward conversion gives the lower window (the files it
// writes are named in store/filenames.h).
#include <string>
#include <string_view>

namespace convert {

// The converted text in the lower window's envelope: the symbol font as the
// only font, its size in half-points, and the text unescaped, so RTF typed
// outside quotes takes effect.
std::string LowerWindowDocument(std::string_view body, std::string_view face, int charset, int points);

// Every line of the document, the last one included, followed by "\par ". A
// line ends at CR LF or at a lone CR; a lone LF stays in its line.
std::string WithParagraphMarks(std::string_view document);

}  // namespace convert
