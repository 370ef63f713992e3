#pragma once
// The second assignment window (page 2): codes 133..255, a font label naming
// the symbol font and its own "Save/ Refresh". The commands of page 1 fill and
// collect it through its public operations, in the sequences of the page
// refresh protocol. Form_Load, FillFields (whose settings reload is page 1's
// ReadINI), Command1_Click and Save_Click are defined with that protocol, in
// pages.cpp.
#include "assign/cellwindow.h"

class QLabel;
class QPushButton;

class CharAss2Form : public assign::CellWindow {
public:
    CharAss2Form();

    // The fill of page 2 (the table reloaded from the settings files first).
    void FillFields();
    // The collection of codes 133..194; writes nothing.
    void GetSigns1();
    // The collection of codes 195..255, then both settings files written.
    void GetSigns2();
    // `Label2` names the symbol font: face and character set, then the size.
    void UpdateFontLabel();

    // "Back to ANSI 1".
    void Command1_Click();
    // "Save/ Refresh": the same as on page 1.
    void Save_Click();

    QLabel* Label1();
    QLabel* Label2();
    QLabel* Label5() override;
    QPushButton* Command1();
    QPushButton* Save();

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void ControlsDiscarded() override;

private:
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label5_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* save_ = nullptr;
};

CharAss2Form& CharAss2();
