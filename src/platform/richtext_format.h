#pragma once
// Whole-text formatting of a rich-text box, as the commands that read its RTF
// back need it.
#include <string>

namespace platform {

class RichTextBox;

// Puts the whole text into one face and size, black, without bold, italic or
// underline (each run keeps its character set), and the caret at the end.
void SetWholeTextFormat(RichTextBox& box, const std::string& face, double points);

}  // namespace platform
