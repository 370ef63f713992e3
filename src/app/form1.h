#pragma once
// The main window: the upper code window, the lower result window and the
// commands around them. Closing it ends the program.
#include "platform/lazyform.h"

class Form1Form : public platform::LazyForm {
public:
    Form1Form();

    void Form_Unload();
    void Quit_Click();

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    bool QueryUnload() override;
};

Form1Form& Form1();
