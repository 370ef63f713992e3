#include "convert/document.h"

namespace convert {

std::string LowerWindowDocument(std::string_view body, std::string_view face, int charset, int points) {
    std::string doc = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset";
    doc += std::to_string(charset);
    doc += ' ';
    doc += face;
    doc += ";}}\\fs";
    doc += std::to_string(2 * points);
    doc += ' ';
    doc.reserve(doc.size() + body.size() + 16);
    doc += body;
    doc += '}';
    return doc;
}

std::string WithParagraphMarks(std::string_view document) {
    std::string out;
    out.reserve(document.size() + document.size() / 16 + 8);
    size_t start = 0;
    for (size_t i = 0; i < document.size(); ++i) {
        if (document[i] != '\r') continue;
        out.append(document.substr(start, i - start));
        out += "\\par ";
        if (i + 1 < document.size() && document[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // The line the file's closing CR LF ends.
    out.append(document.substr(start));
    out += "\\par ";
    return out;
}

}  // namespace convert
