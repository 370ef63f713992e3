#include "assign/charass.h"

#include <QPushButton>
#include <QWidget>

#include "platform/ansi.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "store/store.h"

using platform::SetTwipsGeometry;

CharAssForm::CharAssForm() : LazyForm(QStringLiteral("Character Assignment ANSI 1")) {}

CharAssForm& CharAss() { return platform::Instance<CharAssForm>(); }

void CharAssForm::CreateControls(QWidget* window) {
    platform::SetClientSizeTwips(window, 11850, 7665);

    lockUniCB_ = new QPushButton(QStringLiteral("Lock Uni"), window);
    SetTwipsGeometry(lockUniCB_, 1200, 4440, 975, 300);

    for (int i = 1; i <= 16; ++i) {
        auto* b = new QPushButton(QStringLiteral("Custom%1").arg(i), window);
        SetTwipsGeometry(b, 10560, 2520 + 240 * (i - 1), 1095, 255);
        platform::SetBackColor(b, 0xFFC0C0);  // RGB 192, 192, 255
        custom_[static_cast<size_t>(i)] = b;
    }
}

void CharAssForm::ControlsDiscarded() {
    lockUniCB_ = nullptr;
    custom_.fill(nullptr);
}

QPushButton* CharAssForm::LockUniCB() {
    Load();
    return lockUniCB_;
}

QPushButton* CharAssForm::Custom(int i) {
    Load();
    return custom_.at(static_cast<size_t>(i));
}

void CharAssForm::Form_Load() {
    FillFieldsPage1();
    GetSignsPage1();
    for (int i = 1; i <= 16; ++i)
        custom_[static_cast<size_t>(i)]->setText(ansi::toQString(store::CustomTitle[static_cast<size_t>(i)]));
}

void CharAssForm::ReadINI() {
    store::ReadSettingsFiles();
    // The first touch of the button loads this window (hidden) at start-up;
    // its load reads and writes the settings files before we go on.
    QPushButton* button = LockUniCB();
    if (store::LockUni) {
        button->setText(QStringLiteral("Unlock Uni"));
        platform::SetBackColor(button, 255);
    } else {
        button->setText(QStringLiteral("Lock Uni"));
        platform::SetBackColor(button, platform::kButtonFace);
    }
}

void CharAssForm::WriteINI() {
    QString error;
    if (!store::WriteSettingsFiles(&error)) {
        dlg::MsgBox("The settings could not be saved; the files keep their former content.\r\n\r\n" +
                        ansi::fromQString(error),
                    dlg::OKOnly | dlg::Exclamation);
    }
}

// Cell filling and collection of page 1.
void CharAssForm::FillFieldsPage1() { ReadINI(); }

void CharAssForm::GetSignsPage1() { WriteINI(); }
