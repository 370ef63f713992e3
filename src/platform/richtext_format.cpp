#include "platform/richtext_format.h"

#include "platform/richtextbox.h"

namespace platform {

void SetWholeTextFormat(RichTextBox& box, const std::string& face, double points) {
    const int length = static_cast<int>(box.Text().size());
    box.SetSelStart(0);
    box.SetSelLength(length);
    box.SetSelPlainFont(face, points);
    box.SetSelStart(length);
}

}  // namespace platform
