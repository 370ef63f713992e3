// The symbol font chooser and the LOCK UNI button of page 1.
#include "assign/fontchooser.h"

#include <QPushButton>
#include <cmath>

#include "assign/cells.h"
#include "assign/charass.h"
#include "assign/lockuni.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/mouse.h"
#include "store/store.h"

namespace assign {

// Every tie (a size ending in .5) is exact in binary, so the default rounding
// of the floating-point unit (to nearest, ties to even) decides it.
int PointsFromTenths(int tenths) { return static_cast<int>(std::nearbyint(tenths / 10.0)); }

}  // namespace assign

// The page-1 commands.

void CharAssForm::SelectFont_Click() {
    // The face the chooser opens on loses blanks at its ends; a long name
    // stays whole, since a cut one would name no installed font.
    std::string& face = chooserFont_.face;
    face.erase(0, face.find_first_not_of(' '));
    face.erase(face.find_last_not_of(' ') + 1);
    // The window is the chooser's owner also while it is hidden, as when the
    // list editor asks.
    if (!platform::ChooseFont(chooserFont_, Window())) {
        dlg::MsgBox("Either an error has occurred in the font select dialog or you have cancelled.",
                    dlg::OKOnly | dlg::Critical, "Error possible");
        return;
    }
    // Weight, slant and the effects stay in the chooser's record only.
    store::CellCharSet = static_cast<std::int16_t>(chooserFont_.charSet);
    store::CellFontSize = static_cast<std::int16_t>(assign::PointsFromTenths(chooserFont_.pointSizeTenths));
    store::CellFontName = chooserFont_.face;
    assign::ShowFontLabel(Label4(),
                          assign::FontLabelPage1(store::CellFontName, store::CellCharSet, store::CellFontSize));
    Save_Click();
}

void CharAssForm::LockUniCB_Click() {
    store::LockUni = !store::LockUni;
    assign::ShowLockUni(LockUniCB(), store::LockUni);
}

void CharAssForm::LockUniCB_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button == platform::RightButton)
        dlg::MsgBox(assign::kLockUniExplanation, dlg::OKOnly | dlg::Information, assign::kLockUniTitle);
}

void CharAssForm::connectLockUniCB() {
    QPushButton* button = lockUniCB_;
    button->setCursor(assign::LockUniPointer());
    platform::OnMouseDown(button, [this](int b, int shift, float x, float y) { LockUniCB_MouseDown(b, shift, x, y); });
    QObject::connect(button, &QPushButton::clicked, this, &CharAssForm::LockUniCB_Click);
}
