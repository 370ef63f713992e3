#include "assign/charass2.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "assign/settings.h"
#include "platform/controls.h"
#include "store/store.h"

using assign::NewButton;
using assign::NewLabel;
using platform::MakeFont;

CharAss2Form::CharAss2Form() : CellWindow(QStringLiteral("Character Assignment ANSI 2")) {}

CharAss2Form& CharAss2() { return platform::Instance<CharAss2Form>(); }

void CharAss2Form::CreateControls(QWidget* window) {
    platform::SetClientSizeTwips(window, 11205, 8040);
    label1_ = NewLabel(window, QStringLiteral("ANSI 2"), {120, 120, 1455, 495},
                       MakeFont(QStringLiteral("Times New Roman"), 20.25, true));
    label5_ = NewLabel(window,
                       QStringLiteral("Double click on the symbol field to enlarge it. Single click to see its saved code."),
                       {120, 840, 1815, 1215}, MakeFont(QStringLiteral("Courier New"), 8.25));
    platform::SetForeColor(label5_, 0xFF0000);
    label2_ = NewLabel(window, QString(), {9260, 7545, 1935, 495}, window->font());
    command1_ = NewButton(window, QStringLiteral("Back to ANSI 1"), {1560, 50, 1215, 615},
                          MakeFont(QStringLiteral("Courier New"), 9.75));
    save_ = NewButton(window, QStringLiteral("Save/ Refresh"), {2880, 50, 855, 615},
                      MakeFont(QStringLiteral("Arial"), 9, true));
    CreateCells(window, assign::Page2Cells(), assign::Page2StackingOrder());
    QObject::connect(command1_, &QPushButton::clicked, this, &CharAss2Form::Command1_Click);
    QObject::connect(save_, &QPushButton::clicked, this, &CharAss2Form::Save_Click);
}

void CharAss2Form::ControlsDiscarded() {
    DiscardCells();
    label1_ = label2_ = label5_ = nullptr;
    command1_ = save_ = nullptr;
}

QLabel* CharAss2Form::Label1() { return Touch(label1_); }
QLabel* CharAss2Form::Label2() { return Touch(label2_); }
QLabel* CharAss2Form::Label5() { return Touch(label5_); }
QPushButton* CharAss2Form::Command1() { return Touch(command1_); }
QPushButton* CharAss2Form::Save() { return Touch(save_); }

void CharAss2Form::GetSigns1() { CollectCells(assign::kPage2FirstCode, assign::kSecondHalfFirstCode - 1); }

void CharAss2Form::GetSigns2() {
    CollectCells(assign::kSecondHalfFirstCode, 255);
    assign::WriteSettings();
}

void CharAss2Form::UpdateFontLabel() {
    assign::ShowFontLabel(Label2(),
                          assign::FontLabelPage2(store::CellFontName, store::CellCharSet, store::CellFontSize));
}
