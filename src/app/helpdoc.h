#pragma once
// The built-in help document, one RTF text in Verdana 10 pt: green section
// headings, navy body text, red emphasis.
#include <string>

namespace app {

std::string HelpDocument();

}  // namespace app
