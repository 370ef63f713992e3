#pragma once
// The first assignment window (page 1): codes 64..132, the commands that act
// on the whole symbol table, and the settings operations ReadINI / WriteINI.
#include <array>

#include "platform/lazyform.h"

class QPushButton;

class CharAssForm : public platform::LazyForm {
public:
    CharAssForm();

    // Both settings files into the shared store, then the LOCK UNI button.
    void ReadINI();
    // The shared store into both settings files; a failure is reported and
    // leaves the old files as they were.
    void WriteINI();

    void FillFieldsPage1();
    void GetSignsPage1();

    QPushButton* LockUniCB();
    QPushButton* Custom(int i);  // 1..16

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void ControlsDiscarded() override;

private:
    QPushButton* lockUniCB_ = nullptr;
    std::array<QPushButton*, 17> custom_{};
};

CharAssForm& CharAss();
