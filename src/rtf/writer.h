#pragma once
// The RTF writer of the rich-text control: the run model (or a QTextDocument)
// as RTF in the one shape that shape.h describes.
#include <string>
#include <string_view>

#include "rtf/document.h"
#include "rtf/shape.h"

class QTextDocument;

namespace rtf {

// Windows-1252 bytes (all ASCII in fact), without the NUL.
std::string write(const Document& doc);
std::string write(const QTextDocument& doc);

}  // namespace rtf
