#include "app/formhilfe.h"

#include <QWidget>
#include <algorithm>

#include "app/helpdoc.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"

HelpBoxSize HelpBoxSizeFor(double outerWidth, double outerHeight) {
    return {std::max(0.0, outerWidth - 50), std::max(0.0, outerHeight - 500)};
}

FormHilfeForm::FormHilfeForm() : LazyForm(QStringLiteral("Runemill Help")) {}

FormHilfeForm& FormHilfe() { return platform::Instance<FormHilfeForm>(); }

void FormHilfeForm::CreateControls(QWidget* window) {
    platform::SetClientSizeTwips(window, 10890, 7785);
    richTextBox1_ = new platform::RichTextBox(window);
    platform::SetTwipsGeometry(richTextBox1_, 0, 0, 10815, 7695);
}

void FormHilfeForm::ControlsDiscarded() { richTextBox1_ = nullptr; }

void FormHilfeForm::Form_Load() { richTextBox1_->SetTextRTF(app::HelpDocument()); }

void FormHilfeForm::Form_Resize() {
    QWidget* w = Window();
    const QSizeF outer = platform::OuterSizeTwips(w);
    const HelpBoxSize size = HelpBoxSizeFor(outer.width(), outer.height());
    // Never past the window's edges, where the box would hide its own scroll
    // bar and border.
    richTextBox1_->SetWidth(std::min(size.width, dlg::PixelsToTwipsX(w->width())));
    richTextBox1_->SetHeight(std::min(size.height, dlg::PixelsToTwipsY(w->height())));
}
