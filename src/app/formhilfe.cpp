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

platform::RichTextBox* FormHilfeForm::RichTextBox1() {
    Load();
    return richTextBox1_;
}

void FormHilfeForm::Form_Load() { richTextBox1_->SetTextRTF(app::HelpDocument()); }

void FormHilfeForm::Form_Resize() {
    QWidget* w = Window();
    const QRect outer = w->frameGeometry();
    const HelpBoxSize size = HelpBoxSizeFor(dlg::PixelsToTwipsX(outer.width()), dlg::PixelsToTwipsY(outer.height()));
    richTextBox1_->SetWidth(size.width);
    richTextBox1_->SetHeight(size.height);
}
