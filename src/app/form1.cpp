#include "app/form1.h"

#include <QWidget>

#include "assign/charass.h"
#include "platform/controls.h"
#include "store/store.h"

Form1Form::Form1Form() : LazyForm(QStringLiteral("Runemill")) {}

Form1Form& Form1() { return platform::Instance<Form1Form>(); }

void Form1Form::CreateControls(QWidget* window) { platform::SetClientSizeTwips(window, 6615, 5265); }

void Form1Form::Form_Load() {
    if (store::AbbListVersion == 0) store::AbbListVersion = 1;
    CharAss().ReadINI();
}

void Form1Form::Form_Unload() {
    CharAss().WriteINI();
    platform::EndProgram();
}

void Form1Form::Quit_Click() { Form_Unload(); }

bool Form1Form::QueryUnload() {
    Form_Unload();
    return true;
}
