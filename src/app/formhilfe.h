#pragma once
// The help window: one rich-text box that shows the help document and follows
// the window's size.
#include "platform/lazyform.h"

namespace platform {
class RichTextBox;
}

// The box's size for a window of the given outer size (twips): the outer size
// less 50 across and 500 down, never below 0.
struct HelpBoxSize {
    double width;
    double height;
};
HelpBoxSize HelpBoxSizeFor(double outerWidth, double outerHeight);

class FormHilfeForm : public platform::LazyForm {
public:
    FormHilfeForm();

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void Form_Resize() override;
    void ControlsDiscarded() override;

private:
    platform::RichTextBox* richTextBox1_ = nullptr;
};

FormHilfeForm& FormHilfe();
