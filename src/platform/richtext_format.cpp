#include "platform/richtext_format.h"

#include "platform/richtextbox.h"

namespace platform {

void SetWholeTextFormat(RichTextBox& box, const std::string& face, double points) {
    const int length = static_cast<int>(box.Text().size());
    box.SetSelStart(0);
    box.SetSelLength(length);
    box.SetSelFontName(face);
    box.SetSelFontSize(points);
    box.SetSelColor(0);
    box.SetSelBold(false);
    box.SetSelItalic(false);
    box.SetSelUnderline(false);
    box.SetSelStart(length);
}

}  // namespace platform
